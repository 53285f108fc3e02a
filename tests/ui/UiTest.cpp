// The desktop program driven as a person would, with every dialog answered
// by the test.
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTimer>
#include <QtTest>
#include <map>
#include <thread>

#include "Cli.h"
#include "extract/NetcdfSink.h"
#include "Devicefolder.h"
#include "Buildesf.h"
#include "Buildisf.h"
#include "Buildmerge.h"
#include "Checkform.h"
#include <QTableWidget>

#include "Cruiseform.h"
#include "Rawfile.h"
#include "RixProgram.h"
#include "Rixmain.h"
#include "Rixutilities.h"
#include "Widgets.h"
#include "inspect/Check.h"
#include "setup/Mainsetup.h"
#include "setup/MeterType.h"
#include "setup/Msf.h"

using namespace rixui;

namespace {

const QString kExamples = QStringLiteral(RIX_SOURCE_DIR "/examples");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// File name -> contents of a folder.
std::map<QString, QByteArray> Snapshot(const QString& folder) {
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        files[name] = ReadAll(folder + "/" + name);
    return files;
}

// The answers a person would give, and what the program showed.
struct Person {
    std::map<QString, QStringList> files;  // dialog object name -> paths ("" cancels)
    bool yes = true;
    int quits = 0;
    QStringList boxes;         // "title|text" of modal boxes
    QStringList boxesNoWait;   // boxes shown without waiting
    QStringList questions;     // "title|text" of Yes/No questions
    std::function<void()> duringBox;

    DialogHooks Hooks() {
        DialogHooks h;
        h.chooseFile = [this](QWidget*, const FileDialogOptions& options) {
            QStringList& queue = files[options.objectName];
            return queue.isEmpty() ? QString() : queue.takeFirst();
        };
        h.chooseFiles = [this](QWidget*, const FileDialogOptions& options) {
            QStringList chosen = files[options.objectName];
            files[options.objectName].clear();
            chosen.removeAll(QString());
            return chosen;
        };
        h.askYesNo = [this](QWidget*, const QString& title, const QString& text) {
            questions << title + "|" + text;
            return yes;
        };
        h.askYesNoCancel = [this](QWidget*, const QString&, const QString&) { return yes ? 1 : 0; };
        h.showBox = [this](QWidget*, const QString& title, const QString& text) {
            boxes << title + "|" + text;
            if (duringBox) duringBox();
        };
        h.showBoxNoWait = [this](QWidget*, const QString& title, const QString& text,
                                 std::function<void()> done) {
            boxesNoWait << title + "|" + text;
            done();
        };
        h.quit = [this] { ++quits; };
        return h;
    }
};

// A fresh program in a fresh working folder, its timer held still.
struct Program {
    QTemporaryDir dir;
    QString oldCwd = QDir::currentPath();
    Person person;
    std::unique_ptr<RixProgram> p;
    TFormRIX* main = nullptr;

    Program() {
        QDir::setCurrent(dir.path());
        p = std::make_unique<RixProgram>(person.Hooks());
        main = p->FormRIX.get();
        main->Timer1->stop();
    }
    ~Program() {
        p.reset();
        QDir::setCurrent(oldCwd);
    }
    QString Path(const QString& name) const { return dir.path() + "/" + name; }
    // The example deployment's setup files and folders in the labels.
    void UseExampleSetup(const QString& out) {
        QDir().mkpath(out);
        main->LBISFFile->setText(kExamples + "/deploy.isf");
        main->LBESFFile->setText(kExamples + "/deploy.esf");
        main->LBDevFileFolder->setText(kExamples);
        main->LBOutputFileFolder->setText(out);
    }
    bool WaitForRun(int ms = 60000) {
        QElapsedTimer t;
        t.start();
        while (p->worker.Running() && t.elapsed() < ms) QTest::qWait(10);
        return !p->worker.Running();
    }
};

}  // namespace

class UiTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void netcdfItemIsRememberedPerUser();
    void startUpCreatesSevenWindowsShowsOne();
    void extractWithArchiveDialogCancelled();
    void extractionEqualsCommandLine();
    void longExtractionKeepsWindowAliveAndStops();
    void dailyRunCountsDownAndExits();
    void eleventhBoxIsNotShown();
    void modeMenuBaseNameAndMainSetup();
    void closeBoxSavesAndAsks();
    void mergeButton();
    void folderDialogSetsOnlyItsLabelOnDone();
    void utilitiesWindow();
    void checkSetupShowsTheReport();
    void processSeveralArchives();
    void screenshots();
    void editorsOpenOnTheMainWindowsFiles();
    void everyRunEndsReadyWithOneSummaryBox();
    void dailyModeAsksForItsBaseNameAndStayStays();
    void windowKeepsItsShapeAndDialogsTheirKeys();
    void keyboardReachesMenusAndButtons();
    void unsavableMeterTypesCannotBeChosen();
    void intervalFieldsTakeDates();
};

// The per-user settings of the tests live in a folder of their own, not in
// the user's.
void UiTest::initTestCase() {
    static QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
}

// "Also write NetCDF" asks the run for NetCDF and is kept for the next
// window; it is not part of the setup file.
void UiTest::netcdfItemIsRememberedPerUser() {
    {
        Program prog;
        TFormRIX& m = *prog.main;
        QVERIFY(m.WriteNetcdf->isCheckable());
        if (!rix::NetcdfBuiltIn()) {
            QVERIFY(!m.WriteNetcdf->isEnabled());
            QVERIFY(!m.CurrentRequest().netcdf);
            return;
        }
        QVERIFY(!m.WriteNetcdf->isChecked());
        QVERIFY(!m.CurrentRequest().netcdf);
        m.WriteNetcdf->trigger();
        QVERIFY(m.CurrentRequest().netcdf);
    }
    {
        Program prog;
        QVERIFY(prog.main->WriteNetcdf->isChecked());
        prog.main->WriteNetcdf->trigger();
    }
    Program prog;
    QVERIFY(!prog.main->WriteNetcdf->isChecked());
}

void UiTest::startUpCreatesSevenWindowsShowsOne() {
    Program prog;
    QCOMPARE(prog.p->creationOrder,
             QStringList({"FormRIX", "ISFForm", "MergeForm", "UtilitiesForm", "BESFForm",
                          "DevFileForm", "RawFileForm"}));
    prog.p->Show();
    QVERIFY(prog.main->isVisible());
    for (QWidget* w : std::initializer_list<QWidget*>{
             prog.p->ISFForm.get(), prog.p->MergeForm.get(), prog.p->UtilitiesForm.get(),
             prog.p->BESFForm.get(), prog.p->DevFileForm.get(), prog.p->RawFileForm.get()})
        QVERIFY(!w->isVisible());
    TFormRIX& m = *prog.main;
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Waiting..."));
    QVERIFY(m.BTMerge->isHidden() && m.BTBaseArc->isHidden() && m.ProgressBar1->isHidden());
    QVERIFY(!m.StopButton->isEnabled());
    QVERIFY(!m.NearRealTime->isVisible() && !m.RealTime->isVisible());
    QVERIFY(m.PostProcessFiles->isChecked());
    QVERIFY(m.findChild<QAction*>("ExtractEntireFile") != nullptr);
    // The debug flag starts off, and its check mark follows it.
    QVERIFY(!m.DebugOn() && !m.SetDebug->isChecked());
    m.SetDebug->trigger();
    QVERIFY(m.DebugOn() && m.SetDebug->isChecked());
    m.SetDebug->trigger();
    QVERIFY(!m.DebugOn() && !m.SetDebug->isChecked());
    // The raw-file window lists OFF and the meter names.
    auto* types = prog.p->RawFileForm->findChild<QComboBox*>("RawFileMeterTypeCB");
    QVERIFY(types && types->count() == 42 && types->itemText(0) == "OFF");
    // The editors' Open sets the main window's labels.
    prog.person.files["OpenISFDialog"] << kExamples + "/deploy.isf";
    m.SelectISFFile->trigger();
    QCOMPARE(m.LBISFFile->text(), kExamples + "/deploy.isf");
    prog.person.files["OpenESFDialog"] << kExamples + "/deploy.esf";
    m.Open->trigger();
    QCOMPARE(m.LBESFFile->text(), kExamples + "/deploy.esf");
}

