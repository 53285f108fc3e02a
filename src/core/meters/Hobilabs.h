// HOBI Labs device files (ABETA, CBETA, HYDROSCAT6): the depth calibration
// of the meter's own depth sensor.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;

struct HobiDepthCalibration {
    double scale = 1.0;   // "DepthCal="
    double offset = 0;    // "DepthOff="
    bool loaded = false;
};

// Reads the depth calibration into the channel's writer state. 1 when both
// values were found.
int ReadHobiDeviceFile(Run& run, const DeviceFileCall& call);

}  // namespace rix
