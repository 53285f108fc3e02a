// The example deployment under examples/ (written by rix-mkarchive): the
// archive must read back with the damage it was made with, and the setup
// files must be exactly what the setup writers produce.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Context.h"
#include "extract/Rix.h"
#include "TestSupport.h"
#include "setup/Esf.h"
#include "setup/Isf.h"
#include "setup/Mainsetup.h"

namespace {

std::string ExamplesDir() {
    std::string here = __FILE__;  // <repo>/tests/core/tools/MkarchiveTest.cpp
    for (int up = 0; up < 4; ++up) here = here.substr(0, here.find_last_of('/'));
    return here + "/examples";
}

struct LoggerLog {
    std::vector<double> times;
    std::vector<int> sequences;
    std::string ports[rix::kPorts];
};

class ExampleDeployment : public ::testing::Test {
protected:
    void SetUp() override {
        if (!rixtest::FileExists(ExamplesDir() + "/deploy.000")) GTEST_SKIP() << "no examples/ beside the tests";
    }
};

TEST_F(ExampleDeployment, ArchiveReadsBackWithItsDamage) {
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter);
    rix::Run run(ctx);
    rix::ArchiveStream stream;
    ASSERT_TRUE(stream.Open(ExamplesDir() + "/deploy.000"));
    std::map<int, LoggerLog> loggers;
    int guard = 0;
    for (; guard < 100000; ++guard) {
        double time = 0;
        int length = rix::ReadPacket(run, time, run.packet, stream, false);
        if (length == 0) break;
        const rix::ArchivePacket& p = run.packet;
        ASSERT_EQ(p.type, p.sender == 1 ? 1 : 0) << "logger 1 writes calendar packets, read as type 1";
        LoggerLog& log = loggers[p.sender];
        log.times.push_back(time);
        log.sequences.push_back(p.sequence);
        int offset = 0;
        for (int port = 0; port < rix::kPorts; ++port) {
            log.ports[port].append(reinterpret_cast<const char*>(p.payload) + offset, p.counts[port]);
            offset += p.counts[port];
        }
    }
    ASSERT_LT(guard, 100000) << "the reader did not reach the end";
    EXPECT_TRUE(stream.AtEnd());
    EXPECT_TRUE(reporter.boxes.empty());
    ASSERT_EQ(loggers.size(), 2u);

    // Sequence gaps: logger 1 lost the packet cut inside its header; logger 2
    // lost three packets, the packet swallowed by the resynchronisation after
    // the line noise and the one after logger 1's cut header. The cut last
    // packet is simply missing at the end.
    auto gaps = [](const std::vector<int>& seq) {
        std::vector<int> missing;
        for (size_t i = 1; i < seq.size(); ++i) {
            int step = (seq[i] - seq[i - 1] + 256) % 256;
            if (step != 1) missing.push_back(step - 1);
        }
        return missing;
    };
    EXPECT_EQ(gaps(loggers[1].sequences), std::vector<int>({1}));
    EXPECT_EQ(gaps(loggers[2].sequences), std::vector<int>({1, 3, 1}));
    // Logger 1 wrote 1801 packets, logger 2 1804 (it started 3 s earlier).
    EXPECT_EQ(loggers[1].times.size(), 1801u - 1);
    EXPECT_EQ(loggers[2].times.size(), 1804u - 3 - 1 - 1 - 1);

    // Logger 1's calendar times run on across midnight, one packet a second.
    const std::vector<double>& t1 = loggers[1].times;
    EXPECT_EQ(t1.front(), 0);
    for (size_t i = 1; i < t1.size(); ++i) {
        double step = t1[i] - t1[i - 1];
        EXPECT_TRUE((step >= 960 && step <= 1040) || (step >= 1960 && step <= 2040)) << "packet " << i << " step " << step;
    }
    EXPECT_NEAR(t1.back(), 1800000, 50);
    // Logger 2 counts milliseconds from its own power-on.
    EXPECT_NEAR(loggers[2].times.front(), 5473456 - 2630, 30);

    // The date/time channel (logger 2, port 0) prints whole lines, once a second, across midnight.
    const std::string& dates = loggers[2].ports[0];
    EXPECT_EQ(dates.rfind("06/12/05 23:44:57\r\n", 0), 0u);
    EXPECT_NE(dates.find("06/12/05 23:59:59\r\n06/13/05 00:00:00\r\n"), std::string::npos);
    // Channel 11 starts in the middle of a line; every later line is whole.
    const std::string& sensor = loggers[1].ports[0];
    size_t firstEnd = sensor.find('\n');
    ASSERT_NE(firstEnd, std::string::npos);
    EXPECT_LT(firstEnd + 1, 25u);
    EXPECT_EQ(sensor.substr(firstEnd + 1, 1), " ");
    // The barometer ends its lines in a line feed alone.
    EXPECT_EQ(loggers[2].ports[1].find('\r'), std::string::npos);
    // The compass frames are binary, 10 bytes each, starting A5 5A.
    const std::string& hex = loggers[1].ports[3];
    ASSERT_GE(hex.size(), 10u);
    size_t first = hex.find("\xA5\x5A");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(static_cast<uint8_t>(hex[first + 10]), 0xA5);
}

