// Frame assembly shared by the absorption/attenuation meters (NX9, NXS, PRISMA),
// and the conversion of an optical channel that the NX9 and the NXS share.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "extract/Sample.h"

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;
struct ChannelWriter;

constexpr int kNx9FrameLength = 636;
constexpr int kNxsMaxFrame = 834;       // also the NXS length until the frame states its own
constexpr int kNxsMinFrame = 34;        // header, wavelength count and checksum, no wavelength
constexpr int kPrismaFrameLength = 256;
constexpr int kAcMaxFrame = kNxsMaxFrame;
constexpr int kAcMaxBins = 75;
constexpr int kNxsMaxWavelengths = 100;
constexpr int kNx9Channels = 18;
constexpr double kAcNoValue = 9999.9;   // a value that cannot be computed

// The three frame layouts the assembler knows.
enum class AcKind { kNx9, kNxs, kPrisma };
AcKind AcKindOf(int meterType);

// One channel's frame being assembled.
struct AcFrame {
    uint8_t bytes[kAcMaxFrame] = {};
    int count = 0;
    uint16_t sum = 0;
    int length = 0;         // expected length; 0 = not known yet
    double time = -1;       // time of the packet that brought the frame's first byte
    double byteTimes[6] = {};  // arrival times of the bytes held before the frame is synced
};

// Calibration of an NX9 or NXS read from the channel's own device file.
// Channels are in frame order: the NX9's 18, or the NXS's W c channels then W a channels.
struct AcDevice {
    bool loaded = false;
    int serial = 0;
    double p0 = 0, p1 = 0;    // pressure = p0 + p1 * counts
    double pathLength = 0;    // m
    int bins = 0;
    double binTemperature[kAcMaxBins] = {};
    int wavelengths = 0;      // NXS W
    std::vector<double> cWavelength, aWavelength;  // NXS column titles
    std::vector<double> offset;      // per channel
    std::vector<double> correction;  // per channel, `bins` values each
    const double* Correction(int channel) const { return correction.data() + channel * bins; }
};

// Calibration of a PRISMA read from its sectioned device file.
struct PrismaDevice {
    bool loaded = false;
    int wavelength[24] = {};    // 0..5 channels, 8..23 emissions in device order
    double offsets[6][24] = {};
    double reference[6] = {};
    double receiveBin = 0;
    int useRefs = 0;
    double depthScale = 0, depthOffset = 0;
    int order[16] = {};         // emission indexes by ascending wavelength
};

struct AcChannelState {
    AcFrame frame;
    AcDevice device;
    PrismaDevice prisma;
    // The device file was refused: nothing more is decoded on this channel in this run.
    bool refused = false;
    double firstInstrumentTime = 0;  // NXS, for the raw meter time stamps
    // Armed after a mismatch message: the channel's next mismatched frames say
    // nothing until a good frame comes (NX9: serial number; NXS: serial
    // number and wavelength count).
    bool mismatchLatch = false;
};

// What the a/c meters share across channels on purpose: the "no device file"
// message of PRISMA, once per program run.
struct AcSharedState {
    bool prismaNoDevice = false;
};

// Feeds one byte; returns the frame length when this byte completed a frame
// with a good checksum, else 0.
int AssembleAcFrame(int meterType, double time, uint8_t byte, AcFrame& frame);

struct AcBin {
    int index = 0;      // i: the bounds are bins[i - 1] and bins[i]
    double low = 0, high = 0;
    bool Correct() const { return low != high; }
};

// Bin around temperature T; no correction when there are fewer than two bins
// or T could not be computed.
AcBin FindTemperatureBin(const AcDevice& device, double temperature);

// One optical channel: signal s and reference r to m^-1, corrected for temperature.
double AcChannelValue(double signal, double reference, double pathLength, double offset,
                      const double* corrections, const double* bins, const AcBin& bin,
                      double temperature);

// Text lines of a device file, CR and LF removed, each cut to limit characters.
std::vector<std::string> ReadDeviceLines(std::FILE* file, size_t limit);

// Copies the non-empty lines to the channel's output, each followed by CR LF;
// returns their number.
int CopyDeviceLines(Run& run, int channel, const std::vector<std::string>& lines, size_t limit,
                    std::FILE* out);

// The value columns of an a/c meter file as the merge reads them from its
// copied device-file header: the first word of each line of the first block
// of lines that start with 'a' or 'c' ("a412", "c412"), in m-1.
std::vector<ColumnInfo> AcHeaderColumns(const std::vector<std::string>& lines, size_t limit);

// Reads count numbers free-format from lines[line] on (they may run over
// several lines); fields that do not read give 0. line is left on the line
// after the last one used.
void ReadFreeNumbers(const std::vector<std::string>& lines, size_t& line, int count,
                     double* values);

// Fields of a line split at any of the separators.
std::vector<std::string> SplitFields(const std::string& line, const char* separators);

// Number at the start of a field: true when it reads.
bool ReadNumber(const std::string& field, double& value);

// Writes a raw frame and the zero bytes that pad it in raw output.
void WriteRawFrame(Run& run, int channel, const AcFrame& frame, int length, int padding,
                   std::FILE* stream);

// A frame written: the last time becomes its time; the first frame also sets
// the first time and the offset time (offsetTime).
void NoteFrameTime(ChannelWriter& w, double frameTime, double offsetTime);

// The run's setup step for the a/c meters: every channel's device numbers go.
void ResetAcDevices(Run& run);

}  // namespace rix
