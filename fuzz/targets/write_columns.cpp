// Lines of the column meters (ANALOG, CTD-ENGR, ORB, code 27) straight into the column
// decoder, each with its device file.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {
        {rix::kAnalog, 15, "ORB.DEV"},
        {rix::kCtdEngr, 22, "CTD.DEV"},
        {rix::kOrb, 24, "ORB.DEV"},
        {rix::kMiscAscii, 25, "CTD.DEV"},
    };
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
