#include "meters/Ascii.h"

#include <cstdio>
#include <cstring>

namespace rix {

namespace {
constexpr int kLineBuffer = 1024;  // the record buffer: 1023 bytes and a terminator
}

int AppendLineTime(double lineTime, int& length, char* line) {
    if (!line || length < 3) return 0;
    if (length > kLineBuffer - 1) length = kLineBuffer - 1;

    // The line end as it stands: CR LF, a line feed alone, or none.
    int text = length;
    if (line[text - 1] == '\n') {
        --text;
        if (text > 0 && line[text - 1] == '\r') --text;
    }
    const bool comma = std::memchr(line, ',', static_cast<size_t>(text)) != nullptr;

    char suffix[400];
    int n = std::snprintf(suffix, sizeof suffix, comma ? ",\t%1.0lf\r\n" : "\t%1.0lf\r\n", lineTime);
    if (n < 0) return 0;
    if (n >= static_cast<int>(sizeof suffix)) n = static_cast<int>(sizeof suffix) - 1;

    // A line already at the buffer's limit gives up its last characters to the time.
    if (text + n > kLineBuffer - 1) text = kLineBuffer - 1 - n;
    std::memcpy(line + text, suffix, static_cast<size_t>(n));
    length = text + n;
    line[length] = '\0';
    return 1;
}

}  // namespace rix
