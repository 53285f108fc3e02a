// Analog conversion slots: voltages of transmissometers, fluorometers, a
// light-scattering sensor, a pH sensor or plain volts, converted with an
// analog device file when extracted files are merged.
#pragma once
#include <array>
#include <string>

namespace rix {

struct Context;

enum AnalogKind : int {
    kAnalogKbeam = 200,
    kAnalogKbeam10 = 201,
    kAnalogKbeam25 = 202,
    kAnalogFlf = 203,
    kAnalogLss = 204,
    kAnalogPh = 205,
    kAnalogVoltage = 206,
    kAnalogMorstar = 207,
};

struct AnalogSlot {
    int kind = kAnalogVoltage;
    std::string units = "Volts";  // at most 79 characters
    float offset = 0;
    float scale = 1.0f;
    float blank = 0;
    float reference = 0;
    float dark = 0;
    float slope = 1.0f;
    float path = 0.025f;  // stored only
    float lvf = 0;        // stored only
};

constexpr int kAnalogSlots = 40;

struct AnalogState {
    std::array<AnalogSlot, kAnalogSlots> slots;
};

// Reset defaults; slots 40 and above do not exist and are left alone.
void ResetAnalogSlot(Context& ctx, int slot);
// Reads the named file into the slot. 1 when read, 0 when the name is blank,
// the slot does not exist or the file cannot be opened (reported).
int ReadAnalogDeviceFile(Context& ctx, int slot, const std::string& name);
float ConvertAnalog(const Context& ctx, int slot, double voltage);
std::string AnalogUnits(const Context& ctx, int slot);

}  // namespace rix
