// `rix extract` of several archives: the summary, the exit status, and each
// archive's files as a run of it alone writes them; `rix combine`.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>

#include "CliSupport.h"
#include "NetcdfFiles.h"

namespace {

using namespace rixtest;

ArchiveBuilder TextArchive(uint32_t start, const std::string& tag, int packets) {
    ArchiveBuilder b;
    for (int i = 0; i < packets; ++i)
        b.Add(1, start + 1000u * static_cast<uint32_t>(i),
              {{0, tag + " line " + std::to_string(i) + "\r\n"}, {1, std::to_string(i) + "," + tag + "\r\n"}});
    return b;
}

const std::vector<std::string> kOutputs = {"_11_ASCII", "_12_T_ASCII", "_MRG", "_TO"};

std::string OutputName(const std::string& archive, const std::string& suffix) {
    const size_t dot = archive.rfind('.');
    return archive.substr(0, dot) + suffix + archive.substr(dot);
}

class CruiseCli : public ::testing::Test {
protected:
    void SetUp() override {
        d.Isf("11 ASCII\r\n12 T_ASCII\r\n");
        d.Esf(0, 1, 0, 0);
        std::system(("mkdir -p '" + d.Path("days") + "'").c_str());
        d.Archive(TextArchive(1000, "alpha", 40), "days/a.000");
        d.Archive(TextArchive(5000, "beta", 7), "days/b.001");
        rixtest::WriteFile(d.Path("days/c.002"), std::string(3000, '\x55'));  // no archive
    }
    // The files of each archive's run alone, removed from the output folder.
    std::map<std::string, std::string> RunAlone(const std::vector<std::string>& archives) {
        std::map<std::string, std::string> files;
        for (const std::string& a : archives) {
            RunResult r = d.Run({}, "days/" + a);
            for (const std::string& suffix : kOutputs) {
                const std::string path = d.OutFile(OutputName(a, suffix));
                if (!FileExists(path)) continue;
                files[OutputName(a, suffix)] = ReadFile(path);
                std::remove(path.c_str());
            }
        }
        return files;
    }
    Deployment d;
};

TEST_F(CruiseCli, ThreeArchivesOneBrokenSummaryExitStatusAndFilesOfRunsAlone) {
    const std::map<std::string, std::string> alone = RunAlone({"a.000", "b.001"});
    ASSERT_EQ(alone.size(), 8u);

    RunResult r = d.Run({"--jobs", "2", d.Path("days/a.000"), d.Path("days/b.001")}, "days/c.002");
    EXPECT_EQ(r.code, 1) << r.err;
    for (const auto& [name, text] : alone) EXPECT_TRUE(ReadFile(d.OutFile(name)) == text) << name;

    // The table: a heading, one line per archive in the order given, a total.
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(r.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_EQ(lines[0].rfind("ARCHIVE", 0), 0u);
    EXPECT_NE(lines[0].find("STATUS"), std::string::npos);
    EXPECT_NE(lines[0].find("SECONDS"), std::string::npos);
    EXPECT_NE(lines[1].find("a.000  complete"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(" 2/2 "), std::string::npos) << lines[1];
    // 39 rows in each of two files: the first packet starts mid-line.
    EXPECT_NE(lines[1].find(" 78 "), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("b.001  complete"), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find("c.002  failed"), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find("Not a Logger Archive"), std::string::npos) << lines[3];
    EXPECT_EQ(lines[4], "3 archives, 2 complete; exit status 1");
    // The broken archive's messages carry its name, on standard error.
    EXPECT_NE(r.err.find("c.002: File Error - Not a Logger Archive: "), std::string::npos) << r.err;

    RunResult j = d.Run({"--json", d.Path("days/a.000"), d.Path("days/missing.003"), d.Path("days/b.001")},
                        "days/c.002");
    EXPECT_EQ(j.code, 1);
    const nlohmann::json doc = nlohmann::json::parse(j.out);
    EXPECT_EQ(doc["exit"], 1);
    ASSERT_EQ(doc["archives"].size(), 4u);
    const nlohmann::json& a = doc["archives"][0];
    EXPECT_EQ(a["archive"], d.Path("days/a.000"));
    EXPECT_EQ(a["status"], "complete");
    EXPECT_EQ(a["exit"], 0);
    EXPECT_EQ(a["channels_complete"], 2);
    EXPECT_EQ(a["rows"], 78);
    EXPECT_TRUE(a["seconds"].is_number());
    EXPECT_TRUE(a["reason"].is_null());
    EXPECT_EQ(doc["archives"][1]["status"], "missing");
    EXPECT_EQ(doc["archives"][1]["exit"], 1);
    EXPECT_EQ(doc["archives"][1]["reason"], "no such file");
    EXPECT_EQ(doc["archives"][2]["rows"], 12);
    EXPECT_EQ(doc["archives"][3]["status"], "failed");
    for (const auto& [name, text] : alone) EXPECT_TRUE(ReadFile(d.OutFile(name)) == text) << name;

    // All clean: 0.
    RunResult clean = d.Run({d.Path("days/a.000")}, "days/b.001");
    EXPECT_EQ(clean.code, 0) << clean.err;
}

TEST_F(CruiseCli, PatternsTheShellLeftAreExpandedByRix) {
    rixtest::WriteFile(d.Path("days/c.002"), "");
    std::system(("rm -f '" + d.Path("days/c.002") + "'").c_str());
    RunResult r = d.Run({"--json"}, "days/*.00?");
    ASSERT_EQ(r.code, 0) << r.err;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    ASSERT_EQ(doc["archives"].size(), 2u);
    EXPECT_EQ(doc["archives"][0]["archive"], d.Path("days/a.000"));
    EXPECT_EQ(doc["archives"][1]["archive"], d.Path("days/b.001"));
    EXPECT_TRUE(FileExists(d.OutFile("b_12_T_ASCII.001")));

    // A pattern matching nothing is reported as a missing archive.
    RunResult none = d.Run({}, "days/*.999");
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.out.find("missing"), std::string::npos) << none.out;
}

TEST_F(CruiseCli, DailyRangeAcrossTheYearsEnd) {
    d.Archive(TextArchive(1000, "dec31", 3), "days/CR23.365");
    d.Archive(TextArchive(1000, "jan1", 4), "days/CR24.001");
    d.Archive(TextArchive(1000, "jan2", 5), "days/CR24.002");
    RunResult r = d.Run({"--daily", d.Path("days/CR"), "--days", "2023-12-31..2024-01-02", "--json"}, "");
    ASSERT_EQ(r.code, 0) << r.err << r.out;
    const nlohmann::json doc = nlohmann::json::parse(r.out);
    ASSERT_EQ(doc["archives"].size(), 3u);
    EXPECT_EQ(doc["archives"][0]["archive"], d.Path("days/CR23.365"));
    EXPECT_EQ(doc["archives"][1]["archive"], d.Path("days/CR24.001"));
    EXPECT_EQ(doc["archives"][2]["archive"], d.Path("days/CR24.002"));
    EXPECT_EQ(ReadFile(d.OutFile("CR24_11_ASCII.001")), "jan1 line 1\r\njan1 line 2\r\njan1 line 3\r\n");
    EXPECT_TRUE(FileExists(d.OutFile("CR23_11_ASCII.365")));

    // A day without its archive fails that day alone.
    RunResult gap = d.Run({"--daily", d.Path("days/CR"), "--days", "2023-12-30..2024-01-01"}, "");
    EXPECT_EQ(gap.code, 1);
    EXPECT_NE(gap.out.find("CR23.364  missing"), std::string::npos) << gap.out;
    EXPECT_NE(gap.out.find("CR24.001  complete"), std::string::npos) << gap.out;
}

TEST_F(CruiseCli, RefusalsBeforeAnyRun) {
    std::system(("mkdir -p '" + d.Path("other") + "'").c_str());
    d.Archive(TextArchive(1000, "other", 2), "other/a.000");
    RunResult same = d.Run({d.Path("days/a.000"), d.Path("days/b.001")}, "other/a.000");
    EXPECT_EQ(same.code, 2);
    EXPECT_NE(same.err.find("'a.000'"), std::string::npos) << same.err;
    EXPECT_NE(same.err.find(d.Path("other/a.000")), std::string::npos) << same.err;
    EXPECT_TRUE(same.out.empty());
    EXPECT_FALSE(FileExists(d.OutFile("b_11_ASCII.001")));  // nothing ran

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--days", "2024-01-01..2024-01-02"},
          {"--daily", d.Path("days/CR"), "--days", "2024-01-02..2024-01-01"},
          {"--daily", d.Path("days/CR"), "--days", "2024-01-01"},
          {"--jobs", "0", d.Path("days/a.000")},
          {"--debug", d.Path("days/a.000"), d.Path("days/b.001")}}) {
        RunResult r = d.Run(args, "");
        EXPECT_EQ(r.code, 2) << args.back() << r.err;
    }
}

