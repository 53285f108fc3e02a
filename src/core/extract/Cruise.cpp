#include "extract/Cruise.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "Context.h"
#include "report/Reporter.h"

namespace rix {

namespace {

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The shared side of the runs' reporters: one lock around the target.
struct SharedReporter {
    Reporter& target;
    std::mutex lock;
};

// One archive's reporter: every message goes on whole, prefixed with the
// archive's name, under the shared lock; printed text is held until its line
// ends. The last box and status are kept: they say why a run failed.
class ArchiveReporter : public Reporter {
public:
    ArchiveReporter(SharedReporter& shared, const std::string& name) : shared_(shared), prefix_(name + ": ") {}
    ~ArchiveReporter() override { Flush(); }
    ArchiveReporter(const ArchiveReporter&) = delete;
    ArchiveReporter& operator=(const ArchiveReporter&) = delete;

    void ShowError(const std::string& title, const std::string& text) override {
        std::string box = title + ": " + text;
        while (!box.empty() && box.back() == '\n') box.pop_back();
        // A file error says best why a run failed; other boxes may follow it.
        if (fileError_.empty() && title.rfind("File Error", 0) == 0) fileError_ = box;
        lastBox_ = box;
        std::lock_guard<std::mutex> hold(shared_.lock);
        shared_.target.ShowError(prefix_ + title, text);
    }
    void SetStatus(const std::string& text) override {
        lastStatus_ = text;
        std::lock_guard<std::mutex> hold(shared_.lock);
        shared_.target.SetStatus(prefix_ + text);
    }
    void Print(const std::string& text) override {
        pending_ += text;
        const size_t end = pending_.rfind('\n');
        if (end == std::string::npos) return;
        std::string lines = Prefixed(pending_.substr(0, end + 1));
        pending_.erase(0, end + 1);
        std::lock_guard<std::mutex> hold(shared_.lock);
        shared_.target.Print(lines);
    }
    void Flush() {
        if (pending_.empty()) return;
        std::string lines = Prefixed(pending_ + "\n");
        pending_.clear();
        std::lock_guard<std::mutex> hold(shared_.lock);
        shared_.target.Print(lines);
    }
    const std::string& LastBox() const { return fileError_.empty() ? lastBox_ : fileError_; }
    const std::string& LastStatus() const { return lastStatus_; }

private:
    std::string Prefixed(const std::string& lines) const {
        std::string out;
        size_t start = 0;
        while (start < lines.size()) {
            size_t end = lines.find('\n', start);
            out += prefix_;
            out.append(lines, start, end - start + 1);
            start = end + 1;
        }
        return out;
    }

    SharedReporter& shared_;
    std::string prefix_;
    std::string pending_;
    std::string lastBox_;
    std::string fileError_;
    std::string lastStatus_;
};

ArchiveStatus StatusOf(RunStatus status) {
    switch (status) {
        case RunStatus::kComplete: return ArchiveStatus::kComplete;
        case RunStatus::kChannelsFailed: return ArchiveStatus::kChannelsFailed;
        case RunStatus::kStopped: return ArchiveStatus::kStopped;
        case RunStatus::kFailed: break;
    }
    return ArchiveStatus::kFailed;
}

// Why an archive's run did not end clean, in one line.
std::string ReasonOf(const ArchiveRun& a, const ArchiveReporter& reporter) {
    const RunOutcome& o = a.run;
    if (a.status == ArchiveStatus::kChannelsFailed) {
        std::string reason;
        for (const ChannelOutcome& c : o.channels)
            if (c.status == ChannelStatus::kFailed)
                reason += Format("%schannel %d %s: %s", reason.empty() ? "" : "; ", c.channel, c.meter.c_str(),
                                 c.reason.c_str());
        return reason;
    }
    if (a.status != ArchiveStatus::kFailed) return std::string();
    if (!o.failedFile.empty()) return o.failedFile + " could not be written";
    if (!reporter.LastBox().empty()) return reporter.LastBox();
    return reporter.LastStatus().empty() ? std::string("the run failed") : reporter.LastStatus();
}

// The live side of one archive's run, for the stop request and the progress.
struct Slot {
    Context* ctx = nullptr;  // while the run is on
    int percent = 0;
};

class Cruise {
public:
    Cruise(const CruiseRequest& request, Reporter& reporter, const std::function<void(const CruiseProgress&)>& progress,
           std::atomic<bool>* stop)
        : request_(request), shared_{reporter, {}}, progress_(progress), stop_(stop) {}

