#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "Context.h"
#include "TestSupport.h"
#include "UtilityTestSupport.h"
#include "extract/Rix.h"
#include "utilities/Builders.h"
#include "utilities/FileIo.h"
#include "utilities/Fileutils.h"

namespace {

using rixtest::TempDir;
using utiltest::AddPacket;
using utiltest::RawType2Headers;
using utiltest::ReadArchive;

TEST(SplitPartName, SuffixGoesBeforeTheFileNamesExtension) {
    EXPECT_EQ(rix::SplitPartName("LOG05.123", 2), "LOG05_2.123");
    EXPECT_EQ(rix::SplitPartName("/data/a.b.c", 4), "/data/a.b_4.c");
    EXPECT_EQ(rix::SplitPartName("/data/ARCHIVE", 1), "/data/ARCHIVE_1");
    EXPECT_EQ(rix::SplitPartName("/data/run.v2/ARCHIVE", 3), "/data/run.v2/ARCHIVE_3");
}

// Loggers 1 and 3 interleaved; the bytes each logger's part must hold.
struct TwoLoggerArchive {
    std::vector<uint8_t> whole, part1, part3;
    TwoLoggerArchive() {
        rix::PacketWriter w1, w3, p1, p3;
        for (int i = 0; i < 6; ++i) {
            std::vector<std::string> ports1 = {"a" + std::to_string(i), "", "x"};
            std::vector<std::string> ports3 = {"", "b" + std::to_string(i)};
            AddPacket(whole, w3, 1, 3, 100 + 25 * i, ports3);
            AddPacket(part3, p3, 1, 3, 100 + 25 * i, ports3);
            AddPacket(whole, w1, 0, 1, 5000 + 250 * i, ports1);
            AddPacket(part1, p1, 0, 1, 5000 + 250 * i, ports1);
        }
    }
};

TEST(SplitByLoggerId, EachPartHoldsItsLoggersPacketsInOrder) {
    TempDir dir;
    TwoLoggerArchive a;
    std::string in = dir.file("LOG05.123");
    rixtest::WriteBytes(in, a.whole);
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::Run run(ctx);
    rix::SplitByLoggerId(ctx, in);

    EXPECT_EQ(rixtest::Bytes(rixtest::ReadFile(dir.file("LOG05_1.123"))), a.part1);
    EXPECT_EQ(rixtest::Bytes(rixtest::ReadFile(dir.file("LOG05_3.123"))), a.part3);
    EXPECT_FALSE(rixtest::FileExists(dir.file("LOG05_2.123")));
    EXPECT_EQ(rixtest::Bytes(rixtest::ReadFile(in)), a.whole);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_TRUE(rep.HasBox("Parse Logger IDs",
                           "File " + in + " has been split according to the Logger IDs"));

    // A name without an extension, in a folder whose name has a dot.
    std::filesystem::create_directory(dir.file("run.v2"));
    std::string bare = dir.file("run.v2/ARCHIVE");
    rixtest::WriteBytes(bare, a.whole);
    rix::SplitByLoggerId(ctx, bare);
    EXPECT_EQ(rixtest::Bytes(rixtest::ReadFile(bare + "_1")), a.part1);
    EXPECT_EQ(rixtest::Bytes(rixtest::ReadFile(bare + "_3")), a.part3);
}

TEST(ArchiveUtilities, UnopenableFilesNameTheOperation) {
    TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::Run run(ctx);
    std::string none = dir.file("none.123"), bad = dir.file("no/such/out.arc");
    rixtest::WriteFile(dir.file("in.txt"), "P1\r\n");
    rix::SplitByLoggerId(ctx, none);
    EXPECT_EQ(rix::ConvertToType2(ctx, 21, 0, none, dir.file("out")), 0);
    EXPECT_EQ(rix::BuildFromIop(ctx, none, dir.file("out")), 0);
    EXPECT_EQ(rix::BuildFromIop(ctx, dir.file("in.txt"), bad), 0);
    EXPECT_EQ(rix::BuildFromGomoos(ctx, none, dir.file("out")), 0);
    EXPECT_EQ(rix::BuildFromGomoos(ctx, dir.file("in.txt"), bad), 0);
    std::vector<std::pair<std::string, std::string>> expected = {
        {"Parse Logger IDs", none},
        {"Convert To Type 2", none},
        {"Build Archive From IOP File", none},
        {"Build Archive From IOP", bad},
        {"Convert GOMOOS File", none},
        {"Output Archive File", bad}};
    std::vector<std::pair<std::string, std::string>> got;
    for (const auto& box : rep.boxes) {
        if (box.title.size() > 11 && box.title.ends_with(" File Error"))
            got.push_back({box.title.substr(0, box.title.size() - 11), box.text.substr(15)});
    }
    EXPECT_EQ(got, expected);
}

// Logger 2 with its date/time lines on port 0 (channel 21), data on port 1,
// across midnight; logger 1 writes type-0 packets in milliseconds.
std::vector<uint8_t> MidnightArchive() {
    std::vector<uint8_t> out;
    rix::PacketWriter w1, w2;
    AddPacket(out, w2, 1, 2, 10000, {"01/02/05 23:59:58\r\n", "x1\r\n"});
    AddPacket(out, w1, 0, 1, 101000, {"L1\r\n"});
    AddPacket(out, w2, 1, 2, 10300, {"01/03/05 00:00:01\r\n", "x2\r\n"});
    AddPacket(out, w2, 1, 2, 10400, {"", "x3\r\n"});
    return out;
}

TEST(ConvertToType2, PacketsAcrossMidnightGetCalendarTimes) {
    TempDir dir;
    std::string in = dir.file("in.arc"), out = dir.file("out.arc");
    rixtest::WriteBytes(in, MidnightArchive());
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::Run run(ctx);
    ASSERT_EQ(rix::ConvertToType2(ctx, 21, 0, in, out), 1);

    std::vector<rix::RecordingReporter::Box> expected = {
        {in, out},
        {"HD - convert", "Get JDAY-MS origin 100000 jday 5002 ms 86398000"},
        {"HD - convert", "Get JDAY-MS origin 103000 jday 5003 ms 1000"},
        {"Type 2 Conversion", "Done"}};
    ASSERT_EQ(rep.boxes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rep.boxes[i].title, expected[i].title);
        EXPECT_EQ(rep.boxes[i].text, expected[i].text);
    }

