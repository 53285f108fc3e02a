// Extraction setup files, read and written back.
#include "FuzzSupport.h"
#include "setup/Esf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::NullReporter reporter;
    rix::ExtractionSetup setup;
    rix::ReadEsfFile(reporter, setup, rixfuzz::WriteScratch("setup.esf", data, size));
    rix::EsfText(setup);
    return 0;
}
