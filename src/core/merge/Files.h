// The merge stage: pairwise merging of extracted files.
#pragma once
#include <string>

namespace rix {

struct Context;

// Merges the files of the run's merge working file as the merge setup says.
// Returns 1 on success.
int MergeFiles(Context& ctx, const std::string& mergeSetupPath, const std::string& deviceFolder,
               const std::string& outputFolder);

}  // namespace rix
