// NMEA sentences of GPS receivers and echo sounders.
//
// A GPS receiver sends one NMEA 0183 sentence per line; an echo sounder on the
// same line sends depth sentences ($SDDBT, $SDDBS). Each position sentence
// (RMC, GGA or GLL from any talker) that passes its checks gives one row of
// four values; the latest echo-sounder depth rides along in that row.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;
struct LineRecord;
struct RowValues;

// Shared by every GPS channel of a run: the column separator.
struct GpsSharedState {
    char separator = '\t';
};

// Per GPS channel: the latest echo-sounder depth of the channel's own line
// (0 until its first depth sentence of the run).
struct GpsDepth {
    double feet = 0;
    double metres = 0;
    double fathoms = 0;
};

// The calendar fields of a position sentence that passed its checks.
struct GpsFix {
    char sentence = 0;  // 'R' RMC, 'G' GGA, 'L' GLL
    bool hasDate = false;
    int day = 0, month = 0, year = 0;  // two-digit year; RMC only
    int hours = 0, minutes = 0;
    double seconds = 0;
    double latitude = 0;   // degrees, negative south
    double longitude = 0;  // degrees, negative east (west is positive)
};

void SetGpsSeparator(Context& ctx, char separator);
void ResetGpsRunState(Context& ctx);

// One line of a GPS channel (meter types GPS, GPS_GGA, GPS_GLL, GPS_RMC,
// GPS_RMC_AO). Depth sentences update the channel's depth and give no row; an
// accepted position sentence fills 4 values and titles and returns 4;
// anything else returns 0. length bounds the line (which need not be
// zero-terminated within it).
int ConvertGpsSentence(GpsDepth& depth, int meterType, const char* line, int length,
                       RowValues& values);

// Reads a position sentence without touching any state: true when it is an
// RMC, GGA or GLL sentence whose checksum (if any) matches and whose fields
// pass the checks. The status (RMC, GLL "A"; GGA quality 1 or 2) is checked too.
bool ParseGpsFix(const char* line, int length, GpsFix& fix);

int DecodeGpsLine(Run& run, LineRecord& record, RowValues& values);

}  // namespace rix
