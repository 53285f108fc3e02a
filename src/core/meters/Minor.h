// Thermometer bath (Thermo Bath D-Plus), SBE32 carousel and XMF writers.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;

constexpr int kThermoFrameSize = 9;
constexpr int kXmfFrameSize = 144;
constexpr int kXmfSamples = 50;
// Written for an XMF thermistor whose counts give no resistance (open or
// shorted sensor).
constexpr double kXmfNoTemperature = 9999.99;

// One channel's state of these writers, reset with the channel's writer.
struct MinorChannelState {
    // Thermometer: sliding window with the packet time of each byte.
    uint8_t thermo[kThermoFrameSize] = {};
    double thermoTime[kThermoFrameSize] = {};
    int thermoLength = 0;
    int thermoFrames = 0;  // valid frames of the channel
    double internalTemp = 0;
    double externalTemp = 0;
    // XMF: the frame being assembled, the time of its first byte, and the
    // last frame sequence number (-1 = none).
    uint8_t xmf[kXmfFrameSize] = {};
    double xmfTime[kXmfFrameSize] = {};
    int xmfLength = 0;
    int xmfSequence = -1;
};

int WriteThermoBath(Run& run, const WriterInput& in);
int WriteSbe32(Run& run, const WriterInput& in);
int WriteXmf(Run& run, const WriterInput& in);

// Degrees Celsius of an XMF thermistor reading (counts of a 16-bit converter
// over 5 V); kXmfNoTemperature when the counts give no resistance.
double XmfThermistor(double counts);

}  // namespace rix
