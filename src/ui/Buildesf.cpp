#include "Buildesf.h"

#include "extract/Misc.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QMenuBar>
#include <QSpinBox>
#include <QVBoxLayout>

#include "Widgets.h"

namespace rixui {

namespace {

// Checks the clicked item of a group and unchecks the others.
void CheckOnly(const TBESFForm::Group& group, QAction* item) {
    for (const auto& i : group) i.action->setChecked(i.action == item);
}

void CheckValue(const TBESFForm::Group& group, int value) {
    for (const auto& i : group) i.action->setChecked(i.value == value);
}

// The value of the checked item, 0 when none is checked.
int CheckedValue(const TBESFForm::Group& group) {
    for (const auto& i : group)
        if (i.action->isChecked()) return i.value;
    return 0;
}

const char* Pick(int value, std::initializer_list<const char*> words) {
    if (value < 0 || value >= static_cast<int>(words.size())) value = 0;
    return words.begin()[value];
}

const char kJulianHelp[] =
    "In order to obtain Julian Date Outputs, it is necessary to provide\nan offset that corrects "
    "between the time standard the data was recorded in,\n and the time standard the user wants "
    "the data reported in.\n\nThe rules for converting between local time and GMT are:\n\nLocal "
    "Time Recorded and Local Time Output:  Offset = 0 Hours\nGMT Recorded and GMT Output:  "
    "Offset = 0 Hours\nLocal Time Recorded, GMT Output, West Longitude: Offset = +1 to +12 "
    "Hours\nLocal Time Recorded, GMT Output, East Longitude: Offset = -1 to -12 Hours\nGMT "
    "Recorded, Local Time Output, West Longitude:  Offset = -1 to -12 Hours\nGMT Recorded, "
    "Local Time Output, East Longitude:  Offset = +1 to +12 Hours";

}  // namespace

TBESFForm::TBESFForm(rix::Reporter& reporter, DialogHooks& hooks, QWidget* parent)
    : SetupEditor(reporter, hooks, "BESFForm", "Extraction Setup File", parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);

