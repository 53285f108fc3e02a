#include "CruiseCommand.h"

#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

#include "Json.h"
#include "report/Reporter.h"

namespace rixcli {

namespace {

void Write(std::FILE* f, const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), f);
    std::fflush(f);
}

int Usage(std::FILE* err, const std::string& message, const char* help) {
    Write(err, "rix extract: " + message + "\n");
    Write(err, help);
    return 2;
}

bool IsPattern(const std::string& text) { return text.find_first_of("*?[") != std::string::npos; }

// The runs' messages and the progress line share standard error: the line is
// wiped before a message and drawn again by the next progress report. The
// runs' printed text goes there too, so that standard output holds the
// summary alone. Calls come serialised.
class CruiseReporter : public rix::Reporter {
public:
    CruiseReporter(std::FILE* err, bool verbose, bool terminal) : err_(err), verbose_(verbose), terminal_(terminal) {}

    void ShowError(const std::string& title, const std::string& text) override {
        std::string line = title + ": " + text;
        if (line.back() != '\n') line += '\n';
        Emit(line);
    }
    void SetStatus(const std::string& text) override {
        if (verbose_) Emit("Status:  " + text + "\n");
    }
    void Print(const std::string& text) override { Emit(text); }

    void Progress(const rix::CruiseProgress& p) {
        if (!terminal_) return;
        std::string line = rix::Format("Archives %d of %d done %3d%%", p.done, p.total, p.percent);
        if (line == shown_) return;
        std::string text = "\r";
        text += line;
        if (shown_.size() > line.size()) text.append(shown_.size() - line.size(), ' ');
        Write(err_, text);
        shown_ = text.substr(1);
    }
    void Wipe() {
        if (shown_.empty()) return;
        std::string blank(shown_.size() + 2, ' ');
        blank.front() = '\r';
        blank.back() = '\r';
        Write(err_, blank);
        shown_.clear();
    }

private:
    void Emit(const std::string& text) {
        Wipe();
        Write(err_, text);
    }

    std::FILE* err_;
    bool verbose_;
    bool terminal_;
    std::string shown_;
};

std::string Seconds(double s) { return rix::Format("%.1f", s); }

nlohmann::ordered_json CruiseJson(const rix::CruiseOutcome& outcome) {
    nlohmann::ordered_json archives = nlohmann::ordered_json::array();
    for (const rix::ArchiveRun& a : outcome.archives)
        archives.push_back({{"archive", a.archive},
                            {"status", rix::ArchiveStatusName(a.status)},
                            {"exit", a.exitCode},
                            {"channels", a.channels},
                            {"channels_complete", a.channelsComplete},
                            {"rows", a.rows},
                            {"seconds", std::round(a.seconds * 1000) / 1000},
                            {"reason", a.reason.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(a.reason)}});
    return {{"exit", outcome.exitCode}, {"archives", archives}};
}

}  // namespace

bool IsCruise(const CruiseOptions& options, bool jobsGiven) {
    if (!options.days.empty() || jobsGiven || options.archives.size() > 1) return true;
    for (const std::string& a : options.archives) {
        struct stat st;
        if (IsPattern(a) && ::stat(a.c_str(), &st) != 0) return true;
    }
    return false;
}

std::vector<std::string> ExpandArchives(const std::vector<std::string>& arguments) {
    std::vector<std::string> archives;
    for (const std::string& a : arguments) {
        struct stat st;
        if (!IsPattern(a) || ::stat(a.c_str(), &st) == 0) {
            archives.push_back(a);
            continue;
        }
        glob_t found{};
        if (::glob(a.c_str(), 0, nullptr, &found) == 0) {
            for (size_t i = 0; i < found.gl_pathc; ++i) {
                // Folders a pattern happens to match are no archives.
                if (::stat(found.gl_pathv[i], &st) == 0 && S_ISDIR(st.st_mode)) continue;
                archives.push_back(found.gl_pathv[i]);
            }
        } else {
            archives.push_back(a);
        }
        ::globfree(&found);
    }
    return archives;
}

