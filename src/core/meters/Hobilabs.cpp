#include "meters/Hobilabs.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <strings.h>

#include "Context.h"
#include "setup/SetupText.h"

namespace rix {

namespace {

constexpr int kLineLimit = 98;
constexpr int kMaxId = 49;
constexpr double kMissing = -1;

// "<key>%lf" with the key in any case; value keeps its old content when the
// line has another key or no number after the "=".
void ReadKey(const std::string& line, const char* key, double& value) {
    const size_t n = std::char_traits<char>::length(key);
    if (line.size() < n || strncasecmp(line.c_str(), key, n) != 0) return;
    const char* start = line.c_str() + n;
    char* end = nullptr;
    double v = std::strtod(start, &end);
    if (end != start) value = std::isfinite(v) ? v : kMissing;
}

}  // namespace

int ReadHobiDeviceFile(Run& run, const DeviceFileCall& call) {
    Context& ctx = run.ctx;
    if (call.channel < 0 || call.channel > kMaxId) {
        ctx.reporter.Print(
            Format("Invalid ID %d for HobiLabs *.dev file, Range: 1-%d\n", call.channel, kMaxId));
        return 0;
    }
    HobiDepthCalibration& cal = run.channelState.writers[call.channel].hobi;
    cal = HobiDepthCalibration{};

    double scale = kMissing, offset = kMissing;
    std::string line;
    while ((scale == kMissing || offset == kMissing) && call.file && setuptext::ReadLineWithEnd(call.file, kLineLimit, line)) {
        ReadKey(line, "DepthCal=", scale);
        ReadKey(line, "DepthOff=", offset);
    }
    if (scale == kMissing || offset == kMissing) {
        ctx.reporter.SetStatus("Unable to Read Depth Calibration in HobiLabs *.dev file");
        return 0;
    }
    cal.scale = scale;
    cal.offset = offset;
    cal.loaded = true;
    return 1;
}

}  // namespace rix
