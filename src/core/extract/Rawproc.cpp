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
    CloseAllOutputs(ctx);
    ResetAllChannels(ctx);
    ResetSenderStatistics(ctx.reader);
    ResetPacketCounters(ctx.reader);
    ctx.clock = ClockState();
    ctx.deviceFolder = paths.deviceFolder;

    const ChannelSetup& setup = ctx.channels[kRawChannel];
    if (!OpenChannelFile(ctx, kRawChannel, setup.keyword, paths.outputFolder, paths.baseName,
                         paths.extension)) {
        ctx.reporter.SetStatus("Out File Error");
        return 0;
    }

    double time = 0;
    ctx.reporter.SetStatus(Format("Channel %d", kRawChannel));
    std::FILE* out = ctx.channelState.outputs.streams[kRawChannel];
    // Raw files are always converted to engineering units.
    ResetAnalogSlot(ctx, kRawChannel);
    ReadChannelDeviceFile(ctx, 1, kRawChannel, paths.deviceFolder, setup, out);

    if (RouteOf(setup.type) == WriterKind::kNone) {
        // No writer for this channel: say so once instead of once per byte.
        ctx.reporter.Print(Format("\nChannel %d:  Type %d Not Valid\n", kRawChannel, setup.type));
    } else {
        // The whole input is processed, however large the output grows.
        input.Rewind();
        std::vector<uint8_t> block(1 << 16);
        size_t n;
        while ((n = input.Read(block.data(), block.size())) > 0) {
            for (size_t i = 0; i < n; ++i) {
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
    CloseChannelFile(ctx, kRawChannel);
    if (setup.type == kSatlantic) EndSatlanticExtraction(ctx, kRawChannel);
    input.Close();
    CloseAllOutputs(ctx);
    if (readFault) return 0;
    ctx.reporter.SetStatus("Finished Raw File");
    return 1;
}

}  // namespace rix
