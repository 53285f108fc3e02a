#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestSupport.h"
#include "report/Reporter.h"
#include "setup/Esf.h"

namespace {

struct EsfFixture : ::testing::Test {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::ExtractionSetup s;
    int Read(const std::string& content) {
        s.timeIncrementMs = 1;  // must be replaced by the file or the defaults
        rixtest::WriteFile(dir.file("a.esf"), content);
        return rix::ReadEsfFile(rep, s, dir.file("a.esf"));
    }
};

TEST_F(EsfFixture, ReadsElevenValuesIgnoringTheReservedOne) {
    ASSERT_EQ(Read("ESF Version=1.1\r\n0 1 1 21 0 7 2 4 21 5 250\r\n"), 1);
    EXPECT_EQ(s.inputFormat, 0);
    EXPECT_EQ(s.dataOutput, 1);
    EXPECT_EQ(s.depthProcessing, 1);
    EXPECT_EQ(s.ctdChannel, 21);
    EXPECT_EQ(s.outputFiles, 0);
    EXPECT_EQ(s.clockSource, 2);
    EXPECT_EQ(s.timeStampFormat, 4);
    EXPECT_EQ(s.dateTimeChannel, 21);
    EXPECT_EQ(s.timeOffsetHours, 5);
    EXPECT_EQ(s.timeIncrementMs, 250);
    EXPECT_TRUE(rep.boxes.empty());
}

TEST_F(EsfFixture, ShortOrMissingValueLineGivesDefaults) {
    const rix::ExtractionSetup defaults;
    for (const char* content : {"ESF Version=1.1\r\n", "ESF Version=1.1\r\n1 1 1 21 0 0 2 4 21 5\r\n", ""}) {
        rep.Clear();
        ASSERT_EQ(Read(content), 1);
        EXPECT_EQ(rix::EsfText(s), rix::EsfText(defaults)) << content;
        // The defaults are said once: a typo must not pass for the intended setup.
        ASSERT_EQ(rep.boxes.size(), 1u) << content;
        EXPECT_EQ(rep.boxes[0].title, "ESF File Error");
        EXPECT_NE(rep.boxes[0].text.find("the default settings are used"), std::string::npos);
    }
    rep.Clear();
    EXPECT_EQ(rix::ReadEsfFile(rep, s, dir.file("none.esf")), 0);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "ESF File Error");
    EXPECT_EQ(rep.boxes[0].text, "Error reading ESF file <" + dir.file("none.esf") + ">\n");
}

TEST_F(EsfFixture, ValuesAreSixteenBitAndAnOverLongFirstLineIsDropped) {
    ASSERT_EQ(Read(std::string(300, 'v') + "\n4 0 0 0 0 0 0 7 11 -12 40000\n"), 1);
    EXPECT_EQ(s.inputFormat, 4);
    EXPECT_EQ(s.timeOffsetHours, -12);
    EXPECT_EQ(s.timeIncrementMs, 40000 - 65536);
}

TEST_F(EsfFixture, WriterRoundTrip) {
    EXPECT_EQ(rix::EsfText(rix::ExtractionSetup()), "ESF Version=1.1\r\n0 0 0 0 0 0 0 0 21 0 250\r\n");
    rix::ExtractionSetup w;
    w.dataOutput = 1;
    w.ctdChannel = 32;
    w.clockSource = 3;
    w.timeStampFormat = 6;
    w.timeOffsetHours = -7;
    w.timeIncrementMs = 2000;
    std::FILE* f = std::fopen(dir.file("w.esf").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    rix::WriteEsfFile(w, f);
    std::fclose(f);
    EXPECT_EQ(rixtest::ReadFile(dir.file("w.esf")), "ESF Version=1.1\r\n0 1 0 32 0 0 3 6 21 -7 2000\r\n");
    ASSERT_EQ(rix::ReadEsfFile(rep, s, dir.file("w.esf")), 1);
    EXPECT_EQ(rix::EsfText(s), rix::EsfText(w));
}

}  // namespace