    OpenESFDialog.objectName = "OpenESFDialog";
    OpenESFDialog.filter = "All Files (*);;Extraction Setup (*.ESF *.esf)";
    OpenESFDialog.selectedFilter = 1;
    OpenESFDialog.defaultSuffix = "ESF";
    OpenESFDialog.mustExist = true;
    SaveESFDialog = OpenESFDialog;
    SaveESFDialog.objectName = "SaveESFDialog";
    SaveESFDialog.initialName = "*.ESF";
    SaveESFDialog.mustExist = false;
    SaveESFDialog.save = true;

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);
    auto item = [](QMenu* menu, const char* name, const char* text, bool checkable = true) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        a->setCheckable(checkable);
        return a;
    };
    auto unused = [](QAction* a) {
        a->setVisible(false);
        a->setEnabled(false);
        return a;
    };

    QMenu* file = bar->addMenu("&File");
    NewESF = item(file, "NewESF", "&New", false);
    OpenESF = item(file, "OpenESF", "&Open", false);
    Save1 = item(file, "Save1", "&Save", false);
    SaveESF = item(file, "SaveESF", "Save &As", false);
    file->addSeparator();
    ExitESF = item(file, "ExitESF", "&Close", false);
    connect(NewESF, &QAction::triggered, this, &TBESFForm::NewESFClick);
    connect(OpenESF, &QAction::triggered, this, &TBESFForm::OpenESFClick);
    connect(Save1, &QAction::triggered, this, &TBESFForm::Save1Click);
    connect(SaveESF, &QAction::triggered, this, &TBESFForm::SaveESFClick);
    connect(ExitESF, &QAction::triggered, this, &TBESFForm::ExitESFClick);

    QMenu* input = bar->addMenu("&Input File Format");
    KXArchive = item(input, "KXArchive", "&KX Archive");
    MicroProfiler = unused(item(input, "MicroProfiler", "&Micro-Profiler"));
    IOPFile = item(input, "IOPFile", "&IOP");
    MOPAKFile = unused(item(input, "MOPAKFile", "M&OPAK Archive"));
    RawFile = item(input, "RawFile", "&Raw Data");
    input_ = {{KXArchive, 0}, {MicroProfiler, 1}, {IOPFile, 2}, {MOPAKFile, 3}, {RawFile, 4}};

    QMenu* output = bar->addMenu("&Data Output");
    RawData = item(output, "RawData", "&Raw Data");
    EngrUnits = item(output, "EngrUnits", "&Processed w/Headers");
    dataOutput_ = {{RawData, 0}, {EngrUnits, 1}};

    DepthMenu = bar->addMenu("Extracton D&epth Corrections");
    DepthMenu->setObjectName("DepthCorrections");
    NoDepthCorrections = item(DepthMenu, "NoDepthCorrections", "&No Depth Corrections");
    DepthFromCTD = unused(item(DepthMenu, "DepthFromCTD", "Insert Depth from Archive File CTD"));
    unused(item(DepthMenu, "InsertClosestDepth", "Insert Closet Depth", false));
    unused(item(DepthMenu, "InsertInterpolatedDepth", "Insert Interpolated Depth", false));
    QMenu* scale = DepthMenu->addMenu("nx9 Depth Scale - 325 m");
    scale->setObjectName("nx9depthscale");
    for (const char* s : {"325 m", "600 m", "6000 m"}) unused(item(scale, "", s, false));
    unused(scale->menuAction());
    DepthMenu->menuAction()->setVisible(false);
    depth_ = {{NoDepthCorrections, 0}, {DepthFromCTD, 1}};

    QMenu* files = bar->addMenu("&Output Files");
    IndividualFiles = item(files, "IndividualFiles", "&Individual Files");
    MergedFiles = item(files, "MergedFiles", "&Merged Files");
    TimeSeriesFile = item(files, "TimeSeriesFile", "&Time Series File", false);
    TimeSeriesFile->setVisible(false);
    outputFiles_ = {{IndividualFiles, 0}, {MergedFiles, 1}};

    QMenu* clock = bar->addMenu("&Clock Source");
    MuxID0 = item(clock, "MuxID0", "Use &First Logger ID Found");
    MuxID0->setVisible(false);
    MuxID1 = item(clock, "MuxID1", "Logger ID = &1");
    MuxID2 = item(clock, "MuxID2", "Logger ID = &2");
    MuxID3 = item(clock, "MuxID3", "Logger ID = &3");
    MuxID4 = item(clock, "MuxID4", "Logger ID = &4");
    clock_ = {{MuxID0, 0}, {MuxID1, 1}, {MuxID2, 2}, {MuxID3, 3}, {MuxID4, 4}};

    QMenu* stamp = bar->addMenu("&Time Stamp Format");
    ElapsedTime = stamp->addMenu("&Elapsed Time");
    ElapsedTime->setObjectName("ElapsedTime");
    RIXTSMSFile = item(ElapsedTime, "RIXTSMSFile", "&Milli-Seconds From Start of File");
    RIXTSMSPower = item(ElapsedTime, "RIXTSMSPower", "Milli-Secconds From &Power On");
    RIXTSSecFile = item(ElapsedTime, "RIXTSSecFile", "&Seconds From Start of File");
    RIXTSSecPower = item(ElapsedTime, "RIXTSSecPower", "Seconds &From Power On");
    DKDC1 = stamp->addMenu("&Julian Date");
    DKDC1->setObjectName("DKDC1");
    RIXTSJDay = item(DKDC1, "RIXTSJDay", "&JJJJ.jjjjjjjj");
    RIXTSYearJDay = item(DKDC1, "RIXTSYearJDay", "&YJJJ.jjjjjjjj");
    RIXTSYearPlusJDay = item(DKDC1, "RIXTSYearPlusJDay", "Y&YYY   JJJ.jjjjjjjj");
    // Calendar date and time in UTC, for data that leaves this program.
    RIXTSIsoUtc = item(stamp, "RIXTSIsoUtc", "YYYY-MM-DDThh:mm:ss.sss&Z");
    RIXTSRawMeter = item(stamp, "RIXTSRawMeter", "&Raw Meter Time");
    RIXTSRawMeter->setVisible(false);
    stamp->addSeparator();
    JulianDateHelp1 = item(stamp, "JulianDateHelp1", "Julian Date &Help", false);
    connect(JulianDateHelp1, &QAction::triggered, this, &TBESFForm::JulianDateHelp1Click);
    timeStamp_ = {{RIXTSMSFile, 0},   {RIXTSMSPower, 1},      {RIXTSSecFile, 2},
                  {RIXTSSecPower, 3}, {RIXTSJDay, 4},         {RIXTSYearJDay, 5},
                  {RIXTSYearPlusJDay, 6}, {RIXTSRawMeter, 7}, {RIXTSIsoUtc, rix::kIsoTimeFormat}};

    auto bind = [this](const Group& group, void (TBESFForm::*handler)(QAction*)) {
        for (const auto& i : group) {
            QAction* a = i.action;
            connect(a, &QAction::triggered, this, [this, handler, a] { (this->*handler)(a); });
        }
    };
    bind(input_, &TBESFForm::KXArchiveClick);
    bind(dataOutput_, &TBESFForm::RawDataClick);
    bind(depth_, &TBESFForm::NoDepthCorrectionsClick);
    bind(outputFiles_, &TBESFForm::IndividualFilesClick);
    bind(clock_, &TBESFForm::MuxID0Click);
    bind(timeStamp_, &TBESFForm::RIXTSMilliSecondsClick);

    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    auto spinner = [this](const char* name, int low, int high, int value, int step = 1) {
        auto* s = new QSpinBox(this);
        s->setObjectName(name);
        s->setRange(low, high);
        s->setSingleStep(step);
        s->setValue(value);
        return s;
    };
    LBESF = new ElidedLabel("*.ESF", this);
    LBESF->setObjectName("LBESF");
    LBInput = label("LBInput", "");
    LBDataOutput = label("LBDataOutput", "");
    LBDepth = label("LBDepth", "");
    LBDepth->hide();
    LBOutput = label("LBOutput", "");
    LBClockSource = label("LBClockSource", "");
    LBRIXTimeFormat = label("LBRIXTimeFormat", "");
    UDCTDID = spinner("UDCTDID", 0, 49, 21);
    LBCTDID = label("LBCTDID", "CTD ID:  0");
    UDDandTID = spinner("UDDandTID", 11, 49, 21);
    LBRIXDandTID = label("LBRIXDandTID", "RIX ID Time Source:  21");
    UDTimeOffset = spinner("UDTimeOffset", -12, 12, 0);
    LBTimeOffset = label("LBTimeOffset", "Time Offset Correction:  0 Hours");
    UDTimeInc = spinner("UDTimeInc", 100, 2000, 250, 5);
    LBTimeInc = label("LBTimeInc", "Time Inc:  250 ms");
    UDTimeInc->hide();
    LBTimeInc->hide();
    connect(UDCTDID, &QSpinBox::valueChanged, this, &TBESFForm::UDDandTIDClick);
    connect(UDDandTID, &QSpinBox::valueChanged, this, &TBESFForm::UDDandTIDClick);
    connect(UDTimeOffset, &QSpinBox::valueChanged, this, &TBESFForm::UDTimeOffsetClick);
    connect(UDTimeInc, &QSpinBox::valueChanged, this, &TBESFForm::UDTimeIncClick);

    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    grid->addWidget(new QLabel("Extraction Setup File:", this), 0, 0);
    grid->addWidget(LBESF, 0, 1, 1, 2);
    int row = 1;
    for (QLabel* l : {LBInput, LBDataOutput, LBDepth, LBOutput, LBClockSource, LBRIXTimeFormat})
        grid->addWidget(l, row++, 0, 1, 3);
    grid->addWidget(UDCTDID, row, 0);
    grid->addWidget(LBCTDID, row++, 1);
    grid->addWidget(UDDandTID, row, 0);
    grid->addWidget(LBRIXDandTID, row++, 1);
    grid->addWidget(UDTimeOffset, row, 0);
    grid->addWidget(LBTimeOffset, row++, 1);
    grid->addWidget(UDTimeInc, row, 0);
    grid->addWidget(LBTimeInc, row++, 1);
    layout->addStretch();

    // The start-up checks.
    KXArchive->setChecked(true);
    RawData->setChecked(true);
    NoDepthCorrections->setChecked(true);
    IndividualFiles->setChecked(true);
    MuxID2->setChecked(true);
    RIXTSMSFile->setChecked(true);
    LBCTDID->hide();
    UDCTDID->hide();
    RefreshSummary();
    resize(680, 300);
}

