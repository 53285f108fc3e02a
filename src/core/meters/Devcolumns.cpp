// The generic column device file of the ANALOG, CTD-ENGR, ORB and code-27
// meters, and the converter that turns one of their text records into a row:
// each whitespace-separated field is one column of the file, converted by
// its kind (scaled counts, ratios, backscatter with the water removed,
// transmission and beam attenuation, CTD fields).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "Context.h"
#include "meters/Devfile.h"
#include "meters/Seawater.h"
#include "setup/SetupText.h"

namespace rix {

namespace {

constexpr std::size_t kDevLineLimit = 98;
constexpr double kGenericPlaceholder = 9999.999999;
constexpr double kBeamPlaceholder = 9999.9;
constexpr int kCtdListLimit = 10;  // Volts and dark-fluorescence columns taken in CTD mode
constexpr int kBackscatterAngle = 117;

// How the text after a key's "=" is read.
enum class LineFormat { None, Value, Plain, Scaled, Ratio, Backscatter };

// What a key without a column of its own changes.
enum class Setting { None, FixedSalinity, WaterPure, WaterSea, XFactor, Theta, FixedDepth, CtdMode };

struct Key {
    const char* prefix;
    LineFormat format;
    ColumnKind kind;
    Setting setting;
};

using K = ColumnKind;
using F = LineFormat;
using S = Setting;

// Tested in this order; a later match overrides an earlier one.
const Key kKeys[] = {
    {"Fixed-Salinity=", F::Value, K::Ignored, S::FixedSalinity},
    {"Water=PURE", F::None, K::Ignored, S::WaterPure},
    {"Water=SEA", F::None, K::Ignored, S::WaterSea},
    {"XFACTOR=", F::Value, K::Ignored, S::XFactor},
    {"Theta=", F::Value, K::Ignored, S::Theta},
    {"Lambda=", F::Backscatter, K::Backscatter, S::None},
    {"Date=", F::Plain, K::Date, S::None},
    {"Time=", F::Plain, K::Time, S::None},
    {"MSTIME=", F::Plain, K::MsTime, S::None},
    {"COUNTER=", F::Plain, K::Counter, S::None},
    {"CHL=", F::Scaled, K::Scaled, S::None},
    {"PHYCOERYTHRIN=", F::Scaled, K::Scaled, S::None},
    {"URANINE=", F::Scaled, K::Scaled, S::None},
    {"RHODAMINE=", F::Scaled, K::Scaled, S::None},
    {"CDOM=", F::Scaled, K::Scaled, S::None},
    {"LSS=", F::Scaled, K::Scaled, S::None},
    {"NTU=", F::Scaled, K::Scaled, S::None},
    {"DKFOL=", F::Plain, K::DarkFluorescence, S::None},
    {"DKDC=", F::Plain, K::Ignored, S::None},
    {"FIXED-DEPTH=", F::Value, K::Ignored, S::FixedDepth},
    {"TEMPERATURE=", F::Plain, K::CtdTemperature, S::None},
    {"CONDUCTIVITY=", F::Plain, K::CtdConductivity, S::None},
    {"PRESSURE=", F::Plain, K::CtdPressure, S::None},
    {"DEPTH=", F::Plain, K::Depth, S::None},
    {"SALINITY=", F::Plain, K::CtdSalinity, S::None},
    {"VOLTS=", F::Plain, K::Volts, S::None},
    {"ISCTD=YES", F::None, K::Ignored, S::CtdMode},
    {"iTemp=", F::Scaled, K::Linear, S::None},
    {"xTemp=", F::Scaled, K::Linear, S::None},
    {"PRES=", F::Scaled, K::Linear, S::None},
    {"B100=", F::Scaled, K::Scaled, S::None},
    {"B125=", F::Scaled, K::Scaled, S::None},
    {"B150=", F::Scaled, K::Scaled, S::None},
    {"G100=", F::Scaled, K::Scaled, S::None},
    {"G125=", F::Scaled, K::Scaled, S::None},
    {"G150=", F::Scaled, K::Scaled, S::None},
    {"R100=", F::Scaled, K::Scaled, S::None},
    {"R125=", F::Scaled, K::Scaled, S::None},
    {"R150=", F::Scaled, K::Scaled, S::None},
    {"BATTERY=", F::Plain, K::Battery, S::None},
    {"IENGR=", F::Plain, K::Engr, S::None},
    {"REF=", F::Plain, K::Ignored, S::None},
    {"N/U=", F::Plain, K::Ignored, S::None},
    {"REFERENCE=", F::Plain, K::Ignored, S::None},
    {"ENGR0=", F::Plain, K::Engr, S::None},
    {"ENGR1=", F::Scaled, K::Scaled, S::None},
    {"MORSTAR=", F::Scaled, K::Scaled, S::None},
    {"LSS", F::Scaled, K::Scaled, S::None},
    {"NTU=", F::Scaled, K::Scaled, S::None},
    {"ENGR2=", F::Ratio, K::Ratio, S::None},
    {"KBEAM=", F::Ratio, K::Transmission, S::None},
    {"KBEAM10=", F::Ratio, K::Transmission10, S::None},
    {"KBEAM25=", F::Ratio, K::Transmission25, S::None},
    {"BBX=", F::Backscatter, K::Backscatter, S::None},
};

bool HasPrefix(const std::string& line, const char* key) {
    return strncasecmp(line.c_str(), key, std::strlen(key)) == 0;
}

// "%lf": skips blanks, then a number as strtod reads it. p moves past it.
bool ScanDouble(const char*& p, double& value) {
    char* end = nullptr;
    double v = std::strtod(p, &end);
    if (end == p) return false;
    value = v;
    p = end;
    return true;
}

void CopyTitle(DeviceColumn& column, const std::string& title) {
    std::snprintf(column.title, kColumnTitleSize, "%s", title.c_str());
}

bool IsComment(const std::string& line) {
    if (!line.empty() && (line[0] == ':' || line[0] == '%')) return true;
    return line.find_first_not_of(" \t\r\n") == std::string::npos;
}

void ReportInvalidLine(Context& ctx, const char* title, const std::string& line) {
    ctx.reporter.ShowError(title, Format("Invalid Line '%s' in *.dev file", line.c_str()));
}

// Values one column adds to a row outside CTD mode.
int ValuesOf(ColumnKind kind) {
    switch (kind) {
        case K::Engr:
        case K::Depth:
        case K::DarkFluorescence:
        case K::Scaled:
        case K::Ratio:
        case K::Linear:
        case K::Transmission:
        case K::Battery:
            return 1;
        case K::Transmission10:
        case K::Transmission25:
            return 2;
        case K::Backscatter:
            return 4;
        default:
            return 0;
    }
}

// The most values one record of the file can give.
int RowWidth(const DeviceColumns& device) {
    const int count = std::min(device.columnCount, kDeviceColumns);
    if (device.columns[0].ctdMode) return 6 + 2 * kCtdListLimit;
    int width = 0;
    for (int i = 0; i < count; ++i) width += ValuesOf(device.columns[i].kind);
    return width;
}

enum class LineResult { Ok, Failed };

// One line of the column definitions with its key.
LineResult DefineFromLine(Context& ctx, int limit, const Key& key, const std::string& line,
                          DeviceColumns& device, int& defined) {
    DeviceColumn& global = device.columns[0];
    if (key.format == F::None) {
        if (key.setting == S::WaterPure) global.seaWater = false;
        if (key.setting == S::WaterSea) global.seaWater = true;
        if (key.setting == S::CtdMode) global.ctdMode = true;
        return LineResult::Ok;
    }

    // The text after the line's last "=" (after the key itself for "LSS" without one).
    const char* text = std::strrchr(line.c_str(), '=');
    text = text ? text + 1 : line.c_str() + std::strlen(key.prefix);

    if (key.format == F::Value) {
        const char* p = text;
        double value = 0;
        if (!ScanDouble(p, value)) {
            ReportInvalidLine(ctx, "ORB Device File Error", line);
            return LineResult::Failed;
        }
        if (key.setting == S::FixedSalinity) global.fixedSalinity = value;
        if (key.setting == S::XFactor) global.xFactor = value;
        if (key.setting == S::FixedDepth) global.fixedDepth = value;
        return LineResult::Ok;
    }

    const char* p = text;
    int n = 0;
    double a = 0, b = 0;
    int wavelength = 0;
    std::string title;
    int items = 0;
    if (setuptext::ScanInt(p, n)) {
        ++items;
        if (key.format == F::Plain) {
            if (setuptext::ScanWord(p, title)) ++items;
        } else if (ScanDouble(p, a)) {
            ++items;
            if (ScanDouble(p, b)) {
                ++items;
                if (key.format == F::Backscatter) {
                    if (setuptext::ScanInt(p, wavelength)) ++items;
                } else if (setuptext::ScanWord(p, title)) {
                    ++items;
                }
            }
        }
    }
    const bool itemsOk = key.format == F::Plain         ? items >= 1
                         : key.format == F::Backscatter ? items == 4
                                                        : items >= 3;
    if (!itemsOk) {
        if (key.format == F::Plain)
            ReportInvalidLine(ctx, "ORB Device File Error", line);
        else
            ctx.reporter.ShowError("Error in Device File", text);
        return LineResult::Failed;
    }
    if (n < 1 || n > limit || n > kDeviceColumns) {
        device.columnCount = 0;
        return LineResult::Failed;
    }

    DeviceColumn& column = device.columns[static_cast<size_t>(n - 1)];
    column.kind = key.kind;
    ++defined;
    switch (key.format) {
        case F::Plain:
            column.scale = 1.0;
            column.offset = 0;
            // A battery cell sits at the end of the row and needs a header of its own.
            if (key.kind == K::Battery) CopyTitle(column, "Battery");
            break;
        case F::Scaled:
            column.scale = a;
            column.offset = b;
            break;
        case F::Ratio:
            column.reference = a;
            column.dark = b;
            break;
        case F::Backscatter:
            column.scale = a;
            column.offset = b;
            column.wavelength = wavelength;
            column.angle = kBackscatterAngle;
            break;
        default:
            break;
    }
    if (!title.empty()) CopyTitle(column, title);
    return LineResult::Ok;
}

// Water correction of a backscatter column: fills scatter[0..3].
void CorrectForWater(const DeviceColumn& global, DeviceColumn& column, double beta) {
    const double pi = 3.14159265358979323846;
    const double delta = 0.09;
    const double c = std::cos(column.angle * pi * (1.0 / 180.0));
    const double c2 = c * c;
    const double lambda = column.wavelength * 0.002;
    const double S = global.fixedSalinity;
    const double betaW = (c2 * (1 - delta) / (1 + delta) + 1) *
                         (std::pow(lambda, -4.32) * 1.38 * (S * 0.3 * (1.0 / 37.0) + 1) * 0.0001);
    const double bw = global.seaWater ? 0.0029308 * std::pow(lambda, -4.24)
                                      : 0.0022533 * std::pow(lambda, -4.23);
    const double bbw = bw * 0.5;
    const double betaP = beta - betaW;
    const double bbp = 2 * pi * global.xFactor * betaP;
    column.scatter[0] = beta;
    column.scatter[1] = betaP;
    column.scatter[2] = bbp;
    column.scatter[3] = bbp + bbw;
}

// Reads three integers joined by sep ("%d/%d/%d") and gives the number that
// "%02d%02d%02d" of (order[0], order[1], order[2]) spells.
bool ReadTriple(const char* field, char sep, const int order[3], bool yearMod, double& value) {
    int v[3] = {};
    const char* p = field;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (*p != sep) return false;
            ++p;
        }
        if (!setuptext::ScanInt(p, v[i])) return false;
    }
    if (yearMod) v[2] %= 100;
    const int a = v[order[0]], b = v[order[1]], c = v[order[2]];
    if (a >= 0 && a < 100 && b >= 0 && b < 100 && c >= 0 && c < 100) {
        // Two digits each: the number is a * 10000 + b * 100 + c, as the text reads.
        value = a * 10000.0 + b * 100.0 + c;
        return true;
    }
    char digits[48];
    std::snprintf(digits, sizeof digits, "%02d%02d%02d", a, b, c);
    value = std::strtod(digits, nullptr);
    return true;
}

