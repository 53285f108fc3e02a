// Time stamps of every row, and the Julian day table that maps logger time
// to calendar days (from date/time lines and from type-2 packet headers).
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace rix {

struct Context;
struct Run;
struct RowValues;

// Year-day codes 0..99366: the years 2000 to 2099 (year mod 100) * 1000 + day.
constexpr int kJulianTableSize = 99367;

// The time-stamp format written as an ISO 8601 UTC date and time.
constexpr int kIsoTimeFormat = 8;

// Formats whose stamps need calendar days: the Julian forms and ISO 8601.
inline bool IsJulianFormat(int format) { return (format >= 4 && format <= 6) || format == kIsoTimeFormat; }

struct JulianEntry {
    bool set = false;
    double midnight = 0;  // logger time at 00:00:00 of that day, ms
    double madeAt = 0;    // time at which the entry was made
};

struct JulianState;

// The day table. A run sets a handful of days out of the hundred years'
// codes, so only set entries are stored, in code order; reading a code that
// was never set gives an unset entry.
class JulianTable {
public:
    const JulianEntry& operator[](size_t code) const;
    // Iterates the set entries in code order.
    std::vector<JulianEntry>::const_iterator begin() const { return entries_.begin(); }
    std::vector<JulianEntry>::const_iterator end() const { return entries_.end(); }
    size_t size() const { return entries_.size(); }

private:
    friend void ClearJulianTable(JulianState& state);
    friend void SetJulianEntry(JulianState& state, int code, double midnight, double madeAt);
    std::vector<int> codes_;
    std::vector<JulianEntry> entries_;
};

// Fill the table only through EnterDateTime and EnterPacketDay: they keep the
// lookup index (setCodes, earliestMidnight) in step with the table.
struct JulianState {
    JulianTable table;
    int lowestSet = kJulianTableSize;  // lowest set code, for a quick lookup
    std::vector<int> setCodes;            // the set codes, ascending
    std::vector<double> earliestMidnight;  // [k]: lowest midnight of setCodes[0..k]
    // What the date/time lines of the run gave: accepted, and found but refused
    // (impossible values, a year outside 2000 to 2099).
    long dateLinesAccepted = 0;
    long dateLinesRefused = 0;
};

// Says why a run with a Julian or ISO format found no calendar day: what the
// date/time channel held (no date lines, or only refused dates).
std::string NoDaysMessage(const JulianState& state, int dateTimeChannel);

// Enters one day; only EnterDateTime and EnterPacketDay call it.
void SetJulianEntry(JulianState& state, int code, double midnight, double madeAt);

void ClearJulianTable(JulianState& state);

// The title(s) of the format ("" for an unknown one); columns gets 2 for
// format 6, else 1.
const char* TimeTitles(int format, int& columns);
// Writes the title(s) of the format; returns 2 for format 6, else 1.
int WriteTimeTitles(int format, std::FILE* stream);
// A time-stamp format the writers know (0 to 8).
inline bool KnownTimeFormat(int format) { return format >= 0 && format <= kIsoTimeFormat; }
// Appends the time stamp with no leading separator; returns the columns
// written (0 for an unknown format, which writes nothing).
int AppendTimeStamp(std::string& out, const JulianState& state, double timeMs, double meterTime,
                    int format);
// Writes the time stamp with no leading separator; returns the columns written.
int WriteTimeStamp(const JulianState& state, double timeMs, double meterTime, int format,
                   std::FILE* stream);

// J = year-day code + fraction of the day; false (J = 0) when no entry qualifies.
bool JulianOf(const JulianState& state, double time, double& julian);
// The day a time falls in by the same lookup: its year-day code and the
// milliseconds since that day's midnight (past 86,400,000 when the run has
// gone on past the day).
bool DayOf(const JulianState& state, double time, int& code, double& msSinceMidnight);
// Writes a year-day code and milliseconds since its midnight as
// YYYY-MM-DDThh:mm:ss.sssZ (24 characters and a terminator); whole days
// beyond the code's year roll into the next years.
void FormatIsoStamp(int code, double msSinceMidnight, char out[32]);
// Reads YYYY-MM-DDThh:mm:ss.sssZ (exactly that form, the year 2000 to 2099)
// as milliseconds since 2000-01-01T00:00:00Z.
bool ParseIsoStamp(const char* begin, const char* end, double& msSince2000);
// Milliseconds since 2000-01-01T00:00:00Z as YYYY-MM-DDThh:mm:ss.sssZ.
void FormatIsoMs(double msSince2000, char out[32]);
bool DayAndMillisecond(const JulianState& state, double time, int& yearDay, long& msOfDay);
bool EnterDateTime(JulianState& state, double packetTime, int hour, int minute, int second,
                   int month, int day, int year, int offsetHours, double& julian);
void EnterPacketDay(JulianState& state, int yearDay, double msSinceMidnight, double relativeTime);

// A date/time line (meter type 42). line is zero-terminated and may be
// rewritten in place (buffer of at least 1024 bytes); length is updated.
// Returns 7 and fills values on success, 0 when it is no date/time line.
int ParseDateTimeLine(Run& run, char* line, int& length, double packetTime, int offsetHours,
                      RowValues& values);

}  // namespace rix
