#include "meters/Sbe_hex.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Context.h"
#include "extract/Emit.h"
#include "utilities/NumberText.h"
#include "meters/Sbe_engr.h"
#include "setup/MeterType.h"

namespace rix {

namespace {

// ---------------------------------------------------------------------------
// .CON files: read by line number.

constexpr size_t kConLineLimit = 199;  // characters kept of a .CON line
constexpr size_t kConMaxLines = 4096;  // a .CON has a few hundred lines
constexpr int kLine39 = 39;

// The file's lines as the reader sees them: each ends at a line feed, a
// carriage return counts as a blank (files written on other systems end
// their lines in CR CR LF), and a line longer than the limit is cut with
// its rest dropped.
struct ConLines {
    std::vector<std::string> lines;
};

ConLines LoadConLines(std::FILE* file) {
    ConLines con;
    if (!file) return con;
    std::string current;
    bool cut = false;
    char block[8192];
    size_t n;
    while (con.lines.size() < kConMaxLines && (n = std::fread(block, 1, sizeof block, file)) > 0) {
        for (size_t i = 0; i < n && con.lines.size() < kConMaxLines; ++i) {
            char ch = block[i];
            if (ch == '\n') {
                con.lines.push_back(current);
                current.clear();
                cut = false;
                continue;
            }
            if (cut) continue;
            if (ch == '\r' || ch == '\0') ch = ' ';
            if (current.size() < kConLineLimit)
                current.push_back(ch);
            else
                cut = true;
        }
    }
    if (!current.empty() && con.lines.size() < kConMaxLines) con.lines.push_back(current);
    return con;
}

// One .CON read: line access and the messages of a failed check.
class ConReader {
public:
    ConReader(Context& ctx, const std::string& name, const ConLines& con)
        : ctx_(ctx), name_(name), con_(con) {}

