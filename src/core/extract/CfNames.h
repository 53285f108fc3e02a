// What the NetCDF output says of a column: a NetCDF-safe variable name, its
// UDUNITS units and CF standard name, derived from the title the text file
// writes ("Temp(C)", "Sal(PSU)", "a412") and from the meter; which printed
// values are placeholders for a missing value; and calendar time.
#pragma once
#include <string>
#include <string_view>

namespace rix {

struct JulianState;

struct CfColumn {
    std::string name;          // variable name: letters, digits, underscores
    std::string units;         // UDUNITS, empty when unknown
    std::string standardName;  // CF standard name, empty when none fits
    bool salinity = false;     // 99 is its placeholder
    bool ctdTemperature = false;  // 99.9 is its placeholder
    bool westPositive = false;    // a longitude the text writes west-positive
};

// A NetCDF-safe form of a title: letters, digits and underscores, starting
// with a letter ("Temp(C)" -> "Temp_C", "Sal(PSU)" -> "Sal_PSU", "12" -> "v12").
std::string NetcdfSafeName(std::string_view title);

// The column's meaning; unit is what the meter said (UDUNITS), if anything.
// keyword: the meter type keyword of the instrument setup.
CfColumn DescribeColumn(std::string_view title, std::string_view unit, std::string_view keyword);

// True when the value, printed at the given precision, is a placeholder the
// text file writes for a missing value (9999.999999, 9999.9, 9999.0, a
// salinity of 99, a CTD temperature of 99.9).
bool IsPlaceholder(const CfColumn& column, double value, int precision);

// Seconds since 1970-01-01T00:00:00Z of a revised logger time (ms) by the
// run's day table, as the Julian and ISO 8601 stamps read it; NaN before the
// first known day.
double EpochSecondsOf(const JulianState& state, double timeMs);
// Seconds since 1970 of YYYY-MM-DDThh:mm:ss.sssZ; NaN when the text is no such stamp.
double EpochSecondsOfIso(std::string_view text);
// Seconds since 1970 as YYYY-MM-DDThh:mm:ssZ (ISO 8601, whole seconds).
std::string IsoOfEpochSeconds(double seconds);

}  // namespace rix