TEST(CruiseSignal, CtrlCStopsTheRunUnderWayOnWholeRowsAndStartsNoOther) {
    Deployment d;
    d.Isf("11 ASCII\r\n12 ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    const std::string line = "12.5,3.25\r\n";
    for (int i = 0; i < 120000; ++i) b.Add(1, 1000 + 10 * static_cast<uint32_t>(i), {{0, line}, {1, line}});
    for (const char* name : {"x.000", "y.000", "z.000"}) d.Archive(b, name);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(d.Path("").c_str()) != 0) _exit(127);
        const int out = ::open("out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int err = ::open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        execl(RIX_BINARY, RIX_BINARY, "extract", "--isf", "setup.isf", "--esf", "setup.esf", "--outdir", "out",
              "--jobs", "1", "x.000", "y.000", "z.000", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    auto hidden = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(d.Out()))
            if (e.path().filename().string()[0] == '.') names.push_back(e.path().filename());
        return names;
    };
    // Ctrl-C once the first archive's read is under way: rows have reached a file.
    for (int i = 0; i < 3000; ++i) {
        bool started = false;
        for (const std::string& name : hidden()) {
            std::error_code ec;
            const auto size = std::filesystem::file_size(d.Out() + "/" + name, ec);
            started = started || (name.rfind(".x_11_", 0) == 0 && !ec && size > 0);
        }
        if (started) break;
        usleep(5000);
    }
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    const std::string out = ReadFile(d.Path("out.txt"));
    EXPECT_EQ(WEXITSTATUS(status), 130) << out << ReadFile(d.Path("err.txt"));
    EXPECT_NE(out.find("x.000    stopped"), std::string::npos) << out;
    EXPECT_NE(out.find("y.000    not run"), std::string::npos) << out;
    EXPECT_NE(out.find("z.000    not run"), std::string::npos) << out;
    EXPECT_TRUE(hidden().empty());
    for (const char* name : {"x_11_ASCII.000", "x_12_ASCII.000"}) {
        const std::string rows = ReadFile(d.OutFile(name));
        EXPECT_EQ(rows.size() % 11, 0u) << name;  // whole rows
        EXPECT_LT(rows.size(), 11u * 119999) << name;
    }
    EXPECT_FALSE(FileExists(d.OutFile("y_11_ASCII.000")));
}