    CruiseOutcome Run() {
        CruiseOutcome outcome;
        const size_t count = request_.archives.size();
        outcome.archives.resize(count);
        for (size_t i = 0; i < count; ++i) outcome.archives[i].archive = request_.archives[i];
        slots_.assign(count, Slot{});
        const int jobs = CruiseJobs(request_.jobs, count);
        Report();
        std::vector<std::thread> workers;
        for (int j = 0; j < jobs; ++j) workers.emplace_back([this, &outcome] { Work(outcome); });
        // The stop request is passed on to the runs under way from here: a
        // signal handler may set it, and cannot take a lock.
        {
            std::unique_lock<std::mutex> hold(lock_);
            while (finished_ < count) {
                wake_.wait_for(hold, std::chrono::milliseconds(50));
                if (Stopping())
                    for (Slot& s : slots_)
                        if (s.ctx) s.ctx->control.stopRequested.store(true);
            }
        }
        for (std::thread& t : workers) t.join();
        outcome.exitCode = ExitCodeOf(outcome);
        return outcome;
    }

private:
    bool Stopping() const { return stop_ && stop_->load(); }

    void Work(CruiseOutcome& outcome) {
        for (;;) {
            const size_t i = next_.fetch_add(1);
            if (i >= request_.archives.size()) return;
            ArchiveRun& a = outcome.archives[i];
            if (!Stopping()) RunArchive(i, a);
            {
                std::lock_guard<std::mutex> hold(lock_);
                ++finished_;
                slots_[i].ctx = nullptr;
                slots_[i].percent = 100;
            }
            wake_.notify_all();
            Report();
        }
    }

