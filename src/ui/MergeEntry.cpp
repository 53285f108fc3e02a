#include "MergeEntry.h"

#include "Context.h"
#include "merge/Files.h"

namespace rixui {

int MergeWorkingFile(rix::Context& ctx, const std::string& workingFile,
                     const std::string& mergeSetupPath, const std::string& deviceFolder,
                     const std::string& outputFolder) {
    return rix::MergeFiles(ctx, mergeSetupPath, workingFile, deviceFolder, outputFolder);
}

}  // namespace rixui
