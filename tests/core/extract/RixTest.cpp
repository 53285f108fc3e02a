// The Extract button's checks, driven through the core as the window does.
#include <gtest/gtest.h>

#include "Context.h"
#include "TestSupport.h"
#include "extract/Rix.h"

namespace {

using rixtest::TempDir;

struct Button {
    TempDir dir;
    rix::RecordingReporter reporter;
    rix::Context ctx{reporter};
    rix::ExtractRequest request;

    explicit Button(const std::string& esfValues = "0 1 0 0 0 0 0 0 21 0 250") {
        rixtest::WriteFile(dir.file("s.isf"), "11 ASCII\r\n");
        rixtest::WriteFile(dir.file("s.esf"), "ESF Version=1.1\r\n" + esfValues + "\r\n");
        request.isfFile = dir.file("s.isf");
        request.esfFile = dir.file("s.esf");
        request.outputFolder = dir.path();
        request.deviceFolder = dir.path();
    }
    rix::ExtractResult Click() {
        rix::ExtractResult result;
        rix::ExtractButtonClick(ctx, request, &result);
        return result;
    }
};

TEST(ExtractButton, DailyModeExtractsYesterdaysArchive) {
    Button b;
    b.request.runMode = 1;
    b.request.baseArchive = b.dir.file("LOG");
    b.request.todayYear = 2005;
    b.request.todayDay = 1;
    rixtest::WriteBytes(b.dir.file("LOG04.366"), {});
    rix::ExtractResult r = b.Click();
    EXPECT_EQ(r.archiveLabel, b.dir.file("LOG04.366"));
    // An empty archive has no packet of the clock logger.
    EXPECT_EQ(r.outcome, rix::ExtractOutcome::kFailed);
    EXPECT_TRUE(b.reporter.HasBox("Extraction Setup Error",
                                  "No data packets were found for the KX Logger ID selected as the "
                                  "Clock Source"));
    EXPECT_TRUE(rixtest::FileExists(b.dir.file("LOG04_11_ASCII.366")));

    b.request.todayDay = 124;
    rix::ExtractResult missing = b.Click();
    EXPECT_TRUE(b.reporter.HasBox("File Error - Can not open Archive file", b.dir.file("LOG05.123")));
    EXPECT_TRUE(missing.restartTimer);  // the daily countdown goes on after a missing archive
}

TEST(ExtractButton, EarlyStops) {
    {
        Button b;
        rix::ExtractResult r = b.Click();  // no archive chosen
        EXPECT_EQ(r.archiveLabel, "No Archive File Name");
        EXPECT_FALSE(r.restartTimer);
        EXPECT_TRUE(b.reporter.statuses.empty());
    }
    {
        Button b("0 1 0 0 1 0 0 0 21 0 250");  // merged output without a merge setup
        b.request.archive = b.dir.file("a.000");
        b.request.msfFile = b.dir.file("none.msf");
        b.Click();
        EXPECT_EQ(b.reporter.statuses.back(), "File Error - Can not Find Merge Setup File");
    }
    {
        Button b("0 1 0 0 2 0 0 0 21 0 250");  // time-series output is refused
        b.request.archive = b.dir.file("a.000");
        rixtest::WriteBytes(b.request.archive, {});
        rix::ExtractResult r = b.Click();
        EXPECT_TRUE(b.reporter.HasBox("Programming Error", "Unable to Create Time Series File"));
        EXPECT_FALSE(r.restartTimer);
        EXPECT_FALSE(rixtest::FileExists(b.dir.file("a_11_ASCII.000")));
    }
    {
        Button b;
        b.request.archive = b.dir.file("a.000");
        b.request.esfFile = b.dir.file("none.esf");
        b.Click();
        EXPECT_TRUE(b.reporter.HasBox("ESF File Error", "Error reading ESF file <" + b.dir.file("none.esf") + ">\n"));
        EXPECT_EQ(b.reporter.statuses.back(), "File Error - Can not open Extraction Setup File");
    }
}

TEST(ReviseTime, AnyLoggerTakesTheFirstSenderAsClock) {
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter);
    rix::Run run(ctx);
    double t = 7000;
    rix::ReviseTime(run, t, 0, 1, 3);
    EXPECT_EQ(run.clock.clockLogger, 3);
    EXPECT_EQ(t, 7000);
    t = 100;  // another logger: first packet after a clock packet takes the clock's time
    rix::ReviseTime(run, t, 0, 1, 1);
    EXPECT_EQ(t, 7000);
    t = 350.7;  // then counts its own clock's run, truncated to whole milliseconds
    rix::ReviseTime(run, t, 0, 0, 1);
    EXPECT_EQ(t, 250);
}

}  // namespace
