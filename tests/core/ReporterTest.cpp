#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "report/Reporter.h"

namespace {

std::string Drain(std::FILE* f) {
    std::rewind(f);
    std::string s;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    return s;
}

TEST(StreamReporter, BoxesGoToStandardErrorWithOneLineEnd) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    rix::StreamReporter r(out, err, false);
    r.ShowError("ISF File Error", "Error reading config file <x>\n");
    r.ShowError("File Error", "Unable to open y");
    r.Print("\nChannel 12:  Type 9 Not Valid\n");
    EXPECT_EQ(Drain(err), "ISF File Error: Error reading config file <x>\nFile Error: Unable to open y\n");
    EXPECT_EQ(Drain(out), "\nChannel 12:  Type 9 Not Valid\n");
    std::fclose(out);
    std::fclose(err);
}

TEST(StreamReporter, StatusOnlyWhenVerboseButLastAlwaysAtEnd) {
    std::FILE* err = std::tmpfile();
    rix::StreamReporter quiet(stdout, err, false);
    quiet.SetStatus("Setup");
    quiet.SetStatus("Finished");
    quiet.FinishRun();
    EXPECT_EQ(Drain(err), "Status:  Finished\n");
    std::fclose(err);

    err = std::tmpfile();
    rix::StreamReporter loud(stdout, err, true);
    loud.SetStatus("Setup");
    loud.SetStatus("Finished");
    loud.FinishRun();
    EXPECT_EQ(Drain(err), "Status:  Setup\nStatus:  Finished\n");
    std::fclose(err);
}

TEST(Format, LongTextsAreNotCut) {
    std::string big(2000, 'x');
    EXPECT_EQ(rix::Format("<%s>", big.c_str()), "<" + big + ">");
}

}  // namespace
