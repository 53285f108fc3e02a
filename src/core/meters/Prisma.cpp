#include "meters/Prisma.h"

#include <cmath>
#include <cstring>
#include <strings.h>

#include "Context.h"
#include "extract/Emit.h"
#include "extract/Misc.h"
#include "meters/Nxx.h"

namespace rix {

namespace {

constexpr size_t kLineLimit = 498;
constexpr int kChannels = 6;
constexpr int kEmissions = 16;

int Signed(const uint8_t* f, int at) {
    return static_cast<int16_t>(static_cast<uint16_t>(f[at] << 8 | f[at + 1]));
}
unsigned Unsigned(const uint8_t* f, int at) { return static_cast<unsigned>(f[at] << 8 | f[at + 1]); }

bool StartsWith(const std::string& line, const char* key) {
    const size_t n = std::strlen(key);
    return line.size() >= n && strncasecmp(line.c_str(), key, n) == 0;
}

// Index of the first line that starts with the name, searched from the top
// and up to a line beginning "[]"; -1 (with the message) when there is none.
long FindEntry(Context& ctx, const std::vector<std::string>& lines, const char* name) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (StartsWith(lines[i], "[]")) break;
        if (StartsWith(lines[i], name)) return static_cast<long>(i);
    }
    ctx.reporter.ShowError("Prisma Device File Error", Format("'%s' was NOT Found", name));
    return -1;
}

// The lines of a section: a word, then a number; a line that does not read leaves 0.
void ReadSection(Context& ctx, const std::vector<std::string>& lines, const char* name, int count,
                 double* values) {
    const long at = FindEntry(ctx, lines, name);
    if (at < 0) return;
    for (int k = 0; k < count; ++k) {
        const size_t i = static_cast<size_t>(at) + 1 + static_cast<size_t>(k);
        if (i >= lines.size()) break;
        double v = 0;
        if (std::sscanf(lines[i].c_str(), "%*s%lf", &v) == 1) values[k] = v;
    }
}

// The number after a key; it keeps 0 when the key is missing.
double ReadKey(Context& ctx, const std::vector<std::string>& lines, const char* key) {
    const long at = FindEntry(ctx, lines, key);
    double v = 0;
    if (at >= 0 && std::sscanf(lines[static_cast<size_t>(at)].c_str() + std::strlen(key), "%lf", &v) != 1)
        v = 0;
    return v;
}

int Whole(double v) {
    if (!std::isfinite(v) || v > 2.0e9 || v < -2.0e9) return 0;
    return static_cast<int>(std::trunc(v));
}

}  // namespace

int ReadPrismaDeviceFile(Run& run, const DeviceFileCall& call) {
    Context& ctx = run.ctx;
    if (call.channel < 0 || call.channel >= kChannelCount || !call.file) return 0;
    ChannelWriter& w = run.channelState.writers[call.channel];
    PrismaDevice& p = w.ac.prisma;
    p = PrismaDevice{};
    const std::vector<std::string> lines = ReadDeviceLines(call.file, kLineLimit);
    w.headerLines = CopyDeviceLines(run, call.channel, lines, kLineLimit, call.stream);

    double wavelengths[24] = {};
    ReadSection(ctx, lines, "[wavelengths]", 24, wavelengths);
    for (int k = 0; k < 24; ++k) p.wavelength[k] = Whole(wavelengths[k]);
    static const char* const kOffsetSections[kChannels] = {"[aoffsets]", "[boffsets]", "[coffsets]",
                                                           "[doffsets]", "[eoffsets]", "[foffsets]"};
    for (int i = 0; i < kChannels; ++i) ReadSection(ctx, lines, kOffsetSections[i], 24, p.offsets[i]);
    ReadSection(ctx, lines, "[reference]", kChannels, p.reference);
    p.receiveBin = ReadKey(ctx, lines, "receivebin=");
    p.useRefs = Whole(ReadKey(ctx, lines, "userefs=")) != 0 ? 1 : 0;
    p.depthScale = ReadKey(ctx, lines, "depth_scale=");
    p.depthOffset = ReadKey(ctx, lines, "depth_offset=");

    // Emissions by ascending wavelength; equal wavelengths keep device order.
    bool taken[kEmissions] = {};
    for (int k = 0; k < kEmissions; ++k) {
        int best = -1;
        for (int e = 0; e < kEmissions; ++e)
            if (!taken[e] && (best < 0 || p.wavelength[8 + e] < p.wavelength[8 + best])) best = e;
        taken[best] = true;
        p.order[k] = best;
    }
    p.loaded = true;
    return 1;
}

