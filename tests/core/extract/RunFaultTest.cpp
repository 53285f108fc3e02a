// An extraction that meets a full disk says so, keeps what it completed and
// leaves every earlier file of an output it could not complete as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "archive/Archive.h"
#include "extract/Rix.h"
#include "utilities/FileIo.h"

namespace {

using rixtest::ReadFile;

// The disk fills up and is freed once the failure has been reported (so
// _MRG and _TO can still be written).
struct FullDisk : rix::RecordingReporter {
    void ShowError(const std::string& title, const std::string& text) override {
        rix::SetOutputWriteLimitForTesting(-1, ENOSPC);
        RecordingReporter::ShowError(title, text);
    }
};

struct ThreeChannelRun {
    rixtest::TempDir dir;
    rix::ExtractRequest request;

    // Three ASCII channels of logger 1, `rows` lines each of `line`.
    void Archive(const std::string& line, int rows) {
        rixtest::WriteFile(dir.file("s.isf"), "11 ASCII\r\n12 ASCII\r\n13 ASCII\r\n");
        rixtest::WriteFile(dir.file("s.esf"), "ESF Version=1.1\r\n0 1 0 0 0 0 0 0 21 0 250\r\n");
        std::vector<uint8_t> bytes;
        rix::PacketWriter writer;
        for (int i = 0; i < rows; ++i) {
            rix::PacketFields f;
            f.sender = 1;
            f.time = static_cast<uint32_t>(1000 + 100 * i);
            f.counts[0] = f.counts[1] = f.counts[2] = static_cast<int16_t>(line.size());
            const std::string payload = line + line + line;
            writer.Append(bytes, f, reinterpret_cast<const uint8_t*>(payload.data()));
        }
        rixtest::WriteBytes(dir.file("a.000"), bytes);
        request.archive = dir.file("a.000");
        request.isfFile = dir.file("s.isf");
        request.esfFile = dir.file("s.esf");
        request.outputFolder = dir.path();
        request.deviceFolder = dir.path();
    }
    std::string Out(int channel) const { return dir.file("a_" + std::to_string(channel) + "_ASCII.000"); }
    std::vector<std::string> Hidden() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().filename().string()[0] == '.') names.push_back(e.path().filename());
        return names;
    }
};

