#include "PlotCommand.h"

#include <cctype>
#include <cstdlib>
#include <vector>

#include "report/Reporter.h"

#ifdef RIX_WITH_PLOT
#include <QApplication>
#include <memory>

#include "PlotChart.h"
#include "PlotModel.h"
#include "inspect/ExtractedFile.h"
#endif

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
// The toolkit's notes about the missing session (no display, no runtime
// folder) mean nothing to a command that draws off screen.
void QuietQtNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void Write(std::FILE* f, const std::string& s) { std::fwrite(s.data(), 1, s.size(), f); }

int Usage(std::FILE* err, const std::string& message) {
    Write(err, "rix plot: " + message + "\n");
    Write(err, kPlotHelp);
    return 2;
}

bool ParsePositive(const std::string& text, long limit, long& value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 1 || v > limit) return false;
    value = v;
    return true;
}

std::vector<std::string> SplitNames(const std::string& text) {
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        if (comma > pos) names.push_back(text.substr(pos, comma - pos));
        pos = comma + 1;
    }
    return names;
}

bool HasSuffix(const std::string& path, const std::string& suffix) {
    if (path.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        const char c = path[path.size() - suffix.size() + i];
        if (std::tolower(static_cast<unsigned char>(c)) != suffix[i]) return false;
    }
    return true;
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
    if (o.file.empty()) return Usage(err, "one file to plot is needed");
    if (o.output.empty()) return Usage(err, "no output picture given (--output OUT.png or OUT.svg)");
    if (!HasSuffix(o.output, ".png") && !HasSuffix(o.output, ".svg"))
        return Usage(err, "the output '" + o.output + "' must end in .png or .svg");
    rixplot::PlotRequest request;
    if (!o.kind.empty()) {
        rixplot::PlotKind kind;
        if (!rixplot::ParseKind(o.kind, kind))
            return Usage(err, "unknown kind '" + o.kind + "' (series, profile, spectrum or track)");
        request.kind = kind;
    }
    if (!o.row.empty() && !ParsePositive(o.row, 2000000000L, request.row))
        return Usage(err, "the row must be a whole number from 1");
    long width = 1200, height = 800;
    if (!o.size.empty()) {
        const size_t x = o.size.find_first_of("xX");
        if (x == std::string::npos || !ParsePositive(o.size.substr(0, x), 20000, width) ||
            !ParsePositive(o.size.substr(x + 1), 20000, height) || width < 100 || height < 100)
            return Usage(err, "the size must be WIDTHxHEIGHT in pixels, 100 to 20000 each (as 1200x800)");
    }
    request.x = o.x;
    request.y = SplitNames(o.y);

    // The picture is drawn off screen: no display is needed.
    std::unique_ptr<QApplication> application;
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietQtNotes);
        static int argc = 1;
        static char name[] = "rix";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
    }

    rix::ExtractedLayout layout;
    std::string error;
    rixplot::PlotData plot;
    if (!rix::ReadExtractedLayout(o.file, layout, error) || !rixplot::BuildPlot(layout, request, plot, error)) {
        reporter.ShowError("rix plot", error);
        return 1;
    }
    QString message;
    if (!rixplot::RenderPlotFile(plot, QSize(static_cast<int>(width), static_cast<int>(height)),
                                 QString::fromStdString(o.output), message)) {
        reporter.ShowError("rix plot", message.toStdString());
        return 1;
    }
    return 0;
#endif
}

}  // namespace rixcli
