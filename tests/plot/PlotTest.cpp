// The quick-look plots drawn from the example deployment's files, off screen:
// each kind's picture, gaps, the profile's downward axis, the SVG's paths,
// the decimation of a million rows, the command line and the plot window.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QComboBox>
#include <QSlider>
#include <QTemporaryDir>
#include <QDateTimeAxis>
#include <QValueAxis>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>
#include <cstdio>

#include "Cli.h"
#include "PlotChart.h"
#include "PlotModel.h"
#include "PlotWindow.h"
#include "inspect/ExtractedFile.h"
#include "report/Reporter.h"
#ifdef RIX_WITH_UI
#include "RixProgram.h"
#include "Rixmain.h"
#include <QAction>
#include <QLabel>
#include <QTimer>
#endif

using namespace rixplot;

namespace {

const QString kExamples = QStringLiteral(RIX_SOURCE_DIR "/examples");

// Runs the command line in this process; its standard error as text.
int RunRix(const std::vector<std::string>& args, QString* errText = nullptr) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = rixcli::Run(args, out, err);
    if (errText) {
        std::rewind(err);
        QByteArray bytes;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, err)) > 0) bytes.append(buffer, static_cast<qsizetype>(n));
        *errText = QString::fromLocal8Bit(bytes);
    }
    std::fclose(out);
    std::fclose(err);
    return code;
}

bool Near(QRgb pixel, const QColor& c, int tolerance = 40) {
    return std::abs(qRed(pixel) - c.red()) + std::abs(qGreen(pixel) - c.green()) + std::abs(qBlue(pixel) - c.blue()) <
           tolerance;
}

int CountColor(const QImage& image, const QRect& area, const QColor& c) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Near(image.pixel(x, y), c)) ++n;
    return n;
}

// A chart in a view of the given size, laid out as the command line draws it.
struct Drawn {
    PlotChart* chart = nullptr;
    std::unique_ptr<QChartView> view;
    QImage image;
    QRect area;  // the plot area in the picture's pixels, inside its frame
};

std::unique_ptr<Drawn> Draw(const PlotData& plot, const QString& png, QSize size = QSize(800, 600)) {
    auto d = std::make_unique<Drawn>();
    d->chart = new PlotChart;
    d->chart->SetPlot(plot);
    d->view = std::make_unique<QChartView>(d->chart);
    d->view->setFrameShape(QFrame::NoFrame);
    d->view->setAttribute(Qt::WA_DontShowOnScreen);
    d->view->resize(size);
    d->view->show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QString error;
    if (!SaveView(*d->view, png, error)) qWarning("%s", qPrintable(error));
    d->image = QImage(png);
    d->area = d->chart->plotArea().toRect().adjusted(2, 2, -2, -2);
    return d;
}

PlotData Build(const QString& path, PlotRequest request = PlotRequest()) {
    rix::ExtractedLayout layout;
    std::string error;
    PlotData plot;
    if (!rix::ReadExtractedLayout(path.toStdString(), layout, error) || !BuildPlot(layout, request, plot, error))
        qWarning("%s", error.c_str());
    return plot;
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

}  // namespace

class PlotTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void drawsEachKind_data();
    void drawsEachKind();
    void placeholdersAreGaps();
    void profileRunsDownwardAndSplitsCasts();
    void isoStampsAndTimeGaps();
    void svgHoldsOnePathPerSeries();
    void decimationKeepsExtremes();
    void millionRowsDrawQuickly();
    void commandLine();
    void commandLineRefusals();
    void plotWindow();
#ifdef RIX_WITH_UI
    void mainWindowPlotItem();
#endif

private:
    QString File(const QString& name) const { return dir_.path() + "/out/" + name; }
    QTemporaryDir dir_;
};

