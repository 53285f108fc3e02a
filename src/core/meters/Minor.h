// Thermometer bath, SBE32 carousel and XMF writers.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

struct MinorChannelState {};

int WriteThermoBath(Context& ctx, const WriterInput& in);
int WriteSbe32(Context& ctx, const WriterInput& in);
int WriteXmf(Context& ctx, const WriterInput& in);

}  // namespace rix
