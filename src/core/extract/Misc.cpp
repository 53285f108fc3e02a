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
#include "utilities/NumberText.h"

namespace rix {

namespace {

constexpr double kMsPerDay = 86400000.0;

// Day of year before the first of each month, January to December.
constexpr int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Reads one integer the way "%d" does: leading white space, an optional sign,
// at least one digit. Never reads at or past end; values beyond the range of
// int are held at its limits. Returns the position after the number, or
// nullptr when there is none.
const char* ScanInt(const char* p, const char* end, int& value, int* digits = nullptr) {
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
    int count = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        if (v <= INT_MAX) v = v * 10 + (*p - '0');
        ++p;
        ++count;
    }
    if (digits != nullptr) *digits = count;
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
// digits receives how many digits each of the three numbers was written with.
bool FindTriple(const char* begin, const char* end, const char* separators, int out[3],
                int digits[3]) {
    const char* p = begin;
    while (p < end) {
        int first = 0;
        const char* q = ScanInt(p, end, first, &digits[0]);
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
                const char* r = ScanInt(q + 1, end, second, &digits[1]);
                if (r == nullptr || r >= end || *r != *sep) continue;
                if (ScanInt(r + 1, end, third, &digits[2]) == nullptr) continue;
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

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInYear(int year) { return IsLeapYear(year) ? 366 : 365; }

// Month (1..12) and day of month of a day of year (1-based) of a year.
void MonthAndDay(int year, int dayOfYear, int& month, int& day) {
    month = 12;
    for (int m = 1; m < 12; ++m) {
        const int next = kMonthStart[m] + (m >= 2 && IsLeapYear(year) ? 1 : 0);
        if (dayOfYear <= next) {
            month = m;
            break;
        }
    }
    day = dayOfYear - kMonthStart[month - 1] - (month > 2 && IsLeapYear(year) ? 1 : 0);
}

// Writes year, day of year (1-based, may pass the year's end) and whole
// milliseconds of the day as the ISO 8601 UTC stamp.
void WriteIso(int year, long long dayOfYear, long long ms, char out[32]) {
    // A stamp more than a few centuries out means a damaged clock; keep the
    // loop below short whatever the numbers.
    if (dayOfYear < 1 || dayOfYear > 366LL * 400 || year < 0) {
        std::memcpy(out, "0000-00-00T00:00:00.000Z", 25);
        return;
    }
    while (dayOfYear > DaysInYear(year)) {
        dayOfYear -= DaysInYear(year);
        ++year;
    }
    int month = 1, day = 1;
    MonthAndDay(year, static_cast<int>(dayOfYear), month, day);
    const int hour = static_cast<int>(ms / 3600000);
    const int minute = static_cast<int>(ms / 60000 % 60);
    const int second = static_cast<int>(ms / 1000 % 60);
    const int milli = static_cast<int>(ms % 1000);
    // Always 24 characters: ms is within a day and the year below 10000.
    std::string text;
    text.reserve(32);
    AppendInt(text, year % 10000, 4, true);
    text.push_back('-');
    AppendInt(text, month, 2, true);
    text.push_back('-');
    AppendInt(text, day, 2, true);
    text.push_back('T');
    AppendInt(text, hour, 2, true);
    text.push_back(':');
    AppendInt(text, minute, 2, true);
    text.push_back(':');
    AppendInt(text, second, 2, true);
    text.push_back('.');
    AppendInt(text, milli, 3, true);
    text.push_back('Z');
    const size_t length = std::min<size_t>(text.size(), 31);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

// Exactly n decimal digits at p.
bool Digits(const char* p, int n, int& value) {
    value = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        value = value * 10 + (p[i] - '0');
    }
    return true;
}

}  // namespace

const JulianEntry& JulianTable::operator[](size_t code) const {
    static const JulianEntry kUnset{};
    auto at = std::lower_bound(codes_.begin(), codes_.end(), static_cast<long long>(code),
                               [](int c, long long v) { return c < v; });
    if (at == codes_.end() || *at != static_cast<long long>(code)) return kUnset;
    return entries_[static_cast<size_t>(at - codes_.begin())];
}

// Marks one day as set and keeps the lookup index in step.
// The index lists the set codes in ascending order together with the running
// minimum of their midnights: the first code whose midnight is at or before a
// time is then the first position where that running minimum is at or before
// it, which a binary search finds. Entries are made a few times per day of
// data, lookups once per row.
void SetJulianEntry(JulianState& state, int code, double midnight, double madeAt) {
    JulianTable& table = state.table;
    auto at = std::lower_bound(table.codes_.begin(), table.codes_.end(), code);
    const size_t k = static_cast<size_t>(at - table.codes_.begin());
    if (at != table.codes_.end() && *at == code) return;  // set once, never moved
    JulianEntry entry;
    entry.set = true;
    entry.midnight = midnight;
    entry.madeAt = madeAt;
    table.codes_.insert(at, code);
    table.entries_.insert(table.entries_.begin() + static_cast<std::ptrdiff_t>(k), entry);
    if (code < state.lowestSet) state.lowestSet = code;

    state.setCodes = table.codes_;
    state.earliestMidnight.resize(state.setCodes.size());
    double running = k > 0 ? state.earliestMidnight[k - 1] : midnight;
    for (size_t i = k; i < state.setCodes.size(); ++i) {
        running = std::min(running, table.entries_[i].midnight);
        state.earliestMidnight[i] = running;
    }
}

std::string NoDaysMessage(const JulianState& state, int dateTimeChannel) {
    char text[400];
    if (state.dateLinesRefused > 0)
        std::snprintf(text, sizeof text,
                      "No calendar day was found for the time stamps: the date/time channel %d carries "
                      "%ld date line(s), all refused (impossible dates or times, or years outside 2000 to "
                      "2099). The files are written without dates.",
                      dateTimeChannel, state.dateLinesRefused);
    else
        std::snprintf(text, sizeof text,
                      "No calendar day was found for the time stamps: the date/time channel %d carries no "
                      "date lines and the archive no type-2 packets. The files are written without dates.",
                      dateTimeChannel);
    return text;
}

void ClearJulianTable(JulianState& state) {
    state.table.codes_.clear();
    state.table.entries_.clear();
    state.lowestSet = kJulianTableSize;
    state.setCodes.clear();
    state.earliestMidnight.clear();
    state.dateLinesAccepted = 0;
    state.dateLinesRefused = 0;
}


const char* TimeTitles(int format, int& columns) {
    columns = 1;
    switch (format) {
    case 0:
    case 1:
    case 7:
        return "Time(ms)";
    case 2:
    case 3:
        return "Time(Secs)";
    case 4:
        return "JulianDay";
    case 5:
        return "YrJulianDay";
    case 6:
        columns = 2;
        return "Year\tJulianDay";
    case kIsoTimeFormat:
        return "DateTimeUTC";
    default:
        return "";  // unknown format: no title, still one column
    }
}

int WriteTimeTitles(int format, std::FILE* stream) {
    int columns = 1;
    const char* title = TimeTitles(format, columns);
    if (stream != nullptr) std::fputs(title, stream);
    return columns;
}

int AppendTimeStamp(std::string& out, const JulianState& state, double timeMs, double meterTime,
                    int format) {
    switch (format) {
    case 0:
    case 1:
        AppendFixed(out, timeMs, 1, 0);
        return 1;
    case 2:
    case 3:
        AppendFixed(out, timeMs * 0.001, 4, 3);
        return 1;
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
            AppendFixed(out, day, 12, 8);
            return 1;
        }
        if (format == 5) {
            AppendInt(out, yearCode % 1000, 1);
            AppendFixed(out, day, 12, 8, true);
            return 1;
        }
        AppendInt(out, yearCode, 4);
        out.push_back('\t');
        AppendFixed(out, day, 12, 8, true);
        return 2;
    }
    case 7:
        AppendFixed(out, meterTime, 1, 0);
        return 1;
    case kIsoTimeFormat: {
        char buffer[32];
        int code = 0;
        double ms = 0;
        if (DayOf(state, timeMs, code, ms))
            FormatIsoStamp(code, ms, buffer);
        else
            std::memcpy(buffer, "0000-00-00T00:00:00.000Z", 25);
        out.append(buffer);
        return 1;
    }
    default:
        return 0;
    }
}

int WriteTimeStamp(const JulianState& state, double timeMs, double meterTime, int format,
                   std::FILE* stream) {
    std::string text;
    const int columns = AppendTimeStamp(text, state, timeMs, meterTime, format);
    if (stream != nullptr && !text.empty()) std::fwrite(text.data(), 1, text.size(), stream);
    return columns;
}

bool DayOf(const JulianState& state, double time, int& code, double& msSinceMidnight) {
    code = 0;
    msSinceMidnight = 0;
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
    code = state.setCodes[k];
    msSinceMidnight = time - state.table[static_cast<size_t>(code)].midnight;
    return true;
}

bool JulianOf(const JulianState& state, double time, double& julian) {
    julian = 0;
    int code = 0;
    double ms = 0;
    if (!DayOf(state, time, code, ms)) return false;
    julian = code + ms * 0.001 / 3600 / 24;
    return true;
}

void FormatIsoStamp(int code, double msSinceMidnight, char out[32]) {
    // Whole milliseconds, rounded; the days they hold move the date on.
    const double rounded = std::round(msSinceMidnight);
    if (code < 0 || !(rounded >= 0 && rounded < 1.0e15)) {
        std::memcpy(out, "0000-00-00T00:00:00.000Z", 25);
        return;
    }
    const long long total = static_cast<long long>(rounded);
    const long long msPerDay = static_cast<long long>(kMsPerDay);
    WriteIso(2000 + code / 1000, code % 1000 + total / msPerDay, total % msPerDay, out);
}

void FormatIsoMs(double msSince2000, char out[32]) {
    const double rounded = std::round(msSince2000);
    if (!(rounded >= 0 && rounded < 1.0e15)) {
        std::memcpy(out, "0000-00-00T00:00:00.000Z", 25);
        return;
    }
    const long long total = static_cast<long long>(rounded);
    const long long msPerDay = static_cast<long long>(kMsPerDay);
    WriteIso(2000, 1 + total / msPerDay, total % msPerDay, out);
}

bool ParseIsoStamp(const char* begin, const char* end, double& msSince2000) {
    if (end - begin != 24) return false;
    const char* p = begin;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milli = 0;
    if (!Digits(p, 4, year) || p[4] != '-' || !Digits(p + 5, 2, month) || p[7] != '-' ||
        !Digits(p + 8, 2, day) || p[10] != 'T' || !Digits(p + 11, 2, hour) || p[13] != ':' ||
        !Digits(p + 14, 2, minute) || p[16] != ':' || !Digits(p + 17, 2, second) || p[19] != '.' ||
        !Digits(p + 20, 3, milli) || p[23] != 'Z')
        return false;
    if (year < 2000 || year > 2099 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 60)
        return false;
    long long days = 0;
    for (int y = 2000; y < year; ++y) days += DaysInYear(y);
    days += kMonthStart[month - 1] + (month > 2 && IsLeapYear(year) ? 1 : 0) + day - 1;
    msSince2000 = static_cast<double>(days) * kMsPerDay + hour * 3600000.0 + minute * 60000.0 +
                  second * 1000.0 + milli;
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
    // A calendar time no clock shows is a damaged line, not a day to count from.
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60)
        return false;
    // Year-day code; wide arithmetic so that absurd numbers from a damaged line
    // cannot overflow.
    long long code = static_cast<long long>(year % 100) * 1000;
    if (month > 2 && year % 4 == 0) code += 1;
    if (month >= 1 && month <= 12) code += kMonthStart[month - 1] + static_cast<long long>(day);
    if (code <= 0) return false;

