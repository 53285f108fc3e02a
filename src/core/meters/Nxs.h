// NXS hyperspectral absorption/attenuation meter.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;
struct ChannelWriter;

int ReadNxsDeviceFile(Run& run, const DeviceFileCall& call);
// One complete frame of `length` bytes in engineering output: one row.
// Returns 1 when the row was written.
int DecodeNxsFrame(Run& run, const uint8_t* frame, int length, double frameTime, int format,
                   ChannelWriter& writer, std::FILE* out);
int WriteNxs(Run& run, const WriterInput& in);
void ResetNxsState(Run& run);

}  // namespace rix
