// Satlantic frames straight into the Satlantic writer, with a calibration file.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {
        {rix::kSatlantic, 37, "SAT.CAL"},
        {rix::kSatlantic, 24, "SATEXR.CAL"},
    };
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
