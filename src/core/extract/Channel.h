// Channel output files, the merge working file (_MRG), the time-offset file
// (_TO), and the per-channel writers that turn a port's bytes into rows.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "extract/Emit.h"
#include "extract/TextSink.h"
#include "extract/WriterInput.h"
#include "meters/Devfile.h"
#include "meters/Dmm22_812.h"
#include "meters/Gps.h"
#include "meters/Hobilabs.h"
#include "meters/Kxflow.h"
#include "meters/Minor.h"
#include "meters/Nxx.h"
#include "meters/Satlantic.h"
#include "meters/Sbe_hex.h"
#include "setup/Isf.h"
#include "utilities/FileIo.h"

namespace rix {

struct Context;
struct Run;

constexpr int kRecordSize = 1024;  // 1023 bytes and a terminator
constexpr int kMaxRowValues = 220;
constexpr int kTitleSize = 20;

// What a line decoder gives the generic row writer.
struct RowValues {
    int count = 0;
    // Titles the header lists beyond count: trailing cells a row may leave
    // out (a battery column written only when it changed).
    int titleCount = 0;
    double values[kMaxRowValues];
    char titles[kMaxRowValues][kTitleSize];
    int precision[kMaxRowValues];
    RowValues() { Reset(); }
    void Reset();  // values 9999.999999, precision 6, titles empty, no extra titles
    void Set(int i, double value, const char* title, int precisionCode);
};

struct ChannelWriter {
    int channelId = 0;
    int lineLength = 0;
    int lastLineLength = 0;
    int newLine = 0;
    int linesWritten = 0;
    int counters[3] = {};
    int headerLines = 0;
    int columnCount = 0;
    int headerPending = 1;
    double writerValue = 0;
    double offsetTime = 0;
    double firstTime = -1;
    double lastTime = -1;
    double recordTime = -1;
    double scale = 1.0;
    bool overlong = false;  // a line passed 1023 bytes: drop the rest up to its line feed
    std::string outputPath;
    char record[kRecordSize] = {};
    char lastRecord[kRecordSize] = {};
    int deviceTable[100] = {};
    // Each meter family's own state for this channel: calibration and partial
    // frames, so every channel decodes the same whatever ran before it.
    DeviceColumns device;          // column device file (ANALOG, CTD-ENGR, ORB, 27)
    SbeChannelState sbe;           // Sea-Bird CTD lines
    AcChannelState ac;             // NX9, NXS, PRISMA frames and device files
    SatlanticChannelState satlantic;
    DmmChannelState dmm;
    MinorChannelState minor;       // thermometer bath, SBE32, XMF
    FlowSetup flow;                // KXFLOW device file
    HobiDepthCalibration hobi;     // ABETA, CBETA, HYDROSCAT6 device file
    GpsDepth gpsDepth;             // the echo sounder on a GPS channel's line
    ChannelSinkState sinks;        // what the run's extra sinks have been told of the channel
};

// The 50 writer records, on the heap: the framed meters' buffers make them large.
class WriterTable {
public:
    // Each record knows its channel id from the start.
    WriterTable() : writers_(std::make_unique<std::array<ChannelWriter, kChannelCount>>()) {
        for (size_t i = 0; i < kChannelCount; ++i) (*writers_)[i].channelId = static_cast<int>(i);
    }
    ChannelWriter& operator[](size_t i) {
        touched_ |= uint64_t{1} << (i & 63);
        return (*writers_)[i];
    }
    const ChannelWriter& operator[](size_t i) const { return (*writers_)[i]; }
    size_t size() const { return kChannelCount; }
    // Every record as a new table has it, in place: only those handed out
    // for writing since the table was built or last cleared are rebuilt.
    void Clear() {
        for (size_t i = 0; i < kChannelCount; ++i) {
            if (!(touched_ >> i & 1)) continue;
            ChannelWriter* w = &(*writers_)[i];
            std::destroy_at(w);
            ::new (static_cast<void*>(w)) ChannelWriter();  // value-initialised, as new
            w->channelId = static_cast<int>(i);
        }
        touched_ = 0;
    }

private:
    std::unique_ptr<std::array<ChannelWriter, kChannelCount>> writers_;
    uint64_t touched_ = 0;  // bit i: record i may differ from a new one
    static_assert(kChannelCount <= 64, "one bit of touched_ per record");
};

// The outputs of one run. Each is written under a temporary name and renamed
// when complete; _MRG lists a channel file only once that file is complete.
struct OutputRegistry {
    std::FILE* streams[kChannelCount] = {};  // the writers' streams (null when closed)
    bool open[kChannelCount] = {};           // opened in this run
    std::unique_ptr<OutputFile> files[kChannelCount];
    std::string entries[kChannelCount];  // each channel's _MRG line, entered when its file completes
    int current = 0;                     // the channel FinishChannelEntry completes
    std::unique_ptr<OutputFile> merge;   // _MRG
    std::string mergePath;
    int completed = 0;       // channel files completed in this run
    std::string failedPath;  // the first output of the run that could not be written
};

struct ChannelState {
    WriterTable writers;
    OutputRegistry outputs;
    TextSink text;  // writes every channel file's bytes
    Sample sample;  // the row being handed on (large: kept here, not on the stack)
    std::string lineText;  // a text row being built
};

void ResetChannel(Run& run, int channelId);
void ResetAllChannels(Run& run);

// The shared file-open routine: mode "r+b", "w+b" or "a+b"; on failure the box
// "<purpose> File Error" / "Unable to open <path>". Output streams get a large buffer.
std::FILE* OpenFile(Context& ctx, const std::string& path, const char* mode,
                    const std::string& purpose);

// "<outDir>/<base>_<id>_<keyword><ext>", opened once per run; its _MRG
// entry is kept until the file is complete.
int OpenChannelFile(Run& run, int channelId, const std::string& keyword,
                    const std::string& outDir, const std::string& base, const std::string& ext);
// Completes a channel file (renamed to its name) and enters it in _MRG.
// 0 when it could not be written (reported).
int CloseChannelFile(Run& run, int channelId);
// Removes a channel file that is not to replace an earlier one; no _MRG entry.
void DiscardChannelFile(Run& run, int channelId);
// Completes every open channel file, then _MRG. 0 when one could not be written.
int CloseAllOutputs(Run& run);
// Removes every output the run has not completed (a failed run).
void DiscardAllOutputs(Run& run);
// The closing numbers of the last opened channel's _MRG entry.
void FinishChannelEntry(Run& run, int headerLines, int columnCount);
int WriteTimeOffsetFile(Run& run, const std::string& outDir, const std::string& base,
                        const std::string& ext);
// True when a channel file or the debug log has failed a write; the failure
// is reported (once) and noted as the run's failed output.
bool OutputWriteFailed(Run& run, int channelId);
// Notes (once per run) the output that could not be written.
void NoteFailedOutput(Run& run, const std::string& path);

// Line assembler for the line-oriented meters and the date/time lines (type 42).
// Returns 1 when at least one line was accepted by the row writer, else 0.
int AssembleLines(Run& run, int dataOutput, int format, int offsetHours, double time,
                  int meterType, int channel, int count, const uint8_t* bytes, std::FILE* stream);

// One complete line handed to a line decoder: a scratch copy of the record
// buffer (room for kRecordSize bytes) that the decoder may rewrite.
struct LineRecord {
    int channel = 0;
    int meterType = 0;
    int dataOutput = 0;
    int offsetHours = 0;
    double time = -1;  // the line's time, ms
    char* line = nullptr;
    int length = 0;
};

// A line decoder fills values, titles and precision codes from one line and
// returns the number of values (0 = no row).
using LineDecoder = int (*)(Run& run, LineRecord& record, RowValues& values);

// The decoder of a line meter type (ANALOG, CTD-ENGR, ORB, 27, the GPS types,
// the date/time lines); nullptr for types the row writer handles itself.
// New line decoders are entered here.
LineDecoder LineDecoderFor(int meterType);

// Generic row writer for one complete line of the channel's record buffer.
// Returns the decoder's result (0 = not accepted).
int WriteLineRow(Run& run, int dataOutput, int format, int offsetHours, int meterType,
                 int channel, std::FILE* stream);

// BINARY and Hex_Output. time in whole milliseconds.
int WriteBinaryHex(Run& run, long time, int meterType, int channel, int count,
                   const uint8_t* bytes, std::FILE* stream);

// Writes a value with the format of its precision code, preceded by a tab.
void WritePrecisionValue(std::FILE* stream, double value, int precisionCode);

}  // namespace rix
