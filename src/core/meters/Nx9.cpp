#include "meters/Nx9.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include <strings.h>

#include "Context.h"
#include "extract/Emit.h"
#include "extract/Misc.h"
#include "meters/Nxx.h"
#include "setup/MeterType.h"

namespace rix {

namespace {

constexpr size_t kNx9LineLimit = 998;
constexpr int kScans = 10;
constexpr int kScanSize = 56;
constexpr int kScanStart = 18;
constexpr int kReferenceStart = 578;

int Word(const uint8_t* f, int at) {
    return static_cast<int16_t>(static_cast<uint16_t>(f[at] | f[at + 1] << 8));
}

// b1 * 256 + b0 + b2 / 256
double Value3(const uint8_t* f, int at) { return f[at + 1] * 256.0 + f[at] + f[at + 2] / 256.0; }

// The serial number word carries the decimal serial number as hex digits.
int SerialOf(const uint8_t* f) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(f[6] | f[7] << 8));
    int serial = 0;
    std::sscanf(digits, "%d", &serial);
    return serial;
}

double FieldOf(const std::vector<std::string>& lines, size_t line, size_t field) {
    if (line >= lines.size()) return 0;
    std::vector<std::string> fields = SplitFields(lines[line], " \t\f\v");
    double v = 0;
    if (field < fields.size() && ReadNumber(fields[field], v)) return v;
    return 0;
}

void Refuse(Context& ctx, AcChannelState& st, const std::string& text) {
    ctx.reporter.ShowError("NX9 DEV File Error", text);
    st.device = AcDevice{};
    st.refused = true;
}

}  // namespace

int ReadNx9DeviceFile(Run& run, const DeviceFileCall& call) {
    Context& ctx = run.ctx;
    if (call.channel < 0 || call.channel >= kChannelCount || !call.file) return 0;
    AcChannelState& st = run.channelState.writers[call.channel].ac;
    st.device = AcDevice{};
    const std::vector<std::string> lines = ReadDeviceLines(call.file, kNx9LineLimit);

    if (call.dataOutput != 0 && call.stream) {
        EmitRaw(run, call.channel, call.stream, -1,
                "MorView ver 99.0A\t01-01-2000\t00:00:00 Create By RIX v4.XX\r\n");
        CopyDeviceLines(run, call.channel, lines, kNx9LineLimit, call.stream);
        EmitRaw(run, call.channel, call.stream, -1, "1\t\t; aquisition bin size\r\n");
    }
    // The rows' columns: the optical channels the header names, then the
    // merge's titles of the rest (the reference variant's first scan carries
    // the references after them).
    std::vector<ColumnInfo> columns = AcHeaderColumns(lines, kNx9LineLimit);
    const size_t optical = columns.size();
    if (call.meterType == kNx9WRef) {
        columns.push_back({"I-Temp", "degree_Celsius", {4, 2}});
        columns.push_back({"__N/A__", "", {3, 1}});
        columns.push_back({"P(dbars)", "dbar", {4, 2}});
        columns.push_back({"__N/A__", "", {4, 2}});
        for (size_t c = 0; c < optical; ++c)
            columns.push_back({"Ref(" + columns[c].title + ")", "1", {7, 5}});
    } else {
        columns.push_back({"I-Temp", "degree_Celsius", {5, 2}});
        columns.push_back({"__N/A__", "", {8, 6}});
        columns.push_back({"P(dbars)", "dbar", {5, 3}});
        columns.push_back({"__N/A__", "", {7, 4}});
        columns.push_back({"__N/A__", "", {8, 6}});
    }
    SetChannelColumns(run, call.channel, std::move(columns));

    char word[1000] = {};
    if (lines.empty() || std::sscanf(lines[0].c_str(), "%999s", word) != 1 ||
        strncasecmp(word, "NX9", 3) != 0) {
        ctx.reporter.ShowError("NX9 DEV File Error", "Invalid 1st Line in NX9 device file");
        return 0;
    }
    AcDevice d;
    // The serial number as a whole number; one beyond an int (or no number)
    // is taken as INT_MIN, which no meter sends, instead of an undefined
    // conversion.
    const double serial = FieldOf(lines, 1, 0);
    d.serial = serial > static_cast<double>(INT_MIN) - 1 && serial < static_cast<double>(INT_MAX) + 1
                   ? static_cast<int>(serial)
                   : INT_MIN;
    d.p0 = FieldOf(lines, 4, 0);
    d.p1 = FieldOf(lines, 4, 1);
    d.pathLength = FieldOf(lines, 6, 0);
    const double bins = FieldOf(lines, 7, 0);
    if (bins > kAcMaxBins) {
        Refuse(ctx, st, Format("NX9 device file %s has %.0f temperature bins, at most %d are allowed",
                               call.path.c_str(), bins, kAcMaxBins));
        return 0;
    }
    if (!(d.pathLength > 0)) {
        Refuse(ctx, st, Format("NX9 device file %s has the path length %g m: it must be above 0",
                               call.path.c_str(), d.pathLength));
        return 0;
    }
    d.bins = bins > 0 ? static_cast<int>(bins) : 0;
    size_t line = 8;
    ReadFreeNumbers(lines, line, d.bins, d.binTemperature);

    d.offset.assign(kNx9Channels, 0);
    d.correction.assign(static_cast<size_t>(kNx9Channels * d.bins), 0);
    for (int c = 0; c < kNx9Channels; ++c, ++line) {
        if (line >= lines.size()) break;
        std::vector<std::string> fields = SplitFields(lines[line], " \t\f\v");
        auto at = [&](size_t k) {
            double v = 0;
            return k < fields.size() && ReadNumber(fields[k], v) ? v : 0.0;
        };
        d.offset[c] = at(2);
        for (int b = 0; b < d.bins; ++b) d.correction[c * d.bins + b] = at(3 + b);
    }
    d.loaded = true;
    run.channelState.writers[call.channel].sinks.serialNumber = std::to_string(d.serial);
    st.device = std::move(d);
    return 1;
}

