#include "meters/Sbe_engr.h"

#include <cmath>

#include "Context.h"
#include "meters/Seawater.h"
#include "setup/MeterType.h"

namespace rix {

namespace {

constexpr double kPsiToDecibar = 0.68947571852677790846;
constexpr double kKelvin = 273.15;

double FrequencyTemperature(double f0, double g, double h, double i, double j, double f) {
    const double l = std::log(f0 / f);
    return 1.0 / (g + h * l + i * l * l + j * l * l * l) - kKelvin;
}

double Pressure(const SbeCalibration& cal, int meterType, const SbeRawScan& raw) {
    if (meterType == kSbe16 || meterType == kSbe21) return 0;
    if (meterType == kSbe19PlusRaw) {
        const double* k = cal.k;
        const double v = raw.pressureTemperature;
        const double n = raw.pressureCounts;
        const double t = k[0] + k[1] * v + k[2] * v * v;
        const double x = n - k[3] - k[4] * t - k[5] * t * t;
        const double nc = x * k[6] / (k[6] + k[7] * t + k[8] * t * t);
        return (k[9] + k[10] * nc + k[11] * nc * nc - 14.7) * kPsiToDecibar;
    }
    const double n = raw.pressureCounts;
    return (cal.q[1] + cal.q[0] * n + cal.q[3] * n * n - 14.7) * kPsiToDecibar;
}

// SBE19plus thermistor counts to ITS-90.
double ThermistorTemperature(const SbeCalibration& cal, double counts) {
    const double v = (counts - 524288.0) * 6.25e-8;
    const double l = std::log((v * 2.9e9 + 1.024e8) / (20480.0 - v * 200000.0));
    return 1.0 / (cal.t[0] + cal.t[1] * l + cal.t[2] * l * l + cal.t[3] * l * l * l) - kKelvin;
}

double Conductivity(const SbeCalibration& cal, int meterType, double frequency, double t, double p) {
    const long double f = frequency / 1000.0;
    const long double d = meterType == kSbe19PlusRaw ? 1.0L : 10.0L;
    const long double* c = cal.c;
    long double cond = (c[0] + c[1] * f * f + c[2] * f * f * f + c[3] * f * f * f * f) /
                       (d * (1.0L + c[4] * t + c[5] * p));
    if (cal.correction) cond = cond * cal.r1 / (cal.r1 - cond * cal.r2);
    return static_cast<double>(cond);
}

float VoltageValue(const SbeCalibration& cal, int index, double v) {
    switch (cal.kinds[index]) {
        case SbeVoltageKind::Transmissometer:
            return cal.m[3] != 0 ? static_cast<float>((v - cal.m[2]) / (cal.m[1] - cal.m[2])) : 0.0f;
        case SbeVoltageKind::Fluorometer:
            return static_cast<float>((v - cal.w1) * cal.w2);
        default:
            return static_cast<float>(v);
    }
}

bool IsVoltageTitleType(int meterType) {
    return meterType == kSbe19 || meterType == kSbe19PlusRaw || meterType == kSbe21 ||
           meterType == kSbe25Ctd || meterType == kSbe25M;
}

}  // namespace

int SbeEngineering(const SbeCalibration& cal, int meterType, const SbeRawScan& raw, SbeScan& scan) {
    scan = SbeScan{};
    scan.pressure = Pressure(cal, meterType, raw);
    const double p = scan.pressure;
    bool inRange = true;
    if (meterType == kSbe19PlusRaw) {
        scan.temperature = ThermistorTemperature(cal, raw.temperatureFrequency);
    } else if (raw.temperatureFrequency >= 100) {
        scan.temperature = FrequencyTemperature(cal.f0, cal.g, cal.h, cal.i, cal.j,
                                                raw.temperatureFrequency);
    } else {
        // Below the sensor's range.
        scan.temperature = scan.conductivity = scan.salinity = 99.9;
        inRange = false;
    }
    if (inRange) {
        const double t = scan.temperature;
        scan.conductivity = Conductivity(cal, meterType, raw.conductivityFrequency, t, p);
        scan.salinity = scan.conductivity > 0.0001
                            ? PracticalSalinity(scan.conductivity, t * 1.00024, p)
                            : 0.0;
        // The second sensor only when the .CON names one: its coefficients are unset otherwise.
        if (meterType == kSbe21 && raw.temperature2Frequency > 0 && cal.hasTemperature2)
            scan.temperature2 = FrequencyTemperature(cal.f0b, cal.gb, cal.hb, cal.ib, cal.jb,
                                                     raw.temperature2Frequency);
    }
    scan.voltageCount = raw.voltageCount;
    for (int v = 0; v < raw.voltageCount && v < kSbeMaxVoltages; ++v)
        scan.volts[v] = VoltageValue(cal, v, raw.volts[v]);

    // A scan that gives no finite number gives no row.
    bool finite = std::isfinite(scan.pressure) && std::isfinite(scan.temperature) &&
                  std::isfinite(scan.conductivity) && std::isfinite(scan.salinity) &&
                  std::isfinite(scan.temperature2);
    for (int v = 0; v < scan.voltageCount; ++v) finite = finite && std::isfinite(scan.volts[v]);
    return finite ? 3 : 0;
}

int SbeVoltageTitles(Context& ctx, int meterType, std::vector<ColumnInfo>& columns) {
    if (!IsVoltageTitleType(meterType)) return 0;
    const SbeCalibration& cal = ctx.shared.sbe.cal;
    int n = 0;
    for (; n < cal.voltageCount && n < kSbeMaxVoltages; ++n) {
        switch (cal.kinds[n]) {
            case SbeVoltageKind::Transmissometer:
                columns.push_back({"%Trans", "percent", {6, 4}});
                break;
            case SbeVoltageKind::Fluorometer:
                columns.push_back({"CHL(ug/l)", "ug L-1", {6, 4}});
                break;
            default:
                columns.push_back({"Spare(V)", "V", {6, 4}});
                break;
        }
    }
    return n;
}

}  // namespace rix
