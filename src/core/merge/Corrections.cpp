#include "merge/Corrections.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Context.h"
#include "setup/SetupText.h"
#include "utilities/Decimal.h"

namespace rix {

namespace {

constexpr int kMaxCorrectionRows = 100;
constexpr std::size_t kCorrectionLineLimit = 99;
constexpr std::size_t kOxygenLineLimit = 98;

int ReadTable(Context& ctx, const std::string& path, const char* purpose, int numbers,
              std::vector<CorrectionRow>& table) {
    table.clear();
    std::FILE* f = setuptext::OpenForReading(path);
    if (!f) {
        ctx.reporter.ShowError(Format("%s File Error", purpose), Format("Unable to open %s", path.c_str()));
        return 0;
    }
    std::string line;
    while (setuptext::ReadLine(f, kCorrectionLineLimit, line)) {
        double v[3] = {};
        const char* p = line.c_str();
        int n = 0;
        while (n < numbers && ScanDouble(p, v[n])) ++n;
        if (n < numbers || static_cast<int>(table.size()) >= kMaxCorrectionRows) continue;
        table.push_back({v[0], v[1], v[2]});
    }
    std::fclose(f);
    return static_cast<int>(table.size());
}

const std::vector<CorrectionRow>& Table(const Context& ctx, int table) {
    const MergeState& m = ctx.merge;
    return table == 0 ? m.cleanWater : table == 1 ? m.salinity : m.temperature;
}

bool IsNx9Column(int column) { return column >= 1 && column <= 18; }

// Shows a configuration message once while its latch is set.
void Latched(Context& ctx, bool& latch, const std::string& caption, const std::string& text) {
    if (latch) return;
    latch = true;
    ctx.reporter.ShowError(caption, text);
}

}  // namespace

bool IsAbsorptionColumn(int column) {
    return (column >= 1 && column <= 3) || (column >= 7 && column <= 9) || (column >= 13 && column <= 15);
}

bool IsAttenuationColumn(int column) { return IsNx9Column(column) && !IsAbsorptionColumn(column); }

int AttenuationPartner(int aColumn) { return aColumn >= 13 ? aColumn - 9 : aColumn + 9; }

int ReadCleanWaterFile(Context& ctx, const std::string& path) {
    return ReadTable(ctx, path, "Clean Water Offsets File", 3, ctx.merge.cleanWater);
}

int ReadSalinityCorrectionFile(Context& ctx, const std::string& path) {
    return ReadTable(ctx, path, "Salinity Correction File", 3, ctx.merge.salinity);
}

int ReadTemperatureCorrectionFile(Context& ctx, const std::string& path) {
    return ReadTable(ctx, path, "Clean Temperature Correction File", 2, ctx.merge.temperature);
}

void ClearCorrectionTables(Context& ctx) {
    ctx.merge.cleanWater.clear();
    ctx.merge.salinity.clear();
    ctx.merge.temperature.clear();
}

double ColumnWavelength(const std::string& title) {
    if (title.size() < 2) return 0;
    const char* p = title.c_str() + 1;
    double w = 0;
    return ScanDouble(p, w) ? w : 0;
}

int NearestCorrectionRow(const Context& ctx, int table, double wavelength) {
    const std::vector<CorrectionRow>& rows = Table(ctx, table);
    int best = 0;
    double bestDistance = 10000;  // a row this far away is never taken
    for (size_t i = 0; i < rows.size(); ++i) {
        double d = std::fabs(rows[i].wavelength - wavelength);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

void PrepareCorrections(Context& ctx) {
    MergeState& m = ctx.merge;
    for (int column = 0; column < kNx9Columns; ++column) {
        double w = ColumnWavelength(m.baseTitles[column]);
        m.cleanRow[column] = NearestCorrectionRow(ctx, 0, w);
        m.salinityRow[column] = NearestCorrectionRow(ctx, 1, w);
        m.temperatureRow[column] = NearestCorrectionRow(ctx, 2, w);
    }
}

void ApplyCleanWater(Context& ctx, MergeRow& row) {
    const MergeState& m = ctx.merge;
    if (row.cleaned || m.cleanWater.empty()) return;
    row.cleaned = true;
    for (int column = 1; column <= 18 && column < row.count; ++column) {
        const CorrectionRow& r = m.cleanWater[m.cleanRow[column]];
        row.values[column] -= IsAbsorptionColumn(column) ? r.a : r.c;
    }
}

double ApplyTsCorrection(Context& ctx, int column, double value, double temperature, double calTemperature,
                         double salinity, double calSalinity, int flags) {
    if (!IsNx9Column(column)) return value;
    MergeState& m = ctx.merge;
    if (flags & kCorrectTemperature) {
        if (temperature > 100 || calTemperature < 1) {
            Latched(ctx, m.temperatureLatch, "Merge Configuration Error: Temperature Corrections Not Applied",
                    "Water Temperature or T-Ref is incorrect\n\nCheck that a merge CTPS Temperature column is "
                    "selected and the Base Cal @ xx.xx Temperature is correct");
            return value;
        }
        m.temperatureLatch = false;
        if (!m.temperature.empty())
            value -= (temperature - calTemperature) * m.temperature[m.temperatureRow[column]].a;
    }
    if (flags & kCorrectSalinity) {
        if (salinity > 100) {
            Latched(ctx, m.salinityLatch, "Merge Configuration Error: Salinity Corrections Not Applied",
                    "Water Salinity is incorrect\n\nCheck that a merge CTPS Salinity Column is selected");
            return value;
        }
        m.salinityLatch = false;
        if (calSalinity > 0) {
            Latched(ctx, m.refSalinityLatch, "Merge Configuration Warning: Reference Salinity is suspect",
                    Format("Factory Calibration is at 0 PSU\n\nPlease check that the Cal @ = %7.5lf PSU is correct",
                           calSalinity));
        } else {
            m.refSalinityLatch = false;
        }
        if (!m.salinity.empty()) {
            const CorrectionRow& r = m.salinity[m.salinityRow[column]];
            value -= (salinity - calSalinity) * (IsAbsorptionColumn(column) ? r.a : r.c);
        }
    }
    return value;
}

double ScatterCorrection(Context& ctx, const MergeRow& row, int column, double value, int method,
                         const TsInputs& ts) {
    if (!IsAbsorptionColumn(column) || method < 1 || method > 3) return value;
    const int partner = AttenuationPartner(column);
    if (!row.Has(partner) || !row.Has(3) || !row.Has(12)) return 9999.9;
    auto corrected = [&](int col) {
        return ApplyTsCorrection(ctx, col, row.values[col], ts.temperature, ts.calTemperature, ts.salinity,
                                 ts.calSalinity, ts.flags);
    };
    const double a = value;
    const double c = corrected(partner);
    const double aRef = corrected(3);
    const double cRef = corrected(12);
    double s = 0;
    if (method == 1) {
        s = aRef;
    } else if (method == 2) {
        s = 0.14 * (c - a);
    } else {
        if (cRef == aRef) return 9999.9;  // no proportion without a reference attenuation
        s = aRef * (c - a) / (cRef - aRef);
    }
    return a - s;
}

void ClearSbe23History(Context& ctx) {
    ctx.merge.historyCount = 0;
    ctx.merge.historyTime.fill(0);
    ctx.merge.historyCurrent.fill(0);
}

int ReadOxygenDeviceFile(Context& ctx, int sensorType, const std::string& path) {
    MergeState& m = ctx.merge;
    if (sensorType == 23) m.sbe23InUse = true;
    // Every file starts from the defaults: one pair's file must not leak into another's.
    m.oxygen = OxygenCoefficients();
    std::FILE* f = setuptext::OpenForReading(path);
    if (!f) {
        ctx.reporter.ShowError("SBE DO Device File File Error", Format("Unable to open %s", path.c_str()));
        return 0;
    }
    struct Key {
        const char* key;
        double* field;
    };
    OxygenCoefficients& o = m.oxygen;
    const Key keys[] = {{"Soc=", &o.soc},         {"Boc=", &o.boc}, {"TCor=", &o.tcor}, {"PCor=", &o.pcor},
                        {"Voffset=", &o.voffset}, {"tau=", &o.tau}, {"wt=", &o.wt},     {"m=", &o.m},
                        {"b=", &o.b},             {"k=", &o.k},     {"c=", &o.c}};
    bool bad = false;
    std::string line;
    while (setuptext::ReadLine(f, kOxygenLineLimit, line)) {
        const char* text = line.c_str();
        if (strncasecmp(text, "CTD-Hz=", 7) == 0) {
            const char* p = text + 7;
            int hz = 0;
            if (!setuptext::ScanInt(p, hz)) {
                bad = true;
                continue;
            }
            switch (hz) {
                case 1: o.window = 2; break;
                case 2: o.window = 3; break;
                case 4: o.window = 5; break;
                case 8: o.window = 9; break;
                case 16: o.window = 17; break;
                default:
                    ctx.reporter.ShowError("DO Sensor Device File Error", "CTD-Hz Error, Must be 1, 2, 4, 8, or 16");
                    o.window = 2;
                    bad = true;
            }
            continue;
        }
        for (const Key& k : keys) {
            size_t n = std::strlen(k.key);
            if (strncasecmp(text, k.key, n) != 0) continue;
            const char* p = text + n;
            double v = 0;
            if (ScanDouble(p, v))
                *k.field = v;
            else
                bad = true;
            break;
        }
    }
    std::fclose(f);
    if (bad) {
        ctx.reporter.ShowError("Device File Error", Format("Error with Device File %s", path.c_str()));
        return 0;
    }
    return 1;
}

double OxygenSolubility(double temperature, double salinity) {
    const double x = (temperature + 273.15) / 100.0;
    return std::exp(-173.4292 + 249.6339 / x + 143.3483 * std::log(x) - 21.8492 * x +
                    salinity * (-0.033096 + 0.014259 * x - 0.0017 * x * x));
}

double Sbe43Oxygen(const Context& ctx, double voltage, double pressure, double temperature, double salinity) {
    const OxygenCoefficients& o = ctx.merge.oxygen;
    const double v = static_cast<float>(voltage);
    return OxygenSolubility(temperature, salinity) * std::exp(o.tcor * temperature + o.pcor * pressure) *
           (o.soc * (v + o.voffset) + o.boc * std::exp(-0.03 * temperature));
}

double Sbe23Oxygen(Context& ctx, double timeMs, double sensorTemperature, double sensorCurrent, double pressure,
                   double temperature, double salinity) {
    MergeState& m = ctx.merge;
    const OxygenCoefficients& o = m.oxygen;
    const double tox = o.k * static_cast<float>(sensorTemperature) + o.c;
    const double current = (o.m * static_cast<float>(sensorCurrent) + o.b) * 1000000.0;
    const double t = timeMs / 1000.0;

    // Newest first; the fit uses the newest `window` pairs.
    const int kept = static_cast<int>(m.historyTime.size());
    for (int i = kept - 1; i > 0; --i) {
        m.historyTime[i] = m.historyTime[i - 1];
        m.historyCurrent[i] = m.historyCurrent[i - 1];
    }
    m.historyTime[0] = t;
    m.historyCurrent[0] = current;
    const int window = std::min(o.window, kept);
    m.historyCount = std::min(m.historyCount + 1, std::max(window, 0));
    const int n = m.historyCount;
    double slope = 0;
    if (n > 0) {
        double meanT = 0, meanI = 0;
        for (int i = 0; i < n; ++i) {
            meanT += m.historyTime[i];
            meanI += m.historyCurrent[i];
        }
        meanT /= n;
        meanI /= n;
        double sxy = 0, sxx = 0;
        for (int i = 0; i < n; ++i) {
            const double dt = m.historyTime[i] - meanT;
            sxy += dt * (m.historyCurrent[i] - meanI);
            sxx += dt * dt;
        }
        if (sxx != 0) slope = sxy / sxx;
    }
    return (o.soc * (current + o.tau * slope) + o.boc) * OxygenSolubility(temperature, salinity) *
           std::exp(o.tcor * (temperature + o.wt * (tox - temperature)) + o.pcor * pressure);
}

}  // namespace rix