TEST_F(ExampleDeployment, SetupFilesAreWhatTheWritersProduce) {
    rix::RecordingReporter reporter;
    const std::string dir = ExamplesDir();

    rix::ChannelTable table;
    ASSERT_EQ(rix::ReadIsfFile(reporter, table, dir + "/deploy.isf"), 1);
    const std::map<int, std::string> expected = {
        {11, "ASCII"},    {12, "T_ASCII"},   {13, "ASCII_T"}, {14, "Hex_Output"}, {15, "SBE25CTD"},
        {16, "ORB"},      {17, "GPS"},       {21, "T_ASCII"}, {22, "ASCII_T"},    {23, "NX9"},
        {24, "SATLANTIC"}, {25, "Thermo_Bath"}, {26, "DMM22812"}};
    for (int id = 1; id < rix::kChannelCount; ++id) {
        auto it = expected.find(id);
        EXPECT_EQ(table[id].type != 0, it != expected.end()) << "channel " << id;
        if (it != expected.end()) {
            EXPECT_EQ(table[id].keyword, it->second);
        }
    }
    EXPECT_EQ(rix::IsfText(table), rixtest::ReadFile(dir + "/deploy.isf"));

    rix::ExtractionSetup esf;
    ASSERT_EQ(rix::ReadEsfFile(reporter, esf, dir + "/deploy.esf"), 1);
    EXPECT_EQ(esf.dataOutput, 1);
    EXPECT_EQ(esf.clockSource, 1);
    EXPECT_EQ(esf.timeStampFormat, 4);
    EXPECT_EQ(esf.dateTimeChannel, 21);
    EXPECT_EQ(rix::EsfText(esf), rixtest::ReadFile(dir + "/deploy.esf"));
    EXPECT_TRUE(reporter.boxes.empty());

    rix::MainSetup main;
    ASSERT_EQ(rix::LoadMainSetup(main, dir + "/deploy.rix"), 1);
    EXPECT_EQ(main.mode, 0);
    EXPECT_EQ(main.archiveFile, "examples/deploy.000");
    EXPECT_EQ(main.isfFile, "examples/deploy.isf");
    EXPECT_EQ(main.esfFile, "examples/deploy.esf");
    EXPECT_EQ(main.deviceFolder, "examples");
    EXPECT_EQ(main.outputFolder, "out/demo");
}

// The whole chain on the example: the Julian stamps of the date/time lines
// must agree with the times the lines print, before and after midnight.
TEST_F(ExampleDeployment, ExtractionStampsAgreeWithTheDateTimeChannel) {
    rixtest::TempDir out;
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter);
    const std::string dir = ExamplesDir();
    rix::ExtractRequest request;
    request.archive = dir + "/deploy.000";
    request.isfFile = dir + "/deploy.isf";
    request.esfFile = dir + "/deploy.esf";
    request.deviceFolder = dir;
    request.outputFolder = out.path();
    ASSERT_EQ(rix::ExtractButtonClick(ctx, request), rix::ExtractOutcome::kDone);
    // The one message: logger 2 lost three packets, and the radiometer's frame
    // counter shows it.
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].text, "3 Frame Count Jumps in 1795 Valid records");

    std::istringstream dates(rixtest::ReadFile(out.file("deploy_21_T_ASCII.000")));
    std::string line;
    int rows = 0, afterMidnight = 0;
    while (std::getline(dates, line)) {
        double julian = 0;
        int month = 0, day = 0, year = 0, h = 0, m = 0, sec = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf\t%d/%d/%d %d:%d:%d", &julian, &month, &day, &year, &h, &m, &sec), 7)
            << line;
        ASSERT_EQ(month, 6);
        double printed = (day == 12 ? 163 : 164) + (h * 3600 + m * 60 + sec) / 86400.0;
        // The line is stamped with the time of logger 1's packet of that second.
        EXPECT_NEAR((julian - printed) * 86400.0, 0.03, 0.05) << line;
        afterMidnight += day == 13;
        ++rows;
    }
    EXPECT_GT(rows, 1780);
    EXPECT_GT(afterMidnight, 880);

    // The barometer's lines end in a line feed alone: its text is kept whole.
    std::istringstream baro(rixtest::ReadFile(out.file("deploy_22_ASCII_T.000")));
    ASSERT_TRUE(std::getline(baro, line));
    EXPECT_EQ(line.substr(line.find('\t') - 2, 2), " C") << line;
}

}  // namespace
