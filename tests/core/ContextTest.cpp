// A reset context behaves as a new one: runs on a context reset after other
// work write what the same runs write on a context of their own.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "extract/Channel.h"
#include "extract/Rix.h"
#include "setup/Esf.h"
#include "setup/Isf.h"
#include "setup/Msf.h"

namespace {

using rixtest::TempDir;

const std::string kExamples = std::string(RIX_SOURCE_DIR) + "/examples";

// Every file of a folder by name, with its bytes.
std::map<std::string, std::string> Files(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        files[e.path().filename().string()] = rixtest::ReadFile(e.path().string());
    return files;
}

struct Outcome {
    rix::ExtractOutcome outcome;
    std::map<std::string, std::string> files;
    std::vector<std::string> statuses;
    std::vector<std::string> boxes;
    std::string printed;
};

// The example deployment, extracted (and merged when merge is set) into the
// emptied folder "out" of work: the same paths every time, as the working
// file lists them.
Outcome RunExample(const TempDir& work, rix::Context& ctx, rix::RecordingReporter& reporter, bool merge,
                   bool raw = false) {
    const std::string out = work.file("out");
    std::filesystem::remove_all(out);
    std::filesystem::create_directory(out);
    // Values of examples/deploy.esf, with merged or individual files and raw
    // or engineering output.
    rixtest::WriteFile(work.file("run.esf"), std::string("ESF Version=1.1\r\n0 ") + (raw ? "0" : "1") +
                                                 " 0 0 " + (merge ? "1" : "0") + " 0 1 4 21 0 250\r\n");
    rix::ExtractRequest request;
    request.archive = kExamples + "/deploy.000";
    request.isfFile = kExamples + "/deploy.isf";
    request.esfFile = work.file("run.esf");
    request.msfFile = kExamples + "/deploy.msf";
    request.deviceFolder = kExamples;
    request.outputFolder = out;
    reporter.Clear();
    Outcome o;
    o.outcome = rix::ExtractButtonClick(ctx, request);
    o.files = Files(out);
    o.statuses = reporter.statuses;
    for (const auto& box : reporter.boxes) o.boxes.push_back(box.title + ": " + box.text);
    o.printed = reporter.out;
    return o;
}

void ExpectSame(const Outcome& fresh, const Outcome& reset) {
    EXPECT_EQ(reset.outcome, fresh.outcome);
    EXPECT_EQ(reset.statuses, fresh.statuses);
    EXPECT_EQ(reset.boxes, fresh.boxes);
    EXPECT_EQ(reset.printed, fresh.printed);
    ASSERT_EQ(reset.files.size(), fresh.files.size());
    for (const auto& [name, bytes] : fresh.files) {
        auto it = reset.files.find(name);
        ASSERT_NE(it, reset.files.end()) << name;
        EXPECT_TRUE(it->second == bytes) << name << " differs after a reset";
    }
}

TEST(ContextReset, RunsAfterResetWriteWhatRunsOnANewContextWrite) {
    TempDir work;
    rix::RecordingReporter freshReporter;
    Outcome merged, individual, raw;
    {
        rix::Context fresh(freshReporter);
        merged = RunExample(work, fresh, freshReporter, true);
    }
    {
        rix::Context fresh(freshReporter);
        individual = RunExample(work, fresh, freshReporter, false);
    }
    {
        rix::Context fresh(freshReporter);
        raw = RunExample(work, fresh, freshReporter, false, true);
    }
    ASSERT_EQ(merged.outcome, rix::ExtractOutcome::kDone);
    ASSERT_GT(merged.files.size(), individual.files.size());  // the merge wrote its files

    // One context through every kind of run, reset between them: each run
    // leaves its writers, Julian table, meter latches and merge state behind.
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter);
    ExpectSame(merged, RunExample(work, ctx, reporter, true));
    ctx.Reset();
    ExpectSame(raw, RunExample(work, ctx, reporter, false, true));
    ctx.Reset();
    ExpectSame(individual, RunExample(work, ctx, reporter, false));
    ctx.Reset();
    ExpectSame(merged, RunExample(work, ctx, reporter, true));
}

// The setup and merge state a run leaves in its context, next to a new
// context's.
TEST(ContextReset, LeavesTheSetupAndMergeStateAsNew) {
    TempDir work;
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter), fresh(reporter);
    ASSERT_EQ(RunExample(work, ctx, reporter, true).outcome, rix::ExtractOutcome::kDone);

    ctx.Reset();
    EXPECT_EQ(rix::IsfText(ctx.channels), rix::IsfText(fresh.channels));
    EXPECT_EQ(rix::EsfText(ctx.extraction), rix::EsfText(fresh.extraction));
    EXPECT_EQ(rix::MsfText(ctx.merge.setup), rix::MsfText(fresh.merge.setup));
    EXPECT_EQ(ctx.merge.runBaseName, fresh.merge.runBaseName);
    EXPECT_EQ(ctx.merge.baseTitles, fresh.merge.baseTitles);
    EXPECT_EQ(ctx.merge.sbe23Time, fresh.merge.sbe23Time);
}

