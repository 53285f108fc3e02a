// Archive-to-archive utilities: one archive per logger id, and archives whose
// packets carry elapsed times turned into calendar-time (type 2) packets.
#include "utilities/Fileutils.h"

#include <cstdint>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "Context.h"
#include "archive/Archive.h"
#include "archive/Pump.h"
#include "extract/Channel.h"
#include "extract/Misc.h"
#include "report/Reporter.h"
#include "utilities/FileIo.h"

namespace rix {

namespace {

constexpr int kLoggers = 5;  // logger ids 1 to 4

// Writes pending output in large blocks (a failed write stays on the stream).
void Drain(std::vector<uint8_t>& pending, std::FILE* file, bool force) {
    if (!pending.empty() && (force || pending.size() >= (1u << 20))) {
        std::fwrite(pending.data(), 1, pending.size(), file);
        pending.clear();
    }
}

}  // namespace

std::string SplitPartName(const std::string& inputPath, int loggerId) {
    // The extension starts at the last dot of the file name itself: a dot in
    // a folder name does not count.
    size_t slash = inputPath.find_last_of('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = inputPath.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) dot = inputPath.size();
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%1d", loggerId);
    return inputPath.substr(0, dot) + suffix + inputPath.substr(dot);
}

int SplitByLoggerId(Context& ctx, const std::string& inputPath) {
    Run run(ctx);  // this pass over the archive
    static constexpr const char* kTitle = "Parse Logger IDs";
    for (int id = 1; id < kLoggers; ++id)
        if (RefuseSameFile(ctx.reporter, inputPath, SplitPartName(inputPath, id))) return 0;
    ArchiveStream input;
    if (!OpenArchiveInput(ctx, input, inputPath, kTitle)) return 0;

    ResetAllChannels(run);
    // A type-2 packet is written as the reader delivers it, with its time
    // relative to the first type-2 packet of this file.
    ResetType2Reference(run.reader);
    ResetPacketCounters(run.reader);

    enum class Part { kNone, kOpen, kFailed };
    Part state[kLoggers] = {};
    OutputFile files[kLoggers];
    std::vector<uint8_t> image(kMaxPayload + 32);
    auto packet = std::make_unique<ArchivePacket>();
    double time = 0;
    while (ReadPacket(run, time, *packet, input, false) > 0) {
        int sender = packet->sender;
        if (sender < 1 || sender >= kLoggers) continue;
        if (state[sender] == Part::kNone)
            state[sender] = files[sender].Open(ctx.reporter, SplitPartName(inputPath, sender), kTitle) ? Part::kOpen
                                                                                                     : Part::kFailed;
        if (state[sender] != Part::kOpen) continue;
        size_t n = PacketImage(*packet, image.data());
        std::fwrite(image.data(), 1, n, files[sender].Stream());
        if (files[sender].Failed()) break;  // a full disk: the split cannot be completed
    }
    const bool readFault = input.Failed();
    input.Close();
    // A part that failed a write ends the split: the other parts miss the
    // packets after it, so none is kept.
    bool written = true;
    for (int id = 1; id < kLoggers && written; ++id)
        if (files[id].IsOpen() && !files[id].Flush()) {
            files[id].ReportFailure();
            written = false;
        }
    // A read error leaves parts that would pass for the whole archive: none is kept.
    if (!written || readFault) return 0;
    for (int id = 1; id < kLoggers; ++id) {
        if (files[id].IsOpen() && !files[id].Commit()) written = false;
        if (state[id] == Part::kFailed) written = false;  // reported when it could not be opened
    }
    if (!written) return 0;
    ctx.reporter.ShowError(
        kTitle, Format("File %s has been split according to the Logger IDs", inputPath.c_str()));
    return 1;
}

int ConvertToType2(Context& ctx, int dateTimeChannel, int utcOffsetHours,
                   const std::string& inputPath, const std::string& outputPath) {
    Run run(ctx);  // this pass over the archive
    static constexpr const char* kTitle = "Convert To Type 2";
    if (RefuseSameFile(ctx.reporter, inputPath, outputPath)) return 0;
    ArchiveStream input;
    if (!OpenArchiveInput(ctx, input, inputPath, kTitle)) return 0;

    // The Julian day table from the date/time channel's records.
    ClearJulianTable(run.julian);
    ResetType2Reference(run.reader);
    ResetAllChannels(run);
    auto values = std::make_unique<RowValues>();
    char line[kRecordSize];
    double time = 0;
    bool found = false;
    // Each record of the date/time channel is one line; the days of type-2
    // headers are entered as well. The times as the packets store them.
    int sender = 0, port = 0;
    ChannelToSenderPort(dateTimeChannel, sender, port);
    PumpOptions options;
    options.retime = false;
    options.honourStop = false;
    PacketPump pump(run, input, options);
    if (pump.Run([&](const PumpedPacket& p) {
            const uint8_t* bytes = nullptr;
            const int length = p.packet.sender == sender ? PortBytes(p.packet, port, bytes) : 0;
            if (length <= 0) return true;
            found = true;
            const int n = length < kRecordSize - 1 ? length : kRecordSize - 1;
            std::memcpy(line, bytes, static_cast<size_t>(n));
            line[n] = '\0';
            values->Reset();
            int lineLength = n;
            ParseDateTimeLine(run, line, lineLength, p.readTime, utcOffsetHours, *values);
            return true;
        }) == PumpEnd::kFault)
        return 0;  // the reader has said why
    if (!found) {
        ctx.reporter.ShowError("Julian Date/Time Error",
                               "No Data found for the selected Date/Time Channel");
        return 0;
    }

    OutputFile output;
    if (!output.Open(ctx.reporter, outputPath, kTitle)) return 0;
    std::FILE* out = output.Stream();
    input.Rewind();
    // The same times as in the first pass for a type-2 input.
    ResetType2Reference(run.reader);
    ctx.reporter.ShowError(inputPath, outputPath);

    auto packet = std::make_unique<ArchivePacket>();
    std::vector<uint8_t> pending;
    bool haveDay = false;
    int lastDay = 0;
    while (ReadPacket(run, time, *packet, input, false) > 0) {
        // The reader's time: type-1 units of 10 ms already scaled, type-0
        // milliseconds taken as unsigned, as the logger counts them.
        int yearDay = 0;
        long msOfDay = 0;
        if (!DayAndMillisecond(run.julian, time, yearDay, msOfDay)) {
            ctx.reporter.ShowError("HD", "Can't Convert");
            continue;
        }
        if (!haveDay || yearDay != lastDay) {
            ctx.reporter.ShowError(
                "HD - convert",
                Format("Get JDAY-MS origin %1.0lf jday %d ms %ld", time, yearDay, msOfDay));
            haveDay = true;
            lastDay = yearDay;
        }
        if (yearDay > INT16_MAX) {
            // The packet's day field is 16 bits wide: 2032 is its last year.
            ctx.reporter.ShowError(
                kTitle, Format("Day code %d (20%02d) does not fit a type-2 packet: their dates end in 2032",
                               yearDay, yearDay / 1000 % 100));
            output.Discard();
            return 0;
        }
        PacketFields fields;
        fields.type = 2;
        fields.sender = packet->sender;
        fields.sequence = packet->sequence;
        fields.msOfDay = static_cast<int32_t>(msOfDay);
        fields.yearDay = static_cast<int16_t>(yearDay);
        for (int p = 0; p < kPorts; ++p) fields.counts[p] = packet->counts[p];
        AppendPacket(pending, fields, packet->payload);
        Drain(pending, out, false);
        if (output.Failed()) break;
    }
    Drain(pending, out, true);
    const bool readFault = input.Failed();
    input.Close();
    ResetAllChannels(run);
    if (readFault) {
        output.Discard();  // a cut archive would pass for the whole one
        return 0;
    }
    if (!output.Commit()) return 0;
    ctx.reporter.ShowError("Type 2 Conversion", "Done");
    return 1;
}

}  // namespace rix
