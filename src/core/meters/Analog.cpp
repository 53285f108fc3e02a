#include "meters/Analog.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "Context.h"
#include "setup/SetupText.h"

namespace rix {

namespace {

bool ValidSlot(int slot) { return slot >= 0 && slot < kAnalogSlots; }

bool StartsWith(const char* line, const char* key) {
    return strncasecmp(line, key, std::strlen(key)) == 0;
}

// A name of blanks only (or none) names no file.
bool BlankName(const std::string& name) {
    return name.find_first_not_of(' ') == std::string::npos;
}

void ReadNumber(const char* line, const char* key, float& field) {
    float v = 0;
    if (std::sscanf(line + std::strlen(key), "%f", &v) == 1) field = v;
}


}  // namespace

void ResetAnalogSlot(Context& ctx, int slot) {
    if (!ValidSlot(slot)) return;
    ctx.shared.analog.slots[slot] = AnalogSlot{};
}

int ReadAnalogDeviceFile(Context& ctx, int slot, const std::string& name) {
    if (BlankName(name) || !ValidSlot(slot)) return 0;
    std::FILE* f = setuptext::OpenForReading(name);
    if (!f) {
        ctx.reporter.ShowError("Device File Error",
                               Format("Error Opening Device File '%s' for Channel %d", name.c_str(), slot));
        return 0;
    }
    AnalogSlot& s = ctx.shared.analog.slots[slot];
    s = AnalogSlot{};
    s.units.assign(1, ' ');
    std::string text;
    while (setuptext::ReadLineWithEnd(f, 39, text)) {  // 39 characters a line
        const char* line = text.c_str();
        if (StartsWith(line, "ANALOG")) s.kind = kAnalogVoltage;
        if (StartsWith(line, "KBEAM")) s.kind = kAnalogKbeam;
        if (StartsWith(line, "KBEAM10")) s.kind = kAnalogKbeam10;
        if (StartsWith(line, "KBEAM25")) s.kind = kAnalogKbeam25;
        if (StartsWith(line, "FLF")) s.kind = kAnalogFlf;
        if (StartsWith(line, "LSS")) s.kind = kAnalogLss;
        if (StartsWith(line, "PH")) s.kind = kAnalogPh;
        if (StartsWith(line, "VOLTAGE")) s.kind = kAnalogVoltage;
        if (StartsWith(line, "MORSTAR")) s.kind = kAnalogMorstar;
        if (StartsWith(line, "UNITS=")) {
            std::string units(line + 6);
            size_t end = units.find_first_of("\r\n");
            if (end != std::string::npos) units.resize(end);
            s.units = units.substr(0, 79);
        }
        if (StartsWith(line, "OFFSET=")) ReadNumber(line, "OFFSET=", s.offset);
        if (StartsWith(line, "VBLANK=")) ReadNumber(line, "VBLANK=", s.blank);
        if (StartsWith(line, "VSCALE=")) ReadNumber(line, "VSCALE=", s.scale);
        if (StartsWith(line, "SCALE=")) ReadNumber(line, "SCALE=", s.scale);
        if (StartsWith(line, "lvf=")) ReadNumber(line, "lvf=", s.lvf);
        if (StartsWith(line, "VREF=")) ReadNumber(line, "VREF=", s.reference);
        if (StartsWith(line, "VDARK=")) ReadNumber(line, "VDARK=", s.dark);
        if (StartsWith(line, "PATH=")) ReadNumber(line, "PATH=", s.path);
        if (StartsWith(line, "SLOPE=")) ReadNumber(line, "SLOPE=", s.slope);
    }
    std::fclose(f);
    return 1;
}

float ConvertAnalog(const Context& ctx, int slot, double voltage) {
    if (!ValidSlot(slot)) return 9999.9f;
    const AnalogSlot& s = ctx.shared.analog.slots[slot];
    const float v = static_cast<float>(voltage);
    auto transmission = [&](float& t) {
        const float span = s.reference - s.dark;
        if (span == 0) return false;
        t = (v - s.dark) / span;
        return std::isfinite(t);
    };
    float t = 0;
    switch (s.kind) {
        case kAnalogKbeam:
            return transmission(t) ? t : 9999.9f;
        case kAnalogKbeam10:
            // No attenuation can be computed from a transmission of 0 or less.
            return transmission(t) && t > 0 ? -10.0f * std::log(t) : 9999.9f;
        case kAnalogKbeam25:
            return transmission(t) && t > 0 ? -4.0f * std::log(t) : 9999.9f;
        case kAnalogFlf:
        case kAnalogPh:
            return v;
        case kAnalogLss:
            return v * s.slope - s.offset;
        case kAnalogVoltage:
            return v - s.offset;
        case kAnalogMorstar:
            return (v - s.blank) * s.scale;
        default:
            return 9999.9f;
    }
}

std::string AnalogUnits(const Context& ctx, int slot) {
    if (!ValidSlot(slot)) return std::string();
    return ctx.shared.analog.slots[slot].units;
}

}  // namespace rix
