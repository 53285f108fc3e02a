// The pre-flight check of `rix check`: a fuzzed instrument setup and a fuzzed
// archive ("\n@@\n" between them) against the fixed extraction setup and the
// device files of every meter family.
#include <string>

#include "FuzzSupport.h"
#include "inspect/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string setup = RIX_FUZZ_SETUP_DIR;
    const auto parts = rixfuzz::SplitInput(data, size, 2);
    rix::ExtractRequest request;
    request.isfFile = rixfuzz::WriteScratch("check.isf", parts[0]);
    request.archive = rixfuzz::WriteScratch("check.000", parts[1]);
    request.esfFile = setup + "/extract.esf";
    request.deviceFolder = setup;
    request.outputFolder = rixfuzz::FreshFolder("check");
    (void)rix::CheckSetup(request);
    return 0;
}
