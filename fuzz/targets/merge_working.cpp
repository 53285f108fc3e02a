// The merge working file (_MRG).
#include <cstdio>

#include "Context.h"
#include "FuzzSupport.h"
#include "merge/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::ContextScope scope;
    rix::Context& ctx = scope.context;
    std::FILE* f = rixfuzz::OpenScratch("cast_MRG.007", data, size);
    rix::ReadMergeWorkingFile(ctx, f);
    std::fclose(f);
    return 0;
}
