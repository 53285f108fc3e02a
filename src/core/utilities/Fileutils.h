// Archive-to-archive utilities: split by logger id, convert to type-2 packets.
#pragma once
#include <string>

namespace rix {

struct Context;
struct Run;

// 1 when every part was written, 0 on a reported failure: an unopenable
// archive, a read error, a failed write (no part is then left under its name).
int SplitByLoggerId(Context& ctx, const std::string& inputPath);
// The name of logger id's part: "_%1d" inserted before the extension.
std::string SplitPartName(const std::string& inputPath, int loggerId);
int ConvertToType2(Context& ctx, int dateTimeChannel, int utcOffsetHours,
                   const std::string& inputPath, const std::string& outputPath);

}  // namespace rix