void UiTest::extractWithArchiveDialogCancelled() {
    Program prog;
    TFormRIX& m = *prog.main;
    m.ExtractButton->click();
    QCOMPARE(m.LBArchiveFile->text(), QString("No Archive File Name"));
    QVERIFY(!prog.p->worker.Running());
    QVERIFY(!m.ExtractButton->isEnabled() && m.StopButton->isEnabled());
    QVERIFY(!m.Timer1->isActive());
    // Reset Status re-enables Extract and says so at once.
    m.StopButton->click();
    QVERIFY(m.ExtractButton->isEnabled() && !m.StopButton->isEnabled());
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Ready ..."));
}

void UiTest::extractionEqualsCommandLine() {
    Program prog;
    const QString out = prog.Path("out");
    prog.UseExampleSetup(out);
    std::FILE* sink = std::tmpfile();
    int code = rixcli::Run({"extract", "--isf", (kExamples + "/deploy.isf").toStdString(), "--esf",
                            (kExamples + "/deploy.esf").toStdString(), "--devdir",
                            kExamples.toStdString(), "--outdir", out.toStdString(),
                            (kExamples + "/deploy.000").toStdString()},
                           sink, sink);
    std::fclose(sink);
    QCOMPARE(code, 0);
    auto expected = Snapshot(out);
    QVERIFY(expected.size() >= 4);
    QDir(out).removeRecursively();
    QDir().mkpath(out);

    TFormRIX& m = *prog.main;
    prog.person.files["OpenArchiveDialog"] << kExamples + "/deploy.000";
    m.ExtractButton->click();
    QVERIFY(prog.p->worker.Running());
    QVERIFY(!m.ExtractButton->isEnabled() && !m.LoadRIXSetup->isEnabled());
    QVERIFY(prog.WaitForRun());
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Done with Extraction"));
    QCOMPARE(m.LBArchiveFile->text(), kExamples + "/deploy.000");
    QVERIFY(m.Timer1->isActive());
    QVERIFY(m.LoadRIXSetup->isEnabled());
    // The example's one message: the radiometer's frame counter jumps where
    // logger 2 lost three packets.
    QCOMPARE(prog.person.boxes.size(), 1);
    QVERIFY(Snapshot(out) == expected);
    QVERIFY(!QFile::exists(prog.Path("RIX.LOG")));

    // Cancelling the dialog after a run extracts the earlier archive again.
    m.StopButton->click();
    m.Timer1->stop();
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    m.ExtractButton->click();
    QVERIFY(prog.WaitForRun());
    QVERIFY(Snapshot(out) == expected);
}

void UiTest::longExtractionKeepsWindowAliveAndStops() {
    Program prog;
    const QString out = prog.Path("out");
    prog.UseExampleSetup(out);
    QByteArray one = ReadAll(kExamples + "/deploy.000"), big;
    for (int i = 0; i < 200; ++i) big += one;
    WriteAll(prog.Path("long.000"), big);

    int ticks = 0;
    QTimer beat;
    beat.setInterval(50);
    QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
    beat.start();
    TFormRIX& m = *prog.main;
    prog.person.files["OpenArchiveDialog"] << prog.Path("long.000");
    m.ExtractButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5 || !prog.p->worker.Running(), 20000);
    QVERIFY2(prog.p->worker.Running(), "the run ended before the window thread had ticked");
    QVERIFY(!m.ProgressBar1->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(m.ProgressBar1->value() > 0, 20000);
    m.StopButton->click();
    QVERIFY(prog.WaitForRun());
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Extraction Stopped"));
    QVERIFY(m.ExtractButton->isEnabled() && !m.StopButton->isEnabled());
    QVERIFY(m.ProgressBar1->isHidden());
    // Every file written so far is complete: whole rows, closed, listed.
    auto files = Snapshot(out);
    QVERIFY(files.count("long_MRG.000") && files.count("long_TO.000"));
    QVERIFY(files.count("long_11_ASCII.000"));
    for (const auto& [name, bytes] : files)
        if (!bytes.isEmpty() && !name.contains("Hex_Output"))
            QVERIFY2(bytes.endsWith(name.contains("_TO.") ? "\n" : "\r\n"), qPrintable(name));
    // A stop is no error. The channels all end at the stop, the radiometer
    // with its count of frame-counter jumps (the repeated archive restarts
    // its counter): that report is the only message of the run's summary.
    for (const QString& box : prog.person.boxes)
        QVERIFY2(box.startsWith("Extraction Messages|One message during the extraction:") &&
                     box.contains("Satlantic Message"),
                 qPrintable(box));
}

void UiTest::dailyRunCountsDownAndExits() {
    Program prog;
    const QString out = prog.Path("out");
    QDir().mkpath(out);
    int year = 0, day = 0;
    rix::LocalToday(year, day);
    const QString base = prog.Path("LOG");
    const QString archive = QString::fromStdString(rix::DailyArchiveName(base.toStdString(), year, day));
    QFile::copy(kExamples + "/deploy.000", archive);
    rix::MainSetup setup;
    setup.mode = 1;
    setup.archiveFile = "old.000";
    setup.isfFile = (kExamples + "/deploy.isf").toStdString();
    setup.esfFile = (kExamples + "/deploy.esf").toStdString();
    setup.baseArchive = base.toStdString();
    setup.deviceFolder = kExamples.toStdString();
    setup.outputFolder = out.toStdString();
    rix::RecordingReporter quiet;
    QVERIFY(rix::SaveMainSetup(quiet, setup, prog.Path("last.rix").toStdString()));

    TFormRIX& m = *prog.main;
    m.Timer1Timer();  // the first tick: loads last.rix and starts the daily run
    QCOMPARE(m.Timer1->interval(), 1000);
    QCOMPARE(m.Mode(), 1);
    QVERIFY(m.Daily->isChecked() && !m.PostProcessFiles->isChecked());
    QCOMPARE(m.LBArchiveFile->text(), archive);
    QVERIFY(prog.WaitForRun());
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Done with Extraction"));
    const QFileInfo name(archive);
    QVERIFY(QFile::exists(out + "/" + name.completeBaseName() + "_11_ASCII." + name.suffix()));
    QVERIFY(m.Timer1->isActive());
    m.Timer1->stop();
    QVERIFY(m.LBTerminate->text().contains("16"));
    // Unattended: a message does not wait for anyone.
    prog.p->reporter.ShowError("Decoder", "a message");
    QCOMPARE(prog.person.boxesNoWait.size(), 2);  // the radiometer's summary, then this one
    QCOMPARE(prog.person.boxesNoWait.back(), QString("Decoder|a message"));
    QVERIFY(prog.person.boxes.isEmpty());

    prog.person.yes = false;  // the automatic exit asks nobody
    for (int n = 15; n >= 0; --n) {
        m.Timer1Timer();
        QCOMPARE(m.LBTerminate->text(),
                 QString("Seconds Until Termination: %1 ... Change 'Mode' to Stop").arg(n));
        QCOMPARE(prog.person.quits, 0);
    }
    m.Timer1Timer();
    QCOMPARE(prog.person.quits, 1);
    rix::MainSetup saved;
    QVERIFY(rix::LoadMainSetup(saved, prog.Path("last.rix").toStdString()));
    QCOMPARE(saved.mode, 1);
    QCOMPARE(QString::fromStdString(saved.archiveFile), archive);
    QCOMPARE(QString::fromStdString(saved.baseArchive), base);
}

