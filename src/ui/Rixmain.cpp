#include "Rixmain.h"

#include <QCloseEvent>
#include <QDir>
#include <QFont>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QTimer>
#include <atomic>

#include "Context.h"
#include "Devicefolder.h"
#include "Buildesf.h"
#include "Buildisf.h"
#include "Buildmerge.h"
#include "Checkform.h"
#include "Cruiseform.h"
#include "GuiReporter.h"
#include "MergeEntry.h"
#include "Rawfile.h"
#include "Rixutilities.h"
#include "Widgets.h"
#include "Worker.h"
#include "extract/Cruise.h"
#include "extract/NetcdfSink.h"
#include "extract/Rix.h"
#include "inspect/Check.h"
#ifdef RIX_WITH_PLOT
#include "PlotWindow.h"
#endif

namespace rixui {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

// A label for a name or a message of any length (see ElidedLabel).
QLabel* MakeLongLabel(QWidget* parent, const char* name, const QString& text,
                      Qt::TextElideMode mode = Qt::ElideMiddle) {
    auto* l = new ElidedLabel(text, parent, mode);
    l->setObjectName(name);
    return l;
}

const char kIntervalTip[] =
    "%1 of the extraction: milliseconds of the run's time stamps, or a date and time "
    "YYYY-MM-DD hh:mm:ss when the time stamps are Julian dates";

void MakeLarge(QLabel* label) {
    QFont f = label->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 6);
    label->setFont(f);
}

QAction* MakeItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
}

QString Text(const std::string& s) { return QString::fromStdString(s); }
std::string Std(const QString& s) { return s.toStdString(); }

const char* const kStartupSetupName = "last.rix";

}  // namespace

