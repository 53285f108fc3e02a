#include "utilities/FileIo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Context.h"
#include "archive/Archive.h"
#include "extract/Channel.h"
#include "report/Reporter.h"

namespace rix {

size_t ReadChecked(void* dst, size_t n, std::FILE* file, int& error) {
    errno = 0;
    const size_t got = std::fread(dst, 1, n, file);
    error = 0;
    if (got < n && std::ferror(file)) error = errno != 0 ? errno : EIO;
    return got;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}


namespace {

void ReportOpenFailure(Context& ctx, const std::string& path, const char* purpose) {
    ctx.reporter.ShowError(Format("%s File Error", purpose),
                           Format("Unable to open %s", path.c_str()));
}

}  // namespace

bool LoadWholeFile(Context& ctx, const std::string& path, const char* purpose,
                   std::vector<uint8_t>& data) {
    data.clear();
    // Inputs are only read: a read-only input must not be refused.
    std::FILE* in = OpenFile(ctx, path, "rb", purpose);
    if (!in) return false;
    std::vector<uint8_t> chunk(1 << 20);
    bool ok = true;
    for (;;) {
        size_t n = std::fread(chunk.data(), 1, chunk.size(), in);
        data.insert(data.end(), chunk.begin(), chunk.begin() + static_cast<long>(n));
        if (n < chunk.size()) {
            ok = !std::ferror(in);
            break;
        }
    }
    std::fclose(in);
    if (!ok) ReportOpenFailure(ctx, path, purpose);
    return ok;
}

bool OpenArchiveInput(Context& ctx, ArchiveStream& stream, const std::string& path,
                      const char* purpose) {
    if (stream.Open(path)) return true;
    ctx.reporter.ShowError(Format("%s File Error", purpose),
                           "Unable to open " + OpenFaultText(stream, path));
    return false;
}

// --- Output files ------------------------------------------------------------

namespace {

constexpr size_t kOutputBuffer = 1 << 18;  // outputs are written in 256 KB blocks

std::atomic<long long> gWriteLimit{-1};
std::atomic<int> gWriteLimitError{ENOSPC};
std::atomic<unsigned> gTempSerial{0};

// The temporary files of the outputs now open, for RemoveTemporaryOutputs.
constexpr int kTempSlots = 256;  // several runs at a time keep up to 41 outputs open each
std::atomic<char*> gTempSlots[kTempSlots];

int RegisterTemp(const std::string& path) {
    char* copy = new char[path.size() + 1];
    std::memcpy(copy, path.c_str(), path.size() + 1);
    for (int i = 0; i < kTempSlots; ++i) {
        char* empty = nullptr;
        if (gTempSlots[i].compare_exchange_strong(empty, copy)) return i;
    }
    delete[] copy;  // more outputs open than slots: this one is not tracked
    return -1;
}

void UnregisterTemp(int& slot) {
    if (slot < 0) return;
    delete[] gTempSlots[slot].exchange(nullptr);
    slot = -1;
}

// The line feeds of a block written: every byte of every output is counted,
// so 16 bytes a step where the processor has SSE2 (every x86-64).
long long CountLineFeeds(const char* p, size_t n) {
    long long lines = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    while (n >= 16) {
        // Per-byte counts (a match is -1) for at most 255 steps, then summed.
        __m128i counts = zero;
        for (int step = 0; step < 255 && n >= 16; ++step, p += 16, n -= 16)
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), lf));
        const __m128i sums = _mm_sad_epu8(counts, zero);
        lines += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
    }
#endif
    return lines + std::count(p, p + n, '\n');
}

ssize_t SinkWrite(void* cookie, const char* buffer, size_t size) {
    OutputSink& s = *static_cast<OutputSink*>(cookie);
    size_t done = 0;
    while (done < size && s.error == 0) {
        size_t want = size - done;
        const long long limit = gWriteLimit.load();
        if (limit == 0) {
            s.error = gWriteLimitError.load();
            break;
        }
        if (limit > 0 && static_cast<long long>(want) > limit) want = static_cast<size_t>(limit);
        const ssize_t n = ::write(s.fd, buffer + done, want);
        if (n < 0) {
            if (errno == EINTR) continue;  // a signal (a stop request) is no failure
            s.error = errno;
            break;
        }
        if (n == 0) {
            s.error = EIO;
            break;
        }
        if (limit > 0) gWriteLimit.fetch_sub(n);
        s.lines += CountLineFeeds(buffer + done, static_cast<size_t>(n));
        s.bytes += n;
        done += static_cast<size_t>(n);
    }
    if (s.error != 0) errno = s.error;
    // A short count marks the stream as failed.
    return static_cast<ssize_t>(done);
}

int SinkSeek(void* cookie, off64_t* offset, int whence) {
    OutputSink& s = *static_cast<OutputSink*>(cookie);
    const off_t at = ::lseek(s.fd, static_cast<off_t>(*offset), whence);
    if (at < 0) return -1;
    *offset = at;
    return 0;
}

int SinkClose(void* cookie) {
    OutputSink& s = *static_cast<OutputSink*>(cookie);
    if (s.fd >= 0 && ::close(s.fd) != 0 && s.error == 0 && errno != EINTR) s.error = errno;
    s.fd = -1;
    if (s.error != 0) {
        errno = s.error;
        return -1;
    }
    return 0;
}

// "<folder>/.<name>.tmp-<pid>-<serial>": in the final file's folder, so the
// rename stays on one file system.
std::string TempNameFor(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() > 200) name.resize(200);
    return folder + "." + name + Format(".tmp-%ld-%u", static_cast<long>(::getpid()), gTempSerial.fetch_add(1));
}

// The file a path finally names: a symbolic link keeps pointing at the new file.
std::string FinalTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

}  // namespace

