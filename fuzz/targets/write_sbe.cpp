// Sea-Bird CTD records straight into the Sea-Bird writer, each with its configuration file.
#include "FuzzSupport.h"
#include "setup/MeterType.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const rixfuzz::WriterMeter meters[] = {
        {rix::kSbe16, 38, "SBE.CON"},
        {rix::kSbe19, 39, "SBE.CON"},
        {rix::kSbe19PlusRaw, 41, "PLUS.CON"},
        {rix::kSbe21, 42, "SBE.CON"},
        {rix::kSbe25Ctd, 43, "SBE.CON"},
        {rix::kSbe25M, 44, "SBE.CON"},
        {rix::kSbe25Ctd, 15, "SBE25.CON"},
    };
    rixfuzz::FuzzWriter(meters, data, size);
    return 0;
}