bool ReadField(DeviceColumn& column, const char* field) {
    switch (column.kind) {
        case K::Ignored:
        case K::Counter:
        case K::MsTime:
            return true;
        case K::Date: {
            const int order[3] = {1, 0, 2};  // month/day/year gives ddmmyy
            return ReadTriple(field, '/', order, true, column.raw) ||
                   ReadTriple(field, '-', order, true, column.raw);
        }
        case K::Time: {
            const int order[3] = {0, 1, 2};
            return ReadTriple(field, ':', order, false, column.raw);
        }
        default: {
            const char* p = field;
            return ScanDouble(p, column.raw);
        }
    }
}

// Adds one value; the file reader keeps rows within the writer's capacity.
struct RowBuilder {
    RowValues& values;
    int n = 0;
    void Add(double value, const char* title) {
        if (n < kMaxRowValues) values.Set(n, value, title, 6);
        ++n;
    }
};

void BuildCtdRow(const DeviceColumns& device, RowBuilder& row) {
    const DeviceColumn& global = device.columns[0];
    double T = -100, C = -100, S = -100, P = -20000, D = -20000;
    double volts[kCtdListLimit], dark[kCtdListLimit];
    int nVolts = 0, nDark = 0;
    for (int i = 0; i < device.columnCount; ++i) {
        const DeviceColumn& col = device.columns[static_cast<size_t>(i)];
        switch (col.kind) {
            case K::CtdTemperature: T = col.raw; break;
            case K::CtdConductivity: C = col.raw; break;
            case K::CtdPressure: P = col.raw; break;
            case K::Depth: D = col.raw; break;
            case K::CtdSalinity: S = col.raw; break;
            case K::Volts:
                if (nVolts < kCtdListLimit) volts[nVolts++] = col.raw;
                break;
            case K::DarkFluorescence:
                if (nDark < kCtdListLimit) dark[nDark++] = col.raw;
                break;
            default:
                break;
        }
    }
    if (global.fixedDepth < 9999) row.Add(global.fixedDepth, "Depth(m)");
    if (D > -10000) row.Add(D, "Depth(m)");
    if (P > -10000) row.Add(P, "Pressure");
    if (T > -100) row.Add(T, "Temp(C)");
    if (C > -100) row.Add(C, "Conduct");
    if (S > -100) {
        row.Add(S, "Salinity");
    } else if (T > -100 && C > -100) {
        const double pressure = P > -10000                ? P
                                : D > -10000              ? D
                                : global.fixedDepth < 9999 ? global.fixedDepth
                                                           : 0;
        row.Add(PracticalSalinity(C, T * 1.00024, pressure), "Salinity");
    }
    for (int i = 0; i < nVolts; ++i) row.Add(volts[i], Format("Voltage_%1d", i).c_str());
    for (int i = 0; i < nDark; ++i) row.Add(dark[i], Format("DKFOL_%1d", i).c_str());
}

