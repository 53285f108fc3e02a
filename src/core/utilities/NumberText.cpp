#include "utilities/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
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

constexpr double kPowers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr uint64_t kIntegerPowers[16] = {1,
                                         10,
                                         100,
                                         1000,
                                         10000,
                                         100000,
                                         1000000,
                                         10000000,
                                         100000000,
                                         1000000000,
                                         10000000000,
                                         100000000000,
                                         1000000000000,
                                         10000000000000,
                                         100000000000000,
                                         1000000000000000};

// The usual case of an instrument value: the value scaled to its last
// printed digit is under 1e12, so the double product is within 1.2e-4 of the
// exact one and decides printf's rounding unless the value is near a half
// (then false, and the exact conversion decides). Writes sign, digits, point.
// "00" to "99", two digits at a time.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the count decimal digits of n that end at end (leading zeros kept).
inline void WriteDigits(char* end, uint64_t n, int count) {
    for (; count >= 2; count -= 2) {
        const unsigned pair = static_cast<unsigned>(n % 100);
        n /= 100;
        end -= 2;
        end[0] = kPairs[2 * pair];
        end[1] = kPairs[2 * pair + 1];
    }
    if (count == 1) *--end = static_cast<char>('0' + n % 10);
}

inline int DigitCount(uint64_t n) {
    int count = 1;
    for (; n >= 100; n /= 100) count += 2;
    return n >= 10 ? count + 1 : count;
}

bool QuickFixed(char* buffer, size_t& length, double value, int precision) {
    if (precision > 15) return false;
    const double scaled = std::fabs(value) * kPowers[precision];
    if (!(scaled < 1e12)) return false;
    const uint64_t whole = static_cast<uint64_t>(scaled);
    const double fraction = scaled - static_cast<double>(whole);  // exact
    if (std::fabs(fraction - 0.5) < 1e-3) return false;
    const uint64_t digits = whole + (fraction > 0.5 ? 1 : 0);
    const uint64_t integer = digits / kIntegerPowers[precision];
    const uint64_t decimals = digits % kIntegerPowers[precision];
    char* p = buffer;
    if (std::signbit(value)) *p++ = '-';  // printf keeps the sign of a value that rounds to 0
    const int integerDigits = DigitCount(integer);
    p += integerDigits;
    WriteDigits(p, integer, integerDigits);
    if (precision > 0) {
        *p++ = '.';
        p += precision;
        WriteDigits(p, decimals, precision);
    }
    length = static_cast<size_t>(p - buffer);
    return true;
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
    size_t quick = 0;
    if (QuickFixed(buffer, quick, value, precision)) {
        AppendPadded(out, buffer, quick, width, zeroPad);
        return;
    }
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
