// PRISMA absorption and fluorescence meter.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;
struct ChannelWriter;

int ReadPrismaDeviceFile(Run& run, const DeviceFileCall& call);
// One complete 256-byte frame in engineering output: one row.
// Returns 1 when the row was written.
int DecodePrismaFrame(Run& run, const uint8_t* frame, double frameTime, int format,
                      ChannelWriter& writer, std::FILE* out);
int WritePrisma(Run& run, const WriterInput& in);

}  // namespace rix
