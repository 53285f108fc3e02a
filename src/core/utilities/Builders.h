// Archive builders: IOP files and GOMOOS files turned into logger archives.
#pragma once
#include <string>

namespace rix {

struct Context;

// 1 on completion, 0 when a file cannot be opened.
int BuildFromIop(Context& ctx, const std::string& inputPath, const std::string& outputPath);
int BuildFromGomoos(Context& ctx, const std::string& inputPath, const std::string& outputPath);

}  // namespace rix
