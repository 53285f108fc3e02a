// The meter driver table: one entry per meter family naming the meter types
// it serves, its device-file reader, the writer the extraction hands each
// port's bytes to, its line decoder (line meters) and its end of a channel.
// A new meter family is one file of its own and one line of the table.
#pragma once
#include <array>

#include "extract/Channel.h"
#include "extract/Rix.h"
#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;

// How a family's device file is treated.
enum class DeviceFileUse {
    kUnsupported,  // a device file named for it is reported as unsupported
    kUnread,       // a device file named for it is opened and closed unread
    kRead,         // read by readDevice
};

struct MeterDriver {
    const char* family;
    std::array<int, 8> types;  // the meter type codes it serves (0 ends the list)
    DeviceFileUse deviceUse = DeviceFileUse::kUnsupported;
    int (*readDevice)(Run&, const DeviceFileCall&) = nullptr;
    // One port's bytes of one packet; nullptr: "Type N Not Valid".
    int (*write)(Run&, const WriterInput&) = nullptr;
    WriterKind kind = WriterKind::kNone;
    LineDecoder decodeLine = nullptr;  // line meters: one complete line to values
    // Raw rows of this line meter carry an extra line end after the line.
    bool rawExtraLineEnd = false;
    void (*endChannel)(Run&, int channel) = nullptr;  // after the channel's last data
};

// The driver of a meter type; a driver with no reader and no writer for a
// type no family serves.
const MeterDriver& DriverFor(int meterType);

}  // namespace rix
