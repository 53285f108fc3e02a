// The three setup editors driven as a person would; the files they write are
// checked byte for byte and read back with the core readers.
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

#include "Buildesf.h"
#include "Buildisf.h"
#include "Buildmerge.h"
#include "RixProgram.h"
#include "Rixmain.h"

using namespace rixui;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A program whose dialogs the test answers.
struct Program {
    QTemporaryDir dir;
    std::map<QString, QStringList> files;  // dialog object name -> paths
    QStringList boxes;                     // "title|text"
    QStringList presetNames;               // the save dialogs' preset names
    int answer = -1;                       // Yes/No/Cancel: 1, 0, -1
    std::unique_ptr<RixProgram> p;

    Program() {
        DialogHooks h;
        h.chooseFile = [this](QWidget*, const FileDialogOptions& options) {
            if (options.save) presetNames << options.initialName;
            QStringList& q = files[options.objectName];
            return q.isEmpty() ? QString() : q.takeFirst();
        };
        h.askYesNo = [](QWidget*, const QString&, const QString&) { return true; };
        h.askYesNoCancel = [this](QWidget*, const QString& title, const QString& text) {
            boxes << title + "|" + text;
            return answer;
        };
        h.showBox = [this](QWidget*, const QString& title, const QString& text) {
            boxes << title + "|" + text;
        };
        h.showBoxNoWait = [this](QWidget*, const QString& t, const QString& x,
                                 std::function<void()> done) {
            boxes << t + "|" + x;
            done();
        };
        h.quit = [] {};
        p = std::make_unique<RixProgram>(h);
        p->FormRIX->Timer1->stop();
    }
    QString Path(const QString& name) const { return dir.path() + "/" + name; }
};

template <typename T>
T* Find(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(name);
    if (!c) qFatal("no control %s", name);
    return c;
}

// Replaces a field's text the way typing does.
void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
    if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
}

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void instrumentEditor();
    void extractionEditor();
    void extractionCloseAndOddValues();
    void mergeEditorViewingIsNotEditing();
    void mergeEditorEdits();
};

