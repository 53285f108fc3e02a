// Sea-Bird CTD hex scans and .CON calibration files (SBE16, SBE19, SBE19plus,
// SBE21, SBE25, SBE25 with re-timing): recognition, conversion and the SBE writer.
#pragma once
#include <cstdint>
#include <cstdio>

#include <vector>

#include "extract/Sample.h"
#include "extract/WriterInput.h"
#include "meters/Ctd.h"

namespace rix {

struct Context;
struct Run;
struct ChannelWriter;

constexpr int kSbeMaxVoltages = 8;

enum class SbeVoltageKind { Spare, SpareA, Transmissometer, Fluorometer, Code86, Code74, Code6 };

// The calibration of the last .CON read; every SBE channel uses it.
struct SbeCalibration {
    int instrumentCode = 0;  // 137 SBE19/SBE21 headers, 139 SBE25, 140 SBE21 scans, 2501 SBE19plus
    int voltageCount = 0;
    SbeVoltageKind kinds[kSbeMaxVoltages] = {};
    float sampleInterval = 0;  // seconds
    long conductivitySerial = 0;
    long temperatureSerial = 0;
    long temperature2Serial = 0;
    long furtherSerial = 0;
    bool correction = false;  // line 1: "w" after the conductivity serial number
    long double r1 = 0, r2 = 0;
    double f0 = 0, g = 0, h = 0, i = 0, j = 0;       // temperature (line 111)
    bool hasTemperature2 = false;                     // line 9 named a second sensor
    double f0b = 0, gb = 0, hb = 0, ib = 0, jb = 0;  // second temperature (line 113)
    long double c[6] = {};                            // conductivity c1..c6 (line 110)
    double q[4] = {};                                 // strain-gauge pressure q1..q4 (line 13)
    double t[4] = {};                                 // SBE19plus thermistor t1..t4 (line 185)
    double k[12] = {};                                // SBE19plus pressure k1..k12 (lines 189, 190)
    int transmissometerValue = 0;                     // line 114
    double m[4] = {};                                 // transmissometer m1..m4 (line 115)
    int fluorometerSerial = 0;                        // line 117
    double w1 = 0, w2 = 0;                            // fluorometer (line 119)
    int spareAValue = 0;                              // line 199
    double spareA[2] = {};                            // line 201
};

// SBE19 frequency references, taken from the reference lines of the data.
struct Sbe19References {
    double r1 = 0, r2 = 0;
    bool r1Set = false, r2Set = false;
    double multiplier = 2900;  // conductivity: 2900 after a 05 line, 303 after 08
    int mismatch[3] = {};      // per voltage layout 0, 2, 4
};

// One converted scan.
struct SbeScan {
    double temperature = 0;   // deg C, ITS-90
    double conductivity = 0;  // S/m
    double pressure = 0;      // decibar
    double salinity = 0;      // PSS-78
    double temperature2 = 99;  // 99 or more: no second temperature
    int voltageCount = 0;
    float volts[kSbeMaxVoltages] = {};
};

// One line's raw fields, as frequencies, counts and volts.
struct SbeRawScan {
    double temperatureFrequency = 0;  // SBE19plus: temperature counts
    double conductivityFrequency = 0;
    double pressureCounts = 0;        // signed
    double pressureTemperature = 0;   // SBE19plus: volts
    double temperature2Frequency = 0;
    int voltageCount = 0;
    double volts[kSbeMaxVoltages] = {};
};

// Per channel: the calibration of the channel's own .CON and the SBE19
// references of its own data, kept here while another channel's data are
// decoded; and the SBE25M re-timing of scans that share a packet time.
struct SbeChannelState {
    SbeCalibration cal;
    Sbe19References refs;
    double retimeBase = -1;  // time of the first line of the current packet time
    int repeats = 0;
};

// The decoders work on the calibration and references in use: those of the
// channel selected with SelectSbeChannel, whose data are being decoded.
// Shared across channels on purpose: the message latches (armed: the next
// problem shows; re-armed at the start of every run) and the CTD row writer.
struct SbeSharedState {
    SbeCalibration cal;   // in use: the selected channel's
    Sbe19References refs;  // in use: the selected channel's
    int selectedChannel = 0;  // 0: none (a decoder called on its own)
    bool codeLatch = true;
    bool voltageLatch = true;
    CtdWriterState ctd;
};

// Puts the selected channel's calibration and references back in its own
// record and takes up those of the channel given: a channel decodes with its
// own .CON whatever was read or decoded before it.
void SelectSbeChannel(Run& run, int channel);

// The instrument code a model's scans need in its .CON (0: none is checked)
// and the model's name in ".CON file is not selected as <model>".
int SbeRequiredCode(int meterType, const char** model = nullptr);
// True when the .CON last read is for another model than the meter type's:
// its scans are not decoded.
bool SbeConIsForAnotherModel(const Context& ctx, int meterType);

int ReadSbeConFile(Run& run, const DeviceFileCall& call);
int ReadSbe19PlusConFile(Run& run, const DeviceFileCall& call);

// Result 3: a converted scan; 1 or 2: an SBE19 reference line was taken; 0:
// nothing to write. recognised (optional) tells whether the line is a scan or
// reference line of the model at all, which is what raw output writes.
int ConvertSbeScan(Context& ctx, int meterType, const char* line, int length, SbeScan& scan,
                   bool* recognised = nullptr);
// Header of a hex (raw) output file; 1 when written.
int WriteSbeHexHeader(Run& run, int meterType, std::FILE* stream, int channel = 0);
// The lines of that header.
int SbeHexHeaderLines(int meterType);
// One title column per external voltage; returns the columns added.
int SbeVoltageTitles(Context& ctx, int meterType, std::vector<ColumnInfo>& columns);
void ResetSbe19References(Context& ctx);

int WriteSbeRecords(Run& run, const WriterInput& in);
void ResetSbeRecordState(Context& ctx);

// The SBE line assembler without output: every complete line of the port's
// bytes goes to the SBE19 parser. Returns 1 once a scan has converted
// (the pre-pass stops there).
int FeedSbe19Prepass(Context& ctx, ChannelWriter& w, double time, int count, const uint8_t* bytes);

}  // namespace rix
