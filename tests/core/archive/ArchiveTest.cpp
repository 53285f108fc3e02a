#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "archive/Pump.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Got {
    int length;
    double time;
    rix::ArchivePacket packet;
};

// One archive on disk, a fresh program around it.
class Archive : public ::testing::Test {
protected:
    rixtest::TempDir dir;
    rix::RecordingReporter reporter;
    rix::Context ctx{reporter};
    rix::Run run{ctx};
    rix::ArchiveStream stream;

    void Open(const Bytes& bytes) {
        stream.Close();
        rixtest::WriteBytes(dir.file("a.dat"), bytes);
        ASSERT_TRUE(stream.Open(dir.file("a.dat")));
    }
    // Every packet up to the end; bounded, so a hanging reader fails.
    std::vector<Got> ReadAll(bool show = false) {
        std::vector<Got> all;
        for (int guard = 0; guard < 100000; ++guard) {
            Got g{};
            g.length = rix::ReadPacket(run, g.time, g.packet, stream, show);
            if (g.length == 0) return all;
            all.push_back(g);
        }
        ADD_FAILURE() << "reader did not reach the end";
        return all;
    }
    std::vector<int> Sequences(const Bytes& bytes) {
        Open(bytes);
        std::vector<int> s;
        for (const auto& g : ReadAll()) s.push_back(g.packet.sequence);
        return s;
    }
};

rix::PacketFields PacketOf(uint8_t sequence, uint32_t time, std::initializer_list<int16_t> counts,
                     uint8_t sender = 1, uint8_t type = 0) {
    rix::PacketFields s;
    s.type = type;
    s.sender = sender;
    s.sequence = sequence;
    s.time = time;
    std::copy(counts.begin(), counts.end(), s.counts);
    return s;
}

rix::PacketFields Type2(uint8_t sequence, int16_t yearDay, int32_t msOfDay) {
    rix::PacketFields s = PacketOf(sequence, 0, {2}, 1, 2);
    s.yearDay = yearDay;
    s.msOfDay = msOfDay;
    return s;
}

void Add(Bytes& out, const rix::PacketFields& s, const char* payload = nullptr) {
    rix::AppendPacket(out, s, reinterpret_cast<const uint8_t*>(payload));
}

// Type-0 packets with sequences 1, 2, 3 (35, 34 and 33 bytes) behind a prefix.
Bytes ThreePackets(const Bytes& prefix = {}) {
    Bytes b = prefix;
    Add(b, PacketOf(1, 100, {3}), "abc");
    Add(b, PacketOf(2, 200, {0, 2}), "de");
    Add(b, PacketOf(3, 300, {1}), "f");
    return b;
}

void Patch16(Bytes& b, size_t offset, int v) {
    b[offset] = static_cast<uint8_t>(v & 0xff);
    b[offset + 1] = static_cast<uint8_t>((v >> 8) & 0xff);
}

using Seqs = std::vector<int>;
constexpr double kDay = 86400000;

TEST_F(Archive, StreamReadsAcrossRefillsAndTellsTheEnd) {
    Bytes big((1u << 20) + 10);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
    Open(big);
    Bytes got(big.size());
    ASSERT_EQ(stream.Read(got.data(), 5), 5u);
    ASSERT_EQ(stream.Read(got.data() + 5, big.size() - 5), big.size() - 5);
    EXPECT_EQ(got, big);
    // Reading exactly to the end, or looking ahead, is no end yet.
    EXPECT_TRUE(stream.AtEnd() && !stream.EofSeen());
    EXPECT_EQ(stream.ReadByte(), -1);
    EXPECT_TRUE(stream.EofSeen() && stream.Position() == static_cast<long>(big.size()));
    stream.Rewind();
    EXPECT_TRUE(!stream.EofSeen() && stream.ReadByte() == big[0]);
}

