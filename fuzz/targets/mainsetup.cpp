// Main setup files, read and saved again.
#include "FuzzSupport.h"
#include "setup/Mainsetup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::NullReporter reporter;
    rix::MainSetup setup;
    rix::LoadMainSetup(setup, rixfuzz::WriteScratch("main.rix", data, size));
    rix::SaveMainSetup(reporter, setup, rixfuzz::ScratchPath("saved.rix"));
    return 0;
}
