#include "extract/Rix.h"

#include <cstdarg>
#include <cstdlib>
#include <filesystem>

#include "Context.h"
#include "archive/Archive.h"
#include "archive/Pump.h"
#include "extract/Interval.h"
#include "extract/NetcdfRun.h"
#include "extract/Rawproc.h"
#include "merge/Files.h"
#include "merge/MergeNetcdf.h"
#include "meters/Analog.h"
#include "meters/Ctd.h"
#include "meters/Devfile.h"
#include "meters/Drivers.h"
#include "meters/Dmm22_812.h"
#include "meters/Gps.h"
#include "meters/Minor.h"
#include "meters/Nx9.h"
#include "meters/Nxs.h"
#include "meters/Prisma.h"
#include "meters/Satlantic.h"
#include "meters/Sbe_hex.h"
#include "setup/Esf.h"
#include "setup/Isf.h"
#include "setup/Mainsetup.h"
#include "setup/MeterType.h"

namespace rix {

namespace {

constexpr double kDefaultTo = 31536000000.0;  // 365 days in ms

void ResetClock(Run& run) {
    run.clock = ClockState();
}

// Before the clock-source message: an input in which no packet at all was
// found is no logger archive (or is damaged throughout), which the
// clock-source message alone would hide.
void ReportNoPackets(Run& run, const ArchiveStream& archive) {
    Context& ctx = run.ctx;
    if (run.reader.packets - run.reader.missing > 0) return;  // packets delivered
    ctx.reporter.ShowError("File Error - Not a Logger Archive",
                           Format("No packet was found in %s: it is not a logger archive, or it is "
                                  "damaged throughout",
                                  archive.Path().c_str()));
}

bool FolderExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

bool BlankName(const std::string& name) { return name.find_first_not_of(' ') == std::string::npos; }

ChannelOutcome* OutcomeOf(Context& ctx, int c) {
    for (ChannelOutcome& o : ctx.control.outcome.channels)
        if (o.channel == c) return &o;
    return nullptr;
}

// Lines of a channel file that are no data rows: what the device-file step
// copied into it, and the title line(s) once its writer has written them.
long long HeaderLinesOf(const ChannelWriter& w, int meterType, int dataOutput, long long deviceLines) {
    long long lines = deviceLines;
    if (w.headerPending == 0 && meterType != kXmf)  // the XMF writer has no title line
        lines += dataOutput == 0 && RouteOf(meterType) == WriterKind::kSbe ? SbeHexHeaderLines(meterType) : 1;
    return lines;
}

// The messages of a channel are kept with its outcome, and wait in the
// channel's queue until the channels' messages are passed on in id order.
struct MessageCopy {
    Context& ctx;
    MessageCopy(Context& c, ChannelOutcome& outcome, int channel) : ctx(c) {
        ctx.tap.Attach(&outcome.messages);
        ctx.tap.DeferTo(channel);
    }
    ~MessageCopy() {
        ctx.tap.Attach(nullptr);
        ctx.tap.DeferTo(-1);
    }
    MessageCopy(const MessageCopy&) = delete;
    MessageCopy& operator=(const MessageCopy&) = delete;
};

// What the one read keeps of a configured channel from its setup to its end.
struct ChannelRun {
    int channel = 0;
    bool open = false;  // its file is open and its device-file step done
    std::string deviceProblem;
    long long deviceLines = 0;
    long long deviceBytes = 0;
    ChannelOutcome unlisted;  // the outcome of a channel the run's list lacks
};

ChannelOutcome& OutcomeFor(Context& ctx, ChannelRun& ch) {
    ChannelOutcome* found = OutcomeOf(ctx, ch.channel);
    return found ? *found : ch.unlisted;
}

// A configured channel's setup before the read: its file, then its
// device-file step, whose lines head the file. 0 when its file could not be
// opened (reported).
int SetUpChannel(Run& run, ChannelRun& ch, const RunPaths& paths) {
    Context& ctx = run.ctx;
    const int c = ch.channel;
    const ChannelSetup& setup = ctx.channels[c];
    const ExtractionSetup& es = ctx.extraction;
    ChannelOutcome& outcome = OutcomeFor(ctx, ch);
    MessageCopy copy(ctx, outcome, c);
    LogLine(run, "%c%cID = %d type = %d", '\r', '\n', c, setup.type);
    ctx.reporter.SetStatus(Format("Channel %d", c));

    if (!OpenChannelFile(run, c, setup.keyword, paths.outputFolder, paths.baseName,
                         paths.extension)) {
        ctx.reporter.SetStatus("Out File Error");
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "its file could not be created";
        return 0;
    }
    ch.open = true;
    outcome.file = run.channelState.writers[c].outputPath;
    OutputFile& file = *run.channelState.outputs.files[c];
    // Device-file step: the analog slot of the channel, then its calibration,
    // which the channel keeps for its own data.
    if (c < kAnalogSlots) ResetAnalogSlot(ctx, c);
    SelectSbeChannel(run, c);
    ReadChannelDeviceFile(run, es.dataOutput, c, paths.deviceFolder, setup, file.Stream(),
                          &ch.deviceProblem);
    file.Flush();
    ch.deviceLines = file.Lines();
    ch.deviceBytes = file.Bytes();
    return 1;
}

// A configured channel's end after the read: its closing numbers and
// messages, then its file completed, or discarded when nothing usable came
// of it. cut: why the read ended before the archive's end (a read fault, a
// failed write, a writer's failure), empty when it did not. 0 when its file
// could not be written.
int EndChannel(Run& run, ChannelRun& ch, const std::string& cut) {
    Context& ctx = run.ctx;
    const int c = ch.channel;
    const ChannelSetup& setup = ctx.channels[c];
    const ExtractionSetup& es = ctx.extraction;
    ChannelOutcome& outcome = OutcomeFor(ctx, ch);
    MessageCopy copy(ctx, outcome, c);
    ChannelWriter& w = run.channelState.writers[c];
    run.channelState.outputs.current = c;
    FinishChannelEntry(run, w.headerLines, w.columnCount);
    if (const auto end = DriverFor(setup.type).endChannel) end(run, c);
    OutputFile& file = *run.channelState.outputs.files[c];
    file.Flush();
    const bool writeFailed = OutputWriteFailed(run, c);
    if (!cut.empty() || writeFailed) {
        // The read was cut short (what cut it has been reported), or this
        // file's write failed: what it holds is not the channel's whole data.
        DiscardChannelFile(run, c);
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = writeFailed ? "its file could not be written" : cut;
        return writeFailed ? 0 : 1;
    }

    outcome.rows = std::max(0LL, file.Lines() - HeaderLinesOf(w, setup.type, es.dataOutput, ch.deviceLines));
    const bool produced = outcome.rows > 0 || (setup.type == kBinary && file.Bytes() > ch.deviceBytes);
    const char* model = nullptr;
    SelectSbeChannel(run, c);
    if (ch.deviceProblem.empty() && !BlankName(setup.deviceFile) && SbeConIsForAnotherModel(ctx, setup.type)) {
        SbeRequiredCode(setup.type, &model);
        ch.deviceProblem = Format(".CON file is not selected as %s", model);
    }
    if (!ch.deviceProblem.empty() && !produced) {
        // Nothing could be decoded: an earlier run's file of this name stays.
        DiscardChannelFile(run, c);
        w.offsetTime = 0;
        w.firstTime = -1;
        w.lastTime = -1;
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = ch.deviceProblem;
    } else if (!CloseChannelFile(run, c)) {
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "its file could not be written";
        return 0;
    } else {
        outcome.status = produced ? ChannelStatus::kComplete : ChannelStatus::kEmpty;
    }
    return 1;
}

// How the one read ended. A failure of a channel's data ends the run where
// that channel stands in id order: the channels before it are written
// whole, it fails, and the channels after it are not written, as when the
// channels were read one after the other. A read fault or a file that
// cannot be written ends the read at once: no channel has its whole data.
struct ReadEnd {
    int failedChannel = kChannelCount;  // the channel that met the failure
    std::string why;                    // why that channel failed
    bool cutAll = false;                // no channel is written
};

// The one read of the archive for every configured channel: each packet's
// ports go to the channels set up for them, in port order.
ReadEnd ReadChannels(Run& run, ArchiveStream& archive, std::vector<ChannelRun>& runs, double from,
                     double to, bool showHeaders) {
    Context& ctx = run.ctx;
    const ExtractionSetup& es = ctx.extraction;
    ReadEnd result;
    // The channel of each logger's port that is set up, -1 for none.
    int routed[kChannelCount];
    std::fill(std::begin(routed), std::end(routed), -1);
    int firstOpen = kChannelCount;
    for (size_t i = 0; i < runs.size(); ++i) {
        if (!runs[i].open) continue;
        routed[runs[i].channel] = static_cast<int>(i);
        firstOpen = std::min(firstOpen, runs[i].channel);
    }

    RunProgress progress;
    progress.index = 1;
    progress.count = 1;
    progress.bytesTotal = ctx.control.archiveBytes;
    if (ctx.control.progress) ctx.control.progress(progress);
    run.currentTime = -1;
    ctx.control.passIndex = 1;

    PumpOptions options;
    options.clockSource = es.clockSource;
    options.format = es.timeStampFormat;
    options.showHeaders = showHeaders;
    options.log = ctx.log.enabled;
    PacketPump pump(run, archive, options);
    ChannelOutcome* attached = nullptr;
    unsigned n = 0;
    const PumpEnd end = pump.Run([&](const PumpedPacket& p) {
        if (ctx.control.progress && ++n % 64 == 0) {
            progress.bytesRead = archive.Position();
            ctx.control.progress(progress);
        }
        run.currentTime = p.time;
        if (p.time < from || p.time > to) return true;
        const int sender = p.packet.sender;
        int offset = 0;
        for (int port = 0; port < kPorts; ++port) {
            const int count = p.packet.counts[port];
            const int c = sender * 10 + port + 1;
            const int index = routed[c];
            if (count > 0 && index >= 0 && c < result.failedChannel) {
                ChannelRun& ch = runs[static_cast<size_t>(index)];
                ChannelOutcome& outcome = OutcomeFor(ctx, ch);
                if (attached != &outcome) {
                    ctx.tap.Attach(&outcome.messages);
                    ctx.tap.DeferTo(c);
                    attached = &outcome;
                }
                const ChannelSetup& setup = ctx.channels[c];
                if (RouteOf(setup.type) == WriterKind::kSbe) SelectSbeChannel(run, c);
                DispatchRecord(run, c, setup, es.dataOutput, es.timeStampFormat, es.timeOffsetHours,
                               p.time, count, p.packet.payload + offset,
                               run.channelState.outputs.streams[c]);
                // A full disk, or a failure a writer met, ends the run at this channel.
                if (OutputWriteFailed(run, c)) {
                    result.failedChannel = c;
                    result.why = "its file could not be written";
                    result.cutAll = true;
                    return false;
                }
                if (run.runFailed) {
                    run.runFailed = false;
                    result.failedChannel = c;
                    result.why = "the run ended on a failure of its data";
                }
            }
            offset += count;
        }
        return result.failedChannel > firstOpen;
    });
    ctx.tap.Attach(nullptr);
    ctx.tap.DeferTo(-1);
    if (ctx.control.progress && end == PumpEnd::kEnd) {
        progress.bytesRead = archive.Position();
        ctx.control.progress(progress);
    }
    if (end == PumpEnd::kFault) {
        // The reader has said why; no channel has its whole data.
        result.failedChannel = firstOpen;
        result.why = "the archive could not be read to its end";
        result.cutAll = true;
    }
    return result;
}

// The log of a run that did not reach its end takes its name all the same:
// it is what tells why.
void CompleteLog(Run& run) {
    if (!run.log.output) return;
    if (!run.log.output->Commit()) NoteFailedOutput(run, run.log.output->Path());
    run.log.output.reset();
    run.log.file = nullptr;
}

// Outputs whose names an input also has (through a link or another path):
// refused before anything is written.
bool RefuseInputsAsOutputs(Context& ctx, const ExtractRequest& request, const std::string& archivePath,
                           const RunPaths& paths, bool rawFile) {
    std::vector<std::string> inputs = {archivePath, request.isfFile, request.esfFile, request.msfFile};
    std::vector<std::string> outputs = {JoinPath(paths.outputFolder, paths.baseName + "_MRG" + paths.extension),
                                        JoinPath(paths.outputFolder, paths.baseName + "_TO" + paths.extension)};
    if (ctx.log.enabled) outputs.push_back(ctx.log.path);
    // An archive named BASE.nc would be replaced by its own NetCDF file.
    if (request.netcdf) outputs.push_back(NetcdfPathFor(paths.outputFolder, paths.baseName));
    for (int c = 11; c < kChannelCount; ++c) {
        const ChannelSetup& setup = ctx.channels[c];
        if (rawFile ? c != 11 : setup.type == 0) continue;
        outputs.push_back(JoinPath(paths.outputFolder, Format("%s_%02d_%s%s", paths.baseName.c_str(), c,
                                                              setup.keyword.c_str(), paths.extension.c_str())));
        if (!BlankName(setup.deviceFile))
            inputs.push_back(FindDeviceFile(paths.deviceFolder.substr(0, 512), setup.deviceFile.substr(0, 512)));
    }
    for (const std::string& output : outputs)
        for (const std::string& input : inputs)
            if (RefuseSameFile(ctx.reporter, input, output)) return true;
    return false;
}

// The configured channels of a run, none written yet.
void ListChannels(Context& ctx, bool rawFile) {
    RunOutcome& o = ctx.control.outcome;
    o.channels.clear();
    for (int c = 11; c < kChannelCount; ++c) {
        const ChannelSetup& setup = ctx.channels[c];
        if (rawFile ? c != 11 : setup.type == 0) continue;
        ChannelOutcome channel;
        channel.channel = c;
        channel.meter = setup.keyword;
        o.channels.push_back(channel);
    }
}

}  // namespace

int RunPercent(const RunProgress& p) {
    if (p.count <= 0 || p.index <= 0) return 0;
    double pass = p.bytesTotal > 0 ? static_cast<double>(p.bytesRead) / p.bytesTotal : 0;
    if (pass > 1) pass = 1;
    int percent = static_cast<int>(100.0 * ((p.index - 1) + pass) / p.count);
    return percent < 0 ? 0 : (percent > 100 ? 100 : percent);
}

bool StopRequested(Context& ctx) {
    if (ctx.control.stopRequested.load(std::memory_order_relaxed)) ctx.control.stopped = true;
    return ctx.control.stopped;
}

void LogLine(Run& run, const char* fmt, ...) {
    Context& ctx = run.ctx;
    if (!ctx.log.enabled) return;
    if (!run.log.file) {
        auto output = std::make_unique<OutputFile>();
        if (!output->Open(ctx.reporter, ctx.log.path, "Debug Log")) return;
        run.log.file = output->Stream();
        run.log.output = std::move(output);
    }
    va_list args;
    va_start(args, fmt);
    const std::string line = FormatV(fmt, args);
    va_end(args);
    run.channelState.text.LogLine(run.log.file, line);
}

bool LogEnd(Run& run) {
    if (!run.log.file) return true;
    run.channelState.text.LogLine(run.log.file, "End Of Archive");
    const bool ok = run.log.output->Commit();
    if (!ok) NoteFailedOutput(run, run.log.output->Path());
    run.log.output.reset();
    run.log.file = nullptr;
    return ok;
}

const char* ChannelStatusName(ChannelStatus status) {
    switch (status) {
        case ChannelStatus::kComplete: return "complete";
        case ChannelStatus::kEmpty: return "empty";
        case ChannelStatus::kFailed: return "failed";
        case ChannelStatus::kNotWritten: break;
    }
    return "not written";
}

const char* RunStatusName(RunStatus status) {
    switch (status) {
        case RunStatus::kComplete: return "complete";
        case RunStatus::kChannelsFailed: return "channels failed";
        case RunStatus::kStopped: return "stopped";
        case RunStatus::kFailed: break;
    }
    return "failed";
}

bool SplitArchiveName(const std::string& path, std::string& base, std::string& extension) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 >= name.size()) {
        base.clear();
        extension.clear();
        return false;
    }
    base = name.substr(0, dot);
    extension = name.substr(dot);
    return true;
}

