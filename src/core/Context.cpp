#include "Context.h"

namespace rix {

Context::~Context() {
    CloseAllOutputs(*this);
    if (log.file) {
        std::fclose(log.file);
        log.file = nullptr;
    }
}

void Context::Reset() {
    CloseAllOutputs(*this);
    if (log.file) std::fclose(log.file);
    log = DebugLog{};

    for (ChannelSetup& setup : channels) setup = ChannelSetup{};
    extraction = ExtractionSetup{};
    reader = ReaderState{};
    // Every entry of the Julian table is made through the one routine that
    // lists its code in setCodes: clearing those entries clears the table,
    // without rewriting its 250 KB.
    if (julian.table.size() == static_cast<size_t>(kJulianTableSize)) {
        for (int code : julian.setCodes)
            if (code >= 0 && code < kJulianTableSize) julian.table[static_cast<size_t>(code)] = JulianEntry{};
        julian.lowestSet = kJulianTableSize;
        julian.setCodes.clear();
        julian.earliestMidnight.clear();
    } else {
        ClearJulianTable(julian);
    }
    ResetType2Reference(julian);
    channelState.writers.Clear();
    channelState.outputs = OutputRegistry{};  // every stream closed above
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

    deviceShared = DeviceFileShared{};
    analog = AnalogState{};
    sbe = SbeSharedState{};
    gps = GpsSharedState{};
    ac = AcSharedState{};
    merge = MergeState{};
}

}  // namespace rix
