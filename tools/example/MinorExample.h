// Example deployment: serial bytes of a Thermo Bath D-Plus thermometer and a
// DMM 22-812 multimeter on a current loop, one record at a time. Neither
// meter needs a device file.
//
// Thermometer: instrument setup line "<id> Thermo_Bath", 9600 baud, one record
//   (an external and an internal temperature frame) every 1000 ms.
// DMM: instrument setup line "<id> DMM22812", 4800 baud, one frame every
//   125 ms (engineering output keeps every eighth reading: one row a second).
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

namespace rixexample {

namespace minor_detail {

constexpr double kPi = 3.14159265358979323846;

inline void AppendThermoFrame(std::vector<uint8_t>& out, uint8_t type, double celsius) {
    const int hundredths = static_cast<int>(std::lround(celsius * 100.0));
    const uint16_t value = static_cast<uint16_t>(static_cast<int16_t>(hundredths));
    const uint8_t frame[8] = {0xCA, 0x00, 0x01, type, 3, 33, static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value & 0xFF)};
    unsigned sum = 0;
    for (int i = 1; i < 8; ++i) sum += frame[i];
    out.insert(out.end(), frame, frame + 8);
    out.push_back(static_cast<uint8_t>(0xFF - (sum & 0xFF)));
}

// Segment code of a display digit 0..9.
inline uint8_t DmmSegment(int digit) {
    static const uint8_t kCodes[10] = {215, 80, 181, 241, 114, 227, 231, 81, 247, 243};
    return kCodes[digit < 0 ? 0 : digit > 9 ? 9 : digit];
}

}  // namespace minor_detail

// One thermometer record: an external (probe) temperature frame, then an
// internal (bath) frame, in hundredths of a degree. The bath drifts slowly
// around 20 C, the probe follows it with a lag and a little ripple.
inline std::vector<uint8_t> ThermoBathRecord(int index, double timeMs) {
    using minor_detail::kPi;
    const double phase = 2 * kPi * timeMs / 900000.0;  // a 15-minute cycle
    const double bath = 20.0 + 1.5 * std::sin(phase);
    const double probe = 20.0 + 1.4 * std::sin(phase - 0.3) + 0.02 * std::sin(0.7 * index);
    std::vector<uint8_t> out;
    minor_detail::AppendThermoFrame(out, 0x21, probe);
    minor_detail::AppendThermoFrame(out, 0x20, bath);
    return out;
}

// One DMM frame: a DC current reading (mode 3) of a 4-20 mA loop, shown with
// four digits: "dd.dd" from 10 mA up, "d.ddd" below.
inline std::vector<uint8_t> DmmRecord(int index, double timeMs) {
    using minor_detail::DmmSegment;
    using minor_detail::kPi;
    double ma = 12.0 + 6.0 * std::sin(2 * kPi * timeMs / 600000.0) + 0.01 * std::sin(1.3 * index);
    ma = ma < 4.0 ? 4.0 : ma > 20.0 ? 20.0 : ma;
    const bool two = ma >= 10.0;
    int shown = static_cast<int>(std::lround(ma * (two ? 100.0 : 1000.0)));
    if (shown > 9999) shown = 9999;
    uint8_t digit6 = DmmSegment(shown / 1000), digit5 = DmmSegment(shown / 100 % 10),
            digit4 = DmmSegment(shown / 10 % 10), digit3 = DmmSegment(shown % 10);
    if (two) digit4 |= 8; else digit5 |= 8;  // the decimal point before that digit
    std::vector<uint8_t> f = {3, 0, 0, digit3, digit4, digit5, digit6, 0};
    unsigned sum = 57;
    for (uint8_t b : f) sum += b;
    f.push_back(static_cast<uint8_t>(sum & 0xFF));
    return f;
}

}  // namespace rixexample
