// Port bytes straight into the BINARY and Hex_Output writer.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {
        {rix::kBinary, 19, ""},
        {rix::kHexOutput, 32, ""},
    };
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