void UiTest::eleventhBoxIsNotShown() {
    Program prog;
    GuiReporter& r = prog.p->reporter;
    int depth = 0;
    // Every box raises another while it is open.
    prog.person.duringBox = [&] {
        if (++depth < 15) r.ShowError("Nested", std::to_string(depth));
    };
    r.ShowError("Nested", "0");
    QCOMPARE(prog.person.boxes.size(), GuiReporter::kMaxOpenBoxes);
    QCOMPARE(r.OpenBoxes(), 0);
    // Boxes raised on the worker thread show in the window thread, in order.
    prog.person.boxes.clear();
    prog.person.duringBox = nullptr;
    prog.p->worker.Start([&r] {
        r.ShowError("A", "1");
        r.ShowError("B", "<path>");
        r.SetStatus("from the worker");
    }, nullptr);
    QVERIFY(prog.WaitForRun());
    QCOMPARE(prog.person.boxes, QStringList({"A|1", "B|<path>"}));
    QTRY_COMPARE(prog.main->StatusLBL->text(), QString("Status:  from the worker"));
}

void UiTest::modeMenuBaseNameAndMainSetup() {
    Program prog;
    TFormRIX& m = *prog.main;
    // Daily mode needs a base name: it is asked for first.
    prog.person.files["OpenDialog1"] << "/data/my logs/LOG";
    m.Daily->trigger();
    QCOMPARE(m.Mode(), 1);
    QVERIFY(m.Daily->isChecked() && !m.PostProcessFiles->isChecked());
    QVERIFY(!m.BTBaseArc->isHidden() && !m.LBBaseArc->isHidden());
    m.BTBaseArcClick();  // cancelled: the label stays
    QCOMPARE(m.LBBaseArc->text(), QString("/data/my logs/LOG"));
    QVERIFY(m.Timer1->isActive());
    m.PostProcessFiles->trigger();
    QCOMPARE(m.Mode(), 0);
    QVERIFY(m.BTBaseArc->isHidden());
    // The first tick without a last.rix sets the one-second interval all the same.
    m.Timer1Timer();
    QCOMPARE(m.Timer1->interval(), 1000);
    QCOMPARE(m.StartupDirectory(), QDir::currentPath());

    m.LBArchiveFile->setText("/data/my logs/a b.000");
    prog.person.files["SaveSetupDialog"] << prog.Path("s.RIX");
    m.SaveRIXSetup->trigger();
    m.LBArchiveFile->setText("changed");
    m.LBBaseArc->setText("changed");
    prog.person.files["OpenDialog2"] << prog.Path("s.RIX");
    m.LoadRIXSetup->trigger();
    QCOMPARE(m.LBArchiveFile->text(), QString("/data/my logs/a b.000"));
    QCOMPARE(m.LBBaseArc->text(), QString("/data/my logs/LOG"));
    QCOMPARE(m.LBISFFile->text(), QString("*.ISF"));
    // A file whose first line is no number changes nothing.
    WriteAll(prog.Path("bad.rix"), "mode\n3 abc\n");
    QVERIFY(!m.LoadSetupFile(prog.Path("bad.rix")));
    QCOMPARE(m.LBArchiveFile->text(), QString("/data/my logs/a b.000"));
    // A setup that cannot be saved says so.
    prog.person.files["SaveSetupDialog"] << prog.Path("no/such/dir/s.RIX");
    m.SaveRIXSetup->trigger();
    QCOMPARE(prog.person.boxes.size(), 1);
    QVERIFY(prog.person.boxes[0].startsWith("File Error|Unable to open/create file"));
}

void UiTest::closeBoxSavesAndAsks() {
    Program prog;
    TFormRIX& m = *prog.main;
    prog.p->Show();
    prog.p->UtilitiesForm->show();
    m.Timer1Timer();
    m.LBISFFile->setText("/x/s.isf");
    prog.person.yes = false;
    QVERIFY(!m.close());  // "Exit RIX?" answered No
    QVERIFY(m.isVisible());
    QCOMPARE(prog.person.quits, 0);
    rix::MainSetup saved;
    QVERIFY(rix::LoadMainSetup(saved, prog.Path("last.rix").toStdString()));
    QCOMPARE(saved.isfFile, std::string("/x/s.isf"));
    prog.person.yes = true;
    QVERIFY(m.close());  // quits although the utilities window is open
    QCOMPARE(prog.person.quits, 1);
}

void UiTest::mergeButton() {
    Program prog;
    TFormRIX& m = *prog.main;
    m.ShowMergeButton1->trigger();
    QVERIFY(!m.BTMerge->isHidden());
    m.BTMerge->click();
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Merge was Cancelled"));
    prog.person.files["OpenMerge"] << prog.Path("x_MRG.000");
    m.BTMerge->click();
    QVERIFY(prog.WaitForRun());
    // A merge that did not reach its end never says it is complete.
    QCOMPARE(m.StatusLBL->text() == "Status:  Merge is Complete", !prog.person.boxes.size());
}

void UiTest::folderDialogSetsOnlyItsLabelOnDone() {
    Program prog;
    TFormRIX& m = *prog.main;
    TDevFileForm& f = *prog.p->DevFileForm;
    QDir().mkpath(prog.Path("dev"));
    QDir().mkpath(prog.Path("out"));
    m.OutputFileFolder->trigger();
    QVERIFY(f.isVisible());
    QCOMPARE(f.Label2->text(), QString("Output File Folder"));
    f.SelectFolder(prog.Path("out"));
    QCOMPARE(f.LBWhichFileFolder->text(), prog.Path("out"));
    QCOMPARE(m.LBOutputFileFolder->text(), QString("*****"));  // only on Done
    f.Done->click();
    QVERIFY(!f.isVisible());
    QCOMPARE(m.LBOutputFileFolder->text(), prog.Path("out"));
    QCOMPARE(m.LBDevFileFolder->text(), QString("*****"));

    m.DeviceFileFolder->trigger();
    QCOMPARE(f.Label2->text(), QString("Device File Folder"));
    f.SelectFolder(prog.Path("dev"));
    f.close();  // closed without Done: nothing changes
    QCOMPARE(m.LBDevFileFolder->text(), QString("*****"));
    m.DeviceFileFolder->trigger();
    f.SelectFolder(prog.Path("dev"));
    f.DoneClick();
    QCOMPARE(m.LBDevFileFolder->text(), prog.Path("dev"));
    QCOMPARE(m.LBOutputFileFolder->text(), prog.Path("out"));
}