TEST(ArchiveWriter, LaysOutType2AndNumbersPackets) {
    Bytes b;
    rix::PacketFields s = Type2(7, 5123, 0x01020304);
    s.counts[0] = 0;
    s.counts[3] = 2;
    Add(b, s, "xy");
    EXPECT_EQ(b, (Bytes{1, 2, 1, 7, 4, 3, 2, 1, 0x03, 0x14, 2, 0, 0, 0, 0, 0, 0, 0, 0,
                        0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'x', 'y', '#', '#', '#', '#'}));
    rix::PacketWriter w;
    w.sequence = 255;
    b.clear();
    w.Append(b, PacketOf(0, 0, {}), nullptr);
    w.Append(b, PacketOf(0, 0, {}), nullptr);
    EXPECT_EQ(b[3], 255);
    EXPECT_EQ(b[32 + 3], 0);
}

TEST_F(Archive, ReadsPacketsAndBothClockKinds) {
    Bytes b;
    Add(b, PacketOf(1, 0xFFFFFFF0u, {2, 0, 3}), "ab123");            // type 0: unsigned ms
    Add(b, PacketOf(2, static_cast<uint32_t>(-25), {}, 1, 1));        // type 1: signed 10 ms units
    Add(b, PacketOf(3, 7, {0, 0, 0, 0, 0, 0, 0, 0, 1}, 2, 1), "Q");  // ends the file exactly
    Open(b);
    Got g{};
    ASSERT_EQ(rix::ReadPacket(run, g.time, g.packet, stream, false), 37);
    EXPECT_EQ(stream.Position(), 37);  // read from offset 0, nothing skipped
    EXPECT_EQ(g.time, 4294967280.0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(g.packet.payload), 9), "ab123####");
    auto rest = ReadAll();
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].length, 32);  // total 0: delivered, with its time only
    EXPECT_EQ(rest[0].time, -250.0);
    EXPECT_EQ(rest[1].time, 70.0);
    EXPECT_EQ(rest[1].packet.payload[0], 'Q');
    EXPECT_EQ(rix::ReadPacket(run, g.time, g.packet, stream, false), 0);
}

TEST_F(Archive, ResynchronisesBehindTheNextTrailer) {
    for (const char* nothing : {"", "###", "####", "############"})
        EXPECT_TRUE(Sequences(rixtest::Bytes(nothing)).empty()) << nothing;
    // The failed header takes the junk and the first packet's first byte; the
    // scan ends on that packet's own trailer, and reading resumes behind it.
    EXPECT_EQ(Sequences(ThreePackets({0x00, 0x41, 0x42})), (Seqs{2, 3}));
    // Bytes the failed header consumed are not scanned again.
    EXPECT_EQ(Sequences(ThreePackets(rixtest::Bytes("xxxx####"))), (Seqs{1, 2, 3}));
    EXPECT_EQ(Sequences(ThreePackets(rixtest::Bytes("xx####"))), (Seqs{2, 3}));

    ctx.log.enabled = true;
    ctx.log.path = dir.file("RIX.LOG");
    EXPECT_EQ(Sequences(ThreePackets({0x00, 0x41, 0x42})), (Seqs{2, 3}));
    rix::LogEnd(run);
    EXPECT_EQ(rixtest::ReadFile(dir.file("RIX.LOG")),
              "Bad Header\r\nSkipped 38 bytes\r\nBad Header\r\nSkipped 0 bytes\r\nEnd Of Archive\r\n");
}

TEST_F(Archive, EveryHeaderCheckSkipsTheDamagedPacket) {
    struct Damage {
        const char* what;
        size_t offset;
        Bytes bytes;
    };
    for (const Damage& d : std::vector<Damage>{
             {"destination", 0, {2}}, {"type 3", 1, {3}}, {"sender 0", 2, {0}}, {"sender 5", 2, {5}},
             {"total 2401", 4, {0x61, 0x09}}, {"total -1", 4, {0xff, 0xff}},
             {"counts below total", 4, {4, 0}}, {"counts above total", 4, {2, 0}},
             {"count 2401", 10, {0x61, 0x09}}, {"count -1", 12, {0xff, 0xff}}}) {
        Bytes b = ThreePackets();
        std::copy(d.bytes.begin(), d.bytes.end(), b.begin() + static_cast<long>(d.offset));
        EXPECT_EQ(Sequences(b), (Seqs{2, 3})) << d.what;
    }
    // The largest packet there is, then the same with counts that would
    // overflow the payload area (each within range, their sum far beyond).
    Bytes full(2400, 'p');
    full.push_back(0);
    Bytes b;
    Add(b, PacketOf(1, 0, {2400}), reinterpret_cast<const char*>(full.data()));
    const Bytes three = ThreePackets();
    b.insert(b.end(), three.begin() + 35, three.end());
    Open(b);
    auto got = ReadAll();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].length, 2432);
    EXPECT_EQ(std::memcmp(got[0].packet.payload + 2399, "p####", 5), 0);
    for (int p = 1; p < 9; ++p) Patch16(b, 10 + 2 * p, 2400);
    EXPECT_EQ(Sequences(b), (Seqs{2, 3}));
}

