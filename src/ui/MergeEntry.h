// The one place the windows call the merge stage for a previously extracted
// file: the working file (*_MRG*) that lists an extraction's output files.
#pragma once
#include <string>

namespace rix {
struct Context;
}

namespace rixui {

// 1 when the merge ran to its end (and with netcdf, BASE_pair.nc was written).
int MergeWorkingFile(rix::Context& ctx, const std::string& workingFile,
                     const std::string& mergeSetupPath, const std::string& deviceFolder,
                     const std::string& outputFolder, bool netcdf = false);

}  // namespace rixui
