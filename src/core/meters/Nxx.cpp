#include "meters/Nxx.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Context.h"
#include "extract/Emit.h"
#include "setup/MeterType.h"

namespace rix {

namespace {

const uint8_t kNx9Sync[4] = {0x00, 0xFF, 0x00, 0xFF};
const uint8_t kFfSync[4] = {0xFF, 0x00, 0xFF, 0x00};

// Drops the first byte held: the frame must start one byte later.
void DropFirst(AcFrame& f) {
    f.sum = static_cast<uint16_t>(f.sum - f.bytes[0]);
    std::memmove(f.bytes, f.bytes + 1, static_cast<size_t>(f.count - 1));
    std::memmove(f.byteTimes, f.byteTimes + 1, sizeof f.byteTimes - sizeof f.byteTimes[0]);
    --f.count;
    f.length = 0;
}

void Restart(AcFrame& f) {
    f.count = 0;
    f.sum = 0;
    f.length = 0;
}

}  // namespace

AcKind AcKindOf(int meterType) {
    if (meterType == kNxs) return AcKind::kNxs;
    if (meterType == kPrisma) return AcKind::kPrisma;
    return AcKind::kNx9;
}

int AssembleAcFrame(int meterType, double time, uint8_t byte, AcFrame& f) {
    if (meterType != kNx9 && meterType != kNx9WRef && meterType != kNxs && meterType != kPrisma)
        return 0;
    const AcKind kind = AcKindOf(meterType);
    const uint8_t* sync = kind == AcKind::kNx9 ? kNx9Sync : kFfSync;
    if (f.count < 0 || f.count >= kAcMaxFrame) Restart(f);
    if (f.count < 6) f.byteTimes[f.count] = time;
    f.bytes[f.count++] = byte;
    f.sum = static_cast<uint16_t>(f.sum + byte);

    // Find the frame start: a held window that fails drops its first byte and
    // is checked again from the next one.
    for (;;) {
        if (f.count < 4) return 0;
        if (f.length == 0) {
            if (std::memcmp(f.bytes, sync, 4) != 0) {
                DropFirst(f);
                continue;
            }
            f.time = f.byteTimes[0];
            f.length = kind == AcKind::kNx9 ? kNx9FrameLength
                       : kind == AcKind::kPrisma ? kPrismaFrameLength
                                                 : -kNxsMaxFrame;  // NXS: not stated yet
        }
        if (f.length < 0 && f.count >= 6) {
            // The NXS states its length less 2; an impossible one means this
            // was no frame start.
            int length = f.bytes[4] * 256 + f.bytes[5] + 2;
            if (length < kNxsMinFrame || length > kNxsMaxFrame) {
                DropFirst(f);
                continue;
            }
            f.length = length;
        }
        break;
    }
    const int length = f.length < 0 ? -f.length : f.length;
    if (f.count < length) return 0;

    const uint8_t hi = f.bytes[length - 2], lo = f.bytes[length - 1];
    const uint16_t sum = static_cast<uint16_t>(f.sum - hi - lo);
    Restart(f);
    if (sum == static_cast<uint16_t>(hi << 8 | lo) || sum == static_cast<uint16_t>(lo << 8 | hi))
        return length;
    return 0;
}

AcBin FindTemperatureBin(const AcDevice& device, double temperature) {
    AcBin bin;
    const int n = device.bins;
    if (n < 2 || !std::isfinite(temperature)) return bin;
    int i = 1;
    while (i < n - 1 && device.binTemperature[i] <= temperature) ++i;
    bin.index = i;
    bin.low = device.binTemperature[i - 1];
    bin.high = device.binTemperature[i];
    return bin;
}

double AcChannelValue(double signal, double reference, double pathLength, double offset,
                      const double* corrections, const double* bins, const AcBin& bin,
                      double temperature) {
    if (reference <= 0 || signal <= 0) return 0;
    const double ratio = signal / reference;
    if (ratio < 0.0005) return 99.99999;
    double v = -std::log(ratio) / pathLength + offset;
    if (bin.Correct() && corrections && bins && bin.index > 0) {
        const int i = bin.index;
        v -= corrections[i - 1] + (temperature - bins[i - 1]) *
                                      (corrections[i] - corrections[i - 1]) / (bins[i] - bins[i - 1]);
    }
    return v;
}

std::vector<std::string> ReadDeviceLines(std::FILE* file, size_t limit) {
    std::vector<std::string> lines;
    if (!file) return lines;
    std::string line;
    bool cut = false;
    bool any = false;
    char block[1 << 14];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) {
        for (size_t i = 0; i < n; ++i) {
            const char c = block[i];
            any = true;
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
                cut = false;
                any = false;
            } else if (c == '\r') {
                continue;
            } else if (!cut) {
                if (line.size() < limit)
                    line += c;
                else
                    cut = true;  // the rest of an overlong line is dropped
            }
        }
    }
    if (any) lines.push_back(line);
    return lines;
}

