#include "meters/Ascii.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "utilities/NumberText.h"

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

    std::string suffix(comma ? ",\t" : "\t");
    AppendFixed(suffix, lineTime, 1, 0);
    suffix.append("\r\n");
    const int n = static_cast<int>(std::min<size_t>(suffix.size(), 399));

    // A line already at the buffer's limit gives up its last characters to the time.
    if (text + n > kLineBuffer - 1) text = kLineBuffer - 1 - n;
    std::memcpy(line + text, suffix.data(), static_cast<size_t>(n));
    length = text + n;
    line[length] = '\0';
    return 1;
}

}  // namespace rix
