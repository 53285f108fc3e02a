// Time stamps of every row, and the Julian day table that maps logger time to
// calendar days.
//
// The table is indexed by year-day code ((year mod 100) * 1000 + day of year);
// each set entry holds the logger time of that day's midnight. A time is
// counted from the lowest-coded day whose midnight is at or before it, so a
// run's days keep counting past the end of the year instead of jumping.
#include "extract/Misc.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "Context.h"
#include "extract/Channel.h"
#include "meters/Gps.h"

namespace rix {

namespace {

constexpr double kMsPerDay = 86400000.0;

// Day of year before the first of each month, January to December.
constexpr int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Marks one table entry as set and keeps the lookup index in step.
// The index lists the set codes in ascending order together with the running
// minimum of their midnights: the first code whose midnight is at or before a
// time is then the first position where that running minimum is at or before
// it, which a binary search finds. Entries are made a few times per day of
// data, lookups once per row.
void SetEntry(JulianState& state, int code, double midnight, double madeAt) {
    JulianEntry& entry = state.table[static_cast<size_t>(code)];
    entry.set = true;
    entry.midnight = midnight;
    entry.madeAt = madeAt;
    if (code < state.lowestSet) state.lowestSet = code;

    auto at = std::lower_bound(state.setCodes.begin(), state.setCodes.end(), code);
    const size_t k = static_cast<size_t>(at - state.setCodes.begin());
    state.setCodes.insert(at, code);
    state.earliestMidnight.resize(state.setCodes.size());
    double running = k > 0 ? state.earliestMidnight[k - 1] : midnight;
    for (size_t i = k; i < state.setCodes.size(); ++i) {
        running = std::min(running, state.table[static_cast<size_t>(state.setCodes[i])].midnight);
        state.earliestMidnight[i] = running;
    }
}

// Writes the formatted text of a snprintf call, never more than the buffer holds.
void WriteBuffer(std::FILE* stream, const char* buffer, int n, size_t size) {
    if (stream == nullptr || n <= 0) return;
    size_t len = static_cast<size_t>(n);
    if (len >= size) len = size - 1;
    std::fwrite(buffer, 1, len, stream);
}

// Reads one integer the way "%d" does: leading white space, an optional sign,
// at least one digit. Never reads at or past end; values beyond the range of
// int are held at its limits. Returns the position after the number, or
// nullptr when there is none.
const char* ScanInt(const char* p, const char* end, int& value) {
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' ||
                       *p == '\f'))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p >= end || *p < '0' || *p > '9') return nullptr;
    long long v = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (v <= INT_MAX) v = v * 10 + (*p - '0');
        ++p;
    }
    if (negative) v = -v;
    value = static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
    return p;
}

bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Finds the first start position from which "%d<sep>%d<sep>%d" reads three
// numbers, for any of the given separators (tried in order at each position).
// Start positions that would read the same numbers as an earlier one are
// skipped, so a long line is scanned in linear time: every start inside the
// white space, sign and digits of a number ends that number at the same place
// and then meets the same text.
bool FindTriple(const char* begin, const char* end, const char* separators, int out[3]) {
    const char* p = begin;
    while (p < end) {
        int first = 0;
        const char* q = ScanInt(p, end, first);
        if (q == nullptr) {
            while (p < end && IsScanSpace(*p)) ++p;
            ++p;  // the character that stopped the number
            continue;
        }
        if (q < end) {
            for (const char* sep = separators; *sep != '\0'; ++sep) {
                if (*q != *sep) continue;
                int second = 0;
                int third = 0;
                const char* r = ScanInt(q + 1, end, second);
                if (r == nullptr || r >= end || *r != *sep) continue;
                if (ScanInt(r + 1, end, third) == nullptr) continue;
                out[0] = first;
                out[1] = second;
                out[2] = third;
                return true;
            }
        }
        p = q;
    }
    return false;
}

struct CalendarTime {
    int month = 0;
    int day = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    double second = 0;
};