TemporaryPath::~TemporaryPath() { Discard(); }

void TemporaryPath::Reserve(const std::string& path) {
    Discard();
    final_ = FinalTarget(path);
    temp_ = TempNameFor(final_);
    slot_ = RegisterTemp(temp_);
}

bool TemporaryPath::Commit() {
    if (temp_.empty()) {
        errno = ENOENT;
        return false;
    }
    if (std::rename(temp_.c_str(), final_.c_str()) != 0) return false;
    temp_.clear();
    UnregisterTemp(slot_);
    return true;
}

void TemporaryPath::Discard() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    UnregisterTemp(slot_);
}

void RemoveTemporaryOutputs() {
    for (std::atomic<char*>& slot : gTempSlots)
        if (const char* path = slot.load()) ::unlink(path);
}

void SetOutputWriteLimitForTesting(long long bytes, int error) {
    gWriteLimitError.store(error);
    gWriteLimit.store(bytes < 0 ? -1 : bytes);
}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open(Reporter& reporter, const std::string& path, const std::string& purpose) {
    Discard();
    reporter_ = &reporter;
    path_ = path;
    purpose_ = purpose;
    reported_ = false;
    sink_ = std::make_unique<OutputSink>();
    auto refuse = [&]() {
        sink_.reset();
        reporter.ShowError(Format("%s File Error", purpose.c_str()), Format("Unable to open %s", path.c_str()));
        return false;
    };
    if (path.empty()) return refuse();
    const std::string target = FinalTarget(path);
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) return refuse();
    // A file its owner made read-only is not replaced, as it would not be overwritten.
    if (exists && S_ISREG(st.st_mode) && ::access(target.c_str(), W_OK) != 0) return refuse();
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe is written in place: there is no file to replace.
        sink_->fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    } else {
        for (int attempt = 0; attempt < 100 && sink_->fd < 0; ++attempt) {
            tempPath_ = TempNameFor(target);
            sink_->fd = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (sink_->fd < 0 && errno != EEXIST) break;
        }
        if (sink_->fd < 0) tempPath_.clear();
        if (sink_->fd >= 0) slot_ = RegisterTemp(tempPath_);
        // The new file keeps the permissions of the one it replaces.
        if (sink_->fd >= 0 && exists) ::fchmod(sink_->fd, st.st_mode & 07777);
    }
    if (sink_->fd < 0) return refuse();
    target_ = target;
    cookie_io_functions_t io{};
    io.write = SinkWrite;
    io.seek = SinkSeek;
    io.close = SinkClose;
    file_ = ::fopencookie(sink_.get(), "w", io);
    if (!file_) {
        ::close(sink_->fd);
        if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
        tempPath_.clear();
        UnregisterTemp(slot_);
        return refuse();
    }
    if (!buffer_) buffer_ = std::make_unique<char[]>(kOutputBuffer);
    std::setvbuf(file_, buffer_.get(), _IOFBF, kOutputBuffer);
    return true;
}

bool OutputFile::Failed() const {
    // Asked after every record a writer takes: the flag is read without
    // the stream's lock, as the stream is written by this thread alone.
#if defined(__GLIBC__)
    return sink_ && (sink_->error != 0 || (file_ && ::ferror_unlocked(file_)));
#else
    return sink_ && (sink_->error != 0 || (file_ && std::ferror(file_)));
#endif
}

int OutputFile::Error() const {
    if (!sink_) return 0;
    return sink_->error != 0 ? sink_->error : (Failed() ? EIO : 0);
}

long long OutputFile::Bytes() const { return sink_ ? sink_->bytes : 0; }
long long OutputFile::Lines() const { return sink_ ? sink_->lines : 0; }

bool OutputFile::Flush() {
    if (!file_) return false;
    return std::fflush(file_) == 0 && !Failed();
}

void OutputFile::ReportFailure() {
    if (reported_ || !reporter_) return;
    reported_ = true;
    reporter_->ShowError(Format("%s File Error", purpose_.c_str()),
                         Format("Unable to write %s: %s", path_.c_str(), std::strerror(Error())));
}

bool OutputFile::Commit() {
    if (!file_) {
        if (sink_ && sink_->error != 0) ReportFailure();
        return false;
    }
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if ((!flushed || !closed) && sink_->error == 0) sink_->error = EIO;
    if (sink_->error == 0 && !tempPath_.empty() && std::rename(tempPath_.c_str(), target_.c_str()) != 0)
        sink_->error = errno;
    if (sink_->error != 0) {
        Discard();
        ReportFailure();
        return false;
    }
    tempPath_.clear();
    UnregisterTemp(slot_);
    return true;
}

void OutputFile::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    UnregisterTemp(slot_);
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (a.empty() || b.empty() || ::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool RefuseSameFile(Reporter& reporter, const std::string& input, const std::string& output) {
    if (!IsSameFile(input, output)) return false;
    reporter.ShowError("Same File Error", Format("Output file %s is the same file as input file %s",
                                                 output.c_str(), input.c_str()));
    return true;
}

RunLock::~RunLock() { Release(); }

bool RunLock::Acquire(const std::string& path) {
    Release();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int e = errno;
            ::close(fd);
            errno = e;
            return false;
        }
        // The holder before us may have removed the file after we opened it:
        // the lock counts only on the file the name still names.
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            fd_ = fd;
            path_ = path;
            return true;
        }
        ::close(fd);
    }
    errno = EWOULDBLOCK;
    return false;
}

void RunLock::Release() {
    if (fd_ < 0) return;
    ::unlink(path_.c_str());  // still locked: nobody can take the removed file
    ::close(fd_);
    fd_ = -1;
}

}  // namespace rix
