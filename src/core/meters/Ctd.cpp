#include "meters/Ctd.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "Context.h"
#include "archive/Archive.h"
#include "archive/Pump.h"
#include "extract/Emit.h"
#include "extract/Misc.h"
#include "extract/Rix.h"
#include "meters/Devfile.h"
#include "meters/Sbe_hex.h"
#include "setup/MeterType.h"

namespace rix {

namespace {

bool HasSbeVoltageTitles(int meterType) {
    return meterType == kSbe19 || meterType == kSbe19PlusRaw || meterType == kSbe21 ||
           meterType == kSbe25Ctd || meterType == kSbe25M;
}

}  // namespace

int WriteCtdRow(Run& run, std::FILE* stream, int channel, int& headerPending, int format,
                const CtdRow& row) {
    Context& ctx = run.ctx;
    CtdWriterState& s = ctx.shared.sbe.ctd;
    if (!stream) {
        // Nothing can be saved: the run fails, with one message for it.
        if (!s.noStreamReported) {
            ctx.reporter.ShowError("CTD File Error",
                                   "Unable to Save CTD Record, output file is not Open\n");
            s.noStreamReported = true;
        }
        run.runFailed = true;
        return 0;
    }
    if (row.time < 0) return 0;
    const bool second = row.temperature2 < 99;
    const int volts = row.volts ? std::clamp(row.voltageCount, 0, kSbeMaxVoltages) : 0;

    if (headerPending) {
        headerPending = 0;
        std::vector<ColumnInfo> columns = {{"P(dbars)", "dbar", {5, 3}},
                                           {"Temp(C)", "degree_Celsius", {7, 4}},
                                           {"Conduct", "S m-1", {8, 5}},
                                           {"Sal(PSU)", "1", {7, 4}}};
        if (second) columns.push_back({"RTemp(C)", "degree_Celsius", {7, 4}});
        if (HasSbeVoltageTitles(s.voltageMeterType)) {
            SbeVoltageTitles(ctx, s.voltageMeterType, columns);
        } else {
            for (int v = 0; v < volts; ++v) columns.push_back({"Spare(V)", "V", {6, 4}});
        }
        const int count = EmitTitleLine(run, channel, stream, format, std::move(columns));
        if (channel > 0 && channel < kChannelCount) {
            ChannelWriter& w = run.channelState.writers[static_cast<size_t>(channel)];
            w.headerLines = 1;
            w.columnCount = count;
        }
    }

    Sample& sample = run.channelState.sample;
    sample.Clear(channel, row.time);
    sample.Add(row.pressure, {5, 3});
    sample.Add(row.temperature, {7, 4});
    sample.Add(row.conductivity, {8, 5});
    sample.Add(row.salinity, {7, 4});
    if (second) sample.Add(row.temperature2, {7, 4});
    for (int v = 0; v < volts; ++v) sample.Add(static_cast<double>(row.volts[v]), {6, 4});
    RowLayout layout;
    layout.format = format;
    layout.separator = s.separator;
    EmitRow(run, stream, sample, layout);
    return 1;
}

void SetCtdSeparator(Context& ctx, char separator) { ctx.shared.sbe.ctd.separator = separator; }

void SetCtdVoltageMeterType(Context& ctx, int meterType) { ctx.shared.sbe.ctd.voltageMeterType = meterType; }

int RunSbe19Prepass(Run& run, int channel, ArchiveStream& archive, int clockSource,
                    int format, double to) {
    Context& ctx = run.ctx;
    if (channel <= 0 || channel >= kChannelCount) return 0;
    int sender = 0, port = 0;
    ChannelToSenderPort(channel, sender, port);
    ctx.reporter.SetStatus("Frequency Correct SBE19");

    // The lines are assembled apart from the channel's own record: the
    // extraction starts its lines afresh, with the references found here.
    auto lines = std::make_unique<ChannelWriter>();
    lines->channelId = channel;
    PumpOptions options;
    options.clockSource = clockSource;
    options.format = format;
    options.honourStop = false;
    PacketPump pump(run, archive, options);
    const PumpEnd end = pump.Run([&](const PumpedPacket& p) {
        if (p.time > to) return false;
        if (p.packet.sender != sender) return true;
        const uint8_t* bytes = nullptr;
        const int count = PortBytes(p.packet, port, bytes);
        return count <= 0 || !FeedSbe19Prepass(ctx, *lines, p.time, count, bytes);
    });
    // A read fault is not the end of the cast: the run stops.
    if (end == PumpEnd::kFault) return 0;

    ResetPacketCounters(run.reader);
    ResetSenderStatistics(run.reader);
    run.clock = ClockState();
    return 1;
}

int RunCtdPrepass(Run& run, ArchiveStream& archive, const RunPaths& /*paths*/, double /*from*/,
                  double to) {
    Context& ctx = run.ctx;
    const ExtractionSetup& es = ctx.extraction;
    const int c = es.ctdChannel;
    if (c < 11 || c >= kChannelCount) return 1;  // no CTD channel
    const ChannelSetup& setup = ctx.channels[static_cast<size_t>(c)];
    if (setup.type != kSbe19) return 1;
    // The channel's .CON was read in its setup; the references found belong to it.
    SelectSbeChannel(run, c);
    return RunSbe19Prepass(run, c, archive, es.clockSource, es.timeStampFormat, to);
}

}  // namespace rix
