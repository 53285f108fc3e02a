#include "extract/NetcdfSink.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "extract/CfNames.h"
#include "report/Reporter.h"
#include "utilities/FileIo.h"
#include "utilities/Sha256.h"

#ifdef RIX_HAVE_NETCDF
#include <dlfcn.h>
#include <netcdf.h>
#endif

namespace rix {

std::string NetcdfPathFor(const std::string& folder, const std::string& base) {
    return JoinPath(folder, base + ".nc");
}

#ifndef RIX_HAVE_NETCDF

bool NetcdfCanWrite(const std::string&, std::string& why) {
    why = "NetCDF output is not built into this program";
    return false;
}
bool NetcdfBuiltIn() { return false; }
std::string NetcdfLibraryVersion() { return ""; }

struct NetcdfSink::Impl {
    Reporter& reporter;
    std::string path;
};

NetcdfSink::NetcdfSink(Reporter& reporter, std::string path, NetcdfFileInfo, NetcdfTime)
    : impl_(std::make_unique<Impl>(Impl{reporter, std::move(path)})) {}
NetcdfSink::~NetcdfSink() = default;
bool NetcdfSink::Open() {
    impl_->reporter.ShowError("NetCDF File Error",
                              Format("Unable to write %s: NetCDF output is not built into this program",
                                     impl_->path.c_str()));
    return false;
}
void NetcdfSink::BeginChannel(const ChannelDescription&, const std::vector<ColumnInfo>&) {}
void NetcdfSink::Row(const Sample&) {}
void NetcdfSink::Line(int, double, std::string_view) {}
void NetcdfSink::EndChannel(int) {}
bool NetcdfSink::Finish() { return false; }
void NetcdfSink::Abandon() {}
bool NetcdfSink::Failed() const { return true; }
const std::string& NetcdfSink::Path() const { return impl_->path; }
void NetcdfSink::SetChunkRows(size_t) {}
void NetcdfSink::NameGroup(int, const std::string&) {}

#else

bool NetcdfBuiltIn() { return true; }

namespace {

// The NetCDF library keeps a process-wide table of open files and is not
// made for threads: archives extracted side by side, and each file's writer
// thread, call it one at a time. Recursive: a failure inside a locked
// call closes the file.
std::recursive_mutex& LibraryMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

}  // namespace

bool NetcdfCanWrite(const std::string& folder, std::string& why) {
    TemporaryPath temp;
    temp.Reserve(JoinPath(folder, "rix-check.nc"));
    std::lock_guard hold(LibraryMutex());
    int id = -1;
    const int status = nc_create(temp.Path().c_str(), NC_NETCDF4 | NC_NOCLOBBER, &id);
    if (status != NC_NOERR) {
        why = nc_strerror(status);
        return false;
    }
    nc_close(id);
    return true;  // the temporary file goes with `temp`
}
std::string NetcdfLibraryVersion() {
    std::string v = nc_inq_libvers();
    const size_t space = v.find(' ');
    return space == std::string::npos ? v : v.substr(0, space);
}

namespace {

constexpr int kDeflateLevel = 1;

constexpr double kPowersOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The value as the text file prints it ("%.<precision>f"), read back: the
// same digits, so a reader of either file sees one number. printf rounds
// the exact binary value; the quick rounding below agrees with it except
// near a half, where printf itself decides.
double AsPrinted(double x, int precision) {
    precision = std::clamp(precision, 0, 15);
    const double scaled = x * kPowersOfTen[precision];
    if (!(std::fabs(scaled) < 1.0e15)) return x;
    const double fraction = std::fabs(scaled - std::trunc(scaled));
    if (std::fabs(fraction - 0.5) > 1.0e-6) return std::round(scaled) / kPowersOfTen[precision];
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", precision, x);
    return std::strtod(text, nullptr);
}

struct Variable {
    int id = -1;
    CfColumn cf;
    int precision = 6;
    std::vector<double> buffer;
};

struct Group {
    int id = -1;
    int dim = -1;
    int timeVar = -1;
    int lineVar = -1;
    bool calendar = false;  // time is CF time, not logger time
    bool textRows = false;
    std::vector<Variable> vars;
    std::set<std::string> names;
    std::vector<double> times;
    std::vector<std::string> lines;
    size_t written = 0;  // rows in the file
    std::string keyword;
};

// One block of a group's rows, handed to the writer thread.
struct PutJob {
    int group = -1;
    size_t start = 0, count = 0;
    int timeVar = -1;
    std::vector<double> times;
    std::vector<std::pair<int, std::vector<double>>> vars;
    int lineVar = -1;
    std::vector<std::string> lines;
};

int Put(const PutJob& job) {
    std::lock_guard hold(LibraryMutex());
    const size_t start = job.start, count = job.count;
    if (job.timeVar >= 0) {
        const int status = nc_put_vara_double(job.group, job.timeVar, &start, &count, job.times.data());
        if (status != NC_NOERR) return status;
    }
    for (const auto& [var, values] : job.vars) {
        const int status = nc_put_vara_double(job.group, var, &start, &count, values.data());
        if (status != NC_NOERR) return status;
    }
    if (job.lineVar >= 0) {
        std::vector<const char*> texts(count);
        for (size_t i = 0; i < count; ++i) texts[i] = job.lines[i].c_str();
        const int status = nc_put_vara_string(job.group, job.lineVar, &start, &count, texts.data());
        if (status != NC_NOERR) return status;
    }
    return NC_NOERR;
}

// HDF5, under the library, prints its error stack to standard error unless
// told not to, and that setting is the calling thread's: the library turns
// it off on the thread that first uses it, so the writer thread does the
// same (the error reaches the run as the library's status). Looked up at run
// time: the HDF5 the library loaded is the one to tell.
void QuietHdf5ErrorStack() {
    using SetAuto = int (*)(int64_t stack, void* function, void* data);
    static const auto setAuto = reinterpret_cast<SetAuto>(dlsym(RTLD_DEFAULT, "H5Eset_auto2"));
    if (setAuto) setAuto(0 /* H5E_DEFAULT */, nullptr, nullptr);
}

// Compression and HDF5's bookkeeping take as long as decoding the archive:
// the blocks of rows are written by a thread of their own while the run goes
// on. The library is not thread-safe, so the sink makes every other library
// call only when this thread is idle (Drain). A few blocks wait at most:
// memory stays flat however fast the decoders are.
class PutWorker {
public:
    ~PutWorker() { Stop(); }
    void Push(PutJob job) {
        std::unique_lock lock(mutex_);
        if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
        room_.wait(lock, [this] { return jobs_.size() < kMaxJobs; });
        jobs_.push_back(std::move(job));
        work_.notify_one();
    }
    // Waits until every block is written; the first library error, if any.
    int Drain() {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
        return status_;
    }
    int Status() {
        std::lock_guard lock(mutex_);
        return status_;
    }
    void Stop() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
            work_.notify_one();
        }
        if (thread_.joinable()) thread_.join();
    }

private:
    static constexpr size_t kMaxJobs = 4;
    void Loop() {
        QuietHdf5ErrorStack();
        std::unique_lock lock(mutex_);
        for (;;) {
            work_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
            if (jobs_.empty()) return;  // stopping, nothing left
            PutJob job = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
            room_.notify_one();
            const bool write = status_ == NC_NOERR;
            lock.unlock();
            const int status = write ? Put(job) : NC_NOERR;
            job = PutJob{};  // the block's memory goes before the next one is taken
            lock.lock();
            if (status_ == NC_NOERR) status_ = status;
            busy_ = false;
            if (jobs_.empty()) idle_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable work_, room_, idle_;
    std::deque<PutJob> jobs_;
    std::thread thread_;
    bool busy_ = false;
    bool stop_ = false;
    int status_ = NC_NOERR;
};

}  // namespace

struct NetcdfSink::Impl {
    Reporter& reporter;
    std::string path;
    NetcdfFileInfo info;
    NetcdfTime time;
    TemporaryPath temp;
    int ncid = -1;
    bool failed = false;
    bool finished = false;
    size_t chunkRows = 4096;
    std::map<int, Group> groups;
    std::map<int, std::string> groupNames;
    double firstTime = NAN, lastTime = NAN;
    PutWorker writer;

