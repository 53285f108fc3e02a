// NMEA 0183 position and depth sentences.
//
// Sentences are split into comma-separated fields and every field a row needs
// is read whole: a field that is empty, too long or holds anything but the
// digits its NMEA layout asks for gives no row. Only the speed and course of an
// RMC sentence may be empty (receivers leave them out when standing still or
// without a heading) since they are not written.
#include "meters/Gps.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "Context.h"
#include "extract/Channel.h"
#include "setup/MeterType.h"

namespace rix {

namespace {

// Day of year before the first of each month, January to December.
constexpr int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Enough for every field read here; fields further on (GSV satellites and the
// like) are never looked at.
constexpr int kMaxFields = 16;

struct Sentence {
    std::string_view fields[kMaxFields];  // [0] is the sentence id, e.g. "GPRMC"
    int count = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLineSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Checks the checksum and splits the data fields. A sentence carries a
// checksum when its last '*' is followed by two hex digits: the XOR of every
// character between '$' and that '*'. Without one the sentence is read as it
// stands. The data end at the first '*' or at the line end.
bool SplitSentence(const char* line, int length, Sentence& s) {
    if (line == nullptr || length <= 0) return false;
    const std::string_view text(line, strnlen(line, static_cast<size_t>(length)));
    if (text.empty() || text[0] != '$') return false;

    const size_t star = text.rfind('*');
    if (star != std::string_view::npos && star + 2 < text.size()) {
        const int high = HexValue(text[star + 1]);
        const int low = HexValue(text[star + 2]);
        if (high >= 0 && low >= 0) {
            unsigned sum = 0;
            for (size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(text[i]);
            if (sum != static_cast<unsigned>(high * 16 + low)) return false;
        }
    }

    const size_t firstStar = text.find('*', 1);
    std::string_view data =
        text.substr(1, firstStar == std::string_view::npos ? std::string_view::npos : firstStar - 1);
    while (!data.empty() && IsLineSpace(data.back())) data.remove_suffix(1);

    s.count = 0;
    while (s.count < kMaxFields) {
        const size_t comma = data.find(',');
        s.fields[s.count++] = data.substr(0, comma);
        if (comma == std::string_view::npos) break;
        data.remove_prefix(comma + 1);
    }
    return true;
}

std::string_view Field(const Sentence& s, int i) {
    return i < s.count ? s.fields[i] : std::string_view();
}

// Exactly count digits at pos.
bool FixedDigits(std::string_view f, size_t pos, size_t count, int& value) {
    if (pos + count > f.size()) return false;
    value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (!IsDigit(f[i])) return false;
        value = value * 10 + (f[i] - '0');
    }
    return true;
}

// A plain decimal number: optional sign (when allowed), digits, optional
// fraction; at least one digit. No exponent, no white space.
bool Decimal(std::string_view f, bool allowSign, double& value) {
    bool negative = false;
    if (allowSign && !f.empty() && (f[0] == '+' || f[0] == '-')) {
        negative = f[0] == '-';
        f.remove_prefix(1);
    }
    int digits = 0;
    int points = 0;
    for (char c : f) {
        if (IsDigit(c)) {
            ++digits;
        } else if (c == '.' && points == 0) {
            ++points;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    const auto r = std::from_chars(f.data(), f.data() + f.size(), value);
    if (r.ec != std::errc() || r.ptr != f.data() + f.size()) return false;
    if (negative) value = -value;
    return true;
}

// Two integer digits and an optional fraction: the minutes of a position,
// the seconds of a time.
bool TwoDigitDecimal(std::string_view f, double& value) {
    if (f.size() < 2 || !IsDigit(f[0]) || !IsDigit(f[1])) return false;
    if (f.size() > 2 && f[2] != '.') return false;
    return Decimal(f, false, value);
}

bool Letter(std::string_view f, char& c) {
    if (f.size() != 1) return false;
    c = f[0];
    return true;
}

// hhmmss[.sss]
bool ReadTime(std::string_view f, GpsFix& fix) {
    if (!FixedDigits(f, 0, 2, fix.hours) || !FixedDigits(f, 2, 2, fix.minutes)) return false;
    if (!TwoDigitDecimal(f.substr(4), fix.seconds)) return false;
    return fix.hours <= 23 && fix.minutes <= 59 && fix.seconds <= 60.0;
}

// ddmmyy
bool ReadDate(std::string_view f, GpsFix& fix) {
    if (f.size() != 6 || !FixedDigits(f, 0, 2, fix.day) || !FixedDigits(f, 2, 2, fix.month) ||
        !FixedDigits(f, 4, 2, fix.year))
        return false;
    fix.hasDate = true;
    return fix.day >= 1 && fix.day <= 31 && fix.month >= 1 && fix.month <= 12;
}

// ddmm.mmm with its hemisphere (N/S), or dddmm.mmm (E/W). South and east are
// negative. Minutes run up to, not including, 60: a receiver that prints six
// or seven decimals may well send 59.99995.
bool ReadCoordinate(std::string_view f, std::string_view side, int degreeDigits, double& value) {
    int degrees = 0;
    double minutes = 0;
    char hemisphere = 0;
    if (!FixedDigits(f, 0, static_cast<size_t>(degreeDigits), degrees) ||
        !TwoDigitDecimal(f.substr(static_cast<size_t>(degreeDigits)), minutes) ||
        !Letter(side, hemisphere))
        return false;
    const int maxDegrees = degreeDigits == 2 ? 89 : 179;
    if (degrees > maxDegrees || !(minutes < 60.0)) return false;
    const char negativeSide = degreeDigits == 2 ? 'S' : 'E';
    const char positiveSide = degreeDigits == 2 ? 'N' : 'W';
    if (hemisphere != negativeSide && hemisphere != positiveSide) return false;
    value = degrees + minutes / 60.0;
    if (hemisphere == negativeSide) value = -value;
    return true;
}

// "$ttRMC", "$ttGGA", "$ttGLL" from any talker tt of two upper-case letters.
char PositionKind(std::string_view id) {
    if (id.size() != 5 || !IsUpper(id[0]) || !IsUpper(id[1])) return 0;
    const std::string_view kind = id.substr(2);
    if (kind == "RMC") return 'R';
    if (kind == "GGA") return 'G';
    if (kind == "GLL") return 'L';
    return 0;
}

bool ReadFix(const Sentence& s, GpsFix& fix) {
    fix = GpsFix{};
    fix.sentence = PositionKind(Field(s, 0));
    char status = 0;
    switch (fix.sentence) {
        case 'R': {
            // time, status, lat, N/S, lon, E/W, speed, course, date
            double unused = 0;
            const std::string_view speed = Field(s, 7);
            const std::string_view course = Field(s, 8);
            return s.count >= 10 && ReadTime(Field(s, 1), fix) && Letter(Field(s, 2), status) &&
                   status == 'A' && ReadCoordinate(Field(s, 3), Field(s, 4), 2, fix.latitude) &&
                   ReadCoordinate(Field(s, 5), Field(s, 6), 3, fix.longitude) &&
                   (speed.empty() || Decimal(speed, true, unused)) &&
                   (course.empty() || Decimal(course, true, unused)) && ReadDate(Field(s, 9), fix);
        }
        case 'G':
            // time, lat, N/S, lon, E/W, fix quality (1 GPS, 2 differential)
            return s.count >= 7 && ReadTime(Field(s, 1), fix) &&
                   ReadCoordinate(Field(s, 2), Field(s, 3), 2, fix.latitude) &&
                   ReadCoordinate(Field(s, 4), Field(s, 5), 3, fix.longitude) &&
                   Letter(Field(s, 6), status) && (status == '1' || status == '2');
        case 'L':
            // lat, N/S, lon, E/W, time, status
            return s.count >= 7 && ReadCoordinate(Field(s, 1), Field(s, 2), 2, fix.latitude) &&
                   ReadCoordinate(Field(s, 3), Field(s, 4), 3, fix.longitude) &&
                   ReadTime(Field(s, 5), fix) && Letter(Field(s, 6), status) && status == 'A';
        default:
            return false;
    }
}

// "$SDDBT,feet,f,metres,M,fathoms,F" (depth below transducer) or $SDDBS
// (below surface), all three numbers present.
bool IsDepthSentence(const Sentence& s) {
    const std::string_view id = Field(s, 0);
    return id == "SDDBT" || id == "SDDBS";
}

bool ReadDepth(const Sentence& s, double& feet, double& metres, double& fathoms) {
    return s.count >= 7 && Decimal(Field(s, 1), true, feet) && Field(s, 2) == "f" &&
           Decimal(Field(s, 3), true, metres) && Field(s, 4) == "M" &&
           Decimal(Field(s, 5), true, fathoms) && Field(s, 6) == "F";
}

bool AcceptedFor(int meterType, char sentence) {
    switch (sentence) {
        case 'R':
            return meterType == kGps || meterType == kGpsRmc || meterType == kGpsRmcAo;
        case 'G':
            return meterType == kGps || meterType == kGpsGga;
        case 'L':
            return meterType == kGps || meterType == kGpsGll;
        default:
            return false;
    }
}

// Year-day code of the date: (year mod 100) * 1000 + day of year.
int YearDayCode(int month, int day, int year) {
    int code = (year % 100) * 1000 + kMonthStart[month - 1] + day;
    if (month > 2 && year % 4 == 0) code += 1;
    return code;
}

}  // namespace

void SetGpsSeparator(Context& ctx, char separator) { ctx.shared.gps.separator = separator; }

void ResetGpsRunState(Context& ctx) {
    const char separator = ctx.shared.gps.separator;
    ctx.shared.gps = GpsSharedState{};
    ctx.shared.gps.separator = separator;
}

bool ParseGpsFix(const char* line, int length, GpsFix& fix) {
    Sentence s;
    return SplitSentence(line, length, s) && ReadFix(s, fix);
}

int ConvertGpsSentence(GpsDepth& depth, int meterType, const char* line, int length,
                       RowValues& values) {
    Sentence s;
    if (!SplitSentence(line, length, s)) return 0;
    if (IsDepthSentence(s)) {
        double feet = 0, metres = 0, fathoms = 0;
        if (ReadDepth(s, feet, metres, fathoms)) {
            depth.feet = feet;
            depth.metres = metres;
            depth.fathoms = fathoms;
        }
        return 0;
    }
    GpsFix fix;
    if (!ReadFix(s, fix) || !AcceptedFor(meterType, fix.sentence)) return 0;

    const int wholeSeconds = static_cast<int>(std::trunc(fix.seconds));
    if (meterType == kGpsRmcAo) {
        values.Set(0, fix.day * 10000.0 + fix.month * 100.0 + fix.year, "GPS_DATE", 6);
        values.Set(1, fix.hours * 10000.0 + fix.minutes * 100.0 + wholeSeconds, "GPS_TIME", 6);
        values.Set(2, fix.latitude, "GPS_LAT", 6);
        values.Set(3, fix.longitude, "GPS_LONG", 6);
        return 4;
    }
    const double day = fix.hasDate ? YearDayCode(fix.month, fix.day, fix.year) : 0;
    const double time =
        day + (fix.hours * 3600.0 + fix.minutes * 60.0 + wholeSeconds) / 3600.0 / 24.0;
    values.Set(0, fix.latitude, "Latitude", 6);
    values.Set(1, fix.longitude, "Longitude", 6);
    values.Set(2, depth.metres, "Bottom_Depth(m)", 6);
    values.Set(3, time, "UTC/GMT_Time", 6);
    return 4;
}

int DecodeGpsLine(Run& run, LineRecord& record, RowValues& values) {
    if (record.channel <= 0 || record.channel >= kChannelCount) return 0;
    GpsDepth& depth = run.channelState.writers[static_cast<size_t>(record.channel)].gpsDepth;
    return ConvertGpsSentence(depth, record.meterType, record.line, record.length, values);
}

}  // namespace rix