TFormRIX::TFormRIX(GuiReporter& reporter, DialogHooks& hooks, Worker& worker, QWidget* parent)
    : QMainWindow(parent), reporter_(reporter), hooks_(hooks), worker_(worker) {
    setObjectName("FormRIX");
    setWindowTitle("RIX - Logger Archive Extraction");
    BuildControls();
    BuildMenus();
    CheckForm = new TCheckForm(this);
    CruiseForm = new TCruiseForm(this);
    OpenArchivesDialog.objectName = "OpenArchivesDialog";
    OpenArchivesDialog.title = "Process Several Archives";
    OpenArchivesDialog.filter = "All Files (*);;KX Archive (*.KXA *.kxa)";
    OpenArchivesDialog.mustExist = true;
    OpenArchivesDialog.readOnly = true;
    OpenArchivesDialog.multiple = true;

    OpenArchiveDialog.objectName = "OpenArchiveDialog";
    OpenArchiveDialog.title = "Open Archive File";
    OpenArchiveDialog.filter = "All Files (*);;KX Archive (*.KXA *.kxa)";
    OpenArchiveDialog.mustExist = true;
    OpenArchiveDialog.readOnly = true;
    OpenDialog1.objectName = "OpenDialog1";
    OpenDialog1.title = "Select 24 Hr Name";
    OpenDialog1.filter = "All Files (*)";
    OpenDialog1.mustExist = false;
    SaveSetupDialog.objectName = "SaveSetupDialog";
    SaveSetupDialog.title = "Save RIX Setup";
    SaveSetupDialog.filter = "Last.RIX (*.RIX *.rix);;All Files (*)";
    SaveSetupDialog.defaultSuffix = "RIX";
    SaveSetupDialog.initialName = "Last.RIX";
    SaveSetupDialog.save = true;
    SaveSetupDialog.confirmOverwrite = true;
    OpenDialog2.objectName = "OpenDialog2";
    OpenDialog2.title = "Load RIX Setup";
    OpenDialog2.filter = "Last.RIX (*.RIX *.rix);;All Files (*)";
    OpenDialog2.defaultSuffix = "RIX";
    OpenDialog2.mustExist = true;
    OpenMerge.objectName = "OpenMerge";
    OpenMerge.title = "Merge a Previously Extracted File";
    OpenMerge.filter = "Merge Files (*_MRG* *_mrg*);;All Files (*)";
    OpenMerge.defaultSuffix = "MRG";
    OpenMerge.mustExist = true;

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();

    reporter_.SetBoxParent(this);
    connect(&reporter_, &GuiReporter::statusChanged, this,
            [this](const QString& text) { StatusLBL->setText(text); });
    connect(&worker_, &Worker::runningChanged, this, [this](bool running) { SetRunning(running); });
    connect(&reporter_, &GuiReporter::messageRaised, this, [this](const QString& message) {
        MessageList->addItem(message);
        MessageList->scrollToBottom();
    });

    resize(760, 420);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TFormRIX::~TFormRIX() {
    if (runContext_) runContext_->control.stopRequested = true;
    worker_.Wait();
}

void TFormRIX::SetForms(TISFForm* isf, TMergeForm* merge, TUtilitiesForm* utilities,
                        TBESFForm* esf, TDevFileForm* folders, TRawFileForm* raw) {
    isfForm_ = isf;
    mergeForm_ = merge;
    utilitiesForm_ = utilities;
    esfForm_ = esf;
    folderForm_ = folders;
    rawForm_ = raw;
    isf->SetFileLabel(LBISFFile);
    esf->SetFileLabel(LBESFFile);
    merge->SetFileLabel(LBMergeFile);
    folders->SetTargets(LBDevFileFolder, LBOutputFileFolder);
}

void TFormRIX::BuildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* grid = new QGridLayout(central);

    LBMode = MakeLabel(central, "LBMode", "RIX");
    MakeLarge(LBMode);
    StatusLBL = MakeLongLabel(central, "StatusLBL", "Status:  Waiting...", Qt::ElideRight);
    MakeLarge(StatusLBL);
    ExtractButton = new QPushButton("&Extract", central);
    ExtractButton->setObjectName("ExtractButton");
    StopButton = new QPushButton("&Reset Status", central);
    StopButton->setObjectName("StopButton");
    StopButton->setEnabled(false);
    BTBaseArc = new QPushButton("Select &24 Hr Name", central);
    BTBaseArc->setObjectName("BTBaseArc");
    BTBaseArc->hide();
    BTMerge = new QPushButton("Merge a &Previously Extracted File", central);
    BTMerge->setObjectName("BTMerge");
    BTMerge->hide();
    BTStay = new QPushButton("S&tay", central);
    BTStay->setObjectName("BTStay");
    BTStay->setToolTip("Stay: switch to Manual File Processing and keep the program open");
    BTStay->hide();

    Label2 = MakeLabel(central, "Label2", "Instrumentation Selection File:  ");
    LBISFFile = MakeLongLabel(central, "LBISFFile", "*.ISF");
    Label5 = MakeLabel(central, "Label5", "Device File Folder:");
    LBDevFileFolder = MakeLongLabel(central, "LBDevFileFolder", "*****");
    Label3 = MakeLabel(central, "Label3", "Extraction Setup File:  ");
    LBESFFile = MakeLongLabel(central, "LBESFFile", "*.ESF");
    Label6 = MakeLabel(central, "Label6", "Output File Folder");
    LBOutputFileFolder = MakeLongLabel(central, "LBOutputFileFolder", "*****");
    LBMergeSetup = MakeLabel(central, "LBMergeSetup", "Merge Setup:  ");
    LBMergeFile = MakeLongLabel(central, "LBMergeFile", "*.MSF");
    Label1 = MakeLabel(central, "Label1", "Last Extracted Archive File: ");
    LBArchiveFile = MakeLongLabel(central, "LBArchiveFile", "*.000 to *.999");
    LBBaseLabel = MakeLabel(central, "LBBaseLabel", "Base Archive File Name:  ");
    LBBaseArc = MakeLongLabel(central, "LBBaseArc", "*.*");
    LBBaseLabel->hide();
    LBBaseArc->hide();
    StartMSEdit = new QLineEdit("Start_ms", central);
    StartMSEdit->setObjectName("StartMSEdit");
    EndMSEdit = new QLineEdit("End_ms", central);
    EndMSEdit->setObjectName("EndMSEdit");
    StartMSEdit->setToolTip(QString(kIntervalTip).arg("Start"));
    EndMSEdit->setToolTip(QString(kIntervalTip).arg("End"));
    MessageList = new QListWidget(central);
    MessageList->setObjectName("MessageList");
    MessageList->setToolTip("Messages of the last run");
    MessageList->setMaximumHeight(MessageList->fontMetrics().height() * 5);
    LBTerminate = MakeLongLabel(central, "LBTerminate", "Seconds Until Termination:", Qt::ElideRight);
    PacketCountLBL = MakeLabel(central, "PacketCountLBL", "Packets:");
    ModErrorLBL = MakeLabel(central, "ModErrorLBL", "Mod Errors: ");
    LBPercentLost = MakeLabel(central, "LBPercentLost", "Percent Lost:");
    ElapsedTime = MakeLabel(central, "ElapsedTime", "Elapsed Time:  ");
    for (QLabel* l : {PacketCountLBL, ModErrorLBL, LBPercentLost, ElapsedTime}) l->hide();
    ProgressBar1 = new QProgressBar(central);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->hide();
    for (QLabel* l : {LBISFFile, LBDevFileFolder, LBESFFile, LBOutputFileFolder, LBMergeFile,
                      LBArchiveFile, LBBaseArc})
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);

    int row = 0;
    grid->addWidget(LBMode, row, 0);
    grid->addWidget(StatusLBL, row++, 1, 1, 3);
    grid->addWidget(Label2, row, 0);
    grid->addWidget(LBISFFile, row++, 1, 1, 3);
    grid->addWidget(Label5, row, 0);
    grid->addWidget(LBDevFileFolder, row++, 1, 1, 3);
    grid->addWidget(Label3, row, 0);
    grid->addWidget(LBESFFile, row++, 1, 1, 3);
    grid->addWidget(Label6, row, 0);
    grid->addWidget(LBOutputFileFolder, row++, 1, 1, 3);
    grid->addWidget(LBMergeSetup, row, 0);
    grid->addWidget(LBMergeFile, row++, 1, 1, 3);
    grid->addWidget(Label1, row, 0);
    grid->addWidget(LBArchiveFile, row++, 1, 1, 3);
    grid->addWidget(LBBaseLabel, row, 0);
    grid->addWidget(LBBaseArc, row++, 1, 1, 3);
    grid->addWidget(StartMSEdit, row, 0);
    grid->addWidget(EndMSEdit, row++, 1);
    grid->addWidget(ExtractButton, row, 0);
    grid->addWidget(StopButton, row, 1);
    grid->addWidget(BTBaseArc, row, 2);
    grid->addWidget(BTMerge, row++, 3);
    grid->addWidget(LBTerminate, row, 0, 1, 3);
    grid->addWidget(BTStay, row++, 3);
    grid->addWidget(ProgressBar1, row++, 0, 1, 4);
    grid->addWidget(PacketCountLBL, row, 0);
    grid->addWidget(ModErrorLBL, row, 1);
    grid->addWidget(LBPercentLost, row, 2);
    grid->addWidget(ElapsedTime, row++, 3);
    grid->addWidget(MessageList, row++, 0, 1, 4);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(3, 1);

    connect(ExtractButton, &QPushButton::clicked, this, [this] { ExtractButtonClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { StopButtonClick(); });
    connect(BTBaseArc, &QPushButton::clicked, this, [this] { BTBaseArcClick(); });
    connect(BTMerge, &QPushButton::clicked, this, [this] { BTMergeClick(); });
    connect(BTStay, &QPushButton::clicked, this, [this] { BTStayClick(); });

    // Tab goes from the interval to the buttons in their row, then the messages.
    QWidget* order[] = {StartMSEdit, EndMSEdit, ExtractButton, StopButton,
                        BTBaseArc,   BTMerge,   BTStay,        MessageList};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TFormRIX::BuildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("File1");
    LoadRIXSetup = MakeItem(file, "LoadRIXSetup", "&Load RIX Setup");
    SaveRIXSetup = MakeItem(file, "SaveRIXSetup", "&Save RIX Setup");
    file->addSeparator();
    Exit1 = MakeItem(file, "Exit1", "E&xit");

    QMenu* setup = menuBar()->addMenu("&Setup");
    setup->setObjectName("Setup1");
    QMenu* isf = setup->addMenu("&Instrument Selection");
    isf->setObjectName("InstrumentSelection1");
    SelectISFFile = MakeItem(isf, "SelectISFFile", "&Select Instrument Selection File");
    CreateEditISFFile = MakeItem(isf, "CreateEditISFFile", "&Create/Edit Instrument Selection File");
    DeviceFileFolder = MakeItem(setup, "DeviceFileFolder", "&Device File Folder");
    QMenu* esf = setup->addMenu("&Extraction Setup");
    esf->setObjectName("ExtractionSetup1");
    Open = MakeItem(esf, "Open", "&Select Extraction File");
    SaveCurrentExtractionSetup =
        MakeItem(esf, "SaveCurrentExtractionSetup", "&Create/Edit Extraction Setup File");
    OutputFileFolder = MakeItem(setup, "OutputFileFolder", "&Output File Folder");
    QMenu* msf = setup->addMenu("&Merge Setup");
    msf->setObjectName("MergeSetup1");
    SelectMergeFile = MakeItem(msf, "SelectMergeFile", "&Select Merge Setup File");
    CreateEditMergeFile = MakeItem(msf, "CreateEditMergeFile", "&Create/Edit Merge Setup File");
    setup->addSeparator();
    CheckSetup = MakeItem(setup, "CheckSetup", "C&heck Setup");

    QMenu* mode = menuBar()->addMenu("&Mode");
    mode->setObjectName("Mode1");
    PostProcessFiles = MakeItem(mode, "PostProcessFiles", "&Manual File Processing");
    Daily = MakeItem(mode, "Daily", "&Process Yesterdays 24 Hr Archive on Program Start Up");
    NearRealTime = MakeItem(mode, "NearRealTime", "&Near Real Time");
    RealTime = MakeItem(mode, "RealTime", "&Real Time");
    for (QAction* a : {PostProcessFiles, Daily, NearRealTime, RealTime}) {
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a] { PostProcessFilesClick(a); });
    }
    PostProcessFiles->setChecked(true);
    NearRealTime->setVisible(false);
    RealTime->setVisible(false);

    QMenu* interval = menuBar()->addMenu("&Interval");
    interval->setObjectName("Interval1");
    QAction* whole = MakeItem(interval, "ExtractEntireFile", "&Extract Entire File");
    whole->setCheckable(true);
    whole->setChecked(true);
    MakeItem(interval, "SelectExtractionInterval", "&Select Extraction Interval");
    interval->menuAction()->setVisible(false);

    QMenu* utilities = menuBar()->addMenu("&Utilities");
    utilities->setObjectName("Utilities1");
    Utilities2 = MakeItem(utilities, "Utilities2", "&Utilities");
    QMenu* lags = utilities->addMenu("&Lags");
    lags->setObjectName("Lags1");
    QAction* fixed = MakeItem(lags, "FixedLags", "&Fixed Lags");
    fixed->setCheckable(true);
    fixed->setChecked(true);
    fixed->setEnabled(false);
    MakeItem(lags, "KXFlowMeters1", "&KX Flow Meters")->setEnabled(false);
    lags->menuAction()->setVisible(false);
    ProcessaRawFile1 = MakeItem(utilities, "ProcessaRawFile1", "Process a &Raw File");
    ProcessaRawFile1->setVisible(false);
    ShowHeaders = MakeItem(utilities, "ShowHeaders", "Show &Headers");
    ShowHeaders->setCheckable(true);
    ShowHeaders->setVisible(false);
    ShowMergeButton1 = MakeItem(utilities, "ShowMergeButton1", "Show &Merge Button");
    SetDebug = MakeItem(utilities, "SetDebug", "Set &Debug On");
    SetDebug->setCheckable(true);
    // NetCDF beside the text files: a per-user choice, not part of the setup file.
    WriteNetcdf = MakeItem(utilities, "WriteNetcdf", "Also write &NetCDF");
    WriteNetcdf->setCheckable(true);
    if (rix::NetcdfBuiltIn()) {
        WriteNetcdf->setChecked(QSettings("rix", "rix-gui").value("output/netcdf", false).toBool());
    } else {
        WriteNetcdf->setEnabled(false);
        WriteNetcdf->setToolTip("NetCDF output is not built into this program");
    }
    connect(WriteNetcdf, &QAction::toggled, this,
            [](bool on) { QSettings("rix", "rix-gui").setValue("output/netcdf", on); });
    utilities->addSeparator();
    ProcessSeveralArchives1 = MakeItem(utilities, "ProcessSeveralArchives1", "Process &Several Archives...");
    connect(ProcessSeveralArchives1, &QAction::triggered, this, [this] { ProcessSeveralArchivesClick(); });
