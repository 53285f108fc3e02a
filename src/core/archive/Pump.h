// The one packet loop of the program: reads an archive's packets from its
// start, re-times each against the clock logger and hands it on. The
// extraction, its pre-passes, `rix check` and `rix info` all read through it.
#pragma once
#include <cstdint>

#include "archive/Archive.h"

namespace rix {

struct Run;

struct PumpOptions {
    int clockSource = 0;   // logger whose clock times the others (0: the first heard)
    int format = 0;        // time-stamp format: the elapsed formats count from the first packet
    bool retime = true;    // false: the times as the packets store them
    bool showHeaders = false;
    bool log = false;        // the debug log's lines of every packet
    bool honourStop = true;  // a stop request ends the pumping
};

// One packet as the pump hands it on.
struct PumpedPacket {
    const ArchivePacket& packet;
    double time;      // revised time, ms (-1 until the clock logger has been heard)
    double readTime;  // the time as stored, ms
};

enum class PumpEnd {
    kEnd,      // the end of the archive (or the last packet that could be read)
    kFault,    // a read fault or a change of size (reported)
    kStopped,  // a stop request
    kVisitor,  // the visitor asked to stop
};

// The bytes of one port of a packet; 0 when the port received none.
inline int PortBytes(const ArchivePacket& packet, int port, const uint8_t*& bytes) {
    bytes = nullptr;
    if (port < 0 || port >= kPorts) return 0;
    int offset = 0;
    for (int p = 0; p < port; ++p) offset += packet.counts[p];
    const int count = packet.counts[port];
    if (count <= 0) return 0;
    bytes = packet.payload + offset;
    return count;
}

class PacketPump {
public:
    // Rewinds the archive and starts the pass afresh: packet counters, the
    // clock re-basing and the type-2 time reference, so every pass over an
    // archive gives the same times.
    PacketPump(rix::Run& run, ArchiveStream& archive, const PumpOptions& options);

    // Reads packets to the end, handing each to visit(const PumpedPacket&),
    // which returns false to end the pumping.
    template <class Visit>
    PumpEnd Run(Visit&& visit) {
        const ArchivePacket* packet = nullptr;
        double time = 0, readTime = 0;
        for (;;) {
            const PumpEnd end = Next(packet, time, readTime);
            if (end != PumpEnd::kVisitor) return end;
            if (!visit(PumpedPacket{*packet, time, readTime})) return PumpEnd::kVisitor;
        }
    }

    // Bytes skipped by the last read that found no packet (the end's garbage).
    long SkippedAtEnd() const { return skippedAtEnd_; }

private:
    // kVisitor: a packet was read; anything else ends the pumping.
    PumpEnd Next(const ArchivePacket*& packet, double& time, double& readTime);
    rix::Run& run_;
    ArchiveStream& archive_;
    PumpOptions options_;
    long skippedAtEnd_ = 0;
};

}  // namespace rix
