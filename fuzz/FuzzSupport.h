// Shared by the fuzz targets: a reporter that drops everything, a scratch
// folder of this process for the files the readers open, and the splitting
// of one input into several files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "report/Reporter.h"

namespace rixfuzz {

// Builds every message (so bad formatting shows) and keeps none.
class NullReporter : public rix::Reporter {
public:
    void ShowError(const std::string& title, const std::string& text) override { seen_ += title.size() + text.size(); }
    void SetStatus(const std::string& text) override { seen_ += text.size(); }
    void Print(const std::string& text) override { seen_ += text.size(); }

private:
    size_t seen_ = 0;
};

// This process's scratch folder (created on first use, removed at exit).
const std::string& ScratchDir();
// A path in the scratch folder.
std::string ScratchPath(const std::string& name);
// Writes the bytes to a scratch file and returns its path.
std::string WriteScratch(const std::string& name, std::string_view bytes);
std::string WriteScratch(const std::string& name, const uint8_t* data, size_t size);
// The scratch file opened for binary reading (never null: aborts otherwise).
std::FILE* OpenScratch(const std::string& name, const uint8_t* data, size_t size);
// Empties a scratch sub-folder (creating it), for a target's output files.
std::string FreshFolder(const std::string& name);

// Splits the input at each "\n@@\n" into at most `parts` pieces; missing
// pieces are empty.
std::vector<std::string_view> SplitInput(const uint8_t* data, size_t size, size_t parts);

}  // namespace rixfuzz

namespace rixfuzz {

// Reads the input as channel 11's device file for the meter type, through
// the extraction's device-file step, with engineering output.
void FuzzDeviceFile(int meterType, const uint8_t* data, size_t size);

}  // namespace rixfuzz
