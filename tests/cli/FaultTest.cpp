// The command line under faults: a full disk, a signal, an output that is its
// own input, a second run on the same base, a missing device folder. Each
// case ends with the truth in the exit status and in the last message, and
// never leaves a half-written file under a final name.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <fcntl.h>
#include <sys/wait.h>

#include <csignal>

#include <filesystem>
#include <new>
#include <regex>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "Cli.h"
#include "CliSupport.h"

namespace {

using namespace rixtest;
using nlohmann::json;

const std::string kExamples = std::string(RIX_SOURCE_DIR) + "/examples";

std::vector<std::string> HiddenFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string()[0] == '.') names.push_back(e.path().filename());
    return names;
}

// Runs a shell script in the deployment folder; its exit status.
int Shell(const Deployment& d, const std::string& script) {
    rixtest::WriteFile(d.Path("script.sh"), script);
    const int status = std::system(("cd '" + d.Path("") + "' && sh ./script.sh").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A small tmpfs of its own, in a user and mount namespace; false where the
// system does not allow one.
bool CanMountTmpfs() {
    return std::system("unshare -rm sh -c 'mount -t tmpfs -o size=64k tmpfs /mnt' >/dev/null 2>&1") == 0;
}

TEST(Faults, AFullDiskStopsTheExtractionAndNamesTheFile) {
    if (!CanMountTmpfs()) GTEST_SKIP() << "no tmpfs can be mounted here (unshare -rm)";
    Deployment d;
    std::filesystem::create_directory(d.Path("full"));
    std::filesystem::create_directory(d.Path("after"));
    const std::string rix = RIX_BINARY;
    // The example deployment needs about 3.5 MB; 1 MB fills up during the read.
    const int code = Shell(d, "unshare -rm sh -c '"
                              "mount -t tmpfs -o size=1m tmpfs full && "
                              "\"" + rix + "\" extract --isf " + kExamples + "/deploy.isf --esf " + kExamples +
                              "/deploy.esf --devdir " + kExamples + " --outdir full " + kExamples +
                              "/deploy.000 2>err.txt; echo $? >code.txt; cp -a full/. after/'");
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ReadFile(d.Path("code.txt")), "1\n");
    // One message names the file that met the full disk, and the run ends
    // there: every channel is read at once, so none has its whole data.
    const std::string err = ReadFile(d.Path("err.txt"));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(err, m, std::regex("Open Extractd Data File File Error: Unable to write "
                                                    "(full/deploy_[0-9]+_[A-Z0-9]+\\.000): No space left on device\n"
                                                    "Status:  Extraction Failed: (.*) could not be written; "
                                                    "0 files completed\n")))
        << err;
    EXPECT_EQ(m[1], m[2]);
    EXPECT_TRUE(HiddenFiles(d.Path("after")).empty());
    EXPECT_FALSE(FileExists(d.Path("after/deploy_MRG.000.lock")));
    // No channel file is left, and the working file lists none.
    for (const auto& e : std::filesystem::directory_iterator(d.Path("after"))) {
        const std::string name = e.path().filename();
        EXPECT_TRUE(name == "deploy_MRG.000" || name == "deploy_TO.000") << name;
    }
    EXPECT_EQ(ReadFile(d.Path("after/deploy_MRG.000")).find("full/deploy_"), std::string::npos);
}

TEST(Faults, AFullDiskFailsTheSplitWithoutParts) {
    if (!CanMountTmpfs()) GTEST_SKIP() << "no tmpfs can be mounted here (unshare -rm)";
    Deployment d;
    std::filesystem::create_directory(d.Path("full"));
    const std::string rix = RIX_BINARY;
    const int code = Shell(d, "unshare -rm sh -c '"
                              "mount -t tmpfs -o size=2m tmpfs full && cp " + kExamples + "/deploy.000 full/ && "
                              "\"" + rix + "\" split full/deploy.000 2>err.txt; echo $? >code.txt; "
                              "ls -A full >after.txt'");
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ReadFile(d.Path("code.txt")), "1\n");
    const std::string err = ReadFile(d.Path("err.txt"));
    EXPECT_NE(err.find("Parse Logger IDs File Error: Unable to write full/deploy_"), std::string::npos) << err;
    EXPECT_NE(err.find(": No space left on device\n"), std::string::npos);
    EXPECT_EQ(err.find("has been split"), std::string::npos);
    EXPECT_EQ(ReadFile(d.Path("after.txt")), "deploy.000\n");
}

TEST(Faults, StandardOutputThatCannotBeWrittenIsAFailure) {
    Deployment d;
    const std::string rix = RIX_BINARY;
    for (const std::string& args : {"info " + kExamples + "/deploy.000",
                                    "check --isf " + kExamples + "/deploy.isf --esf " + kExamples + "/deploy.esf"}) {
        const int code = Shell(d, "\"" + rix + "\" " + args + " >/dev/full 2>err.txt");
        EXPECT_EQ(code, 1) << args;
        EXPECT_NE(ReadFile(d.Path("err.txt")).find(": cannot write the standard output: No space left on device\n"),
                  std::string::npos);
    }
}

