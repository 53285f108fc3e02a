// The program-wide state of one RIX program, owned by one object and passed
// by reference: every test can build a fresh program.
#pragma once
#include <array>

#include "archive/Archive.h"
#include "extract/Channel.h"
#include "extract/Misc.h"
#include "extract/Rix.h"
#include "extract/Sample.h"
#include "merge/MergeState.h"
#include "meters/Analog.h"
#include "meters/Devfile.h"
#include "meters/Gps.h"
#include "meters/Nxx.h"
#include "meters/Sbe_hex.h"
#include "report/Reporter.h"
#include "setup/Esf.h"
#include "setup/Isf.h"

namespace rix {

// What the meter families share across channels on purpose, in one record
// reset at the start of every run; everything else a decoder keeps is its
// channel's own (ChannelWriter).
struct MeterShared {
    DeviceFileShared deviceFile;  // the field-count mismatch counter
    AnalogState analog;           // the analog conversion slots, one per channel id below 40
    SbeSharedState sbe;           // the Sea-Bird calibration in use, message latches, CTD row writer
    GpsSharedState gps;           // the column separator
    AcSharedState ac;             // PRISMA's "no device file" message, once per program
};

struct Context {
    explicit Context(Reporter& r) : tap(r), reporter(tap) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    ~Context();

    // Back to the state of a newly built context, the reporter kept: open
    // outputs and the debug log are closed, every member is as new. Cheaper
    // than building one, as the large tables are re-initialised in place, so
    // a process that runs many programs (a fuzzer) keeps one context.
    // A member added below must be reset there as well.
    void Reset();

    TapReporter tap;  // passes every message on; copies a channel pass's messages
    Reporter& reporter;

    ChannelTable channels;       // instrument setup of the run
    ExtractionSetup extraction;  // extraction setup of the run
    ReaderState reader;          // packet reader
    JulianState julian;          // Julian day table and type-2 reference
    ChannelState channelState;   // channel writers and output files
    ClockState clock;            // re-basing of logger clocks
    DebugLog log;
    std::array<bool, 256> foundSender{};
    ArchivePacket packet;        // the one packet a pass keeps in memory
    double currentTime = -1;
    std::string deviceFolder = ".";  // device files of the run
    // A failure inside a writer that must end the run (the channel pass checks it).
    bool runFailed = false;
    RunControl run;  // progress report and stop request of the current run
    RunSinks sinks;  // outputs beside the text files (NetCDF, plots)

    MeterShared shared;  // what the meter families share across channels on purpose

    MergeState merge;  // merge setup, working file, titles, corrections, oxygen
};

}  // namespace rix
