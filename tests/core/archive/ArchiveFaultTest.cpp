// Faults of the archive input: a read error and a change of size are not the
// end of the archive, and only regular files are archives.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "extract/Rix.h"
#include "inspect/Inventory.h"

namespace {

// Reads come in slices of 200 bytes; the one numbered failAt fails with EIO.
using InjectedReadError = rixtest::InjectedReadError<rix::ArchiveStream, 200>;

// Logger 1, 40 packets, ports 1 and 2 carrying one text line each.
std::vector<uint8_t> TextArchive(int packets = 40) {
    std::vector<uint8_t> out;
    rix::PacketWriter writer;
    for (int i = 0; i < packets; ++i) {
        const std::string a = "A," + std::to_string(i) + "\r\n";
        const std::string b = "B," + std::to_string(i) + "\r\n";
        rix::PacketFields f;
        f.sender = 1;
        f.time = 1000u * static_cast<uint32_t>(i);
        f.counts[0] = static_cast<int16_t>(a.size());
        f.counts[1] = static_cast<int16_t>(b.size());
        const std::string payload = a + b;
        writer.Append(out, f, reinterpret_cast<const uint8_t*>(payload.data()));
    }
    return out;
}

int CountPackets(rix::Context& ctx, rix::ArchiveStream& stream) {
    rix::Run run(ctx);
    rix::ArchivePacket packet;
    double time = 0;
    int n = 0;
    while (n < 100000 && rix::ReadPacket(run, time, packet, stream, false) > 0) ++n;
    return n;
}

TEST(ArchiveFault, ReadErrorIsReportedOnceAndIsNoEndOfFile) {
    rixtest::TempDir dir;
    rixtest::WriteBytes(dir.file("a.000"), TextArchive());
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::ArchiveStream stream;
    ASSERT_TRUE(stream.Open(dir.file("a.000")));
    {
        InjectedReadError fault(4);
        const int packets = CountPackets(ctx, stream);
        EXPECT_GT(packets, 0);
        EXPECT_LT(packets, 40);
    }
    EXPECT_TRUE(stream.Failed());
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "File Error - Can not read Archive file");
    EXPECT_EQ(rep.boxes[0].text, dir.file("a.000") + ": " + std::strerror(EIO));
    // The fault stays: a rewind does not start a pass over a file that failed.
    stream.Rewind();
    EXPECT_EQ(CountPackets(ctx, stream), 0);
    EXPECT_EQ(rep.boxes.size(), 1u);
}

TEST(ArchiveFault, InventoryDoesNotCountPacketsBeforeAReadErrorAsTheArchive) {
    rixtest::TempDir dir;
    rixtest::WriteBytes(dir.file("a.000"), TextArchive());
    rix::ArchiveInventory inventory;
    {
        InjectedReadError fault(4);
        EXPECT_FALSE(rix::TakeInventory(dir.file("a.000"), inventory));
    }
    EXPECT_TRUE(inventory.opened);
    EXPECT_EQ(inventory.fault, std::strerror(EIO));
    ASSERT_TRUE(rix::TakeInventory(dir.file("a.000"), inventory));
    EXPECT_EQ(inventory.packets, 40);
}

TEST(ArchiveFault, ChangeOfSizeDuringReadingIsAFault) {
    rixtest::TempDir dir;
    const std::string path = dir.file("a.000");
    for (bool grow : {false, true}) {
        SCOPED_TRACE(grow ? "grown" : "shrunk");
        rixtest::WriteBytes(path, TextArchive());
        rix::RecordingReporter rep;
        rix::Context ctx(rep);
        rix::ArchiveStream stream;
        ASSERT_TRUE(stream.Open(path));
        EXPECT_EQ(CountPackets(ctx, stream), 40);
        EXPECT_FALSE(stream.Failed());
        const auto size = std::filesystem::file_size(path);
        std::filesystem::resize_file(path, grow ? size + 100 : size / 2);
        stream.Rewind();
        CountPackets(ctx, stream);
        EXPECT_TRUE(stream.Failed());
        ASSERT_EQ(rep.boxes.size(), 1u);
        EXPECT_NE(rep.boxes[0].text.find("the file changed size during the run"), std::string::npos)
            << rep.boxes[0].text;
    }
}

TEST(ArchiveFault, OnlyRegularFilesAreOpened) {
    rixtest::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder"));
    for (const std::string& path : {dir.file("pipe"), dir.file("folder"), std::string("/dev/zero")}) {
        rix::ArchiveStream stream;
        EXPECT_FALSE(stream.Open(path)) << path;  // a FIFO without writer would block here
        EXPECT_NE(stream.Fault().find("not a regular file"), std::string::npos) << path;
    }
    rix::ArchiveStream stream;
    EXPECT_FALSE(stream.Open(dir.file("absent")));
    EXPECT_EQ(stream.Fault(), std::strerror(ENOENT));
}