void PlotTest::initTestCase() {
    QVERIFY(dir_.isValid());
    const std::string out = (dir_.path() + "/out").toStdString();
    QDir().mkpath(dir_.path() + "/out");
    QCOMPARE(RunRix({"extract", "--isf", (kExamples + "/deploy.isf").toStdString(), "--esf",
                     (kExamples + "/deploy.esf").toStdString(), "--devdir", kExamples.toStdString(), "--outdir",
                     out, (kExamples + "/deploy.000").toStdString()}),
             0);
    QCOMPARE(RunRix({"merge", "--msf", (kExamples + "/deploy.msf").toStdString(), "--devdir",
                     kExamples.toStdString(), "--outdir", out, out + "/deploy_MRG.000"}),
             0);
    QVERIFY(QFile::exists(File("deploy_pair_02.000")));
}

void PlotTest::drawsEachKind_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("kind");
    QTest::newRow("CTD profile") << "deploy_15_SBE25CTD.000" << int(PlotKind::kProfile);
    QTest::newRow("merged CTD profile") << "deploy_pair_01.000" << int(PlotKind::kProfile);
    QTest::newRow("NX9 spectrum") << "deploy_23_NX9.000" << int(PlotKind::kSpectrum);
    QTest::newRow("merged NX9 spectrum") << "deploy_pair_02.000" << int(PlotKind::kSpectrum);
    QTest::newRow("GPS track") << "deploy_17_GPS.000" << int(PlotKind::kTrack);
    QTest::newRow("ORB series") << "deploy_16_ORB.000" << int(PlotKind::kSeries);
    QTest::newRow("Satlantic series") << "deploy_24_SATLANTIC.000" << int(PlotKind::kSeries);
    QTest::newRow("ASCII series") << "deploy_11_ASCII.000" << int(PlotKind::kSeries);
}

void PlotTest::drawsEachKind() {
    QFETCH(QString, file);
    QFETCH(int, kind);
    const PlotData plot = Build(File(file));
    QCOMPARE(int(plot.kind), kind);
    QVERIFY(!plot.traces.empty());
    auto d = Draw(plot, dir_.path() + "/kind.png");
    QCOMPARE(d->image.size(), QSize(800, 600));
    for (const Trace& t : plot.traces)
        QVERIFY2(CountColor(d->image, d->area, t.color) > 10, qPrintable(t.name));
}

void PlotTest::placeholdersAreGaps() {
    QByteArray text = "Time(ms)\tA\tB\tSal(PSU)\r\n";
    for (int i = 0; i < 200; ++i) {
        const bool hole = i >= 90 && i < 110;
        text += QByteArray::number(i * 1000) + "\t" + (hole ? "9999.999999" : QByteArray::number(i % 7)) +
                "\t9999.0\t" + (i == 5 ? "99" : "31.5") + "\r\n";
    }
    const QString path = dir_.path() + "/gaps.000";
    WriteText(path, text);
    PlotRequest request;
    request.y = {"A", "B", "Sal(PSU)"};
    const PlotData plot = Build(path, request);
    QCOMPARE(plot.traces.size(), size_t(3));
    auto d = Draw(plot, dir_.path() + "/gaps.png");
    // A breaks in two around its placeholders, with no line across the hole.
    QCOMPARE(d->chart->DrawnRuns(0).size(), size_t(2));
    const double left = d->chart->DrawnRuns(0)[0].back().x(), right = d->chart->DrawnRuns(0)[1].front().x();
    QVERIFY(right - left > 20);
    const int middle = int((left + right) / 2);
    QCOMPARE(CountColor(d->image, QRect(middle - 3, d->area.top(), 6, d->area.height()), plot.traces[0].color), 0);
    // A column of placeholders draws nothing.
    QVERIFY(d->chart->DrawnRuns(1).empty());
    QCOMPARE(CountColor(d->image, d->area, plot.traces[1].color), 0);
    // 99 as a salinity is a gap too (the row alone stands apart).
    QCOMPARE(d->chart->DrawnRuns(2).size(), size_t(2));
}

