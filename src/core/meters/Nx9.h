// NX9 absorption/attenuation meter (NX9, NX9WREF).
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

int ReadNx9DeviceFile(Context& ctx, const DeviceFileCall& call);
int WriteNx9(Context& ctx, const WriterInput& in);
void ResetNx9State(Context& ctx);

}  // namespace rix
