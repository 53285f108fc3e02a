// rix extract's progress line: on a terminal only, and never with --verbose.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Capture(const std::string& command) {
    std::string out;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

std::string ExtractCommand(const std::string& extra) {
    const std::string ex = std::string(RIX_SOURCE_DIR) + "/examples";
    return std::string(RIX_BINARY) + " extract --isf " + ex + "/deploy.isf --esf " + ex +
           "/deploy.esf --devdir " + ex + " --outdir " + ::testing::TempDir() + " " + extra + " " +
           ex + "/deploy.000";
}

TEST(ProgressLine, ShownOnATerminalOnly) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
    std::string terminal = Capture("script -qec '" + ExtractCommand("") + "' /dev/null");
    EXPECT_NE(terminal.find("\rReading the archive   0%"), std::string::npos);
    EXPECT_NE(terminal.find("\rReading the archive 100%"), std::string::npos);
    EXPECT_NE(terminal.find("Status:  Done with Extraction"), std::string::npos);

    std::string verbose = Capture("script -qec '" + ExtractCommand("--verbose") + "' /dev/null");
    EXPECT_EQ(verbose.find("\rReading"), std::string::npos);
    std::string piped = Capture(ExtractCommand("") + " 2>&1");
    EXPECT_EQ(piped.find("\rReading"), std::string::npos);
    EXPECT_NE(piped.find("Status:  Done with Extraction"), std::string::npos);
}

}  // namespace