void UiTest::utilitiesWindow() {
    Program prog;
    TUtilitiesForm& u = *prog.p->UtilitiesForm;
    prog.main->Utilities2->trigger();
    QVERIFY(u.isVisible());
    u.UDFile1->setValue(30);
    QCOMPARE(u.LBJDandt1->text(), QString("Date/Time Channel:  30"));
    u.UDUTCOffset->setValue(-5);
    QCOMPARE(u.LBUTCOffset->text(), QString("UTC Offset:  -5 Hours"));

    u.BTConvertFile->click();  // open dialog cancelled
    QCOMPARE(u.LBFile1->text(), QString("Operation Cancelled"));
    QVERIFY(!prog.p->worker.Running());

    const QString in = prog.Path("in.000");
    QFile::copy(kExamples + "/deploy.000", in);
    const QByteArray original = ReadAll(in);
    prog.person.files["OpenDialog1"] << in;
    u.BTConvertFile->click();  // save dialog cancelled
    QCOMPARE(u.LBFile1->text(), "Input File:  " + in);
    QCOMPARE(u.LBFile2->text(), QString());
    QVERIFY(!prog.p->worker.Running());

    prog.person.files["OpenDialog1"] << in;
    prog.person.files["SaveDialog1"] << in;
    u.BTBuildFromIOP->click();  // the output would truncate the input
    QVERIFY(!prog.p->worker.Running());
    QCOMPARE(prog.person.boxes.size(), 1);
    QVERIFY(prog.person.boxes[0].startsWith("File Error|"));
    QCOMPARE(ReadAll(in), original);

    prog.person.files["OpenDialog1"] << in;
    prog.person.files["SaveDialog1"] << prog.Path("second.000");
    u.BTAppendFile->click();  // collects the names only
    QCOMPARE(u.LBFile2->text(), "2nd Append File:  " + prog.Path("second.000"));
    QVERIFY(!QFile::exists(prog.Path("second.000")));
    QCOMPARE(ReadAll(in), original);

    prog.person.files["OpenDialog1"] << in;
    u.BTParseLoggerIDs->click();
    QVERIFY(prog.WaitForRun());
    QVERIFY(QFile::exists(prog.Path("in_1.000")));
    QVERIFY(prog.person.boxes.last().startsWith("Parse Logger IDs|"));
    u.Exit1Click();
    QVERIFY(!u.isVisible());
}

void UiTest::checkSetupShowsTheReport() {
    Program prog;
    const QString out = prog.Path("out");
    prog.UseExampleSetup(out);
    TFormRIX& m = *prog.main;
    TCheckForm& c = *m.CheckForm;
    QVERIFY(m.findChild<QMenu*>("Setup1")->actions().contains(m.CheckSetup));
    prog.person.files["OpenArchiveDialog"] << kExamples + "/deploy.000";
    m.BTArchiveFileClick();
    m.CheckSetup->trigger();
    QVERIFY(prog.WaitForRun());
    QVERIFY(c.isVisible());
    // The report of the core's check of what Extract would run, and nothing written.
    const rix::CheckReport expected = rix::CheckSetup(m.CurrentRequest());
    QVERIFY(expected.Clean() && expected.archiveRead);
    QCOMPARE(c.ReportText->toPlainText(), QString::fromStdString(expected.text));
    QVERIFY(c.ReportText->isReadOnly());
    QCOMPARE(c.LBSummary->text(), TCheckForm::Summary(0, expected.Warnings()));
    QVERIFY(c.LBSummary->text().startsWith("No problems found"));
    QVERIFY(m.StatusLBL->text().startsWith("Status:  Setup Checked: No problems found"));
    QVERIFY(Snapshot(out).empty());
    QVERIFY(prog.person.boxes.isEmpty());

    // An instrument setup naming a device file that is not in the device folder.
    QByteArray isf = ReadAll(kExamples + "/deploy.isf");
    isf.replace("DEV=ORB.DEV", "DEV=ABSENT.DEV");
    WriteAll(prog.Path("broken.isf"), isf);
    m.LBISFFile->setText(prog.Path("broken.isf"));
    m.CheckSetup->trigger();
    QVERIFY(prog.WaitForRun());
    QVERIFY(c.LBSummary->text().startsWith("1 problem, "));
    QVERIFY(c.ReportText->toPlainText().contains(
        "problem: " + prog.Path("broken.isf") + ":6: channel 16: device file ABSENT.DEV not found"));
    QCOMPARE(TCheckForm::Summary(2, 1), QString("2 problems, 1 warning"));
    c.CloseButton->click();
    QVERIFY(!c.isVisible());
}

namespace {
void Shot(QWidget* w, const QString& name);  // a picture of the window, under screenshots/
}  // namespace

void UiTest::processSeveralArchives() {
    Program prog;
    // Folders of one name length: the working file lists its files with their lengths.
    const QString out = prog.Path("out"), alone = prog.Path("one");
    prog.UseExampleSetup(out);
    TFormRIX& m = *prog.main;
    TCruiseForm& c = *m.CruiseForm;
    QVERIFY(m.findChild<QMenu*>("Utilities1")->actions().contains(m.ProcessSeveralArchives1));
    const QByteArray whole = ReadAll(kExamples + "/deploy.000");
    WriteAll(prog.Path("A.000"), whole);
    WriteAll(prog.Path("B.001"), whole.left(whole.size() / 2));
    WriteAll(prog.Path("C.002"), QByteArray(4000, 'z'));
    prog.person.files["OpenArchivesDialog"] << prog.Path("A.000") << prog.Path("B.001") << prog.Path("C.002");
    m.ProcessSeveralArchives1->trigger();
    QVERIFY(prog.WaitForRun());
    QVERIFY(c.isVisible());
    QCOMPARE(c.Archives->rowCount(), 3);
    QCOMPARE(c.Archives->item(0, 1)->text(), QString("complete"));
    QCOMPARE(c.Archives->item(0, 2)->text(), QString("13/13"));
    QCOMPARE(c.Archives->item(1, 1)->text(), QString("complete"));
    QCOMPARE(c.Archives->item(2, 1)->text(), QString("failed"));
    QVERIFY(c.Archives->item(2, 5)->text().contains("Not a Logger Archive"));
    QCOMPARE(c.LBSummary->text(), QString("3 archives: 2 complete, 1 failed"));
    QVERIFY(c.Messages->toPlainText().contains("C.002: File Error - Not a Logger Archive"));
    QVERIFY(m.StatusLBL->text().startsWith("Status:  Several Archives: 3 archives"));
    QVERIFY(prog.person.boxes.isEmpty());
    Shot(&c, "several-archives-summary");

    // The files are those the command line writes for each archive alone.
    QDir().mkpath(alone);
    for (const char* name : {"A.000", "B.001"}) {
        const std::vector<std::string> args = {"extract", "--isf", (kExamples + "/deploy.isf").toStdString(),
                                               "--esf", (kExamples + "/deploy.esf").toStdString(), "--devdir",
                                               kExamples.toStdString(), "--outdir", alone.toStdString(),
                                               prog.Path(name).toStdString()};
        std::FILE* sink = std::fopen("/dev/null", "w");
        rixcli::Run(args, sink, sink);
        std::fclose(sink);
    }
    std::map<QString, QByteArray> got = Snapshot(out), want = Snapshot(alone);
    QCOMPARE(got.size(), want.size());
    for (auto& [name, bytes] : want) {
        QByteArray expected = bytes;
        expected.replace(alone.toUtf8(), out.toUtf8());
        QVERIFY2(got[name] == expected, qPrintable(name));
    }

    // Cancelled: nothing runs.
    m.ProcessSeveralArchives1->trigger();
    QVERIFY(!prog.p->worker.Running());
    QVERIFY(m.StatusLBL->text().contains("Cancelled"));
    c.CloseButton->click();
    QVERIFY(!c.isVisible());
}

