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

int ProcessRawFile(Context& ctx, ArchiveStream& input, const RunPaths& paths) {
    constexpr int kRawChannel = 11;
    const ExtractionSetup& es = ctx.extraction;

    ResetMeterRunState(ctx);
    DiscardAllOutputs(ctx);
    ctx.channelState.outputs.completed = 0;
    ctx.channelState.outputs.failedPath.clear();
    ResetAllChannels(ctx);
    ResetSenderStatistics(ctx.reader);
    ResetPacketCounters(ctx.reader);
    ctx.clock = ClockState();
    ctx.deviceFolder = paths.deviceFolder;

    const ChannelSetup& setup = ctx.channels[kRawChannel];
    ChannelOutcome unlisted;
    ChannelOutcome* listed = nullptr;
    for (ChannelOutcome& o : ctx.run.outcome.channels)
        if (o.channel == kRawChannel) listed = &o;
    ChannelOutcome& outcome = listed ? *listed : unlisted;
    ctx.tap.Attach(&outcome.messages);
    struct Detach {
        Context& ctx;
        ~Detach() { ctx.tap.Attach(nullptr); }
    } detach{ctx};
    if (!OpenChannelFile(ctx, kRawChannel, setup.keyword, paths.outputFolder, paths.baseName,
                         paths.extension)) {
        ctx.reporter.SetStatus("Out File Error");
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "its file could not be created";
        return 0;
    }
    outcome.file = ctx.channelState.writers[kRawChannel].outputPath;

    double time = 0;
    ctx.reporter.SetStatus(Format("Channel %d", kRawChannel));
    std::FILE* out = ctx.channelState.outputs.streams[kRawChannel];
    // Raw files are always converted to engineering units.
    ResetAnalogSlot(ctx, kRawChannel);
    ReadChannelDeviceFile(ctx, 1, kRawChannel, paths.deviceFolder, setup, out);
    ctx.channelState.outputs.files[kRawChannel]->Flush();
    const long long deviceLines = ctx.channelState.outputs.files[kRawChannel]->Lines();
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
            writeFailed = OutputWriteFailed(ctx, kRawChannel);
            for (size_t i = 0; i < n && !writeFailed; ++i) {
                int accepted = DispatchRecord(ctx, kRawChannel, setup, 1, es.timeStampFormat, 0,
                                              time, 1, &block[i], out);
                if (accepted) time += es.timeIncrementMs;
            }
        }
    }
    // A read fault is not the end of the capture: the run fails.
    const bool readFault = ReportStreamFault(ctx, input);

    const ChannelWriter& w = ctx.channelState.writers[kRawChannel];
    FinishChannelEntry(ctx, w.headerLines, w.columnCount);
    if (setup.type == kSatlantic) EndSatlanticExtraction(ctx, kRawChannel);
    input.Close();
    if (readFault) {
        // What came before the fault is not the whole capture: nothing is kept.
        DiscardAllOutputs(ctx);
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "the raw file could not be read to its end";
        return 0;
    }
    OutputFile& file = *ctx.channelState.outputs.files[kRawChannel];
    if (writeFailed || OutputWriteFailed(ctx, kRawChannel) || !file.Flush()) {
        file.ReportFailure();
        NoteFailedOutput(ctx, file.Path());
        DiscardAllOutputs(ctx);
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "its file could not be written";
        return 0;
    }
    const long long lines = file.Lines() - deviceLines - (w.headerPending == 0 ? 1 : 0);
    outcome.rows = lines > 0 ? lines : 0;
    if (!CloseChannelFile(ctx, kRawChannel)) {
        DiscardAllOutputs(ctx);
        outcome.status = ChannelStatus::kFailed;
        outcome.reason = "its file could not be written";
        return 0;
    }
    outcome.status = outcome.rows > 0 ? ChannelStatus::kComplete : ChannelStatus::kEmpty;
    if (!CloseAllOutputs(ctx)) return 0;
    ctx.reporter.SetStatus("Finished Raw File");
    return 1;
}

}  // namespace rix
