// DMM22812 frames straight into the multimeter writer.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {{rix::kDmm22812, 23, ""}};
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