    const double seconds = hour * 3600.0 + minute * 60.0 + second;
    julian = static_cast<double>(code) + seconds / 3600 / 24 + offsetHours / 24.0;

    // A day outside the table (a negative year, or an offset that pushes the
    // last day of 2099 past the table) is refused without touching the table.
    if (!(julian >= 0 && julian < kJulianTableSize)) return false;
    const int index = static_cast<int>(julian);
    if (state.table[static_cast<size_t>(index)].set) return true;  // the first observation stays

    const double msOfDay = std::round((julian - index) * kMsPerDay);
    SetJulianEntry(state, index, packetTime - msOfDay, packetTime);
    return true;
}

void EnterPacketDay(JulianState& state, int yearDay, double msSinceMidnight, double relativeTime) {
    if (yearDay < 0 || yearDay >= kJulianTableSize) return;
    if (state.table[static_cast<size_t>(yearDay)].set) return;
    SetJulianEntry(state, yearDay, relativeTime - msSinceMidnight, relativeTime);
}

int ParseDateTimeLine(Run& run, char* line, int& length, double packetTime, int offsetHours,
                      RowValues& values) {
    if (line == nullptr) return 0;
    const size_t bound = static_cast<size_t>(std::clamp(length, 0, kRecordSize - 1));
    const size_t n = strnlen(line, bound);
    const char* end = line + n;

    CalendarTime calendar;
    bool dateFound = false;
    bool timeFound = false;
    int numbers[3] = {};
    int digits[3] = {};
    bool fourDigitYear = false;
    if (FindTriple(line, end, "/-", numbers, digits)) {
        if (digits[0] == 4) {
            // ISO 8601: 2026-12-08, also joined to the time as 2026-12-08T13:45:01Z.
            calendar.year = numbers[0];
            calendar.month = numbers[1];
            calendar.day = numbers[2];
            fourDigitYear = true;
        } else {
            calendar.month = numbers[0];
            calendar.day = numbers[1];
            calendar.year = numbers[2];
            fourDigitYear = digits[2] == 4;
        }
        dateFound = true;
    }
    if (FindTriple(line, end, ":", numbers, digits)) {
        calendar.hour = numbers[0];
        calendar.minute = numbers[1];
        calendar.second = numbers[2];
        timeFound = true;
    }
    if (!dateFound && !timeFound) {
        if (!NmeaDateTime(line, static_cast<int>(n), calendar)) return 0;
    }
    // A four-digit year counts modulo 100 within 2000 to 2099; other
    // centuries have no code in the table.
    if (fourDigitYear && (calendar.year < 2000 || calendar.year > 2099)) {
        ++run.julian.dateLinesRefused;
        return 0;
    }

    // Whole seconds only; held inside the range of int for a damaged sentence.
    const double wholeSecond = std::trunc(calendar.second);
    const int second = std::isfinite(wholeSecond)
                           ? static_cast<int>(std::clamp(wholeSecond, -2.0e9, 2.0e9))
                           : 0;
    const int year = calendar.year % 100;  // the two-digit year, as the code uses it

    double julian = 0;
    if (!EnterDateTime(run.julian, packetTime, calendar.hour, calendar.minute, second,
                       calendar.month, calendar.day, year, offsetHours, julian)) {
        ++run.julian.dateLinesRefused;
        return 0;
    }
    ++run.julian.dateLinesAccepted;

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
