// Sea-Bird CTD hex scans and .CON calibration files (SBE16, SBE19, SBE19plus,
// SBE21, SBE25, SBE25 with re-timing): recognition, conversion and the SBE writer.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;

struct SbeChannelState {};

struct SbeSharedState {};

int ReadSbeConFile(Context& ctx, const DeviceFileCall& call);
int ReadSbe19PlusConFile(Context& ctx, const DeviceFileCall& call);
int WriteSbeRecords(Context& ctx, const WriterInput& in);
void ResetSbeRecordState(Context& ctx);

}  // namespace rix