void ReviseTime(Run& run, double& time, int clockSource, int format, int sender) {
    ClockState& c = run.clock;
    if (sender < 0 || sender > 4) {
        time = -1;
        return;
    }
    if (c.clockLogger == 0 && (clockSource == 0 || clockSource == sender)) c.clockLogger = sender;
    const int k = c.clockLogger;
    if (k != 0 && sender == k) {
        for (bool& pending : c.rebasePending) pending = true;
        if (c.origin < 0) c.origin = time;
        c.started = true;
        c.lastOwn[sender] = time;
    }
    if (!c.started) {
        time = -1;
        return;
    }
    if (c.rebasePending[sender]) {
        c.lastOwn[sender] = time;
        c.rebasePending[sender] = false;
        time = c.lastOwn[k];
    } else {
        double sinceOwn = time - c.lastOwn[sender];
        time = c.lastOwn[k] + static_cast<double>(static_cast<long long>(sinceOwn));
    }
    if (format == 0 || format == 2) time -= c.origin;
}

WriterKind RouteOf(int meterType) { return DriverFor(meterType).kind; }

int DispatchRecord(Run& run, int channel, const ChannelSetup& setup, int dataOutput,
                   int format, int offsetHours, double time, int count, const uint8_t* bytes,
                   std::FILE* stream) {
    if (channel <= 0 || channel >= kChannelCount) return 0;
    WriterInput in;
    in.channel = channel;
    in.meterType = setup.type;
    in.dataOutput = dataOutput;
    in.format = format;
    in.offsetHours = offsetHours;
    in.time = time;
    in.count = count;
    in.bytes = bytes;
    in.stream = stream;
    if (count <= 0 || !bytes) return 0;
    const MeterDriver& driver = DriverFor(setup.type);
    if (driver.write) return driver.write(run, in);
    run.ctx.reporter.Print(Format("\nChannel %d:  Type %d Not Valid\n", channel, setup.type));
    return 0;
}

