// CTD rows (pressure, temperature, conductivity, salinity, voltages) and the
// SBE19 frequency-reference pre-pass.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
class ArchiveStream;
struct RunPaths;

void SetCtdSeparator(Context& ctx, char separator);
int RunCtdPrepass(Context& ctx, ArchiveStream& archive, const RunPaths& paths, double from, double to);

}  // namespace rix
