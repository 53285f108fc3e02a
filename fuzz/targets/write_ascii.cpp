// Text lines of the ASCII meters straight into the line assembler and the row writer.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {
        {rix::kAscii, 16, ""},
        {rix::kTAscii, 31, ""},
        {rix::kAsciiT, 17, ""},
        {rix::kXAscii, 48, ""},
    };
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
