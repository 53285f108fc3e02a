// Sea-Bird .CON calibration files (SBE16 to SBE25M).
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::FuzzDeviceFile(rix::kSbe19, data, size);
    return 0;
}
