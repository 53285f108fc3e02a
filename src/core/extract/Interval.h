// The extraction interval as a person gives it: milliseconds of the run's
// time, as always, or a calendar date and time ("2005-01-02 12:00:00") that
// the run places on the logger clock through its Julian day table.
#pragma once
#include <string>

namespace rix {

struct Context;
struct Run;
struct JulianState;
class Reporter;

struct CalendarBound {
    int year = 0;  // full year, 2000..2099 (the table holds two-digit years)
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

enum class BoundText {
    kMilliseconds,  // a number (or the field's placeholder): read as before
    kDate,          // a valid date and time
    kBadDate,       // starts like a date but is not a valid one
};

// "YYYY-MM-DD hh:mm:ss", "YYYY-MM-DD hh:mm" or "YYYY-MM-DD" (a 'T' may stand
// for the blank; blanks around the text are ignored).
BoundText ReadBoundText(const std::string& text, CalendarBound& bound);

// The Julian table's key for a calendar day: (year mod 100) * 1000 + day of
// year, leap days counted the way the date/time lines are.
int YearDayCode(int year, int month, int day);

// The logger time of msOfDay into the day yearDay. A day without its own
// entry is counted in whole days from the nearest day that has one. False
// when the table holds no day at all.
bool LoggerTimeOfDay(const JulianState& state, int yearDay, double msOfDay, double& time);

// The interval fields of a request.
struct IntervalFields {
    bool fromIsDate = false;
    bool toIsDate = false;
    CalendarBound fromDate;
    CalendarBound toDate;
    std::string fromText;
    std::string toText;
};

// Reads the start and end fields: numbers into from and to (anything else
// leaves them), dates into fields for PlaceIntervalDates. False, with a
// message, for a malformed date or a date in a run whose time stamps carry
// no dates (timeStampFormat below 4 or above 6).
bool ReadIntervalFields(Reporter& reporter, const std::string& fromText, const std::string& toText,
                        int timeStampFormat, double& from, double& to, IntervalFields& fields);

// After the Julian pre-pass: turns the date bounds into logger times. False,
// with a message, when the archive gave the run no dates.
bool PlaceIntervalDates(Run& run, const IntervalFields& fields, double& from, double& to);

}  // namespace rix