TEST_F(Archive, TruncatedLastPacketEndsTheReading) {
    const Bytes whole = ThreePackets();  // the last packet is 33 bytes
    for (long keep : {2, 7, 20, 28, 29, 32}) {
        EXPECT_EQ(Sequences(Bytes(whole.begin(), whole.end() - 33 + keep)), (Seqs{1, 2})) << keep;
        EXPECT_TRUE(stream.EofSeen());
    }
}

TEST_F(Archive, Type2TimesRunOnAcrossDayAndYear) {
    Bytes b;
    Add(b, Type2(1, 4365, 1000), "r0");  // reference: year 4 (leap), day 365
    Add(b, Type2(2, 4366, 1009), "r1");  // next day; 9 ms truncated away
    Add(b, Type2(3, 5001, 0), "r2");     // new year: 366 days added
    Add(b, Type2(4, 4366, 0), "r3");     // the offset stays, whatever the year
    Add(b, Type2(5, 4365, 995), "r4");   // 366 days - 5 ms: down to 10 ms
    Add(b, Type2(6, 4365, 86400000), "r5");
    Open(b);
    auto got = ReadAll();
    ASSERT_EQ(got.size(), 6u);
    const double want[] = {0, kDay, 2 * kDay - 1000, 367 * kDay - 1000, 366 * kDay - 10, 367 * kDay - 1000};
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].time, want[i]) << i;
        EXPECT_EQ(got[i].packet.type, 1);
        // The 32-bit field holds the 10 ms count modulo 2^32 (more than 248
        // days overflow it); the delivered time does not wrap.
        EXPECT_EQ(got[i].packet.time, static_cast<uint32_t>(static_cast<int64_t>(want[i] / 10)));
    }
    // The image of a converted packet is the type-1 packet it stands for.
    Bytes image(rix::kMaxPayload + 32), typeOne;
    image.resize(rix::PacketImage(got[1].packet, image.data()));
    Add(typeOne, PacketOf(2, 8640000, {2}, 1, 1), "r1");
    EXPECT_EQ(image, typeOne);

    // A reference in a common year adds 365 days; -15 ms truncates to -10.
    rix::Context freshContext(reporter);
    rix::Run fresh(freshContext);
    b.clear();
    Add(b, Type2(1, 5365, 15));
    Add(b, Type2(2, 5365, 0));
    Add(b, Type2(3, 6001, 15));
    Open(b);
    for (double t : {0.0, -10.0, kDay}) {
        Got g{};
        ASSERT_GT(rix::ReadPacket(fresh, g.time, g.packet, stream, false), 0);
        EXPECT_EQ(g.time, t);
    }
}

TEST_F(Archive, Type2CalendarChecksAndTheReferenceOfAFailedHeader) {
    Bytes b;
    // Calendar fields out of range fail before anything is converted.
    for (auto [code, ms] : {std::pair<int16_t, int32_t>{6010, 86400001}, {6010, -1}, {6000, 0},
                            {8367, 0}, {-5001, 0}})
        Add(b, Type2(1, code, ms), "no");
    // Calendar fields that pass, then a bad total: the conversion has already
    // fixed the reference and entered the day.
    Add(b, Type2(2, 7010, 500), "xx");
    Patch16(b, b.size() - 38 + 10, 2401);
    Add(b, Type2(3, 7010, 2500), "ok");
    Add(b, Type2(4, 11001, 0), "yy");  // beyond the day table: timed, not entered
    Open(b);
    auto got = ReadAll();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].time, 2000.0);
    EXPECT_EQ(got[1].time, 356 * kDay - 500);  // 1 - 10 days + 365 (year 7 is common)
    // The reader only hands the days on; the pump enters them, the failed
    // header's day among them.
    EXPECT_FALSE(run.julian.table[7010].set);
    rix::PumpOptions options;
    options.retime = false;
    rix::PacketPump pump(run, stream, options);
    int packets = 0;
    EXPECT_EQ(pump.Run([&](const rix::PumpedPacket&) { return ++packets > 0; }), rix::PumpEnd::kEnd);
    EXPECT_EQ(packets, 2);
    EXPECT_TRUE(run.julian.table[7010].set);
    EXPECT_EQ(run.julian.table[7010].midnight, -500.0);
    EXPECT_FALSE(run.julian.table[6010].set);
}