void UiTest::screenshots() {
    Program prog;
    const QString folder = QStringLiteral(RIX_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    TFormRIX& m = *prog.main;
    m.LBISFFile->setText("examples/deploy.isf");
    m.LBESFFile->setText("examples/deploy.esf");
    m.LBDevFileFolder->setText("examples");
    m.LBOutputFileFolder->setText("out/demo");
    // The example deployment in the working folder, checked as it stands.
    QDir().mkpath(prog.Path("examples"));
    QDir().mkpath(prog.Path("out/demo"));
    for (const QString& name : QDir(kExamples).entryList(QDir::Files))
        QVERIFY(QFile::copy(kExamples + "/" + name, prog.Path("examples/" + name)));
    prog.person.files["OpenArchiveDialog"] << "examples/deploy.000";
    m.BTArchiveFileClick();
    m.CheckSetup->trigger();
    QVERIFY(prog.WaitForRun());
    QVERIFY(m.CheckForm->LBSummary->text().startsWith("No problems found"));
    m.StatusLBL->setText("Status:  Done with Extraction");
    m.ShowMergeButton1->trigger();
    prog.p->DevFileForm->SelectFolder(kExamples);
    prog.p->UtilitiesForm->LBFile1->setText("Input File:  examples/deploy.000");
    prog.person.files["OpenISFDialog"] << kExamples + "/deploy.isf";
    prog.p->ISFForm->OpenISFClick();
    prog.person.files["OpenESFDialog"] << kExamples + "/deploy.esf";
    prog.p->BESFForm->OpenESFClick();
    // The example's merge setup, showing its NX9 pair with the CTD corrections.
    prog.person.files["OpenMergeDialog"] << kExamples + "/deploy.msf";
    prog.p->MergeForm->OpenMergeClick();
    prog.p->MergeForm->SelectPair(1);
    std::vector<std::pair<QString, QWidget*>> windows = {
        {"main-window", prog.main},
        {"instrument-setup", prog.p->ISFForm.get()},
        {"merge-setup", prog.p->MergeForm.get()},
        {"utilities", prog.p->UtilitiesForm.get()},
        {"extraction-setup", prog.p->BESFForm.get()},
        {"folder-dialog", prog.p->DevFileForm.get()},
        {"raw-file", prog.p->RawFileForm.get()},
        {"check-setup", m.CheckForm}};
    for (auto& [name, w] : windows) {
        w->show();
        QApplication::processEvents();
        QImage image = w->grab().toImage();
        QVERIFY(!image.isNull() && image.width() > 50 && image.height() > 50);
        bool varied = false;
        for (int y = 0; y < image.height() && !varied; y += 3)
            for (int x = 0; x < image.width() && !varied; x += 3)
                varied = image.pixel(x, y) != image.pixel(0, 0);
        QVERIFY2(varied, qPrintable(name));
        QVERIFY(image.save(folder + "/" + name + ".png"));
        w->hide();
    }
}

namespace {

void Shot(QWidget* w, const QString& name) {
    const QString folder = QStringLiteral(RIX_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    QApplication::processEvents();
    QImage image = w->grab().toImage();
    QVERIFY(!image.isNull() && image.width() > 50 && image.height() > 50);
    QVERIFY(image.save(folder + "/" + name + ".png"));
}

// The example deployment copied into the working folder as "ex/", so that
// editors may save over it; the main window names its files.
void UseExampleCopy(Program& prog) {
    QDir().mkpath(prog.Path("ex"));
    for (const QString& name : QDir(kExamples).entryList(QDir::Files))
        QVERIFY(QFile::copy(kExamples + "/" + name, prog.Path("ex/" + name)));
    TFormRIX& m = *prog.main;
    m.LBISFFile->setText("ex/deploy.isf");
    m.LBESFFile->setText("ex/deploy.esf");
    m.LBMergeFile->setText("ex/deploy.msf");
    m.LBDevFileFolder->setText("ex");
}

// The character after '&' in a caption, lower case; none when it has none.
QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return text[i + 1].toLower();
        ++i;
    }
    return QChar();
}

// Every visible item of a menu, and of its submenus, has its own mnemonic.
void CheckMenuMnemonics(QMenu* menu) {
    QSet<QChar> used;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || !a->isVisible()) continue;
        const QChar c = Mnemonic(a->text());
        QVERIFY2(!c.isNull(), qPrintable("no mnemonic: " + a->text()));
        // The three Julian forms share their two letters: a second press
        // moves on to the next item with the letter.
        if (menu->objectName() != "DKDC1")
            QVERIFY2(!used.contains(c), qPrintable("mnemonic used twice: " + a->text()));
        used.insert(c);
        if (a->menu()) CheckMenuMnemonics(a->menu());
    }
}

}  // namespace

