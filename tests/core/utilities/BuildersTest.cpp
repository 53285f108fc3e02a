#include <gtest/gtest.h>

#include "Context.h"
#include "TestSupport.h"
#include "UtilityTestSupport.h"
#include "utilities/Builders.h"

namespace {

using rixtest::TempDir;
using utiltest::RawType2Headers;
using utiltest::ReadArchive;

const char* const kIopHeader =
    "P12\r\n123.4567, 15/06/2005 13:45:30\r\n4530.1234 N,07015.5678 W\r\n";

void Big16(std::string& s, int v) {
    s += static_cast<char>((v >> 8) & 0xff);
    s += static_cast<char>(v & 0xff);
}

// One framed IOP packet: sync, big-endian header, payload, trailer, checksum.
std::string IopPacket(int sender, int sequence, uint32_t time,
                      const std::vector<std::pair<int, std::string>>& ports, int checksumError = 0,
                      int totalOverride = -1) {
    int counts[9] = {};
    std::string payload;
    for (const auto& [port, bytes] : ports) {
        counts[port] = static_cast<int>(bytes.size());
        payload += bytes;
    }
    std::string h = {1, 0, static_cast<char>(sender), static_cast<char>(sequence)};
    Big16(h, totalOverride >= 0 ? totalOverride : static_cast<int>(payload.size()));
    Big16(h, static_cast<int>(time >> 16));
    Big16(h, static_cast<int>(time & 0xffff));
    for (int c : counts) Big16(h, c);
    std::string body = h + payload + "####";
    unsigned sum = 16;
    for (char c : body) sum += static_cast<uint8_t>(c);
    sum += static_cast<unsigned>(checksumError);
    return std::string("\x08\x08", 2) + body + static_cast<char>(sum & 0xff) +
           static_cast<char>((sum >> 8) & 0xff);
}

TEST(IopBuilder, GoodPacketsWrittenBadChecksumCountedFirstCarriesProfileText) {
    TempDir dir;
    std::string in = dir.file("profile.iop"), out = dir.file("out.arc");
    rixtest::WriteFile(
        in, std::string(kIopHeader) + IopPacket(1, 7, 1000, {{0, "hello"}, {8, "abc"}}) +
                IopPacket(1, 8, 1500, {{1, "bad"}}, 1) + IopPacket(2, 9, 2000, {{2, "xyz"}}));
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    ASSERT_EQ(rix::BuildFromIop(ctx, in, out), 1);

    ASSERT_EQ(rep.boxes.size(), 2u);
    EXPECT_TRUE(rep.HasBox("HD IOP outfile is", out));
    EXPECT_TRUE(rep.HasBox("HD", "IOP Extraction is Complete with 1 Mod Errors"));

    std::string bytes = rixtest::ReadFile(out);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x01\x00\x01\x07", 4));  // copied unchanged
    auto packets = ReadArchive(ctx, out);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].time, 1000);
    EXPECT_EQ(packets[0].ports[0], "hello");
    // The profile's text follows what port 8 already held.
    EXPECT_EQ(packets[0].ports[8], "abcIOP 12\r\n06/15/2005\r\n13:45:30\r\n");
    EXPECT_EQ(packets[1].time, 2000);
    EXPECT_EQ(packets[1].sender, 2);
    EXPECT_EQ(packets[1].ports[2], "xyz");
    EXPECT_EQ(packets[1].ports[8], "");
}

TEST(IopBuilder, UnusableCandidatesDroppedUncountedAndBadHeaderUsesDefaults) {
    TempDir dir;
    std::string in = dir.file("profile.iop"), out = dir.file("out.arc");
    std::string data = "not a header\r\n";
    data += IopPacket(1, 1, 10, {{0, std::string(1000, 'x')}});  // too long for an IOP packet
    data += IopPacket(1, 2, 20, {}, 0, 0xffff);                  // negative total
    data += std::string("\x08\x08", 2);                          // a false sync right before
    data += IopPacket(1, 3, 30, {{4, "ok"}});
    data += IopPacket(1, 4, 40, {{0, "cut"}}).substr(0, 20);  // cut by the end of the file
    rixtest::WriteFile(in, data);
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    ASSERT_EQ(rix::BuildFromIop(ctx, in, out), 1);

    EXPECT_TRUE(
        rep.HasBox("Invalid File Header - Using Defaults",
                   "Requires\n\nPid\njjj.hhhh, dd/mm/yy hh:mm:ss\nDDMM.MMMM N/S,DDDMM.MMM E/W"));
    EXPECT_TRUE(rep.HasBox("HD", "IOP Extraction is Complete with 0 Mod Errors"));
    auto packets = ReadArchive(ctx, out);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].time, 30);
    EXPECT_EQ(packets[0].ports[4], "ok");
    EXPECT_EQ(packets[0].ports[8], "IOP 99\r\n01/01/0001\r\n24:60:60\r\n");
}

std::string Record(int type, const std::string& data) {
    return std::to_string(type) + "," + std::to_string(data.size()) + "," + data;
}