void EditorTest::instrumentEditor() {
    Program prog;
    TISFForm& f = *prog.p->ISFForm;
    prog.p->FormRIX->CreateEditISFFile->trigger();
    QVERIFY(f.isVisible());
    QCOMPARE(f.LBISFFile->text(), QString("New File"));
    auto* tabs = Find<QTabBar>(&f, "TCChannels");
    tabs->setCurrentIndex(2);  // "Logger ID 3"
    QCOMPARE(tabs->tabText(2), QString("Logger ID 3"));
    QCOMPARE(Find<QLabel>(&f, "LBID1")->text(), QString("31."));
    QCOMPARE(Find<QLabel>(&f, "LBID9")->text(), QString("39"));
    auto* type2 = Find<QComboBox>(&f, "CBType2");
    QCOMPARE(type2->itemText(32), QString("SBE19"));
    type2->setCurrentIndex(32);
    Type(Find<QLineEdit>(&f, "DeviceFile2"), "ctd.con");
    Type(Find<QLineEdit>(&f, "MELag2"), "250");
    Find<QComboBox>(&f, "CBType3")->setCurrentIndex(27);  // "Misc ASCII"
    Find<QComboBox>(&f, "CBType4")->setCurrentIndex(30);
    Type(Find<QLineEdit>(&f, "MELag4"), "120");
    Type(Find<QLineEdit>(&f, "MEHad4"), "-15");
    QCOMPARE(f.Table()[32].type, 32);
    QCOMPARE(f.Table()[32].keyword, std::string("SBE19"));
    QCOMPARE(f.Table()[32].deviceFile, std::string("CTD.CON"));
    QCOMPARE(f.Table()[33].type, 27);  // a column meter the file holds as MISC-ASCII
    QCOMPARE(f.Table()[33].keyword, std::string("MISC-ASCII"));
    // Validators keep letters out of the numbers.
    QTest::keyClicks(Find<QLineEdit>(&f, "MEHad4"), "x");
    QCOMPARE(f.Table()[34].had, -15);

    // Logger 2 cleared while logger 1 shows: the visible rows stay.
    tabs->setCurrentIndex(1);
    Find<QComboBox>(&f, "CBType1")->setCurrentIndex(6);
    tabs->setCurrentIndex(0);
    Find<QComboBox>(&f, "CBType1")->setCurrentIndex(17);
    f.ClearMux[1]->trigger();
    QCOMPARE(f.Table()[21].type, 0);
    QCOMPARE(Find<QComboBox>(&f, "CBType1")->currentIndex(), 17);
    f.ClearMux[0]->trigger();
    QCOMPARE(Find<QComboBox>(&f, "CBType1")->currentIndex(), 0);
    QCOMPARE(f.Table()[11].type, 0);

    // A file that cannot be written says so and changes no label.
    prog.files["SaveISFDialog"] << prog.Path("no/such/a.isf");
    f.SaveAsISF->trigger();
    QCOMPARE(prog.boxes, QStringList({"Instrument Setup File Error|Unable to open " +
                                      prog.Path("no/such/a.isf")}));
    QCOMPARE(f.LBISFFile->text(), QString("New File"));

    const QString path = prog.Path("a.isf");
    prog.files["SaveISFDialog"] << path;
    tabs->setCurrentIndex(2);
    f.SaveAsISF->trigger();
    QCOMPARE(ReadAll(path), QByteArray("32 SBE19 LAG=0 HAD=0 DEV=CTD.CON \r\n"
                                       "33 MISC-ASCII LAG=0 HAD=0 DEV=  \r\n"
                                       "34 SATLANTIC LAG=120 HAD=-15 DEV=  \r\n"));
    QCOMPARE(f.LBISFFile->text(), path);
    QCOMPARE(prog.p->FormRIX->LBISFFile->text(), path);
    // The read-back: the CTD's lag is 0 now, and the window shows it.
    QCOMPARE(Find<QLineEdit>(&f, "MELag2")->text(), QString("0"));
    QCOMPARE(Find<QLineEdit>(&f, "DeviceFile2")->text(), QString("CTD.CON"));
    rix::ChannelTable back;
    rix::RecordingReporter quiet;
    QVERIFY(rix::ReadIsfFile(quiet, back, path.toStdString()));
    QCOMPARE(back[34].lag, 120);

    f.NewISF->trigger();
    QCOMPARE(f.Table()[32].type, 0);
    QCOMPARE(type2->currentIndex(), 0);
    // "Select Instrument Selection File" runs the editor's Open.
    prog.files["OpenISFDialog"] << path;
    prog.p->FormRIX->SelectISFFile->trigger();
    QCOMPARE(type2->currentIndex(), 32);
    QCOMPARE(f.LBISFFile->text(), path);
    f.ExitISF->trigger();
    QVERIFY(!f.isVisible());
    QCOMPARE(f.Table()[34].type, 30);
}