    Impl(Reporter& r, std::string p, NetcdfFileInfo i, NetcdfTime t)
        : reporter(r), path(std::move(p)), info(std::move(i)), time(std::move(t)) {}

    // False (and the file given up, the error reported once) on a library error.
    bool Ok(int status) {
        if (status == NC_NOERR) return true;
        Fail(nc_strerror(status));
        return false;
    }
    void Fail(const std::string& why) {
        if (!failed)
            reporter.ShowError("NetCDF File Error", Format("Unable to write %s: %s", path.c_str(), why.c_str()));
        failed = true;
        Close();
        temp.Discard();
    }
    void Close() {
        writer.Drain();
        std::lock_guard hold(LibraryMutex());
        if (ncid >= 0) nc_close(ncid);
        ncid = -1;
    }
    // Before a library call of this thread: the writer thread is idle, and
    // an error it met is reported. False when the file is given up.
    bool Drain() {
        const int status = writer.Drain();
        return failed ? false : Ok(status);
    }
    bool Text(int grp, int var, const char* name, const std::string& value) {
        return Ok(nc_put_att_text(grp, var, name, value.size(), value.c_str()));
    }
    bool Int(int grp, int var, const char* name, int value) {
        return Ok(nc_put_att_int(grp, var, name, NC_INT, 1, &value));
    }

