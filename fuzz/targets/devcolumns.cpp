// Column device files (ANALOG, CTD-ENGR, ORB, code 27 meters).
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::FuzzDeviceFile(rix::kOrb, data, size);
    return 0;
}
