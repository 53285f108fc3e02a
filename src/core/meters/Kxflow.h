// Flow meter device files.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

int ReadFlowDeviceFile(Context& ctx, const DeviceFileCall& call);

}  // namespace rix
