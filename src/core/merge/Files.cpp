#include "merge/Files.h"

#include "Context.h"

namespace rix {

int MergeFiles(Context& ctx, const std::string&, const std::string&, const std::string&) {
    // The merge engine is not part of this build yet: say so rather than
    // pretend that merged files were written.
    ctx.reporter.ShowError("Merge Error", "Merging of extracted files is not available in this version");
    return 0;
}

}  // namespace rix
