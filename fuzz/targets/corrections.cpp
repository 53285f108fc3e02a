// Correction files of the merge: clean water, salinity and temperature
// tables, then lookups in them.

#include "Context.h"
#include "FuzzSupport.h"
#include "merge/Corrections.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::ContextScope scope;
    rix::Context& ctx = scope.context;
    const std::string path = rixfuzz::WriteScratch("table.cor", data, size);
    rix::ReadCleanWaterFile(ctx, path);
    rix::ReadSalinityCorrectionFile(ctx, path);
    rix::ReadTemperatureCorrectionFile(ctx, path);
    for (int table = 0; table < 3; ++table)
        for (double w : {-1.0, 0.0, 412.0, 715.0, 1e9}) rix::NearestCorrectionRow(ctx, table, w);
    rix::ClearCorrectionTables(ctx);
    return 0;
}
