#include "utilities/Decimal.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace rix {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

const char* ScanDecimal(const char* p, const char* end, double& value) {
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '+' || *s == '-')) negative = (*s++ == '-');
    // A digit, or a point followed by a digit, must come first: this keeps
    // out "inf", "nan" and lone signs or points.
    if (s >= end) return nullptr;
    if (!IsDigit(*s) && !(*s == '.' && s + 1 < end && IsDigit(s[1]))) return nullptr;
    double v = 0;
    // from_chars reads no hexadecimal in the general format: "0x1A" reads 0.
    auto [stop, ec] = std::from_chars(s, end, v, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        // Overflow and underflow as strtod gives them.
        std::string text(s, stop);
        v = std::strtod(text.c_str(), nullptr);
    } else if (ec != std::errc()) {
        return nullptr;
    }
    value = negative ? -v : v;
    return stop;
}

bool ScanDouble(const char*& p, double& value) {
    const char* s = p;
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\v' || *s == '\f') ++s;
    const char* end = s;
    while (*end) ++end;
    const char* stop = ScanDecimal(s, end, value);
    if (!stop) return false;
    p = stop;
    return true;
}

void AppendFixed(std::string& out, double value, int decimals) {
    char buffer[400];
    auto [stop, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
        out.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        return;
    }
    out.append(buffer, stop);
}

}  // namespace rix
