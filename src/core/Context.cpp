#include "Context.h"

namespace rix {

Context::~Context() = default;

void Context::Reset() {
    log = DebugLogSetup{};
    tap.Attach(nullptr);
    tap.DropQueues();

    for (ChannelSetup& setup : channels) setup = ChannelSetup{};
    extraction = ExtractionSetup{};
    deviceFolder.assign(1, '.');  // "." (a literal trips a false -Wrestrict in GCC 12)
    control.progress = nullptr;
    control.stopRequested = false;
    control.stopped = false;
    control.archiveBytes = 0;
    control.passIndex = 0;
    control.passCount = 0;
    control.outcome = RunOutcome{};
    sinks = RunSinks{};

    shared = MeterShared{};
    // Copied from one kept as new: the title lists are refilled in place,
    // not rebuilt string by string.
    static const MergeState kFreshMerge;
    merge = kFreshMerge;
}

}  // namespace rix