void ResetMeterRunState(Run& run) {
    Context& ctx = run.ctx;
    run.runFailed = false;
    // The record the meters share starts every run as new, but for PRISMA's
    // "no device file" message, which shows once per program.
    const bool prismaSaid = ctx.shared.ac.prismaNoDevice;
    ctx.shared = MeterShared{};
    ctx.shared.ac.prismaNoDevice = prismaSaid;
    ResetSbeRecordState(ctx);
    ResetNx9State(run);
    ResetNxsState(run);
    SetCtdSeparator(ctx, '\t');
    SetGpsSeparator(ctx, '\t');
    ResetGpsRunState(ctx);
}

int LoadJulianDates(Run& run, int dateTimeChannel, int clockSource, int format,
                    int offsetHours, ArchiveStream& archive) {
    Context& ctx = run.ctx;
    ResetType2Reference(run.reader);
    ClearJulianTable(run.julian);
    // NetCDF's calendar time needs the days whatever the text stamps show.
    const bool forSinksOnly = format < 4;
    if (forSinksOnly && !ctx.sinks.needsCalendar) return 1;

    ctx.reporter.SetStatus("Load Julian Date/Time Data");
    ResetAllChannels(run);
    ResetSenderStatistics(run.reader);
    run.currentTime = -1;

    int sender = 0, port = 0;
    ChannelToSenderPort(dateTimeChannel, sender, port);
    PumpOptions options;
    options.clockSource = clockSource;
    options.format = format;
    PacketPump pump(run, archive, options);
    const PumpEnd end = pump.Run([&](const PumpedPacket& p) {
        if (p.packet.sender != sender) return true;
        const uint8_t* bytes = nullptr;
        const int count = PortBytes(p.packet, port, bytes);
        if (count > 0)
            AssembleLines(run, 0, format, offsetHours, p.time, kDateTimeLine, port, count, bytes, nullptr);
        return true;
    });
    if (end != PumpEnd::kEnd) return 0;
    // Without Julian stamps the channels say what is missing, as they would
    // without the pre-pass.
    if (forSinksOnly) return 1;
    if (run.clock.origin < 0) {
        ReportNoPackets(run, archive);
        ctx.reporter.ShowError(
            "Extraction Setup Error",
            "No data packets were found for the KX Logger ID selected as the Clock Source");
        return 0;
    }
    if (IsJulianFormat(format) && run.julian.setCodes.empty())
        ctx.reporter.ShowError("Julian Date Error", NoDaysMessage(run.julian, dateTimeChannel));
    return 1;
}

