// Progress reports and stop requests of a run watched from another thread.
#include <gtest/gtest.h>

#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "archive/Archive.h"
#include "extract/Rix.h"

namespace {

using rixtest::TempDir;

// Two ASCII channels of logger 1 and an archive of many packets.
struct TwoChannelRun {
    TempDir dir;
    rix::RecordingReporter reporter;
    rix::Context ctx{reporter};
    rix::ExtractRequest request;

    TwoChannelRun() {
        rixtest::WriteFile(dir.file("s.isf"), "11 ASCII\r\n12 ASCII\r\n");
        rixtest::WriteFile(dir.file("s.esf"), "ESF Version=1.1\r\n0 1 0 0 0 0 0 0 21 0 250\r\n");
        std::vector<uint8_t> bytes;
        rix::PacketWriter writer;
        const std::string line = "1.5,2.5\r\n";
        for (int i = 0; i < 1000; ++i) {
            rix::PacketFields f;
            f.sender = 1;
            f.time = static_cast<uint32_t>(1000 + 100 * i);
            f.counts[0] = f.counts[1] = static_cast<int16_t>(line.size());
            std::string payload = line + line;
            writer.Append(bytes, f, reinterpret_cast<const uint8_t*>(payload.data()));
        }
        rixtest::WriteBytes(dir.file("a.000"), bytes);
        request.archive = dir.file("a.000");
        request.isfFile = dir.file("s.isf");
        request.esfFile = dir.file("s.esf");
        request.outputFolder = dir.path();
        request.deviceFolder = dir.path();
    }
};

TEST(RunControl, ProgressCoversTheOneReadAndEndsTheRunAtOneHundredPercent) {
    TwoChannelRun run;
    std::vector<rix::RunProgress> seen;
    run.ctx.control.progress = [&](const rix::RunProgress& p) { seen.push_back(p); };
    rix::ExtractResult r;
    rix::ExtractButtonClick(run.ctx, run.request, &r);
    ASSERT_EQ(r.outcome, rix::ExtractOutcome::kDone);
    EXPECT_EQ(run.reporter.statuses.back(), "Done with Extraction");
    ASSERT_FALSE(seen.empty());
    // Both channels are written from one read of the archive.
    for (const auto& p : seen) {
        EXPECT_EQ(p.index, 1);
        EXPECT_EQ(p.count, 1);
    }
    EXPECT_EQ(seen.front().bytesRead, 0);
    EXPECT_GT(seen.back().bytesRead, 0);
    int last = -1;
    for (const auto& p : seen) {
        int percent = rix::RunPercent(p);
        EXPECT_GE(percent, last);  // never goes back
        last = percent;
    }
    EXPECT_GE(last, 90);
    EXPECT_EQ(seen.front().bytesTotal, static_cast<long>(rixtest::ReadFile(run.request.archive).size()));
}

TEST(RunControl, StopEndsTheRunWithCompleteFiles) {
    TwoChannelRun run;
    // Stop halfway through the read.
    run.ctx.control.progress = [&](const rix::RunProgress& p) {
        if (p.bytesRead > p.bytesTotal / 2) run.ctx.control.stopRequested = true;
    };
    rix::ExtractResult r;
    rix::ExtractButtonClick(run.ctx, run.request, &r);
    EXPECT_EQ(r.outcome, rix::ExtractOutcome::kFailed);
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.restartTimer);
    EXPECT_EQ(run.reporter.statuses.back(), "Extraction Stopped");
    EXPECT_TRUE(run.reporter.boxes.empty());  // a stop is not an error
    // Each channel keeps what it had when the stop came, up to a whole row,
    // and both are listed for the merge.
    const std::string mrg = rixtest::ReadFile(run.dir.file("a_MRG.000"));
    for (const char* name : {"a_11_ASCII.000", "a_12_ASCII.000"}) {
        std::string file = rixtest::ReadFile(run.dir.file(name));
        ASSERT_FALSE(file.empty()) << name;
        EXPECT_EQ(file.substr(file.size() - 2), "\r\n") << name;  // ends on a whole row
        EXPECT_NE(mrg.find(name), std::string::npos) << name;
    }
    EXPECT_TRUE(rixtest::FileExists(run.dir.file("a_TO.000")));
    EXPECT_EQ(r.summary.filesCompleted, 2);
}

