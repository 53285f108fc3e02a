// Time stamps of every row, and the Julian day table that maps logger time
// to calendar days (from date/time lines and from type-2 packet headers).
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace rix {

struct Context;
struct RowValues;

constexpr int kJulianTableSize = 10367;  // year-day codes 0..10366

struct JulianEntry {
    bool set = false;
    double midnight = 0;  // logger time at 00:00:00 of that day, ms
    double madeAt = 0;    // time at which the entry was made
};

// Reference of the run's first type-2 packet, and the year offset.
struct Type2Reference {
    bool set = false;
    int year = 0;
    int day = 0;
    double yearTime = 0;
    bool offsetSet = false;
    double yearOffset = 0;
};

// Fill the table only through EnterDateTime and EnterPacketDay: they keep the
// lookup index (setCodes, earliestMidnight) in step with the table.
struct JulianState {
    std::vector<JulianEntry> table = std::vector<JulianEntry>(kJulianTableSize);
    int lowestSet = kJulianTableSize;  // lowest set code, for a quick lookup
    std::vector<int> setCodes;            // the set codes, ascending
    std::vector<double> earliestMidnight;  // [k]: lowest midnight of setCodes[0..k]
    Type2Reference type2;
};

void ClearJulianTable(JulianState& state);
void ResetType2Reference(JulianState& state);

// Writes the title(s) of the format; returns 2 for format 6, else 1.
int WriteTimeTitles(int format, std::FILE* stream);
// Writes the time stamp with no leading separator; returns the columns written.
int WriteTimeStamp(const JulianState& state, double timeMs, double meterTime, int format,
                   std::FILE* stream);

// J = year-day code + fraction of the day; false (J = 0) when no entry qualifies.
bool JulianOf(const JulianState& state, double time, double& julian);
bool DayAndMillisecond(const JulianState& state, double time, int& yearDay, long& msOfDay);
bool EnterDateTime(JulianState& state, double packetTime, int hour, int minute, int second,
                   int month, int day, int year, int offsetHours, double& julian);
void EnterPacketDay(JulianState& state, int yearDay, double msSinceMidnight, double relativeTime);

// A date/time line (meter type 42). line is zero-terminated and may be
// rewritten in place (buffer of at least 1024 bytes); length is updated.
// Returns 7 and fills values on success, 0 when it is no date/time line.
int ParseDateTimeLine(Context& ctx, char* line, int& length, double packetTime, int offsetHours,
                      RowValues& values);

}  // namespace rix