#ifdef RIX_WITH_PLOT
    utilities->addSeparator();
    Plot1 = MakeItem(utilities, "Plot1", "&Plot...");
    connect(Plot1, &QAction::triggered, this, [this] { PlotClick(); });
#endif

    connect(LoadRIXSetup, &QAction::triggered, this, [this] { LoadRIXSetupClick(); });
    connect(SaveRIXSetup, &QAction::triggered, this, [this] { SaveRIXSetupClick(); });
    connect(Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
    connect(SelectISFFile, &QAction::triggered, this, [this] { SelectISFFileClick(); });
    connect(CreateEditISFFile, &QAction::triggered, this, [this] { CreateEditISFFileClick(); });
    connect(DeviceFileFolder, &QAction::triggered, this,
            [this] { DeviceFileFolderClick(DeviceFileFolder); });
    connect(OutputFileFolder, &QAction::triggered, this,
            [this] { DeviceFileFolderClick(OutputFileFolder); });
    connect(Open, &QAction::triggered, this, [this] { OpenClick(); });
    connect(SaveCurrentExtractionSetup, &QAction::triggered, this,
            [this] { SaveCurrentExtractionSetupClick(); });
    connect(SelectMergeFile, &QAction::triggered, this, [this] { SelectMergeFileClick(); });
    connect(CreateEditMergeFile, &QAction::triggered, this, [this] { CreateEditMergeFileClick(); });
    connect(CheckSetup, &QAction::triggered, this, [this] { CheckSetupClick(); });
    connect(Utilities2, &QAction::triggered, this, [this] { Utilities1Click(); });
    connect(ProcessaRawFile1, &QAction::triggered, this, [this] { ProcessaRawFile1Click(); });
    connect(ShowHeaders, &QAction::triggered, this, [this] { ShowHeadersClick(); });
    connect(ShowMergeButton1, &QAction::triggered, this, [this] { ShowMergeButton1Click(); });
    connect(SetDebug, &QAction::triggered, this, [this] { SetDebugClick(); });
}

