// HOBI Labs device files.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::FuzzDeviceFile(rix::kHydroscat6, data, size);
    return 0;
}
