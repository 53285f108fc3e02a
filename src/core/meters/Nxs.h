// NXS hyperspectral absorption/attenuation meter.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct ChannelWriter;

int ReadNxsDeviceFile(Context& ctx, const DeviceFileCall& call);
// One complete frame of `length` bytes in engineering output: one row.
// Returns 1 when the row was written.
int DecodeNxsFrame(Context& ctx, const uint8_t* frame, int length, double frameTime, int format,
                   ChannelWriter& writer, std::FILE* out);
int WriteNxs(Context& ctx, const WriterInput& in);
void ResetNxsState(Context& ctx);

}  // namespace rix
