// The pre-flight of an extraction: will these setups, device files and
// folders work on this archive? Reads everything the run would read, with
// the product's own readers, and writes nothing into the output folder.
#pragma once
#include <string>
#include <vector>

#include "extract/Rix.h"
#include "inspect/Inventory.h"
#include "setup/Esf.h"

namespace rix {

enum class Severity { kProblem, kWarning };

// One finding: a problem stops the run or spoils its output; a warning is
// worth knowing before the run.
struct Finding {
    Severity severity = Severity::kProblem;
    std::string file;  // empty when no file is concerned
    int line = 0;      // 0 when no line is known
    std::string text;
};

struct ChannelCheck {
    int id = 0;
    int meterType = 0;
    std::string keyword;
    std::string deviceFile;    // as the instrument setup names it; empty for none
    std::string devicePath;    // where it was found (or looked for)
    bool deviceFound = false;
    bool caseInsensitive = false;  // found only by a case-insensitive match
    bool deviceRead = false;       // read by its meter's reader without a message
    long archiveBytes = -1;        // -1: no archive read
};

struct CheckReport {
    std::string archive;  // as the run would open it (daily name built)
    std::string isfFile, esfFile, msfFile, deviceFolder, outputFolder;
    bool archiveRead = false;      // read as a logger archive
    ArchiveInventory inventory;
    bool esfRead = false;
    ExtractionSetup extraction;
    std::vector<ChannelCheck> channels;  // configured channels, ascending
    std::vector<int> unconfiguredPorts;  // channels with data that no setup line names
    int dateLines = -1;                  // accepted date/time lines; -1 when not looked for
    std::vector<Finding> findings;
    std::string text;  // the readable report: summary, channel table, findings

    int Problems() const;
    int Warnings() const;
    bool Clean() const { return Problems() == 0; }
};

// Checks what ExtractButtonClick would run for this request.
CheckReport CheckSetup(const ExtractRequest& request);

// "problem: FILE:LINE: text", "warning: FILE: text" or "problem: text".
std::string FindingLine(const Finding& finding);

}  // namespace rix