int CopyDeviceLines(Run& run, int channel, const std::vector<std::string>& lines, size_t limit,
                    std::FILE* out) {
    int copied = 0;
    std::string text;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        ++copied;
        text.append(line, 0, std::min(line.size(), limit));
        text.append("\r\n");
    }
    if (out) EmitRaw(run, channel, out, -1, text);
    return copied;
}

std::vector<ColumnInfo> AcHeaderColumns(const std::vector<std::string>& lines, size_t limit) {
    constexpr size_t kMergeTitleLength = 19;  // what the merge keeps of a title
    std::vector<ColumnInfo> columns;
    bool inBlock = false;
    for (const std::string& whole : lines) {
        if (whole.empty()) continue;  // not copied
        const std::string line = whole.substr(0, limit);
        if (line[0] != 'a' && line[0] != 'c') {
            if (inBlock) break;
            continue;
        }
        inBlock = true;
        size_t end = 0;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
        columns.push_back({line.substr(0, std::min(end, kMergeTitleLength)), "m-1", {7, 5}});
    }
    return columns;
}

std::vector<std::string> SplitFields(const std::string& line, const char* separators) {
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::strchr(separators, line[i]) && line[i] != '\0') ++i;
        size_t start = i;
        while (i < line.size() && !(std::strchr(separators, line[i]) && line[i] != '\0')) ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

bool ReadNumber(const std::string& field, double& value) {
    const char* begin = field.c_str();
    char* end = nullptr;
    double v = std::strtod(begin, &end);
    if (end == begin) return false;
    value = v;
    return true;
}

void ReadFreeNumbers(const std::vector<std::string>& lines, size_t& line, int count,
                     double* values) {
    int got = 0;
    while (got < count && line < lines.size()) {
        const std::vector<std::string> fields = SplitFields(lines[line], " \t\f\v");
        for (size_t k = 0; k < fields.size() && got < count; ++k) {
            double v = 0;
            values[got++] = ReadNumber(fields[k], v) ? v : 0;
        }
        ++line;  // the rest of the line that held the last value is skipped
    }
    for (; got < count; ++got) values[got] = 0;
}

void NoteFrameTime(ChannelWriter& w, double frameTime, double offsetTime) {
    if (w.firstTime < 0) {
        w.firstTime = frameTime;
        w.offsetTime = offsetTime;
    }
    w.lastTime = frameTime;
}

void ResetAcDevices(Run& run) {
    for (size_t c = 0; c < run.channelState.writers.size(); ++c) {
        AcChannelState& st = run.channelState.writers[c].ac;
        st.device = AcDevice{};
        st.refused = false;
    }
}

void WriteRawFrame(Run& run, int channel, const AcFrame& frame, int length, int padding,
                   std::FILE* stream) {
    if (!stream) return;
    std::string bytes(reinterpret_cast<const char*>(frame.bytes), static_cast<size_t>(std::max(length, 0)));
    bytes.append(static_cast<size_t>(std::max(padding, 0)), '\0');
    EmitRaw(run, channel, stream, frame.time, bytes);
}

}  // namespace rix
