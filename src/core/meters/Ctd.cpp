#include "meters/Ctd.h"

#include <algorithm>
#include <vector>

#include "Context.h"
#include "archive/Archive.h"
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

int WriteCtdRow(Context& ctx, std::FILE* stream, int channel, int& headerPending, int format,
                const CtdRow& row) {
    CtdWriterState& s = ctx.sbe.ctd;
    if (!stream) {
        // Nothing can be saved: the run fails, with one message for it.
        if (!s.noStreamReported) {
            ctx.reporter.ShowError("CTD File Error",
                                   "Unable to Save CTD Record, output file is not Open\n");
            s.noStreamReported = true;
        }
        ctx.runFailed = true;
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
        const int count = EmitTitleLine(ctx, channel, stream, format, std::move(columns));
        if (channel > 0 && channel < kChannelCount) {
            ChannelWriter& w = ctx.channelState.writers[static_cast<size_t>(channel)];
            w.headerLines = 1;
            w.columnCount = count;
        }
    }

    Sample& sample = ctx.channelState.sample;
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
    EmitRow(ctx, stream, sample, layout);
    return 1;
}

void SetCtdSeparator(Context& ctx, char separator) { ctx.sbe.ctd.separator = separator; }

void SetCtdVoltageMeterType(Context& ctx, int meterType) { ctx.sbe.ctd.voltageMeterType = meterType; }

int RunSbe19Prepass(Context& ctx, int channel, ArchiveStream& archive, int clockSource,
                    int format, double to) {
    if (channel <= 0 || channel >= kChannelCount) return 0;
    int sender = 0, port = 0;
    ChannelToSenderPort(channel, sender, port);
    archive.Rewind();
    ctx.reporter.SetStatus("Frequency Correct SBE19");
    ResetAllChannels(ctx);
    ResetType2Reference(ctx.julian);
    ResetPacketCounters(ctx.reader);
    ctx.clock = ClockState();

    ArchivePacket& packet = ctx.packet;
    double time = 0;
    while (ReadPacket(ctx, time, packet, archive, false) > 0) {
        ReviseTime(ctx, time, clockSource, format, packet.sender);
        if (time > to) break;
        if (packet.sender != sender || port < 0 || port >= kPorts) continue;
        const int count = packet.counts[port];
        if (count <= 0) continue;
        int offset = 0;
        for (int p = 0; p < port; ++p) offset += packet.counts[p];
        if (FeedSbe19Prepass(ctx, channel, time, count, packet.payload + offset)) break;
    }

    // A read fault is not the end of the cast: the run stops.
    if (archive.Failed()) return 0;

    // The references stay; the channel pass starts its lines and clock afresh.
    archive.Rewind();
    ResetChannel(ctx, channel);
    ResetPacketCounters(ctx.reader);
    ResetSenderStatistics(ctx.reader);
    ctx.clock = ClockState();
    return 1;
}

int RunCtdPrepass(Context& ctx, ArchiveStream& archive, const RunPaths& paths, double /*from*/,
                  double to) {
    const ExtractionSetup& es = ctx.extraction;
    const int c = es.ctdChannel;
    if (c < 11 || c >= kChannelCount) return 1;  // no CTD channel
    const ChannelSetup& setup = ctx.channels[static_cast<size_t>(c)];
    if (setup.type != kSbe19) return 1;
    ReadChannelDeviceFile(ctx, es.dataOutput, c, paths.deviceFolder, setup, nullptr);
    return RunSbe19Prepass(ctx, c, archive, es.clockSource, es.timeStampFormat, to);
}

}  // namespace rix
