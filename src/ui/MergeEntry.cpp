#include "MergeEntry.h"

#include "Context.h"
#include "merge/Files.h"

namespace rixui {

int MergeWorkingFile(rix::Context& ctx, const std::string& workingFile,
                     const std::string& mergeSetupPath, const std::string& deviceFolder,
                     const std::string& outputFolder) {
    // The merge stage reads the working file named in the channel outputs.
    ctx.channelState.outputs.mergePath = workingFile;
    return rix::MergeFiles(ctx, mergeSetupPath, deviceFolder, outputFolder);
}

}  // namespace rixui