// The normal row; battery cells are left to the caller.
void BuildNormalRow(DeviceColumns& device, RowBuilder& row) {
    const DeviceColumn& global = device.columns[0];
    for (int i = 0; i < device.columnCount; ++i) {
        DeviceColumn& col = device.columns[static_cast<size_t>(i)];
        switch (col.kind) {
            case K::Engr:
            case K::Depth:
            case K::DarkFluorescence:
                col.last = col.raw;
                row.Add(col.last, col.title);
                break;
            case K::Scaled:
                col.last = (col.raw - col.offset) * col.scale;
                row.Add(col.last, col.title);
                break;
            case K::Ratio:
                col.last = col.reference == col.dark ? kGenericPlaceholder
                                                     : (col.raw - col.dark) / (col.reference - col.dark);
                row.Add(col.last, col.title);
                break;
            case K::Linear:
                col.last = col.raw * col.scale + col.offset;
                row.Add(col.last, col.title);
                break;
            case K::Transmission:
            case K::Transmission10:
            case K::Transmission25: {
                const bool noRange = col.reference == col.dark;
                const double t = noRange ? kBeamPlaceholder : (col.raw - col.dark) / (col.reference - col.dark);
                col.last = t;
                row.Add(t, "%Trans");
                if (col.kind != K::Transmission) {
                    const double factor = col.kind == K::Transmission10 ? -10.0 : -4.0;
                    row.Add(noRange || t <= 0 ? kBeamPlaceholder : factor * std::log(t), "m-1");
                }
                break;
            }
            case K::Backscatter: {
                const double beta = (col.raw - col.offset) * col.scale;
                CorrectForWater(global, col, beta);
                col.last = beta;
                row.Add(col.scatter[0], Format("Beta(%d)", col.wavelength).c_str());
                row.Add(col.scatter[1], Format("BetaP(%d)", col.wavelength).c_str());
                row.Add(col.scatter[2], Format("bbP(%d)", col.wavelength).c_str());
                row.Add(col.scatter[3], Format("bb(%d)", col.wavelength).c_str());
                break;
            }
            case K::Battery:
                break;  // after every other value
            default:
                col.raw = 0;
                col.last = 0;
                break;
        }
    }
}

}  // namespace

