// Archive packets: the packet reader over the whole file, then every
// channel's records.
#include <memory>
#include <vector>

#include "Context.h"
#include "FuzzSupport.h"
#include "archive/Archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::NullReporter reporter;
    auto ctx = std::make_unique<rix::Context>(reporter);
    const std::string path = rixfuzz::WriteScratch("archive.000", data, size);
    rix::ArchiveStream stream;
    if (!stream.Open(path)) return 0;
    double time = 0;
    auto packet = std::make_unique<rix::ArchivePacket>();
    while (rix::ReadPacket(*ctx, time, *packet, stream, true) > 0) {
    }
    std::vector<uint8_t> record(rix::kMaxPayload);
    for (int channel : {11, 19, 21, 35, 49}) {
        stream.Rewind();
        rix::ResetPacketCounters(ctx->reader);
        int length = 0;
        while (rix::FindChannelRecord(*ctx, channel, time, record.data(), length, stream) == 1) {
        }
    }
    return 0;
}