struct GomoosRun {
    TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    std::string out = dir.file("out.arc");
    int Run(const std::string& input) {
        rixtest::WriteFile(dir.file("in.gom"), input);
        return rix::BuildFromGomoos(ctx, dir.file("in.gom"), out);
    }
};

TEST(GomoosBuilder, RoundsOf170MsAfterTheDateTimeRecord) {
    GomoosRun r;
    ASSERT_EQ(r.Run(Record(1, "early") + Record(0, "01/02/05 12:00:00") + Record(1, "aaa") +
                    Record(2, "bbb") + Record(3, "ccc") + "\r\n" + Record(1, "ddd") +
                    Record(2, "eee") + " " + Record(3, "fff") + "\r\n"),
              1);
    EXPECT_TRUE(r.rep.HasBox("GOMOOS File Conversion is Complete", "0 File Errors Detected"));

    auto heads = RawType2Headers(rixtest::ReadFile(r.out));
    ASSERT_EQ(heads.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(heads[i].sender, 1);
        EXPECT_EQ(heads[i].sequence, i);
        EXPECT_EQ(heads[i].yearDay, 5002);
    }
    // The date-time record carries its own time; the rounds follow it.
    EXPECT_EQ(heads[0].msOfDay, 43200000);
    EXPECT_EQ(heads[1].msOfDay, 43200170);
    EXPECT_EQ(heads[2].msOfDay, 43200340);

    auto packets = ReadArchive(r.ctx, r.out);
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0].ports[8], "01/02/05 12:00:00");  // the early record is gone
    EXPECT_EQ(packets[0].ports[0], "");
    EXPECT_EQ(packets[1].time, 170);
    EXPECT_EQ(packets[1].ports[0] + packets[1].ports[1] + packets[1].ports[2], "aaabbbccc");
    EXPECT_EQ(packets[2].time, 340);
    EXPECT_EQ(packets[2].ports[0] + packets[2].ports[1] + packets[2].ports[2], "dddeeefff");
}

TEST(GomoosBuilder, RecordInAnOccupiedPortReplacesIt) {
    GomoosRun r;
    ASSERT_EQ(r.Run(Record(0, "01/02/05 12:00:00") + Record(0, "no date here") + Record(5, "e")),
              1);
    auto packets = ReadArchive(r.ctx, r.out);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].ports[8], "no date here");
    EXPECT_EQ(packets[1].ports[4], "e");
}

TEST(GomoosBuilder, OversizeRecordAndGarbageCountedAndResynchronised) {
    GomoosRun r;
    std::string in = Record(0, "01/02/05 12:00:00") + Record(1, std::string(2000, 'x')) +
                     Record(0, "01/02/05 12:00:10") + Record(2, "bbb") + "zz" +
                     Record(0, "01/02/05 12:00:20") + Record(3, "ccc") +
                     // Heads no record fits: negative or huge numbers, a record
                     // cut by the end of the file.
                     "1,-5,abc 99999999999999,3,x 3,50,short";
    ASSERT_EQ(r.Run(in), 1);
    EXPECT_TRUE(r.rep.HasBox("GOMOOS File Conversion is Complete", "3 File Errors Detected"));
    auto heads = RawType2Headers(rixtest::ReadFile(r.out));
    ASSERT_EQ(heads.size(), 4u);
    EXPECT_EQ(heads[0].msOfDay, 43200000);
    EXPECT_EQ(heads[1].msOfDay, 43210000);
    EXPECT_EQ(heads[2].msOfDay, 43220000);
    EXPECT_EQ(heads[3].msOfDay, 43220170);
    auto packets = ReadArchive(r.ctx, r.out);
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(packets[1].ports[8], "01/02/05 12:00:10");
    EXPECT_EQ(packets[1].ports[1], "");  // the record before the garbage is lost
    EXPECT_EQ(packets[3].ports[2], "ccc");
}

TEST(GomoosBuilder, RoundsPastMidnightAndFullRoundsStayReadable) {
    GomoosRun r;
    std::string big(1500, 'b');
    std::string in = Record(0, "12/31/03 23:59:59") + Record(1, big) + Record(2, big);
    for (int i = 0; i < 5; ++i) in += Record(1, "a");
    ASSERT_EQ(r.Run(in), 1);
    auto heads = RawType2Headers(rixtest::ReadFile(r.out));
    ASSERT_EQ(heads.size(), 8u);
    EXPECT_EQ(heads[0].yearDay, 3365);
    EXPECT_EQ(heads[1].msOfDay, heads[2].msOfDay);  // one round in two packets
    EXPECT_EQ(heads[7].yearDay, 4001);              // day and year carried over
    EXPECT_EQ(heads[7].msOfDay, 20);
    auto packets = ReadArchive(r.ctx, r.out);
    ASSERT_EQ(packets.size(), 8u);
    EXPECT_EQ(packets[1].ports[0], big);
    EXPECT_EQ(packets[2].ports[1], big);
    EXPECT_EQ(packets[7].time, 1020);
}

}  // namespace
