// Archive packets: the packet reader over the whole file, then the records
// of one channel: the first port with bytes of the last packet that had any,
// so that the second pass follows a channel with data.
#include <memory>
#include <vector>

#include "Context.h"
#include "FuzzSupport.h"
#include "archive/Archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::ContextScope scope;
    rix::Run& run = scope.run;
    // Read in place: the reader meets the input as it would meet the file.
    static rix::ArchiveStream stream;  // keeps its 1 MB buffer from one input to the next
    stream.OpenMemory(data, size, "archive.000");
    double time = 0;
    // A packet of its own on the heap, so that a write past its end is caught.
    auto packet = std::make_unique<rix::ArchivePacket>();
    int channel = 11;
    while (rix::ReadPacket(run, time, *packet, stream, true) > 0) {
        for (int port = 0; port < rix::kPorts; ++port) {
            if (packet->counts[port] > 0) {
                channel = packet->sender * 10 + port + 1;
                break;
            }
        }
    }
    std::vector<uint8_t> record(rix::kMaxPayload);
    stream.Rewind();
    rix::ResetPacketCounters(run.reader);
    int length = 0;
    while (rix::FindChannelRecord(run, channel, time, record.data(), length, stream) == 1) {
    }
    stream.Close();  // within the input, as libFuzzer balances its allocations
    return 0;
}