    // Line n (1-based), or null after "Read File Error in File": the read stops.
    const char* Line(int n) {
        if (n < 1 || static_cast<size_t>(n) > con_.lines.size()) {
            ctx_.reporter.ShowError("Read File Error in File", name_);
            return nullptr;
        }
        return con_.lines[static_cast<size_t>(n) - 1].c_str();
    }
    int Bad(int n) {
        ctx_.reporter.ShowError("Unable to Process SBE Device File:", Format("Bad Record Line %d", n));
        return 0;
    }
    // The text after line n, for the free-format integers that follow line 39.
    std::string After(int n) const {
        std::string text;
        for (size_t i = static_cast<size_t>(n); i < con_.lines.size(); ++i) {
            text += con_.lines[i];
            text += '\n';
        }
        return text;
    }

private:
    Context& ctx_;
    const std::string& name_;
    const ConLines& con_;
};

// Free-format integer reading: skips blanks, fails where no number starts.
struct IntScanner {
    const char* p;
    bool Next(int& value) {
        char* end = nullptr;
        long v = std::strtol(p, &end, 10);
        if (end == p) return false;
        p = end;
        value = static_cast<int>(std::clamp(v, -2147483647L, 2147483647L));
        return true;
    }
};

void SetAllSpare(SbeCalibration& cal) {
    for (SbeVoltageKind& k : cal.kinds) k = SbeVoltageKind::Spare;
}

// Lines 14 and 39, then the sensor list of the external voltages.
int ReadVoltageConfiguration(Context& ctx, ConReader& rd, const char* line39Title) {
    SbeCalibration& cal = ctx.shared.sbe.cal;
    if (!rd.Line(14)) return 0;
    const char* l = rd.Line(kLine39);
    if (!l) return 0;
    int skip1 = 0, skip2 = 0, count = 0, code = 0, skip3 = 0;
    float interval = 0;
    if (std::sscanf(l, "%d %d %d %d %d %f", &skip1, &skip2, &count, &code, &skip3, &interval) != 6) {
        ctx.reporter.ShowError(line39Title, "Unable to read Line 39");
        return 0;
    }
    // The calibration holds eight voltages: a count outside 0..8 is no .CON of ours.
    if (count < 0 || count > kSbeMaxVoltages) return rd.Bad(kLine39);
    cal.voltageCount = count;
    cal.instrumentCode = code;
    cal.sampleInterval = interval;
    for (int& m : ctx.shared.sbe.refs.mismatch) m = 0;
    if (count == 0) return 1;

    const std::string rest = rd.After(kLine39);
    IntScanner scan{rest.c_str()};
    int ignored = 0;
    for (int i = 0; i < 4; ++i)
        if (!scan.Next(ignored)) return 1;
    for (int v = 0; v < count; ++v) {
        int sensor = 0, subtype = 0;
        if (!scan.Next(sensor) || !scan.Next(subtype)) return 1;
        SbeVoltageKind kind = SbeVoltageKind::Spare;
        if (sensor == 6) {
            kind = SbeVoltageKind::Code6;
        } else if (sensor == 74) {
            kind = SbeVoltageKind::Code74;
        } else if (sensor == 86) {
            kind = SbeVoltageKind::Code86;
        } else if (sensor == 77 && subtype == 0) {
            const char* a = rd.Line(199);
            if (!a) return 0;
            int value = 0;
            double x = 0, y = 0;
            if (std::sscanf(a, "%d", &value) == 1) {
                const char* b = rd.Line(201);
                if (!b) return 0;
                if (std::sscanf(b, "%lf%lf", &x, &y) == 2) {
                    cal.spareAValue = value;
                    cal.spareA[0] = x;
                    cal.spareA[1] = y;
                    kind = SbeVoltageKind::SpareA;
                }
            }
        } else if (sensor == 77 && subtype == 1) {
            const char* a = rd.Line(114);
            if (!a) return 0;
            int value = 0;
            double m[4] = {};
            if (std::sscanf(a, "%d", &value) == 1) {
                const char* b = rd.Line(115);
                if (!b) return 0;
                if (std::sscanf(b, "%lf%lf%lf%lf", &m[0], &m[1], &m[2], &m[3]) == 4) {
                    cal.transmissometerValue = value;
                    std::copy(m, m + 4, cal.m);
                    kind = SbeVoltageKind::Transmissometer;
                }
            }
        } else if (sensor == 77 && subtype == 2) {
            const char* a = rd.Line(117);
            if (!a) return 0;
            int serial = 0;
            if ((std::sscanf(a, "WS3S-%d", &serial) == 1 || std::sscanf(a, "WS1S-%d", &serial) == 1) &&
                serial != 0) {
                const char* b = rd.Line(119);
                if (!b) return 0;
                double w1 = 0, w2 = 0;
                if (std::sscanf(b, "%lf%lf", &w1, &w2) == 2) {
                    cal.fluorometerSerial = serial;
                    cal.w1 = w1;
                    cal.w2 = w2;
                    kind = SbeVoltageKind::Fluorometer;
                }
            }
        }
        cal.kinds[v] = kind;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Hex lines.

constexpr int kMaxScanLength = 40;  // the longest scan line, CR LF included

bool HexValue(const char* p, int digits, long& value) {
    long v = 0;
    for (int i = 0; i < digits; ++i) {
        const char ch = p[i];
        int d;
        if (ch >= '0' && ch <= '9')
            d = ch - '0';
        else if (ch >= 'A' && ch <= 'F')
            d = ch - 'A' + 10;
        else if (ch >= 'a' && ch <= 'f')
            d = ch - 'a' + 10;
        else
            return false;
        v = v * 16 + d;
    }
    value = v;
    return true;
}

bool AllHex(const char* p, int digits) {
    long v;
    for (int i = 0; i < digits; i += 6)
        if (!HexValue(p + i, std::min(6, digits - i), v)) return false;
    return true;
}

// The index of length in the model's table (the voltage count, or the layout).
int LayoutOf(int length, const int* table, int n) {
    for (int i = 0; i < n; ++i)
        if (table[i] == length) return i;
    return -1;
}

double Volts(long counts, double perVolt) { return std::max(0.0, static_cast<double>(counts) / perVolt); }

// Three-digit voltages, one pad digit before the last when the count is odd.
bool ReadPaddedVoltages(const char* p, int count, SbeRawScan& raw) {
    for (int v = 0; v < count; ++v) {
        if (v == count - 1 && count % 2 == 1) ++p;
        long n = 0;
        if (!HexValue(p, 3, n)) return false;
        raw.volts[v] = Volts(n, 819.0);
        p += 3;
    }
    raw.voltageCount = count;
    return true;
}

// SBE25: temperature and conductivity as three bytes b1 b2 b3.
double ByteFrequency(long n) {
    return static_cast<double>((n >> 16) & 0xFF) * 256.0 + static_cast<double>((n >> 8) & 0xFF) +
           static_cast<double>(n & 0xFF) / 256.0;
}

bool CodeMatches(Context& ctx, int required, const char* model) {
    SbeSharedState& s = ctx.shared.sbe;
    if (s.cal.instrumentCode == required) {
        s.codeLatch = true;
        return true;
    }
    if (s.codeLatch) {
        ctx.reporter.ShowError("SBE .CON File Error", Format(".CON file is not selected as %s", model));
        s.codeLatch = false;
    }
    return false;
}

// Result as ConvertSbeScan; recognised when the line is a scan of the model.
int ParseSbe25(Context& ctx, const char* l, int length, SbeRawScan& raw, bool& recognised) {
    static const int kLengths[] = {18, 22, 24, 28, 30, 34, 36, 40};
    if (!CodeMatches(ctx, 139, "SBE25")) return 0;
    const int count = LayoutOf(length, kLengths, 8);
    if (count < 0) return 0;
    long t = 0, c = 0, sign = 0, p = 0;
    if (!HexValue(l, 6, t) || !HexValue(l + 6, 6, c) || !HexValue(l + 12, 1, sign) ||
        !HexValue(l + 13, 3, p) || !ReadPaddedVoltages(l + 16, count, raw))
        return 0;
    SbeSharedState& s = ctx.shared.sbe;
    if (count != s.cal.voltageCount) {
        if (s.voltageLatch) {
            ctx.reporter.ShowError("SBE .con File Error",
                                   Format("%d voltages set in .con file, %d voltages found in data",
                                          s.cal.voltageCount, count));
            s.voltageLatch = false;
        }
        return 0;
    }
    s.voltageLatch = true;
    raw.temperatureFrequency = ByteFrequency(t);
    raw.conductivityFrequency = ByteFrequency(c);
    raw.pressureCounts = sign ? -static_cast<double>(p) : static_cast<double>(p);
    recognised = true;
    return 3;
}

// The SBE19's frequency correction against its two reference frequencies.
double CorrectSbe19Frequency(double f, const Sbe19References& refs) {
    constexpr double c1 = 2.4018669e-11, c2 = 9.6036247e-09, c3 = 1.1949587e-07;
    const double w = (c3 - c2) / (c3 * c2);
    const double k = 1.0 / (c1 * 1000000.0);
    const double b = (refs.r1 * refs.r1 - refs.r2 * refs.r2) / w;
    if (b == 0) return kSbePlaceholder;  // equal references: no correction to make
    const double c = refs.r2 * refs.r2 - b / c3;
    return std::sqrt((f * f - c) / b - k);
}

int ParseSbe19(Context& ctx, const char* l, int length, SbeRawScan& raw, bool& recognised) {
    static const int kLengths[] = {14, 20, 26};
    static const int kLayoutVolts[] = {0, 2, 4};
    if (!CodeMatches(ctx, 137, "SBE19")) return 0;
    const int layout = LayoutOf(length, kLengths, 3);
    if (layout < 0 || !AllHex(l, length - 2)) return 0;

    // A line of another layout than the .CON's counts against that layout;
    // eleven in a row mean the .CON is wrong, and the data's layout wins.
    SbeSharedState& s = ctx.shared.sbe;
    Sbe19References& refs = s.refs;
    const int volts = kLayoutVolts[layout];
    if (volts != s.cal.voltageCount) {
        if (++refs.mismatch[layout] > 10) {
            for (int& m : refs.mismatch) m = 0;
            s.cal.voltageCount = volts;
            SetAllSpare(s.cal);
            ctx.reporter.ShowError(
                "Warning -- Possible Configuration File Error",
                Format("Possible Mis-match between Number of External voltages in the data and the "
                       "Seabird CON File - Setting External Voltages to %d",
                       volts));
        }
        return 0;
    }
    for (int& m : refs.mismatch) m = 0;

    long ref = 0;
    HexValue(l + 2, 6, ref);
    const bool r1Line = (l[0] == '0' && (l[1] == '5' || l[1] == '8'));
    const bool r2Line = (std::toupper(static_cast<unsigned char>(l[0])) == 'F' &&
                         std::toupper(static_cast<unsigned char>(l[1])) == 'F');
    if (r1Line || r2Line) recognised = true;
    if (r1Line) {
        refs.r1 = static_cast<double>(ref) / 256.0;
        refs.r1Set = true;
        refs.multiplier = l[1] == '5' ? 2900.0 : 303.0;
        return 1;
    }
    if (r2Line) {
        refs.r2 = static_cast<double>(ref) / 256.0;
        refs.r2Set = true;
        return 2;
    }

    long t = 0, c = 0, p = 0;
    HexValue(l, 4, t);
    HexValue(l + 4, 4, c);
    const char* v = l + 8;
    for (int i = 0; i < volts; ++i, v += 3) {
        long n = 0;
        HexValue(v, 3, n);
        raw.volts[i] = Volts(n, 819.0);
    }
    HexValue(v, 4, p);
    raw.voltageCount = volts;
    recognised = true;
    if (!refs.r1Set || !refs.r2Set) return 0;  // kept for raw output only

    raw.temperatureFrequency =
        CorrectSbe19Frequency(static_cast<double>(t) / 17.0 + 1950.0, refs);
    raw.conductivityFrequency = CorrectSbe19Frequency(
        std::sqrt(static_cast<double>(c) * refs.multiplier + 6250000.0), refs);
    const double counts = static_cast<double>(p & 0x3FFF);
    raw.pressureCounts = (p & 0x4000) ? -counts : counts;
    return 3;
}

void Sbe16Frequencies(long t, long c, SbeRawScan& raw) {
    raw.temperatureFrequency = static_cast<double>(t) / 19.0 + 2100.0;
    raw.conductivityFrequency = std::sqrt(static_cast<double>(c) * 2100.0 + 6250000.0);
}

int ParseSbe16(const char* l, int length, SbeRawScan& raw, bool& recognised) {
    const char* p;
    if (length == 10)
        p = l;
    else if (length == 15)
        p = l + 1;  // a leading prompt character
    else
        return 0;
    long t = 0, c = 0;
    if (!HexValue(p, 4, t) || !HexValue(p + 4, 4, c)) return 0;
    Sbe16Frequencies(t, c, raw);
    recognised = true;
    return 3;
}

int ParseSbe21(Context& ctx, const char* l, int length, SbeRawScan& raw, bool& recognised) {
    static const int kLengths[] = {16, 20, 22, 26, 28};
    if (!CodeMatches(ctx, 140, "SBE21")) return 0;
    const int count = LayoutOf(length, kLengths, 5);
    if (count < 0) return 0;
    long t = 0, c = 0, t2 = 0;
    if (!HexValue(l, 4, t) || !HexValue(l + 4, 4, c) || !HexValue(l + 8, 6, t2) ||
        !ReadPaddedVoltages(l + 14, count, raw))
        return 0;
    Sbe16Frequencies(t, c, raw);
    raw.temperature2Frequency = static_cast<double>(t2) / 256.0;
    recognised = true;
    return 3;
}

int ParseSbe19Plus(const char* l, int length, SbeRawScan& raw, bool& recognised) {
    static const int kLengths[] = {24, 28, 32, 36, 40};
    const int count = LayoutOf(length, kLengths, 5);
    if (count < 0) return 0;
    long t = 0, c = 0, p = 0, pt = 0;
    if (!HexValue(l, 6, t) || !HexValue(l + 6, 6, c) || !HexValue(l + 12, 6, p) ||
        !HexValue(l + 18, 4, pt))
        return 0;
    for (int v = 0; v < count; ++v) {
        long n = 0;
        if (!HexValue(l + 22 + 4 * v, 4, n)) return 0;
        raw.volts[v] = Volts(n, 13107.0);
    }
    raw.voltageCount = count;
    raw.temperatureFrequency = static_cast<double>(t);
    raw.conductivityFrequency = static_cast<double>(c) / 256.0;
    raw.pressureCounts = static_cast<double>(p);
    raw.pressureTemperature = static_cast<double>(pt) / 13107.0;
    recognised = true;
    return 3;
}

// ---------------------------------------------------------------------------
// The SBE line assembler.

constexpr int kLineCapacity = kRecordSize - 1;

// Appends the port's bytes (top bit cleared) to the channel's line and hands
// every complete line with a time to onLine, which returns true to stop.
template <class OnLine>
bool AssembleSbeLines(ChannelWriter& w, double time, int count, const uint8_t* bytes, OnLine onLine) {
    for (int i = 0; i < count; ++i) {
        const char ch = static_cast<char>(bytes[i] & 0x7F);
        if (ch != '\n') {
            if (w.newLine) {
                w.recordTime = time;
                w.newLine = 0;
            }
            if (w.lineLength < kLineCapacity - 1)
                w.record[w.lineLength++] = ch;
            else
                w.overlong = true;  // no scan is this long: the line is dropped
            w.record[w.lineLength] = '\0';
            continue;
        }
        w.record[w.lineLength++] = '\n';
        w.record[w.lineLength] = '\0';
        w.newLine = 1;
        bool stop = false;
        if (w.recordTime >= 0 && !w.overlong) stop = onLine();
        w.lineLength = 0;
        w.record[0] = '\0';
        w.overlong = false;
        if (stop) return true;
    }
    return false;
}

void NoteAccepted(ChannelWriter& w, double time) {
    if (w.firstTime < 0) w.firstTime = time;
    w.lastTime = time;
    ++w.linesWritten;
    std::memcpy(w.lastRecord, w.record, static_cast<size_t>(w.lineLength) + 1);
    w.lastLineLength = w.lineLength;
}

}  // namespace

int SbeRequiredCode(int meterType, const char** model) {
    const char* name = "";
    int code = 0;
    switch (meterType) {
        case kSbe19:
            name = "SBE19";
            code = 137;
            break;
        case kSbe21:
            name = "SBE21";
            code = 140;
            break;
        case kSbe25Ctd:
        case kSbe25M:
            name = "SBE25";
            code = 139;
            break;
        default:
            break;
    }
    if (model) *model = name;
    return code;
}

bool SbeConIsForAnotherModel(const Context& ctx, int meterType) {
    const int code = SbeRequiredCode(meterType);
    return code != 0 && ctx.shared.sbe.cal.instrumentCode != code;
}

int ReadSbeConFile(Run& run, const DeviceFileCall& call) {
    Context& ctx = run.ctx;
    const ConLines con = LoadConLines(call.file);
    ConReader rd(ctx, call.path, con);
    SbeCalibration& cal = ctx.shared.sbe.cal;
    SetAllSpare(cal);

    const char* l = rd.Line(1);
    if (!l) return 0;
    long serial = 0;
    char flag = 0;
    int n = std::sscanf(l, "%ld%c", &serial, &flag);
    if (n >= 1) cal.conductivitySerial = serial;
    cal.correction = n == 2 && flag == 'w';

    if (!(l = rd.Line(3))) return 0;
    long double r1 = 0, r2 = 0;
    float x1 = 0, x2 = 0;
    int on = 0;
    if (std::sscanf(l, "%Lf%Lf%f%f%d", &r1, &r2, &x1, &x2, &on) != 5 || on != 1) return rd.Bad(3);
    cal.r1 = r1;
    cal.r2 = r2;

    if (!(l = rd.Line(110))) return 0;
    long double c[6];
    if (std::sscanf(l, "%Lf%Lf%Lf%Lf%Lf%Lf", &c[0], &c[1], &c[2], &c[3], &c[4], &c[5]) != 6)
        return rd.Bad(110);
    std::copy(c, c + 6, cal.c);

    if (!(l = rd.Line(4))) return 0;
    if (std::sscanf(l, "%ld", &serial) == 1) cal.temperatureSerial = serial;

    auto line5 = [&]() {
        const char* five = rd.Line(5);
        if (!five) return -1;
        float f[7];
        int last = 0;
        if (std::sscanf(five, "%f%f%f%f%f%f%f%d", &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6],
                        &last) != 8 ||
            last != 1)
            return rd.Bad(5);
        return 1;
    };
    if (int r = line5(); r != 1) return std::max(r, 0);

    auto temperatureLine = [&](int number, double& f0, double& g, double& h, double& i, double& j) {
        const char* t = rd.Line(number);
        if (!t) return 0;
        double v[5];
        if (std::sscanf(t, "%lf%lf%lf%lf%lf", &v[0], &v[1], &v[2], &v[3], &v[4]) != 5)
            return rd.Bad(number);
        f0 = v[0];
        g = v[1];
        h = v[2];
        i = v[3];
        j = v[4];
        return 1;
    };
    if (!temperatureLine(111, cal.f0, cal.g, cal.h, cal.i, cal.j)) return 0;

    if (!(l = rd.Line(9))) return 0;
    if (std::sscanf(l, "%ld", &serial) == 1) {
        cal.temperature2Serial = serial;
        cal.hasTemperature2 = false;
        if (int r = line5(); r != 1) return std::max(r, 0);
        if (!temperatureLine(113, cal.f0b, cal.gb, cal.hb, cal.ib, cal.jb)) return 0;
        cal.hasTemperature2 = true;
    } else {
        cal.hasTemperature2 = false;
    }

    if (!(l = rd.Line(11))) return 0;
    if (std::sscanf(l, "%ld", &serial) == 1) cal.furtherSerial = serial;

    if (!(l = rd.Line(13))) return 0;
    double q[4];
    if (std::sscanf(l, "%lf%lf%lf%lf", &q[0], &q[1], &q[2], &q[3]) != 4) return rd.Bad(13);
    std::copy(q, q + 4, cal.q);

    return ReadVoltageConfiguration(ctx, rd, "SBE.CONFile Error");
}

int ReadSbe19PlusConFile(Run& run, const DeviceFileCall& call) {
    Context& ctx = run.ctx;
    const ConLines con = LoadConLines(call.file);
    ConReader rd(ctx, call.path, con);
    SbeCalibration& cal = ctx.shared.sbe.cal;
    SetAllSpare(cal);
    // The SBE19plus has no correction: an earlier .CON must not leave it on.
    cal.correction = false;

    const char* l = rd.Line(1);
    if (!l) return 0;
    long serial = 0;
    if (std::sscanf(l, "%ld", &serial) == 1) cal.conductivitySerial = serial;

    if (!(l = rd.Line(110))) return 0;
    long double c[6];
    if (std::sscanf(l, "%Lf%Lf%Lf%Lf%Lf%Lf", &c[0], &c[1], &c[2], &c[3], &c[4], &c[5]) != 6)
        return rd.Bad(110);
    std::copy(c, c + 6, cal.c);

    if (!(l = rd.Line(183))) return 0;
    if (std::sscanf(l, "%ld", &serial) == 1) cal.temperatureSerial = serial;

    if (!(l = rd.Line(185))) return 0;
    double t[4];
    if (std::sscanf(l, "%lf%lf%lf%lf", &t[0], &t[1], &t[2], &t[3]) != 4) return rd.Bad(185);
    std::copy(t, t + 4, cal.t);

    if (!(l = rd.Line(187))) return 0;
    if (std::sscanf(l, "%ld", &serial) == 1) cal.furtherSerial = serial;

    for (int half = 0; half < 2; ++half) {
        const int number = 189 + half;
        if (!(l = rd.Line(number))) return 0;
        double k[6];
        if (std::sscanf(l, "%lf%lf%lf%lf%lf%lf", &k[0], &k[1], &k[2], &k[3], &k[4], &k[5]) != 6)
            return rd.Bad(number);
        std::copy(k, k + 6, cal.k + 6 * half);
    }

    return ReadVoltageConfiguration(ctx, rd, "SBE.CON File Error");
}

int ConvertSbeScan(Context& ctx, int meterType, const char* line, int length, SbeScan& scan,
                   bool* recognised) {
    bool known = false;
    if (recognised) *recognised = false;
    scan = SbeScan{};
    // Lengths count a CR LF line end: a line without one, or longer than any
    // scan, is parsed as empty (it still meets the instrument-code check). A
    // line ended by LF alone, as the maker's software saves .HEX files, is
    // taken as the same line with CR LF.
    char l[kMaxScanLength + 1] = {};
    const bool lfOnly = line && length >= 1 && line[length - 1] == '\n' &&
                        (length < 2 || (line[length - 2] & 0x7F) != '\r');
    const int withCrLf = lfOnly ? length + 1 : length;
    if (line && withCrLf >= 2 && withCrLf <= kMaxScanLength && line[length - 1] == '\n') {
        for (int i = 0; i < length - 1; ++i) l[i] = static_cast<char>(line[i] & 0x7F);
        l[withCrLf - 2] = '\r';
        l[withCrLf - 1] = '\n';
        l[withCrLf] = '\0';
        length = withCrLf;
    } else {
        length = 0;
    }

    SbeRawScan raw;
    int result = 0;
    switch (meterType) {
        case kSbe25Ctd:
        case kSbe25M:
            result = ParseSbe25(ctx, l, length, raw, known);
            break;
        case kSbe19:
            result = ParseSbe19(ctx, l, length, raw, known);
            break;
        case kSbe16:
            result = ParseSbe16(l, length, raw, known);
            break;
        case kSbe21:
            result = ParseSbe21(ctx, l, length, raw, known);
            break;
        case kSbe19PlusRaw:
            result = ParseSbe19Plus(l, length, raw, known);
            break;
        default:
            return 0;
    }
    if (recognised) *recognised = known;
    if (result != 3) return result;
    return SbeEngineering(ctx.shared.sbe.cal, meterType, raw, scan);
}

int WriteSbeHexHeader(Run& run, int meterType, std::FILE* stream, int channel) {
    Context& ctx = run.ctx;
    if (!stream) return 0;
    const SbeCalibration& cal = ctx.shared.sbe.cal;
    int model = 0;
    bool codeOk = false;
    const char* title = "";
    const char* text = "";
    switch (meterType) {
        case kSbe19:
            model = 19;
            codeOk = cal.instrumentCode == 137;
            title = "SBE19 Device File Error";
            text = "CTD not Listed as SBE19";
            break;
        case kSbe19PlusRaw:
            model = 190;
            codeOk = cal.instrumentCode == 2501;
            title = "SBE19 Plus Device File Error";
            text = "CTD not Listed as SBE19 Plus";
            break;
        case kSbe21:
            // Its .CON may say 137 (as the SBE19's header does) or 140 (as its scans do).
            model = 21;
            codeOk = cal.instrumentCode == 137 || cal.instrumentCode == 140;
            title = "SBE21 Device File Error";
            text = "CTD not Listed as SBE21";
            break;
        case kSbe25Ctd:
            model = 25;
            codeOk = cal.instrumentCode == 139;
            title = "SBE25 Device File Error";
            text = "CTD not Listed as SBE25";
            break;
        default:
            return 0;
    }
    if (!codeOk) {
        ctx.reporter.ShowError(title, text);
        return 0;
    }
    std::fseek(stream, 0, SEEK_SET);
    std::string header("* Sea-Bird SBE ");
    AppendInt(header, model);
    header.append(" Data File:\r\n* FileName = \r\n* Software Version RIX X.XX\r\n* Temperature SN = ");
    AppendInt(header, cal.temperatureSerial);
    header.append("\r\n* Conductivity SN = ");
    AppendInt(header, cal.conductivitySerial);
    header.append("\r\n* System Upload Time = MMM DD YYYY HH:MM:SS\r\n"
                "* Ship:\r\n* Cruise:\r\n* Station:\r\n* Latitude:\r\n* Longitude:\r\n");
    if (meterType == kSbe25Ctd) {
        header.append("* Real-Time Sample Interval = ");
        AppendFixed(header, static_cast<double>(cal.sampleInterval), 5, 3);
        header.append(" seconds\r\n");
    }
    header.append("*END*\r\n");
    EmitRaw(run, channel, stream, -1, header);
    return 1;
}

int SbeHexHeaderLines(int meterType) {
    // Model, file name, software, two serial numbers, upload time, five
    // blank fields and *END*, and for the SBE25 its sample interval.
    return meterType == kSbe25Ctd ? 13 : 12;
}

void ResetSbe19References(Context& ctx) {
    ctx.shared.sbe.refs.r1Set = false;
    ctx.shared.sbe.refs.r2Set = false;
}

int WriteSbeRecords(Run& run, const WriterInput& in) {
    Context& ctx = run.ctx;
    if (in.channel <= 0 || in.channel >= kChannelCount || in.count <= 0 || !in.bytes) return 0;
    ChannelWriter& w = run.channelState.writers[static_cast<size_t>(in.channel)];
    w.channelId = in.channel;
    const bool engineering = in.dataOutput != 0;
    int accepted = 0;
    AssembleSbeLines(w, in.time, in.count, in.bytes, [&]() {
        double time = w.recordTime;
        if (in.meterType == kSbe25M) {
            // Scans that arrive in one packet share its time: space them 125 ms apart.
            SbeChannelState& s = w.sbe;
            if (s.retimeBase >= 0 && time == s.retimeBase) {
                ++s.repeats;
                time = s.retimeBase + 125.0 * s.repeats;
            } else {
                s.retimeBase = time;
                s.repeats = 0;
            }
        }
        SbeScan scan;
        bool recognised = false;
        const int result = ConvertSbeScan(ctx, in.meterType, w.record, w.lineLength, scan, &recognised);
        if (!engineering) {
            if (!recognised || !in.stream) return false;
            if (w.headerPending) {
                WriteSbeHexHeader(run, in.meterType, in.stream, in.channel);
                w.headerPending = 0;
            }
            // Hex output keeps the scan as received, with the file's CR LF line
            // end also when the instrument's file ended it in LF alone.
            const size_t n = static_cast<size_t>(w.lineLength);
            const size_t text = n >= 2 && w.record[n - 2] == '\r' ? n - 2 : (n > 0 ? n - 1 : 0);
            LineLayout crlf;
            crlf.end = "\r\n";
            EmitLine(run, in.channel, in.stream, time, std::string_view(w.record, text), crlf);
            NoteAccepted(w, time);
            accepted = 1;
            return false;
        }
        if (result != 3) return false;
        SetCtdVoltageMeterType(ctx, in.meterType);
        CtdRow row;
        row.time = time;
        row.pressure = scan.pressure;
        row.temperature = scan.temperature;
        row.conductivity = scan.conductivity;
        row.salinity = scan.salinity;
        row.temperature2 = scan.temperature2;
        row.voltageCount = scan.voltageCount;
        row.volts = scan.volts;
        if (WriteCtdRow(run, in.stream, in.channel, w.headerPending, in.format, row)) {
            NoteAccepted(w, time);
            accepted = 1;
        }
        return run.runFailed;
    });
    return accepted;
}

int FeedSbe19Prepass(Context& ctx, ChannelWriter& w, double time, int count, const uint8_t* bytes) {
    if (count <= 0 || !bytes) return 0;
    return AssembleSbeLines(w, time, count, bytes, [&]() {
        SbeScan scan;
        return ConvertSbeScan(ctx, kSbe19, w.record, w.lineLength, scan) == 3;
    }) ? 1 : 0;
}

void ResetSbeRecordState(Context& ctx) {
    ResetSbe19References(ctx);
    for (int& m : ctx.shared.sbe.refs.mismatch) m = 0;
    ctx.shared.sbe.ctd.noStreamReported = false;
    ctx.shared.sbe.codeLatch = true;
    ctx.shared.sbe.voltageLatch = true;
    ctx.shared.sbe.selectedChannel = 0;
}

void SelectSbeChannel(Run& run, int channel) {
    Context& ctx = run.ctx;
    SbeSharedState& s = ctx.shared.sbe;
    if (s.selectedChannel == channel) return;
    if (s.selectedChannel > 0 && s.selectedChannel < kChannelCount) {
        SbeChannelState& own = run.channelState.writers[static_cast<size_t>(s.selectedChannel)].sbe;
        own.cal = s.cal;
        own.refs = s.refs;
    }
    s.selectedChannel = channel;
    if (channel > 0 && channel < kChannelCount) {
        const SbeChannelState& own = run.channelState.writers[static_cast<size_t>(channel)].sbe;
        s.cal = own.cal;
        s.refs = own.refs;
    }
}

}  // namespace rix