void EditorTest::extractionEditor() {
    Program prog;
    TBESFForm& f = *prog.p->BESFForm;
    prog.p->FormRIX->SaveCurrentExtractionSetup->trigger();
    QVERIFY(f.isVisible());
    QCOMPARE(f.OpenESFDialog.selectedFilter, 1);
    QCOMPARE(f.LBClockSource->text(), QString("Clock Source:  Mux ID 2"));
    QVERIFY(f.LBRIXDandTID->isHidden() && f.UDTimeOffset->isHidden());
    QVERIFY(!f.Changed());

    // Raw capture files force engineering units, logger 1 and raw meter time.
    f.RawFile->trigger();
    QVERIFY(f.EngrUnits->isChecked() && !f.RawData->isChecked());
    QVERIFY(f.MuxID1->isChecked() && !f.MuxID2->isChecked());
    QVERIFY(f.RIXTSRawMeter->isVisible() && f.RIXTSRawMeter->isChecked());
    QVERIFY(!f.RIXTSMSFile->isChecked());
    QCOMPARE(f.LBRIXTimeFormat->text(), QString("Time Stamp Format:  Raw Meter Time"));
    QVERIFY(f.Changed());
    f.KXArchive->trigger();
    QVERIFY(f.RIXTSMSFile->isChecked());
    QVERIFY(!f.RIXTSRawMeter->isVisible() && !f.RIXTSRawMeter->isChecked());
    QCOMPARE(f.LBInput->text(), QString("Input File Format:  KX Archive File"));

    // Opening a submenu changes nothing; a Julian item shows its controls.
    Q_EMIT f.DKDC1->aboutToShow();
    QVERIFY(f.RIXTSMSFile->isChecked());
    f.RIXTSJDay->trigger();
    QVERIFY(!f.RIXTSMSFile->isChecked());
    QVERIFY(!f.LBRIXDandTID->isHidden() && !f.UDDandTID->isHidden() && !f.UDTimeOffset->isHidden());
    f.UDTimeOffset->setValue(-5);
    QCOMPARE(f.LBTimeOffset->text(), QString("Time Offset Correction: -5 Hours"));
    f.UDDandTID->setValue(30);
    QCOMPARE(f.LBRIXDandTID->text(), QString("RIX ID Time Source:   30"));

    prog.files["SaveESFDialog"] << prog.Path("no/such/a.ESF");
    f.SaveESF->trigger();
    QCOMPARE(prog.boxes.size(), 1);
    QVERIFY(prog.boxes[0].startsWith("Extraction Setup File Error|Unable to open "));
    QVERIFY(f.Changed());
    const QString path = prog.Path("a.ESF");
    prog.files["SaveESFDialog"] << path;
    f.SaveESF->trigger();
    QCOMPARE(ReadAll(path), QByteArray("ESF Version=1.1\r\n0 1 0 21 0 0 1 4 30 -5 250\r\n"));
    QCOMPARE(prog.p->FormRIX->LBESFFile->text(), path);
    QVERIFY(!f.Changed());
    rix::ExtractionSetup back;
    rix::RecordingReporter quiet;
    QVERIFY(rix::ReadEsfFile(quiet, back, path.toStdString()));
    QCOMPARE(back.timeOffsetHours, -5);
    QCOMPARE(back.dataOutput, 1);

    // The ISO 8601 stamp needs the date source as the Julian forms do, and saves as 8.
    f.RIXTSIsoUtc->trigger();
    QCOMPARE(f.RIXTSIsoUtc->text().remove('&'), QString("YYYY-MM-DDThh:mm:ss.sssZ"));
    QVERIFY(!f.RIXTSJDay->isChecked());
    QCOMPARE(f.LBRIXTimeFormat->text(), QString("Time Stamp Format:  ISO 8601 UTC"));
    QVERIFY(!f.LBRIXDandTID->isHidden() && !f.UDTimeOffset->isHidden());
    prog.files["SaveESFDialog"] << path;
    f.SaveESF->trigger();
    QCOMPARE(ReadAll(path), QByteArray("ESF Version=1.1\r\n0 1 0 21 0 0 1 8 30 -5 250\r\n"));
    f.NewESF->trigger();
    QVERIFY(!f.RIXTSIsoUtc->isChecked());
    prog.files["OpenESFDialog"] << path;
    f.OpenESF->trigger();
    QVERIFY(f.RIXTSIsoUtc->isChecked());

    f.JulianDateHelp1->trigger();
    QVERIFY(prog.boxes.last().startsWith("Julian Date - Local to GMT Time Offsets|In order to"));
    f.NewESF->trigger();
    QVERIFY(f.MuxID0->isChecked() && f.RIXTSMSFile->isChecked());
    QVERIFY(f.LBRIXDandTID->isHidden());
    QCOMPARE(f.CollectRecord().ctdChannel, 0);
}

