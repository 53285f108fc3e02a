// Numbers as text without printf: the digits "%W.Pf", "%0W.Pf", "%Wd",
// "%0Wd" and "%02x" give, appended to a buffer. The rows of the channel
// files are built with these, one value after another, and written at once.
#pragma once
#include <cstdint>
#include <string>

namespace rix {

// printf("%<width>.<precision>f", value), or "%0<width>.<precision>f" with
// zeroPad (zeros after the sign; "nan" and "inf" are still padded with
// spaces). Same spellings as the C library: "nan", "-nan", "inf", "-inf",
// "-0.000". precision is held to 0..60.
void AppendFixed(std::string& out, double value, int width, int precision, bool zeroPad = false);

// printf("%<width>lld", value), or "%0<width>lld" with zeroPad.
void AppendInt(std::string& out, long long value, int width = 1, bool zeroPad = false);

// printf("%02x", byte).
void AppendHex2(std::string& out, uint8_t byte);

}  // namespace rix