void PlotTest::profileRunsDownwardAndSplitsCasts() {
    const PlotData plot = Build(File("deploy_15_SBE25CTD.000"));
    QCOMPARE(plot.yTitle, QString("P(dbars)"));
    QCOMPARE(plot.yColumns, (std::vector<QString>{"Temp(C)", "Sal(PSU)"}));
    auto d = Draw(plot, dir_.path() + "/profile.png");
    auto* y = qobject_cast<QValueAxis*>(d->chart->axes(Qt::Vertical).first());
    QVERIFY(y && y->isReverse());
    QLineSeries* s = qobject_cast<QLineSeries*>(d->chart->series().first());
    QVERIFY(d->chart->mapToPosition(QPointF(10, 80), s).y() > d->chart->mapToPosition(QPointF(10, 10), s).y());
    // Down- and up-casts of the same column are two traces in two colours.
    QCOMPARE(plot.traces[0].name, QString("Temp(C) down"));
    QCOMPARE(plot.traces[1].name, QString("Temp(C) up"));
    QVERIFY(plot.traces[0].color != plot.traces[1].color);

    // A cast turns only when the pressure comes back by more than 1 dbar.
    const std::vector<bool> down = CastDirections({0, 1, 2, 3, 2.5, 3.5, 5, 4, 3.9, 2, 1, NAN, 0.5, 3});
    QCOMPARE(down, (std::vector<bool>{true, true, true, true, true, true, true, true, false, false, false, false,
                                      false, true}));
}

void PlotTest::isoStampsAndTimeGaps() {
    // One row a second with ten minutes missing in the middle.
    QByteArray text = "DateTimeUTC\tLevel\r\n";
    QDateTime t(QDate(2026, 12, 31), QTime(23, 55, 0), Qt::UTC);
    for (int i = 0; i < 100; ++i) {
        text += t.toString("yyyy-MM-ddThh:mm:ss.zzzZ").toLatin1() + "\t" + QByteArray::number(i) + "\r\n";
        t = t.addSecs(i == 49 ? 600 : 1);
    }
    const QString path = dir_.path() + "/iso.000";
    WriteText(path, text);
    const PlotData plot = Build(path);
    QCOMPARE(plot.kind, PlotKind::kSeries);
    QVERIFY(plot.xIsDate);
    QCOMPARE(qint64(plot.traces[0].x.front()),
             QDateTime(QDate(2026, 12, 31), QTime(23, 55, 0), Qt::UTC).toMSecsSinceEpoch());
    auto d = Draw(plot, dir_.path() + "/iso.png");
    QVERIFY(qobject_cast<QDateTimeAxis*>(d->chart->axes(Qt::Horizontal).first()));
    QCOMPARE(d->chart->DrawnRuns(0).size(), size_t(2));  // no line across the missing minutes
}

void PlotTest::svgHoldsOnePathPerSeries() {
    const QString svg = dir_.path() + "/profile.svg";
    QCOMPARE(RunRix({"plot", File("deploy_15_SBE25CTD.000").toStdString(), "--output", svg.toStdString()}), 0);
    const PlotData plot = Build(File("deploy_15_SBE25CTD.000"));
    QFile f(svg);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    QMap<QString, int> paths;  // per stroke colour, paths of many points
    QStringList strokes;
    int width = 0, height = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("svg")) {
            width = xml.attributes().value("width").toString().remove("mm").toDouble() > 0 ? 1 : 0;
            height = xml.attributes().value("viewBox").toString().contains("1200 800") ? 1 : 0;
        }
        if (xml.isStartElement() && xml.name() == QLatin1String("g")) strokes << xml.attributes().value("stroke").toString();
        if (xml.isEndElement() && xml.name() == QLatin1String("g") && !strokes.isEmpty()) strokes.removeLast();
        if (xml.isStartElement() && xml.name() == QLatin1String("path") && !strokes.isEmpty() &&
            xml.attributes().value("d").count(QLatin1Char('L')) > 20)
            ++paths[strokes.last()];
    }
    QVERIFY(!xml.hasError());
    QCOMPARE(width, 1);
    QCOMPARE(height, 1);
    for (const Trace& t : plot.traces) QCOMPARE(paths.value(t.color.name()), 1);
}

