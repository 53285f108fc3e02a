// Example deployment: a GPS receiver with an echo sounder on the same serial
// line, as a survey boat carries it. Each record is one second of output: an
// RMC and a GGA position sentence and a DBT depth sentence.
//
// Channel setup line: "11 GPS LAG=0 HAD=0 DEV= " (no device file); 4800 baud,
// one record every 1000 ms.
#pragma once
#include <cmath>
#include <cstdio>
#include <string>

namespace rixexample {
namespace gps {

// "$body*hh\r\n": the XOR of the characters between '$' and '*'.
inline std::string Sentence(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

// Calendar date of a day count from 1 January 1970.
inline void CivilFromDays(long z, int& year, int& month, int& day) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

// Serial bytes of record index at time timeMs (ms since the deployment
// started, 12 June 2005 23:45:00 UTC): the boat steams slowly north-east off
// the Maine coast over a bottom that rises and falls between 30 and 50 m.
inline std::string RecordBytes(long index, double timeMs) {
    (void)index;
    const double seconds = 85500.0 + timeMs / 1000.0;  // from midnight of the first day
    long days = static_cast<long>(std::floor(seconds / 86400.0));
    double ofDay = seconds - 86400.0 * static_cast<double>(days);
    days += 12946;  // 12 June 2005
    int year = 0, month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    const int hh = static_cast<int>(ofDay / 3600);
    const int mm = static_cast<int>(ofDay / 60) % 60;
    const double ss = ofDay - hh * 3600.0 - mm * 60.0;

    const double hours = timeMs / 3600000.0;
    const double lat = 43.65 + 0.02 * hours + 0.0005 * std::sin(hours * 3.0);  // north
    const double lon = 70.25 - 0.03 * hours;                                    // west
    const double depth = 40.0 + 10.0 * std::sin(timeMs / 600000.0);           // metres

    char when[16], where[64], body[160];
    std::snprintf(when, sizeof when, "%02d%02d%05.2f", hh, mm, std::floor(ss * 100) / 100);
    const int latDeg = static_cast<int>(lat), lonDeg = static_cast<int>(lon);
    std::snprintf(where, sizeof where, "%02d%07.4f,N,%03d%07.4f,W", latDeg, (lat - latDeg) * 60,
                  lonDeg, (lon - lonDeg) * 60);

    std::string out;
    std::snprintf(body, sizeof body, "GPRMC,%s,A,%s,5.2,045.0,%02d%02d%02d,,,A", when, where, day,
                  month, year % 100);
    out += Sentence(body);
    std::snprintf(body, sizeof body, "GPGGA,%s,%s,1,08,0.9,5.0,M,-30.0,M,,", when, where);
    out += Sentence(body);
    std::snprintf(body, sizeof body, "SDDBT,%.1f,f,%.1f,M,%.1f,F", depth / 0.3048, depth,
                  depth / 1.8288);
    out += Sentence(body);
    return out;
}

// The GPS needs no device file.
inline std::string DeviceFileText() { return std::string(); }

}  // namespace gps
}  // namespace rixexample
