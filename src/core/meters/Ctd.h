// CTD rows (pressure, temperature, conductivity, salinity, voltages) and the
// SBE19 frequency-reference pre-pass.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;
class ArchiveStream;
struct RunPaths;

// The CTD row writer's run state (kept in the Sea-Bird shared state).
struct CtdWriterState {
    char separator = '\t';
    int voltageMeterType = 0;     // whose voltage titles the header uses
    bool noStreamReported = false;  // "output file is not Open" shown in this run
};

// One CTD row's values.
struct CtdRow {
    double time = -1;  // ms
    double pressure = 0;
    double temperature = 0;
    double conductivity = 0;
    double salinity = 0;
    double temperature2 = 99;  // 99 or more: none
    int voltageCount = 0;
    const float* volts = nullptr;
};

// Header (while pending) and one row. 1 when a row was written. Without a
// stream the run fails (ctx.runFailed) with one message.
int WriteCtdRow(Run& run, std::FILE* stream, int channel, int& headerPending, int format,
                const CtdRow& row);
void SetCtdSeparator(Context& ctx, char separator);
void SetCtdVoltageMeterType(Context& ctx, int meterType);

// Reads the archive until the SBE19 on the channel has given its frequency
// references and a first converted scan (or the end, or a packet past to).
int RunSbe19Prepass(Run& run, int channel, ArchiveStream& archive, int clockSource,
                    int format, double to);
// The driver's CTD step, once the channels are set up: the SBE19 pre-pass
// with the CTD channel's own .CON.
int RunCtdPrepass(Run& run, ArchiveStream& archive, const RunPaths& paths, double from, double to);

}  // namespace rix
