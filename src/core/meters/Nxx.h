// Frame assembly shared by the absorption/attenuation meters (NX9, NXS, PRISMA).
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

struct AcChannelState {};

struct AcSharedState {};


}  // namespace rix