int DecodePrismaFrame(Run& run, const uint8_t* f, double frameTime, int format,
                      ChannelWriter& w, std::FILE* out) {
    Context& ctx = run.ctx;
    const PrismaDevice& p = w.ac.prisma;
    if (!p.loaded) {
        if (!ctx.shared.ac.prismaNoDevice) {
            ctx.reporter.ShowError("Prisma Device File Error", "A Prisma Device File was not Found");
            ctx.shared.ac.prismaNoDevice = true;
        }
        return 0;
    }
    if (!out) return 0;
    if (w.headerPending) {
        w.headerPending = 0;
        std::vector<ColumnInfo> columns;
        for (int i = 0; i < kChannels; ++i) {
            const std::string wavelength = std::to_string(p.wavelength[i]);
            columns.push_back({wavelength + "R", "", {5, 3}});
            columns.push_back({wavelength + "A", "", {5, 3}});
            for (int k = 0; k < kEmissions; ++k)
                columns.push_back({std::to_string(p.wavelength[8 + p.order[k]]), "", {5, 3}});
        }
        columns.push_back({"iTemp(C)", "degree_Celsius", {5, 2}});
        columns.push_back({"Depth(m)", "m", {5, 2}});
        EmitTitleLine(run, w.channelId, out, format, std::move(columns));
        w.columnCount += 18 * kChannels + 2;
    }
    Sample& sample = run.channelState.sample;
    sample.Clear(w.channelId, frameTime);
    for (int i = 0; i < kChannels; ++i) {
        const int base = 16 + 40 * i;
        const double r = Unsigned(f, base);
        const double s = Signed(f, base + 2);
        const double* offsets = p.offsets[i];
        double a = offsets[7];
        if (r > 0 && s > 0) a = (offsets[6] - 3.8461538461538463 * std::log(s / r)) * 1000.0 + offsets[7];
        sample.Add(r, {5, 3});
        sample.Add(a, {5, 3});
        const double scale = r > 0 && p.reference[i] != 0 ? p.reference[i] / r : 1.0;
        for (int k = 0; k < kEmissions; ++k) {
            const int e = p.order[k];
            double value = Signed(f, base + 4 + 2 * e);
            if (p.useRefs) value = scale * value + offsets[8 + e];
            sample.Add(value, {5, 3});
        }
    }
    sample.Add(Signed(f, 252) * 0.01, {5, 2});
    sample.Add(Signed(f, 10) * p.depthScale + p.depthOffset, {5, 2});
    RowLayout layout;
    layout.format = format;
    EmitRow(run, out, sample, layout);
    return 1;
}

int WritePrisma(Run& run, const WriterInput& in) {
    if (in.channel <= 0 || in.channel >= kChannelCount || !in.bytes) return 0;
    ChannelWriter& w = run.channelState.writers[in.channel];
    AcChannelState& st = w.ac;
    int result = 0;
    for (int i = 0; i < in.count; ++i) {
        const int length = AssembleAcFrame(in.meterType, in.time, in.bytes[i], st.frame);
        if (length == 0) continue;
        if (in.dataOutput == 0) {
            WriteRawFrame(run, in.channel, st.frame, length, 2, in.stream);
            // Raw PRISMA output counts its time from each frame; there is no first time.
            w.offsetTime = st.frame.time;
            w.lastTime = st.frame.time;
            result = 1;
        } else if (DecodePrismaFrame(run, st.frame.bytes, st.frame.time, in.format, w, in.stream)) {
            result = 1;
        }
    }
    return result;
}

}  // namespace rix
