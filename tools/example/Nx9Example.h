// Example NX9 absorption/attenuation meter: the serial bytes of one 636-byte
// frame per record and the text of the meter's device file.
// Channel setup: "<id> NX9 LAG=0 HAD=0 DEV=NX9EX.DEV", 19200 baud, one frame
// every 1600 ms (ten scans 160 ms apart).
#pragma once
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace nx9example {

constexpr int kBaud = 19200;
constexpr int kPeriodMs = 1600;
constexpr int kFrameLength = 636;
constexpr const char* kDeviceFileName = "NX9EX.DEV";

// Output channel order: a650 a676 a715 c412 c440 c488 a510 a532 a555
// c650 c676 c715 a412 a440 a488 c510 c532 c555.
inline const char* ChannelName(int c) {
    static const char* const names[18] = {"a650", "a676", "a715", "c412", "c440", "c488",
                                          "a510", "a532", "a555", "c650", "c676", "c715",
                                          "a412", "a440", "a488", "c510", "c532", "c555"};
    return names[c];
}

inline std::string DeviceFile() {
    std::string text =
        "NX9 example meter device file\r\n"
        "165\t; serial number\r\n"
        "1\t; structure version\r\n"
        "; pressure: offset (dbar), slope (dbar/count)\r\n"
        "0.0\t0.01\r\n"
        "; path length (m)\r\n"
        "0.25\r\n"
        "4\t; temperature bins\r\n"
        "5.0\r\n12.0\r\n19.0\r\n26.0\r\n";
    for (int c = 0; c < 18; ++c) {
        char line[128];
        // name, wavelength field, offset, one correction per bin
        std::snprintf(line, sizeof line, "%s\t0\t%.4f\t%.4f\t%.4f\t%.4f\t%.4f\r\n", ChannelName(c),
                      0.002 * (c % 3), 0.0012, 0.0005, -0.0002, -0.0009);
        text += line;
    }
    return text;
}

namespace detail {

inline void Put16(std::string& f, int at, int value) {
    const uint16_t v = static_cast<uint16_t>(value);
    f[at] = static_cast<char>(v & 0xFF);
    f[at + 1] = static_cast<char>(v >> 8);
}

// b1 * 256 + b0 + b2 / 256
inline void Put3(std::string& f, int at, double value) {
    if (value < 0) value = 0;
    if (value > 65535.99) value = 65535.99;
    const int whole = static_cast<int>(value);
    f[at] = static_cast<char>(whole & 0xFF);
    f[at + 1] = static_cast<char>(whole >> 8);
    f[at + 2] = static_cast<char>(static_cast<int>((value - whole) * 256.0));
}

// A smooth a or c value in m^-1 for channel c at time t.
inline double Coefficient(int c, double t) {
    const double slow = std::sin(t / 60000.0 * 6.283185307179586);
    const double isC = (c / 3) % 2 == 1 ? 1.0 : 0.0;
    const double blue = c >= 12 || (c >= 3 && c < 6) ? 0.15 : 0.0;
    return 0.05 + blue + isC * 0.25 + 0.03 * slow + 0.01 * (c % 3);
}

}  // namespace detail

// The frame of record `index` sent at timeMs.
inline std::string Record(long index, double timeMs) {
    std::string f(kFrameLength, '\0');
    f[0] = 0x00;
    f[1] = static_cast<char>(0xFF);
    f[2] = 0x00;
    f[3] = static_cast<char>(0xFF);
    detail::Put16(f, 6, 0x0165);
    detail::Put16(f, 12, 3000);                                                    // word A
    detail::Put16(f, 14, static_cast<int>(1000 + 500 * std::sin(timeMs / 90000.0)));  // pressure
    detail::Put16(f, 16, 2000);                                                    // word B
    const double reference = 40000.0;
    for (int scan = 0; scan < 10; ++scan) {
        const int base = 18 + 56 * scan;
        detail::Put16(f, base, static_cast<int>((index * 10 + scan) * 16));
        const double t = timeMs + 160.0 * scan;
        for (int c = 0; c < 18; ++c)
            detail::Put3(f, base + 2 + 3 * c, reference * std::exp(-detail::Coefficient(c, t) * 0.25));
    }
    for (int c = 0; c < 18; ++c) detail::Put3(f, 578 + 3 * c, reference);
    detail::Put16(f, 632, static_cast<int>(300 + 20 * std::sin(timeMs / 120000.0)));  // ~10 degC
    unsigned sum = 0;
    for (int i = 0; i < kFrameLength - 2; ++i) sum += static_cast<uint8_t>(f[i]);
    detail::Put16(f, kFrameLength - 2, static_cast<int>(sum & 0xFFFF));
    return f;
}

}  // namespace nx9example
