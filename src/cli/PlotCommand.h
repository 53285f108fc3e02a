// rix plot: a quick-look picture of an extracted or merged file.
#pragma once
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

namespace rixcli {

extern const char* const kPlotHelp;

struct PlotOptions {
    CLI::App* command = nullptr;
    std::string file, kind, x, y, row, size, output;
};

// Adds the plot subcommand and its options to the command line.
void AddPlotCommand(CLI::App& app, PlotOptions& options);

// Runs it: 0 the picture was written, 1 the file cannot be plotted (or plots
// are not built in), 2 usage error.
int RunPlotCommand(const PlotOptions& options, std::FILE* out, std::FILE* err);

}  // namespace rixcli
