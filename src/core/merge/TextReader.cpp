#include "merge/TextReader.h"

#include <cerrno>
#include <cstring>

#include "utilities/FileIo.h"

namespace rix {

namespace {
constexpr size_t kBufferSize = 1 << 20;

TextReader::ReadFunction g_read = ReadChecked;
}  // namespace

void TextReader::SetReadFunction(ReadFunction read) { g_read = read ? read : ReadChecked; }

TextReader::TextReader() : buffer_(std::make_unique<char[]>(kBufferSize)) {}

TextReader::~TextReader() { Close(); }

bool TextReader::Open(const std::string& path) {
    Close();
    file_ = std::fopen(path.c_str(), "rb");
    if (file_) std::setvbuf(file_, nullptr, _IONBF, 0);  // reads go through our own buffer
    size_ = pos_ = 0;
    atEnd_ = false;
    path_ = path;
    failed_ = false;
    fault_.clear();
    return file_ != nullptr;
}

void TextReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    size_ = pos_ = 0;
    atEnd_ = true;
}

void TextReader::Rewind() {
    if (!file_) return;
    std::rewind(file_);
    size_ = pos_ = 0;
    atEnd_ = false;
}

bool TextReader::Fill() {
    pos_ = 0;
    size_ = 0;
    if (!file_ || failed_) return false;
    int error = 0;
    size_ = g_read(buffer_.get(), kBufferSize, file_, error);
    if (error != 0) {
        // What the failed read brought is not delivered: a cut line would
        // pass for a whole one.
        failed_ = true;
        fault_ = std::strerror(error);
        size_ = 0;
        return false;
    }
    return size_ > 0;
}

bool TextReader::ReadLine(std::string_view& line) {
    bool spilled = false;
    spill_.clear();
    for (;;) {
        if (pos_ == size_ && !Fill()) {
            if (spilled && !failed_) {
                line = spill_;
                return true;
            }
            atEnd_ = true;
            return false;
        }
        const char* start = buffer_.get() + pos_;
        const size_t available = size_ - pos_;
        const void* lf = std::memchr(start, '\n', available);
        if (lf) {
            const size_t n = static_cast<const char*>(lf) - start + 1;
            pos_ += n;
            if (spilled) {
                spill_.append(start, n);
                line = spill_;
            } else {
                line = std::string_view(start, n);
            }
            return true;
        }
        spill_.append(start, available);
        spilled = true;
        pos_ = size_;
    }
}

bool TextReader::CopyRest(std::FILE* out) {
    bool ok = true;
    do {
        if (size_ > pos_ && std::fwrite(buffer_.get() + pos_, 1, size_ - pos_, out) != size_ - pos_) ok = false;
        pos_ = size_;
    } while (Fill());
    atEnd_ = true;
    return ok;
}

}  // namespace rix