    bool DefineSeries(Group& g, const char* name, nc_type type, int& var) {
        if (!Ok(nc_def_var(g.id, name, type, 1, &g.dim, &var))) return false;
        size_t chunk = chunkRows;
        if (!Ok(nc_def_var_chunking(g.id, var, NC_CHUNKED, &chunk))) return false;
        if (type == NC_DOUBLE && !Ok(nc_def_var_deflate(g.id, var, 1, 1, kDeflateLevel))) return false;
        // Rows arrive in whole chunks, each written once: a cache of a couple
        // of chunks keeps the memory flat however many variables and rows.
        if (!Ok(nc_set_var_chunk_cache(g.id, var, 2 * chunk * sizeof(double) + 4096, 7, 1.0f))) return false;
        g.names.insert(name);
        return true;
    }

    std::string UniqueName(Group& g, const std::string& base) {
        std::string name = base;
        for (int n = 2; g.names.count(name); ++n) name = base + "_" + std::to_string(n);
        return name;
    }

    bool AddColumn(Group& g, const ColumnInfo& column, const std::string& keyword) {
        Variable v;
        v.cf = DescribeColumn(column.title, column.unit, keyword);
        v.precision = column.format.precision;
        const std::string name = UniqueName(g, v.cf.name);
        if (!DefineSeries(g, name.c_str(), NC_DOUBLE, v.id)) return false;
        const double fill = NC_FILL_DOUBLE;
        if (!Ok(nc_def_var_fill(g.id, v.id, NC_FILL, &fill))) return false;
        if (!Text(g.id, v.id, "long_name", column.title)) return false;
        if (!v.cf.units.empty() && !Text(g.id, v.id, "units", v.cf.units)) return false;
        if (!v.cf.standardName.empty() && !Text(g.id, v.id, "standard_name", v.cf.standardName)) return false;
        if (g.timeVar >= 0 && !Text(g.id, v.id, "coordinates", g.calendar ? "time" : "logger_time")) return false;
        std::string comment = "As the text file prints it, to " + std::to_string(column.format.precision) +
                              " decimals; its placeholders for a missing value are the fill value here.";
        if (v.cf.westPositive)
            comment += " East-positive: the text file's longitude is west-positive, so this is its negative.";
        if (!Text(g.id, v.id, "comment", comment)) return false;
        v.buffer.reserve(chunkRows);
        // Rows already written have no value here: fill them.
        v.buffer.assign(g.times.size(), NC_FILL_DOUBLE);
        g.vars.push_back(std::move(v));
        return true;
    }