    auto heads = RawType2Headers(rixtest::ReadFile(out));
    ASSERT_EQ(heads.size(), 4u);
    EXPECT_EQ(heads[0].yearDay, 5002);
    EXPECT_EQ(heads[0].msOfDay, 86398000);
    EXPECT_EQ(heads[1].sender, 1);  // type 0: milliseconds as they stand
    EXPECT_EQ(heads[1].msOfDay, 86399000);
    EXPECT_EQ(heads[2].sequence, 1);  // copied from the input
    EXPECT_EQ(heads[3].yearDay, 5003);
    EXPECT_EQ(heads[3].msOfDay, 2000);
    auto packets = ReadArchive(ctx, out);
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_EQ(packets[3].time, 4000);
    EXPECT_EQ(packets[3].ports[1], "x3\r\n");
}

TEST(ConvertToType2, MissingDatesAndUnconvertiblePacketsReported) {
    TempDir dir;
    std::string in = dir.file("in.arc"), out = dir.file("out.arc");
    rixtest::WriteBytes(in, MidnightArchive());
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::Run run(ctx);
    EXPECT_EQ(rix::ConvertToType2(ctx, 23, 0, in, out), 0);
    EXPECT_TRUE(
        rep.HasBox("Julian Date/Time Error", "No Data found for the selected Date/Time Channel"));
    EXPECT_FALSE(rixtest::FileExists(out));

    // A packet from before the first known midnight cannot be dated.
    std::vector<uint8_t> early;
    rix::PacketWriter w;
    AddPacket(early, w, 0, 2, 50000, {"", "early\r\n"});
    AddPacket(early, w, 0, 2, 100000, {"01/02/05 00:00:01\r\n"});
    rixtest::WriteBytes(in, early);
    rep.Clear();
    EXPECT_EQ(rix::ConvertToType2(ctx, 21, 0, in, out), 1);
    EXPECT_TRUE(rep.HasBox("HD", "Can't Convert"));
    auto heads = RawType2Headers(rixtest::ReadFile(out));
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0].msOfDay, 1000);
}

