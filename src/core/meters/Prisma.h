// PRISMA absorption and fluorescence meter.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct ChannelWriter;

int ReadPrismaDeviceFile(Context& ctx, const DeviceFileCall& call);
// One complete 256-byte frame in engineering output: one row.
// Returns 1 when the row was written.
int DecodePrismaFrame(Context& ctx, const uint8_t* frame, double frameTime, int format,
                      ChannelWriter& writer, std::FILE* out);
int WritePrisma(Context& ctx, const WriterInput& in);

}  // namespace rix
