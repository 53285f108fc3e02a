#include "Run.h"

#include "Context.h"

namespace rix {

Run::~Run() {
    // Outputs a run did not complete are removed, never left under their
    // names; the run's sinks are not owned and may be gone by now.
    ctx.sinks = RunSinks{};
    DiscardAllOutputs(*this);
    log.output.reset();
    log.file = nullptr;
}

void Run::Reset() {
    ctx.sinks = RunSinks{};
    DiscardAllOutputs(*this);
    log = DebugLog{};  // closes and removes an open log
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
    runFailed = false;
}

}  // namespace rix