int RunExtraction(Run& run, ArchiveStream& archive, const RunPaths& paths, double from,
                  double to, bool showHeaders, const IntervalFields* dates) {
    Context& ctx = run.ctx;
    const ExtractionSetup& es = ctx.extraction;
    OutputRegistry& out = run.channelState.outputs;
    if (ctx.control.outcome.channels.empty()) ListChannels(ctx, false);
    if (!LoadJulianDates(run, es.dateTimeChannel, es.clockSource, es.timeStampFormat,
                         es.timeOffsetHours, archive))
        return 0;
    // Dates in the interval fields are placed once the run knows its days.
    if (dates && !PlaceIntervalDates(run, *dates, from, to)) return 0;

    ctx.reporter.SetStatus("Setup");
    ResetMeterRunState(run);
    DiscardAllOutputs(run);
    out.completed = 0;
    out.failedPath.clear();
    ResetAllChannels(run);
    ResetSenderStatistics(run.reader);
    ResetPacketCounters(run.reader);
    ResetClock(run);
    ctx.deviceFolder = paths.deviceFolder;

    // Every configured channel is set up in id order: its file and its
    // device file. A file that cannot be created ends the setup; the
    // channels set up before it are still read.
    ctx.control.passIndex = 0;
    ctx.control.passCount = 1;
    std::vector<ChannelRun> runs;
    bool ok = true;
    for (int c = 11; c < kChannelCount && ok; ++c) {
        if (ctx.channels[c].type == 0) continue;
        runs.emplace_back().channel = c;
        ok = SetUpChannel(run, runs.back(), paths) != 0;
    }

    // A CTD channel outside 11..49 names no channel: no CTD step.
    if (es.ctdChannel >= 11 && es.ctdChannel < kChannelCount) {
        ctx.reporter.SetStatus("Prep CTD");
        if (!RunCtdPrepass(run, archive, paths, from, to)) {
            for (ChannelRun& ch : runs) ctx.tap.PassOn(ch.channel);
            DiscardAllOutputs(run);
            return 0;
        }
        ctx.reporter.SetStatus("CTD Prep Complete");
    }

    // The one read, then each channel's end in id order.
    const ReadEnd read = ReadChannels(run, archive, runs, from, to, showHeaders);
    if (read.failedChannel < kChannelCount) ok = false;
    const bool noClock = run.clock.origin < 0 && read.failedChannel == kChannelCount && !ctx.control.stopped;
    bool ended = false;  // a channel's end has ended the run
    for (ChannelRun& ch : runs) {
        if (!ch.open) continue;
        if ((noClock && &ch != &runs.front()) || ended ||
            (ch.channel > read.failedChannel) || (read.cutAll && ch.channel != read.failedChannel)) {
            // Not written: no packet of the clock logger (the first channel
            // tells), the run ended at an earlier channel, or the read was
            // cut short. Earlier runs' files of these channels stay as they were.
            DiscardChannelFile(run, ch.channel);
            continue;
        }
        const std::string cut = ch.channel == read.failedChannel ? read.why : std::string();
        if (!EndChannel(run, ch, cut) || !cut.empty()) {
            ok = false;
            ended = true;
        }
    }
    for (ChannelRun& ch : runs)
        if (!noClock || &ch == &runs.front()) ctx.tap.PassOn(ch.channel);
    ctx.tap.DropQueues();
    if (noClock) {
        ReportNoPackets(run, archive);
        ctx.reporter.ShowError(
            "found Mux IDs",
            Format("0 %d 1 %d 2 %d 3 %d 4 %d", run.foundSender[0] ? 1 : 0,
                   run.foundSender[1] ? 1 : 0, run.foundSender[2] ? 1 : 0,
                   run.foundSender[3] ? 1 : 0, run.foundSender[4] ? 1 : 0));
        ctx.reporter.ShowError(
            "Extraction Setup Error",
            "No data packets were found for the KX Logger ID selected as the Clock Source");
        ok = false;
    }
    if (ctx.control.stopped) ok = false;
    ctx.control.outcome.filesCompleted = out.completed;

    // _TO and _MRG come last and list the files this run completed, however
    // it ended; a run that opened no channel file leaves the earlier ones.
    if (ok || out.merge) {
        if (!WriteTimeOffsetFile(run, paths.outputFolder, paths.baseName, paths.extension)) ok = false;
        if (!CloseAllOutputs(run)) ok = false;
    }
    DiscardAllOutputs(run);
    if (!ok && !ctx.control.stopped) return 0;
    if (ok) ctx.reporter.SetStatus("Finished");
    if (!LogEnd(run)) return 0;
    return ok ? 1 : 0;
}

