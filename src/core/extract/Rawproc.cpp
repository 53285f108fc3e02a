#include "extract/Rawproc.h"

#include <vector>

#include "Context.h"
#include "archive/Archive.h"
#include "extract/Rix.h"
#include "meters/Analog.h"
#include "meters/Devfile.h"
#include "meters/Satlantic.h"
#include "setup/MeterType.h"

namespace rix {

int ProcessRawFile(Run& run, ArchiveStream& input, const RunPaths& paths) {
    Context& ctx = run.ctx;
    constexpr int kRawChannel = 11;
    const ExtractionSetup& es = ctx.extraction;

    ResetMeterRunState(run);
    DiscardAllOutputs(run);
    run.channelState.outputs.completed = 0;
    run.channelState.outputs.failedPath.clear();
    ResetAllChannels(run);
    ResetSenderStatistics(run.reader);
    ResetPacketCounters(run.reader);
    run.clock = ClockState();
    ctx.deviceFolder = paths.deviceFolder;

    const ChannelSetup& setup = ctx.channels[kRawChannel];
    ChannelOutcome unlisted;
    ChannelOutcome* listed = nullptr;
    for (ChannelOutcome& o : ctx.control.outcome.channels)
        if (o.channel == kRawChannel) listed = &o;
    ChannelOutcome& outcome = listed ? *listed : unlisted;
    ctx.tap.Attach(&outcome.messages);
    struct Detach {
        Context& ctx;
        ~Detach() { ctx.tap.Attach(nullptr); }
    } detach{ctx};
    if (!OpenChannelFile(run, kRawChannel, setup.keyword, paths.outputFolder, paths.baseName,
                         paths.extension)) {
        ctx.reporter.SetStatus("Out File Error");
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "its file could not be created";
        return 0;
    }
    outcome.file = run.channelState.writers[kRawChannel].outputPath;

    double time = 0;
    ctx.reporter.SetStatus(Format("Channel %d", kRawChannel));
    std::FILE* out = run.channelState.outputs.streams[kRawChannel];
    // Raw files are always converted to engineering units.
    ResetAnalogSlot(ctx, kRawChannel);
    ReadChannelDeviceFile(run, 1, kRawChannel, paths.deviceFolder, setup, out);
    run.channelState.outputs.files[kRawChannel]->Flush();
    const long long deviceLines = run.channelState.outputs.files[kRawChannel]->Lines();
    bool writeFailed = false;

    if (RouteOf(setup.type) == WriterKind::kNone) {
        // No writer for this channel: say so once instead of once per byte.
        ctx.reporter.Print(Format("\nChannel %d:  Type %d Not Valid\n", kRawChannel, setup.type));
    } else {
        // The whole input is processed, however large the output grows.
        input.Rewind();
        std::vector<uint8_t> block(1 << 16);
        size_t n;
        while (!writeFailed && (n = input.Read(block.data(), block.size())) > 0) {
            writeFailed = OutputWriteFailed(run, kRawChannel);
            for (size_t i = 0; i < n && !writeFailed; ++i) {
                int accepted = DispatchRecord(run, kRawChannel, setup, 1, es.timeStampFormat, 0,
                                              time, 1, &block[i], out);
                if (accepted) time += es.timeIncrementMs;
            }
        }
    }
    // A read fault is not the end of the capture: the run fails.
    const bool readFault = ReportStreamFault(ctx, input);

    const ChannelWriter& w = run.channelState.writers[kRawChannel];
    FinishChannelEntry(run, w.headerLines, w.columnCount);
    if (setup.type == kSatlantic) EndSatlanticExtraction(run, kRawChannel);
    input.Close();
    if (readFault) {
        // What came before the fault is not the whole capture: nothing is kept.
        DiscardAllOutputs(run);
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "the raw file could not be read to its end";
        return 0;
    }
    OutputFile& file = *run.channelState.outputs.files[kRawChannel];
    if (writeFailed || OutputWriteFailed(run, kRawChannel) || !file.Flush()) {
        file.ReportFailure();
        NoteFailedOutput(run, file.Path());
        DiscardAllOutputs(run);
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "its file could not be written";
        return 0;
    }
    const long long lines = file.Lines() - deviceLines - (w.headerPending == 0 ? 1 : 0);
    outcome.rows = lines > 0 ? lines : 0;
    if (!CloseChannelFile(run, kRawChannel)) {
        DiscardAllOutputs(run);
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "its file could not be written";
        return 0;
    }
    outcome.status = outcome.rows > 0 ? ChannelStatus::kComplete : ChannelStatus::kEmpty;
    if (!CloseAllOutputs(run)) return 0;
    ctx.reporter.SetStatus("Finished Raw File");
    return 1;
}

}  // namespace rix
