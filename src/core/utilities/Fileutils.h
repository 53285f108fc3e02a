// Archive-to-archive utilities: split by logger id, convert to type-2 packets.
#pragma once
#include <string>

namespace rix {

struct Context;

// 0 when the archive cannot be opened or read to its end (the parts written
// so far are removed: they would pass for the whole archive), else 1.
int SplitByLoggerId(Context& ctx, const std::string& inputPath);
// The name of logger id's part: "_%1d" inserted before the extension.
std::string SplitPartName(const std::string& inputPath, int loggerId);
int ConvertToType2(Context& ctx, int dateTimeChannel, int utcOffsetHours,
                   const std::string& inputPath, const std::string& outputPath);

}  // namespace rix