std::string CruiseTable(const rix::CruiseOutcome& outcome) {
    struct Row {
        std::string cells[6];
    };
    std::vector<Row> rows;
    rows.push_back({{"ARCHIVE", "STATUS", "CHANNELS", "ROWS", "SECONDS", "REASON"}});
    int complete = 0;
    for (const rix::ArchiveRun& a : outcome.archives) {
        if (a.status == rix::ArchiveStatus::kComplete) ++complete;
        const bool ran = a.status != rix::ArchiveStatus::kMissing && a.status != rix::ArchiveStatus::kNotRun;
        rows.push_back({{a.archive, rix::ArchiveStatusName(a.status),
                         ran ? rix::Format("%d/%d", a.channelsComplete, a.channels) : "-",
                         ran ? std::to_string(a.rows) : "-", ran ? Seconds(a.seconds) : "-", a.reason}});
    }
    size_t width[6] = {};
    for (const Row& r : rows)
        for (int c = 0; c < 5; ++c) width[c] = std::max(width[c], r.cells[c].size());
    std::string text;
    for (const Row& r : rows) {
        std::string line;
        for (int c = 0; c < 6; ++c) {
            const std::string& cell = r.cells[c];
            if (c == 5) {
                line += cell;
                break;
            }
            const std::string pad(width[c] - cell.size(), ' ');
            // Counts are right-aligned, names and words left-aligned.
            line += c >= 2 ? pad + cell : cell + pad;
            line += "  ";
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        text += line + "\n";
    }
    const size_t total = outcome.archives.size();
    text += rix::Format("%zu archive%s, %d complete; exit status %d\n", total, total == 1 ? "" : "s", complete,
                        outcome.exitCode);
    return text;
}

int RunCruiseCommand(const CruiseOptions& options, const rix::ExtractRequest& setup, std::atomic<bool>& stop,
                     std::FILE* out, std::FILE* err, const char* help) {
    rix::CruiseRequest request;
    request.setup = setup;
    if (!options.jobs.empty()) {
        char* end = nullptr;
        const long jobs = std::strtol(options.jobs.c_str(), &end, 10);
        if (options.jobs.empty() || *end != '\0' || jobs < 1 || jobs > 1024)
            return Usage(err, "--jobs must be a number of archives at a time, 1 to 1024", help);
        request.jobs = static_cast<int>(jobs);
    }
    if (!options.days.empty()) {
        if (options.dailyBase.empty()) return Usage(err, "--days needs the base name of the daily archives (--daily BASE)", help);
        rix::CalendarDay from, to;
        std::string error;
        if (!rix::ParseDayRange(options.days, from, to, error)) return Usage(err, "--days: " + error, help);
        request.archives = rix::DailyArchives(options.dailyBase, from, to);
    }
    for (const std::string& a : ExpandArchives(options.archives)) request.archives.push_back(a);
    if (request.archives.empty()) return Usage(err, "no archive given", help);
    const std::string shared = rix::SharedArchiveName(request.archives);
    if (!shared.empty()) {
        // Refused before any run: the second run's files would replace the first's.
        std::string paths;
        for (const std::string& a : request.archives)
            if (a == shared || (a.size() > shared.size() && a.compare(a.size() - shared.size() - 1, std::string::npos, "/" + shared) == 0))
                paths += (paths.empty() ? "" : ", ") + a;
        Write(err, "rix extract: two archives have the file name '" + shared + "' (" + paths +
                       "): their files would overwrite each other in the output folder; run them apart\n");
        return 2;
    }
    if (options.debug && request.archives.size() > 1)
        return Usage(err, "--debug writes one log, RIX.LOG: give one archive", help);
    request.debugLog = options.debug;

    CruiseReporter reporter(err, options.verbose, !options.verbose && isatty(fileno(err)));
    const rix::CruiseOutcome outcome =
        rix::RunCruise(request, reporter, [&reporter](const rix::CruiseProgress& p) { reporter.Progress(p); }, &stop);
    reporter.Wipe();
    const std::string summary = options.json ? JsonText(CruiseJson(outcome)) : CruiseTable(outcome);
    std::fwrite(summary.data(), 1, summary.size(), out);
    if (std::fflush(out) != 0 || std::ferror(out)) {
        Write(err, "rix extract: cannot write the standard output\n");
        return 1;
    }
    return outcome.exitCode;
}

}  // namespace rixcli