std::string RequestArchive(const ExtractRequest& request) {
    if (request.runMode != 1) return request.archive;
    int year = request.todayYear, day = request.todayDay;
    if (year == 0) LocalToday(year, day);
    return DailyArchiveName(request.baseArchive, year, day);
}

namespace {

// The run's last words and its outcome, once the driver has returned.
void FinishRun(Run& run, ExtractResult& r, bool ran, bool sayFailed) {
    Context& ctx = run.ctx;
    RunOutcome& o = ctx.control.outcome;
    const OutputRegistry& out = run.channelState.outputs;
    CompleteLog(run);
    o.failedFile = out.failedPath;
    o.filesCompleted = out.completed;
    std::string failedChannels;
    for (const ChannelOutcome& c : o.channels)
        if (c.status == ChannelStatus::kFailed)
            failedChannels += Format("%s%d %s (%s)", failedChannels.empty() ? "" : "; ", c.channel,
                                     c.meter.c_str(), c.reason.c_str());
    if (!o.failedFile.empty()) {
        // No success text over an output that was lost.
        ran = false;
        o.status = RunStatus::kFailed;
        ctx.reporter.SetStatus(Format("Extraction Failed: %s could not be written; %d file%s completed",
                                      o.failedFile.c_str(), o.filesCompleted, o.filesCompleted == 1 ? "" : "s"));
    } else if (ctx.control.stopped) {
        o.status = RunStatus::kStopped;
        ctx.reporter.SetStatus("Extraction Stopped");
    } else if (!ran) {
        o.status = RunStatus::kFailed;
        if (sayFailed) ctx.reporter.SetStatus("Extraction Failed");
    } else {
        o.status = failedChannels.empty() ? RunStatus::kComplete : RunStatus::kChannelsFailed;
    }
    if (ran && !failedChannels.empty())
        ctx.reporter.ShowError("Channels Without Output",
                               Format("No file was written for channel %s", failedChannels.c_str()));
    switch (o.status) {
        case RunStatus::kComplete: o.exitCode = 0; break;
        case RunStatus::kChannelsFailed: o.exitCode = 3; break;
        case RunStatus::kStopped: o.exitCode = 130; break;
        case RunStatus::kFailed: o.exitCode = 1; break;
    }
    r.stopped = ctx.control.stopped;
    r.outcome = ran ? ExtractOutcome::kDone : ExtractOutcome::kFailed;
    r.summary = o;
}

}  // namespace

