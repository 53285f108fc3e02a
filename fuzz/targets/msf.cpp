// Merge setup files, read, written back and their display orders built.
#include <cstdio>

#include "Context.h"
#include "FuzzSupport.h"
#include "merge/Files.h"
#include "setup/Msf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::ContextScope scope;
    rix::Context& ctx = scope.context;
    std::FILE* f = rixfuzz::OpenScratch("setup.msf", data, size);
    rix::ReadMsfFile(ctx.reporter, ctx.merge.setup, f);
    std::fclose(f);
    rix::MsfText(ctx.merge.setup);
    const std::string folder = rixfuzz::FreshFolder("msfdev");
    for (rix::MergePair& pair : ctx.merge.setup.pairs) rix::BuildDisplayColumns(ctx, pair, folder);
    return 0;
}
