// The extraction driver: one logger archive to one text file per channel.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "setup/Isf.h"
#include "utilities/FileIo.h"

namespace rix {

struct Context;
struct Run;
struct ExtractionSetup;
class ArchiveStream;

// Clock re-basing of other loggers' packets onto the clock logger.
struct ClockState {
    double origin = -1;
    int clockLogger = 0;
    bool started = false;
    double lastOwn[5] = {0, 0, 0, 0, 0};
    bool rebasePending[5] = {true, true, true, true, true};
};

// "RIX.LOG" in the working folder, written while debugging is on; it takes
// its name when the run ends. Whether a run writes it, and where:
struct DebugLogSetup {
    bool enabled = false;
    std::string path = "RIX.LOG";
};

// The log while a run has it open.
struct DebugLog {
    std::FILE* file = nullptr;  // the log's stream while it is open
    std::unique_ptr<OutputFile> output;
};

// What became of one configured channel in a run.
enum class ChannelStatus {
    kComplete,    // its file holds data rows
    kEmpty,       // its file was written without a data row
    kFailed,      // nothing usable: no file was written (see reason)
    kNotWritten,  // the run ended before its pass
};

struct ChannelOutcome {
    int channel = 0;
    std::string meter;  // type keyword, as in the instrument setup
    std::string file;   // the channel file's name
    long long rows = 0;  // data rows, header lines not counted
    ChannelStatus status = ChannelStatus::kNotWritten;
    std::string reason;  // why a failed channel wrote nothing
    std::vector<std::string> messages;  // the messages of its pass
};

enum class RunStatus {
    kComplete,        // ran to its end, every channel written
    kChannelsFailed,  // ran to its end, some channels wrote nothing
    kFailed,          // stopped on a reported failure
    kStopped,         // stopped on request
};

// The outcome of one extraction, for the command line's summary and the window.
struct RunOutcome {
    std::string archive;
    RunStatus status = RunStatus::kFailed;
    int exitCode = 1;  // 0 complete, 1 failed, 3 channels failed, 130 stopped
    std::vector<ChannelOutcome> channels;  // configured channels, ascending
    std::string failedFile;  // the output that could not be written, if any
    int filesCompleted = 0;  // channel files this run completed
};

const char* ChannelStatusName(ChannelStatus status);  // "complete", "empty", "failed", "not written"
const char* RunStatusName(RunStatus status);          // "complete", "channels failed", "failed", "stopped"

// How far a run has come: channel pass index of count (1-based; 0 for the
// pre-passes) and the bytes of the archive read in this pass.
struct RunProgress {
    int channel = 0;
    int index = 0;
    int count = 0;
    long bytesRead = 0;
    long bytesTotal = 0;  // size of the archive, 0 when unknown
};

// Progress report and stop request of a run that another thread watches.
struct RunControl {
    std::function<void(const RunProgress&)> progress;  // called now and then during a pass
    std::atomic<bool> stopRequested{false};             // checked once per packet
    bool stopped = false;                               // the run ended on a stop request
    long archiveBytes = 0;
    int passIndex = 0;  // channel pass under way, 1-based
    int passCount = 0;  // configured channels of the run
    RunOutcome outcome;  // filled as the run goes
};

// Percent 0..100 of the whole run: the passes done plus the share of this one.
int RunPercent(const RunProgress& progress);

// True (and the run marked stopped) once a stop has been asked for.
bool StopRequested(Context& ctx);

void LogLine(Run& run, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
// Writes "End Of Archive" and completes the log, whenever it is open. False
// when the log could not be written (reported).
bool LogEnd(Run& run);

// What the Extract button gathers from the main window.
struct ExtractRequest {
    int runMode = 0;          // 1 = daily: the archive name is built from baseArchive
    std::string archive;      // archive path
    std::string baseArchive;  // daily base name
    std::string isfFile;
    std::string esfFile;
    std::string msfFile;
    std::string deviceFolder = ".";
    std::string outputFolder = ".";
    std::string fromText;  // start and end fields: used when they parse as integers
    std::string toText;
    bool showHeaders = false;
    int todayYear = 0;  // local date for the daily name (full year, day of year)
    int todayDay = 0;
    bool netcdf = false;  // also write BASE.nc (and BASE_pair.nc for merged output)
    std::string program = "rix";  // name and version, for the NetCDF file's attributes
    std::string command;          // the command line or the window's action, for its history
};

enum class ExtractOutcome {
    kDone,    // ran to its end
    kFailed,  // stopped early on a reported failure
};

// What the window does after a run.
struct ExtractResult {
    ExtractOutcome outcome = ExtractOutcome::kFailed;
    bool restartTimer = false;  // restart the timer and the 16 s countdown
    std::string archiveLabel;   // text for the archive label
    bool stopped = false;       // ended early on a stop request
    RunOutcome summary;         // what became of the run and of each channel
    bool usageError = false;    // the request cannot be run as asked (nothing was written)
};

// The archive a request names: in the daily mode yesterday's archive of the
// base name, otherwise the archive as given.
std::string RequestArchive(const ExtractRequest& request);

// Why a request for NetCDF output cannot be run with this extraction setup
// (raw data asked for, or NetCDF not built in); empty when it can.
std::string NetcdfRequestProblem(const ExtractionSetup& setup);

// Everything the Extract button does apart from the dialogs and the timer.
ExtractOutcome ExtractButtonClick(Context& ctx, const ExtractRequest& request,
                                  ExtractResult* result = nullptr);

struct RunPaths {
    std::string outputFolder;
    std::string deviceFolder;
    std::string baseName;   // with "raw_" for raw data output
    std::string extension;  // with its dot
};

struct IntervalFields;
// dates: interval fields given as dates, placed after the Julian pre-pass.
int RunExtraction(Run& run, ArchiveStream& archive, const RunPaths& paths, double from,
                  double to, bool showHeaders, const IntervalFields* dates = nullptr);
int LoadJulianDates(Run& run, int dateTimeChannel, int clockSource, int format,
                    int offsetHours, ArchiveStream& archive);
void ReviseTime(Run& run, double& time, int clockSource, int format, int sender);
// Which writer a meter type goes to.
enum class WriterKind {
    kLines,      // line assembler and generic row writer
    kBinaryHex,  // BINARY and Hex_Output
    kNx9,        // NX9, NX9WREF
    kNxs,
    kPrisma,
    kSatlantic,
    kSbe,        // SBE16 .. SBE25M
    kSbe32,
    kThermoBath,
    kXmf,
    kDmm,
    kNone,       // no decoder: "Type %d Not Valid"
};
WriterKind RouteOf(int meterType);

int DispatchRecord(Run& run, int channel, const ChannelSetup& setup, int dataOutput,
                   int format, int offsetHours, double time, int count, const uint8_t* bytes,
                   std::FILE* stream);

// The run's setup step for the meter decoders: latches, device numbers and
// the CTD and GPS separators (tab).
void ResetMeterRunState(Run& run);

// Splits an archive path into base name (no folder, no extension) and
// extension (with its dot). False when either is missing.
bool SplitArchiveName(const std::string& path, std::string& base, std::string& extension);

}  // namespace rix