void TFormRIX::PlotClick() {
#ifdef RIX_WITH_PLOT
    if (!PlotForm) {
        rixplot::PlotDialogs dialogs;
        dialogs.chooseFile = [this](QWidget* parent) {
            FileDialogOptions o;
            o.objectName = "PlotOpenDialog";
            o.title = "Plot a File";
            o.filter = "All Files (*)";
            o.mustExist = true;
            return hooks_.chooseFile(parent, o);
        };
        dialogs.chooseSave = [this](QWidget* parent) {
            FileDialogOptions o;
            o.objectName = "PlotSaveDialog";
            o.title = "Save the Plot";
            o.filter = "PNG Picture (*.png);;SVG Picture (*.svg)";
            o.defaultSuffix = "png";
            o.save = true;
            o.confirmOverwrite = true;
            return hooks_.chooseFile(parent, o);
        };
        PlotForm = new rixplot::PlotWindow(reporter_, dialogs, this);
    }
    const QString working = rixplot::PlotWindow::NewestWorkingFile(LBOutputFileFolder->text());
    const QStringList files = working.isEmpty() ? QStringList() : rixplot::PlotWindow::RunFiles(working);
    PlotForm->SetFiles(files);
    PlotForm->show();
    PlotForm->raise();
    if (files.isEmpty())
        PlotForm->OpenClick();
    else
        PlotForm->OpenFile(files.first());
#endif
}

