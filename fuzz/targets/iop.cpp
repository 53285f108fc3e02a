// IOP files turned into an archive.

#include "Context.h"
#include "FuzzSupport.h"
#include "utilities/Builders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::ContextScope scope;
    rix::Context& ctx = scope.context;
    rix::BuildFromIop(ctx, rixfuzz::WriteScratch("in.iop", data, size), rixfuzz::ScratchPath("out.000"));
    return 0;
}
