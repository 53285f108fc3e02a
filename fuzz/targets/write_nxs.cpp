// NXS frames straight into the NXS writer, with its device file.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {{rix::kNxs, 14, "NXS.DEV"}};
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
