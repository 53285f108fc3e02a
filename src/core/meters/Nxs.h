// NXS hyperspectral absorption/attenuation meter.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

int ReadNxsDeviceFile(Context& ctx, const DeviceFileCall& call);
int WriteNxs(Context& ctx, const WriterInput& in);
void ResetNxsState(Context& ctx);

}  // namespace rix
