// The JSON forms of `rix info` and `rix check`, built from the core's structs.
#pragma once
#include <nlohmann/json.hpp>

#include "extract/Rix.h"
#include "inspect/Check.h"
#include "inspect/Inventory.h"

namespace rixcli {

nlohmann::ordered_json InventoryJson(const rix::ArchiveInventory& inventory);
nlohmann::ordered_json CheckJson(const rix::CheckReport& report);
// The summary of `rix extract --json`.
nlohmann::ordered_json RunJson(const rix::RunOutcome& outcome);
// Pretty-printed, invalid UTF-8 in file names or messages replaced.
std::string JsonText(const nlohmann::ordered_json& document);

}  // namespace rixcli
