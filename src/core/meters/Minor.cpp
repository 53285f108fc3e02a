#include "meters/Minor.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "Context.h"
#include "extract/Emit.h"
#include "extract/Misc.h"
#include "utilities/NumberText.h"

namespace rix {

namespace {

ChannelWriter* WriterOf(Run& run, const WriterInput& in) {
    if (in.channel < 0 || in.channel >= kChannelCount || !in.bytes) return nullptr;
    return &run.channelState.writers[in.channel];
}

// Drops the first byte of a window and the time that came with it.
template <size_t N>
void DropFirst(uint8_t (&bytes)[N], double (&times)[N], int& length) {
    if (length <= 0) return;
    std::memmove(bytes, bytes + 1, static_cast<size_t>(length - 1));
    std::memmove(times, times + 1, static_cast<size_t>(length - 1) * sizeof(double));
    --length;
}

// --- Thermometer ---------------------------------------------------------

bool ThermoTypeAccepted(uint8_t type) {
    switch (type) {
        case 0x20: case 0x21: case 0x40: case 0x60: case 0xC0: case 0xE0:
            return true;
        default:
            return (type >= 0x70 && type <= 0x76) || (type >= 0xF0 && type <= 0xF6);
    }
}

bool ThermoFrameValid(const uint8_t* f) {
    if (f[0] != 0xCA || f[1] != 0x00 || f[2] != 0x01) return false;
    if (!ThermoTypeAccepted(f[3]) || f[4] != 3) return false;
    // Only tenths and hundredths have a scale; a frame with another says nothing.
    if (f[5] != 17 && f[5] != 33) return false;
    unsigned sum = 0;
    for (int i = 1; i <= 8; ++i) sum += f[i];
    return (sum & 0xFFu) == 0xFFu;
}

// The thermometer bath's file has no title line; the sinks get its two columns.
void ThermoColumns(Run& run, ChannelWriter& w) {
    if (!w.sinks.columns.empty()) return;
    SetChannelColumns(run, w.channelId, {{"I-Temp(C)", "degree_Celsius", {4, 2}},
                                         {"X-Temp(C)", "degree_Celsius", {4, 2}}});
}

// A raw row: the time, the reading's name and value.
void ThermoRawLine(Run& run, const WriterInput& in, double time, const char* name, double value) {
    std::string& text = run.channelState.lineText;
    text.assign(name);
    text.push_back(' ');
    AppendFixed(text, value, 4, 2);
    text.push_back('\t');
    LineLayout layout;  // whole milliseconds, as format 1 writes them
    layout.stamp = true;
    layout.afterStamp = " ";
    layout.end = "\r\n";
    EmitLine(run, in.channel, in.stream, time, text, layout);
}

void ThermoFrame(Run& run, ChannelWriter& w, MinorChannelState& s, const WriterInput& in) {
    const uint8_t* f = s.thermo;
    const double recordTime = s.thermoTime[0];
    const int16_t raw = static_cast<int16_t>((f[6] << 8) | f[7]);
    const double value = raw * (f[5] == 17 ? 0.1 : 0.01);
    if (f[3] == 0x20) s.internalTemp = value;
    if (f[3] == 0x21) s.externalTemp = value;
    if (w.firstTime < 0) w.firstTime = recordTime;
    w.lastTime = recordTime;
    w.recordTime = recordTime;
    ++s.thermoFrames;
    if (s.thermoFrames < 2 || !in.stream) return;  // the first frame only primes the values
    if (f[3] == 0x20) {
        if (in.dataOutput != 0) {
            w.channelId = in.channel;
            ThermoColumns(run, w);
            Sample& sample = run.channelState.sample;
            sample.Clear(in.channel, recordTime);
            sample.Add(s.internalTemp, {4, 2});
            sample.Add(s.externalTemp, {4, 2});
            RowLayout layout;  // whole milliseconds, as format 1 writes them
            EmitRow(run, in.stream, sample, layout);
        } else {
            ThermoRawLine(run, in, recordTime, "I-Temp(C)", s.internalTemp);
        }
        ++w.linesWritten;
    } else if (f[3] == 0x21 && in.dataOutput == 0) {
        ThermoRawLine(run, in, recordTime, "X-Temp(C)", s.externalTemp);
        ++w.linesWritten;
    }
}

// --- XMF -----------------------------------------------------------------

constexpr char kXmfMarker[] = "MORB_XMF";
constexpr int kXmfMarkerSize = 8;

unsigned U16(const uint8_t* f, int at) { return (static_cast<unsigned>(f[at]) << 8) | f[at + 1]; }

// "DATA", or a decimal number, in bytes 8 to 11.
bool XmfDataTag(const uint8_t* f) {
    if (std::memcmp(f + 8, "DATA", 4) == 0) return true;
    int i = 8;
    if (f[i] == '+' || f[i] == '-') ++i;
    return i < 12 && f[i] >= '0' && f[i] <= '9';
}

// The XMF file has no title line; the sinks get its columns: the frame's
// sequence number, its three thermistor channels (degrees Celsius in
// engineering units, counts in raw output), three sixty-fourths words, the
// sample count and word, and the samples.
void XmfColumns(Run& run, int channel, bool engineering) {
    const char* temperatureUnit = engineering ? "degree_Celsius" : "";
    std::vector<ColumnInfo> columns = {{"Sequence", "", {3, 0, true}},
                                       {engineering ? "Temp1(C)" : "Temp1", temperatureUnit, {4, 2}},
                                       {"Channel2", "", {4, 2}},
                                       {engineering ? "Temp3(C)" : "Temp3", temperatureUnit, {4, 2}},
                                       {"Word30", "", {5, 1}},
                                       {"Word32", "", {5, 1}},
                                       {"Word34", "", {5, 1}},
                                       {"Count", "1", {1, 0}},
                                       {"Word38", "", {1, 0}}};
    for (int i = 0; i < kXmfSamples; ++i)
        columns.push_back({"Sample" + std::to_string(i + 1), "", {1, 0}});
    SetChannelColumns(run, channel, std::move(columns));
}

void XmfFrame(Run& run, ChannelWriter& w, MinorChannelState& s, const WriterInput& in) {
    const uint8_t* f = s.xmf;
    const double time = s.xmfTime[0];
    if (std::memcmp(f, kXmfMarker, kXmfMarkerSize) != 0 || !XmfDataTag(f)) return;
    std::FILE* out = in.stream;

    const int sequence = static_cast<int16_t>(U16(f, 28));
    if (w.headerPending) {
        w.headerPending = 0;
        s.xmfSequence = -1;
        XmfColumns(run, in.channel, in.dataOutput != 0);
    }
    if (s.xmfSequence != -1 && sequence != s.xmfSequence + 1 &&
        !(s.xmfSequence == 255 && sequence == 0) && out) {
        std::string& text = run.channelState.lineText;
        text.clear();
        AppendFixed(text, time * 0.001, 5, 3);
        text.push_back('\t');
        const size_t stamp = text.size();
        text.append("MISSING Mod");
        AppendInt(text, sequence);
        text.append("\r\n");
        EmitLine(run, in.channel, out, time, text,
                 std::string_view(text).substr(stamp, text.size() - stamp - 2), LineLayout{});
    }
    s.xmfSequence = sequence;

    const unsigned count = U16(f, 36);
    if (count != kXmfSamples) return;
    double a = U16(f, 22), b = U16(f, 24), c = U16(f, 26);
    if (in.dataOutput != 0) {
        a = XmfThermistor(a);
        c = XmfThermistor(c);
    }
    const double d = U16(f, 30) / 64.0, e = U16(f, 32) / 64.0, g = U16(f, 34) / 64.0;
    if (w.firstTime < 0) w.firstTime = time;
    w.lastTime = time;
    ++w.linesWritten;
    if (!out) return;
    Sample& sample = run.channelState.sample;
    sample.Clear(in.channel, time);
    sample.Add(sequence, {3, 0, true});
    sample.Add(a, {4, 2});
    sample.Add(b, {4, 2});
    sample.Add(c, {4, 2});
    sample.Add(d, {5, 1});
    sample.Add(e, {5, 1});
    sample.Add(g, {5, 1});
    sample.Add(count, {1, 0});
    sample.Add(U16(f, 38), {1, 0});
    for (int i = 0; i < kXmfSamples; ++i) sample.Add(U16(f, 40 + 2 * i), {1, 0});
    RowLayout layout;
    layout.format = in.format;
    EmitRow(run, out, sample, layout);
}

}  // namespace

double XmfThermistor(double counts) {
    const double v = counts * 5.0 / 65535.0;
    if (!(v > 0) || !(v < 4.516)) return kXmfNoTemperature;
    const double r = v * 10000.0 / (4.516 - v);
    const double l = std::log(r);
    const double t = 1.0 / (0.00093135 + 0.000221631 * l + 0.000000125741 * l * l * l) - 273.16;
    return std::isfinite(t) ? t : kXmfNoTemperature;
}

int WriteThermoBath(Run& run, const WriterInput& in) {
    ChannelWriter* w = WriterOf(run, in);
    if (!w) return 1;
    MinorChannelState& s = w->minor;
    for (int i = 0; i < in.count; ++i) {
        s.thermo[s.thermoLength] = in.bytes[i];
        s.thermoTime[s.thermoLength] = in.time;
        if (++s.thermoLength < kThermoFrameSize) continue;
        if (ThermoFrameValid(s.thermo)) {
            ThermoFrame(run, *w, s, in);
            s.thermoLength = 0;
        } else {
            DropFirst(s.thermo, s.thermoTime, s.thermoLength);
        }
    }
    return 1;
}

int WriteSbe32(Run& run, const WriterInput& in) {
    ChannelWriter* w = WriterOf(run, in);
    if (!w) return 0;
    for (int i = 0; i < in.count; ++i) {
        const char c = static_cast<char>(in.bytes[i] & 0x7F);
        if (w->firstTime < 0) w->firstTime = in.time;
        w->lastTime = in.time;
        if (!in.stream) continue;
        LineLayout layout;  // whole milliseconds, as format 1 writes them
        layout.stamp = true;
        layout.end = "\r\n";
        EmitLine(run, in.channel, in.stream, in.time, std::string_view(&c, 1), layout);
    }
    return 0;
}

int WriteXmf(Run& run, const WriterInput& in) {
    ChannelWriter* w = WriterOf(run, in);
    if (!w) return 1;
    MinorChannelState& s = w->minor;
    for (int i = 0; i < in.count; ++i) {
        s.xmf[s.xmfLength] = in.bytes[i];
        s.xmfTime[s.xmfLength] = in.time;
        ++s.xmfLength;
        if (s.xmfLength >= kXmfMarkerSize && std::memcmp(s.xmf, kXmfMarker, kXmfMarkerSize) != 0)
            DropFirst(s.xmf, s.xmfTime, s.xmfLength);
        if (s.xmfLength == kXmfFrameSize) {
            XmfFrame(run, *w, s, in);
            // The next frame must bring its own marker.
            std::memcpy(s.xmf, "xxxxxx", 6);
            s.xmfLength = 0;
        }
    }
    return 1;
}

}  // namespace rix