// NMEA fallback: a GPS receiver on the date/time channel prints sentences
// instead of "mm/dd/yy hh:mm:ss" text. Of the position sentences only RMC
// carries a date; the sentence is only read, so an echo sounder on the same
// line leaves the depth of the GPS rows alone.
bool NmeaDateTime(const char* line, int length, CalendarTime& calendar) {
    GpsFix fix;
    if (!ParseGpsFix(line, length, fix) || !fix.hasDate) return false;
    calendar.month = fix.month;
    calendar.day = fix.day;
    calendar.year = fix.year;
    calendar.hour = fix.hours;
    calendar.minute = fix.minutes;
    calendar.second = fix.seconds;
    return true;
}

void SetValue(RowValues& values, int i, double value, const char* title, int precision) {
    values.values[i] = value;
    std::snprintf(values.titles[i], kTitleSize, "%s", title);
    values.precision[i] = precision;
}

}  // namespace

void ClearJulianTable(JulianState& state) {
    state.table.assign(kJulianTableSize, JulianEntry{});
    state.lowestSet = kJulianTableSize;
    state.setCodes.clear();
    state.earliestMidnight.clear();
}

void ResetType2Reference(JulianState& state) { state.type2 = Type2Reference{}; }

int WriteTimeTitles(int format, std::FILE* stream) {
    const char* title = nullptr;
    int columns = 1;
    switch (format) {
    case 0:
    case 1:
    case 7:
        title = "Time(ms)";
        break;
    case 2:
    case 3:
        title = "Time(Secs)";
        break;
    case 4:
        title = "JulianDay";
        break;
    case 5:
        title = "YrJulianDay";
        break;
    case 6:
        title = "Year\tJulianDay";
        columns = 2;
        break;
    default:
        break;  // unknown format: no title, still one column
    }
    if (title != nullptr && stream != nullptr) std::fputs(title, stream);
    return columns;
}

int WriteTimeStamp(const JulianState& state, double timeMs, double meterTime, int format,
                   std::FILE* stream) {
    char buffer[128];
    int n = 0;
    int columns = 1;
    switch (format) {
    case 0:
    case 1:
        n = std::snprintf(buffer, sizeof buffer, "%1.0lf", timeMs);
        break;
    case 2:
    case 3:
        n = std::snprintf(buffer, sizeof buffer, "%4.3lf", timeMs * 0.001);
        break;
    case 4:
    case 5:
    case 6: {
        double julian = 0;
        JulianOf(state, timeMs, julian);
        // Logger times keep J far inside the range of long; the guard only
        // keeps an absurd time from an undefined conversion.
        if (!(julian >= 0 && julian < 9.0e15)) julian = 0;
        const long yearCode = static_cast<long>(julian) / 1000;
        const double day = julian - static_cast<double>(yearCode) * 1000.0;
        if (format == 4) {
            n = std::snprintf(buffer, sizeof buffer, "%12.8lf", day);
        } else if (format == 5) {
            n = std::snprintf(buffer, sizeof buffer, "%1ld%012.8lf", yearCode % 1000, day);
        } else {
            n = std::snprintf(buffer, sizeof buffer, "%4ld\t%012.8lf", yearCode, day);
            columns = 2;
        }
        break;
    }
    case 7:
        n = std::snprintf(buffer, sizeof buffer, "%1.0lf", meterTime);
        break;
    default:
        return 0;
    }
    WriteBuffer(stream, buffer, n, sizeof buffer);
    return columns;
}

bool JulianOf(const JulianState& state, double time, double& julian) {
    julian = 0;
    const std::vector<double>& earliest = state.earliestMidnight;
    if (earliest.empty() || !(earliest.back() <= time)) return false;  // before every midnight
    size_t k = 0;
    if (!(earliest.front() <= time)) {
        // The running minimum only falls: find its first value at or before time.
        k = static_cast<size_t>(
            std::partition_point(earliest.begin(), earliest.end(),
                                 [time](double m) { return !(m <= time); }) -
            earliest.begin());
    }
    const int code = state.setCodes[k];
    const double midnight = state.table[static_cast<size_t>(code)].midnight;
    julian = code + (time - midnight) * 0.001 / 3600 / 24;
    return true;
}

bool DayAndMillisecond(const JulianState& state, double time, int& yearDay, long& msOfDay) {
    double julian = 0;
    const bool found = JulianOf(state, time, julian);
    if (!(julian >= 0 && julian < 2.0e9)) julian = 0;
    yearDay = static_cast<int>(julian);
    msOfDay = std::lround((julian - yearDay) * kMsPerDay);
    return found;
}

