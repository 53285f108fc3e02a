#include "utilities/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace rix {

namespace {

// Appends text, padded on the left to width: spaces before it, or zeros after
// its sign.
void AppendPadded(std::string& out, const char* text, size_t length, int width, bool zeroPad) {
    const size_t pad = width > 0 && static_cast<size_t>(width) > length ? static_cast<size_t>(width) - length : 0;
    if (pad == 0) {
        out.append(text, length);
        return;
    }
    if (!zeroPad) {
        out.append(pad, ' ');
        out.append(text, length);
        return;
    }
    size_t sign = (length > 0 && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    out.append(text, sign);
    out.append(pad, '0');
    out.append(text + sign, length - sign);
}

}  // namespace

void AppendFixed(std::string& out, double value, int width, int precision, bool zeroPad) {
    precision = std::clamp(precision, 0, 60);
    if (!std::isfinite(value)) {
        const bool negative = std::signbit(value);
        const char* text = std::isnan(value) ? (negative ? "-nan" : "nan") : (negative ? "-inf" : "inf");
        AppendPadded(out, text, std::strlen(text), width, false);
        return;
    }
    // The largest double printed in full has 309 digits before the point.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    const size_t length = result.ec == std::errc{} ? static_cast<size_t>(result.ptr - buffer) : 0;
    AppendPadded(out, buffer, length, width, zeroPad);
}

void AppendInt(std::string& out, long long value, int width, bool zeroPad) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    AppendPadded(out, buffer, static_cast<size_t>(result.ptr - buffer), width, zeroPad);
}

void AppendHex2(std::string& out, uint8_t byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 15]);
}

}  // namespace rix
