// Reading written archives back, for the tests of the archive utilities.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "archive/Archive.h"
#include "extract/Misc.h"

namespace utiltest {

struct ReadBack {
    double time = 0;
    int type = 0;
    int sender = 0;
    int sequence = 0;
    std::string ports[rix::kPorts];
};

// Every packet the reader delivers from the file, with its ports' bytes.
inline std::vector<ReadBack> ReadArchive(rix::Context& ctx, const std::string& path) {
    rix::Run run(ctx);
    std::vector<ReadBack> out;
    rix::ArchiveStream stream;
    if (!stream.Open(path)) return out;
    rix::ResetType2Reference(run.reader);
    auto packet = std::make_unique<rix::ArchivePacket>();
    double time = 0;
    while (rix::ReadPacket(run, time, *packet, stream, false) > 0) {
        ReadBack r;
        r.time = time;
        r.type = packet->type;
        r.sender = packet->sender;
        r.sequence = packet->sequence;
        int offset = 0;
        for (int p = 0; p < rix::kPorts; ++p) {
            r.ports[p].assign(reinterpret_cast<const char*>(packet->payload) + offset,
                              static_cast<size_t>(packet->counts[p]));
            offset += packet->counts[p];
        }
        out.push_back(r);
    }
    return out;
}

// The calendar fields of type-2 packets as they stand on disk.
struct Type2Header {
    int sender = 0;
    int sequence = 0;
    int32_t msOfDay = 0;
    int16_t yearDay = 0;
    int total = 0;
};

inline std::vector<Type2Header> RawType2Headers(const std::string& bytes) {
    std::vector<Type2Header> out;
    size_t pos = 0;
    auto u = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    while (pos + 32 <= bytes.size() && u(pos + 1) == 2) {
        Type2Header h;
        h.sender = u(pos + 2);
        h.sequence = u(pos + 3);
        h.msOfDay = static_cast<int32_t>(u(pos + 4) | (u(pos + 5) << 8) | (u(pos + 6) << 16) |
                                         (static_cast<uint32_t>(u(pos + 7)) << 24));
        h.yearDay = static_cast<int16_t>(u(pos + 8) | (u(pos + 9) << 8));
        h.total = static_cast<int16_t>(u(pos + 10) | (u(pos + 11) << 8));
        out.push_back(h);
        pos += 32 + static_cast<size_t>(h.total) + 4;
    }
    return out;
}

// One packet in the archive layout, ports given as text.
inline void AddPacket(std::vector<uint8_t>& out, rix::PacketWriter& writer, uint8_t type,
                      uint8_t sender, uint32_t time, const std::vector<std::string>& ports) {
    rix::PacketFields fields;
    fields.type = type;
    fields.sender = sender;
    fields.time = time;
    std::string payload;
    for (size_t p = 0; p < ports.size() && p < rix::kPorts; ++p) {
        fields.counts[p] = static_cast<int16_t>(ports[p].size());
        payload += ports[p];
    }
    writer.Append(out, fields, reinterpret_cast<const uint8_t*>(payload.data()));
}

}  // namespace utiltest