bool EnterDateTime(JulianState& state, double packetTime, int hour, int minute, int second,
                   int month, int day, int year, int offsetHours, double& julian) {
    julian = 0;
    // Year-day code; wide arithmetic so that absurd numbers from a damaged line
    // cannot overflow.
    long long code = static_cast<long long>(year % 100) * 1000;
    if (month > 2 && year % 4 == 0) code += 1;
    if (month >= 1 && month <= 12) code += kMonthStart[month - 1] + static_cast<long long>(day);
    if (code <= 0) return false;

    const double seconds = hour * 3600.0 + minute * 60.0 + second;
    julian = static_cast<double>(code) + seconds / 3600 / 24 + offsetHours / 24.0;

    // A day outside the table (a year from 11 on, or impossible values that
    // push the day out of range) is refused without touching the table.
    if (!(julian >= 0 && julian < kJulianTableSize)) return false;
    const int index = static_cast<int>(julian);
    if (state.table[static_cast<size_t>(index)].set) return true;  // the first observation stays

    const double msOfDay = std::round((julian - index) * kMsPerDay);
    SetEntry(state, index, packetTime - msOfDay, packetTime);
    return true;
}

void EnterPacketDay(JulianState& state, int yearDay, double msSinceMidnight, double relativeTime) {
    if (yearDay < 0 || yearDay >= kJulianTableSize) return;
    if (state.table[static_cast<size_t>(yearDay)].set) return;
    SetEntry(state, yearDay, relativeTime - msSinceMidnight, relativeTime);
}

int ParseDateTimeLine(Context& ctx, char* line, int& length, double packetTime, int offsetHours,
                      RowValues& values) {
    if (line == nullptr) return 0;
    const size_t bound = static_cast<size_t>(std::clamp(length, 0, kRecordSize - 1));
    const size_t n = strnlen(line, bound);
    const char* end = line + n;

    CalendarTime calendar;
    bool dateFound = false;
    bool timeFound = false;
    int numbers[3] = {};
    if (FindTriple(line, end, "/-", numbers)) {
        calendar.month = numbers[0];
        calendar.day = numbers[1];
        calendar.year = numbers[2];
        dateFound = true;
    }
    if (FindTriple(line, end, ":", numbers)) {
        calendar.hour = numbers[0];
        calendar.minute = numbers[1];
        calendar.second = numbers[2];
        timeFound = true;
    }
    if (!dateFound && !timeFound) {
        if (!NmeaDateTime(line, static_cast<int>(n), calendar)) return 0;
    }

    // Whole seconds only; held inside the range of int for a damaged sentence.
    const double wholeSecond = std::trunc(calendar.second);
    const int second = std::isfinite(wholeSecond)
                           ? static_cast<int>(std::clamp(wholeSecond, -2.0e9, 2.0e9))
                           : 0;
    const int year = calendar.year % 100;  // the two-digit year, as the code uses it

    double julian = 0;
    if (!EnterDateTime(ctx.julian, packetTime, calendar.hour, calendar.minute, second,
                       calendar.month, calendar.day, year, offsetHours, julian))
        return 0;

    char rewritten[kRecordSize];
    int written = std::snprintf(rewritten, sizeof rewritten,
                                "%11.9lf %02d-%02d-%02d %02d:%02d:%02d\r\n", julian,
                                calendar.month, calendar.day, year, calendar.hour,
                                calendar.minute, second);
    written = std::clamp(written, 0, kRecordSize - 1);
    std::memcpy(line, rewritten, static_cast<size_t>(written));
    line[written] = '\0';
    length = written;

    SetValue(values, 0, julian, "Julian_Date_Time", 9);
    SetValue(values, 1, calendar.month, "Month", 0);
    SetValue(values, 2, calendar.day, "Day", 0);
    SetValue(values, 3, year, "Year", 0);
    SetValue(values, 4, calendar.hour, "Hour", 0);
    SetValue(values, 5, calendar.minute, "Minute", 0);
    SetValue(values, 6, second, "Second", 0);
    values.count = 7;
    return 7;
}

}  // namespace rix
