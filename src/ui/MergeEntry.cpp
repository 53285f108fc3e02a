#include "MergeEntry.h"

#include "Context.h"
#include "extract/NetcdfRun.h"
#include "merge/Files.h"
#include "merge/MergeNetcdf.h"

namespace rixui {

int MergeWorkingFile(rix::Context& ctx, const std::string& workingFile,
                     const std::string& mergeSetupPath, const std::string& deviceFolder,
                     const std::string& outputFolder, bool netcdf) {
    int ok = rix::MergeFiles(ctx, mergeSetupPath, workingFile, deviceFolder, outputFolder);
    if (ok && netcdf) {
        const rix::NetcdfFileInfo info =
            rix::MergeFileInfo(mergeSetupPath, workingFile, "rix-gui", "rix-gui Merge " + workingFile);
        // A merge on its own does not know the year of day-of-year keys.
        if (!rix::WriteMergedNetcdf(ctx, outputFolder, info, 0)) ok = 0;
    }
    return ok;
}

}  // namespace rixui
