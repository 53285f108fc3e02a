// NX9 absorption/attenuation meter (NX9, NX9WREF).
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct ChannelWriter;

int ReadNx9DeviceFile(Context& ctx, const DeviceFileCall& call);
// One complete 636-byte frame in engineering output: ten rows, one per scan.
// Returns 1 when rows were written.
int DecodeNx9Frame(Context& ctx, const uint8_t* frame, double frameTime, bool reference,
                   int format, ChannelWriter& writer, std::FILE* out);
int WriteNx9(Context& ctx, const WriterInput& in);
void ResetNx9State(Context& ctx);

}  // namespace rix