    void RunArchive(size_t i, ArchiveRun& a) {
        const auto start = std::chrono::steady_clock::now();
        struct stat st;
        if (::stat(a.archive.c_str(), &st) != 0 && errno == ENOENT) {
            a.status = ArchiveStatus::kMissing;
            a.exitCode = 1;
            a.reason = "no such file";
            std::lock_guard<std::mutex> hold(shared_.lock);
            shared_.target.ShowError(FileNameOf(a.archive) + ": File Error - Can not open Archive file",
                                     "no such file: " + a.archive);
            return;
        }
        ArchiveReporter reporter(shared_, FileNameOf(a.archive));
        // A fresh program for every archive: nothing of another run's state.
        auto ctx = std::make_unique<Context>(reporter);
        ctx->log.enabled = request_.debugLog;
        Context* run = ctx.get();
        ctx->control.progress = [this, i, run](const RunProgress& p) {
            // A stop request reaches the run within a few packets.
            if (Stopping()) run->control.stopRequested.store(true);
            {
                std::lock_guard<std::mutex> hold(lock_);
                slots_[i].percent = RunPercent(p);
            }
            Report();
        };
        ExtractRequest request = request_.setup;
        request.runMode = 0;
        request.archive = a.archive;
        {
            std::lock_guard<std::mutex> hold(lock_);
            slots_[i].ctx = ctx.get();
            if (Stopping()) ctx->control.stopRequested.store(true);
        }
        ExtractResult result;
        ExtractButtonClick(*ctx, request, &result);
        {
            std::lock_guard<std::mutex> hold(lock_);
            slots_[i].ctx = nullptr;
        }
        ctx.reset();  // closes what the run left open before the summary counts it
        reporter.Flush();
        a.run = result.summary;
        a.status = StatusOf(a.run.status);
        a.exitCode = a.run.exitCode;
        a.channels = static_cast<int>(a.run.channels.size());
        for (const ChannelOutcome& c : a.run.channels) {
            if (c.status == ChannelStatus::kComplete) ++a.channelsComplete;
            a.rows += c.rows;
        }
        a.reason = ReasonOf(a, reporter);
        a.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    void Report() {
        if (!progress_) return;
        CruiseProgress p;
        p.total = static_cast<int>(slots_.size());
        {
            std::lock_guard<std::mutex> hold(lock_);
            p.done = static_cast<int>(finished_);
            long sum = 0;
            for (const Slot& s : slots_) {
                if (s.ctx) ++p.running;
                sum += s.percent;
            }
            p.percent = p.total > 0 ? static_cast<int>(sum / p.total) : 100;
        }
        std::lock_guard<std::mutex> hold(shared_.lock);
        progress_(p);
    }

    static int ExitCodeOf(const CruiseOutcome& o) {
        bool failed = false, channels = false, stopped = false;
        for (const ArchiveRun& a : o.archives) {
            switch (a.status) {
                case ArchiveStatus::kFailed:
                case ArchiveStatus::kMissing: failed = true; break;
                case ArchiveStatus::kChannelsFailed: channels = true; break;
                case ArchiveStatus::kStopped:
                case ArchiveStatus::kNotRun: stopped = true; break;
                case ArchiveStatus::kComplete: break;
            }
        }
        if (stopped) return 130;
        if (failed) return 1;
        return channels ? 3 : 0;
    }

    const CruiseRequest& request_;
    SharedReporter shared_;
    const std::function<void(const CruiseProgress&)>& progress_;
    std::atomic<bool>* stop_;
    std::atomic<size_t> next_{0};
    std::mutex lock_;  // slots_ and finished_
    std::condition_variable wake_;
    std::vector<Slot> slots_;
    size_t finished_ = 0;
};

bool LeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && LeapYear(year) ? 29 : kDays[month - 1];
}

int DayOfYear(const CalendarDay& d) {
    int n = d.day;
    for (int m = 1; m < d.month; ++m) n += DaysInMonth(d.year, m);
    return n;
}

bool Before(const CalendarDay& a, const CalendarDay& b) {
    if (a.year != b.year) return a.year < b.year;
    if (a.month != b.month) return a.month < b.month;
    return a.day < b.day;
}

void NextDay(CalendarDay& d) {
    if (++d.day <= DaysInMonth(d.year, d.month)) return;
    d.day = 1;
    if (++d.month <= 12) return;
    d.month = 1;
    ++d.year;
}

}  // namespace

const char* ArchiveStatusName(ArchiveStatus status) {
    switch (status) {
        case ArchiveStatus::kComplete: return "complete";
        case ArchiveStatus::kChannelsFailed: return "channels failed";
        case ArchiveStatus::kFailed: return "failed";
        case ArchiveStatus::kMissing: return "missing";
        case ArchiveStatus::kStopped: return "stopped";
        case ArchiveStatus::kNotRun: break;
    }
    return "not run";
}

std::string SharedArchiveName(const std::vector<std::string>& archives) {
    std::set<std::string> names;
    for (const std::string& a : archives)
        if (!names.insert(FileNameOf(a)).second) return FileNameOf(a);
    return std::string();
}

int CruiseJobs(int jobs, size_t count) {
    if (jobs <= 0) jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (static_cast<size_t>(jobs) > count) jobs = static_cast<int>(std::max<size_t>(count, 1));
    return jobs;
}

CruiseOutcome RunCruise(const CruiseRequest& request, Reporter& reporter,
                        const std::function<void(const CruiseProgress&)>& progress, std::atomic<bool>* stop) {
    Cruise cruise(request, reporter, progress, stop);
    return cruise.Run();
}

bool ParseCalendarDay(const std::string& text, CalendarDay& day) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9') return false;
    CalendarDay d;
    d.year = std::stoi(text.substr(0, 4));
    d.month = std::stoi(text.substr(5, 2));
    d.day = std::stoi(text.substr(8, 2));
    if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > DaysInMonth(d.year, d.month))
        return false;
    day = d;
    return true;
}

bool ParseDayRange(const std::string& text, CalendarDay& from, CalendarDay& to, std::string& error) {
    const size_t dots = text.find("..");
    if (dots == std::string::npos) {
        error = "the days must be given as FROM..TO (YYYY-MM-DD..YYYY-MM-DD)";
        return false;
    }
    const std::string a = text.substr(0, dots), b = text.substr(dots + 2);
    if (!ParseCalendarDay(a, from)) {
        error = "'" + a + "' is no date YYYY-MM-DD";
        return false;
    }
    if (!ParseCalendarDay(b, to)) {
        error = "'" + b + "' is no date YYYY-MM-DD";
        return false;
    }
    if (Before(to, from)) {
        error = "the last day " + b + " comes before the first " + a;
        return false;
    }
    return true;
}

std::vector<std::string> DailyArchives(const std::string& base, const CalendarDay& from, const CalendarDay& to) {
    std::vector<std::string> names;
    for (CalendarDay d = from; !Before(to, d); NextDay(d))
        names.push_back(base + Format("%02d.%03d", d.year % 100, DayOfYear(d)));
    return names;
}

}  // namespace rix
