#include "utilities/Builders.h"
#include "Context.h"
namespace rix {
// stub: to be written
int BuildFromIop(Context&, const std::string&, const std::string&) { return 0; }
int BuildFromGomoos(Context&, const std::string&, const std::string&) { return 0; }
}  // namespace rix
