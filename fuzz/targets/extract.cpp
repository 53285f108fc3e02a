// A whole extraction of the input as an archive, against a fixed setup with
// every meter type on a channel of its own, each with its device file.
#include <memory>
#include <string>

#include "Context.h"
#include "FuzzSupport.h"
#include "extract/Rix.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string setup = RIX_FUZZ_SETUP_DIR;
    rixfuzz::NullReporter reporter;
    auto ctx = std::make_unique<rix::Context>(reporter);
    rix::ExtractRequest request;
    request.archive = rixfuzz::WriteScratch("fz.000", data, size);
    request.isfFile = setup + "/extract.isf";
    request.esfFile = setup + "/extract.esf";
    request.deviceFolder = setup;
    request.outputFolder = rixfuzz::FreshFolder("extract");
    rix::ExtractButtonClick(*ctx, request);
    return 0;
}