void UiTest::editorsOpenOnTheMainWindowsFiles() {
    Program prog;
    UseExampleCopy(prog);
    TFormRIX& m = *prog.main;

    // The instrument setup editor shows the deployment's file.
    TISFForm& isf = *prog.p->ISFForm;
    m.CreateEditISFFile->trigger();
    QVERIFY(isf.isVisible());
    QCOMPARE(isf.LBISFFile->text(), QString("ex/deploy.isf"));
    QCOMPARE(isf.CBType[5]->currentText(), QString("ORB"));  // channel 16
    QCOMPARE(isf.DeviceFile[5]->text(), QString("ORB.DEV"));
    QCOMPARE(isf.Table()[24].type, 30);
    Shot(&isf, "instrument-setup-on-deployment");
    // An edit survives hiding the window and opening it again on the same file.
    isf.DeviceFile[0]->selectAll();
    QTest::keyClicks(isf.DeviceFile[0], "a.dev");
    isf.ExitISF->trigger();
    m.CreateEditISFFile->trigger();
    QCOMPARE(isf.DeviceFile[0]->text(), QString("a.dev"));
    // Save asks before it replaces the file; No leaves it as it was.
    const QByteArray before = ReadAll(prog.Path("ex/deploy.isf"));
    prog.person.yes = false;
    isf.Save1->trigger();
    QCOMPARE(prog.person.questions,
             QStringList({"Edit ISF File|ex/deploy.isf already exists.\nDo you want to replace it?"}));
    QCOMPARE(ReadAll(prog.Path("ex/deploy.isf")), before);
    prog.person.yes = true;
    isf.Save1->trigger();
    QByteArray after = before;
    after.replace("11 ASCII LAG=0 HAD=0 DEV= ", "11 ASCII LAG=0 HAD=0 DEV=A.DEV ");
    QCOMPARE(ReadAll(prog.Path("ex/deploy.isf")), after);
    QCOMPARE(m.LBISFFile->text(), QString("ex/deploy.isf"));
    // New starts empty, and its Save asks for a name.
    isf.NewISF->trigger();
    QCOMPARE(isf.LBISFFile->text(), QString("New File"));
    prog.person.files["SaveISFDialog"] << prog.Path("new.isf");
    isf.Save1->trigger();
    QCOMPARE(prog.person.questions.size(), 2);
    QVERIFY(QFile::exists(prog.Path("new.isf")));
    QCOMPARE(m.LBISFFile->text(), prog.Path("new.isf"));
    // A name that is no file leaves the editor as it is.
    m.LBISFFile->setText(prog.Path("absent.isf"));
    m.CreateEditISFFile->trigger();
    QCOMPARE(isf.LBISFFile->text(), prog.Path("new.isf"));
    QVERIFY(prog.person.boxes.isEmpty());

    // The extraction setup editor.
    TBESFForm& esf = *prog.p->BESFForm;
    m.SaveCurrentExtractionSetup->trigger();
    QVERIFY(esf.isVisible());
    QCOMPARE(esf.LBESF->text(), QString("ex/deploy.esf"));
    QVERIFY(esf.RIXTSJDay->isChecked() && esf.MuxID1->isChecked() && esf.EngrUnits->isChecked());
    QCOMPARE(esf.LBRIXTimeFormat->text(), QString("Time Stamp Format:  Julian Date"));
    Shot(&esf, "extraction-setup-on-deployment");
    esf.MuxID2->trigger();
    esf.Save1->trigger();
    QCOMPARE(prog.person.questions.last(),
             QString("Extraction Setup File|ex/deploy.esf already exists.\nDo you want to replace it?"));
    QCOMPARE(ReadAll(prog.Path("ex/deploy.esf")),
             QByteArray("ESF Version=1.1\r\n0 1 0 0 0 0 2 4 21 0 250\r\n"));
    QVERIFY(!esf.Changed());
    esf.NewESF->trigger();
    QCOMPARE(esf.LBESF->text(), QString("*.ESF"));
    esf.ExitESF->trigger();
    // Unsaved changes are not thrown away by opening the window again.
    m.LBESFFile->setText("ex/deploy.esf");
    esf.MuxID3->trigger();
    esf.hide();
    m.SaveCurrentExtractionSetup->trigger();
    QVERIFY(esf.MuxID3->isChecked());
    QCOMPARE(esf.LBESF->text(), QString("*.ESF"));

    // The merge setup editor.
    TMergeForm& msf = *prog.p->MergeForm;
    m.CreateEditMergeFile->trigger();
    QVERIFY(msf.isVisible());
    QCOMPARE(msf.LBMergeFile->text(), QString("ex/deploy.msf"));
    msf.SelectPair(1);
    Shot(&msf, "merge-setup-on-deployment");
    const std::string shown = rix::MsfText(msf.Setup());
    msf.Save1->trigger();
    QCOMPARE(prog.person.questions.last(),
             QString("Build Merge File|ex/deploy.msf already exists.\nDo you want to replace it?"));
    rix::MergeSetup back;
    rix::RecordingReporter quiet;
    std::FILE* f = std::fopen(prog.Path("ex/deploy.msf").toLocal8Bit().constData(), "rb");
    QVERIFY(f);
    QVERIFY(rix::ReadMsfFile(quiet, back, f));
    std::fclose(f);
    QCOMPARE(rix::MsfText(back), shown);
    msf.New1->trigger();
    QCOMPARE(msf.LBMergeFile->text(), QString("*.MSF"));
    QCOMPARE(m.LBMergeFile->text(), QString("ex/deploy.msf"));
}

void UiTest::everyRunEndsReadyWithOneSummaryBox() {
    Program prog;
    const QString out = prog.Path("out");
    prog.UseExampleSetup(out);
    TFormRIX& m = *prog.main;
    GuiReporter& r = prog.p->reporter;
    bool boxDuringRun = false;
    prog.person.duringBox = [&] { boxDuringRun = boxDuringRun || prog.p->worker.Running(); };

    // Completed: the run's one message went to the list, not to a box that
    // held the run; one box sums it up at the end.
    prog.person.files["OpenArchiveDialog"] << kExamples + "/deploy.000";
    m.ExtractButton->click();
    QVERIFY(prog.WaitForRun());
    QVERIFY(!boxDuringRun);
    QCOMPARE(m.MessageList->count(), 1);
    const QString message = m.MessageList->item(0)->text();
    QVERIFY2(message.startsWith("Satlantic Message: 3 Frame Count Jumps"), qPrintable(message));
    QCOMPARE(prog.person.boxes,
             QStringList({"Extraction Messages|One message during the extraction:\n\n" + message}));
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Done with Extraction"));
    QVERIFY(m.ExtractButton->isEnabled());
    QVERIFY(!r.Collecting());
    prog.p->Show();
    Shot(&m, "main-window-after-run");
    // Reset Status keeps its role.
    QVERIFY(m.StopButton->isEnabled());
    m.StopButton->click();
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Ready ..."));
    QVERIFY(m.ExtractButton->isEnabled() && !m.StopButton->isEnabled());

    // Failed early: the output folder does not exist.
    m.Timer1->stop();
    m.LBOutputFileFolder->setText(prog.Path("missing"));
    prog.person.boxes.clear();
    m.ExtractButton->click();
    QVERIFY(prog.WaitForRun());
    QVERIFY(m.ExtractButton->isEnabled());
    QCOMPARE(m.StatusLBL->text(), QString("Status:  File Error - Directory/Folder does NOT Exist "));
    QCOMPARE(m.MessageList->count(), 1);
    QCOMPARE(prog.person.boxes.size(), 1);
    QVERIFY(prog.person.boxes[0].startsWith(
        "Extraction Messages|One message during the extraction:\n\nPlease Select a Valid Output "
        "Directory: Directory/Folder '" + prog.Path("missing") + "' Does NOT Exist"));

    // Failed where the run's step was still on the status line: an archive
    // that cannot be opened.
    m.Timer1->stop();
    m.LBOutputFileFolder->setText(out);
    prog.person.files["OpenArchiveDialog"] << prog.Path("absent.000");
    m.ExtractButton->click();
    QVERIFY(prog.WaitForRun());
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Extraction Failed"));
    QVERIFY(m.ExtractButton->isEnabled());
    QCOMPARE(m.MessageList->item(0)->text(),
             "File Error - Can not open Archive file: " + prog.Path("absent.000"));

    // Outside a run a message is its own box at once, and not in the list.
    prog.person.boxes.clear();
    r.ShowError("Title", "text");
    QCOMPARE(prog.person.boxes, QStringList({"Title|text"}));
    QCOMPARE(m.MessageList->count(), 1);

    // A run with a flood of messages keeps a bounded list and one box.
    prog.person.boxes.clear();
    r.BeginRun();
    prog.p->worker.Start([&r] {
        for (int i = 0; i < GuiReporter::kMaxRunMessages + 5; ++i)
            r.ShowError("Decoder", std::to_string(i));
    }, nullptr);
    QVERIFY(prog.WaitForRun());
    QVERIFY(prog.person.boxes.isEmpty());
    // What the window thread reports meanwhile (a person's own action) is a box.
    r.ShowError("Save", "failed");
    QCOMPARE(prog.person.boxes, QStringList({"Save|failed"}));
    prog.person.boxes.clear();
    const QStringList all = r.EndRun();
    QCOMPARE(all.size(), GuiReporter::kMaxRunMessages + 1);
    QCOMPARE(all.last(), QString("... and 5 more on standard error"));
    r.ShowRunSummary("extraction", all);
    QCOMPARE(prog.person.boxes.size(), 1);
    QVERIFY(prog.person.boxes[0].startsWith("Extraction Messages|1001 messages during the extraction:\n\nDecoder: 0\n"));
    QVERIFY(prog.person.boxes[0].endsWith("\n... and 981 more in the message list"));
}

