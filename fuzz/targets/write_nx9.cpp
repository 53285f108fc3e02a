// NX9 and NX9WREF frames straight into the NX9 writer, each with an NX9 device file.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {
        {rix::kNx9, 12, "NX9.DEV"},
        {rix::kNx9WRef, 13, "NX9.DEV"},
        {rix::kNx9, 23, "NX9EX.DEV"},
    };
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