// Three ASCII channels, long enough for a signal to land in the second pass.
void LongRun(Deployment& d) {
    d.Isf("11 ASCII\r\n12 ASCII\r\n13 ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    const std::string line = "12.5,3.25\r\n";
    for (int i = 0; i < 120000; ++i) b.Add(1, 1000 + 10 * static_cast<uint32_t>(i), {{0, line}, {1, line}, {2, line}});
    d.Archive(b);
}

// Starts rix in the deployment folder with standard error in err.txt and,
// once the read is under way, sends it `signal`; its exit status.
int SignalDuringRun(const Deployment& d, int signal) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(d.Path("").c_str()) != 0) _exit(127);
        const int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (err < 0 || dup2(err, 2) < 0) _exit(127);
        execl(RIX_BINARY, RIX_BINARY, "extract", "--isf", "setup.isf", "--esf", "setup.esf", "--outdir", "out",
              "test.000", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) return -1;
    // The signal comes once the read is under way: a channel file has had rows written.
    for (int i = 0; i < 3000; ++i) {
        bool started = false;
        for (const std::string& name : HiddenFiles(d.Out())) {
            std::error_code ec;
            const auto size = std::filesystem::file_size(d.Out() + "/" + name, ec);
            started = started || (name.rfind(".test_11_", 0) == 0 && !ec && size > 0);
        }
        if (started) break;
        usleep(5000);
    }
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Faults, ASignalStopsTheRunOnWholeRowsWithItsFilesListed) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        Deployment d;
        LongRun(d);
        EXPECT_EQ(SignalDuringRun(d, signal), 130) << ReadFile(d.Path("err.txt"));
        EXPECT_EQ(ReadFile(d.Path("err.txt")), "Status:  Extraction Stopped\n");
        EXPECT_TRUE(HiddenFiles(d.Out()).empty());
        // Every channel keeps the whole rows it had when the signal came,
        // and is listed for the merge.
        const std::string mrg = ReadFile(d.OutFile("test_MRG.000"));
        for (const char* name : {"test_11_ASCII.000", "test_12_ASCII.000", "test_13_ASCII.000"}) {
            SCOPED_TRACE(name);
            const std::string rows = ReadFile(d.OutFile(name));
            ASSERT_FALSE(rows.empty());
            EXPECT_LT(rows.size(), 11u * 119999);
            EXPECT_EQ(rows.size() % 11, 0u);
            EXPECT_EQ(rows.substr(rows.size() - 2), "\r\n");
            EXPECT_NE(mrg.find(std::string(name) + " ASCII 0 0\r\n"), std::string::npos);
        }
        EXPECT_TRUE(FileExists(d.OutFile("test_TO.000")));
    }
}

TEST(Faults, UtilitiesRefuseAnOutputThatIsTheirInput) {
    Deployment d;
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "06/12/05 23:44:57\r\n"}});
    b.Add(1, 2000, {{0, "06/12/05 23:44:58\r\n"}});
    d.Archive(b, "A.000");
    const std::string archive = ReadFile(d.Path("A.000"));
    std::filesystem::create_hard_link(d.Path("A.000"), d.Path("hard.000"));
    std::filesystem::create_symlink(d.Path("A.000"), d.Path("soft.000"));
    std::filesystem::create_hard_link(d.Path("A.000"), d.Path("A_1.000"));  // where split would write logger 1
    struct Case {
        std::vector<std::string> args;
        std::string input, output;
    };
    const std::string a = d.Path("A.000");
    for (const Case& c : std::vector<Case>{
             {{"to-type2", a, a}, a, a},
             {{"to-type2", "--channel", "11", a, d.Path("soft.000")}, a, d.Path("soft.000")},
             {{"from-iop", d.Path("hard.000"), d.Path("./A.000")}, d.Path("hard.000"), d.Path("./A.000")},
             {{"from-gomoos", d.Path("soft.000"), a}, d.Path("soft.000"), a},
             {{"split", a}, a, d.Path("A_1.000")}}) {
        SCOPED_TRACE(c.args[0]);
        RunResult r = d.Rix(c.args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "Same File Error: Output file " + c.output + " is the same file as input file " + c.input + "\n");
        EXPECT_EQ(ReadFile(a), archive);
    }
}

TEST(Faults, ASecondRunOnTheSameBaseIsRefusedAtOnce) {
    Deployment d;
    d.Isf("11 ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\r\nA\r\n"}});
    d.Archive(b);
    // Another run holds the base's lock.
    const int fd = ::open(d.OutFile("test_MRG.000.lock").c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    RunResult r = d.Run({});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Output Files in Use: Another run is writing the files of test.000 in " + d.Out() +
                         "\nStatus:  Extraction Failed\n");
    EXPECT_FALSE(FileExists(d.OutFile("test_11_ASCII.000")));
    ::close(fd);
    r = d.Run({});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_11_ASCII.000")), "A\r\n");
}

