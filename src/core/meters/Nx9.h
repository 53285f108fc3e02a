// NX9 absorption/attenuation meter (NX9, NX9WREF).
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct Run;
struct ChannelWriter;

int ReadNx9DeviceFile(Run& run, const DeviceFileCall& call);
// One complete 636-byte frame in engineering output: ten rows, one per scan.
// Returns 1 when rows were written.
int DecodeNx9Frame(Run& run, const uint8_t* frame, double frameTime, bool reference,
                   int format, ChannelWriter& writer, std::FILE* out);
int WriteNx9(Run& run, const WriterInput& in);
void ResetNx9State(Run& run);

}  // namespace rix
