// Raw file processing: the serial output of one meter captured straight to
// disk, fed to channel 11's writer with synthetic times.
#pragma once

namespace rix {

struct Context;
struct Run;
struct RunPaths;
class ArchiveStream;

// Uses ctx.channels and ctx.extraction. Returns 1 on success.
int ProcessRawFile(Run& run, ArchiveStream& input, const RunPaths& paths);

}  // namespace rix
