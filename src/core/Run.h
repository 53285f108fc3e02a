// The state of one pass over an archive: the packet reader, the day table,
// the clock re-basing, the channel writers and their files, the debug log.
// The extraction (and `rix check`, `rix info`, the utilities) builds one for
// its pass and hands it to the packet pump, the decoders and the sinks; it
// ends with the pass, so nothing of one run reaches the next. The Context it
// refers to holds what the run was asked to do: the setup, the reporter and
// the record the meter families share.
#pragma once
#include <array>

#include "archive/Archive.h"
#include "extract/Channel.h"
#include "extract/Misc.h"
#include "extract/Rix.h"

namespace rix {

struct Context;

struct Run {
    explicit Run(Context& context) : ctx(context) {}
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    // Outputs the run did not complete are removed, never left under their
    // names; an open debug log is closed.
    ~Run();

    // Back to the state of a newly built run over the same context: outputs
    // not completed are removed, the tables re-initialised in place (a
    // fuzzer keeps one run). A member added below must be reset there too.
    void Reset();

    Context& ctx;                // setup, reporter and shared record of the run
    ReaderState reader;          // packet reader
    JulianState julian;          // Julian day table and type-2 reference
    ChannelState channelState;   // channel writers and output files
    ClockState clock;            // re-basing of logger clocks
    DebugLog log;                // RIX.LOG while it is open
    std::array<bool, 256> foundSender{};
    ArchivePacket packet;        // the one packet a pass keeps in memory
    double currentTime = -1;
    // A failure inside a writer that must end the run (the read checks it).
    bool runFailed = false;

private:
    void DropOutputs();
};

}  // namespace rix