bool TBESFForm::JulianChecked() const {
    // The ISO stamp needs the calendar days as the Julian forms do.
    return RIXTSJDay->isChecked() || RIXTSYearJDay->isChecked() || RIXTSYearPlusJDay->isChecked() ||
           RIXTSIsoUtc->isChecked();
}

void TBESFForm::SetFromRecord(const rix::ExtractionSetup& s) {
    CheckValue(input_, s.inputFormat);
    CheckValue(dataOutput_, s.dataOutput);
    CheckValue(depth_, s.depthProcessing);
    CheckValue(outputFiles_, s.outputFiles);
    CheckValue(clock_, s.clockSource);
    CheckValue(timeStamp_, s.timeStampFormat);
    // Raw meter time is offered while it is checked.
    RIXTSRawMeter->setVisible(RIXTSRawMeter->isChecked());
    setting_ = true;
    UDCTDID->setValue(s.ctdChannel);
    UDDandTID->setValue(s.dateTimeChannel);
    UDTimeOffset->setValue(s.timeOffsetHours);
    UDTimeInc->setValue(s.timeIncrementMs);
    setting_ = false;
    LBTimeInc->setText(QString::asprintf("Time Inc:  %d ms", UDTimeInc->value()));
    LBCTDID->setVisible(DepthFromCTD->isChecked());
    UDCTDID->setVisible(DepthFromCTD->isChecked());
}