TEST(RunFaults, AFullDiskEndsTheRunNamingTheFileAndKeepsEarlierFilesWhole) {
    ThreeChannelRun run;
    run.Archive("1.5,2.5\r\n", 500);
    {
        rix::RecordingReporter rep;
        rix::Context ctx(rep);
        rix::ExtractResult r;
        rix::ExtractButtonClick(ctx, run.request, &r);
        ASSERT_EQ(r.summary.exitCode, 0);
    }
    const std::string earlier12 = ReadFile(run.Out(12)), earlier13 = ReadFile(run.Out(13));

    run.Archive("7.25,8.5\r\n", 500);
    FullDisk rep;
    rix::Context ctx(rep);
    // Room for channel 11's file (a byte more a row than the earlier run's),
    // not for channel 12's.
    const long long room = static_cast<long long>(ReadFile(run.Out(11)).size()) + 499 + 100;
    ctx.control.progress = [room](const rix::RunProgress& p) {
        if (p.bytesRead == 0) rix::SetOutputWriteLimitForTesting(room, ENOSPC);
    };
    rix::ExtractResult r;
    rix::ExtractButtonClick(ctx, run.request, &r);
    rix::SetOutputWriteLimitForTesting(-1, ENOSPC);

    EXPECT_EQ(r.outcome, rix::ExtractOutcome::kFailed);
    EXPECT_EQ(r.summary.status, rix::RunStatus::kFailed);
    EXPECT_EQ(r.summary.exitCode, 1);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_TRUE(rep.HasBox("Open Extractd Data File File Error",
                           "Unable to write " + run.Out(12) + ": No space left on device"));
    EXPECT_FALSE(rep.HasStatus("Done with Extraction"));
    EXPECT_EQ(rep.statuses.back(), "Extraction Failed: " + run.Out(12) + " could not be written; 1 file completed");

    // Channel 11 is complete; 12 (cut by the full disk) and 13 (never reached)
    // are the earlier run's files, whole.
    EXPECT_EQ(ReadFile(run.Out(11)).substr(0, 10), "7.25,8.5\r\n");
    EXPECT_EQ(ReadFile(run.Out(12)), earlier12);
    EXPECT_EQ(ReadFile(run.Out(13)), earlier13);
    EXPECT_TRUE(run.Hidden().empty());
    // _MRG lists what this run completed, and nothing else.
    const std::string mrg = ReadFile(run.dir.file("a_MRG.000"));
    EXPECT_NE(mrg.find(run.Out(11) + " ASCII 0 0\r\n"), std::string::npos);
    EXPECT_EQ(mrg.find("_12_"), std::string::npos);
    EXPECT_EQ(mrg.find("_13_"), std::string::npos);

    ASSERT_EQ(r.summary.channels.size(), 3u);
    EXPECT_EQ(r.summary.channels[0].status, rix::ChannelStatus::kComplete);
    EXPECT_EQ(r.summary.channels[0].rows, 499);  // the bytes before the first line feed are no row
    EXPECT_EQ(r.summary.channels[1].status, rix::ChannelStatus::kFailed);
    EXPECT_EQ(r.summary.channels[1].messages,
              std::vector<std::string>{"Open Extractd Data File File Error: Unable to write " + run.Out(12) +
                                       ": No space left on device"});
    EXPECT_EQ(r.summary.channels[2].status, rix::ChannelStatus::kNotWritten);
    EXPECT_EQ(r.summary.failedFile, run.Out(12));
    EXPECT_EQ(r.summary.filesCompleted, 1);
}

TEST(RunFaults, AFullDiskUnderTheDebugLogEndsTheRunToo) {
    ThreeChannelRun run;
    run.Archive("1.5,2.5\r\n", 200);
    rixtest::TempDir logDir;
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    ctx.log.enabled = true;
    ctx.log.path = logDir.file("RIX.LOG");
    rix::SetOutputWriteLimitForTesting(0, EIO);
    rix::ExtractResult r;
    rix::ExtractButtonClick(ctx, run.request, &r);
    rix::SetOutputWriteLimitForTesting(-1, ENOSPC);
    EXPECT_EQ(r.summary.exitCode, 1);
    EXPECT_FALSE(rep.HasStatus("Done with Extraction"));
    EXPECT_FALSE(rixtest::FileExists(run.Out(11)));
    EXPECT_TRUE(run.Hidden().empty());
    EXPECT_FALSE(rixtest::FileExists(logDir.file("RIX.LOG")));
    EXPECT_NE(rep.statuses.back().find("could not be written; 0 files completed"), std::string::npos);
}

TEST(RunFaults, ASecondRunOnTheSameBaseIsRefused) {
    ThreeChannelRun run;
    run.Archive("1.5,2.5\r\n", 20);
    rix::RunLock held;  // as another run would hold it
    ASSERT_TRUE(held.Acquire(run.dir.file("a_MRG.000.lock")));
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::ExtractResult r;
    rix::ExtractButtonClick(ctx, run.request, &r);
    EXPECT_EQ(r.summary.exitCode, 1);
    EXPECT_TRUE(rep.HasBox("Output Files in Use",
                           "Another run is writing the files of a.000 in " + run.dir.path()));
    EXPECT_FALSE(rixtest::FileExists(run.Out(11)));
    held.Release();
    rix::ExtractButtonClick(ctx, run.request, &r);
    EXPECT_EQ(r.summary.exitCode, 0);
    EXPECT_FALSE(rixtest::FileExists(run.dir.file("a_MRG.000.lock")));
}

}  // namespace