void EditorTest::extractionCloseAndOddValues() {
    Program prog;
    TBESFForm& f = *prog.p->BESFForm;
    // Values no item stands for leave their group unchecked and are saved as 0.
    const QString odd = prog.Path("odd.ESF");
    WriteAll(odd, "ESF Version=1.1\r\n4 1 0 0 2 0 1 7 21 0 250\r\n");
    prog.files["OpenESFDialog"] << odd;
    prog.p->FormRIX->Open->trigger();
    QCOMPARE(f.LBESF->text(), odd);
    QVERIFY(!f.IndividualFiles->isChecked() && !f.MergedFiles->isChecked());
    QVERIFY(f.RIXTSRawMeter->isVisible() && f.RIXTSRawMeter->isChecked());
    QVERIFY(f.LBRIXDandTID->isHidden());
    const QString path = prog.Path("b.ESF");
    prog.files["SaveESFDialog"] << path;
    f.SaveESF->trigger();
    QCOMPARE(ReadAll(path), QByteArray("ESF Version=1.1\r\n4 1 0 0 0 0 1 7 21 0 250\r\n"));
    // A file that cannot be read leaves the window as it was.
    prog.files["OpenESFDialog"] << prog.Path("missing.ESF");
    f.OpenESF->trigger();
    QCOMPARE(f.LBESF->text(), path);
    QVERIFY(prog.boxes.last().startsWith("ESF File Error|"));

    // Close after a change: Cancel keeps the window open and the flag set.
    f.show();
    f.MergedFiles->trigger();
    prog.boxes.clear();
    prog.answer = -1;
    f.ExitESF->trigger();
    QCOMPARE(prog.boxes, QStringList({"Closing the ESF Window|Save the Current ESF Settings?"}));
    QVERIFY(f.isVisible() && f.Changed());
    QVERIFY(!f.close());  // the window's own close button asks too
    QVERIFY(f.isVisible());
    prog.answer = 1;  // Yes saves first
    prog.files["SaveESFDialog"] << path;
    f.ExitESF->trigger();
    QVERIFY(!f.isVisible() && !f.Changed());
    QCOMPARE(ReadAll(path), QByteArray("ESF Version=1.1\r\n4 1 0 0 1 0 1 7 21 0 250\r\n"));
}

namespace {

// A merge setup with values the controls show in other units or cannot show.
rix::MergeSetup OddSetup() {
    rix::MergeSetup s;
    s.castDirection = 2;
    rix::MergePair& time = s.pairs[0];
    time.mergeMode = 2;
    time.base.units = time.base.offsetUnits = 1;
    time.base.offset = 500;
    time.base.channelId = 23;
    time.merge.units = time.merge.offsetUnits = 1;
    time.merge.offset = 501;  // not a step of 50
    time.merge.channelId = 24;
    time.merge.headerRows = 3;
    rix::MergePair& depth = s.pairs[2];
    depth.mergeMode = 1;
    depth.merge.offset = 30;
    depth.base.headerRows = 2;
    depth.pressureOffset = 1.25;  // not what a depth pair stores, kept on viewing
    depth.base.calTemperature = 2001;
    depth.base.meterType = 2;
    depth.condColumn = 5003;
    depth.tempColumn = 0;  // shows "None" like -1
    rix::MergePair& odd = s.pairs[3];
    odd.mergeMode = 7;
    odd.base.channelId = 60;
    odd.merge.pairNumber = 0;
    odd.scatterMethod = 9;
    odd.outputFormat = 2;
    odd.base.headerUse = 4;
    rix::MergePair& ac = s.pairs[4];
    ac.mergeMode = 3;
    ac.base.meterType = 1;
    ac.tCorFile.clear();
    ac.sCorFile.clear();
    ac.cleanWaterFile.clear();
    ac.oxDeviceFile.clear();
    ac.correctionFlags = 5;
    ac.absorbWavelength = 900;
    ac.displayOrder = "B1-3,M2 iTEMP";
    s.pairs[5].base.sourceKind = 3;
    s.pairs[5].mergeMode = 2;
    return s;
}

}  // namespace

