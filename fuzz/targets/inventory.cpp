// The archive inventory of `rix info`: one read of the whole archive, then
// its text.
#include <string>

#include "FuzzSupport.h"
#include "inspect/Inventory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = rixfuzz::WriteScratch("inventory.000", data, size);
    rix::ArchiveInventory inventory;
    if (rix::TakeInventory(path, inventory)) (void)rix::InventoryText(inventory);
    return 0;
}