// ---- Runs -------------------------------------------------------------

void TFormRIX::SetRunning(bool running) {
    ExtractButton->setEnabled(!running && extractArmed_);
    BTMerge->setEnabled(!running);
    LoadRIXSetup->setEnabled(!running);
    CheckSetup->setEnabled(!running);
    if (ProcessSeveralArchives1) ProcessSeveralArchives1->setEnabled(!running);
}

void TFormRIX::ExtractButtonClick() {
    if (worker_.Running()) return;
    extractArmed_ = false;
    ExtractButton->setEnabled(false);
    StopButton->setEnabled(true);
    Timer1->stop();

    if (mode_ == 0) BTArchiveFileClick();
    const rix::ExtractRequest request = CurrentRequest();
    if (request.archive.empty()) {
        // Nothing ran: Extract stays disabled until "Reset Status", and the
        // status line says so.
        LBArchiveFile->setText("No Archive File Name");
        reporter_.SetStatus("No Archive File Name - Reset Status to start again");
        return;
    }
    archiveName_ = Text(request.archive);
    LBArchiveFile->setText(archiveName_);

    reporter_.SetUnattended(mode_ == 1);
    auto ctx = std::make_shared<rix::Context>(reporter_);
    ctx->log.enabled = debug_;
    auto lastPercent = std::make_shared<std::atomic<int>>(-1);
    QPointer<QProgressBar> bar(ProgressBar1);
    ctx->control.progress = [bar, lastPercent](const rix::RunProgress& p) {
        int percent = rix::RunPercent(p);
        if (lastPercent->exchange(percent) == percent) return;
        QMetaObject::invokeMethod(
            bar, [bar, percent] { if (bar) bar->setValue(percent); }, Qt::QueuedConnection);
    };
    runContext_ = ctx;
    BeginRunMessages();
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    auto result = std::make_shared<rix::ExtractResult>();
    worker_.Start([ctx, request, result] { rix::ExtractButtonClick(*ctx, request, result.get()); },
                  [this, result] { ExtractFinished(*result); });
}

rix::ExtractRequest TFormRIX::CurrentRequest() const {
    rix::ExtractRequest request;
    request.archive = Std(archiveName_);
    request.baseArchive = Std(baseName_);
    if (mode_ == 1) {
        // Today's date is taken once, so the window and the run name the same archive.
        rix::LocalToday(request.todayYear, request.todayDay);
        request.runMode = 1;
        request.archive = rix::RequestArchive(request);
    }
    request.isfFile = Std(LBISFFile->text());
    request.esfFile = Std(LBESFFile->text());
    request.msfFile = Std(LBMergeFile->text());
    request.deviceFolder = Std(LBDevFileFolder->text());
    request.outputFolder = Std(LBOutputFileFolder->text());
    request.fromText = Std(StartMSEdit->text());
    request.toText = Std(EndMSEdit->text());
    request.showHeaders = showHeaders_;
    request.netcdf = WriteNetcdf->isEnabled() && WriteNetcdf->isChecked();
    request.program = "rix-gui";
    request.command = "rix-gui Extract " + request.archive;
    return request;
}

void TFormRIX::ExtractFinished(const rix::ExtractResult& result) {
    bool stopAsked = runContext_ && runContext_->control.stopRequested;
    runContext_.reset();
    ProgressBar1->hide();
    if (!result.archiveLabel.empty()) LBArchiveFile->setText(Text(result.archiveLabel));
    // However the run ended, Extract is ready again. "Reset Status" keeps
    // its role (it resets the status line), except after a stop: the click
    // that asked for the stop was its reset.
    const bool stopped = result.stopped || stopAsked;
    extractArmed_ = true;
    if (stopped) StopButton->setEnabled(false);
    SetRunning(false);
    if (result.outcome != rix::ExtractOutcome::kDone) {
        // The status line says how the run ended, also where a run's early
        // stop left a step's name there.
        const QString status = reporter_.StatusText();
        if (stopped && !status.contains("Stopped"))
            reporter_.SetStatus("Extraction Stopped");
        else if (!stopped && !status.contains("Fail") && !status.contains("Error"))
            reporter_.SetStatus("Extraction Failed");
    }
    // A daily run counts down to the exit however it ended: an unattended
    // program that stayed open after a failure would never end.
    if (result.restartTimer || mode_ == 1) {
        terminateCounter_ = kTerminationSeconds;
        if (mode_ == 1) ShowCountdown();
        Timer1->start();
    }
    EndRunMessages("extraction");
}

