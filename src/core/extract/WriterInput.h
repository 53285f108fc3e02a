// What the dispatcher hands a meter writer, and what the device-file step
// hands a device-file reader: one argument record each, so that every meter
// family plugs in with the same entry shape.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace rix {

// One port's bytes of one packet for a framed meter writer.
struct WriterInput {
    int channel = 0;
    int meterType = 0;
    int dataOutput = 0;   // 0 raw data, 1 engineering units
    int format = 0;       // time-stamp format
    int offsetHours = 0;  // time offset of the Julian formats
    double time = -1;     // the packet's revised time, ms
    int count = 0;
    const uint8_t* bytes = nullptr;
    std::FILE* stream = nullptr;  // the channel's output file (may be null)
};

// One channel's opened device file.
struct DeviceFileCall {
    int dataOutput = 0;
    int channel = 0;
    int meterType = 0;
    std::string path;             // the file as opened
    std::FILE* file = nullptr;    // open for binary reading, positioned at its start
    std::FILE* stream = nullptr;  // the channel's output file (may be null)
};

}  // namespace rix
