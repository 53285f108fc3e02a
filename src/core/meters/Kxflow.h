// Flow meter (KX-Flow) device files: the meter number, the average count and
// up to five sensor slots with their volume constants.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;

constexpr int kFlowSlots = 5;

struct FlowSlot {
    int id = 0;          // 0 = no sensor, else 1..49
    float volume = 0;    // volume constant, >= 0
};

// A flow meter channel's device file, kept in its writer state.
struct FlowSetup {
    bool loaded = false;  // a slot line was accepted; a new read does not clear it
    int meterNumber = 0;
    int averageCount = 2;
    FlowSlot slots[kFlowSlots];
};

// Validates the channel's device file into its FlowSetup. 1 when the file
// was read to its end, 0 when a line stopped it.
int ReadFlowDeviceFile(Run& run, const DeviceFileCall& call);

}  // namespace rix