int DecodeNx9Frame(Run& run, const uint8_t* f, double frameTime, bool reference, int format,
                   ChannelWriter& w, std::FILE* out) {
    Context& ctx = run.ctx;
    const AcDevice& d = w.ac.device;
    const int meterSerial = SerialOf(f);
    if (meterSerial != d.serial) {
        if (!w.ac.mismatchLatch) {
            ctx.reporter.ShowError("NX-9 SN Mis-match", Format("Device File SN:  %d, Meter SN:  %d",
                                                               d.serial, meterSerial));
            w.ac.mismatchLatch = true;
        }
        return 0;
    }
    w.ac.mismatchLatch = false;
    // Without a device file of its own the channel has no calibration to decode with.
    if (!d.loaded || !out) return 0;

    const int n = Word(f, 632);
    double temperature = NAN;
    if (n > 0) {
        const double x = n;
        temperature = 0.045113 * x + 10.61831 - 4891.32 / x + 208130.2 / (x * x) +
                      1171473.0 / (x * x * x);
    }
    const bool haveTemperature = std::isfinite(temperature);
    const double shownTemperature = haveTemperature ? temperature : kAcNoValue;
    const double pressure = d.p0 + d.p1 * Word(f, 14);
    const double wordB = Word(f, 16) / 100.0;
    const int wordA = Word(f, 12);
    const double referenceA = wordA != 0 ? 1.0 / (0.0000316 * wordA) : kAcNoValue;
    const AcBin bin = FindTemperatureBin(d, temperature);

    const int firstCounter = Word(f, kScanStart);
    for (int scan = 0; scan < kScans; ++scan) {
        const int base = kScanStart + scan * kScanSize;
        const int counter = Word(f, base);
        const double d10 = counter > firstCounter ? counter - firstCounter : scan * 16;
        const double time = frameTime + 10.0 * d10;
        if (w.firstTime < 0) {
            w.firstTime = time;
            w.offsetTime = 0;
        }
        w.lastTime = time;
        Sample& sample = run.channelState.sample;
        sample.Clear(w.channelId, time);
        for (int c = 0; c < kNx9Channels; ++c) {
            const double v = AcChannelValue(Value3(f, base + 2 + 3 * c),
                                            Value3(f, kReferenceStart + 3 * c), d.pathLength,
                                            d.offset[c], d.bins ? d.Correction(c) : nullptr,
                                            d.binTemperature, bin, temperature);
            sample.Add(v, {7, 5});
        }
        if (!reference) {
            sample.Add(shownTemperature, {5, 2});
            sample.Add(0.0, {8, 6});
            sample.Add(pressure, {5, 3});
            sample.Add(wordB, {7, 4});
            sample.Add(0.0, {8, 6});
        } else if (scan == 0) {
            sample.Add(shownTemperature, {4, 2});
            sample.Add(referenceA, {3, 1});
            sample.Add(pressure, {4, 2});
            sample.Add(wordB, {4, 2});
            for (int c = 0; c < kNx9Channels; ++c)
                sample.Add(Value3(f, kReferenceStart + 3 * c) / 65536.0, {7, 5});
        }
        RowLayout layout;
        layout.format = format;
        EmitRow(run, out, sample, layout);
    }
    return 1;
}

int WriteNx9(Run& run, const WriterInput& in) {
    if (in.channel <= 0 || in.channel >= kChannelCount || !in.bytes) return 0;
    ChannelWriter& w = run.channelState.writers[in.channel];
    AcChannelState& st = w.ac;
    if (st.refused) return 0;
    int result = 0;
    for (int i = 0; i < in.count; ++i) {
        const int length = AssembleAcFrame(in.meterType, in.time, in.bytes[i], st.frame);
        if (length == 0) continue;
        const double frameTime = st.frame.time;
        if (in.dataOutput == 0) {
            WriteRawFrame(run, in.channel, st.frame, length, 6, in.stream);
            NoteFrameTime(w, frameTime, frameTime);
            result = 1;
        } else if (DecodeNx9Frame(run, st.frame.bytes, frameTime, in.meterType == kNx9WRef,
                                  in.format, w, in.stream)) {
            result = 1;
        }
    }
    return result;
}

void ResetNx9State(Run& run) {
    ResetAcDevices(run);
}

}  // namespace rix
