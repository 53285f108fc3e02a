#include "setup/SetupText.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace rix::setuptext {

std::FILE* OpenForReading(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;

    // One look through the file: a mark at its start, any LF, any CR.
    unsigned char head[3] = {};
    const size_t headLength = std::fread(head, 1, sizeof head, file);
    const bool mark = headLength == 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF;
    bool lf = false, cr = false;
    for (size_t i = 0; i < headLength; ++i) {
        lf = lf || head[i] == '\n';
        cr = cr || head[i] == '\r';
    }
    char block[8192];
    size_t n;
    while (!lf && (n = std::fread(block, 1, sizeof block, file)) > 0) {
        lf = std::memchr(block, '\n', n) != nullptr;
        cr = cr || std::memchr(block, '\r', n) != nullptr;
    }
    const bool crOnly = cr && !lf;
    std::rewind(file);
    if (!mark && !crOnly) return file;

    std::FILE* copy = std::tmpfile();
    if (!copy) {
        // No room for a copy: at least the mark is passed over.
        if (mark) std::fseek(file, 3, SEEK_SET);
        return file;
    }
    if (mark) std::fseek(file, 3, SEEK_SET);
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) {
        if (crOnly)
            for (size_t i = 0; i < n; ++i)
                if (block[i] == '\r') block[i] = '\n';
        std::fwrite(block, 1, n, copy);
    }
    std::fclose(file);
    std::rewind(copy);
    return copy;
}

bool ReadLineWithEnd(std::FILE* stream, std::size_t limit, std::string& line) {
    line.clear();
    int c = std::fgetc(stream);
    if (c == EOF) return false;
    for (; c != EOF; c = std::fgetc(stream)) {
        if (line.size() < limit) line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return true;
}

bool ReadLine(std::FILE* stream, std::size_t limit, std::string& line) {
    line.clear();
    int c = std::getc(stream);
    if (c == EOF) return false;
    while (c != EOF && c != '\n' && c != '\r') {
        if (line.size() < limit) line.push_back(static_cast<char>(c));
        c = std::getc(stream);
    }
    if (c == '\r') {
        int next = std::getc(stream);
        if (next != '\n' && next != EOF) std::ungetc(next, stream);
    }
    return true;
}

bool ScanInt(const char*& p, int& value) {
    const char* s = p;
    while (*s && IsBlank(*s)) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = (*s++ == '-');
    if (*s < '0' || *s > '9') return false;
    long long v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (*s - '0');
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    value = static_cast<int>(v);
    p = s;
    return true;
}

bool ScanWord(const char*& p, std::string& word) {
    const char* s = p;
    while (*s && IsBlank(*s)) ++s;
    const char* start = s;
    while (*s && !IsBlank(*s)) ++s;
    if (s == start) return false;
    word.assign(start, s);
    p = s;
    return true;
}

void ToUpperAscii(std::string& text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
}

}  // namespace rix::setuptext
