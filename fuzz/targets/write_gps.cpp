// GPS sentences straight into the line assembler and the GPS decoders.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {
        {rix::kGps, 26, ""},
        {rix::kGpsGga, 27, ""},
        {rix::kGpsGll, 28, ""},
        {rix::kGpsRmc, 29, ""},
        {rix::kGpsRmcAo, 36, ""},
    };
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