    Group* Begin(const ChannelDescription& ch, const std::vector<ColumnInfo>& columns) {
        if (failed || ncid < 0 || !Drain()) return nullptr;
        std::lock_guard hold(LibraryMutex());
        auto found = groups.find(ch.channel);
        if (found != groups.end()) {
            Group& g = found->second;
            // Columns known only now: the ones beyond those defined are added.
            for (size_t i = g.vars.size(); i < columns.size() && !g.textRows; ++i)
                if (!AddColumn(g, columns[i], g.keyword)) return nullptr;
            return &g;
        }
        Group& g = groups[ch.channel];
        g.keyword = ch.keyword;
        g.textRows = ch.textRows;
        std::string name = "ch" + std::to_string(ch.channel);
        if (!ch.keyword.empty()) name += "_" + NetcdfSafeName(ch.keyword);
        if (auto named = groupNames.find(ch.channel); named != groupNames.end()) name = named->second;
        if (!Ok(nc_def_grp(ncid, name.c_str(), &g.id))) return nullptr;
        if (!Ok(nc_def_dim(g.id, "obs", NC_UNLIMITED, &g.dim))) return nullptr;
        if (groupNames.count(ch.channel)) {
            Int(g.id, NC_GLOBAL, "pair", ch.channel);  // a merged pair: no one channel
        } else {
            Int(g.id, NC_GLOBAL, "channel", ch.channel);
            Int(g.id, NC_GLOBAL, "logger", ch.logger);
            Int(g.id, NC_GLOBAL, "port", ch.port);
            Int(g.id, NC_GLOBAL, "meter_type", ch.meterType);
            Text(g.id, NC_GLOBAL, "meter_type_keyword", ch.keyword);
            Int(g.id, NC_GLOBAL, "lag", ch.lag);
            Int(g.id, NC_GLOBAL, "HAD", ch.had);
        }
        if (!ch.deviceFile.empty()) {
            const size_t slash = ch.deviceFile.find_last_of("/\\");
            Text(g.id, NC_GLOBAL, "device_file",
                 slash == std::string::npos ? ch.deviceFile : ch.deviceFile.substr(slash + 1));
            std::string sha;
            if (Sha256File(ch.deviceFile, sha)) Text(g.id, NC_GLOBAL, "device_file_sha256", sha);
        }
        if (!ch.serialNumber.empty()) Text(g.id, NC_GLOBAL, "instrument_serial_number", ch.serialNumber);
        if (failed) return nullptr;

        g.calendar = time.known && time.known() && time.epochSeconds;
        if (g.calendar) {
            if (!DefineSeries(g, "time", NC_DOUBLE, g.timeVar)) return nullptr;
            const double fill = NC_FILL_DOUBLE;
            if (!Ok(nc_def_var_fill(g.id, g.timeVar, NC_FILL, &fill))) return nullptr;
            Text(g.id, g.timeVar, "standard_name", "time");
            Text(g.id, g.timeVar, "long_name", "time of the sample");
            Text(g.id, g.timeVar, "units", "seconds since 1970-01-01T00:00:00Z");
            Text(g.id, g.timeVar, "calendar", "standard");
            Text(g.id, g.timeVar, "axis", "T");
            Text(g.id, g.timeVar, "comment", time.calendarComment);
        } else if (time.loggerTime) {
            if (!DefineSeries(g, "logger_time", NC_DOUBLE, g.timeVar)) return nullptr;
            Text(g.id, g.timeVar, "long_name", time.loggerTimeMeaning);
            Text(g.id, g.timeVar, "units", "s");
        }
        if (g.textRows) {
            if (!DefineSeries(g, "line", NC_STRING, g.lineVar)) return nullptr;
            // A nil fill, not the library's "": HDF5 fills every new chunk
            // with the fill value, storing an empty string in its heap for
            // each row and removing it again when the row is written; a nil
            // string takes no heap space. Every row is written, so no nil is
            // ever read back.
            const char* nilFill = nullptr;
            if (!Ok(nc_def_var_fill(g.id, g.lineVar, NC_FILL, &nilFill))) return nullptr;
            Text(g.id, g.lineVar, "long_name", "the row as the text file writes it, without its time stamp");
            if (g.timeVar >= 0) Text(g.id, g.lineVar, "coordinates", g.calendar ? "time" : "logger_time");
            g.lines.reserve(chunkRows);
        } else {
            for (const ColumnInfo& c : columns)
                if (!AddColumn(g, c, ch.keyword)) return nullptr;
        }
        g.times.reserve(chunkRows);
        return failed ? nullptr : &g;
    }

