// Example deployment: a chlorophyll fluorometer with a 700 nm backscatter
// channel on an ORB port. One tab-separated text record a second:
//
//   mm/dd/yy <tab> hh:mm:ss <tab> chlorophyll counts <tab> backscatter counts CR LF
//
// The meter's own clock starts at 12 June 2005 00:00:00 and runs with the
// given time. Its device file converts the counts: chlorophyll with scale
// 0.0073 ug/l per count above 49 dark counts, backscatter with 2.0e-6 per
// count above 50 dark counts at 700 nm (the water removed, sea water).
//
// Channel setup: "<id> ORB LAG=0 HAD=0 DEV=ORB.DEV", 9600 baud, one record
// every 1000 ms.
#pragma once
#include <cmath>
#include <cstdio>
#include <string>

namespace rixexample {

inline constexpr char kOrbDeviceFileName[] = "ORB.DEV";
inline constexpr int kOrbBaud = 9600;
inline constexpr int kOrbPeriodMs = 1000;

// The device file as the instrument setup names it (kOrbDeviceFileName).
inline std::string OrbDeviceFile() {
    return "ORB fluorometer with 700 nm backscatter\r\n"
           "Columns=4\r\n"
           "Date=1\r\n"
           "Time=2\r\n"
           "CHL=3 0.0073 49 Chl(ug/l)\r\n"
           "BBX=4 2.0e-6 50 700\r\n";
}

// Record `index` at `timeMs` milliseconds of the meter's clock.
inline std::string OrbRecord(long index, double timeMs) {
    if (timeMs < 0) timeMs = 0;
    const double pi = 3.14159265358979323846;
    const double s = timeMs / 1000.0;
    const long long sec = static_cast<long long>(std::floor(timeMs / 1000.0));
    long long day = sec / 86400;
    const int secOfDay = static_cast<int>(sec % 86400);
    // Calendar date from 12 June 2005 on (2005 is no leap year).
    static const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int year = 2005, month = 6;
    day += 12;
    while (day > kMonthDays[month - 1]) {
        day -= kMonthDays[month - 1];
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    // A slow bloom signal and a faster particle signal, with a small
    // repeating digitiser jitter of one count.
    const double chl = 1.2 + 0.3 * std::sin(s / 450.0 * 2 * pi);
    const double beta = 0.0015 + 0.0005 * std::sin(s / 130.0 * 2 * pi);
    const int jitter = static_cast<int>(index % 3) - 1;
    const long chlCounts = std::lround(chl / 0.0073) + 49 + jitter;
    const long bbCounts = std::lround(beta / 2.0e-6) + 50 - jitter;
    char line[96];
    std::snprintf(line, sizeof line, "%02d/%02d/%02d\t%02d:%02d:%02d\t%ld\t%ld\r\n", month,
                  static_cast<int>(day), year % 100, secOfDay / 3600, secOfDay / 60 % 60,
                  secOfDay % 60, chlCounts, bbCounts);
    return line;
}

}  // namespace rixexample
