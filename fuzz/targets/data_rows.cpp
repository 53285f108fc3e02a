// Data rows and header rows of the merge's input files.
#include <memory>

#include "Context.h"
#include "FuzzSupport.h"
#include "merge/Files.h"
#include "merge/TextReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::ContextScope scope;
    rix::Context& ctx = scope.context;
    rix::TextReader reader;
    if (!reader.Open(rixfuzz::WriteScratch("rows.txt", data, size))) return 0;
    // Header names for each side and meter type, with few and many header rows.
    for (int side = 0; side < 2; ++side)
        for (int type = 0; type < 3; ++type)
            for (int rows : {0, 1, 3, 40}) rix::ReadHeaderNames(ctx, side, type, rows, rows & 1, reader);
    reader.Rewind();
    auto row = std::make_unique<rix::MergeRow>();
    int key = 0;
    while (rix::ReadDataRow(reader, *row, key, 0.001, 2.5)) key = (key + 1) % 7;
    return 0;
}