void UiTest::dailyModeAsksForItsBaseNameAndStayStays() {
    Program prog;
    TFormRIX& m = *prog.main;
    prog.p->Show();
    // The prompt is the real file dialog; it is pictured, then answered.
    QStringList prompts;
    auto answer = prog.p->hooks.chooseFile;
    prog.p->hooks.chooseFile = [&](QWidget* parent, const FileDialogOptions& options) {
        if (options.objectName == "OpenDialog1") {
            QFileDialog dialog(parent);
            SetUpFileDialog(dialog, options);
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setDirectory(prog.dir.path());
            dialog.resize(640, 420);
            dialog.show();
            prompts << dialog.windowTitle();
            if (prompts.size() == 1) Shot(&dialog, "daily-base-name-prompt");
        }
        return answer(parent, options);
    };

    // Cancel: the mode stays manual, nothing counts down.
    m.Daily->trigger();
    QCOMPARE(prompts, QStringList({"Select 24 Hr Name"}));
    QCOMPARE(m.Mode(), 0);
    QVERIFY(m.PostProcessFiles->isChecked() && !m.Daily->isChecked());
    QVERIFY(m.BTBaseArc->isHidden() && m.BTStay->isHidden());
    m.Timer1Timer();  // the start-up tick (no last.rix)
    m.Timer1Timer();
    QVERIFY(m.LBTerminate->isHidden());

    // With a name: daily mode, and its countdown offers Stay.
    prog.person.files["OpenDialog1"] << prog.Path("LOG");
    m.Daily->trigger();
    QCOMPARE(m.Mode(), 1);
    QCOMPARE(m.LBBaseArc->text(), prog.Path("LOG"));
    m.Timer1Timer();
    QCOMPARE(m.LBTerminate->text(), QString("Seconds Until Termination: 15 ... Change 'Mode' to Stop"));
    QVERIFY(m.BTStay->isVisible());
    Shot(m.window(), "daily-countdown");
    QTest::mouseClick(m.BTStay, Qt::LeftButton);
    QCOMPARE(m.Mode(), 0);
    QVERIFY(m.PostProcessFiles->isChecked() && !m.Daily->isChecked());
    QVERIFY(m.BTStay->isHidden() && m.LBTerminate->isHidden() && m.BTBaseArc->isHidden());
    for (int i = 0; i < 20; ++i) m.Timer1Timer();
    QCOMPARE(prog.person.quits, 0);
    // Back to daily: the name is known, nothing is asked.
    m.Daily->trigger();
    QCOMPARE(m.Mode(), 1);
    QCOMPARE(prompts.size(), 2);

    // A daily run that fails early still counts down and exits: unattended,
    // nobody would close it.
    {
        Program failing;
        rix::MainSetup daily;
        daily.mode = 1;
        daily.baseArchive = failing.Path("LOG").toStdString();
        daily.esfFile = failing.Path("absent.esf").toStdString();
        rix::RecordingReporter quiet;
        QVERIFY(rix::SaveMainSetup(quiet, daily, failing.Path("last.rix").toStdString()));
        failing.main->Timer1Timer();
        QVERIFY(failing.WaitForRun());
        QCOMPARE(failing.main->StatusLBL->text(),
                 QString("Status:  File Error - Can not open Extraction Setup File"));
        QVERIFY(failing.main->Timer1->isActive());
        failing.main->Timer1->stop();
        QCOMPARE(failing.person.boxesNoWait.size(), 1);  // the summary, not waiting
        for (int i = 0; i <= TFormRIX::kTerminationSeconds; ++i) failing.main->Timer1Timer();
        QCOMPARE(failing.person.quits, 1);
    }

    // A saved daily setup without a base name starts in manual mode.
    Program again;
    rix::MainSetup setup;
    setup.mode = 1;
    rix::RecordingReporter quiet;
    QVERIFY(rix::SaveMainSetup(quiet, setup, again.Path("last.rix").toStdString()));
    again.main->Timer1Timer();
    QCOMPARE(again.main->Mode(), 0);
    QVERIFY(!again.p->worker.Running());
    QCOMPARE(again.main->LBArchiveFile->text(), QString("*.000 to *.999"));
    QCOMPARE(again.p->reporter.StatusText(),
             QString("Status:  No 24 Hr Base Name - Manual File Processing"));
    for (int i = 0; i < 20; ++i) again.main->Timer1Timer();
    QCOMPARE(again.person.quits, 0);
}

void UiTest::windowKeepsItsShapeAndDialogsTheirKeys() {
    Program prog;
    TFormRIX& m = *prog.main;
    prog.p->Show();
    QApplication::processEvents();
    const QSize size = m.size();
    QString path = "/data";
    for (int i = 0; i < 30; ++i) path += "/a rather long folder name";
    path += "/deploy.000";
    m.LBArchiveFile->setText(path);
    prog.p->reporter.SetStatus("Setup Checked: " + QString(300, 'x').toStdString());
    QApplication::processEvents();
    QCOMPARE(m.size(), size);
    m.grab();  // painted: the tool tips are up to date
    auto* archive = qobject_cast<ElidedLabel*>(m.LBArchiveFile);
    QVERIFY(archive);
    QCOMPARE(archive->text(), path);
    QCOMPARE(archive->toolTip(), path);
    QVERIFY(archive->ShownText().contains(QChar(0x2026)));
    QVERIFY(archive->ShownText().endsWith("deploy.000"));
    QCOMPARE(m.StatusLBL->toolTip(), m.StatusLBL->text());
    m.LBArchiveFile->setText("short.000");
    m.grab();
    QCOMPARE(archive->toolTip(), QString());
    QCOMPARE(archive->ShownText(), QString("short.000"));

    // A loaded setup clears the old check result.
    const QString out = prog.Path("out");
    prog.UseExampleSetup(out);
    rix::RecordingReporter quiet;
    QVERIFY(rix::SaveMainSetup(quiet, m.CurrentSetup(), prog.Path("s.rix").toStdString()));
    prog.person.files["OpenArchiveDialog"] << kExamples + "/deploy.000";
    m.BTArchiveFileClick();
    m.CheckSetup->trigger();
    QVERIFY(prog.WaitForRun());
    QVERIFY(m.StatusLBL->text().startsWith("Status:  Setup Checked"));
    TCheckForm& check = *m.CheckForm;
    // Escape and Enter close the report.
    QVERIFY(check.isVisible());
    QTest::keyClick(check.ReportText, Qt::Key_Escape);
    QVERIFY(!check.isVisible());
    check.show();
    QTest::keyClick(&check, Qt::Key_Return);
    QVERIFY(!check.isVisible());
    prog.person.files["OpenDialog2"] << prog.Path("s.rix");
    m.LoadRIXSetup->trigger();
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Setup Loaded"));
    QCOMPARE(check.LBSummary->text(), QString("Not checked"));
    QVERIFY(check.ReportText->toPlainText().isEmpty());

    // The folder dialog: Escape changes nothing, Enter is Done.
    TDevFileForm& folders = *prog.p->DevFileForm;
    QDir().mkpath(prog.Path("dev"));
    m.DeviceFileFolder->trigger();
    folders.SelectFolder(prog.Path("dev"));
    QTest::keyClick(&folders, Qt::Key_Escape);
    QVERIFY(!folders.isVisible());
    QCOMPARE(m.LBDevFileFolder->text(), kExamples);
    m.DeviceFileFolder->trigger();
    folders.SelectFolder(prog.Path("dev"));
    QTest::keyClick(folders.DirectoryListBox1, Qt::Key_Return);
    QVERIFY(!folders.isVisible());
    QCOMPARE(m.LBDevFileFolder->text(), prog.Path("dev"));

    // Escape closes every other window the way its Exit does.
    TISFForm& isf = *prog.p->ISFForm;
    isf.show();
    QTest::keyClick(isf.DeviceFile[2], Qt::Key_Escape);
    QVERIFY(!isf.isVisible());
    TBESFForm& esf = *prog.p->BESFForm;
    esf.show();
    QTest::keyClick(&esf, Qt::Key_Escape);
    QVERIFY(!esf.isVisible());
    esf.show();
    esf.MuxID3->trigger();  // a change: Escape asks first, as Close does
    prog.person.yes = false;
    QTest::keyClick(&esf, Qt::Key_Escape);
    QVERIFY(!esf.isVisible());
    for (QWidget* w : std::initializer_list<QWidget*>{prog.p->MergeForm.get(),
                                                      prog.p->UtilitiesForm.get(),
                                                      prog.p->RawFileForm.get()}) {
        w->show();
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }
}