TEST(RunControl, AFailedRunSaysSo) {
    TwoChannelRun run;
    rixtest::WriteFile(run.dir.file("s.esf"), "ESF Version=1.1\r\n0 1 0 0 0 0 2 0 21 0 250\r\n");
    rix::ExtractResult r;
    rix::ExtractButtonClick(run.ctx, run.request, &r);  // clock logger 2 has no packets
    EXPECT_EQ(r.outcome, rix::ExtractOutcome::kFailed);
    EXPECT_FALSE(run.reporter.HasStatus("Done with Extraction"));
    EXPECT_EQ(run.reporter.statuses.back(), "Extraction Failed");
}

}  // namespace

namespace {

// Counts the bytes every archive read takes from its file.
struct CountingRead {
    static inline long long bytes = 0;
    static size_t Read(void* dst, size_t n, std::FILE* file, int& error) {
        error = 0;
        const size_t got = std::fread(dst, 1, n, file);
        bytes += static_cast<long long>(got);
        return got;
    }
    CountingRead() {
        bytes = 0;
        rix::ArchiveStream::SetReadFunction(Read);
    }
    ~CountingRead() { rix::ArchiveStream::SetReadFunction(nullptr); }
    CountingRead(const CountingRead&) = delete;
    CountingRead& operator=(const CountingRead&) = delete;
};

// The bytes a run read from the archive, and the archive's size.
std::pair<long long, long long> BytesRead(const std::string& isf, const std::string& esf) {
    TwoChannelRun run;
    rixtest::WriteFile(run.dir.file("s.isf"), isf);
    rixtest::WriteFile(run.dir.file("s.esf"), esf);
    CountingRead count;
    rix::ExtractResult r;
    rix::ExtractButtonClick(run.ctx, run.request, &r);
    EXPECT_EQ(r.summary.exitCode, 0) << isf;
    return {CountingRead::bytes, static_cast<long long>(rixtest::ReadFile(run.request.archive).size())};
}

}  // namespace

TEST(RunControl, TheArchiveIsReadOnceWhateverTheNumberOfChannels) {
    const std::string elapsed = "ESF Version=1.1\r\n0 1 0 0 0 0 0 0 21 0 250\r\n";
    for (const char* isf : {"11 ASCII\r\n", "11 ASCII\r\n12 ASCII\r\n",
                            "11 ASCII\r\n12 ASCII\r\n13 ASCII\r\n21 ASCII\r\n31 GPS\r\n"}) {
        auto [read, size] = BytesRead(isf, elapsed);
        EXPECT_EQ(read, size) << isf;
    }
}

// What the meters share across channels starts every run as new: in one
// desktop session the second run of a setup says what the first said.
TEST(RunControl, EveryRunOfOneProgramSaysWhatTheFirstSaid) {
    const std::string examples = std::string(RIX_SOURCE_DIR) + "/examples";
    TempDir dir;
    rixtest::WriteFile(dir.file("s.isf"), "11 ASCII\r\n15 SBE19 LAG=0 HAD=0 DEV=SBE25.CON\r\n");
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter);
    rix::Run run(ctx);
    rix::ExtractRequest request;
    request.archive = examples + "/deploy.000";
    request.isfFile = dir.file("s.isf");
    request.esfFile = examples + "/deploy.esf";
    request.deviceFolder = examples;
    request.outputFolder = dir.path();
    auto conBoxes = [&] {
        int n = 0;
        for (const auto& box : reporter.boxes)
            n += box.title == "SBE .CON File Error" && box.text == ".CON file is not selected as SBE19";
        return n;
    };
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        reporter.Clear();
        rix::ExtractResult r;
        rix::ExtractButtonClick(ctx, request, &r);
        EXPECT_EQ(r.summary.exitCode, 3);
        EXPECT_EQ(conBoxes(), 1);  // once a run: the .CON is read once, the latch re-armed
    }
}
