// Inputs that are no archive file: every command that reads an archive
// refuses a pipe, a device or a folder at once, with exit status 1.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

}  // namespace
