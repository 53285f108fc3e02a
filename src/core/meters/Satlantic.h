// Satlantic radiometers: calibration files, frames and their writer.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

struct SatlanticChannelState {};

int ReadSatlanticCalFile(Context& ctx, const DeviceFileCall& call);
int WriteSatlantic(Context& ctx, const WriterInput& in);
void EndSatlanticExtraction(Context& ctx, int channel);

}  // namespace rix
