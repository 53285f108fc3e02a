#include "meters/Dmm22_812.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Context.h"
#include "extract/Emit.h"
#include "extract/Misc.h"

namespace rix {

namespace {

constexpr int kDecimation = 8;  // engineering output keeps every eighth reading

// Segment code of a display digit (the decimal-point bit, 8, already cleared);
// '\0' ends the text.
char SegmentChar(uint8_t code) {
    switch (code & ~8u) {
        case 215: return '0';
        case 80: return '1';
        case 181: return '2';
        case 241: return '3';
        case 114: return '4';
        case 227: return '5';
        case 231: return '6';
        case 81: return '7';
        case 247: return '8';
        case 243: return '9';
        default: break;
    }
    return code == 39 ? 'F' : '\0';
}

bool ChecksumMatches(const uint8_t* f) {
    unsigned sum = 57;
    for (int i = 0; i < 8; ++i) sum += f[i];
    return (sum & 0xFFu) == f[8];
}

// One frame that passed its checksum.
void DecodeFrame(Run& run, ChannelWriter& w, DmmChannelState& s, const WriterInput& in,
                 double frameTime) {
    Context& ctx = run.ctx;
    const uint8_t* f = s.frame;
    double factor = 1;
    if (f[0] == 3) {
        factor = 1;
    } else if (f[0] == 4) {
        factor = (f[1] & 1) ? 1 : 1000;
    } else {
        if (!s.modeError)
            ctx.reporter.ShowError("DMM 22-812 Processing Error",
                                   "RIX can only Process Current Measurements");
        s.modeError = true;
        return;
    }
    s.modeError = false;
    const char* unit = "_DC mA";

    char text[16];
    DmmDisplayText(f, text, sizeof text);
    if (std::strlen(text) <= 4) return;
    // A display showing no number (an "F" first, a lone sign) is no reading.
    char* end = nullptr;
    double value = std::strtod(text, &end);
    if (end == text || !std::isfinite(value)) return;
    value *= factor;

    std::FILE* out = in.stream;
    if (w.headerPending) {
        w.headerPending = 0;
        if (out) EmitTitleLine(run, in.channel, out, in.format, {{unit, "mA", {4, 2}}});
    }
    s.lastReading = value;
    s.lastTime = frameTime;
    if (in.dataOutput != 0) {
        if (++s.decimation < kDecimation) return;
        s.decimation = 0;
    }
    if (w.firstTime < 0) w.firstTime = frameTime;
    w.lastTime = frameTime;
    ++w.linesWritten;
    if (!out) return;
    Sample& sample = run.channelState.sample;
    sample.Clear(in.channel, frameTime);
    sample.Add(value, {4, 2});
    RowLayout layout;
    layout.format = in.format;
    EmitRow(run, out, sample, layout);
}

}  // namespace

void DmmDisplayText(const uint8_t* f, char* text, int capacity) {
    int n = 0;
    auto put = [&](char c) {
        if (n < capacity - 1) text[n++] = c;
    };
    if (f[7] & 8) put('-');
    bool open = true;
    char c = SegmentChar(f[6]);
    if (c) put(c); else open = false;
    for (int i = 5; i >= 3 && open; --i) {
        if (f[i] & 8) put('.');
        c = SegmentChar(f[i]);
        if (c) put(c); else open = false;
    }
    text[n] = '\0';
}

int WriteDmm(Run& run, const WriterInput& in) {
    if (in.channel < 0 || in.channel >= kChannelCount || !in.bytes) return 1;
    ChannelWriter& w = run.channelState.writers[in.channel];
    DmmChannelState& s = w.dmm;
    for (int i = 0; i < in.count; ++i) {
        s.frame[s.length] = in.bytes[i];
        s.byteTime[s.length] = in.time;
        if (++s.length < kDmmFrameSize) continue;
        if (ChecksumMatches(s.frame)) {
            DecodeFrame(run, w, s, in, s.byteTime[0]);
            s.length = 0;
        } else {
            // Slide by one byte and wait for the next.
            std::memmove(s.frame, s.frame + 1, kDmmFrameSize - 1);
            std::memmove(s.byteTime, s.byteTime + 1, (kDmmFrameSize - 1) * sizeof(double));
            s.length = kDmmFrameSize - 1;
        }
    }
    return 1;
}

}  // namespace rix
