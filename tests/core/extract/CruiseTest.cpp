// Many archives at a time: each run's files must be those of a run of that
// archive alone, whatever runs beside it.
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>

#include "Context.h"
#include "TestSupport.h"
#include "extract/Cruise.h"

namespace {

using rixtest::ReadFile;
using rixtest::TempDir;

std::string ExamplesDir() { return std::string(RIX_SOURCE_DIR) + "/examples"; }

std::map<std::string, std::string> FilesIn(const std::string& folder) {
    std::map<std::string, std::string> files;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return files;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        files[name] = ReadFile(folder + "/" + name);
    }
    closedir(dir);
    return files;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// A reporter that checks, under its own lock, that every printed piece is
// whole lines of one archive.
class LineChecker : public rix::Reporter {
public:
    void ShowError(const std::string& title, const std::string& text) override { boxes.push_back(title + ": " + text); }
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void Print(const std::string& text) override {
        if (text.empty() || text.back() != '\n') ++brokenLines;
        out += text;
    }
    std::vector<std::string> boxes, statuses;
    std::string out;
    int brokenLines = 0;
};

class Cruise : public ::testing::Test {
protected:
    void SetUp() override {
        if (!rixtest::FileExists(ExamplesDir() + "/deploy.000")) GTEST_SKIP() << "no examples/ beside the tests";
        setup.isfFile = ExamplesDir() + "/deploy.isf";
        setup.esfFile = ExamplesDir() + "/deploy.esf";
        setup.deviceFolder = ExamplesDir();
        const std::string whole = ReadFile(ExamplesDir() + "/deploy.000");
        // Two archives of unlike content (the second cut mid-packet), one
        // that is no archive at all, one that is not there.
        rixtest::WriteFile(in.file("A.000"), whole);
        rixtest::WriteFile(in.file("B.001"), whole.substr(0, whole.size() * 3 / 5 + 7));
        rixtest::WriteFile(in.file("C.002"), std::string(5000, 'x'));
        for (const char* name : {"A.000", "B.001", "C.002", "D.003"}) archives.push_back(in.file(name));
    }

    rix::ExtractResult RunAlone(const std::string& archive, const std::string& folder) {
        rix::RecordingReporter reporter;
        rix::Context ctx(reporter);
        rix::ExtractRequest request = setup;
        request.archive = archive;
        request.outputFolder = folder;
        rix::ExtractResult result;
        rix::ExtractButtonClick(ctx, request, &result);
        return result;
    }

    TempDir in, alone, many;
    rix::ExtractRequest setup;
    std::vector<std::string> archives;
};

TEST_F(Cruise, EachArchiveWritesWhatItsRunAloneWritesAndTheBrokenOneStopsNoOther) {
    for (const std::string& a : archives) RunAlone(a, alone.path());

    rix::CruiseRequest request;
    request.archives = archives;
    request.setup = setup;
    request.setup.outputFolder = many.path();
    request.jobs = 3;
    LineChecker reporter;
    std::vector<rix::CruiseProgress> progress;
    const rix::CruiseOutcome outcome =
        rix::RunCruise(request, reporter, [&](const rix::CruiseProgress& p) { progress.push_back(p); });

    ASSERT_EQ(outcome.archives.size(), 4u);
    EXPECT_EQ(outcome.exitCode, 1);
    const rix::ArchiveRun& a = outcome.archives[0];
    const rix::ArchiveRun& b = outcome.archives[1];
    const rix::ArchiveRun& c = outcome.archives[2];
    const rix::ArchiveRun& d = outcome.archives[3];
    EXPECT_EQ(a.status, rix::ArchiveStatus::kComplete);
    EXPECT_EQ(a.exitCode, 0);
    EXPECT_EQ(a.channels, 13);
    EXPECT_EQ(a.channelsComplete, 13);
    EXPECT_GT(a.rows, b.rows);
    EXPECT_GT(b.rows, 0);
    EXPECT_EQ(b.status, rix::ArchiveStatus::kComplete);
    EXPECT_EQ(c.status, rix::ArchiveStatus::kFailed);
    EXPECT_EQ(c.exitCode, 1);
    EXPECT_NE(c.reason.find("Not a Logger Archive"), std::string::npos) << c.reason;
    EXPECT_EQ(d.status, rix::ArchiveStatus::kMissing);
    EXPECT_EQ(d.reason, "no such file");

    // Rows of the summary are those of the channel outcomes.
    long long rows = 0;
    for (const rix::ChannelOutcome& ch : a.run.channels) rows += ch.rows;
    EXPECT_EQ(a.rows, rows);

    // Every file byte for byte as the runs alone wrote it; the working file
    // lists the files of its own folder.
    std::map<std::string, std::string> expected = FilesIn(alone.path()), got = FilesIn(many.path());
    ASSERT_FALSE(expected.empty());
    std::set<std::string> names, gotNames;
    for (auto& [name, text] : expected) names.insert(name);
    for (auto& [name, text] : got) gotNames.insert(name);
    EXPECT_EQ(gotNames, names);
    for (auto& [name, text] : expected) {
        std::string want = text;
        Replace(want, alone.path(), many.path());
        EXPECT_TRUE(got[name] == want) << name << " differs from the file of the run alone";
    }

    // Messages come whole and behind their archive's name.
    EXPECT_EQ(reporter.brokenLines, 0);
    bool named = false;
    for (const std::string& box : reporter.boxes) {
        EXPECT_TRUE(box.rfind("A.000: ", 0) == 0 || box.rfind("B.001: ", 0) == 0 || box.rfind("C.002: ", 0) == 0 ||
                    box.rfind("D.003: ", 0) == 0)
            << box;
        named = named || box.rfind("C.002: File Error - Not a Logger Archive", 0) == 0;
    }
    EXPECT_TRUE(named);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().done, 4);
    EXPECT_EQ(progress.back().percent, 100);
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i].done, progress[i - 1].done);
}

