// SBE32, thermometer bath and XMF lines straight into their writers.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {
        {rix::kSbe32, 45, ""},
        {rix::kThermoBath, 46, ""},
        {rix::kXmf, 49, ""},
    };
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
