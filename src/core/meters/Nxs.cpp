#include "meters/Nxs.h"

#include <cmath>
#include <cstring>
#include <strings.h>

#include "Context.h"
#include "extract/Emit.h"
#include "extract/Misc.h"
#include "utilities/NumberText.h"
#include "meters/Nxx.h"

namespace rix {

namespace {

constexpr size_t kHeaderLineLimit = 198;
constexpr size_t kWavelengthLineLimit = 4998;
constexpr size_t kCopyLimit = 3998;

unsigned Word(const uint8_t* f, int at) { return static_cast<unsigned>(f[at] << 8 | f[at + 1]); }

// A field of a header line; a field that does not read leaves value unchanged.
void HeaderField(const std::vector<std::string>& lines, size_t line, size_t field, double& value) {
    if (line >= lines.size()) return;
    std::vector<std::string> fields = SplitFields(lines[line].substr(0, kHeaderLineLimit), " \t\f\v");
    double v = 0;
    if (field < fields.size() && ReadNumber(fields[field], v)) value = v;
}

void Refuse(Context& ctx, AcChannelState& st, const std::string& text) {
    ctx.reporter.ShowError("Device File Error", text);
    st.device = AcDevice{};
    st.refused = true;
}

// Internal thermistor counts to degC, in single precision like the instrument's
// own software; NaN when the voltage lies beyond the thermistor's curve.
double InternalTemperature(unsigned counts) {
    const float v = 5.0f * static_cast<float>(counts) / 65535.0f;
    const float r = 10000.0f * v / (4.516f - v);
    if (!(r > 0) || !std::isfinite(r)) return NAN;
    const float lnR = std::log(r);
    const float t = 1.0f / (0.00093135f + 0.000221631f * lnR + 0.000000125741f * lnR * lnR * lnR) -
                    273.16f;
    return std::isfinite(t) ? t : NAN;
}

}  // namespace

int ReadNxsDeviceFile(Run& run, const DeviceFileCall& call) {
    Context& ctx = run.ctx;
    if (call.channel < 0 || call.channel >= kChannelCount || !call.file) return 0;
    AcChannelState& st = run.channelState.writers[call.channel].ac;
    st.device = AcDevice{};
    const std::vector<std::string> lines = ReadDeviceLines(call.file, kWavelengthLineLimit);

    if (call.dataOutput != 0 && call.stream) {
        EmitRaw(run, call.channel, call.stream, -1,
                "MorView ver 99.0A\t01-01-2001\t00:00:00 Created By RIX v4.xx\r\n");
        CopyDeviceLines(run, call.channel, lines, kCopyLimit, call.stream);
        EmitRaw(run, call.channel, call.stream, -1, "1\t\t; aquisition bin size\r\n");
    }

    char word[200] = {};
    if (!lines.empty()) std::sscanf(lines[0].substr(0, kHeaderLineLimit).c_str(), "%199s", word);
    if (strncasecmp(word, "NXS", 3) != 0) {
        ctx.reporter.ShowError("Device File Error",
                               Format("NXS Selected for Channel %d does not match device file %s\n",
                                      call.channel, word));
        return 0;
    }
    AcDevice d;
    unsigned serial = 0;
    if (lines.size() > 1 && std::sscanf(lines[1].substr(0, kHeaderLineLimit).c_str(), "%x", &serial) == 1)
        d.serial = static_cast<int>(serial);
    if (lines.size() > 1) {
        const std::vector<std::string> words = SplitFields(lines[1].substr(0, kHeaderLineLimit), " \t\f\v");
        if (!words.empty()) run.channelState.writers[call.channel].sinks.serialNumber = words[0];
    }
    HeaderField(lines, 4, 0, d.p0);
    HeaderField(lines, 4, 1, d.p1);
    HeaderField(lines, 6, 0, d.pathLength);
    double wavelengths = 0, bins = 0;
    HeaderField(lines, 7, 0, wavelengths);
    HeaderField(lines, 8, 0, bins);
    if (wavelengths > kNxsMaxWavelengths) {
        Refuse(ctx, st, Format("NXS device file %s has %.0f wavelengths, at most %d are allowed",
                               call.path.c_str(), wavelengths, kNxsMaxWavelengths));
        return 0;
    }
    if (bins > kAcMaxBins) {
        Refuse(ctx, st, Format("NXS device file %s has %.0f temperature bins, at most %d are allowed",
                               call.path.c_str(), bins, kAcMaxBins));
        return 0;
    }
    if (!(d.pathLength > 0)) {
        Refuse(ctx, st, Format("NXS device file %s has the path length %g m: it must be above 0",
                               call.path.c_str(), d.pathLength));
        return 0;
    }
    const int w = wavelengths > 0 ? static_cast<int>(wavelengths) : 0;
    d.wavelengths = w;
    d.bins = bins > 0 ? static_cast<int>(bins) : 0;
    size_t line = 9;
    ReadFreeNumbers(lines, line, d.bins, d.binTemperature);

    d.cWavelength.assign(w, 0);
    d.aWavelength.assign(w, 0);
    d.offset.assign(2 * w, 0);
    d.correction.assign(static_cast<size_t>(2 * w * d.bins), 0);
    for (int j = 0; j < w && line < lines.size(); ++j, ++line) {
        std::vector<std::string> fields = SplitFields(lines[line], " \t,\f\v");
        auto read = [&](size_t k, double& value) {
            double v = 0;
            if (k < fields.size() && ReadNumber(fields[k], v)) value = v;
        };
        // "C400.2" and "A400.7": the letter, then the wavelength in nm.
        if (fields.size() > 0 && fields[0].size() > 1) ReadNumber(fields[0].substr(1), d.cWavelength[j]);
        if (fields.size() > 1 && fields[1].size() > 1) ReadNumber(fields[1].substr(1), d.aWavelength[j]);
        read(3, d.offset[j]);
        read(4, d.offset[w + j]);
        for (int b = 0; b < d.bins; ++b) {
            read(5 + b, d.correction[j * d.bins + b]);
            read(5 + d.bins + b, d.correction[(w + j) * d.bins + b]);
        }
    }
    d.loaded = true;
    st.device = std::move(d);
    return 1;
}

int DecodeNxsFrame(Run& run, const uint8_t* f, int length, double frameTime, int format,
                   ChannelWriter& w, std::FILE* out) {
    Context& ctx = run.ctx;
    const AcDevice& d = w.ac.device;
    const int meterSerial = static_cast<int>(Word(f, 10));
    if (meterSerial != d.serial) {
        if (!w.ac.mismatchLatch) {
            ctx.reporter.ShowError("NXS SN Mis-match", Format("Device File SN:  %d, Meter SN:  %d",
                                                              d.serial, meterSerial));
            w.ac.mismatchLatch = true;
        }
        return 0;
    }
    const double pressure = d.p0 + d.p1 * Word(f, 14);
    const int meterWavelengths = f[31];
    if (meterWavelengths != d.wavelengths) {
        if (!w.ac.mismatchLatch) {
            ctx.reporter.ShowError("NXS Number of Wavelengths Do Not Match",
                                   Format("WaveLength Count - Device File:  %d, Meter :  %d",
                                          d.wavelengths, meterWavelengths));
            w.ac.mismatchLatch = true;
        }
    } else {
        w.ac.mismatchLatch = false;
    }
    // Without a device file of its own the channel has no calibration to decode with.
    if (!d.loaded || !out) return 0;

    const double instrumentTime = static_cast<double>(static_cast<uint32_t>(Word(f, 26) << 16 | Word(f, 28)));
    if (w.headerPending) {
        w.headerPending = 0;
        w.ac.firstInstrumentTime = instrumentTime;
        std::vector<ColumnInfo> columns;
        for (int pass = 0; pass < 2; ++pass) {
            for (int j = 0; j < d.wavelengths; ++j) {
                std::string title(pass == 0 ? "c" : "a");
                AppendFixed(title, pass == 0 ? d.cWavelength[j] : d.aWavelength[j], 5, 1);
                columns.push_back({std::move(title), "m-1", {7, 5}});
            }
        }
        columns.push_back({"iTemp(C)", "degree_Celsius", {5, 2}});
        columns.push_back({"Conduct", "", {8, 6}});
        columns.push_back({"Depth", "", {5, 3}});
        columns.push_back({"XTemp", "", {7, 4}});
        columns.push_back({"Salinity", "1", {8, 6}});
        w.columnCount += EmitTitleLine(run, w.channelId, out, format, std::move(columns));
    }

    const double temperature = InternalTemperature(Word(f, 20));
    const AcBin bin = FindTemperatureBin(d, temperature);
    if (!KnownTimeFormat(format)) return 0;
    Sample& sample = run.channelState.sample;
    sample.Clear(w.channelId, frameTime);
    const int wl = d.wavelengths;
    // c channels, then a channels; a wavelength the frame does not carry is written as 0.
    for (int pass = 0; pass < 2; ++pass) {
        for (int j = 0; j < wl; ++j) {
            const int at = 32 + 8 * j;
            double v = 0;
            if (at + 8 <= length - 2) {
                const unsigned reference = Word(f, at + pass * 2);
                const unsigned signal = Word(f, at + 4 + pass * 2);
                const int channel = pass * wl + j;
                v = AcChannelValue(signal, reference, d.pathLength, d.offset[channel],
                                   d.bins ? d.Correction(channel) : nullptr, d.binTemperature, bin,
                                   temperature);
            }
            sample.Add(v, {7, 5});
        }
    }
    sample.Add(std::isfinite(temperature) ? temperature : kAcNoValue, {5, 2});
    sample.Add(0.0, {8, 6});
    sample.Add(pressure, {5, 3});
    sample.Add(0.0, {7, 4});
    sample.Add(0.0, {8, 6});
    RowLayout layout;
    layout.format = format;
    layout.meterTime = instrumentTime - w.ac.firstInstrumentTime;
    EmitRow(run, out, sample, layout);
    return 1;
}

int WriteNxs(Run& run, const WriterInput& in) {
    if (in.channel <= 0 || in.channel >= kChannelCount || !in.bytes) return 0;
    ChannelWriter& w = run.channelState.writers[in.channel];
    AcChannelState& st = w.ac;
    if (st.refused) return 0;
    int result = 0;
    for (int i = 0; i < in.count; ++i) {
        const int length = AssembleAcFrame(in.meterType, in.time, in.bytes[i], st.frame);
        if (length == 0) continue;
        const double frameTime = st.frame.time;
        const bool raw = in.dataOutput == 0;
        if (raw) {
            WriteRawFrame(run, in.channel, st.frame, length, 1, in.stream);
        } else if (!DecodeNxsFrame(run, st.frame.bytes, length, frameTime, in.format, w,
                                   in.stream)) {
            continue;
        }
        NoteFrameTime(w, frameTime, raw ? frameTime : 0);
        result = 1;
    }
    return result;
}

void ResetNxsState(Run& run) {
    ResetAcDevices(run);
}

}  // namespace rix