TEST(ConvertToType2, DatesOfTodayFitAndThoseAfter2032AreRefused) {
    TempDir dir;
    std::string in = dir.file("in.arc"), out = dir.file("out.arc");
    std::vector<uint8_t> today;
    rix::PacketWriter w;
    AddPacket(today, w, 0, 2, 100000, {"2026-12-08T13:45:01Z\r\n"});
    AddPacket(today, w, 0, 2, 101000, {"", "data\r\n"});
    rixtest::WriteBytes(in, today);
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::Run run(ctx);
    ASSERT_EQ(rix::ConvertToType2(ctx, 21, 0, in, out), 1);
    auto heads = RawType2Headers(rixtest::ReadFile(out));
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[1].yearDay, 26342);
    EXPECT_EQ(heads[1].msOfDay, (13 * 3600 + 45 * 60 + 2) * 1000);

    // 2040 has no type-2 day code: the conversion stops instead of wrapping the field.
    std::vector<uint8_t> later;
    rix::PacketWriter w2;
    AddPacket(later, w2, 0, 2, 100000, {"01/02/2040 00:00:00\r\n"});
    rixtest::WriteBytes(in, later);
    rep.Clear();
    EXPECT_EQ(rix::ConvertToType2(ctx, 21, 0, in, out), 0);
    EXPECT_TRUE(rep.HasBox("Convert To Type 2",
                           "Day code 40002 (2040) does not fit a type-2 packet: their dates end in 2032"));
    EXPECT_FALSE(rep.HasBox("Type 2 Conversion", "Done"));
    // The earlier conversion's archive stays as it was.
    heads = RawType2Headers(rixtest::ReadFile(out));
    ASSERT_EQ(heads.size(), 2u);
    EXPECT_EQ(heads[1].yearDay, 26342);
}

// ---------------------------------------------------------------------------
// The utilities' archives through the extraction.

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

bool Extract(const std::string& archive, const std::string& isf, const std::string& esf,
             const std::string& outDir) {
    std::filesystem::create_directories(outDir);
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::ExtractRequest request;
    request.archive = archive;
    request.isfFile = isf;
    request.esfFile = esf;
    request.outputFolder = outDir;
    request.deviceFolder = outDir;
    return rix::ExtractButtonClick(ctx, request) == rix::ExtractOutcome::kDone;
}

void WriteEsf(const std::string& path, int clock, int format) {
    rixtest::WriteFile(path, "ESF Version=1.1\r\n0 1 0 0 0 0 " + std::to_string(clock) + " " +
                                 std::to_string(format) + " 21 0 250\r\n");
}

// Text lines of a port, cut into fragments that split lines across packets.
std::vector<std::string> Fragments(const std::string& tag, int lines, size_t size) {
    std::string text;
    for (int i = 0; i < lines; ++i) text += tag + " line " + std::to_string(i) + "\r\n";
    std::vector<std::string> out;
    for (size_t pos = 0; pos < text.size(); pos += size) out.push_back(text.substr(pos, size));
    return out;
}

TEST(SplitThenExtract, EachPartExtractsLikeTheWholeArchiveOnItsClock) {
    TempDir dir;
    auto f11 = Fragments("t11", 12, 7), f12 = Fragments("a12", 12, 5);
    auto f31 = Fragments("t31", 10, 9), f33 = Fragments("a33", 10, 4);
    std::vector<uint8_t> whole;
    rix::PacketWriter w1, w3;
    for (size_t i = 0; i < 40; ++i) {
        auto at = [&](const std::vector<std::string>& f) { return i < f.size() ? f[i] : ""; };
        AddPacket(whole, w3, 0, 3, static_cast<uint32_t>(90000 + 333 * i), {at(f31), "", at(f33)});
        AddPacket(whole, w1, 1, 1, static_cast<uint32_t>(500 + 25 * i), {at(f11), at(f12)});
    }
    std::string archive = dir.file("whole.dat");
    rixtest::WriteBytes(archive, whole);
    std::string isf = dir.file("two.isf");
    rixtest::WriteFile(isf, "11 T_ASCII\r\n12 ASCII\r\n31 T_ASCII\r\n33 ASCII\r\n");
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::Run run(ctx);
    rix::SplitByLoggerId(ctx, archive);

    struct Case {
        int logger;
        std::vector<std::string> files;
    };
    for (const Case& c :
         {Case{1, {"11_T_ASCII", "12_ASCII"}}, Case{3, {"31_T_ASCII", "33_ASCII"}}}) {
        SCOPED_TRACE(c.logger);
        std::string esf = dir.file("clock" + std::to_string(c.logger) + ".esf");
        WriteEsf(esf, c.logger, 0);
        std::string wholeOut = dir.file("whole" + std::to_string(c.logger));
        std::string partOut = dir.file("part" + std::to_string(c.logger));
        ASSERT_TRUE(Extract(archive, isf, esf, wholeOut));
        ASSERT_TRUE(
            Extract(dir.file("whole_" + std::to_string(c.logger) + ".dat"), isf, esf, partOut));
        for (const std::string& f : c.files) {
            std::string a = rixtest::ReadFile(wholeOut + "/whole_" + f + ".dat");
            std::string b = rixtest::ReadFile(partOut + "/whole_" + std::to_string(c.logger) + "_" +
                                              f + ".dat");
            EXPECT_GT(Lines(a).size(), 5u) << f;
            EXPECT_EQ(a, b) << f;
        }
    }
}