void PlotTest::decimationKeepsExtremes() {
    std::vector<QPointF> points;
    for (int i = 0; i < 1000000; ++i) points.emplace_back(i * 800.0 / 1000000, 300 + 100 * std::sin(i * 0.001));
    points[123457].setY(-5000);
    points[876543].setY(9000);
    points[500000] = QPointF(NAN, NAN);
    const auto runs = Decimate(points, false);
    QCOMPARE(runs.size(), size_t(2));
    double low = 1e9, high = -1e9;
    size_t kept = 0;
    for (const auto& run : runs) {
        kept += run.size();
        for (const QPointF& p : run) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    }
    QCOMPARE(low, -5000.0);
    QCOMPARE(high, 9000.0);
    QVERIFY(kept <= 4 * 801 + 8);
    // The order survives: the first and last points stay where they were.
    QCOMPARE(runs.front().front(), points.front());
    QCOMPARE(runs.back().back(), points.back());
}

void PlotTest::millionRowsDrawQuickly() {
    QByteArray text = "Time(ms)\tLevel\r\n";
    text.reserve(20 * 1000000);
    for (int i = 0; i < 1000000; ++i) {
        const double v = i == 654321 ? 250.0 : i == 222222 ? -250.0 : 10 * std::sin(i * 0.0005);
        text += QByteArray::number(i * 10) + "\t" + QByteArray::number(v, 'f', 4) + "\r\n";
    }
    const QString path = dir_.path() + "/million.000";
    WriteText(path, text);
    const QString png = dir_.path() + "/million.png";
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(RunRix({"plot", path.toStdString(), "--output", png.toStdString()}), 0);
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));

    const PlotData plot = Build(path);
    timer.restart();
    auto d = Draw(plot, dir_.path() + "/million2.png", QSize(1200, 800));
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    // The spike and the dip are in the drawn data: the extremes of the axis.
    QLineSeries* s = qobject_cast<QLineSeries*>(d->chart->series().first());
    const double top = d->chart->mapToPosition(QPointF(0, 250), s).y();
    const double bottom = d->chart->mapToPosition(QPointF(0, -250), s).y();
    double low = 1e9, high = -1e9;
    size_t kept = 0;
    for (const auto& run : d->chart->DrawnRuns(0)) {
        kept += run.size();
        for (const QPointF& p : run) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    }
    QCOMPARE(low, top);
    QCOMPARE(high, bottom);
    QVERIFY(kept < 6000);
}

void PlotTest::commandLine() {
    const QString png = dir_.path() + "/track.png";
    QCOMPARE(RunRix({"plot", File("deploy_17_GPS.000").toStdString(), "--size", "640x480", "--output",
                     png.toStdString()}),
             0);
    QCOMPARE(QImage(png).size(), QSize(640, 480));
    // Chosen columns, kind and row.
    QCOMPARE(RunRix({"plot", File("deploy_15_SBE25CTD.000").toStdString(), "--kind", "series", "--y",
                     "Temp(C),Conduct", "--output", png.toStdString()}),
             0);
    QCOMPARE(RunRix({"plot", File("deploy_23_NX9.000").toStdString(), "--row", "1", "--output", png.toStdString()}),
             0);
    PlotRequest r;
    r.row = 0;
    const PlotData middle = Build(File("deploy_23_NX9.000"), r);
    QCOMPARE(middle.row, (middle.rows + 1) / 2);
    // West-positive longitudes are drawn east to the right: negative.
    const PlotData track = Build(File("deploy_17_GPS.000"));
    QVERIFY(track.traces[0].x[1] < -70);
}

