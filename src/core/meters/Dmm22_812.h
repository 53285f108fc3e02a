// DMM 22-812 multimeter: 9-byte display frames (mode, range, four segment
// digits, flags, checksum) turned into current readings.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;

constexpr int kDmmFrameSize = 9;

// One channel's DMM state, reset with the channel's writer.
struct DmmChannelState {
    uint8_t frame[kDmmFrameSize] = {};  // the sliding window
    double byteTime[kDmmFrameSize] = {};  // packet time of each buffered byte
    int length = 0;
    int decimation = 0;     // readings since the last engineering row (0 to 7)
    bool modeError = false;  // the unsupported-mode box is up for this run of frames
    double lastReading = 0;
    double lastTime = -1;
};

// Feeds one packet's bytes; every decoded frame is a reading.
int WriteDmm(Run& run, const WriterInput& in);

// The display text of a frame ("-", digits and decimal points); no text past
// the first digit the segment table does not know.
void DmmDisplayText(const uint8_t* frame, char* text, int capacity);

}  // namespace rix
