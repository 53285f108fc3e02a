// The program-wide state of one RIX program, owned by one object and passed
// by reference: every test can build a fresh program.
#pragma once
#include <array>

#include "archive/Archive.h"
#include "extract/Channel.h"
#include "extract/Misc.h"
#include "extract/Rix.h"
#include "report/Reporter.h"
#include "setup/Esf.h"
#include "setup/Isf.h"

namespace rix {

struct Context {
    explicit Context(Reporter& r) : reporter(r) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    ~Context();

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
};

}  // namespace rix