int ReadColumnDeviceFile(Context& ctx, int limit, std::FILE* file, DeviceColumns& device) {
    device = DeviceColumns{};
    if (!file) return 0;
    DeviceColumn& global = device.columns[0];
    std::string line;

    // The title line names the file; nothing on it is read.
    bool more = setuptext::ReadLine(file, kDevLineLimit, line);

    // Head: up to a "Columns=" line with a count.
    while (device.columnCount == 0) {
        if (more) more = setuptext::ReadLine(file, kDevLineLimit, line);
        if (!more) {
            ctx.reporter.ShowError("Device File Error", "No Columns= line in *.dev file");
            return 0;
        }
        if (HasPrefix(line, "Columns=")) {
            const char* p = line.c_str() + 8;
            int count = 0;
            if (!setuptext::ScanInt(p, count) || count < 1 || count > limit || count > kDeviceColumns) {
                ReportInvalidLine(ctx, "Device File Error", line);
                return 0;
            }
            device.columnCount = count;
        } else if (HasPrefix(line, "ISCTD=YES")) {
            global.ctdMode = true;
        } else if (HasPrefix(line, "FIXED-DEPTH=")) {
            std::string upper = line;
            setuptext::ToUpperAscii(upper);
            const char* p = upper.c_str() + std::strlen("FIXED-DEPTH=");
            if (!ScanDouble(p, global.fixedDepth)) {
                ReportInvalidLine(ctx, "ORB Device File Error", line);
                return 0;
            }
        }
    }

    // Column definitions, to the end of the file.
    int defined = 0;
    while (setuptext::ReadLine(file, kDevLineLimit, line)) {
        const Key* key = nullptr;
        for (const Key& k : kKeys)
            if (HasPrefix(line, k.prefix)) key = &k;
        if (!key) {
            if (!IsComment(line)) ctx.reporter.ShowError("Invalid Line in Device File", line);
            continue;
        }
        if (DefineFromLine(ctx, limit, *key, line, device, defined) == LineResult::Failed) return 0;
    }

    const int width = RowWidth(device);
    if (width > kMaxRowValues) {
        ctx.reporter.ShowError("Device File Error",
                               Format("Columns give %d values per record, more than %d in *.dev", width,
                                      kMaxRowValues));
        device.columnCount = 0;
        return 0;
    }
    if (device.columnCount != defined) {
        ctx.reporter.ShowError("Device File Error",
                               Format("Columns (%d) does not match define Fields (%d) in *.dev",
                                      device.columnCount, defined));
        return 0;
    }
    return 1;
}

