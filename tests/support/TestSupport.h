// Helpers shared by the tests: scratch folders and whole-file reads/writes.
#pragma once
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace rixtest {

// A fresh empty folder under the system's temporary folder, removed on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> Bytes(const std::string& text);

// The folder of real instrument data, or "" when it is absent.
std::string RealDataDir();

// Installs a failing read in a reader's test seam (ArchiveStream,
// TextReader) for its lifetime: reads come in slices of Slice bytes, and the
// read numbered failAt fails with EIO.
template <typename Reader, size_t Slice>
struct InjectedReadError {
    static inline int calls = 0;
    static inline int failAt = 0;
    static size_t Read(void* dst, size_t n, std::FILE* file, int& error) {
        error = 0;
        if (++calls == failAt) {
            error = EIO;
            return 0;
        }
        return std::fread(dst, 1, std::min<size_t>(n, Slice), file);
    }
    explicit InjectedReadError(int failAtRead) {
        calls = 0;
        failAt = failAtRead;
        Reader::SetReadFunction(Read);
    }
    ~InjectedReadError() { Reader::SetReadFunction(nullptr); }
    InjectedReadError(const InjectedReadError&) = delete;
    InjectedReadError& operator=(const InjectedReadError&) = delete;
};

}  // namespace rixtest