TEST(CruiseProgress, ArchivesDoneAndTheWholePercentOnATerminalOnly) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
    TempDir dir;
    const std::string ex = std::string(RIX_SOURCE_DIR) + "/examples";
    const std::string whole = ReadFile(ex + "/deploy.000");
    WriteFile(dir.file("one.000"), whole);
    WriteFile(dir.file("two.000"), whole);
    const std::string command = std::string(RIX_BINARY) + " extract --isf " + ex + "/deploy.isf --esf " + ex +
                                "/deploy.esf --devdir " + ex + " --outdir " + dir.path() + " --jobs 2 " +
                                dir.file("one.000") + " " + dir.file("two.000");
    auto capture = [](const std::string& c) {
        std::string out;
        std::FILE* pipe = popen(c.c_str(), "r");
        if (!pipe) return out;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        pclose(pipe);
        return out;
    };
    const std::string terminal = capture("script -qec '" + command + "' /dev/null");
    EXPECT_NE(terminal.find("\rArchives 0 of 2 done   0%"), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("\rArchives 2 of 2 done 100%"), std::string::npos) << terminal;
    EXPECT_NE(terminal.find("2 archives, 2 complete; exit status 0"), std::string::npos);
    const std::string piped = capture(command + " 2>&1");
    EXPECT_EQ(piped.find("\rArchives"), std::string::npos);
}

// The README's example for going past one machine, run as written.
TEST_F(CruiseCli, ReadmeGnuParallelExampleRuns) {
    if (std::system("command -v parallel >/dev/null 2>&1") != 0) GTEST_SKIP() << "GNU parallel is not installed";
    const std::string readme = ReadFile(std::string(RIX_SOURCE_DIR) + "/README.md");
    const size_t mark = readme.find("<!-- tested: GNU parallel -->");
    ASSERT_NE(mark, std::string::npos);
    const size_t start = readme.find("\n    ", mark) + 5;
    std::string command;
    // The indented block: lines continued with a backslash.
    for (size_t at = start;;) {
        const size_t end = readme.find('\n', at);
        std::string line = readme.substr(at, end - at);
        command += line + "\n";
        if (line.empty() || line.back() != '\\') break;
        at = end + 5;
    }
    const std::map<std::string, std::string> alone = RunAlone({"a.000", "b.001"});
    ASSERT_EQ(alone.size(), 8u);
    // The example's layout: setups, calibration folder, archives, output folder.
    std::system(("cd '" + d.Path("") + "' && mkdir -p cal cruise out && cp setup.isf cruise.isf && "
                 "cp setup.esf cruise.esf && cp days/a.000 days/b.001 cruise/")
                    .c_str());
    const std::string bin = RIX_BINARY;
    const std::string script = "cd '" + d.Path("") + "' && PATH='" + bin.substr(0, bin.rfind('/')) +
                               "':\"$PATH\" && " + command;
    ASSERT_EQ(std::system(("bash -c " + std::string("'") + [&] {
                              std::string quoted;
                              for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
                              return quoted;
                          }() + "' >/dev/null 2>&1")
                              .c_str()),
              0)
        << command;
    for (const auto& [name, text] : alone) {
        std::string got = ReadFile(d.Path("out/" + name)), want = text;
        if (name.find("_MRG") != std::string::npos) continue;  // it names its own folder
        EXPECT_TRUE(got == want) << name;
    }
}