void UiTest::keyboardReachesMenusAndButtons() {
    Program prog;
    TFormRIX& m = *prog.main;
    // Every menu title, menu item and button has its own Alt letter in its window.
    std::vector<QWidget*> windows = {prog.main, prog.p->ISFForm.get(), prog.p->MergeForm.get(),
                                     prog.p->UtilitiesForm.get(), prog.p->BESFForm.get(),
                                     prog.p->DevFileForm.get(), prog.p->RawFileForm.get(),
                                     m.CheckForm};
    for (QWidget* w : windows) {
        QSet<QChar> used;
        auto take = [&](const QString& text) {
            const QChar c = Mnemonic(text);
            QVERIFY2(!c.isNull(), qPrintable(w->objectName() + ": no mnemonic: " + text));
            QVERIFY2(!used.contains(c), qPrintable(w->objectName() + ": used twice: " + text));
            used.insert(c);
        };
        for (QMenuBar* bar : w->findChildren<QMenuBar*>(Qt::FindDirectChildrenOnly)) {
            for (QAction* a : bar->actions()) {
                if (!a->isVisible()) continue;
                take(a->text());
                if (a->menu()) CheckMenuMnemonics(a->menu());
            }
        }
        for (QPushButton* b : w->findChildren<QPushButton*>()) take(b->text());
    }

    // Alt+E is Extract, Alt+R Reset Status.
    prog.p->Show();
    m.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m));
    // (a mnemonic presses its button the way a click does, a moment later)
    QTest::keyClick(&m, Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(m.LBArchiveFile->text(), QString("No Archive File Name"));
    QVERIFY(!m.ExtractButton->isEnabled());
    QTest::keyClick(&m, Qt::Key_R, Qt::AltModifier);
    QTRY_COMPARE(m.StatusLBL->text(), QString("Status:  Ready ..."));
    QVERIFY(m.ExtractButton->isEnabled());

    // Tab runs from the interval fields along the buttons to the messages.
    m.StartMSEdit->setFocus();
    QCOMPARE(QApplication::focusWidget(), m.StartMSEdit);
    for (QWidget* next : std::initializer_list<QWidget*>{m.EndMSEdit, m.ExtractButton,
                                                         m.MessageList}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    m.ShowMergeButton1->trigger();
    m.StartMSEdit->setFocus();
    for (QWidget* next : std::initializer_list<QWidget*>{m.EndMSEdit, m.ExtractButton, m.BTMerge,
                                                         m.MessageList})
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void UiTest::unsavableMeterTypesCannotBeChosen() {
    Program prog;
    TISFForm& isf = *prog.p->ISFForm;
    isf.show();
    QComboBox* list = isf.CBType[0];
    QCOMPARE(list->itemText(rix::kHydroscat2), QString("Hydroscat-2"));
    for (int code = 0; code < rix::kMeterTypeCount; ++code) {
        const bool refused = code == rix::kHydroscat2;
        QCOMPARE(MeterTypeSelectable(list, code), !refused);
        QCOMPARE(list->itemData(code, Qt::ToolTipRole).toString().contains("cannot be saved"),
                 refused);
    }
    QVERIFY(MeterTypeSelectable(list, rix::kMiscAscii));
    // The keys step over it.
    list->setFocus();
    list->setCurrentIndex(rix::kHydroscat2 - 1);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentIndex(), rix::kHydroscat2 + 1);
    QCOMPARE(isf.Table()[11].type, rix::kHydroscat2 + 1);
    // Set without the list's help, it is put back to what the channel is.
    list->setCurrentIndex(rix::kHydroscat2);
    QCOMPARE(list->currentIndex(), rix::kHydroscat2 + 1);
    QCOMPARE(isf.Table()[11].type, rix::kHydroscat2 + 1);
    // The raw-file window's list is the same.
    auto* raw = prog.p->RawFileForm->findChild<QComboBox*>("RawFileMeterTypeCB");
    QVERIFY(!MeterTypeSelectable(raw, rix::kHydroscat2));
}

void UiTest::intervalFieldsTakeDates() {
    Program prog;
    const QString out = prog.Path("out");
    prog.UseExampleSetup(out);  // Julian day time stamps from channel 21
    TFormRIX& m = *prog.main;
    auto run = [&](const QString& from, const QString& to) {
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        m.StartMSEdit->setText(from);
        m.EndMSEdit->setText(to);
        prog.person.files["OpenArchiveDialog"] << kExamples + "/deploy.000";
        m.ExtractButton->click();
        QVERIFY(prog.WaitForRun());
        m.Timer1->stop();
    };
    run("Start_ms", "End_ms");
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Done with Extraction"));
    // Dates around the whole deployment reach back before time 0 (logger 2
    // started first): the same as a start far before 0 in milliseconds.
    run("-864000000", "End_ms");
    const auto whole = Snapshot(out);
    run("2005-06-12 00:00:00", "2005-06-14 00:00:00");
    QVERIFY(Snapshot(out) == whole);
    // From midnight on: the date/time channel's rows all fall on day 164.
    run("2005-06-13 00:00:00", "End_ms");
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Done with Extraction"));
    const QList<QByteArray> rows = ReadAll(out + "/deploy_21_T_ASCII.000").split('\n');
    const QList<QByteArray> wholeRows = whole.at("deploy_21_T_ASCII.000").split('\n');
    QVERIFY(rows.size() > 10 && rows.size() < wholeRows.size() - 10);
    for (const QByteArray& row : rows) {
        if (row.isEmpty()) continue;
        bool number = false;
        const double day = row.split('\t').first().trimmed().toDouble(&number);
        if (number) QVERIFY2(day >= 164.0 && day < 165.0, row.constData());
    }

    // Time stamps without dates: the run says why it cannot use a date.
    WriteAll(prog.Path("elapsed.esf"), "ESF Version=1.1\r\n0 1 0 0 0 0 1 0 21 0 250\r\n");
    m.LBESFFile->setText(prog.Path("elapsed.esf"));
    prog.person.boxes.clear();
    run("2005-06-13 00:00:00", "End_ms");
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Extraction Failed"));
    QVERIFY(m.ExtractButton->isEnabled());
    QCOMPARE(prog.person.boxes.size(), 1);
    QVERIFY(prog.person.boxes[0].contains(
        "Extraction Interval Error: The start \"2005-06-13 00:00:00\" is a date, but the time "
        "stamps of this run carry no dates"));
    QVERIFY(Snapshot(out).empty());
    // Milliseconds work as before.
    run("0", "1000");
    QCOMPARE(m.StatusLBL->text(), QString("Status:  Done with Extraction"));
}

QTEST_MAIN(UiTest)
#include "UiTest.moc"
