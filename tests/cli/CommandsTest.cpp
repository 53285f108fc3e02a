// The other rix commands through the program: argument handling, exit codes,
// and the files they write.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliSupport.h"

namespace {

using namespace rixtest;

TEST(Commands, HelpAndUsageErrors) {
    Deployment d;
    RunResult r = d.Rix({"--help"});
    EXPECT_EQ(r.code, 0);
    for (const char* command :
         {"extract", "merge", "split", "to-type2", "from-gomoos", "from-iop", "info", "check", "combine"}) {
        EXPECT_NE(r.out.find(std::string("  ") + command + " "), std::string::npos) << command;
        RunResult h = d.Rix({command, "--help"});
        EXPECT_EQ(h.code, 0) << command;
        EXPECT_NE(h.out.find(std::string("Usage: rix ") + command), std::string::npos) << command;
    }
    r = d.Rix({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.compare(0, 4, "rix "), 0) << r.out;
    EXPECT_EQ(d.Rix({"extract", "--bogus"}).code, 2);
    EXPECT_EQ(d.Rix({"extract", "--isf"}).code, 2);  // no value
    // Several archives run, each on its own: two missing ones fail (1), two of
    // one file name are refused before any run (2).
    EXPECT_EQ(d.Rix({"extract", "--isf=a.isf", "--esf=a.esf", "a.000", "b.000"}).code, 1);
    EXPECT_EQ(d.Rix({"extract", "--isf=a.isf", "--esf=a.esf", "a.000", "./a.000"}).code, 2);
    EXPECT_EQ(d.Rix({"check", "--esf", "a.esf"}).code, 2);  // no instrument setup
    EXPECT_EQ(d.Rix({}).code, 2);
    EXPECT_EQ(d.Rix({"frobnicate"}).code, 2);
    EXPECT_EQ(d.Rix({"split"}).code, 2);
    EXPECT_EQ(d.Rix({"to-type2", "--channel", "50", "a", "b"}).code, 2);
    EXPECT_EQ(d.Rix({"to-type2", "--channel=50", "a", "b"}).code, 2);
    EXPECT_EQ(d.Rix({"to-type2", "--utc-offset", "x", "a", "b"}).code, 2);
    EXPECT_EQ(d.Rix({"from-iop", "only-one"}).code, 2);
    EXPECT_EQ(d.Rix({"merge", "x_MRG.000"}).code, 2);          // no merge setup
    EXPECT_EQ(d.Rix({"merge", "--msf", "a.msf"}).code, 2);    // no working file
    // A merge setup that cannot be opened ends the run.
    r = d.Rix({"merge", "--msf", "a.msf", "x_MRG.000"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Setup Merge File Error: Unable to open a.msf\nStatus:  Merge Ended by an Error\n");
}

// The commands that read archives run without the toolkit: `rix plot` loads
// it with its drawing module, so rix itself needs no Qt library.
TEST(Commands, TheProgramLoadsNoToolkitLibrary) {
    std::FILE* p = popen("readelf -d '" RIX_BINARY "' 2>/dev/null", "r");
    ASSERT_NE(p, nullptr);
    std::string dynamic;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) dynamic.append(buffer, n);
    pclose(p);
    if (dynamic.find("NEEDED") == std::string::npos) GTEST_SKIP() << "readelf is not installed";
    EXPECT_EQ(dynamic.find("libQt"), std::string::npos) << dynamic;
}

TEST(Commands, SplitWritesOnePartPerLogger) {
    Deployment d;
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "a\r\n"}});
    b.Add(3, 1100, {{0, "b\r\n"}});
    b.Add(1, 2000, {{0, "c\r\n"}});
    d.Archive(b, "LOG05.123");
    RunResult r = d.Rix({"split", d.Path("LOG05.123")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Parse Logger IDs: File " + d.Path("LOG05.123") +
                         " has been split according to the Logger IDs\n");
    EXPECT_TRUE(FileExists(d.Path("LOG05_1.123")));
    EXPECT_TRUE(FileExists(d.Path("LOG05_3.123")));
    EXPECT_FALSE(FileExists(d.Path("LOG05_2.123")));

    r = d.Rix({"split", d.Path("absent.000")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to open " + d.Path("absent.000")), std::string::npos);
}

TEST(Commands, ToType2DatesPacketsFromTheDateTimeChannel) {
    Deployment d;
    ArchiveBuilder b;
    b.Add(1, 1000, {{2, "\r\n01/02/05 12:00:00\r\n"}});
    b.Add(1, 2000, {{2, "01/02/05 12:00:01\r\n"}});
    d.Archive(b, "in.000");
    RunResult r = d.Rix({"to-type2", "--channel", "13", d.Path("in.000"), d.Path("out.000")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Type 2 Conversion: Done\n"), std::string::npos);
    // Two packets of 32 + 20 and 32 + 19 bytes plus their trailers.
    EXPECT_EQ(ReadFile(d.Path("out.000")).size(), 2u * 36 + 21 + 19);

    r = d.Rix({"to-type2", d.Path("in.000"), d.Path("out2.000")});  // channel 21: no records
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Julian Date/Time Error: No Data found for the selected Date/Time Channel\n");
}

TEST(Commands, BuildersReportUnreadableInput) {
    Deployment d;
    RunResult r = d.Rix({"from-iop", d.Path("none.iop"), d.Path("out.000")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to open " + d.Path("none.iop")), std::string::npos);
    r = d.Rix({"from-gomoos", d.Path("none.gom"), d.Path("out.000")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to open " + d.Path("none.gom")), std::string::npos);
}

TEST(Commands, ChannelFileThatCannotBeCreatedEndsTheRunKeepingEarlierFiles) {
    Deployment d;
    d.Isf("11 ASCII\r\n12 ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\r\nA\r\n"}, {1, "\r\nB\r\n"}});
    d.Archive(b);
    std::filesystem::create_directory(d.OutFile("test_12_ASCII.000"));
    RunResult r = d.Run({});
    EXPECT_EQ(r.code, 1);
    // The last message names the file that failed and the files completed.
    EXPECT_EQ(r.err, "Open Extractd Data File File Error: Unable to open " + d.OutFile("test_12_ASCII.000") +
                         "\nStatus:  Extraction Failed: " + d.OutFile("test_12_ASCII.000") +
                         " could not be written; 1 file completed\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_11_ASCII.000")), "A\r\n");
}

TEST(Commands, ShowHeadersWritesOneBoxPerPacket) {
    Deployment d;
    d.Isf("11 ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\r\nA\r\n"}});
    b.Add(1, 2000, {{0, "B\r\n"}});
    d.Archive(b);
    RunResult r = d.Run({"--show-headers"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Show Header: File index 28 Sender 1 dest 1 mod 00 time 1000 000003e8 "
                         "pkttype 0 total 5  c0 5 c1 0"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("mod 01 time 2000"), std::string::npos);
}

}  // namespace