void EditorTest::mergeEditorViewingIsNotEditing() {
    Program prog;
    TMergeForm& f = *prog.p->MergeForm;
    const rix::MergeSetup setup = OddSetup();
    const QString in = prog.Path("in.msf");
    WriteAll(in, QByteArray::fromStdString(rix::MsfText(setup)));
    QVERIFY(f.GBPairs->isHidden());
    prog.files["OpenMergeDialog"] << in;
    prog.p->FormRIX->SelectMergeFile->trigger();
    QCOMPARE(f.LBMergeFile->text(), in);
    QCOMPARE(prog.p->FormRIX->LBMergeFile->text(), in);
    QVERIFY(f.UpCast->isChecked() && !f.DownCast->isChecked());

    f.SelectPair(0);
    QCOMPARE(f.GBPairs->title(), QString("Merge Pair  1 Setup"));
    QCOMPARE(f.UDBaseOffset->value(), 10);
    QCOMPARE(f.LBBaseOffset->text(), QString("Lag:  500 ms"));
    QCOMPARE(f.UDMergeOffset->value(), 10);
    QCOMPARE(f.RBBaseChannel->text(), QString("RIX ID 23"));
    QCOMPARE(f.RBBasePair->text(), QString("Pair XX"));
    QVERIFY(f.RGCastDirection->isHidden());
    f.SelectPair(2);
    QCOMPARE(f.UDMergeOffset->value(), 30);
    QCOMPARE(f.LBMergeOffset->text(), QString("HAD:  30 cm"));
    QCOMPARE(f.BCalTempEdit->text(), QString("20.01"));
    QCOMPARE(f.EDCond->text(), QString("M3"));
    QVERIFY(!f.RGCastDirection->isHidden() && !f.MiscPageControl->isHidden());
    QVERIFY(f.GBacCorrections->isHidden());
    f.SelectPair(4);
    QCOMPARE(f.TCorFileName->text(), QString("t.cor"));
    QCOMPARE(f.SCorFileName->text(), QString("s.cor"));
    QCOMPARE(f.CH2OFileName->text(), QString("ch2o.cor"));
    QCOMPARE(f.OxFileName->text(), QString("sbe23/43.dev"));
    QVERIFY(!f.GBacCorrections->isHidden() && f.MiscPageControl->isHidden());
    QVERIFY(prog.boxes.isEmpty());
    f.SelectPair(5);
    QCOMPARE(prog.boxes, QStringList({"Programming Error|Bad m.basesource in RGMergPairsClick"}));
    for (int i = 0; i < rix::kMergePairs; ++i) f.SelectPair(i);

    const QString out = prog.Path("out.msf");
    prog.files["SaveMergeDialog"] << out;
    f.SaveAs1->trigger();
    QCOMPARE(prog.presetNames.last(), in);
    QCOMPARE(ReadAll(out), ReadAll(in));
    QCOMPARE(f.LBMergeFile->text(), out);
}

