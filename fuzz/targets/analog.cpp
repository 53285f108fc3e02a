// Analog meter device files of the merge, and a conversion through them.

#include "Context.h"
#include "FuzzSupport.h"
#include "meters/Analog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::ContextScope scope;
    rix::Context& ctx = scope.context;
    if (rix::ReadAnalogDeviceFile(ctx, 0, rixfuzz::WriteScratch("analog.dev", data, size))) {
        for (double v : {-1.0, 0.0, 0.05, 2.5, 5.0}) rix::ConvertAnalog(ctx, 0, v);
        rix::AnalogUnits(ctx, 0);
    }
    return 0;
}
