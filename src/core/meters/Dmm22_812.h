// DMM 22-812 multimeter.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

struct DmmChannelState {};

int WriteDmm(Context& ctx, const WriterInput& in);

}  // namespace rix
