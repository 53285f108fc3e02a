#include "utilities/Fileutils.h"
#include "Context.h"
namespace rix {
// stub: to be written
void SplitByLoggerId(Context&, const std::string&) {}
std::string SplitPartName(const std::string& p, int) { return p; }
int ConvertToType2(Context&, int, int, const std::string&, const std::string&) { return 0; }
}  // namespace rix
