// Shared by the fuzz targets: a reporter that drops everything, the one
// program context of the process, a scratch folder of this process for the
// files the readers open, and the splitting of one input into several files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "report/Reporter.h"

namespace rix {
struct Context;
struct Run;
}

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

// The process's one context and run, as new, for the length of one input:
// building them for each input would cost more than most readers take, so
// they are reset when the input is done instead. The reset also frees what the input
// allocated before the input ends, as libFuzzer counts each input's
// allocations against its frees to look for leaks.
class ContextScope {
public:
    ContextScope();
    ~ContextScope();
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;
    rix::Context& context;
    rix::Run& run;
};

// This process's scratch folder (created on first use, removed at exit): on
// the memory file system (/dev/shm) where there is one, else in TMPDIR or /tmp.
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
// A scratch sub-folder, created once and then left as it is.
std::string ScratchFolder(const std::string& name);

// Splits the input at each "\n@@\n" into at most `parts` pieces; missing
// pieces are empty.
std::vector<std::string_view> SplitInput(const uint8_t* data, size_t size, size_t parts);

// Reads the input as channel 11's device file for the meter type, through
// the extraction's device-file step, with engineering output.
void FuzzDeviceFile(int meterType, const uint8_t* data, size_t size);

// One meter a writer target can put on its channel: the type, the channel
// and the device file in fuzz/setup ("" for none).
struct WriterMeter {
    int type;
    int channel;
    const char* deviceFile;
};

// Feeds the input to one channel's writer, as a channel pass would after its
// device-file step, without an archive:
//   byte 0   the meter: meters[byte % count]
//   byte 1   bit 0 engineering output (else raw); bits 1-3 the time-stamp format
//   byte 2   time between packets, 10 ms units
//   then     packets: a length byte (0 = all that is left, at most one
//            packet's payload) and that many bytes of the port.
void FuzzWriter(const WriterMeter* meters, size_t count, const uint8_t* data, size_t size);

template <size_t N>
void FuzzWriter(const WriterMeter (&meters)[N], const uint8_t* data, size_t size) {
    FuzzWriter(meters, N, data, size);
}

}  // namespace rixfuzz