rix::ExtractionSetup TBESFForm::CollectRecord() const {
    rix::ExtractionSetup s;
    s.inputFormat = CheckedValue(input_);
    s.dataOutput = CheckedValue(dataOutput_);
    s.depthProcessing = DepthFromCTD->isChecked() ? 1 : 0;
    s.ctdChannel = UDCTDID->value();
    s.outputFiles = CheckedValue(outputFiles_);
    s.clockSource = CheckedValue(clock_);
    s.timeStampFormat = CheckedValue(timeStamp_);
    s.dateTimeChannel = UDDandTID->value();
    s.timeOffsetHours = UDTimeOffset->value();
    s.timeIncrementMs = UDTimeInc->value();
    return s;
}

void TBESFForm::RefreshSummary() {
    const rix::ExtractionSetup s = CollectRecord();
    LBInput->setText(QString("Input File Format:  ") +
                     Pick(s.inputFormat, {"KX Archive File", "Micro-Profiler File", "IOP File",
                                          "MOPAK File", "Raw File"}));
    LBDataOutput->setText(QString("Data Output:  ") +
                          Pick(s.dataOutput, {"Raw Data", "Engineering Units w/Headers"}));
    LBDepth->setText(QString("Depth Processing:  ") +
                     Pick(s.depthProcessing, {"None", "Depth From CTD"}));
    LBCTDID->setText(QString::asprintf("CTD ID: %02d", s.ctdChannel));
    LBOutput->setText(QString("Output Files:  ") +
                      Pick(s.outputFiles, {"Individual Meter Files", "Merge Data Files"}));
    LBClockSource->setText(
        QString("Clock Source:  ") +
        Pick(s.clockSource, {"Any Mux ID", "Mux ID 1", "Mux ID 2", "Mux ID 3", "Mux ID 4"}));
    LBRIXTimeFormat->setText(
        QString("Time Stamp Format:  ") +
        Pick(s.timeStampFormat,
             {"MS from start of file", "MS from logger power", "Secs from start of file",
              "Secs from logger power", "Julian Date", "YearJulian Date", "Year + Julian Date",
              "Raw Meter Time", "ISO 8601 UTC"}));
    LBRIXDandTID->setText(QString::asprintf("RIX ID Time Source:  %3d", s.dateTimeChannel));
    LBTimeOffset->setText(QString::asprintf("Time Offset Correction: %2d Hours", s.timeOffsetHours));
    const bool julian = JulianChecked();
    LBRIXDandTID->setVisible(julian);
    UDDandTID->setVisible(julian);
    LBTimeOffset->setVisible(julian);
    UDTimeOffset->setVisible(julian);
}

