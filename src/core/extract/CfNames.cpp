#include "extract/CfNames.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "extract/Misc.h"

namespace rix {

namespace {

// 2000-01-01T00:00:00Z in seconds since 1970.
constexpr double kEpoch2000 = 946684800.0;

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// A wavelength title of the a/c meters: a or c and the wavelength in nm.
bool IsAcTitle(std::string_view t, char which) {
    while (!t.empty() && t.back() == '_') t.remove_suffix(1);  // "a650__" in merged titles
    if (t.size() < 2 || t[0] != which) return false;
    for (size_t i = 1; i < t.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(t[i])) && t[i] != '.') return false;
    return true;
}

// The unit a title writes in parentheses, as UDUNITS.
std::string UnitOfTitle(const std::string& unit) {
    const std::string u = Lower(unit);
    if (u == "c" || u == "degc" || u == "deg c") return "degree_Celsius";
    if (u == "dbars" || u == "dbar" || u == "db") return "dbar";
    if (u == "psu" || u == "pss-78") return "1";
    if (u == "m") return "m";
    if (u == "ms") return "ms";
    if (u == "s") return "s";
    if (u == "m/s") return "m s-1";
    if (u == "s/m") return "S m-1";
    if (u == "ms/cm" || u == "mmho/cm") return "mS cm-1";
    if (u == "ml/l") return "ml l-1";
    if (u == "mg/l") return "mg l-1";
    if (u == "ug/l") return "ug l-1";
    if (u == "mg/m3" || u == "mg/m^3") return "mg m-3";
    if (u == "kg/m3" || u == "kg/m^3") return "kg m-3";
    if (u == "1/m" || u == "m-1" || u == "/m") return "m-1";
    if (u == "v") return "V";
    if (u == "hpa") return "hPa";
    if (u == "deg" || u == "degrees") return "degree";
    if (u == "%") return "percent";
    return "";
}

}  // namespace

std::string NetcdfSafeName(std::string_view title) {
    std::string name;
    bool gap = false;
    for (char c : title) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            if (gap && !name.empty()) name += '_';
            gap = false;
            name += c;
        } else if (c == '-' && name.empty()) {
            continue;
        } else {
            gap = true;  // runs of other characters become one underscore
        }
    }
    if (name.empty()) return "value";
    if (!std::isalpha(static_cast<unsigned char>(name[0]))) name = "v" + name;
    // Well inside the library's 256 characters, a suffix for a repeated name included.
    if (name.size() > 200) name.resize(200);
    return name;
}

CfColumn DescribeColumn(std::string_view title, std::string_view unit, std::string_view keyword) {
    CfColumn col;
    col.name = NetcdfSafeName(title);
    std::string head(title), inside;
    const size_t open = head.find('(');
    if (open != std::string::npos) {
        const size_t close = head.find(')', open);
        inside = head.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
        head.resize(open);
    }
    const std::string h = Lower(head);
    const std::string k = Lower(keyword);
    const bool ctd = StartsWith(k, "sbe") || StartsWith(k, "ctd");
    col.units = !unit.empty() ? std::string(unit) : UnitOfTitle(inside);

    if (h == "latitude" || h == "lat") {
        col.units = "degrees_north";
        col.standardName = "latitude";
    } else if (h == "longitude" || h == "lon") {
        col.units = "degrees_east";
        col.standardName = "longitude";
        col.westPositive = true;
    } else if (h == "bottom_depth") {
        if (col.units.empty()) col.units = "m";
        col.standardName = "sea_floor_depth_below_sea_surface";
    } else if (h == "depth") {
        if (col.units.empty()) col.units = "m";
        col.standardName = "depth";
    } else if (h == "sal" || h == "salinity" || h == "isal") {
        col.units = "1";
        col.standardName = "sea_water_practical_salinity";
        col.salinity = true;
    } else if ((h == "p" || h == "pres" || h == "pressure") && (ctd || col.units == "dbar")) {
        if (col.units.empty()) col.units = "dbar";
        col.standardName = "sea_water_pressure";
    } else if ((h == "temp" || h == "t" || h == "temperature") && ctd) {
        if (col.units.empty()) col.units = "degree_Celsius";
        col.standardName = "sea_water_temperature";
        col.ctdTemperature = true;
    } else if ((h == "conduct" || h == "c" || h == "conductivity") && ctd) {
        if (col.units.empty()) col.units = "S m-1";
        col.standardName = "sea_water_electrical_conductivity";
    } else if (h == "density" || h == "iden") {
        col.units = "kg m-3";
        col.standardName = "sea_water_density";
    } else if (h == "sigma-t" || h == "isigma-t" || h == "sigma_t") {
        col.units = "kg m-3";
        col.standardName = "sea_water_sigma_t";
    } else if (IsAcTitle(head, 'a') || StartsWith(h, "acor")) {
        col.units = "m-1";
        col.standardName = "volume_absorption_coefficient_of_radiative_flux_in_sea_water";
    } else if (IsAcTitle(head, 'c') || StartsWith(h, "ccor")) {
        col.units = "m-1";
        col.standardName = "volume_beam_attenuation_coefficient_of_radiative_flux_in_sea_water";
    }
    return col;
}

bool IsPlaceholder(const CfColumn& column, double value, int precision) {
    // Every placeholder is 99 or more, and equal as printed means within
    // half a unit of the last printed digit (at most 0.5): most values are
    // ruled out here.
    if (!(std::fabs(value) >= 98.0) || !std::isfinite(value)) return false;
    static constexpr double kHalfUnit[13] = {0.5,    0.05,    0.005,    5e-4,    5e-5,    5e-6,  5e-7,
                                             5e-8,   5e-9,    5e-10,    5e-11,   5e-12,   5e-13};
    const double half = kHalfUnit[std::clamp(precision, 0, 12)];
    auto is = [&](double p) { return std::fabs(value - p) < half + 1e-9; };
    if (is(9999.999999) || is(9999.9) || is(9999.0)) return true;
    if (column.salinity && is(99.0)) return true;
    if (column.ctdTemperature && is(99.9)) return true;
    return false;
}

double EpochSecondsOf(const JulianState& state, double timeMs) {
    int code = 0;
    double ms = 0;
    if (!DayOf(state, timeMs, code, ms)) return std::nan("");
    const int year = 2000 + code / 1000;
    const int day = code % 1000;  // 1-based day of the year
    long long days = 0;
    for (int y = 2000; y < year; ++y) days += (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) ? 366 : 365;
    days += day - 1;
    return kEpoch2000 + static_cast<double>(days) * 86400.0 + ms * 0.001;
}

double EpochSecondsOfIso(std::string_view text) {
    double ms = 0;
    if (!ParseIsoStamp(text.data(), text.data() + text.size(), ms)) return std::nan("");
    return kEpoch2000 + ms * 0.001;
}

std::string IsoOfEpochSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < -1e12 || seconds > 1e12) return "";
    const std::time_t t = static_cast<std::time_t>(std::floor(seconds));
    std::tm tm{};
    gmtime_r(&t, &tm);
    char out[40];
    std::strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return out;
}

}  // namespace rix
