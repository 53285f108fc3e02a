// Oxygen device files of the SBE23 and SBE43 sensors, and values through them.

#include "Context.h"
#include "FuzzSupport.h"
#include "merge/Corrections.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = rixfuzz::WriteScratch("ox.dev", data, size);
    for (int sensor : {23, 43}) {
        rixfuzz::ContextScope scope;
        rix::Context& ctx = scope.context;
        rix::ReadOxygenDeviceFile(ctx, sensor, path);
        rix::Sbe43Oxygen(ctx, 2.5, 100, 10, 35);
        for (double t : {0.0, 1000.0, 2000.0}) rix::Sbe23Oxygen(ctx, t, 10, 1.5, 100, 10, 35);
    }
    return 0;
}
