#include "setup/Esf.h"
namespace rix {
// stub: to be written
void ResetExtractionSetup(ExtractionSetup& s) { s = ExtractionSetup(); }
int ReadEsfFile(Reporter&, ExtractionSetup&, const std::string&) { return 0; }
void WriteEsfFile(const ExtractionSetup&, std::FILE*) {}
std::string EsfText(const ExtractionSetup&) { return {}; }
}  // namespace rix