void TBESFForm::KXArchiveClick(QAction* item) {
    CheckOnly(input_, item);
    if (RawFile->isChecked()) {
        // A raw capture file holds one meter with its own time.
        CheckOnly(dataOutput_, EngrUnits);
        CheckOnly(clock_, MuxID1);
        RIXTSRawMeter->setVisible(true);
        CheckOnly(timeStamp_, RIXTSRawMeter);
    } else {
        if (RIXTSRawMeter->isChecked()) RIXTSMSFile->setChecked(true);
        RIXTSRawMeter->setVisible(false);
        RIXTSRawMeter->setChecked(false);
    }
    changed_ = true;
    RefreshSummary();
}

void TBESFForm::RawDataClick(QAction* item) {
    CheckOnly(dataOutput_, item);
    changed_ = true;
    RefreshSummary();
}

void TBESFForm::NoDepthCorrectionsClick(QAction* item) {
    CheckOnly(depth_, item);
    LBCTDID->setVisible(DepthFromCTD->isChecked());
    UDCTDID->setVisible(DepthFromCTD->isChecked());
    RefreshSummary();
}

void TBESFForm::IndividualFilesClick(QAction* item) {
    CheckOnly(outputFiles_, item);
    changed_ = true;
    RefreshSummary();
}

void TBESFForm::MuxID0Click(QAction* item) {
    CheckOnly(clock_, item);
    changed_ = true;
    RefreshSummary();
}

void TBESFForm::RIXTSMilliSecondsClick(QAction* item) {
    CheckOnly(timeStamp_, item);
    changed_ = true;
    RefreshSummary();
}

void TBESFForm::UDDandTIDClick() {
    if (setting_) return;
    changed_ = true;
    RefreshSummary();
}

void TBESFForm::UDTimeOffsetClick() {
    if (setting_) return;
    changed_ = true;
    RefreshSummary();
}

void TBESFForm::UDTimeIncClick() {
    LBTimeInc->setText(QString::asprintf("Time Inc:  %d ms", UDTimeInc->value()));
}

void TBESFForm::JulianDateHelp1Click() {
    reporter_.ShowError("Julian Date - Local to GMT Time Offsets", kJulianHelp);
}

void TBESFForm::NewESFClick() {
    // A new setup names no file: Save asks for one.
    LBESF->setText("*.ESF");
    rix::ResetExtractionSetup(record_);
    SetFromRecord(record_);
    RefreshSummary();
    changed_ = false;
}

void TBESFForm::OpenESFClick() {
    const QString path = hooks_.chooseFile(this, OpenESFDialog);
    if (path.isEmpty()) return;
    OpenFile(path);
}

bool TBESFForm::OpenFile(const QString& path) {
    rix::ExtractionSetup read;
    const bool ok = rix::ReadEsfFile(reporter_, read, ToStd(path));
    if (ok) {
        record_ = read;
        ShowFileName(LBESF, path);
        SetFromRecord(record_);
    }
    RefreshSummary();
    return ok;
}

QString TBESFForm::CurrentFile() const {
    return LBESF->text() == "*.ESF" ? QString() : LBESF->text();
}

void TBESFForm::Save1Click() {
    const QString path = CurrentFile();
    if (path.isEmpty()) {
        SaveESFClick();
        return;
    }
    if (AskToReplace(path)) WriteTo(path);
}

void TBESFForm::SaveESFClick() {
    FileDialogOptions options = SaveESFDialog;
    if (!CurrentFile().isEmpty()) options.initialName = CurrentFile();
    const QString path = hooks_.chooseFile(this, options);
    if (!path.isEmpty()) WriteTo(path);
}

bool TBESFForm::WriteTo(const QString& path) {
    std::FILE* f = OpenForWriting(path, "Extraction Setup");
    if (!f) return false;
    record_ = CollectRecord();
    rix::WriteEsfFile(record_, f);
    if (!FinishWriting(f, path, "Extraction Setup")) return false;
    ShowFileName(LBESF, path);
    RefreshSummary();
    changed_ = false;
    return true;
}

bool TBESFForm::MayClose() {
    if (changed_) {
        const int answer =
            hooks_.askYesNoCancel(this, "Closing the ESF Window", "Save the Current ESF Settings?");
        if (answer < 0) return false;
        if (answer > 0) SaveESFClick();
    }
    changed_ = false;
    return true;
}

void TBESFForm::ExitESFClick() {
    if (MayClose()) hide();
}

void TBESFForm::closeEvent(QCloseEvent* event) {
    if (MayClose())
        event->accept();
    else
        event->ignore();
}

}  // namespace rixui
