// The merge working file (_MRG).
#include <cstdio>
#include <memory>

#include "Context.h"
#include "FuzzSupport.h"
#include "merge/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::NullReporter reporter;
    auto ctx = std::make_unique<rix::Context>(reporter);
    std::FILE* f = rixfuzz::OpenScratch("cast_MRG.007", data, size);
    rix::ReadMergeWorkingFile(*ctx, f);
    std::fclose(f);
    return 0;
}
