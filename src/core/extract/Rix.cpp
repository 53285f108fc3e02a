#include "extract/Rix.h"
#include "Context.h"
namespace rix {
// stub: to be written
void LogLine(Context&, const char*, ...) {}
void LogEnd(Context&) {}
ExtractOutcome ExtractButtonClick(Context&, const ExtractRequest&, bool*) { return ExtractOutcome::kFailed; }
int RunExtraction(Context&, ArchiveStream&, const RunPaths&, double, double, bool) { return 0; }
int LoadJulianDates(Context&, int, int, int, int, ArchiveStream&) { return 0; }
void ReviseTime(Context&, double&, int, int, int) {}
int DispatchRecord(Context&, int, const ChannelSetup&, int, int, int, double, int, const uint8_t*, std::FILE*) { return 0; }
bool SplitArchiveName(const std::string&, std::string&, std::string&) { return false; }
}  // namespace rix
