// Instrument setup files, read and written back.
#include "FuzzSupport.h"
#include "setup/Isf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rixfuzz::NullReporter reporter;
    rix::ChannelTable table;
    rix::ReadIsfFile(reporter, table, rixfuzz::WriteScratch("setup.isf", data, size));
    rix::IsfText(table);
    return 0;
}
