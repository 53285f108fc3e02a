// Many archives in one run: a cruise's daily archives extracted a few at a
// time, each exactly as a run of that archive alone, with one summary at the end.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "extract/Rix.h"

namespace rix {

class Reporter;

// What became of one archive of a many-archive run.
enum class ArchiveStatus {
    kComplete,        // ran to its end, every channel written
    kChannelsFailed,  // ran to its end, some channels wrote nothing
    kFailed,          // stopped on a reported failure (unreadable, not an archive, ...)
    kMissing,         // there is no such file
    kStopped,         // stopped on request while it ran
    kNotRun,          // a stop request came before its turn
};

const char* ArchiveStatusName(ArchiveStatus status);  // "complete", "channels failed", "failed",
                                                      // "missing", "stopped", "not run"

struct ArchiveRun {
    std::string archive;  // as given
    ArchiveStatus status = ArchiveStatus::kNotRun;
    int exitCode = 1;           // the exit status a run of this archive alone ends with
    int channels = 0;           // configured channels
    int channelsComplete = 0;   // channels whose file holds data rows
    long long rows = 0;         // data rows of all its channel files
    double seconds = 0;         // wall-clock time of its run
    std::string reason;         // why it failed, was missing or lost channels
    RunOutcome run;             // the run's own outcome, channel by channel
};

struct CruiseOutcome {
    std::vector<ArchiveRun> archives;  // in the order given
    // 0 every archive ran clean, 1 an archive failed or is missing, 3 some
    // channels produced nothing, 130 stopped on request.
    int exitCode = 0;
};

struct CruiseProgress {
    int done = 0;     // archives finished
    int running = 0;  // archives under way
    int total = 0;
    int percent = 0;  // of the whole run: finished archives plus the share of those under way
};

struct CruiseRequest {
    std::vector<std::string> archives;
    // Setup files, folders, interval and headers of every run; its archive
    // and daily fields are not used.
    ExtractRequest setup;
    int jobs = 0;  // archives at a time; 0 = the number of cores
    bool debugLog = false;  // write RIX.LOG (one archive only: the log has one name)
};

// The file name (no folder) that two archives share, or "" when every name
// differs. Runs write their files under the archive's name, so two archives
// of one name would overwrite each other's files in one output folder.
std::string SharedArchiveName(const std::vector<std::string>& archives);

// Archives at a time for `jobs` (0: the cores) and `count` archives.
int CruiseJobs(int jobs, size_t count);

// Runs every archive, `jobs` at a time, each with a program state of its
// own (one Context per archive): each archive's files are those of a run of
// that archive alone. The runs' messages go to `reporter`, each line
// prefixed with "ARCHIVE: " and never interleaved with another run's; calls
// to `reporter` and `progress` are serialised. `stop` (may be null) asks the
// runs under way to stop on a whole row and the others not to start. A
// failure of one archive never stops the others.
CruiseOutcome RunCruise(const CruiseRequest& request, Reporter& reporter,
                        const std::function<void(const CruiseProgress&)>& progress = nullptr,
                        std::atomic<bool>* stop = nullptr);

// --- Daily archives ---------------------------------------------------------

struct CalendarDay {
    int year = 0;
    int month = 0;
    int day = 0;
};

// "YYYY-MM-DD" to a valid calendar day.
bool ParseCalendarDay(const std::string& text, CalendarDay& day);
// "FROM..TO", both days included, FROM not after TO; false with `error` said.
bool ParseDayRange(const std::string& text, CalendarDay& from, CalendarDay& to, std::string& error);
// The daily archives BASEyy.ddd of every day from `from` to `to`, in order.
std::vector<std::string> DailyArchives(const std::string& base, const CalendarDay& from, const CalendarDay& to);

}  // namespace rix
