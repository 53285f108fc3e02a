#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "report/Reporter.h"
#include "setup/Mainsetup.h"

namespace {

struct MainsetupFixture : ::testing::Test {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::MainSetup m;
    int Load(const std::string& content) {
        rixtest::WriteFile(dir.file("last.rix"), content);
        return rix::LoadMainSetup(m, dir.file("last.rix"));
    }
};

TEST_F(MainsetupFixture, PlaceholdersAndNamesWithBlanksRoundTrip) {
    ASSERT_EQ(rix::SaveMainSetup(rep, rix::MainSetup(), dir.file("p.rix")), 1);
    EXPECT_EQ(rixtest::ReadFile(dir.file("p.rix")),
              "0\n14 *.000 to *.999\n5 *.ISF\n5 *.ESF\n5 *.MSF\n3 *.*\n5 *****\n5 *****\n");
    rix::MainSetup s;
    s.mode = 1;
    s.archiveFile = "/data/cruise 12/LOG05.123";
    s.isfFile = "";
    s.baseArchive = " lead blank ";
    ASSERT_EQ(rix::SaveMainSetup(rep, s, dir.file("s.rix")), 1);
    ASSERT_EQ(rix::LoadMainSetup(m, dir.file("s.rix")), 1);
    EXPECT_EQ(m.mode, 1);
    EXPECT_EQ(m.archiveFile, s.archiveFile);
    EXPECT_EQ(m.isfFile, "");
    EXPECT_EQ(m.baseArchive, " lead blank ");
    EXPECT_EQ(m.outputFolder, "*****");
    EXPECT_TRUE(rep.boxes.empty());
}

TEST_F(MainsetupFixture, SaveFailureIsReported) {
    std::string bad = dir.file("no/such/folder.rix");
    EXPECT_EQ(rix::SaveMainSetup(rep, m, bad), 0);
    EXPECT_TRUE(rep.HasBox("File Error", "Unable to open/create file '" + bad + "'"));
}

TEST_F(MainsetupFixture, BadModeLineOrMissingFileChangesNothing) {
    m.isfFile = "keep";
    EXPECT_EQ(Load("x\n3 abc\n"), 0);
    EXPECT_EQ(rix::LoadMainSetup(m, dir.file("absent.rix")), 0);
    EXPECT_EQ(m.isfFile, "keep");
    EXPECT_EQ(m.archiveFile, "*.000 to *.999");
    EXPECT_EQ(Load("9\n"), 1);
    EXPECT_EQ(m.mode, 0);  // not a mode of the menu: manual
}

TEST_F(MainsetupFixture, BadLengthPrefixesStayInsideTheLine) {
    m.mergeFile = "keep";
    m.deviceFolder = "keep too";
    ASSERT_EQ(Load("2\r\n99 short\r\n-4 gone\nnot a number\n7\n3 abcdef"), 1);
    EXPECT_EQ(m.mode, 2);
    EXPECT_EQ(m.archiveFile, "short");  // longer than the line: the whole rest
    EXPECT_EQ(m.isfFile, "");           // negative: empty
    EXPECT_EQ(m.esfFile, "*.ESF");      // no length: unchanged
    EXPECT_EQ(m.mergeFile, "");         // length with nothing after it
    EXPECT_EQ(m.baseArchive, "abc");
    EXPECT_EQ(m.deviceFolder, "keep too");  // missing lines: unchanged
}

TEST_F(MainsetupFixture, OverLongLinesAreCutNotSplit) {
    // The tails past the limits look like name lines; they must not be read as such.
    std::string longName = std::string(640, ' ') + "5 trap";
    ASSERT_EQ(Load("1" + std::string(600, ' ') + "3 bad\n646 " + longName + "\n4 next\n"), 1);
    EXPECT_EQ(m.mode, 1);
    EXPECT_EQ(m.archiveFile, std::string(499, ' '));
    EXPECT_EQ(m.isfFile, "next");
    EXPECT_EQ(m.esfFile, "*.ESF");
}

TEST(DailyArchiveName, YesterdayWithTwoDigitYearAndDayOneRule) {
    EXPECT_EQ(rix::DailyArchiveName("/arc/LOG", 2005, 124), "/arc/LOG05.123");
    EXPECT_EQ(rix::DailyArchiveName("LOG", 2005, 1), "LOG04.366");
    EXPECT_EQ(rix::DailyArchiveName("LOG", 2006, 1), "LOG05.365");
    EXPECT_EQ(rix::DailyArchiveName("L", 2001, 1), "L00.366");
    EXPECT_EQ(rix::DailyArchiveName("L", 2000, 1), "L99.365");
    EXPECT_EQ(rix::DailyArchiveName("L", 1999, 2), "L99.001");
    EXPECT_EQ(rix::DailyArchiveName("L", 2010, 366), "L10.365");
    int year = 0;
    int day = 0;
    rix::LocalToday(year, day);
    EXPECT_GE(year, 2020);
    EXPECT_TRUE(day >= 1 && day <= 366);
}

}  // namespace
