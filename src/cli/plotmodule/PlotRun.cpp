// The drawing half of `rix plot`, built as a module the command loads when
// a picture is asked for (see PlotJob.h).
#include <QApplication>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "PlotChart.h"
#include "PlotJob.h"
#include "PlotModel.h"
#include "inspect/ExtractedFile.h"
#include "report/Reporter.h"

namespace {

struct Options {
    std::string file, kind, x, y, row, size, output;
};

// The toolkit's notes about the missing session (no display, no runtime
// folder) mean nothing to a command that draws off screen.
void QuietQtNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void Write(std::FILE* f, const std::string& s) { std::fwrite(s.data(), 1, s.size(), f); }

int Usage(std::FILE* err, const char* help, const std::string& message) {
    Write(err, "rix plot: " + message + "\n");
    if (help) Write(err, help);
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

int Run(const RixPlotJob& job) {
    std::FILE* err = job.err;
    rix::StreamReporter reporter(job.out, err, false);
    const Options o{job.file, job.kind, job.x, job.y, job.row, job.size, job.output};
    auto usage = [&](const std::string& message) { return Usage(err, job.help, message); };
    if (o.file.empty()) return usage("one file to plot is needed");
    if (o.output.empty()) return usage("no output picture given (--output OUT.png or OUT.svg)");
    if (!HasSuffix(o.output, ".png") && !HasSuffix(o.output, ".svg"))
        return usage("the output '" + o.output + "' must end in .png or .svg");
    rixplot::PlotRequest request;
    if (!o.kind.empty()) {
        rixplot::PlotKind kind;
        if (!rixplot::ParseKind(o.kind, kind))
            return usage("unknown kind '" + o.kind + "' (series, profile, spectrum or track)");
        request.kind = kind;
    }
    if (!o.row.empty() && !ParsePositive(o.row, 2000000000L, request.row))
        return usage("the row must be a whole number from 1");
    long width = 1200, height = 800;
    if (!o.size.empty()) {
        const size_t x = o.size.find_first_of("xX");
        if (x == std::string::npos || !ParsePositive(o.size.substr(0, x), 20000, width) ||
            !ParsePositive(o.size.substr(x + 1), 20000, height) || width < 100 || height < 100)
            return usage("the size must be WIDTHxHEIGHT in pixels, 100 to 20000 each (as 1200x800)");
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
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int RixPlotRun1(const RixPlotJob* job) {
    return job ? Run(*job) : 2;
}
