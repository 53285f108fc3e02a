// Forward reading of the merge's text files through one large buffer: whole
// lines of any length, and a bulk copy of the rest for the append mode.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace rix {

class TextReader {
public:
    TextReader();
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    bool Open(const std::string& path);  // "rb"; false when it cannot be opened
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    void Rewind();
    // The next line with its line feed (when it has one), valid until the
    // next call. False at the end of the file: a last line without a line
    // end is still a line.
    bool ReadLine(std::string_view& line);
    bool AtEnd() const { return atEnd_; }
    // Copies everything not read yet; false on a write error.
    bool CopyRest(std::FILE* out);
    // A read error ended the reading early: it is not the end of the file.
    // It stays until the next Open; Fault() says why.
    bool Failed() const { return failed_; }
    const std::string& Fault() const { return fault_; }
    const std::string& Path() const { return path_; }

    // Replaces fread for every reader (nullptr restores it); tests inject
    // read errors through it. error is set to an errno value on failure.
    using ReadFunction = size_t (*)(void* dst, size_t n, std::FILE* file, int& error);
    static void SetReadFunction(ReadFunction read);

private:
    bool Fill();

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool atEnd_ = false;
    std::string spill_;  // a line that crosses the end of the buffer
    std::string path_;
    bool failed_ = false;
    std::string fault_;
};

}  // namespace rix