TEST_F(Archive, SequenceGapsCountMissingPackets) {
    auto expect = [&](std::initializer_list<uint8_t> seqs, long missing, uint8_t sender = 1) {
        Bytes b;
        for (uint8_t s : seqs) Add(b, PacketOf(s, 0, {1}, sender), "s");
        rix::ResetPacketCounters(run.reader);
        EXPECT_EQ(Sequences(b).size(), seqs.size());
        EXPECT_EQ(run.reader.missing, missing);
        EXPECT_EQ(run.reader.packets, static_cast<long>(seqs.size()) + missing);
    };
    expect({1, 2, 3}, 0);               // the program starts at sequence 0
    expect({4, 5, 8}, 2);
    expect({9, 9}, 255);                // a repeat is a full wrap
    expect({10, 254, 255, 0, 1}, 243);  // the wrap itself loses nothing
    expect({5}, 4, 2);                  // each logger has its own count
    expect({2}, 0);                     // kept across passes: logger 1 goes on from 1
    EXPECT_EQ(run.reader.senderPackets[1], 14);
    EXPECT_EQ(run.reader.senderBytes[1], 14);
    rix::ResetSenderStatistics(run.reader);
    EXPECT_EQ(run.reader.senderPackets[1] + run.reader.senderBytes[1], 0);
}

TEST_F(Archive, ShowHeaderBoxesShowTheNormalisedPacket) {
    Bytes b;
    Add(b, Type2(1, 5002, 1234), "hi");
    Add(b, Type2(2, 5002, 1234 + 125670), "hi");
    Add(b, PacketOf(0xab, static_cast<uint32_t>(-2), {0, 1, 0, 0, 0, 0, 0, 0, 2}, 3, 1), "xyz");
    Open(b);
    ASSERT_EQ(ReadAll(true).size(), 3u);
    ASSERT_EQ(reporter.boxes.size(), 3u);
    EXPECT_EQ(reporter.boxes[1].title, "Show Header");
    EXPECT_EQ(reporter.boxes[1].text,
              "File index 70 Sender 1 dest 1 mod 02 time 12567 00003117 pkttype 1 total 2  c0 2 c1 0 "
              "c2 0 c3 0 c4 0 c5 0 c6 0 c7 0 c8 0");
    EXPECT_EQ(reporter.boxes[2].text,
              "File index 104 Sender 3 dest 1 mod ab time -2 fffffffe pkttype 1 total 3  c0 0 c1 1 "
              "c2 0 c3 0 c4 0 c5 0 c6 0 c7 0 c8 2");
}

