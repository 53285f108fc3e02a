// Device files: the per-channel device-file step of an extraction (which
// reader a meter type's calibration file goes to), and the generic column
// device file of the ANALOG, CTD-ENGR, ORB and code-27 meters with its record
// converter.
#pragma once
#include <array>
#include <cstdio>
#include <string>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;
struct ChannelSetup;
struct LineRecord;
struct RowValues;

enum class ColumnKind : int {
    Ignored,
    Counter,
    MsTime,
    Date,
    Time,
    Engr,
    Scaled,
    Ratio,
    Linear,
    Backscatter,
    CtdTemperature,
    CtdConductivity,
    CtdPressure,
    Depth,
    CtdSalinity,
    Volts,
    DarkFluorescence,
    Transmission,
    Transmission10,
    Transmission25,
    Battery,
};

constexpr int kDeviceColumns = 100;
constexpr int kColumnTitleSize = 20;  // 19 characters and a terminator

// One column of a column device file. The file's global settings (CTD mode,
// water type, XFACTOR, fixed salinity and depth) live in column 1's record.
struct DeviceColumn {
    ColumnKind kind = ColumnKind::Ignored;
    int decimals = 6;
    int angle = 0;
    int wavelength = 0;
    bool ctdMode = false;
    bool seaWater = true;
    double raw = 0;
    double scale = 1.0;
    double offset = 0;
    double dark = 0;
    double reference = 1.0;
    double xFactor = 1.1;
    double fixedSalinity = 32.0;
    double fixedDepth = 99999.0;
    double last = 0;
    double scatter[4] = {};
    char title[kColumnTitleSize] = "E_Units";
};

// A channel's column device file: columns 1..100 at [0..99].
struct DeviceColumns {
    int columnCount = 0;
    std::array<DeviceColumn, kDeviceColumns> columns;
};

// Shared by every channel: consecutive records whose field count did not match.
struct DeviceFileShared {
    int mismatchCount = 0;
};

// The device-file step of a channel's pass: opens the channel's device file
// in the device folder and hands it to its meter type's reader. 0 when the
// file cannot be opened or its reader refuses it (reported; `problem`, when
// given, says which); 1 otherwise, also when no device file is named.
int ReadChannelDeviceFile(Run& run, int dataOutput, int channel, const std::string& deviceFolder,
                          const ChannelSetup& setup, std::FILE* stream, std::string* problem = nullptr);

// The device file's path as named: an absolute name as it stands, any other
// name inside the device folder.
std::string DeviceFilePath(const std::string& folder, const std::string& name);

// Finds a device file: the exact path first, then a case-insensitive match
// (names arrive upper-cased from the instrument setup): in the folder, or
// for an absolute name folder by folder along its path.
std::string FindDeviceFile(const std::string& folder, const std::string& name);

// 1 on success, 0 on failure (reported).
int ReadColumnDeviceFile(Context& ctx, int limit, std::FILE* file, DeviceColumns& device);

// Number of values (0 = the record is rejected). record is rewritten in place.
int ConvertColumnRecord(Context& ctx, DeviceColumns& device, char* record, RowValues& values);

// The line decoder of ANALOG, CTD-ENGR, ORB and code 27.
int DecodeColumnLine(Run& run, LineRecord& record, RowValues& values);

}  // namespace rix
