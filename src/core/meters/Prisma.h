// PRISMA meter.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

int ReadPrismaDeviceFile(Context& ctx, const DeviceFileCall& call);
int WritePrisma(Context& ctx, const WriterInput& in);

}  // namespace rix