// The Slurm job-array script, one array task run by hand.
TEST_F(CruiseCli, SlurmArrayTaskExtractsItsLineOfTheList) {
    const std::string list = d.Path("archives.txt");
    rixtest::WriteFile(list, d.Path("days/a.000") + "\n" + d.Path("days/b.001") + "\n");
    const std::string bin = RIX_BINARY;
    const std::string cmd = "cd '" + d.Path("") + "' && SLURM_ARRAY_TASK_ID=2 RIX='" + bin + "' RIX_ISF=setup.isf " +
                            "RIX_ESF=setup.esf RIX_DEVDIR=. RIX_OUTDIR=out bash '" + RIX_SOURCE_DIR +
                            "/scripts/slurm-cruise.sh' '" + list + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_TRUE(FileExists(d.OutFile("b_11_ASCII.001")));
    EXPECT_FALSE(FileExists(d.OutFile("a_11_ASCII.000")));
    const std::string past = "cd '" + d.Path("") + "' && SLURM_ARRAY_TASK_ID=3 RIX='" + bin +
                             "' RIX_ISF=setup.isf RIX_ESF=setup.esf bash '" + RIX_SOURCE_DIR +
                             "/scripts/slurm-cruise.sh' '" + list + "' >/dev/null 2>&1";
    EXPECT_NE(std::system(past.c_str()), 0);  // no third line: the task fails
}

#ifdef RIX_HAVE_NETCDF
// Archives side by side each write their NetCDF file, with a writer thread
// apiece: the library is called by one thread at a time, and every file
// holds its archive's rows as its text files do.
TEST_F(CruiseCli, ArchivesSideBySideEachWriteTheirNetcdfFile) {
    std::vector<std::string> archives;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "days/n" + std::to_string(i) + ".00" + std::to_string(i);
        d.Archive(TextArchive(1000 + 100 * static_cast<uint32_t>(i), "n" + std::to_string(i), 200 + 50 * i), name);
        archives.push_back(name);
    }
    std::vector<std::string> args = {"--jobs", "2", "--netcdf"};
    for (size_t i = 1; i < archives.size(); ++i) args.push_back(d.Path(archives[i]));
    RunResult r = d.Run(args, archives[0]);
    ASSERT_EQ(r.code, 0) << r.err;
    for (int i = 0; i < 6; ++i) {
        const std::string base = "n" + std::to_string(i);
        const std::string text = ReadFile(d.OutFile(base + "_11_ASCII.00" + std::to_string(i)));
        const std::vector<std::string> lines = ReadNcStrings(d.OutFile(base + ".nc"), "ch11_ASCII", "line");
        ASSERT_EQ(lines.size(), static_cast<size_t>(std::count(text.begin(), text.end(), '\n'))) << base;
        EXPECT_EQ(lines.back(), base + " line " + std::to_string(199 + 50 * i)) << base;
    }
}

TEST(CombineCli, TwoDaysJoinedAndUnlikeFilesRefused) {
    TempDir dir;
    NcGroup day1, day2;
    day1.name = day2.name = "ch11_ASCII";
    day1.times = {100, 101, 102};
    day2.times = {86500, 86501};
    day1.columns = {{"value", "1", {1, 2, 3}}};
    day2.columns = {{"value", "1", {4, 5}}};
    WriteNcFile(dir.file("d2.nc"), {day2});
    WriteNcFile(dir.file("d1.nc"), {day1});
    Deployment d;
    RunResult r = d.Rix({"combine", dir.file("all.nc"), dir.file("d2.nc"), dir.file("d1.nc")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadNcDoubles(dir.file("all.nc"), "ch11_ASCII", "time"), (std::vector<double>{100, 101, 102, 86500, 86501}));
    EXPECT_EQ(ReadNcDoubles(dir.file("all.nc"), "ch11_ASCII", "value"), (std::vector<double>{1, 2, 3, 4, 5}));

    day2.columns[0].name = "other";
    WriteNcFile(dir.file("d2.nc"), {day2});
    r = d.Rix({"combine", dir.file("new.nc"), dir.file("d1.nc"), dir.file("d2.nc")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("other variables"), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(dir.file("new.nc")));
    EXPECT_EQ(d.Rix({"combine", dir.file("new.nc")}).code, 2);
}
#endif

}  // namespace