// The extraction as the Extract button runs it.
struct ExtractRun {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    rix::ExtractRequest request;

    ExtractRun() {
        rixtest::WriteFile(dir.file("s.isf"), "11 ASCII\r\n12 ASCII\r\n");
        rixtest::WriteFile(dir.file("s.esf"), "ESF Version=1.1\r\n0 1 0 0 0 0 0 0 21 0 250\r\n");
        std::filesystem::create_directory(dir.file("out"));
        rixtest::WriteBytes(dir.file("a.000"), TextArchive());
        request.isfFile = dir.file("s.isf");
        request.esfFile = dir.file("s.esf");
        request.outputFolder = dir.file("out");
        request.deviceFolder = dir.path();
        request.archive = dir.file("a.000");
    }
    rix::ExtractOutcome Click() { return rix::ExtractButtonClick(ctx, request, nullptr); }
    bool Done() const { return rep.HasStatus("Done with Extraction"); }
};

TEST(ArchiveFault, ExtractionStopsOnAReadError) {
    ExtractRun run;
    rix::ExtractOutcome outcome;
    {
        InjectedReadError fault(5);
        outcome = run.Click();
    }
    EXPECT_EQ(outcome, rix::ExtractOutcome::kFailed);
    EXPECT_TRUE(run.rep.HasBox("File Error - Can not read Archive file",
                               run.dir.file("a.000") + ": " + std::strerror(EIO)));
    EXPECT_FALSE(run.Done());
    EXPECT_EQ(run.rep.statuses.back(), "Extraction Failed");
    // No channel file: the fault cut the first pass short. The working and
    // time-offset files list what the run completed: nothing.
    EXPECT_FALSE(rixtest::FileExists(run.dir.file("out/a_11_ASCII.000")));
    EXPECT_FALSE(rixtest::FileExists(run.dir.file("out/a_12_ASCII.000")));
    EXPECT_EQ(rixtest::ReadFile(run.dir.file("out/a_MRG.000")).find("ASCII"), std::string::npos);
}

TEST(ArchiveFault, ExtractionStopsWhenTheArchiveShrinks) {
    ExtractRun run;
    // A copy still running: the archive changes once the run has started.
    run.ctx.control.progress = [&](const rix::RunProgress& p) {
        if (p.bytesRead == 0)
            std::filesystem::resize_file(run.request.archive, std::filesystem::file_size(run.request.archive) / 5);
    };
    EXPECT_EQ(run.Click(), rix::ExtractOutcome::kFailed);
    ASSERT_FALSE(run.rep.boxes.empty());
    EXPECT_EQ(run.rep.boxes.back().title, "File Error - Can not read Archive file");
    EXPECT_NE(run.rep.boxes.back().text.find("changed size during the run"), std::string::npos);
    EXPECT_FALSE(run.Done());
}

TEST(ArchiveFault, ExtractionRefusesAnythingButARegularFile) {
    ExtractRun run;
    ASSERT_EQ(mkfifo(run.dir.file("pipe.000").c_str(), 0600), 0);
    for (const std::string& path : {run.dir.file("pipe.000"), run.dir.path(), std::string("/dev/zero")}) {
        run.rep.Clear();
        run.request.archive = path;
        EXPECT_EQ(run.Click(), rix::ExtractOutcome::kFailed) << path;
        ASSERT_EQ(run.rep.boxes.size(), 1u) << path;
        EXPECT_EQ(run.rep.boxes[0].title, "File Error - Can not open Archive file");
        EXPECT_EQ(run.rep.boxes[0].text, path + ": not a regular file (a device, a pipe or a folder)");
    }
    EXPECT_TRUE(std::filesystem::is_empty(run.dir.file("out")));
}

TEST(ArchiveFault, NoPacketAtAllIsSaidBeforeTheClockSource) {
    ExtractRun run;
    rixtest::WriteFile(run.request.archive, std::string(5000, 'x'));
    EXPECT_EQ(run.Click(), rix::ExtractOutcome::kFailed);
    ASSERT_GE(run.rep.boxes.size(), 2u);
    EXPECT_EQ(run.rep.boxes[0].title, "File Error - Not a Logger Archive");
    EXPECT_EQ(run.rep.boxes[0].text, "No packet was found in " + run.request.archive +
                                         ": it is not a logger archive, or it is damaged throughout");
    EXPECT_EQ(run.rep.boxes.back().title, "Extraction Setup Error");
}

}  // namespace
