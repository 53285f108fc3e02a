#include "archive/Archive.h"
#include "Context.h"
namespace rix {
// stub: to be written
size_t PacketImage(const ArchivePacket&, uint8_t*) { return 0; }
ArchiveStream::~ArchiveStream() { Close(); }
bool ArchiveStream::Open(const std::string&) { return false; }
void ArchiveStream::Close() {}
size_t ArchiveStream::Read(void*, size_t) { return 0; }
bool ArchiveStream::AtEnd() { return true; }
void ArchiveStream::Rewind() {}
bool ArchiveStream::Refill() { return false; }
void ResetPacketCounters(ReaderState&) {}
void ResetSenderStatistics(ReaderState&) {}
int ReadPacket(Context&, double&, ArchivePacket&, ArchiveStream&, bool) { return 0; }
int FindChannelRecord(Context&, int, double&, uint8_t*, int& l, ArchiveStream&) { l = 0; return 0; }
void ChannelToSenderPort(int, int& s, int& p) { s = 0; p = 0; }
void AppendPacket(std::vector<uint8_t>&, const PacketSpec&, const uint8_t*) {}
}  // namespace rix
