// Output files appear whole or not at all, every failed write is caught with
// its reason, and one run at a time holds an output base.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "report/Reporter.h"
#include "utilities/FileIo.h"

namespace {

using rixtest::ReadFile;

// Everything in a folder, hidden names included.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

struct WriteLimit {
    explicit WriteLimit(long long bytes) { rix::SetOutputWriteLimitForTesting(bytes, ENOSPC); }
    ~WriteLimit() { rix::SetOutputWriteLimitForTesting(-1, ENOSPC); }
};

// The line count the run's headers and rows are told apart by: every line
// feed of blocks of any length and alignment, runs of them longer than a
// byte counter holds among them.
TEST(OutputFile, CountsEveryLineFeedOfEveryBlock) {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::OutputFile out;
    ASSERT_TRUE(out.Open(rep, dir.file("lines.000"), "Test"));
    std::string text;
    long long expected = 0;
    for (int i = 0; i < 20000; ++i) {
        const char c = i % 7 == 0 || (i > 9000 && i < 14000) ? '\n' : static_cast<char>('a' + i % 26);
        text.push_back(c);
        expected += c == '\n';
    }
    for (size_t at = 0, step = 1; at < text.size(); at += step, step = step % 61 + 5)
        rix::WriteUnlocked(text.data() + at, std::min(step, text.size() - at), out.Stream());
    ASSERT_TRUE(out.Flush());
    EXPECT_EQ(out.Lines(), expected);
    EXPECT_EQ(out.Bytes(), static_cast<long long>(text.size()));
}

TEST(OutputFile, ReplacesTheEarlierFileOnlyWhenComplete) {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    const std::string path = dir.file("a_11_ASCII.000");
    rixtest::WriteFile(path, "earlier run\r\n");
    {
        rix::OutputFile out;
        ASSERT_TRUE(out.Open(rep, path, "Test"));
        std::fputs("row 1\r\nrow 2\r\n", out.Stream());
        ASSERT_TRUE(out.Flush());
        // A reader meanwhile sees the earlier file whole, never the new one half-written.
        EXPECT_EQ(ReadFile(path), "earlier run\r\n");
        EXPECT_EQ(Names(dir.path()).size(), 2u);
        EXPECT_EQ(out.Lines(), 2);
        ASSERT_TRUE(out.Commit());
    }
    EXPECT_EQ(ReadFile(path), "row 1\r\nrow 2\r\n");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a_11_ASCII.000"});

    {  // not committed: removed, the file of that name untouched
        rix::OutputFile out;
        ASSERT_TRUE(out.Open(rep, path, "Test"));
        std::fputs("cut mid-r", out.Stream());
    }
    EXPECT_EQ(ReadFile(path), "row 1\r\nrow 2\r\n");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a_11_ASCII.000"});
    EXPECT_TRUE(rep.boxes.empty());
}

TEST(OutputFile, AFailedWriteIsReportedWithItsReasonAndLeavesNothing) {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    const std::string path = dir.file("out.000");
    rixtest::WriteFile(path, "earlier");
    rix::OutputFile out;
    ASSERT_TRUE(out.Open(rep, path, "Convert To Type 2"));
    {
        WriteLimit full(1000);
        for (int i = 0; i < 1000; ++i) std::fputs("0123456789\r\n", out.Stream());
        EXPECT_FALSE(out.Flush());
    }
    EXPECT_TRUE(out.Failed());
    EXPECT_EQ(out.Error(), ENOSPC);
    EXPECT_FALSE(out.Commit());
    EXPECT_FALSE(out.Commit());  // reported once
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_TRUE(rep.HasBox("Convert To Type 2 File Error", "Unable to write " + path + ": No space left on device"));
    EXPECT_EQ(ReadFile(path), "earlier");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"out.000"});
}

TEST(OutputFile, NamesThatCannotTakeAFileAndLinks) {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    std::filesystem::create_directory(dir.file("folder.000"));
    rix::OutputFile out;
    EXPECT_FALSE(out.Open(rep, dir.file("folder.000"), "Write Time/Date"));
    EXPECT_TRUE(rep.HasBox("Write Time/Date File Error", "Unable to open " + dir.file("folder.000")));
    EXPECT_FALSE(out.Open(rep, dir.file("missing/x.000"), "Write Time/Date"));

    // The new file keeps the permissions of the one it replaces.
    rixtest::WriteFile(dir.file("kept.000"), "old");
    std::filesystem::permissions(dir.file("kept.000"), std::filesystem::perms(0640));
    ASSERT_TRUE(out.Open(rep, dir.file("kept.000"), "Test"));
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(std::filesystem::status(dir.file("kept.000")).permissions(), std::filesystem::perms(0640));

    // A link keeps pointing at the file it names, now rewritten.
    rixtest::WriteFile(dir.file("target.000"), "old");
    std::filesystem::create_symlink("target.000", dir.file("link.000"));
    ASSERT_TRUE(out.Open(rep, dir.file("link.000"), "Test"));
    std::fputs("new", out.Stream());
    ASSERT_TRUE(out.Commit());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.000")));
    EXPECT_EQ(ReadFile(dir.file("target.000")), "new");
}

TEST(OutputFile, ASignalRemovesTheTemporaryFilesOfOpenOutputs) {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::OutputFile a, b, done;
    ASSERT_TRUE(a.Open(rep, dir.file("a.000"), "Test"));
    ASSERT_TRUE(b.Open(rep, dir.file("b.000"), "Test"));
    ASSERT_TRUE(done.Open(rep, dir.file("done.000"), "Test"));
    ASSERT_TRUE(done.Commit());
    EXPECT_EQ(Names(dir.path()).size(), 3u);
    rix::RemoveTemporaryOutputs();  // what the command line's signal handler does
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"done.000"});
}

TEST(SameFile, ThroughLinksAndOtherPaths) {
    rixtest::TempDir dir;
    rixtest::WriteFile(dir.file("a.000"), "x");
    std::filesystem::create_hard_link(dir.file("a.000"), dir.file("hard.000"));
    std::filesystem::create_symlink(dir.file("a.000"), dir.file("soft.000"));
    EXPECT_TRUE(rix::IsSameFile(dir.file("a.000"), dir.file("hard.000")));
    EXPECT_TRUE(rix::IsSameFile(dir.file("a.000"), dir.file("soft.000")));
    EXPECT_TRUE(rix::IsSameFile(dir.file("a.000"), dir.path() + "/./a.000"));
    EXPECT_FALSE(rix::IsSameFile(dir.file("a.000"), dir.file("missing.000")));
    rix::RecordingReporter rep;
    EXPECT_TRUE(rix::RefuseSameFile(rep, dir.file("a.000"), dir.file("hard.000")));
    EXPECT_TRUE(rep.HasBox("Same File Error", "Output file " + dir.file("hard.000") +
                                                  " is the same file as input file " + dir.file("a.000")));
}

TEST(RunLock, OneHolderAtATimeAndTheLockFileGoesWithIt) {
    rixtest::TempDir dir;
    const std::string path = dir.file("a_MRG.000.lock");
    {
        rix::RunLock first;
        ASSERT_TRUE(first.Acquire(path));
        rix::RunLock second;
        EXPECT_FALSE(second.Acquire(path));
        EXPECT_EQ(errno, EWOULDBLOCK);
        first.Release();
        EXPECT_FALSE(rixtest::FileExists(path));
        EXPECT_TRUE(second.Acquire(path));
    }
    EXPECT_FALSE(rixtest::FileExists(path));
}

}  // namespace