TEST(Faults, AMissingDeviceFolderKeepsTheEarlierFilesAndNamesTheChannels) {
    Deployment d;
    const std::vector<std::string> base = {"extract", "--isf", kExamples + "/deploy.isf", "--esf",
                                           kExamples + "/deploy.esf", "--outdir", d.Out()};
    auto run = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args = base;
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(kExamples + "/deploy.000");
        return d.Rix(args);
    };
    RunResult r = run({"--devdir", kExamples});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> calibrated = {"deploy_15_SBE25CTD.000", "deploy_16_ORB.000", "deploy_23_NX9.000",
                                                 "deploy_24_SATLANTIC.000"};
    std::vector<std::string> earlier;
    for (const std::string& name : calibrated) earlier.push_back(ReadFile(d.OutFile(name)));

    r = run({"--devdir", "nosuchdir", "--json"});
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("Read Device File File Error: Unable to open nosuchdir/SBE25.CON\n"), std::string::npos);
    EXPECT_NE(r.err.find("Channels Without Output: No file was written for channel "
                         "15 SBE25CTD (device file nosuchdir/SBE25.CON cannot be opened); "
                         "16 ORB (device file nosuchdir/ORB.DEV cannot be opened); "
                         "23 NX9 (device file nosuchdir/NX9EX.DEV cannot be opened); "
                         "24 SATLANTIC (device file nosuchdir/SATEXR.CAL cannot be opened)\n"),
              std::string::npos)
        << r.err;
    for (size_t i = 0; i < calibrated.size(); ++i) {
        EXPECT_FALSE(earlier[i].empty());
        EXPECT_EQ(ReadFile(d.OutFile(calibrated[i])), earlier[i]) << calibrated[i];
    }
    EXPECT_EQ(ReadFile(d.OutFile("deploy_MRG.000")).find("_15_"), std::string::npos);

    const json summary = json::parse(r.out);
    EXPECT_EQ(summary["archive"], kExamples + "/deploy.000");
    EXPECT_EQ(summary["status"], "channels failed");
    EXPECT_EQ(summary["exit"], 3);
    ASSERT_EQ(summary["channels"].size(), 13u);
    const json& ascii = summary["channels"][0];
    EXPECT_EQ(ascii["channel"], 11);
    EXPECT_EQ(ascii["meter"], "ASCII");
    EXPECT_EQ(ascii["file"], d.OutFile("deploy_11_ASCII.000"));
    EXPECT_EQ(ascii["status"], "complete");
    EXPECT_EQ(ascii["rows"], 1799);
    const json& ctd = summary["channels"][4];
    EXPECT_EQ(ctd["channel"], 15);
    EXPECT_EQ(ctd["status"], "failed");
    EXPECT_EQ(ctd["rows"], 0);
    EXPECT_EQ(ctd["reason"], "device file nosuchdir/SBE25.CON cannot be opened");
    EXPECT_EQ(ctd["messages"][0], "Read Device File File Error: Unable to open nosuchdir/SBE25.CON");
}

TEST(Faults, ACalibrationOfAnotherModelIsNamedByTheRunAndFoundByTheCheck) {
    Deployment d;
    WriteFile(d.Path("setup.isf"), "11 ASCII\r\n15 SBE19 LAG=0 HAD=0 DEV=SBE25.CON\r\n");
    const std::vector<std::string> options = {"--isf", d.Path("setup.isf"), "--esf", kExamples + "/deploy.esf",
                                              "--devdir", kExamples, "--outdir", d.Out(), kExamples + "/deploy.000"};
    std::vector<std::string> args = {"check"};
    args.insert(args.end(), options.begin(), options.end());
    RunResult r = d.Rix(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("problem: " + kExamples + "/SBE25.CON: .CON file is not selected as SBE19: the scans of "
                         "channel 15 would not be decoded\n"),
              std::string::npos)
        << r.out;

    args[0] = "extract";
    r = d.Rix(args);
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("SBE .CON File Error: .CON file is not selected as SBE19\n"), std::string::npos);
    EXPECT_NE(r.err.find("Channels Without Output: No file was written for channel 15 SBE19 (.CON file is not "
                         "selected as SBE19)\n"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(FileExists(d.OutFile("deploy_15_SBE19.000")));
    EXPECT_TRUE(FileExists(d.OutFile("deploy_11_ASCII.000")));
}

TEST(Faults, AnExceptionEndsTheCommandWithAMessage) {
    std::FILE* err = std::tmpfile();
    ASSERT_NE(err, nullptr);
    EXPECT_EQ(rixcli::Guarded(err, []() -> int { throw std::bad_alloc(); }), 1);
    EXPECT_EQ(rixcli::Guarded(err, []() -> int { throw std::runtime_error("bad input"); }), 1);
    EXPECT_EQ(rixcli::Guarded(err, []() { return 3; }), 3);
    std::rewind(err);
    char text[512] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, err);
    std::fclose(err);
    EXPECT_EQ(std::string(text, n),
              "rix: out of memory: the operation was stopped and its outputs removed\n"
              "rix: the operation was stopped by an error: bad input\n");
}

}  // namespace