void PlotTest::commandLineRefusals() {
    const QString out = dir_.path() + "/refused.png";
    const std::string o = out.toStdString();
    const std::string ctd = File("deploy_15_SBE25CTD.000").toStdString();
    QString err;
    QCOMPARE(RunRix({"plot", ctd, "--y", "Nope", "--output", o}, &err), 1);
    QVERIFY(err.contains("Nope") && err.contains("P(dbars), Temp(C)"));
    const QString prose = dir_.path() + "/prose.txt", empty = dir_.path() + "/empty.000";
    WriteText(prose, "Dear all,\nthe cruise went well.\nRegards\n");
    WriteText(empty, "");
    QCOMPARE(RunRix({"plot", prose.toStdString(), "--output", o}, &err), 1);
    QVERIFY(err.contains(prose));
    QCOMPARE(RunRix({"plot", empty.toStdString(), "--output", o}, &err), 1);
    QVERIFY(err.contains("empty"));
    QCOMPARE(RunRix({"plot", File("deploy_23_NX9.000").toStdString(), "--row", "999999", "--output", o}), 1);
    QCOMPARE(RunRix({"plot", ctd}), 2);
    QCOMPARE(RunRix({"plot", ctd, "--kind", "pie", "--output", o}), 2);
    QCOMPARE(RunRix({"plot", ctd, "--output", (dir_.path() + "/x.jpg").toStdString()}), 2);
    QCOMPARE(RunRix({"plot", ctd, "--colour", "red", "--output", o}), 2);
    QCOMPARE(RunRix({"plot", ctd, "--size", "12", "--output", o}), 2);
    QVERIFY(!QFile::exists(out));

    // Without its drawing module the command says which file it could not load.
    const QByteArray module = qgetenv("RIX_PLOT_MODULE");
    qputenv("RIX_PLOT_MODULE", (dir_.path() + "/no-such-module.so").toUtf8());
    QCOMPARE(RunRix({"plot", ctd, "--output", o}, &err), 1);
    qputenv("RIX_PLOT_MODULE", module);
    QVERIFY2(err.contains("cannot load the drawing module") && err.contains("no-such-module.so"), qPrintable(err));
    QVERIFY(!QFile::exists(out));
}