void TFormRIX::BeginRunMessages() {
    MessageList->clear();
    reporter_.BeginRun();
}

void TFormRIX::EndRunMessages(const QString& what) {
    const QStringList messages = reporter_.EndRun();
    if (!exitApproved_) reporter_.ShowRunSummary(what, messages);
}

void TFormRIX::CheckSetupClick() {
    if (worker_.Running()) return;
    const rix::ExtractRequest request = CurrentRequest();
    reporter_.SetStatus("Checking Setup");
    // Reading a large archive takes a while: the check runs on the worker
    // like an extraction, and writes nothing.
    auto report = std::make_shared<rix::CheckReport>();
    worker_.Start([request, report] { *report = rix::CheckSetup(request); },
                  [this, report] {
                      CheckForm->SetReport(*report);
                      reporter_.SetStatus("Setup Checked: " +
                                          Std(TCheckForm::Summary(report->Problems(),
                                                                  report->Warnings())));
                      if (exitApproved_) return;
                      CheckForm->show();
                      CheckForm->raise();
                      CheckForm->activateWindow();
                  });
}

void TFormRIX::ProcessSeveralArchivesClick() {
    if (worker_.Running()) return;
    const QStringList paths = hooks_.chooseFiles ? hooks_.chooseFiles(this, OpenArchivesDialog) : QStringList();
    if (paths.isEmpty()) {
        reporter_.SetStatus("Processing Several Archives was Cancelled");
        return;
    }
    rix::CruiseRequest request;
    request.setup = CurrentRequest();
    request.setup.runMode = 0;
    for (const QString& path : paths) request.archives.push_back(Std(path));
    // RIX.LOG has one name: the log is written for one archive only.
    request.debugLog = debug_ && request.archives.size() == 1;
    const std::string shared = rix::SharedArchiveName(request.archives);
    if (!shared.empty()) {
        reporter_.ShowError("Process Several Archives",
                            "Two archives have the file name " + shared +
                                ": their files would overwrite each other in the output folder. Run them apart.");
        return;
    }
    auto stop = std::make_shared<std::atomic<bool>>(false);
    cruiseStop_ = stop;
    Timer1->stop();
    StopButton->setEnabled(true);
    BeginRunMessages();
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    reporter_.SetStatus(Std(QString("Processing %1 Archives").arg(paths.size())));
    auto outcome = std::make_shared<rix::CruiseOutcome>();
    auto lastPercent = std::make_shared<std::atomic<int>>(-1);
    QPointer<QProgressBar> bar(ProgressBar1);
    rix::Reporter& reporter = reporter_;
    worker_.Start(
        [request, stop, outcome, bar, lastPercent, &reporter] {
            *outcome = rix::RunCruise(
                request, reporter,
                [bar, lastPercent](const rix::CruiseProgress& p) {
                    if (lastPercent->exchange(p.percent) == p.percent) return;
                    const int percent = p.percent;
                    QMetaObject::invokeMethod(
                        bar, [bar, percent] { if (bar) bar->setValue(percent); }, Qt::QueuedConnection);
                },
                stop.get());
        },
        [this, outcome] {
            cruiseStop_.reset();
            ProgressBar1->hide();
            StopButton->setEnabled(false);
            SetRunning(false);
            const QStringList messages = reporter_.EndRun();
            reporter_.SetStatus(Std("Several Archives: " + TCruiseForm::Summary(*outcome)));
            CruiseForm->SetOutcome(*outcome, messages);
            if (exitApproved_) return;
            CruiseForm->show();
            CruiseForm->raise();
            CruiseForm->activateWindow();
        });
}

void TFormRIX::StopButtonClick() {
    if (cruiseStop_) {
        // Several archives under way: each ends on a whole row, the rest do not start.
        cruiseStop_->store(true);
        return;
    }
    if (runContext_) {
        // A run is under way: ask it to stop; it ends with "Extraction Stopped".
        runContext_->control.stopRequested = true;
        return;
    }
    extractArmed_ = true;
    ExtractButton->setEnabled(!worker_.Running());
    StopButton->setEnabled(false);
    reporter_.SetStatus("Ready ...");
}

void TFormRIX::BTArchiveFileClick() {
    QString path = hooks_.chooseFile(this, OpenArchiveDialog);
    if (path.isEmpty()) {
        LBArchiveFile->setText("");
        return;
    }
    archiveName_ = path;
    LBArchiveFile->setText(path);
}

