#include "archive/Pump.h"

#include "Context.h"
#include "extract/Misc.h"
#include "extract/Rix.h"

namespace rix {

PacketPump::PacketPump(rix::Run& run, ArchiveStream& archive, const PumpOptions& options)
    : run_(run), archive_(archive), options_(options) {
    archive_.Rewind();
    ResetPacketCounters(run_.reader);
    ResetType2Reference(run_.reader);
    run_.clock = ClockState();
}

PumpEnd PacketPump::Next(const ArchivePacket*& packet, double& time, double& readTime) {
    if (options_.honourStop && StopRequested(run_.ctx)) return PumpEnd::kStopped;
    ArchivePacket& p = run_.packet;
    const long start = archive_.Position();
    double t = 0;
    const int length = ReadPacket(run_, t, p, archive_, options_.showHeaders);
    // The days of the type-2 headers read, the packet's own among them.
    for (const PacketDay& d : run_.reader.days)
        EnterPacketDay(run_.julian, d.yearDay, d.msSinceMidnight, d.relativeTime);
    if (length == 0) {
        skippedAtEnd_ = archive_.Position() - start;
        if (options_.log) LogLine(run_, "Bad Msg...Probably EOF, Skipped %ld Bytes", skippedAtEnd_);
        return archive_.Failed() ? PumpEnd::kFault : PumpEnd::kEnd;
    }
    readTime = t;
    if (options_.log) LogLine(run_, "Time %1.0lf", t);
    if (options_.retime) {
        ReviseTime(run_, t, options_.clockSource, options_.format, p.sender);
        if (options_.log) LogLine(run_, "Revised Time %1.0lf mod %d", t, p.sequence);
    }
    run_.foundSender[p.sender] = true;
    time = t;
    packet = &p;
    return PumpEnd::kVisitor;
}

}  // namespace rix