void PlotTest::plotWindow() {
    rix::RecordingReporter reporter;
    QString saveAs;
    PlotDialogs dialogs;
    dialogs.chooseSave = [&saveAs](QWidget*) { return saveAs; };
    PlotWindow w(reporter, dialogs);
    const QStringList files = PlotWindow::RunFiles(PlotWindow::NewestWorkingFile(dir_.path() + "/out"));
    QVERIFY(files.size() >= 12);
    QVERIFY(files.contains(File("deploy_pair_01.000")));
    w.SetFiles(files);
    w.show();
    const QString shots = QStringLiteral(RIX_SCREENSHOT_DIR);
    QDir().mkpath(shots);

    w.OpenFile(File("deploy_15_SBE25CTD.000"));
    w.WaitIdle();
    QCoreApplication::processEvents();
    QCOMPARE(w.KindBox()->currentText(), QString("profile"));
    QCOMPARE(w.YList()->findItems("Sal(PSU)", Qt::MatchExactly).first()->checkState(), Qt::Checked);
    QVERIFY(w.grab().save(shots + "/plot_profile.png"));

    // Zoom into a corner, then back to the whole data.
    auto* y = qobject_cast<QValueAxis*>(w.Chart()->axes(Qt::Vertical).first());
    const double fullRange = y->max() - y->min();
    w.Chart()->zoomIn(QRectF(w.Chart()->plotArea().topLeft(), w.Chart()->plotArea().size() / 4));
    QVERIFY(y->max() - y->min() < fullRange / 2);
    w.ResetButton()->click();
    QCOMPARE(y->max() - y->min(), fullRange);

    // Another kind and other columns from the pickers.
    w.KindBox()->setCurrentText("series");
    w.XBox()->setCurrentIndex(0);  // the time stamp
    for (int i = 0; i < w.YList()->count(); ++i)
        w.YList()->item(i)->setCheckState(w.YList()->item(i)->text() == "Conduct" ? Qt::Checked : Qt::Unchecked);
    w.Redraw();
    w.WaitIdle();
    QCOMPARE(w.Chart()->Plot().kind, PlotKind::kSeries);
    QCOMPARE(w.Chart()->Plot().yColumns, std::vector<QString>{"Conduct"});
    QVERIFY(w.grab().save(shots + "/plot_series.png"));

    w.OpenFile(File("deploy_23_NX9.000"));
    w.WaitIdle();
    QVERIFY(w.RowSlider()->isVisible());
    w.RowSlider()->setValue(3);
    QCOMPARE(w.Chart()->Plot().row, 3L);
    QVERIFY(w.Chart()->title().contains("row 3 of"));
    QVERIFY(w.grab().save(shots + "/plot_spectrum.png"));

    w.OpenFile(File("deploy_17_GPS.000"));
    w.WaitIdle();
    QVERIFY(w.grab().save(shots + "/plot_track.png"));
    saveAs = dir_.path() + "/window.svg";
    w.SaveButton()->click();
    QVERIFY(QFile::exists(saveAs));

    // A file that cannot be plotted is one message, and the plot stays.
    const QString prose = dir_.path() + "/words.txt";
    WriteText(prose, "nothing here\n");
    w.OpenFile(prose);
    w.WaitIdle();
    QCOMPARE(reporter.boxes.size(), size_t(1));
    QVERIFY(reporter.boxes[0].text.find("words.txt") != std::string::npos);
    QCOMPARE(w.Chart()->Plot().kind, PlotKind::kTrack);
}

#ifdef RIX_WITH_UI
void PlotTest::mainWindowPlotItem() {
    // Utilities -> Plot... offers the last run's files of the output folder
    // and draws the first; without a run it asks for a file.
    const QString oldCwd = QDir::currentPath();
    QTemporaryDir cwd;
    QDir::setCurrent(cwd.path());
    {
        QStringList asked;
        rixui::DialogHooks hooks;
        hooks.chooseFile = [&asked](QWidget*, const rixui::FileDialogOptions& o) {
            asked << o.objectName;
            return QString();
        };
        hooks.showBox = [](QWidget*, const QString&, const QString&) {};
        hooks.askYesNo = [](QWidget*, const QString&, const QString&) { return true; };
        hooks.askYesNoCancel = [](QWidget*, const QString&, const QString&) { return 0; };
        hooks.showBoxNoWait = [](QWidget*, const QString&, const QString&, std::function<void()> done) { done(); };
        hooks.quit = [] {};
        rixui::RixProgram program(hooks);
        rixui::TFormRIX& main = *program.FormRIX;
        main.Timer1->stop();
        QVERIFY(main.Plot1);
        main.LBOutputFileFolder->setText(dir_.path() + "/out");
        main.Plot1->trigger();
        QVERIFY(main.PlotForm && main.PlotForm->isVisible());
        main.PlotForm->WaitIdle();
        QVERIFY(main.PlotForm->FileBox()->count() >= 12);
        QVERIFY(!main.PlotForm->Chart()->Plot().traces.empty());
        QVERIFY(asked.isEmpty());
        QVERIFY(main.PlotForm->grab().save(QStringLiteral(RIX_SCREENSHOT_DIR) + "/plot_from_main_window.png"));

        main.LBOutputFileFolder->setText(cwd.path());
        main.Plot1->trigger();
        QCOMPARE(asked, QStringList{"PlotOpenDialog"});
        main.PlotForm->close();
    }
    QDir::setCurrent(oldCwd);
}
#endif

QTEST_MAIN(PlotTest)
#include "PlotTest.moc"