TEST(ConvertThenExtract, JulianStampsWithin10MsOfTheOriginal) {
    TempDir dir;
    std::vector<uint8_t> original;
    rix::PacketWriter w;
    for (int i = 0; i < 12; ++i) {
        // A date/time line on every other packet, in step with the logger's
        // clock, from 23:59:56 on 31 December 2003 into 2004; the packets
        // between carry logger milliseconds that are no multiple of 10.
        std::string dt;
        if (i % 2 == 0) {
            int s = 56 + i;
            char buf[64];
            if (s < 60)
                std::snprintf(buf, sizeof buf, "12/31/03 23:59:%02d\r\n", s);
            else
                std::snprintf(buf, sizeof buf, "01/01/04 00:00:%02d\r\n", s - 60);
            dt = buf;
        }
        uint32_t ms = static_cast<uint32_t>(700003 + 1000 * i + (i % 2 ? 7 : 0));
        AddPacket(original, w, 0, 2, ms, {dt, "row" + std::to_string(i) + "\r\n"});
    }
    std::string in = dir.file("orig.dat"), conv = dir.file("conv.dat");
    rixtest::WriteBytes(in, original);
    {
        rix::RecordingReporter rep;
        rix::Context ctx(rep);
        rix::Run run(ctx);
        ASSERT_EQ(rix::ConvertToType2(ctx, 21, 0, in, conv), 1);
        int days = 0;
        for (const auto& b : rep.boxes) days += b.title == "HD - convert";
        EXPECT_EQ(days, 2);
    }
    std::string isf = dir.file("dt.isf"), esf = dir.file("julian.esf");
    rixtest::WriteFile(isf, "22 T_ASCII\r\n");
    WriteEsf(esf, 2, 4);
    ASSERT_TRUE(Extract(in, isf, esf, dir.file("o1")));
    ASSERT_TRUE(Extract(conv, isf, esf, dir.file("o2")));
    auto a = Lines(rixtest::ReadFile(dir.file("o1/orig_22_T_ASCII.dat")));
    auto b = Lines(rixtest::ReadFile(dir.file("o2/conv_22_T_ASCII.dat")));
    ASSERT_EQ(a.size(), 11u);  // the first line is cut by the start of the pass
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        size_t ta = a[i].find('\t'), tb = b[i].find('\t');
        ASSERT_NE(ta, std::string::npos);
        ASSERT_NE(tb, std::string::npos);
        EXPECT_EQ(a[i].substr(ta), b[i].substr(tb));
        double ja = std::atof(a[i].c_str()), jb = std::atof(b[i].c_str());
        EXPECT_NEAR(ja, jb, 10.0 / 86400000.0) << a[i] << " | " << b[i];
    }
}

}  // namespace

namespace {

// Every archive utility under a full disk: the failure named with its
// reason, no success text, no output left under its name, the input intact.
TEST(ArchiveUtilities, AFullDiskLeavesNoOutputAndNoSuccessText) {
    TempDir dir;
    TwoLoggerArchive a;
    const std::string in = dir.file("LOG05.123");
    rixtest::WriteBytes(in, a.whole);
    rixtest::WriteBytes(dir.file("mid.000"), MidnightArchive());
    rixtest::WriteFile(dir.file("LOG05_3.123"), "earlier part");
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::Run run(ctx);
    rix::SetOutputWriteLimitForTesting(10, ENOSPC);
    EXPECT_EQ(rix::SplitByLoggerId(ctx, in), 0);
    EXPECT_EQ(rix::ConvertToType2(ctx, 21, 0, dir.file("mid.000"), dir.file("t2.000")), 0);
    rix::SetOutputWriteLimitForTesting(-1, ENOSPC);

    EXPECT_TRUE(rep.HasBox("Parse Logger IDs File Error",
                           "Unable to write " + dir.file("LOG05_1.123") + ": No space left on device"));
    EXPECT_TRUE(rep.HasBox("Convert To Type 2 File Error",
                           "Unable to write " + dir.file("t2.000") + ": No space left on device"));
    for (const auto& box : rep.boxes) {
        EXPECT_EQ(box.text.find("has been split"), std::string::npos);
        EXPECT_NE(box.title, "Type 2 Conversion");
    }
    EXPECT_FALSE(rixtest::FileExists(dir.file("LOG05_1.123")));
    EXPECT_EQ(rixtest::ReadFile(dir.file("LOG05_3.123")), "earlier part");
    EXPECT_FALSE(rixtest::FileExists(dir.file("t2.000")));
    EXPECT_EQ(rixtest::Bytes(rixtest::ReadFile(in)), a.whole);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 3u);  // the two inputs and the earlier part: no temporary file
}

}  // namespace