void TFormRIX::BTMergeClick() {
    if (worker_.Running()) return;
    QString path = hooks_.chooseFile(this, OpenMerge);
    if (path.isEmpty()) {
        reporter_.SetStatus("Merge was Cancelled");
        return;
    }
    reporter_.SetStatus("Merging");
    BeginRunMessages();
    std::string working = Std(path), msf = Std(LBMergeFile->text()),
                dev = Std(LBDevFileFolder->text()), out = Std(LBOutputFileFolder->text());
    GuiReporter* reporter = &reporter_;
    const bool netcdf = WriteNetcdf->isEnabled() && WriteNetcdf->isChecked();
    worker_.Start(
        [reporter, working, msf, dev, out, netcdf] {
            auto ctx = std::make_unique<rix::Context>(*reporter);
            // The merge sets its own closing status: "Merge is Complete" or
            // "Merge Ended by an Error".
            MergeWorkingFile(*ctx, working, msf, dev, out, netcdf);
        },
        [this] { EndRunMessages("merge"); });
}

// ---- Menu items -----------------------------------------------------------

void TFormRIX::ShowMergeButton1Click() { BTMerge->setVisible(true); }

void TFormRIX::SetDebugClick() {
    debug_ = !debug_;
    SetDebug->setChecked(debug_);
}

void TFormRIX::ShowHeadersClick() {
    showHeaders_ = !showHeaders_;
    ShowHeaders->setChecked(showHeaders_);
}

void TFormRIX::DeviceFileFolderClick(QAction* item) {
    if (!folderForm_) return;
    if (item == OutputFileFolder)
        folderForm_->Choose(TDevFileForm::kOutputFolder, "Output File Folder",
                            LBOutputFileFolder->text());
    else
        folderForm_->Choose(TDevFileForm::kDeviceFolder, "Device File Folder",
                            LBDevFileFolder->text());
}

void TFormRIX::SelectISFFileClick() {
    if (isfForm_) isfForm_->Open1Click();
}

void TFormRIX::CreateEditISFFileClick() {
    if (isfForm_) isfForm_->ShowOnMainFile();
}

void TFormRIX::OpenClick() {
    if (esfForm_) esfForm_->Open1Click();
}

void TFormRIX::SaveCurrentExtractionSetupClick() {
    if (!esfForm_) return;
    esfForm_->RefreshSummary();
    esfForm_->ShowOnMainFile();
}

void TFormRIX::SelectMergeFileClick() {
    if (mergeForm_) mergeForm_->Open1Click();
}

void TFormRIX::CreateEditMergeFileClick() {
    if (mergeForm_) mergeForm_->ShowOnMainFile();
}

void TFormRIX::Utilities1Click() {
    if (utilitiesForm_) utilitiesForm_->show();
}

void TFormRIX::ProcessaRawFile1Click() {
    if (rawForm_) rawForm_->show();
}

// ---- Run modes, main setup, timer, exit -------------------------------------

void TFormRIX::ShowBaseControls(bool visible) {
    BTBaseArc->setVisible(visible);
    LBBaseArc->setVisible(visible);
    LBBaseLabel->setVisible(visible);
}

void TFormRIX::SetMode(int mode) {
    QAction* items[] = {PostProcessFiles, Daily, NearRealTime, RealTime};
    for (QAction* a : items) {
        QSignalBlocker block(a);
        a->setChecked(false);
    }
    mode_ = (mode >= 0 && mode <= 3) ? mode : 0;
    QSignalBlocker block(items[mode_]);
    items[mode_]->setChecked(true);
    reporter_.SetUnattended(false);
}

bool TFormRIX::HasBaseName() const {
    const QString name = baseName_.trimmed();
    return !name.isEmpty() && name != "*.*";
}

bool TFormRIX::ChooseBaseName() {
    const bool ticking = Timer1->isActive();
    Timer1->stop();
    const QString path = hooks_.chooseFile(this, OpenDialog1);
    if (!path.isEmpty()) {
        baseName_ = path;
        LBBaseArc->setText(path);
    }
    if (ticking) Timer1->start();
    return !path.isEmpty();
}

void TFormRIX::PostProcessFilesClick(QAction* item) {
    if (item == Daily && mode_ != 1 && !HasBaseName() && !ChooseBaseName()) {
        // Daily runs need the base name: without one the mode stays as it was.
        SetMode(mode_);
        return;
    }
    ShowBaseControls(false);
    if (item != Daily) {
        LBTerminate->hide();
        BTStay->hide();
    }
    if (item == Daily) {
        SetMode(1);
        terminateCounter_ = kTerminationSeconds;
        ShowBaseControls(true);
    } else if (item == NearRealTime) {
        SetMode(2);
    } else if (item == RealTime) {
        SetMode(3);
    } else {
        SetMode(0);
    }
}

rix::MainSetup TFormRIX::CurrentSetup() const {
    rix::MainSetup s;
    s.mode = mode_;
    s.archiveFile = Std(LBArchiveFile->text());
    s.isfFile = Std(LBISFFile->text());
    s.esfFile = Std(LBESFFile->text());
    s.mergeFile = Std(LBMergeFile->text());
    s.baseArchive = Std(LBBaseArc->text());
    s.deviceFolder = Std(LBDevFileFolder->text());
    s.outputFolder = Std(LBOutputFileFolder->text());
    return s;
}

