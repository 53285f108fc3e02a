// What `rix plot` hands to its drawing module. The module (rix-plot.so,
// beside the rix program) holds the Qt half of the command: it is loaded
// only when a picture is asked for, so the other commands run without the
// toolkit's libraries in memory.
#pragma once
#include <cstdio>

extern "C" {

struct RixPlotJob {
    const char* file;    // the command's options as given; empty when not
    const char* kind;
    const char* x;
    const char* y;
    const char* row;
    const char* size;
    const char* output;
    const char* help;    // the command's help, printed after a usage error
    std::FILE* out;
    std::FILE* err;
};

// The exit status: 0 the picture was written, 1 the file cannot be plotted,
// 2 usage error.
typedef int (*RixPlotRunFunction)(const RixPlotJob* job);

}  // extern "C"

// The module's entry point; its name changes with the job's layout.
#define RIX_PLOT_RUN_SYMBOL "RixPlotRun1"
