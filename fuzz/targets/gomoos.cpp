// GOMOOS files turned into an archive.

#include "Context.h"
#include "FuzzSupport.h"
#include "utilities/Builders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rix::Context& ctx = rixfuzz::FreshContext();
    rix::BuildFromGomoos(ctx, rixfuzz::WriteScratch("in.gom", data, size), rixfuzz::ScratchPath("out.000"));
    return 0;
}
