// Inputs that are no archive file: every command that reads an archive
// refuses a pipe, a device or a folder at once, with exit status 1.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace {

using rixtest::Deployment;
using rixtest::RunResult;

// The command under a time limit: a reader that waits on a pipe or reads a
// device without end is killed (exit 124) instead of hanging the suite.
RunResult Limited(Deployment& d, const std::vector<std::string>& args) {
    std::string cmd = "cd '" + d.Path("") + "' && timeout 20 '" RIX_BINARY "'";
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " >'" + d.Path("stdout.txt") + "' 2>'" + d.Path("stderr.txt") + "' </dev/null";
    RunResult r;
    const int status = std::system(cmd.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = rixtest::ReadFile(d.Path("stdout.txt"));
    r.err = rixtest::ReadFile(d.Path("stderr.txt"));
    return r;
}

TEST(InputFault, EveryArchiveCommandRefusesPipesDevicesAndFolders) {
    Deployment d;
    d.Isf("11 ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    ASSERT_EQ(mkfifo(d.Path("pipe.000").c_str(), 0600), 0);
    std::filesystem::create_directory(d.Path("folder.000"));
    const std::string reason = "not a regular file (a device, a pipe or a folder)";
    for (const std::string& archive : {d.Path("pipe.000"), d.Path("folder.000"), std::string("/dev/zero")}) {
        SCOPED_TRACE(archive);
        RunResult r = Limited(d, {"info", archive});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "rix info: cannot open the archive '" + archive + "': " + reason + "\n");

        r = Limited(d, {"extract", "--isf", d.Path("setup.isf"), "--esf", d.Path("setup.esf"), "--outdir",
                        d.Out(), archive});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "File Error - Can not open Archive file: " + archive + ": " + reason +
                             "\nStatus:  Start File Extraction\n");

        r = Limited(d, {"check", "--isf", d.Path("setup.isf"), "--esf", d.Path("setup.esf"), "--outdir", d.Out(),
                        archive});
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.out.find("problem: " + archive), std::string::npos) << r.out;

        r = Limited(d, {"split", archive});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "Parse Logger IDs File Error: Unable to open " + archive + ": " + reason + "\n");

        r = Limited(d, {"to-type2", "--channel", "13", archive, d.Path("type2.000")});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "Convert To Type 2 File Error: Unable to open " + archive + ": " + reason + "\n");
    }
    EXPECT_TRUE(std::filesystem::is_empty(d.Out()));
    EXPECT_FALSE(rixtest::FileExists(d.Path("type2.000")));
    EXPECT_FALSE(rixtest::FileExists(d.Path("pipe_1.000")));
}

// Runs rix with args as a child and gives its exit status and peak memory (KB).
int RunMeasured(const std::vector<std::string>& args, long& maxKb) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        std::string binary = RIX_BINARY;
        argv.push_back(binary.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    maxKb = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The large inputs are written from one reused record: a forked child's
// peak memory counts the parent's pages too, so the test process must not
// grow with the input (under the sanitizers even freed memory is held).
void WriteGomoosInput(const std::string& path, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::string group = "0,17,06/15/05 12:00:00";
    for (int type = 1; type <= 8; ++type) group += std::to_string(type) + ",400," + std::string(400, 'r');
    for (size_t written = 0; written < size; written += group.size())
        std::fwrite(group.data(), 1, group.size(), f);
    std::fclose(f);
}

void WriteIopInput(const std::string& path, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const std::string head = "P12\r\n123.4567, 15/06/2005 13:45:30\r\n4530.1234 N,07015.5678 W\r\n";
    std::fwrite(head.data(), 1, head.size(), f);
    // Sync pair, 28-byte header, 600 payload bytes, "####", checksum.
    std::string packet = std::string("\x08\x08", 2) +
                         std::string{1, 0, 1, 0, 0x02, 0x58, 0, 0, 0, 0, 0x02, 0x58} + std::string(16, '\0') +
                         std::string(600, 'p') + "####" + std::string(2, '\0');
    size_t written = head.size();
    for (unsigned n = 0; written < size; ++n) {
        packet[2 + 3] = static_cast<char>(n & 0xff);
        packet[2 + 8] = static_cast<char>(n >> 8 & 0xff);
        packet[2 + 9] = static_cast<char>(n & 0xff);
        unsigned sum = 16;
        for (size_t i = 2; i + 2 < packet.size(); ++i) sum += static_cast<uint8_t>(packet[i]);
        packet[packet.size() - 2] = static_cast<char>(sum & 0xff);
        packet[packet.size() - 1] = static_cast<char>(sum >> 8 & 0xff);
        std::fwrite(packet.data(), 1, packet.size(), f);
        written += packet.size();
    }
    std::fclose(f);
}

// Inputs far larger than the builders' window: memory stays flat instead of
// following the input (which was read whole, then held again as output).
// The peak of a 48 MB input is compared with that of a 4 MB one, so the
// bound holds under the sanitizers too.
TEST(InputFault, BuildersStreamLargeInputs) {
    Deployment d;
    constexpr size_t kSmall = size_t{4} << 20, kLarge = size_t{48} << 20;
    for (const char* command : {"from-gomoos", "from-iop"}) {
        SCOPED_TRACE(command);
        const bool iop = std::string(command) == "from-iop";
        long peak[2] = {};
        for (int large = 0; large < 2; ++large) {
            const size_t size = large ? kLarge : kSmall;
            if (iop)
                WriteIopInput(d.Path("in.dat"), size);
            else
                WriteGomoosInput(d.Path("in.dat"), size);
            EXPECT_EQ(RunMeasured({command, d.Path("in.dat"), d.Path("out.000")}, peak[large]), 0);
            // The archive holds the whole input.
            EXPECT_GT(std::filesystem::file_size(d.Path("out.000")), size * 9 / 10);
            std::remove(d.Path("out.000").c_str());
        }
        EXPECT_LT(peak[1] - peak[0], 8 * 1024) << "peak " << peak[0] << " KB and " << peak[1] << " KB";
    }
}

TEST(InputFault, BuildersRefusePipesDevicesAndFolders) {
    Deployment d;
    ASSERT_EQ(mkfifo(d.Path("pipe.in").c_str(), 0600), 0);
    std::filesystem::create_directory(d.Path("folder.in"));
    for (const std::string& input : {d.Path("pipe.in"), d.Path("folder.in"), std::string("/dev/zero")}) {
        RunResult r = Limited(d, {"from-gomoos", input, d.Path("out.000")});
        EXPECT_EQ(r.code, 1) << input;
        EXPECT_EQ(r.err, "Convert GOMOOS File File Error: Unable to open " + input +
                             ": not a regular file (a device, a pipe or a folder)\n");
        r = Limited(d, {"from-iop", input, d.Path("out.000")});
        EXPECT_EQ(r.code, 1) << input;
        EXPECT_EQ(r.err, "Build Archive From IOP File File Error: Unable to open " + input +
                             ": not a regular file (a device, a pipe or a folder)\n");
    }
    EXPECT_FALSE(rixtest::FileExists(d.Path("out.000")));
}

}  // namespace