bool TFormRIX::LoadSetupFile(const QString& path) {
    rix::MainSetup s = CurrentSetup();
    if (!rix::LoadMainSetup(s, Std(path))) return false;
    SetMode(s.mode);
    if (s.mode == 1) ShowBaseControls(true);
    LBArchiveFile->setText(Text(s.archiveFile));
    LBISFFile->setText(Text(s.isfFile));
    LBESFFile->setText(Text(s.esfFile));
    LBMergeFile->setText(Text(s.mergeFile));
    LBBaseArc->setText(Text(s.baseArchive));
    LBDevFileFolder->setText(Text(s.deviceFolder));
    LBOutputFileFolder->setText(Text(s.outputFolder));
    baseName_ = Text(s.baseArchive);
    if (mode_ == 1 && !HasBaseName()) {
        // A daily setup without its base name would look for "*.*yy.ddd"
        // and exit: it is taken in manual mode instead.
        SetMode(0);
        ShowBaseControls(false);
        reporter_.SetStatus("No 24 Hr Base Name - Manual File Processing");
    }
    // The check's report was of the setup before.
    CheckForm->ClearReport();
    if (reporter_.StatusText().startsWith("Status:  Setup Checked")) reporter_.SetStatus("Setup Loaded");
    // The archive of the setup is the one a later run uses as it stands.
    if (s.archiveFile != "*.000 to *.999" && s.archiveFile != "No Archive File Name")
        archiveName_ = Text(s.archiveFile);
    return true;
}

void TFormRIX::LoadRIXSetupClick() {
    if (worker_.Running()) return;
    QString path = hooks_.chooseFile(this, OpenDialog2);
    if (!path.isEmpty()) LoadSetupFile(path);
}

void TFormRIX::SaveRIXSetupClick() {
    QString path = hooks_.chooseFile(this, SaveSetupDialog);
    if (path.isEmpty()) return;
    rix::SaveMainSetup(reporter_, CurrentSetup(), Std(path));
    startupDir_ = QDir::currentPath();
}

void TFormRIX::BTStayClick() {
    // As choosing "Manual File Processing" in the Mode menu.
    PostProcessFilesClick(PostProcessFiles);
    terminateCounter_ = kTerminationSeconds;
}

void TFormRIX::BTBaseArcClick() {
    Timer1->stop();
    QString path = hooks_.chooseFile(this, OpenDialog1);
    // Cancel keeps the label: an empty one would be saved and break the next daily run.
    if (!path.isEmpty()) {
        baseName_ = path;
        LBBaseArc->setText(path);
    }
    terminateCounter_ = kTerminationSeconds;
    Timer1->start();
}

void TFormRIX::ShowCountdown() {
    LBTerminate->setText(QString::asprintf(
        "Seconds Until Termination: %d ... Change 'Mode' to Stop", terminateCounter_));
    LBTerminate->show();
    BTStay->show();
    ShowBaseControls(true);
}

void TFormRIX::Timer1Timer() {
    if (firstTick_) {
        firstTick_ = false;
        startupDir_ = QDir::currentPath();
        bool loaded = LoadSetupFile(QDir(startupDir_).filePath(kStartupSetupName));
        Timer1->setInterval(1000);
        if (!loaded) return;
        if (mode_ == 1) ExtractButtonClick();
    }
    if (mode_ == 1) {
        if (terminateCounter_ > 0) {
            --terminateCounter_;
        } else {
            Exit1Click();
            return;
        }
        ShowCountdown();
    } else {
        terminateCounter_ = kTerminationSeconds;
        LBTerminate->hide();
        BTStay->hide();
        ShowBaseControls(false);
    }
    StatusLBL->setText(reporter_.StatusText());
}

bool TFormRIX::SaveAndAskToExit() {
    QString folder = startupDir_.isEmpty() ? QDir::currentPath() : startupDir_;
    rix::SaveMainSetup(reporter_, CurrentSetup(), Std(QDir(folder).filePath(kStartupSetupName)));
    if (terminateCounter_ == 0) return true;
    return hooks_.askYesNo(this, "RIX", "Exit RIX?");
}

void TFormRIX::Exit1Click() {
    if (exitApproved_) return;
    if (!SaveAndAskToExit()) return;
    exitApproved_ = true;
    close();
}

void TFormRIX::closeEvent(QCloseEvent* event) {
    // The close box goes the way of Exit.
    if (!exitApproved_) {
        if (!SaveAndAskToExit()) {
            event->ignore();
            return;
        }
        exitApproved_ = true;
    }
    Timer1->stop();
    if (runContext_) runContext_->control.stopRequested = true;
    worker_.Wait();
    event->accept();
    if (hooks_.quit) hooks_.quit();
}

}  // namespace rixui
