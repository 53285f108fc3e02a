// File handling shared by the archive builders and the archive utilities.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace rix {

struct Context;
class ArchiveStream;
class Reporter;

// The one path-join helper: folder + "/" + name (no separator doubled; an
// empty folder gives the name alone).
std::string JoinPath(const std::string& folder, const std::string& name);

// fwrite without the stream's lock: a run's output streams are written by
// the run's own thread alone, and taking the lock for every row was a
// quarter of a text extraction's time.
inline size_t WriteUnlocked(const void* data, size_t size, std::FILE* stream) {
#if defined(__GLIBC__)
    return ::fwrite_unlocked(data, 1, size, stream);
#else
    return std::fwrite(data, 1, size, stream);
#endif
}

// fread that tells a read error from the end of the file: error is the
// errno of a failed read (EIO when the library kept none), else 0.
size_t ReadChecked(void* dst, size_t n, std::FILE* file, int& error);

// Reads a whole input file into memory. On failure the common box
// "<purpose> File Error" / "Unable to open <path>" is shown and false returned.
bool LoadWholeFile(Context& ctx, const std::string& path, const char* purpose,
                   std::vector<uint8_t>& data);

// Opens an archive for the packet reader, with the same box on failure (the
// reason added when the path names no regular file).
bool OpenArchiveInput(Context& ctx, ArchiveStream& stream, const std::string& path,
                      const char* purpose);

// The file under an output stream: every write is checked here, so the first
// failure and its errno are kept whatever the stream does afterwards.
struct OutputSink {
    int fd = -1;
    int error = 0;
    long long bytes = 0;
    long long lines = 0;
};

// Every output file goes through OutputFile: it is written under a
// temporary name in its own folder and renamed over its final name only when
// it is complete, so a reader never meets a half-written file and an earlier
// file of that name stays as it was until the new one replaces it whole.
// Every write, flush and close is checked; the first failure is kept with the
// system's reason.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // an output not committed is removed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file beside `path`. On failure the common box
    // "<purpose> File Error" / "Unable to open <path>" and false.
    bool Open(Reporter& reporter, const std::string& path, const std::string& purpose);
    bool IsOpen() const { return file_ != nullptr; }
    std::FILE* Stream() const { return file_; }
    const std::string& Path() const { return path_; }
    const std::string& TempPath() const { return tempPath_; }
    // A write, flush or close has failed; Error() is its errno.
    bool Failed() const;
    int Error() const;
    long long Bytes() const;  // bytes that reached the file
    long long Lines() const;  // line feeds among them

    // Flushes and closes the file and renames it over its final name. On
    // failure the temporary file is removed and the failure reported once:
    // "<purpose> File Error" / "Unable to write <path>: <reason>".
    bool Commit();
    // Closes and removes the temporary file; the final name is not touched.
    void Discard();
    // Reports the failure of a write (once) as Commit would.
    void ReportFailure();

    // Hands the buffered bytes to the file (counted by Bytes and Lines).
    bool Flush();

private:
    std::unique_ptr<OutputSink> sink_;
    std::unique_ptr<char[]> buffer_;
    std::FILE* file_ = nullptr;
    Reporter* reporter_ = nullptr;
    std::string path_, target_, tempPath_, purpose_;
    int slot_ = -1;  // in the table of temporary files a signal removes
    bool reported_ = false;
};

// For writers that create their file through another library (NetCDF): a
// temporary name beside `path` ("<folder>/.<name>.tmp-<pid>-<n>"), listed
// for RemoveTemporaryOutputs until released. The caller creates the file.
class TemporaryPath {
public:
    TemporaryPath() = default;
    ~TemporaryPath();  // the name is released and the file, if any, removed
    TemporaryPath(const TemporaryPath&) = delete;
    TemporaryPath& operator=(const TemporaryPath&) = delete;
    void Reserve(const std::string& path);
    const std::string& Path() const { return temp_; }
    // Renames the file over the final name (a link keeps pointing at the new
    // file); false with errno set when it cannot.
    bool Commit();
    // Removes the file; the final name is not touched.
    void Discard();

private:
    std::string final_, temp_;
    int slot_ = -1;
};

// Removes the temporary file of every output still open: for a program that
// ends on a signal. Safe to call from a signal handler.
void RemoveTemporaryOutputs();

// True when both paths name one existing file (same device and inode, also
// through a link or another spelling of the path).
bool IsSameFile(const std::string& a, const std::string& b);

// Refuses an output that is one of the inputs, before anything is written:
// "Same File Error" / "Output file <output> is the same file as input file <input>".
// True when refused.
bool RefuseSameFile(Reporter& reporter, const std::string& input, const std::string& output);

// Holds the lock of one output base for a run: flock on "<path>", created
// when missing and removed when the lock is given up.
class RunLock {
public:
    RunLock() = default;
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;
    // False when another process holds it (or the lock file cannot be made);
    // errno tells which (EWOULDBLOCK for a holder).
    bool Acquire(const std::string& path);
    void Release();

private:
    int fd_ = -1;
    std::string path_;
};

// Test seam: after `bytes` more bytes every output write fails with `error`
// (a full disk); a negative count lifts the limit.
void SetOutputWriteLimitForTesting(long long bytes, int error);

}  // namespace rix