ExtractOutcome ExtractButtonClick(Context& ctx, const ExtractRequest& request,
                                  ExtractResult* result) {
    // The run's reader, day table and files live as long as this call.
    Run run(ctx);
    ExtractResult local;
    ExtractResult& r = result ? *result : local;
    r = ExtractResult();
    ctx.control.outcome = RunOutcome();
    run.channelState.outputs.completed = 0;
    run.channelState.outputs.failedPath.clear();

    std::string archivePath = RequestArchive(request);
    ctx.control.outcome.archive = archivePath;
    r.summary = ctx.control.outcome;
    if (archivePath.empty()) {
        r.archiveLabel = "No Archive File Name";
        return r.outcome;
    }
    r.archiveLabel = archivePath;
    ctx.reporter.SetStatus("Start File Extraction");

    if (!ReadEsfFile(ctx.reporter, ctx.extraction, request.esfFile)) {
        ctx.reporter.SetStatus("File Error - Can not open Extraction Setup File");
        return r.outcome;
    }
    if (!ReadIsfFile(ctx.reporter, ctx.channels, request.isfFile)) {
        ctx.reporter.SetStatus("File Error - Can not open Intrument INI File");
        return r.outcome;
    }
    const ExtractionSetup& es = ctx.extraction;
    if (request.netcdf) {
        // Asked for what this setup cannot give: nothing is written.
        const std::string problem = NetcdfRequestProblem(es);
        if (!problem.empty()) {
            ctx.reporter.ShowError("NetCDF Output", problem);
            ctx.reporter.SetStatus("Extraction Failed");
            r.usageError = true;
            r.summary.exitCode = 2;
            return r.outcome;
        }
    }
    std::error_code ec;
    if (es.outputFiles == 1 && !std::filesystem::exists(request.msfFile, ec)) {
        ctx.reporter.SetStatus("File Error - Can not Find Merge Setup File");
        return r.outcome;
    }

    ArchiveStream archive;
    ctx.control.stopped = false;
    ctx.control.archiveBytes = 0;
    if (!archive.Open(archivePath)) {
        ctx.reporter.ShowError("File Error - Can not open Archive file",
                               OpenFaultText(archive, archivePath));
        r.restartTimer = true;
        return r.outcome;
    }
    if (!FolderExists(request.outputFolder)) {
        ctx.reporter.SetStatus("File Error - Directory/Folder does NOT Exist ");
        ctx.reporter.ShowError("Please Select a Valid Output Directory",
                               Format("Directory/Folder '%s' Does NOT Exist",
                                      request.outputFolder.c_str()));
        return r.outcome;
    }

    RunPaths paths;
    paths.outputFolder = request.outputFolder;
    paths.deviceFolder = request.deviceFolder;
    if (!SplitArchiveName(archivePath, paths.baseName, paths.extension)) {
        ctx.reporter.ShowError("File Name Error", "Can not Parse Archive File Name");
        return r.outcome;
    }
    if (es.dataOutput == 0) paths.baseName = "raw_" + paths.baseName;

    if (es.outputFiles == 2) {
        ctx.reporter.ShowError("Programming Error", "Unable to Create Time Series File");
        return r.outcome;
    }

    // One run at a time writes a base's files in a folder.
    const bool rawFile = es.inputFormat == 4;
    RunLock lock;
    const std::string mergeName = paths.baseName + "_MRG" + paths.extension;
    if (!lock.Acquire(JoinPath(paths.outputFolder, mergeName) + ".lock") && errno == EWOULDBLOCK) {
        ctx.reporter.ShowError("Output Files in Use",
                               Format("Another run is writing the files of %s%s in %s", paths.baseName.c_str(),
                                      paths.extension.c_str(), paths.outputFolder.c_str()));
        ctx.reporter.SetStatus("Extraction Failed");
        r.restartTimer = true;
        return r.outcome;
    }
    if (RefuseInputsAsOutputs(ctx, request, archivePath, paths, rawFile)) {
        ctx.reporter.SetStatus("Extraction Failed");
        r.restartTimer = true;
        return r.outcome;
    }
    ListChannels(ctx, rawFile);

    run.foundSender.fill(false);
    {
        std::error_code sizeError;
        auto size = std::filesystem::file_size(archivePath, sizeError);
        if (!sizeError) ctx.control.archiveBytes = static_cast<long>(size);
    }
    if (rawFile) {
        int ok = ProcessRawFile(run, archive, paths);
        if (ok) ctx.reporter.SetStatus("Done with Raw File");
        else if (run.channelState.outputs.failedPath.empty()) ctx.reporter.SetStatus("Raw File Processing Failed");
        r.restartTimer = true;
        FinishRun(run, r, ok != 0, false);
        return r.outcome;
    }

    double from = 0, to = kDefaultTo;
    IntervalFields dates;
    if (!ReadIntervalFields(ctx.reporter, request.fromText, request.toText, es.timeStampFormat,
                            from, to, dates)) {
        ctx.reporter.SetStatus("Extraction Failed");
        r.restartTimer = true;
        archive.Close();
        return r.outcome;
    }
    NetcdfRun netcdf;
    if (request.netcdf) netcdf.Start(run, request, archivePath, paths);
    const int extracted = RunExtraction(run, archive, paths, from, to, request.showHeaders, &dates);
    // BASE.nc takes its name only when the run completed.
    netcdf.End(run, extracted != 0 && !ctx.control.stopped);
    int ok = extracted;
    if (ok) {
        // The merge works on the working file this run just wrote; a failed
        // merge leaves its own status ("Merge Ended by an Error").
        if (es.outputFiles == 1 && !MergeFiles(ctx, request.msfFile, run.channelState.outputs.mergePath,
                                               request.deviceFolder, request.outputFolder)) {
            ok = 0;
        } else {
            if (es.outputFiles == 1 && request.netcdf) {
                const bool dayStamps = es.timeStampFormat == 4;  // day of the year, its year not written
                const int year = !dayStamps || run.julian.setCodes.empty()
                                     ? 0
                                     : 2000 + run.julian.setCodes.front() / 1000;
                if (!WriteMergedNetcdf(ctx, request.outputFolder, netcdf.Info(), year))
                    NoteFailedOutput(run, MergedNetcdfPath(ctx, request.outputFolder));
            }
            ctx.reporter.SetStatus("Done with Extraction");
        }
    }
    archive.Close();
    r.restartTimer = true;
    // A failed merge has said so in its own status.
    FinishRun(run, r, ok != 0, extracted == 0);
    return r.outcome;
}

}  // namespace rix
