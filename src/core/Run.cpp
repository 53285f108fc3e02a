#include "Run.h"

#include "Context.h"

namespace rix {

void Run::DropOutputs() {
    // Outputs a run did not complete are removed, never left under their
    // names; the run's sinks are not owned and may be gone by now.
    ctx.sinks = RunSinks{};
    DiscardAllOutputs(*this);
    log = DebugLog{};  // closes and removes an open log
}

Run::~Run() { DropOutputs(); }

void Run::Reset() {
    DropOutputs();
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
