// Example deployment: an SBE25 CTD profiling 0 to 100 dbar and back every
// 200 s, with a fluorometer on its one external voltage. Each scan is one
// line of hex digits (temperature and conductivity frequencies, pressure
// counts, voltage) as the instrument sends it at 8 scans per second.
#pragma once
#include <cmath>
#include <cstdio>
#include <string>

namespace rixexample {

namespace sbe25detail {

// The calibration the .CON below carries.
constexpr double kF0 = 1000.0, kG = 4.21128850e-003, kH = 5.98809978e-004, kI = 5.39242925e-006,
                 kJ = -1.40400219e-006;
constexpr double kC[6] = {-4.00753104e+000, 4.78066977e-001, 1.21247275e-003,
                          -3.18226763e-005, 3.2500e-006,     -9.57000000e-008};
constexpr double kQ1 = -6.524145e-002, kQ2 = 2.484202e+002, kQ4 = 5.500284e-008;
constexpr double kW1 = 0.068, kW2 = 16.920;
constexpr double kPsiToDecibar = 0.68947571852677790846;

inline double Temperature(double f) {
    const double l = std::log(kF0 / f);
    return 1.0 / (kG + kH * l + kI * l * l + kJ * l * l * l) - 273.15;
}
inline double Conductivity(double hz, double t, double p) {
    const double f = hz / 1000.0;
    return (kC[0] + kC[1] * f * f + kC[2] * f * f * f + kC[3] * f * f * f * f) /
           (10.0 * (1.0 + kC[4] * t + kC[5] * p));
}
inline double Pressure(double n) { return (kQ2 + kQ1 * n + kQ4 * n * n - 14.7) * kPsiToDecibar; }

// x in [lo, hi] where the increasing function fn reaches target.
template <class Fn>
double Solve(Fn fn, double target, double lo, double hi) {
    for (int k = 0; k < 60; ++k) {
        const double mid = 0.5 * (lo + hi);
        if (fn(mid) < target) lo = mid; else hi = mid;
    }
    return 0.5 * (lo + hi);
}

// A frequency as three bytes b1 b2 b3 (b1 * 256 + b2 + b3 / 256).
inline unsigned FrequencyBytes(double hz) {
    long v = std::lround(hz * 256.0);
    if (v < 0) v = 0;
    if (v > 0xFFFFFF) v = 0xFFFFFF;
    return static_cast<unsigned>(v);
}

}  // namespace sbe25detail

// One scan line (22 characters with its CR LF) for the record index and time.
inline std::string Sbe25ExampleScan(long index, double timeMs) {
    using namespace sbe25detail;
    const double s = std::fmod(timeMs / 1000.0, 200.0);
    const double depth = s < 100.0 ? s : 200.0 - s;  // 1 dbar per second down, then up
    const double ripple = 0.02 * std::sin(index * 0.37);
    const double p = depth + ripple;
    // A warm mixed layer over a thermocline; conductivity follows the water.
    const double t = 6.0 + 8.0 / (1.0 + std::exp((depth - 30.0) / 6.0)) + 0.01 * std::sin(index * 0.11);
    const double c = 2.95 + 0.085 * (t - 6.0) + 0.002 * depth;
    const double chl = 0.2 + 2.5 * std::exp(-std::pow((depth - 22.0) / 8.0, 2.0));

    const double fT = Solve([](double f) { return Temperature(f); }, t, 1500.0, 9000.0);
    const double fC = Solve([&](double f) { return Conductivity(f, t, p); }, c, 2000.0, 14000.0);
    const double n = Solve([](double x) { return -Pressure(x); }, -p, 0.0, 4095.0);
    const long counts = std::lround(n);
    long volts = std::lround((chl / kW2 + kW1) * 819.0);
    if (volts > 0xFFF) volts = 0xFFF;

    char line[32];
    std::snprintf(line, sizeof line, "%06X%06X0%03lX0%03lX\r\n", FrequencyBytes(fT),
                  FrequencyBytes(fC), counts, volts);
    return line;
}

// The SBE25's .CON: instrument code 139, one voltage (a fluorometer), 8 scans a second.
inline std::string Sbe25ExampleCon() {
    std::string text;
    for (int n = 1; n <= 205; ++n) {
        switch (n) {
            case 1: text += "2521"; break;
            case 3: text += "2000.0000 0.0000 1.00000000 0.00000 1"; break;
            case 4: text += "2521"; break;
            case 5: text += "1000.000 4.21059973e-003 5.97017997e-004 3.08092908e+004 -1.85656400e-006 1.00000000 0.0000 1"; break;
            case 13: text += "-6.524145e-002 2.484202e+002 0.000000e+000 5.500284e-008"; break;
            case 14: text += "0.000000e+000 0.000000e+000 1.00000000 0.00000 141 1.250000e-002 -1.000000e+001"; break;
            case 39: text += "0 18 1 139 147 0.125000000000 0.000000000000 0"; break;
            case 40: text += "0 0 1 0 77 2 13 0 13 0 13 0"; break;
            case 110: text += "-4.00753104e+000 4.78066977e-001 1.21247275e-003 -3.18226763e-005 3.2500e-006 -9.57000000e-008"; break;
            case 111: text += "1000.000 4.21128850e-003 5.98809978e-004 5.39242925e-006 -1.40400219e-006"; break;
            case 117: text += "WS3S-668P"; break;
            case 119: text += "0.068 16.920"; break;
            default: break;
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace rixexample