TEST_F(Cruise, ExitStatusOrdersFailureBeforeLostChannels) {
    // A device file that is not there: the CTD channel writes nothing (exit 3).
    TempDir devices;
    for (const char* name : {"NX9EX.DEV", "ORB.DEV", "SATEXR.CAL"})
        rixtest::WriteFile(devices.file(name), ReadFile(ExamplesDir() + "/" + name));
    rix::CruiseRequest request;
    request.archives = {archives[0], archives[1]};
    request.setup = setup;
    request.setup.deviceFolder = devices.path();
    request.setup.outputFolder = many.path();
    request.jobs = 2;
    rix::RecordingReporter reporter;
    rix::CruiseOutcome outcome = rix::RunCruise(request, reporter);
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.archives[0].status, rix::ArchiveStatus::kChannelsFailed);
    EXPECT_EQ(outcome.archives[0].channelsComplete, 12);
    EXPECT_NE(outcome.archives[0].reason.find("channel 15 SBE25CTD"), std::string::npos) << outcome.archives[0].reason;

    request.archives.push_back(archives[3]);  // and one missing: a failure outweighs lost channels
    EXPECT_EQ(rix::RunCruise(request, reporter).exitCode, 1);
}

TEST_F(Cruise, AStopLeavesTheRestUnrun) {
    rix::CruiseRequest request;
    request.archives = archives;
    request.setup = setup;
    request.setup.outputFolder = many.path();
    request.jobs = 1;
    std::atomic<bool> stop{true};
    rix::RecordingReporter reporter;
    rix::CruiseOutcome outcome = rix::RunCruise(request, reporter, nullptr, &stop);
    EXPECT_EQ(outcome.exitCode, 130);
    for (const rix::ArchiveRun& a : outcome.archives) EXPECT_EQ(a.status, rix::ArchiveStatus::kNotRun);
    EXPECT_TRUE(FilesIn(many.path()).empty());
}

TEST(CruiseNames, SameFileNameInTwoFoldersIsFound) {
    EXPECT_EQ(rix::SharedArchiveName({"a/X.001", "b/X.002", "c/Y.001"}), "");
    EXPECT_EQ(rix::SharedArchiveName({"a/X.001", "b/X.002", "c/X.001"}), "X.001");
    EXPECT_EQ(rix::SharedArchiveName({"X.001", "./X.001"}), "X.001");
    EXPECT_EQ(rix::CruiseJobs(5, 2), 2);
    EXPECT_EQ(rix::CruiseJobs(2, 20), 2);
    EXPECT_GE(rix::CruiseJobs(0, 20), 1);
}

TEST(CruiseDays, RangesAcrossYearEndsAndLeapDays) {
    rix::CalendarDay from, to;
    std::string error;
    ASSERT_TRUE(rix::ParseDayRange("2023-12-30..2024-01-02", from, to, error)) << error;
    EXPECT_EQ(rix::DailyArchives("CR", from, to),
              (std::vector<std::string>{"CR23.364", "CR23.365", "CR24.001", "CR24.002"}));
    ASSERT_TRUE(rix::ParseDayRange("2024-02-28..2024-03-01", from, to, error));
    EXPECT_EQ(rix::DailyArchives("d/L", from, to), (std::vector<std::string>{"d/L24.059", "d/L24.060", "d/L24.061"}));
    ASSERT_TRUE(rix::ParseDayRange("2024-12-31..2024-12-31", from, to, error));
    EXPECT_EQ(rix::DailyArchives("L", from, to), std::vector<std::string>{"L24.366"});
    ASSERT_TRUE(rix::ParseDayRange("1999-12-31..2000-01-01", from, to, error));
    EXPECT_EQ(rix::DailyArchives("L", from, to), (std::vector<std::string>{"L99.365", "L00.001"}));

    for (const char* bad : {"2024-01-02", "2024-01-02..2024-01-01", "2023-02-29..2023-03-01", "2024-1-2..2024-01-03",
                            "2024-01-01..", "2024-13-01..2024-13-02", "2024-01-01..2024-01-0x"}) {
        EXPECT_FALSE(rix::ParseDayRange(bad, from, to, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
