// HOBI Labs device files (ABETA, CBETA, HYDROSCAT6).
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

int ReadHobiDeviceFile(Context& ctx, const DeviceFileCall& call);

}  // namespace rix
