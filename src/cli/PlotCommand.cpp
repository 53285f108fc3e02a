#include "PlotCommand.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "PlotJob.h"
#include "report/Reporter.h"

namespace rixcli {

const char* const kPlotHelp =
    "Usage: rix plot FILE [--kind series|profile|spectrum|track] [--x COLUMN]\n"
    "                [--y COLUMN[,COLUMN...]] [--row N] [--size WxH] --output OUT.png|OUT.svg\n"
    "\n"
    "Draws a quick-look picture of a file RIX wrote (a channel file or a merged file).\n"
    "  --kind KIND     series: columns against the time stamp; profile: columns against\n"
    "                  pressure (or depth), drawn downward, down- and up-casts in two shades;\n"
    "                  spectrum: one row of an a/c meter against wavelength; track: latitude\n"
    "                  against longitude of a GPS file. Default by file: a pressure column\n"
    "                  gives a profile of temperature and salinity, a GPS file a track, an\n"
    "                  a/c meter file a spectrum of its middle row, anything else a series\n"
    "                  of its first value column.\n"
    "  --x COLUMN      the column drawn against (the time stamp, pressure, longitude)\n"
    "  --y COLUMNS     the columns drawn, by their titles, separated by commas\n"
    "  --row N         the spectrum's data row, counted from 1 (default: the middle row)\n"
    "  --size WxH      picture size in pixels (default 1200x800)\n"
    "  --output FILE   the picture: .png or .svg\n"
    "Placeholder values (9999.999999, 9999.9, 9999.0, 99 salinity, 99.9 CTD temperature)\n"
    "are gaps.\n"
    "Exit status: 0 the picture was written, 1 the file cannot be plotted, 2 usage error.\n";

namespace {

#ifdef RIX_WITH_PLOT
// The drawing module: named by RIX_PLOT_MODULE, else rix-plot.so in the
// folder of the running program.
std::string PlotModulePath() {
    if (const char* named = std::getenv("RIX_PLOT_MODULE"); named && *named) return named;
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "rix-plot.so";
    std::string path(self, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/rix-plot.so";
}
#endif

}  // namespace

void AddPlotCommand(CLI::App& app, PlotOptions& o) {
    o.command = app.add_subcommand("plot");
    o.command->add_option("FILE", o.file);
    o.command->add_option("--kind", o.kind);
    o.command->add_option("--x", o.x);
    o.command->add_option("--y", o.y);
    o.command->add_option("--row", o.row);
    o.command->add_option("--size", o.size);
    o.command->add_option("--output", o.output);
}

int RunPlotCommand(const PlotOptions& o, std::FILE* out, std::FILE* err) {
    rix::StreamReporter reporter(out, err, false);
#ifndef RIX_WITH_PLOT
    (void)o;
    reporter.ShowError("rix plot", "plots are not built into this rix (it was built without Qt Charts)");
    return 1;
#else
    const std::string path = PlotModulePath();
    // Loaded once and kept: the toolkit does not expect to be unloaded.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = dlerror();
        reporter.ShowError("rix plot", "cannot load the drawing module " + path + ": " + (why ? why : "unknown error"));
        return 1;
    }
    auto run = reinterpret_cast<RixPlotRunFunction>(dlsym(module, RIX_PLOT_RUN_SYMBOL));
    if (!run) {
        reporter.ShowError("rix plot", "the drawing module " + path + " is not this rix's (no " RIX_PLOT_RUN_SYMBOL ")");
        return 1;
    }
    const RixPlotJob job{o.file.c_str(), o.kind.c_str(), o.x.c_str(), o.y.c_str(), o.row.c_str(),
                         o.size.c_str(), o.output.c_str(), kPlotHelp, out, err};
    return run(&job);
#endif
}

}  // namespace rixcli
