#include "setup/SetupText.h"

#include <filesystem>
#include <system_error>

namespace rix::setuptext {

std::FILE* OpenForReading(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return nullptr;
    return std::fopen(path.c_str(), "rb");
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
