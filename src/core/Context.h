// What one RIX program is asked to do, owned by one object and passed by
// reference: the setup of its runs, the reporter and the record the meter
// families share. The state of a pass over an archive is its Run's (Run.h).
// Every test can build a fresh program.
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
#include "Run.h"

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

    // Back to the state of a newly built context, the reporter kept: every
    // member is as new. Cheaper than building one, as the large tables are
    // re-initialised in place, so a process that runs many programs (a
    // fuzzer) keeps one context. A member added below must be reset there as
    // well.
    void Reset();

    TapReporter tap;  // passes every message on; copies a channel pass's messages
    Reporter& reporter;

    ChannelTable channels;       // instrument setup of the run
    ExtractionSetup extraction;  // extraction setup of the run
    DebugLogSetup log;           // whether a run writes RIX.LOG, and where
    std::string deviceFolder = ".";  // device files of the run
    RunControl control;  // progress report and stop request of the current run
    RunSinks sinks;  // outputs beside the text files (NetCDF, plots)

    MeterShared shared;  // what the meter families share across channels on purpose

    MergeState merge;  // merge setup, working file, titles, corrections, oxygen
};

}  // namespace rix