TEST_F(Archive, FindChannelRecordPicksOnePortOfOneLogger) {
    Bytes b;
    Add(b, PacketOf(1, 100, {3}, 1), "abc");
    Add(b, PacketOf(1, 200, {1}, 2), "z");  // logger 2, port 2 empty
    Add(b, PacketOf(2, 300, {3, 0, 4}, 2), "abcWXYZ");
    Add(b, PacketOf(2, 400, {0, 0, 1}, 1), "!");  // port 2 of logger 1
    Add(b, PacketOf(3, 500, {0, 0, 2}, 2), "qq");
    Open(b);
    uint8_t record[rix::kMaxPayload];
    double time = -1;
    int length = -1;
    for (auto [text, at] : {std::pair<const char*, double>{"WXYZ", 300}, {"qq", 500}}) {
        ASSERT_EQ(rix::FindChannelRecord(run, 23, time, record, length, stream), 1);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(record), static_cast<size_t>(length)), text);
        EXPECT_EQ(time, at);
    }
    EXPECT_EQ(rix::FindChannelRecord(run, 23, time, record, length, stream), 0);
    EXPECT_EQ(length, 0);
    for (int id : {0, -3, 50, 3, 10, 20}) {  // nothing to find, no harm
        stream.Rewind();
        EXPECT_EQ(rix::FindChannelRecord(run, id, time, record, length, stream), 0) << id;
    }
    struct Case {
        int id, sender, port;
    };
    for (auto c : {Case{9, 0, 8}, Case{11, 1, 0}, Case{20, 2, -1}, Case{49, 4, 8}, Case{50, 0, -1},
                   Case{-1, 0, -1}}) {
        int sender = 9, port = 9;
        rix::ChannelToSenderPort(c.id, sender, port);
        EXPECT_EQ(std::make_pair(sender, port), std::make_pair(c.sender, c.port)) << c.id;
    }
}

// Good, damaged and cut packets among junk and stray trailers: the reader
// always reaches the end and delivers only consistent packets.
TEST_F(Archive, RandomGarbageAlwaysEndsCleanly) {
    std::mt19937 rng(20240611);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 300; ++round) {
        Bytes b;
        for (int s = 1 + pick(12); s > 0; --s) {
            const int kind = pick(5);
            if (kind == 0) {
                rix::PacketFields fields = PacketOf(static_cast<uint8_t>(pick(256)), rng(), {},
                                            static_cast<uint8_t>(1 + pick(4)), static_cast<uint8_t>(pick(3)));
                fields.msOfDay = pick(86400001);
                fields.yearDay = static_cast<int16_t>(pick(33) * 1000 + 1 + pick(366));
                for (auto& c : fields.counts) c = static_cast<int16_t>(pick(4) ? 0 : pick(300));
                Bytes p;
                rix::AppendPacket(p, fields, nullptr);
                if (pick(3) == 0) p[static_cast<size_t>(pick(static_cast<int>(p.size())))] ^= 0x5a;
                if (pick(4) == 0) p.resize(static_cast<size_t>(pick(static_cast<int>(p.size()))));
                b.insert(b.end(), p.begin(), p.end());
            } else if (kind == 1 || kind == 2) {  // junk; small values look like headers
                for (int n = pick(200); n > 0; --n) b.push_back(static_cast<uint8_t>(kind == 1 ? rng() : rng() % 3));
            } else {
                const Bytes bit = kind == 3 ? Bytes{'#', '#', '#', '#'} : Bytes{1, 1, 1, 0, 0x60, 0x09};
                b.insert(b.end(), bit.begin(), bit.end());
            }
        }
        Open(b);
        const std::vector<Got> fromFile = ReadAll();
        for (const auto& g : fromFile) {
            int sum = 0;
            for (int16_t c : g.packet.counts) sum += c;
            ASSERT_EQ(sum, g.packet.total);
            ASSERT_EQ(g.length, g.packet.total + 32);
            ASSERT_TRUE(g.packet.type <= 1 && g.packet.sender >= 1 && g.packet.sender <= 4);
        }
        EXPECT_TRUE(stream.EofSeen());
        // The same bytes read in memory give the same packets.
        rix::ResetType2Reference(run.reader);
        stream.OpenMemory(b.data(), b.size(), "garbage");
        const std::vector<Got> fromMemory = ReadAll();
        ASSERT_EQ(fromMemory.size(), fromFile.size());
        for (size_t i = 0; i < fromFile.size(); ++i) {
            ASSERT_EQ(fromMemory[i].length, fromFile[i].length);
            ASSERT_EQ(fromMemory[i].time, fromFile[i].time);
            const size_t image = static_cast<size_t>(fromFile[i].length);
            std::vector<uint8_t> x(image), y(image);
            rix::PacketImage(fromFile[i].packet, x.data());
            rix::PacketImage(fromMemory[i].packet, y.data());
            ASSERT_EQ(x, y);
        }
        EXPECT_TRUE(stream.EofSeen());
        EXPECT_FALSE(stream.Failed());
        rix::ResetType2Reference(run.reader);
    }
}

}  // namespace
