#include "Context.h"

namespace rix {

Context::~Context() {
    // Outputs a run did not complete are removed, never left under their names;
    // the run's sinks are not owned and may be gone by now.
    sinks = RunSinks{};
    DiscardAllOutputs(*this);
    log.output.reset();
    log.file = nullptr;
}

void Context::Reset() {
    // Outputs of an input that did not complete its run are removed, as when
    // a context is destroyed.
    sinks = RunSinks{};
    DiscardAllOutputs(*this);
    log = DebugLog{};  // closes and removes an open log
    tap.Attach(nullptr);
    tap.DropQueues();

    for (ChannelSetup& setup : channels) setup = ChannelSetup{};
    extraction = ExtractionSetup{};
    reader = ReaderState{};
    // Only the days set are stored: clearing is cheap.
    ClearJulianTable(julian);
    ResetType2Reference(reader);
    channelState.writers.Clear();
    channelState.outputs = OutputRegistry{};  // every output discarded above
    clock = ClockState{};
    foundSender.fill(false);
    packet = ArchivePacket{};
    currentTime = -1;
    deviceFolder.assign(1, '.');  // "." (a literal trips a false -Wrestrict in GCC 12)
    runFailed = false;
    run.progress = nullptr;
    run.stopRequested = false;
    run.stopped = false;
    run.archiveBytes = 0;
    run.passIndex = 0;
    run.passCount = 0;
    run.outcome = RunOutcome{};
    sinks = RunSinks{};

    shared = MeterShared{};
    // Copied from one kept as new: the title lists are refilled in place,
    // not rebuilt string by string.
    static const MergeState kFreshMerge;
    merge = kFreshMerge;
}

}  // namespace rix
