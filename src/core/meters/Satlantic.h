// Satlantic radiometers: calibration files, frames and their writer.
//
// A Satlantic calibration file lists the fields of the instrument's frame in
// order (type, id, units, length, data type, fit type and the fit's
// calibration lines); the frame starts with the INSTRUMENT sensor's id.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;

constexpr int kSatlanticMaxSensors = 530;
constexpr int kSatlanticCalLines = 4;         // gain ranges kept per sensor
constexpr int kSatlanticCoefficients = 10;    // numbers kept per calibration line
constexpr size_t kSatlanticLineLimit = 255;   // characters read per calibration-file line
constexpr size_t kSatlanticFrameBuffer = 4096;  // largest frame a channel assembles

enum SatlanticDataType { kSatBU, kSatBS, kSatBF, kSatBD, kSatAI, kSatAF, kSatAS };

enum SatlanticFit {
    kFitNone,
    kFitOptic1,
    kFitOptic2,
    kFitPolyF,
    kFitPolyU,
    kFitPolyE,
    kFitPolyL,
    kFitCount,
    kFitTime2
};

struct SatlanticSensor {
    std::string type;
    std::string id;
    std::string units;
    unsigned length = 0;
    int dataType = kSatBU;
    unsigned calLines = 0;  // calibration lines kept (at most kSatlanticCalLines)
    int fit = kFitNone;
    float coefficients[kSatlanticCalLines][kSatlanticCoefficients] = {};
    int coefficientCount[kSatlanticCalLines] = {};
    size_t offset = 0;  // byte offset of the field in the frame
    bool active = false;
};

// One channel's calibration, partial frame and counters.
struct SatlanticChannelState {
    bool ready = false;  // a calibration file was read: frames are decoded
    std::vector<SatlanticSensor> sensors;  // as many as the file describes
    int sensorCount = 0;
    std::string header;      // frame header text (the INSTRUMENT id)
    std::vector<std::string> cells;  // the row being written: each column's text
    size_t frameLength = 0;  // bytes of one frame
    long expectedSerial = 0;
    int serialIndex = -1;
    int counterIndex = -1;
    int checksumIndex = -1;

    std::vector<uint8_t> frame;  // the frame being assembled
    size_t length = 0;
    std::vector<double> times;   // packet time of each byte until the header is complete

    long valid = 0;
    long serialMismatches = 0;
    long counterJumps = 0;
    long checksumFailures = 0;
    int lastCounter = 0;
    bool conversionReported = false;  // a fit or data-type problem was shown
};

// Reads the channel's calibration file into its writer state; 1 on success.
// On failure the channel decodes nothing for the rest of the run.
int ReadSatlanticCalFile(Run& run, const DeviceFileCall& call);

// The Satlantic writer: resynchronises on the frame header and hands every
// complete frame to DecodeSatlanticFrame. Returns the last non-zero decoder
// result of this call (0 when no frame was accepted).
int WriteSatlantic(Run& run, const WriterInput& in);

// One frame of the channel (buffer holds length bytes). Returns 1 for an
// engineering row, the bytes written for raw output, 0 when rejected.
int DecodeSatlanticFrame(Run& run, int channel, double time, int dataOutput, int format,
                         size_t length, const uint8_t* buffer, std::FILE* stream);

// End of a Satlantic channel's pass: shows the frame-counter and serial-number
// summaries, then releases the calibration and clears the counters.
void EndSatlanticExtraction(Run& run, int channel);

}  // namespace rix
