#include "extract/Interval.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "Context.h"
#include "extract/Misc.h"
#include "report/Reporter.h"

namespace rix {

namespace {

constexpr double kMsPerDay = 86400000.0;

// Day of year before the first of each month, January to December.
constexpr int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool IsLeap(int year) { return year % 4 == 0; }  // right for 2000..2099

// Reads 1..maxDigits digits; false when there is none.
bool Digits(const char*& p, int maxDigits, int& value) {
    value = 0;
    int n = 0;
    while (n < maxDigits && std::isdigit(static_cast<unsigned char>(*p))) {
        value = value * 10 + (*p - '0');
        ++p;
        ++n;
    }
    return n > 0;
}

bool Exactly(const char*& p, int digits, int& value) {
    const char* start = p;
    return Digits(p, digits, value) && p - start == digits;
}

// Days counted from 1 January 2000 (day 1) for a year-day code.
long DayNumber(int code) {
    const int yy = code / 1000, doy = code % 1000;
    return 365L * yy + (yy + 3) / 4 + doy;
}

// A number as "%lld" reads it; anything else leaves the value.
void ReadMilliseconds(const std::string& text, double& value) {
    long long v = 0;
    if (std::sscanf(text.c_str(), "%lld", &v) == 1) value = static_cast<double>(v);
}

std::string Describe(const CalendarBound& b) {
    return Format("%04d-%02d-%02d %02d:%02d:%02d", b.year, b.month, b.day, b.hour, b.minute,
                  b.second);
}

}  // namespace

BoundText ReadBoundText(const std::string& text, CalendarBound& bound) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t') ++p;
    // Four digits and a dash begin a date; anything else is read as a number.
    {
        const char* q = p;
        int year = 0;
        if (!Exactly(q, 4, year) || *q != '-') return BoundText::kMilliseconds;
    }
    CalendarBound b;
    Exactly(p, 4, b.year);
    ++p;
    if (!Digits(p, 2, b.month) || *p++ != '-' || !Digits(p, 2, b.day)) return BoundText::kBadDate;
    if (*p == ' ' || *p == 'T' || *p == 't') {
        while (*p == ' ' || *p == 'T' || *p == 't') ++p;
        if (*p != '\0') {
            if (!Digits(p, 2, b.hour) || *p++ != ':' || !Exactly(p, 2, b.minute))
                return BoundText::kBadDate;
            if (*p == ':' && (++p, !Exactly(p, 2, b.second))) return BoundText::kBadDate;
        }
    }
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    if (*p != '\0') return BoundText::kBadDate;
    if (b.year < 2000 || b.year > 2099 || b.month < 1 || b.month > 12) return BoundText::kBadDate;
    const int days = kMonthDays[b.month - 1] + (b.month == 2 && IsLeap(b.year) ? 1 : 0);
    if (b.day < 1 || b.day > days || b.hour > 23 || b.minute > 59 || b.second > 59)
        return BoundText::kBadDate;
    bound = b;
    return BoundText::kDate;
}

int YearDayCode(int year, int month, int day) {
    if (month < 1 || month > 12) return 0;
    int code = (year % 100) * 1000 + kMonthStart[month - 1] + day;
    if (month > 2 && IsLeap(year)) code += 1;
    return code;
}

bool LoggerTimeOfDay(const JulianState& state, int yearDay, double msOfDay, double& time) {
    if (yearDay >= 0 && state.table[static_cast<size_t>(yearDay)].set) {
        time = state.table[static_cast<size_t>(yearDay)].midnight + msOfDay;
        return true;
    }
    const long target = DayNumber(yearDay);
    int nearest = -1;
    long best = 0;
    for (int code : state.setCodes) {  // the run's days, in code order
        const long distance = std::labs(DayNumber(code) - target);
        if (nearest < 0 || distance < best) {
            nearest = code;
            best = distance;
        }
    }
    if (nearest < 0) return false;
    time = state.table[static_cast<size_t>(nearest)].midnight +
           static_cast<double>(target - DayNumber(nearest)) * kMsPerDay + msOfDay;
    return true;
}

bool ReadIntervalFields(Reporter& reporter, const std::string& fromText, const std::string& toText,
                        int timeStampFormat, double& from, double& to, IntervalFields& fields) {
    fields = IntervalFields();
    fields.fromText = fromText;
    fields.toText = toText;
    const BoundText fromKind = ReadBoundText(fromText, fields.fromDate);
    const BoundText toKind = ReadBoundText(toText, fields.toDate);
    const bool datedRun = timeStampFormat >= 4 && timeStampFormat <= 6;
    struct Side {
        const char* name;
        const std::string& text;
        BoundText kind;
    };
    for (const Side& s : {Side{"start", fromText, fromKind}, Side{"end", toText, toKind}}) {
        if (s.kind == BoundText::kBadDate) {
            reporter.ShowError("Extraction Interval Error",
                               Format("The %s \"%s\" is not a date and time of the form "
                                      "YYYY-MM-DD hh:mm:ss (years 2000 to 2099)",
                                      s.name, s.text.c_str()));
            return false;
        }
        if (s.kind == BoundText::kDate && !datedRun) {
            reporter.ShowError("Extraction Interval Error",
                               Format("The %s \"%s\" is a date, but the time stamps of this run "
                                      "carry no dates: choose a Julian Date time stamp format, or "
                                      "give the %s in milliseconds",
                                      s.name, s.text.c_str(), s.name));
            return false;
        }
    }
    fields.fromIsDate = fromKind == BoundText::kDate;
    fields.toIsDate = toKind == BoundText::kDate;
    if (fromKind == BoundText::kMilliseconds) ReadMilliseconds(fromText, from);
    if (toKind == BoundText::kMilliseconds) ReadMilliseconds(toText, to);
    return true;
}

bool PlaceIntervalDates(Run& run, const IntervalFields& fields, double& from, double& to) {
    Context& ctx = run.ctx;
    struct Side {
        const char* name;
        bool isDate;
        const CalendarBound& date;
        double& value;
    };
    for (const Side& s : {Side{"start", fields.fromIsDate, fields.fromDate, from},
                          Side{"end", fields.toIsDate, fields.toDate, to}}) {
        if (!s.isDate) continue;
        const CalendarBound& b = s.date;
        const double msOfDay = ((b.hour * 60.0 + b.minute) * 60.0 + b.second) * 1000.0;
        if (!LoggerTimeOfDay(run.julian, YearDayCode(b.year, b.month, b.day), msOfDay, s.value)) {
            ctx.reporter.ShowError(
                "Extraction Interval Error",
                Format("The archive gave this run no dates (date/time channel %d), so the %s %s "
                       "cannot be placed: give the interval in milliseconds",
                       ctx.extraction.dateTimeChannel, s.name, Describe(b).c_str()));
            return false;
        }
    }
    return true;
}

}  // namespace rix