int ConvertColumnRecord(Context& ctx, DeviceColumns& device, char* record, RowValues& values) {
    if (!record) return 0;
    const int columnCount = std::clamp(device.columnCount, 0, kDeviceColumns);

    // Fields: separators become blanks (then terminators); a word that starts
    // with one of the letters of "ABEFGLNRSV" is not a field.
    char* starts[kDeviceColumns];
    int fields = 0;
    bool separator = true;
    const size_t length = std::strlen(record);
    for (size_t i = 0; i < length; ++i) {
        const char c = record[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',') {
            record[i] = ' ';
            separator = true;
        } else if (std::strchr("ABEFGLNRSV", c)) {
            separator = false;
        } else {
            if (separator) {
                if (fields < kDeviceColumns) starts[fields] = record + i;
                ++fields;
            }
            separator = false;
        }
    }
    // Each field ends at its separator.
    for (size_t i = 0; i < length; ++i)
        if (record[i] == ' ') record[i] = '\0';

    int& mismatches = ctx.shared.deviceFile.mismatchCount;
    if (fields != columnCount) {
        if (mismatches++ == 5)
            ctx.reporter.ShowError("Possible Mis-Match between Device File and Meter",
                                   Format("Execution Error - Columns found %d != Columns Expected %d",
                                          fields, columnCount));
        return 0;
    }
    for (int i = 0; i < columnCount; ++i)
        if (!ReadField(device.columns[static_cast<size_t>(i)], starts[i])) return 0;
    mismatches = 0;

    RowBuilder row{values};
    if (device.columns[0].ctdMode) {
        BuildCtdRow(device, row);
    } else {
        BuildNormalRow(device, row);
        // Battery cells close the row: a value only when it moved by 0.1 or
        // more since the last one written; an unchanged cell is left out when
        // nothing follows it, else it holds the placeholder.
        int lastWritten = row.n - 1;
        bool changed[kDeviceColumns] = {};
        for (int i = 0; i < columnCount; ++i) {
            const DeviceColumn& col = device.columns[static_cast<size_t>(i)];
            if (col.kind != K::Battery) continue;
            changed[i] = std::fabs(col.raw - col.last) >= 0.1 - 1e-9;
            if (changed[i]) lastWritten = row.n;
            row.Add(changed[i] ? col.raw : kGenericPlaceholder, col.title);
        }
        values.titleCount = std::min(row.n, kMaxRowValues);
        row.n = lastWritten + 1;
        for (int i = 0; i < std::min(row.n, kMaxRowValues); ++i)
            if (!std::isfinite(values.values[i])) return 0;
        // Only a battery value that reaches the file becomes the one to compare with.
        for (int i = 0; i < columnCount; ++i)
            if (changed[i]) device.columns[static_cast<size_t>(i)].last = device.columns[static_cast<size_t>(i)].raw;
    }
    const int n = std::min(row.n, kMaxRowValues);
    values.count = n;
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(values.values[i])) return 0;
    return n;
}

}  // namespace rix
