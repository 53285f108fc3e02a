#include "extract/Channel.h"
#include "Context.h"
namespace rix {
// stub: to be written
void RowValues::Reset() { count = 0; }
void RowValues::Set(int, double, const char*, int) {}
void ResetChannel(Context&, int) {}
void ResetAllChannels(Context&) {}
std::FILE* OpenFile(Context&, const std::string&, const char*, const std::string&) { return nullptr; }
int OpenChannelFile(Context&, int, const std::string&, const std::string&, const std::string&, const std::string&) { return 0; }
void CloseChannelFile(Context&, int) {}
void CloseAllOutputs(Context&) {}
void FinishChannelEntry(Context&, int, int) {}
int WriteTimeOffsetFile(Context&, const std::string&, const std::string&, const std::string&) { return 0; }
int AssembleLines(Context&, int, int, int, double, int, int, int, const uint8_t*, std::FILE*) { return 0; }
int WriteLineRow(Context&, int, int, int, int, int, std::FILE*) { return 0; }
int WriteBinaryHex(Context&, long, int, int, int, const uint8_t*, std::FILE*) { return 0; }
void WritePrecisionValue(std::FILE*, double, int) {}
}  // namespace rix