// The tables a pass leaves in its run, next to a new run's: the writer
// records (only those handed out are rebuilt), the Julian table (only its
// listed entries are cleared) and the type-2 reference. A fuzzer keeps one
// run and resets it between inputs.
TEST(RunReset, LeavesTheLargeTablesAsNew) {
    TempDir work;
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter), freshContext(reporter);
    rix::Run run(ctx), fresh(freshContext);
    rixtest::WriteFile(work.file("run.esf"), "ESF Version=1.1\r\n0 1 0 0 0 0 1 4 21 0 250\r\n");
    ASSERT_TRUE(rix::ReadEsfFile(reporter, ctx.extraction, work.file("run.esf")));
    ASSERT_TRUE(rix::ReadIsfFile(reporter, ctx.channels, kExamples + "/deploy.isf"));
    rix::ArchiveStream archive;
    ASSERT_TRUE(archive.Open(kExamples + "/deploy.000"));
    rix::RunPaths paths;
    paths.outputFolder = work.path();
    paths.deviceFolder = kExamples;
    paths.baseName = "deploy";
    paths.extension = ".000";
    ASSERT_EQ(rix::RunExtraction(run, archive, paths, 0, 31536000000.0, false), 1);
    ASSERT_FALSE(run.julian.setCodes.empty());
    ASSERT_GT(run.channelState.writers[11].linesWritten, 0);
    run.channelState.writers[49].record[7] = 'x';  // a record the run did not use

    run.Reset();
    for (int id = 0; id < rix::kChannelCount; ++id) {
        const rix::ChannelWriter& w = std::as_const(run.channelState.writers)[id];
        const rix::ChannelWriter& n = std::as_const(fresh.channelState.writers)[id];
        EXPECT_EQ(w.channelId, n.channelId) << id;
        EXPECT_EQ(w.linesWritten, n.linesWritten) << id;
        EXPECT_EQ(w.headerPending, n.headerPending) << id;
        EXPECT_EQ(w.columnCount, n.columnCount) << id;
        EXPECT_EQ(w.firstTime, n.firstTime) << id;
        EXPECT_EQ(w.outputPath, n.outputPath) << id;
        EXPECT_EQ(std::memcmp(w.record, n.record, sizeof w.record), 0) << id;
        EXPECT_EQ(std::memcmp(w.lastRecord, n.lastRecord, sizeof w.lastRecord), 0) << id;
        EXPECT_EQ(w.device.columnCount, n.device.columnCount) << id;
    }
    ASSERT_EQ(run.julian.table.size(), fresh.julian.table.size());
    for (size_t code = 0; code < run.julian.table.size(); ++code) {
        const rix::JulianEntry& e = run.julian.table[code];
        ASSERT_TRUE(!e.set && e.midnight == 0 && e.madeAt == 0) << code;
    }
    EXPECT_EQ(run.julian.lowestSet, fresh.julian.lowestSet);
    EXPECT_TRUE(run.julian.setCodes.empty() && run.julian.earliestMidnight.empty());
    EXPECT_EQ(run.reader.type2.set, fresh.reader.type2.set);
}

TEST(ContextReset, RemovesOutputsNoRunCompletedAndForgetsTheRun) {
    TempDir dir;
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter);
    rix::Run run(ctx);
    ASSERT_EQ(rix::OpenChannelFile(run, 12, "ASCII", dir.path(), "cast", ".000"), 1);
    std::fputs("row\r\n", run.channelState.outputs.streams[12]);
    ctx.channels[12].type = 6;
    ctx.log.enabled = true;
    ctx.control.progress = [](const rix::RunProgress&) {};
    ctx.control.stopRequested = true;

    run.Reset();
    ctx.Reset();
    // An output its run did not complete never takes its name, and no
    // temporary file is left behind; nothing is left open.
    EXPECT_FALSE(rixtest::FileExists(dir.file("cast_12_ASCII.000")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_EQ(run.channelState.outputs.streams[12], nullptr);
    EXPECT_EQ(run.channelState.outputs.merge, nullptr);
    EXPECT_EQ(ctx.channels[12].type, 0);
    EXPECT_FALSE(ctx.log.enabled);
    EXPECT_FALSE(ctx.control.progress);
    EXPECT_FALSE(rix::StopRequested(ctx));
    // The channel's output opens afresh in the next run.
    ASSERT_EQ(rix::OpenChannelFile(run, 12, "ASCII", dir.path(), "next", ".000"), 1);
    EXPECT_NE(run.channelState.outputs.streams[12], nullptr);
    EXPECT_EQ(run.channelState.writers[12].outputPath, dir.file("next_12_ASCII.000"));
}

// A run that ends without completing its outputs (an exception, a return
// on a failure) leaves none of them under its name.
TEST(RunEnd, RemovesOutputsItDidNotComplete) {
    TempDir dir;
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter);
    rix::Run run(ctx);
    {
        rix::Run run(ctx);
        ASSERT_EQ(rix::OpenChannelFile(run, 12, "ASCII", dir.path(), "cast", ".000"), 1);
        std::fputs("row\r\n", run.channelState.outputs.streams[12]);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