    Group* GroupOf(int channel, bool textRows, int count) {
        auto found = groups.find(channel);
        if (found != groups.end()) return &found->second;
        // A channel that was never described: its id and generic columns.
        ChannelDescription ch;
        ch.channel = channel;
        ch.logger = channel / 10;
        ch.port = channel % 10;
        ch.textRows = textRows;
        std::vector<ColumnInfo> columns(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) columns[static_cast<size_t>(i)].title = "value" + std::to_string(i + 1);
        return Begin(ch, columns);
    }

    double TimeOf(const Group& g, double timeMs) {
        if (!g.calendar) return timeMs * 0.001;
        const double t = time.epochSeconds(timeMs);
        if (!std::isfinite(t)) return NC_FILL_DOUBLE;
        if (!(t >= firstTime)) firstTime = std::isnan(firstTime) ? t : std::min(firstTime, t);
        if (!(t <= lastTime)) lastTime = std::isnan(lastTime) ? t : std::max(lastTime, t);
        return t;
    }

    // Hands the group's buffered rows to the writer thread.
    bool Flush(Group& g) {
        const size_t n = g.times.size();
        if (n == 0 || failed) return !failed;
        if (const int status = writer.Status(); status != NC_NOERR) return Ok(status);
        PutJob job;
        job.group = g.id;
        job.start = g.written;
        job.count = n;
        job.timeVar = g.timeVar;
        job.times = std::move(g.times);
        job.vars.reserve(g.vars.size());
        for (Variable& v : g.vars) {
            v.buffer.resize(n, NC_FILL_DOUBLE);
            job.vars.emplace_back(v.id, std::move(v.buffer));
            v.buffer = {};
            v.buffer.reserve(chunkRows);
        }
        if (g.lineVar >= 0) {
            g.lines.resize(n);
            job.lineVar = g.lineVar;
            job.lines = std::move(g.lines);
            g.lines = {};
            g.lines.reserve(chunkRows);
        }
        g.written += n;
        g.times = {};
        g.times.reserve(chunkRows);
        writer.Push(std::move(job));
        return true;
    }
};

NetcdfSink::NetcdfSink(Reporter& reporter, std::string path, NetcdfFileInfo info, NetcdfTime time)
    : impl_(std::make_unique<Impl>(reporter, std::move(path), std::move(info), std::move(time))) {}

NetcdfSink::~NetcdfSink() {
    if (!impl_->finished) Abandon();
}

bool NetcdfSink::Open() {
    Impl& m = *impl_;
    m.temp.Reserve(m.path);
    std::lock_guard hold(LibraryMutex());
    if (!m.Ok(nc_create(m.temp.Path().c_str(), NC_NETCDF4 | NC_NOCLOBBER, &m.ncid))) return false;
    m.Text(m.ncid, NC_GLOBAL, "Conventions", "CF-1.10");
    m.Text(m.ncid, NC_GLOBAL, "title", m.info.title);
    for (const auto& [name, value] : m.info.attributes) m.Text(m.ncid, NC_GLOBAL, name.c_str(), value);
    // The root group's id is the file's.
    return !m.failed;
}

void NetcdfSink::BeginChannel(const ChannelDescription& channel, const std::vector<ColumnInfo>& columns) {
    impl_->Begin(channel, columns);
}

void NetcdfSink::Row(const Sample& s) {
    Impl& m = *impl_;
    if (m.failed || m.ncid < 0) return;
    Group* g = m.GroupOf(s.channel, false, s.count);
    if (!g || g->textRows) return;
    g->times.push_back(m.TimeOf(*g, s.time));
    const size_t row = g->times.size();
    for (size_t i = 0; i < g->vars.size(); ++i) {
        Variable& v = g->vars[i];
        double value = NC_FILL_DOUBLE;
        if (static_cast<int>(i) < s.count) {
            const double x = s.values[i];
            const int precision = s.formats[i].precision;
            if (std::isfinite(x) && !IsPlaceholder(v.cf, x, precision)) {
                value = AsPrinted(x, precision);
                if (v.cf.westPositive) value = -value;
            }
        }
        v.buffer.resize(row - 1, NC_FILL_DOUBLE);
        v.buffer.push_back(value);
    }
    if (row >= m.chunkRows) m.Flush(*g);
}

void NetcdfSink::Line(int channel, double timeMs, std::string_view text) {
    Impl& m = *impl_;
    if (m.failed || m.ncid < 0) return;
    Group* g = m.GroupOf(channel, true, 0);
    if (!g || g->lineVar < 0) return;
    g->times.push_back(m.TimeOf(*g, timeMs));
    g->lines.emplace_back(text);
    if (g->times.size() >= m.chunkRows) m.Flush(*g);
}

void NetcdfSink::EndChannel(int channel) {
    auto found = impl_->groups.find(channel);
    if (found != impl_->groups.end()) impl_->Flush(found->second);
}

bool NetcdfSink::Finish() {
    Impl& m = *impl_;
    m.finished = true;
    if (m.failed || m.ncid < 0) {
        m.temp.Discard();
        return false;
    }
    for (auto& [channel, g] : m.groups)
        if (!m.Flush(g)) return false;
    if (!m.Drain()) return false;
    std::lock_guard hold(LibraryMutex());
    for (const auto& [name, value] : m.info.late) {
        const std::string text = value ? value() : std::string();
        if (!text.empty()) m.Text(m.ncid, NC_GLOBAL, name.c_str(), text);
    }
    if (std::isfinite(m.firstTime)) {
        m.Text(m.ncid, NC_GLOBAL, "time_coverage_start", IsoOfEpochSeconds(m.firstTime));
        m.Text(m.ncid, NC_GLOBAL, "time_coverage_end", IsoOfEpochSeconds(m.lastTime));
    }
    if (m.failed) return false;
    const int status = nc_close(m.ncid);
    m.ncid = -1;
    if (!m.Ok(status)) return false;
    if (!m.temp.Commit()) {
        m.Fail(std::strerror(errno));
        return false;
    }
    return true;
}

void NetcdfSink::Abandon() {
    Impl& m = *impl_;
    m.finished = true;
    m.Close();
    m.temp.Discard();
}

bool NetcdfSink::Failed() const { return impl_->failed; }
const std::string& NetcdfSink::Path() const { return impl_->path; }
void NetcdfSink::SetChunkRows(size_t rows) { impl_->chunkRows = rows > 0 ? rows : 1; }
void NetcdfSink::NameGroup(int channel, const std::string& name) { impl_->groupNames[channel] = name; }

#endif

}  // namespace rix