void EditorTest::mergeEditorEdits() {
    Program prog;
    TMergeForm& f = *prog.p->MergeForm;
    const QString in = prog.Path("in.msf");
    WriteAll(in, QByteArray::fromStdString(rix::MsfText(OddSetup())));
    prog.files["OpenMergeDialog"] << in;
    f.OpenMerge->trigger();

    // Pair 3's header spinner.
    f.SelectPair(2);
    f.UDBaseHdrs->setValue(5);
    QCOMPARE(f.GBPairs->title(), QString("Merge Pair  3 Setup"));
    QCOMPARE(f.LBBaseHdrs->text(), QString(" 5 Header Lines"));
    QCOMPARE(f.Setup().pairs[2].base.headerRows, 5);
    QCOMPARE(f.Setup().pairs[2].pressureOffset, 1.25);  // untouched fields stay
    // A new calibration temperature is rounded to hundredths, not truncated.
    Type(f.BCalTempEdit, "20.07");
    QCOMPARE(f.Setup().pairs[2].base.calTemperature, 2007);

    // The time pair: a spinner step is 50 ms; depth merging forces dbar.
    f.SelectPair(0);
    f.UDMergeOffset->setValue(12);
    QCOMPARE(f.Setup().pairs[0].merge.offset, 600);
    QCOMPARE(f.LBMergeOffset->text(), QString("Lag:  600 ms"));
    f.DoMergeButtons->button(1)->click();
    QCOMPARE(f.CBBaseUnits->currentText(), QString("dbar"));
    QCOMPARE(f.CBMergeUnits->currentText(), QString("dbars"));
    QVERIFY(!f.RGCastDirection->isHidden());
    QCOMPARE(f.Setup().pairs[0].base.offsetUnits, 0);
    QCOMPARE(f.Setup().pairs[0].merge.offset, 12);  // the spinner now counts centimetres
    QCOMPARE(f.Setup().pairs[0].mergeMode, 1);
    // The source buttons: a pair number as the base.
    f.UDBasePair->setValue(2);
    f.RBBasePair->click();
    QVERIFY(f.RBBasePair->isChecked() && !f.RBBaseChannel->isChecked());
    QCOMPARE(f.RBBasePair->text(), QString("Pair 2"));
    QCOMPARE(f.RBBaseChannel->text(), QString("RIX ID XX"));
    QCOMPARE(f.Setup().pairs[0].base.sourceKind, 1);
    QCOMPARE(f.Setup().pairs[0].base.pairNumber, 2);
    Type(f.MergeOrder, "B1 M2");
    QCOMPARE(f.Setup().pairs[0].displayOrder, std::string("B1 M2"));
    // Skipping stores the mode and keeps the rest.
    f.DoMergeButtons->button(0)->click();
    QVERIFY(f.GBBaseFile->isHidden() && f.MergeOrder->isHidden());
    QCOMPARE(f.Setup().pairs[0].mergeMode, 0);
    QCOMPARE(f.Setup().pairs[0].base.pairNumber, 2);
    // The cast direction is stored as soon as it is chosen.
    f.DownCast->click();
    QCOMPARE(f.Setup().castDirection, 1);

    prog.files["SaveMergeDialog"] << prog.Path("no/such/x.msf");
    f.SaveAs1->trigger();
    QCOMPARE(prog.boxes.last(), "Merge Setup File Error|Unable to open " + prog.Path("no/such/x.msf"));
    QCOMPARE(f.LBMergeFile->text(), in);
    const QString out = prog.Path("out.msf");
    prog.files["SaveMergeDialog"] << out;
    f.SaveAs1->trigger();
    rix::MergeSetup back;
    rix::RecordingReporter quiet;
    std::FILE* file = std::fopen(out.toStdString().c_str(), "rb");
    QVERIFY(file);
    QCOMPARE(rix::ReadMsfFile(quiet, back, file), 1);
    std::fclose(file);
    QVERIFY(quiet.boxes.empty());
    QCOMPARE(back.castDirection, 1);
    QCOMPARE(back.pairs[0].merge.offset, 12);
    QCOMPARE(back.pairs[2].base.headerRows, 5);
    QCOMPARE(back.pairs[3].mergeMode, 7);

    // New: a reset setup with the direction the window shows.
    f.New1->trigger();
    QCOMPARE(f.GBPairs->title(), QString("Merge Pair  1 Setup"));
    prog.files["SaveMergeDialog"] << out;
    f.SaveAs1->trigger();
    rix::MergeSetup fresh;
    fresh.castDirection = 1;
    QCOMPARE(ReadAll(out), QByteArray::fromStdString(rix::MsfText(fresh)));
    f.ExitMerge->trigger();
    QVERIFY(!f.isVisible());
}

QTEST_MAIN(EditorTest)
#include "EditorTest.moc"
