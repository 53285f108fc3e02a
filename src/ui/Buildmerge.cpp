#include "Buildmerge.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "Widgets.h"

namespace rixui {

namespace {

struct Showing {
    bool& flag;
    bool old;
    explicit Showing(bool& f) : flag(f), old(f) { flag = true; }
    ~Showing() { flag = old; }
};

constexpr int kMsUnits = 1;
constexpr int kNx9Base = 1;
constexpr int kCtdBase = 2;
constexpr int kCtdMerge = 1;

bool Number(const QString& text, double& value) {
    bool ok = false;
    value = text.trimmed().toDouble(&ok);
    return ok;
}

int CheckedIndex(std::initializer_list<const QRadioButton*> buttons) {
    int i = 0;
    for (const QRadioButton* b : buttons) {
        if (b->isChecked()) return i;
        ++i;
    }
    return -1;
}

// A field keeps its shown value while its control still gives what it gave
// when the pair was shown.
template <typename T>
void Keep(T& result, const T& shown, const T& shownControl) {
    if (result == shownControl) result = shown;
}

void KeepSide(rix::MergeSide& r, const rix::MergeSide& s, const rix::MergeSide& c) {
    Keep(r.sourceKind, s.sourceKind, c.sourceKind);
    Keep(r.channelId, s.channelId, c.channelId);
    Keep(r.pairNumber, s.pairNumber, c.pairNumber);
    Keep(r.keyColumn, s.keyColumn, c.keyColumn);
    Keep(r.units, s.units, c.units);
    Keep(r.headerRows, s.headerRows, c.headerRows);
    Keep(r.headerUse, s.headerUse, c.headerUse);
    Keep(r.meterType, s.meterType, c.meterType);
    Keep(r.offset, s.offset, c.offset);
    Keep(r.offsetUnits, s.offsetUnits, c.offsetUnits);
    Keep(r.calTemperature, s.calTemperature, c.calTemperature);
    Keep(r.calSalinity, s.calSalinity, c.calSalinity);
    Keep(r.fileName, s.fileName, c.fileName);
}

void KeepPair(rix::MergePair& r, const rix::MergePair& s, const rix::MergePair& c) {
    Keep(r.mergeMode, s.mergeMode, c.mergeMode);
    KeepSide(r.base, s.base, c.base);
    KeepSide(r.merge, s.merge, c.merge);
    Keep(r.displayOrder, s.displayOrder, c.displayOrder);
    Keep(r.condColumn, s.condColumn, c.condColumn);
    Keep(r.tempColumn, s.tempColumn, c.tempColumn);
    Keep(r.presColumn, s.presColumn, c.presColumn);
    Keep(r.salColumn, s.salColumn, c.salColumn);
    Keep(r.oxTempColumn, s.oxTempColumn, c.oxTempColumn);
    Keep(r.oxCurrentColumn, s.oxCurrentColumn, c.oxCurrentColumn);
    Keep(r.pressureOffset, s.pressureOffset, c.pressureOffset);
    for (int i = 0; i < 8; ++i) {
        Keep(r.analogColumn[i], s.analogColumn[i], c.analogColumn[i]);
        Keep(r.analogDeviceFile[i], s.analogDeviceFile[i], c.analogDeviceFile[i]);
    }
    Keep(r.oxDeviceFile, s.oxDeviceFile, c.oxDeviceFile);
    Keep(r.correctionFlags, s.correctionFlags, c.correctionFlags);
    Keep(r.scatterMethod, s.scatterMethod, c.scatterMethod);
    Keep(r.absorbWavelength, s.absorbWavelength, c.absorbWavelength);
    Keep(r.outputFormat, s.outputFormat, c.outputFormat);
    Keep(r.tCorFile, s.tCorFile, c.tCorFile);
    Keep(r.sCorFile, s.sCorFile, c.sCorFile);
    Keep(r.cleanWaterFile, s.cleanWaterFile, c.cleanWaterFile);
}

// A list index the control can show, or no selection.
void SetIndex(QComboBox* box, int index) {
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

}  // namespace

TMergeForm::TMergeForm(rix::Reporter& reporter, DialogHooks& hooks, QWidget* parent)
    : SetupEditor(reporter, hooks, "MergeForm", "Build Merge File", parent) {
    OpenMergeDialog.objectName = "OpenMergeDialog";
    OpenMergeDialog.filter = "Merge Setup Files (*.msf *.MSF);;All Files (*)";
    OpenMergeDialog.defaultSuffix = "msf";
    OpenMergeDialog.initialName = "*.msf";
    OpenMergeDialog.mustExist = true;
    SaveMergeDialog = OpenMergeDialog;
    SaveMergeDialog.objectName = "SaveMergeDialog";
    SaveMergeDialog.filter = "Merge Setup File (*.msf *.MSF);;All Files (*)";
    SaveMergeDialog.mustExist = false;
    SaveMergeDialog.save = true;
    SaveMergeDialog.confirmOverwrite = true;

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);
    QMenu* file = bar->addMenu("&File");
    auto item = [file](const char* name, const char* text) {
        QAction* a = file->addAction(text);
        a->setObjectName(name);
        return a;
    };
    New1 = item("New1", "&New");
    OpenMerge = item("OpenMerge", "&Open");
    Save1 = item("Save1", "&Save");
    SaveAs1 = item("SaveAs1", "Save &As");
    file->addSeparator();
    ExitMerge = item("ExitMerge", "E&xit");
    connect(New1, &QAction::triggered, this, &TMergeForm::New1Click);
    connect(OpenMerge, &QAction::triggered, this, &TMergeForm::OpenMergeClick);
    connect(Save1, &QAction::triggered, this, &TMergeForm::Save1Click);
    connect(SaveAs1, &QAction::triggered, this, &TMergeForm::SaveAs1Click);
    connect(ExitMerge, &QAction::triggered, this, &TMergeForm::ExitMergeClick);

    auto named = [](auto* w, const char* name) {
        w->setObjectName(name);
        return w;
    };
    auto edit = [this, named](const char* name, const QString& text) {
        return named(new QLineEdit(text, this), name);
    };
    auto store = [this] { StorePair(); };

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("Merge Setup File:", this));
    LBMergeFile = named(new ElidedLabel("*.MSF", this), "LBMergeFile");
    top->addWidget(LBMergeFile, 1);
    layout->addLayout(top);

    RGMergePairs = named(new QGroupBox("Select File Pairs to Merge", this), "RGMergePairs");
    MergePairButtons = new QButtonGroup(this);
    auto* pairsGrid = new QGridLayout(RGMergePairs);
    for (int i = 0; i < rix::kMergePairs; ++i) {
        auto* b = new QRadioButton(QString("Pair %1").arg(i + 1), RGMergePairs);
        b->setObjectName(QString("Pair%1").arg(i + 1));
        MergePairButtons->addButton(b, i);
        pairsGrid->addWidget(b, i / 7, i % 7);
    }
    connect(MergePairButtons, &QButtonGroup::idClicked, this, &TMergeForm::RGMergePairsClick);
    layout->addWidget(RGMergePairs);

    RGCastDirection = named(new QGroupBox("Cast Direction", this), "RGCastDirection");
    RGCastDirection->setToolTip("Set Cast Direction for Depth Merging");
    auto* castRow = new QHBoxLayout(RGCastDirection);
    DownCast = named(new QRadioButton("Down Cast", RGCastDirection), "DownCast");
    UpCast = named(new QRadioButton("Up Cast", RGCastDirection), "UpCast");
    for (QRadioButton* b : {DownCast, UpCast}) {
        b->setAutoExclusive(false);
        castRow->addWidget(b);
        connect(b, &QRadioButton::clicked, this, [this, b] {
            DownCast->setChecked(b == DownCast);
            UpCast->setChecked(b == UpCast);
            RGCastDirectionClick();
        });
    }
    DownCast->setChecked(true);
    RGCastDirection->hide();
    layout->addWidget(RGCastDirection);

    GBPairs = named(new QGroupBox("Merge Pair XX Setup", this), "GBPairs");
    auto* pairLayout = new QGridLayout(GBPairs);
    layout->addWidget(GBPairs);

    RGDoMerge = named(new QGroupBox("Skip or Merge Pair", GBPairs), "RGDoMerge");
    DoMergeButtons = new QButtonGroup(this);
    auto* modes = new QVBoxLayout(RGDoMerge);
    int id = 0;
    for (const char* text : {"Skip This Pair", "Merge On Depth", "Merge On Time",
                             "Append Merge to Base", "Time Series Merge"}) {
        auto* b = new QRadioButton(text, RGDoMerge);
        DoMergeButtons->addButton(b, id++);
        modes->addWidget(b);
    }
    connect(DoMergeButtons, &QButtonGroup::idClicked, this, &TMergeForm::RGDoMergeClick);
    pairLayout->addWidget(RGDoMerge, 0, 0, 2, 1);

    auto* orderRow = new QHBoxLayout;
    Label10 = named(new QLabel("Display Column Order: ", GBPairs), "Label10");
    MergeOrder = edit("MergeOrder", "B1");
    MergeOrder->setToolTip(
        "Bx for Base Channel column x, My for Merge Channel column y, v-w for columns v thru w");
    orderRow->addWidget(Label10);
    orderRow->addWidget(MergeOrder, 1);
    connect(MergeOrder, &QLineEdit::textChanged, this, &TMergeForm::MergeOrderChange);
    pairLayout->addLayout(orderRow, 2, 0, 1, 3);

    GBBaseFile = named(new QGroupBox("Base File Setup", GBPairs), "GBBaseFile");
    GBMergeFile = named(new QGroupBox("Merge File Setup", GBPairs), "GBMergeFile");
    BuildSide(GBBaseFile, base_, true);
    BuildSide(GBMergeFile, merge_, false);
    RBBaseChannel = base_.channel;
    RBBasePair = base_.pair;
    RBBaseFile = base_.file;
    UDBaseChannel = base_.channelSpin;
    UDBasePair = base_.pairSpin;
    BaseFileName = base_.fileName;
    UDBaseHdrs = base_.hdrs;
    LBBaseHdrs = base_.hdrsLabel;
    UDBaseCol = base_.col;
    LBBaseCol = base_.colLabel;
    CBBHdrUse = base_.hdrUse;
    CBBaseType = base_.type;
    CBBaseUnits = base_.units;
    UDBaseOffset = base_.offset;
    LBBaseOffset = base_.offsetLabel;
    RBMergeChannel = merge_.channel;
    RBMergePair = merge_.pair;
    RBMergeFile = merge_.file;
    UDMergeChannel = merge_.channelSpin;
    UDMergePair = merge_.pairSpin;
    MergeFileName = merge_.fileName;
    UDMergeHdrs = merge_.hdrs;
    LBMergeHdrs = merge_.hdrsLabel;
    UDMergeCol = merge_.col;
    LBMergeCol = merge_.colLabel;
    CBMHdrUse = merge_.hdrUse;
    CBMergeType = merge_.type;
    CBMergeUnits = merge_.units;
    UDMergeOffset = merge_.offset;
    LBMergeOffset = merge_.offsetLabel;
    // The base side's calibration point, hidden.
    BCalTempEdit = edit("BCalTempEdit", "0.00");
    BCalSalEdit = edit("BCalSalEdit", "0.00");
    BCalTempEdit->hide();
    BCalSalEdit->hide();
    pairLayout->addWidget(GBBaseFile, 0, 1);
    pairLayout->addWidget(GBMergeFile, 0, 2);

    connect(RBBaseChannel, &QRadioButton::clicked, this, &TMergeForm::RBBaseChannelClick);
    connect(RBBasePair, &QRadioButton::clicked, this, &TMergeForm::RBBasePairClick);
    connect(RBBaseFile, &QRadioButton::clicked, this, &TMergeForm::RBBaseFileClick);
    connect(RBMergeChannel, &QRadioButton::clicked, this, &TMergeForm::RBMergeChannelClick);
    connect(RBMergePair, &QRadioButton::clicked, this, &TMergeForm::RBMergePairClick);
    connect(RBMergeFile, &QRadioButton::clicked, this, &TMergeForm::RBMergeFileClick);
    connect(UDBaseChannel, &QSpinBox::valueChanged, this, &TMergeForm::UDBaseChannelClick);
    connect(UDMergeChannel, &QSpinBox::valueChanged, this, &TMergeForm::UDMergeChannelClick);
    connect(UDBasePair, &QSpinBox::valueChanged, this, store);
    connect(UDMergePair, &QSpinBox::valueChanged, this, store);
    connect(UDBaseHdrs, &QSpinBox::valueChanged, this, &TMergeForm::UDBaseHdrsClick);
    connect(UDMergeHdrs, &QSpinBox::valueChanged, this, &TMergeForm::UDMergeHdrsClick);
    connect(UDBaseCol, &QSpinBox::valueChanged, this, &TMergeForm::UDBaseColClick);
    connect(UDMergeCol, &QSpinBox::valueChanged, this, &TMergeForm::UDMergeColClick);
    connect(UDBaseOffset, &QSpinBox::valueChanged, this, &TMergeForm::UDBaseOffsetClick);
    connect(UDMergeOffset, &QSpinBox::valueChanged, this, &TMergeForm::UDMergeOffsetClick);
    connect(CBBaseUnits, &QComboBox::currentIndexChanged, this, &TMergeForm::CBBaseUnitsChange);
    connect(CBMergeUnits, &QComboBox::currentIndexChanged, this, &TMergeForm::CBMergeUnitsChange);
    connect(CBBaseType, &QComboBox::currentIndexChanged, this, &TMergeForm::CBBaseTypeChange);
    connect(CBMergeType, &QComboBox::currentIndexChanged, this, store);
    connect(CBBHdrUse, &QComboBox::currentIndexChanged, this, store);
    connect(CBMHdrUse, &QComboBox::currentIndexChanged, this, store);
    connect(BCalTempEdit, &QLineEdit::textChanged, this, &TMergeForm::BCalTempEditChange);
    connect(BCalSalEdit, &QLineEdit::textChanged, this, &TMergeForm::BCalSalEditChange);
    connect(BaseFileName, &QLineEdit::textChanged, this, &TMergeForm::BaseFileNameChange);
    connect(MergeFileName, &QLineEdit::textChanged, this, &TMergeForm::MergeFileNameChange);

    GBacCorrections = named(new QGroupBox("ac Corrections", GBPairs), "GBacCorrections");
    auto* ac = new QGridLayout(GBacCorrections);
    TempCorrectionCB = named(new QCheckBox("Temperature", GBacCorrections), "TempCorrectionCB");
    SalinityCorrectionCB = named(new QCheckBox("Salinity", GBacCorrections), "SalinityCorrectionCB");
    ScatterCorrectionCB = named(new QCheckBox("Scatter", GBacCorrections), "ScatterCorrectionCB");
    CleanH2OCB = named(new QCheckBox("Clean h2o Offsets", GBacCorrections), "CleanH2OCB");
    CBScatter = named(new QComboBox(GBacCorrections), "CBScatter");
    CBScatter->addItems({"Scatter Options", "Subtract a at Base Wavelength", "(c-a)%", "Zaneveld"});
    TCorFileName = edit("TCorFileName", "T.cor");
    SCorFileName = edit("SCorFileName", "S.cor");
    CH2OFileName = edit("CH2OFileName", "cleanh2o.cor");
    UDabsorbWL = named(new QSpinBox(GBacCorrections), "UDabsorbWL");
    UDabsorbWL->setRange(600, 800);
    UDabsorbWL->setValue(715);
    LBabsorbWL = named(new QLabel("'a'wavelength 715", GBacCorrections), "LBabsorbWL");
    UDabsorbWL->hide();
    LBabsorbWL->hide();
    int row = 0;
    for (auto [check, field] : {std::pair{TempCorrectionCB, TCorFileName},
                                std::pair{SalinityCorrectionCB, SCorFileName},
                                std::pair{CleanH2OCB, CH2OFileName}}) {
        ac->addWidget(check, row, 0);
        ac->addWidget(field, row++, 1);
        connect(check, &QCheckBox::toggled, this, store);
        connect(field, &QLineEdit::textChanged, this, store);
    }
    ac->addWidget(ScatterCorrectionCB, row, 0);
    ac->addWidget(CBScatter, row++, 1);
    connect(ScatterCorrectionCB, &QCheckBox::toggled, this, store);
    connect(CBScatter, &QComboBox::currentIndexChanged, this, store);
    connect(UDabsorbWL, &QSpinBox::valueChanged, this, store);
    pairLayout->addWidget(GBacCorrections, 1, 1);

    MiscPageControl = named(new QTabWidget(GBPairs), "MiscPageControl");
    auto page = [this](const char* name, const QString& title) {
        auto* w = new QWidget(MiscPageControl);
        w->setObjectName(name);
        MiscPageControl->addTab(w, title);
        return new QGridLayout(w);
    };
    auto column = [&](QGridLayout* grid, int r, const char* caption, const char* name) {
        grid->addWidget(new QLabel(caption, this), r, 0);
        QLineEdit* e = edit(name, "Bx or Mx");
        grid->addWidget(e, r, 1);
        connect(e, &QLineEdit::textChanged, this, &TMergeForm::EDCondChange);
        return e;
    };
    QGridLayout* ctps = page("CTPS", "CTPS");
    EDCond = column(ctps, 0, "Conductivity (mmohm):", "EDCond");
    EDTemp = column(ctps, 1, "Temperature (C):", "EDTemp");
    EDSal = column(ctps, 2, "Salinity (PSU):", "EDSal");
    EDPres = column(ctps, 3, "Pressure (dbars):", "EDPres");
    MEPoffset = edit("MEPoffset", "0");
    ctps->addWidget(new QLabel("Pressure Offset:", this), 4, 0);
    ctps->addWidget(MEPoffset, 4, 1);
    connect(MEPoffset, &QLineEdit::textChanged, this, store);
    QGridLayout* analogs[2] = {page("Analogs14", "Analogs 1-4"), page("Analogs58", "Analogs 5-8")};
    for (int i = 0; i < 8; ++i) {
        QGridLayout* grid = analogs[i / 4];
        const int r = i % 4;
        grid->addWidget(new QLabel(QString(i < 7 ? "A%1:  " : "A%1:").arg(i + 1), this), r, 0);
        EDV[i] = edit(qPrintable(QString("EDV%1").arg(i + 1)), "Bx or Mx");
        VDev[i] = edit(qPrintable(QString("V%1Dev").arg(i + 1)), "*.dev");
        grid->addWidget(EDV[i], r, 1);
        grid->addWidget(VDev[i], r, 2);
        connect(EDV[i], &QLineEdit::textChanged, this, &TMergeForm::EDCondChange);
        connect(VDev[i], &QLineEdit::textChanged, this, store);
    }
    QGridLayout* ox = page("DOSensor", "DO Sensor");
    ox->addWidget(new QLabel("SBE 23 or SBE 43 DO Sensor", this), 0, 0, 1, 2);
    EDOxCur = column(ox, 1, "OX Current:", "EDOxCur");
    EDOxTemp = column(ox, 2, "OX Temp:", "EDOxTemp");
    OxFileName = edit("OxFileName", "sbe23/43.dev");
    ox->addWidget(OxFileName, 3, 0, 1, 2);
    connect(OxFileName, &QLineEdit::textChanged, this, store);
    pairLayout->addWidget(MiscPageControl, 1, 2);

    RGFormat = named(new QGroupBox("Output Format", GBPairs), "RGFormat");
    FormatButtons = new QButtonGroup(this);
    auto* formats = new QHBoxLayout(RGFormat);
    auto* standard = new QRadioButton("Standard", RGFormat);
    auto* nopp = new QRadioButton("NOPP", RGFormat);
    nopp->hide();
    FormatButtons->addButton(standard, 0);
    FormatButtons->addButton(nopp, 1);
    formats->addWidget(standard);
    formats->addWidget(nopp);
    connect(FormatButtons, &QButtonGroup::idClicked, this, store);
    pairLayout->addWidget(RGFormat, 3, 0);

    GBPairs->hide();
    GBacCorrections->hide();
    MiscPageControl->hide();
    resize(900, 640);
}

void TMergeForm::BuildSide(QGroupBox* box, SideControls& c, bool base) {
    const QString side = base ? "Base" : "Merge";
    auto name = [&side](QWidget* w, const QString& pattern) {
        w->setObjectName(pattern.arg(side));
    };
    auto* grid = new QGridLayout(box);
    c.channel = new QRadioButton("Extracted Channel 21", box);
    name(c.channel, "RB%1Channel");
    c.pair = new QRadioButton("Merged Pair XX", box);
    name(c.pair, "RB%1Pair");
    c.file = new QRadioButton("File", box);
    name(c.file, "RB%1File");
    for (QRadioButton* b : {c.channel, c.pair, c.file}) b->setAutoExclusive(false);
    c.channelSpin = new QSpinBox(box);
    name(c.channelSpin, "UD%1Channel");
    c.channelSpin->setRange(11, 49);
    c.channelSpin->setValue(21);
    c.pairSpin = new QSpinBox(box);
    name(c.pairSpin, "UD%1Pair");
    c.pairSpin->setRange(1, 20);
    c.fileName = new QLineEdit(box);
    name(c.fileName, "%1FileName");
    c.hdrs = new QSpinBox(box);
    name(c.hdrs, "UD%1Hdrs");
    c.hdrs->setRange(0, 500);
    c.hdrsLabel = new QLabel(" 0 Header Lines", box);
    name(c.hdrsLabel, "LB%1Hdrs");
    c.col = new QSpinBox(box);
    name(c.col, "UD%1Col");
    c.col->setRange(0, 500);
    c.colLabel = new QLabel("Merge Column  0", box);
    name(c.colLabel, "LB%1Col");
    c.hdrUse = new QComboBox(box);
    c.hdrUse->setObjectName(base ? "CBBHdrUse" : "CBMHdrUse");
    c.hdrUse->addItems({"Discard All Header Rows", "Keep Last Header Row"});
    c.type = new QComboBox(box);
    name(c.type, "CB%1Type");
    if (base)
        c.type->addItems({"DKDC", "NX9", "CTD-Analog-DO"});
    else
        c.type->addItems({"DKDC", "CTD-Analog-DO"});
    c.type->setToolTip("DKDC = Don't Know, Don't Care");
    c.units = new QComboBox(box);
    name(c.units, "CB%1Units");
    if (base)
        c.units->addItems({"dbar", "ms", "Julian Day"});
    else
        c.units->addItems({"dbars", "ms", "Julian Date"});
    c.offset = new QSpinBox(box);
    name(c.offset, "UD%1Offset");
    c.offset->setRange(-32500, 32500);
    c.offsetLabel = new QLabel("HAD:  0 cm", box);
    name(c.offsetLabel, "LB%1Offset");

    grid->addWidget(c.channel, 0, 0);
    grid->addWidget(c.channelSpin, 0, 1);
    grid->addWidget(c.pair, 1, 0);
    grid->addWidget(c.pairSpin, 1, 1);
    grid->addWidget(c.file, 2, 0);
    grid->addWidget(c.fileName, 2, 1);
    grid->addWidget(c.hdrsLabel, 3, 0);
    grid->addWidget(c.hdrs, 3, 1);
    grid->addWidget(c.colLabel, 4, 0);
    grid->addWidget(c.col, 4, 1);
    grid->addWidget(c.hdrUse, 5, 0, 1, 2);
    grid->addWidget(c.type, 6, 0);
    grid->addWidget(c.units, 6, 1);
    grid->addWidget(c.offsetLabel, 7, 0);
    grid->addWidget(c.offset, 7, 1);
}

int TMergeForm::SelectedPair() const { return MergePairButtons->checkedId(); }

void TMergeForm::SelectPair(int index) {
    if (QAbstractButton* b = MergePairButtons->button(index)) {
        b->setChecked(true);
        RGMergePairsClick();
    }
}

void TMergeForm::ShowModeGroups(int mode) {
    const bool sides = mode != 0;
    GBBaseFile->setVisible(sides);
    GBMergeFile->setVisible(sides);
    RGCastDirection->setVisible(mode == 1);
}

void TMergeForm::ShowCastDirection(int direction) {
    // A direction that is neither down nor up checks neither button.
    DownCast->setChecked(direction == 1);
    UpCast->setChecked(direction == 2);
}

void TMergeForm::ShowSide(const rix::MergeSide& side, SideControls& c, bool base) {
    for (QRadioButton* b : {c.channel, c.pair, c.file}) b->setChecked(false);
    switch (side.sourceKind) {
        case 0: c.channel->setChecked(true); break;
        case 1: c.pair->setChecked(true); break;
        case 2: c.file->setChecked(true); break;
        default:
            reporter_.ShowError("Programming Error", base ? "Bad m.basesource in RGMergPairsClick"
                                                          : "Invalid m.mergesource in RGMergPairsClick");
    }
    const int channel = side.channelId > 49 ? 0 : side.channelId;
    const int pair = side.pairNumber > 49 ? 0 : side.pairNumber;
    c.channel->setText(QString::asprintf("Extracted Channel %1d", channel));
    c.pair->setText(QString::asprintf("Merged Pair %1d", pair));
    c.channelSpin->setValue(channel);
    c.pairSpin->setValue(pair);
    c.col->setValue(side.keyColumn);
    c.colLabel->setText(QString::asprintf("Merge Column %2d", side.keyColumn));
    SetIndex(c.units, side.offsetUnits);
    c.hdrs->setValue(side.headerRows);
    c.hdrsLabel->setText(QString::asprintf("%2d Header Lines", side.headerRows));
    SetIndex(c.hdrUse, side.headerUse);
    SetIndex(c.type, side.meterType);
    c.fileName->setText(FromStd(side.fileName));
    // Milliseconds are edited in steps of 50.
    c.offset->setValue(side.offsetUnits == kMsUnits
                           ? static_cast<int>(std::lround(side.offset / 50.0))
                           : side.offset);
}

void TMergeForm::RGMergePairsClick() {
    const int index = SelectedPair();
    if (index < 0) {
        GBPairs->hide();
        RGCastDirection->hide();
        return;
    }
    {
        Showing guard(showing_);
        GBPairs->show();
        rix::MergePair p;
        rix::GetMergePair(setup_, index, p);
        shown_ = p;
        if (QAbstractButton* b = DoMergeButtons->button(p.mergeMode)) {
            b->setChecked(true);
        } else {
            // A mode that no button stands for checks none.
            DoMergeButtons->setExclusive(false);
            for (QAbstractButton* m : DoMergeButtons->buttons()) m->setChecked(false);
            DoMergeButtons->setExclusive(true);
        }
        ShowModeGroups(p.mergeMode);
        ShowSide(p.base, base_, true);
        ShowSide(p.merge, merge_, false);
        BCalTempEdit->setText(QString::asprintf("%4.2lf", p.base.calTemperature / 100.0));
        BCalSalEdit->setText(QString::asprintf("%4.2lf", p.base.calSalinity / 100.0));
        EDCond->setText(FromStd(rix::FormatColumnReference(p.condColumn)));
        EDTemp->setText(FromStd(rix::FormatColumnReference(p.tempColumn)));
        EDPres->setText(FromStd(rix::FormatColumnReference(p.presColumn)));
        EDSal->setText(FromStd(rix::FormatColumnReference(p.salColumn)));
        EDOxTemp->setText(FromStd(rix::FormatColumnReference(p.oxTempColumn)));
        EDOxCur->setText(FromStd(rix::FormatColumnReference(p.oxCurrentColumn)));
        for (int i = 0; i < 8; ++i) {
            EDV[i]->setText(FromStd(rix::FormatColumnReference(p.analogColumn[i])));
            VDev[i]->setText(FromStd(p.analogDeviceFile[i]));
        }
        MEPoffset->setText(QString::asprintf("%4.2lf", p.pressureOffset));
        OxFileName->setText(p.oxDeviceFile.empty() ? "sbe23/43.dev" : FromStd(p.oxDeviceFile));
        MergeOrder->setText(FromStd(p.displayOrder));
        TempCorrectionCB->setChecked(p.correctionFlags & rix::kCorrectTemperature);
        SalinityCorrectionCB->setChecked(p.correctionFlags & rix::kCorrectSalinity);
        ScatterCorrectionCB->setChecked(p.correctionFlags & rix::kCorrectScatter);
        CleanH2OCB->setChecked(p.correctionFlags & rix::kCorrectCleanWater);
        SetIndex(CBScatter, p.scatterMethod);
        UDabsorbWL->setValue(p.absorbWavelength);
        LBabsorbWL->setText(QString::asprintf("'a'wavelength %3d", p.absorbWavelength));
        if (QAbstractButton* b = FormatButtons->button(p.outputFormat)) {
            b->setChecked(true);
        } else {
            FormatButtons->setExclusive(false);
            for (QAbstractButton* f : FormatButtons->buttons()) f->setChecked(false);
            FormatButtons->setExclusive(true);
        }
        TCorFileName->setText(p.tCorFile.empty() ? "t.cor" : FromStd(p.tCorFile));
        SCorFileName->setText(p.sCorFile.empty() ? "s.cor" : FromStd(p.sCorFile));
        CH2OFileName->setText(p.cleanWaterFile.empty() ? "ch2o.cor" : FromStd(p.cleanWaterFile));
        shownControls_ = Collect(p);
    }
    StorePair();
}

void TMergeForm::CollectSide(rix::MergeSide& side, const SideControls& c) const {
    side.sourceKind = CheckedIndex({c.channel, c.pair, c.file});
    side.channelId = c.channelSpin->value();
    side.pairNumber = c.pairSpin->value();
    side.keyColumn = c.col->value();
    side.headerRows = c.hdrs->value();
    side.headerUse = c.hdrUse->currentIndex();
    side.meterType = c.type->currentIndex();
    side.units = side.offsetUnits = c.units->currentIndex();
    side.fileName = ToStd(c.fileName->text());
    side.offset = side.offsetUnits == kMsUnits ? c.offset->value() * 50 : c.offset->value();
}

rix::MergePair TMergeForm::Collect(const rix::MergePair& start) const {
    rix::MergePair p = start;
    p.mergeMode = DoMergeButtons->checkedId();
    CollectSide(p.base, base_);
    CollectSide(p.merge, merge_);
    double v = 0;
    if (Number(BCalTempEdit->text(), v)) p.base.calTemperature = static_cast<int>(std::lround(v * 100));
    if (Number(BCalSalEdit->text(), v)) p.base.calSalinity = static_cast<int>(std::lround(v * 100));
    p.condColumn = rix::ParseColumnReference(ToStd(EDCond->text()));
    p.tempColumn = rix::ParseColumnReference(ToStd(EDTemp->text()));
    p.presColumn = rix::ParseColumnReference(ToStd(EDPres->text()));
    p.salColumn = rix::ParseColumnReference(ToStd(EDSal->text()));
    p.oxTempColumn = rix::ParseColumnReference(ToStd(EDOxTemp->text()));
    p.oxCurrentColumn = rix::ParseColumnReference(ToStd(EDOxCur->text()));
    for (int i = 0; i < 8; ++i) {
        p.analogColumn[i] = rix::ParseColumnReference(ToStd(EDV[i]->text()));
        p.analogDeviceFile[i] = ToStd(VDev[i]->text());
    }
    p.pressureOffset = Number(MEPoffset->text(), v) && p.mergeMode != 1 ? v : 0.0;
    p.oxDeviceFile = ToStd(OxFileName->text());
    p.displayOrder = ToStd(MergeOrder->text());
    p.correctionFlags = (TempCorrectionCB->isChecked() ? rix::kCorrectTemperature : 0) |
                        (SalinityCorrectionCB->isChecked() ? rix::kCorrectSalinity : 0) |
                        (ScatterCorrectionCB->isChecked() ? rix::kCorrectScatter : 0) |
                        (CleanH2OCB->isChecked() ? rix::kCorrectCleanWater : 0);
    p.scatterMethod = CBScatter->currentIndex();
    p.absorbWavelength = UDabsorbWL->value();
    p.outputFormat = FormatButtons->checkedId();
    p.tCorFile = ToStd(TCorFileName->text());
    p.sCorFile = ToStd(SCorFileName->text());
    p.cleanWaterFile = ToStd(CH2OFileName->text());
    return p;
}

void TMergeForm::StorePair() {
    if (showing_) return;
    const int index = SelectedPair();
    if (index < 0) {
        GBPairs->setTitle("Merge Pair XX Setup");
        return;
    }
    GBPairs->setTitle(QString::asprintf("Merge Pair %2d Setup", index + 1));
    const int mode = DoMergeButtons->checkedId();
    RGCastDirection->setVisible(mode == 1);
    for (SideControls* c : {&base_, &merge_}) {
        const int kind = CheckedIndex({c->channel, c->pair, c->file});
        c->channel->setText(kind == 0 ? QString::asprintf("RIX ID %1d", c->channelSpin->value())
                                      : QString("RIX ID XX"));
        c->pair->setText(kind == 1 ? QString::asprintf("Pair %1d", c->pairSpin->value())
                                   : QString("Pair XX"));
    }
    GBacCorrections->hide();
    MiscPageControl->hide();
    MergeOrder->hide();
    Label10->hide();

    rix::MergePair p = Collect(shown_);
    KeepPair(p, shown_, shownControls_);
    if (mode == 0) {
        // A skipped pair keeps its settings; only the mode changes.
        rix::MergePair stored;
        rix::GetMergePair(setup_, index, stored);
        stored.mergeMode = p.mergeMode;
        rix::SetMergePair(setup_, index, stored);
        return;
    }
    MergeOrder->show();
    Label10->show();
    GBacCorrections->setVisible(CBBaseType->currentIndex() == kNx9Base);
    MiscPageControl->setVisible(CBBaseType->currentIndex() == kCtdBase ||
                                CBMergeType->currentIndex() == kCtdMerge);
    for (auto [c, side] : {std::pair{&base_, &p.base}, std::pair{&merge_, &p.merge}}) {
        if (c->units->currentIndex() == kMsUnits)
            c->offsetLabel->setText(QString::asprintf("Lag:  %ld ms", static_cast<long>(side->offset)));
        else
            c->offsetLabel->setText(QString::asprintf("HAD:  %ld cm", static_cast<long>(side->offset)));
    }
    rix::SetMergePair(setup_, index, p);
}

void TMergeForm::RGDoMergeClick() {
    if (showing_) return;
    const int mode = DoMergeButtons->checkedId();
    ShowModeGroups(mode);
    {
        QSignalBlocker b1(CBBaseUnits), b2(CBMergeUnits);
        switch (mode) {
            case 1:
                CBBaseUnits->setCurrentIndex(0);
                CBMergeUnits->setCurrentIndex(0);
                break;
            case 2:
                CBBaseUnits->setCurrentIndex(kMsUnits);
                CBMergeUnits->setCurrentIndex(kMsUnits);
                break;
            case 4:
                CBBaseUnits->setCurrentIndex(2);
                CBMergeUnits->setCurrentIndex(2);
                ShowCastDirection(1);
                RGCastDirectionClick();
                break;
            default: break;
        }
    }
    StorePair();
}

void TMergeForm::RGCastDirectionClick() {
    // The core stores the button index plus one: 1 down cast, 2 up cast.
    if (DownCast->isChecked())
        rix::SetCastDirection(setup_, 0);
    else if (UpCast->isChecked())
        rix::SetCastDirection(setup_, 1);
}

void TMergeForm::SourceClick(SideControls& c, int kind) {
    if (showing_) return;
    c.channel->setChecked(kind == 0);
    c.pair->setChecked(kind == 1);
    c.file->setChecked(kind == 2);
    if (kind == 0) {
        c.channel->setText(QString::asprintf("Extracted Channel %1d", c.channelSpin->value()));
        c.pair->setText("Merged Pair XX");
    } else if (kind == 1) {
        c.channel->setText("Extracted Channel XX");
        c.pair->setText(QString::asprintf("Merged Pair %2d", c.pairSpin->value()));
    }
    StorePair();
}

void TMergeForm::RBBaseChannelClick() { SourceClick(base_, 0); }
void TMergeForm::RBBasePairClick() { SourceClick(base_, 1); }
void TMergeForm::RBBaseFileClick() { SourceClick(base_, 2); }
void TMergeForm::RBMergeChannelClick() { SourceClick(merge_, 0); }
void TMergeForm::RBMergePairClick() { SourceClick(merge_, 1); }
void TMergeForm::RBMergeFileClick() { SourceClick(merge_, 2); }
void TMergeForm::UDBaseChannelClick() { StorePair(); }
void TMergeForm::UDMergeChannelClick() { StorePair(); }

void TMergeForm::UDBaseHdrsClick() {
    if (showing_) return;
    LBBaseHdrs->setText(QString::asprintf("%2d Header Lines", UDBaseHdrs->value()));
    StorePair();
}

void TMergeForm::UDMergeHdrsClick() {
    if (showing_) return;
    LBMergeHdrs->setText(QString::asprintf("%2d Header Lines", UDMergeHdrs->value()));
    StorePair();
}

void TMergeForm::UDBaseColClick() {
    if (showing_) return;
    LBBaseCol->setText(QString::asprintf("Merge Column %2d", UDBaseCol->value()));
    StorePair();
}

void TMergeForm::UDMergeColClick() {
    if (showing_) return;
    LBMergeCol->setText(QString::asprintf("Merge Column %2d", UDMergeCol->value()));
    StorePair();
}

void TMergeForm::UDBaseOffsetClick() { StorePair(); }
void TMergeForm::UDMergeOffsetClick() { StorePair(); }
void TMergeForm::CBBaseUnitsChange() { RGDoMergeClick(); }
void TMergeForm::CBMergeUnitsChange() { RGDoMergeClick(); }
void TMergeForm::CBBaseTypeChange() { StorePair(); }
void TMergeForm::BCalTempEditChange() { StorePair(); }
void TMergeForm::BCalSalEditChange() { StorePair(); }
void TMergeForm::BaseFileNameChange() { StorePair(); }
void TMergeForm::MergeFileNameChange() { StorePair(); }
void TMergeForm::EDCondChange() { StorePair(); }

void TMergeForm::MergeOrderChange() {
    if (showing_) return;
    const int index = SelectedPair();
    if (index < 0) return;
    rix::MergePair p;
    rix::GetMergePair(setup_, index, p);
    p.displayOrder = ToStd(MergeOrder->text());
    rix::SetMergePair(setup_, index, p);
}

void TMergeForm::New1Click() {
    // A new setup names no file: Save asks for one.
    LBMergeFile->setText("*.MSF");
    rix::ResetMergeSetup(setup_);
    ShowCastDirection(1);
    RGCastDirectionClick();
    RGMergePairsClick();
}

void TMergeForm::OpenMergeClick() {
    const QString path = hooks_.chooseFile(this, OpenMergeDialog);
    if (path.isEmpty()) return;
    OpenFile(path);
}

bool TMergeForm::OpenFile(const QString& path) {
    std::FILE* f = std::fopen(ToStd(path).c_str(), "rb");
    if (!f) {
        reporter_.ShowError("Merge Setup File Error",
                            rix::Format("Unable to open %s", ToStd(path).c_str()));
        return false;
    }
    const int read = rix::ReadMsfFile(reporter_, setup_, f);
    std::fclose(f);
    if (read) ShowFileName(LBMergeFile, path);
    ShowCastDirection(setup_.castDirection);
    RGMergePairsClick();
    return read != 0;
}

QString TMergeForm::CurrentFile() const {
    return LBMergeFile->text() == "*.MSF" ? QString() : LBMergeFile->text();
}

void TMergeForm::Save1Click() {
    const QString path = CurrentFile();
    if (path.isEmpty()) {
        SaveAs1Click();
        return;
    }
    if (AskToReplace(path)) WriteTo(path);
}

void TMergeForm::SaveAs1Click() {
    FileDialogOptions options = SaveMergeDialog;
    options.initialName = LBMergeFile->text();
    const QString path = hooks_.chooseFile(this, options);
    if (!path.isEmpty()) WriteTo(path);
}

void TMergeForm::WriteTo(const QString& path) {
    std::FILE* f = OpenForWriting(path, "Merge Setup");
    if (!f) return;
    StorePair();
    rix::WriteMsfFile(setup_, f);
    if (!FinishWriting(f, path, "Merge Setup")) return;
    ShowFileName(LBMergeFile, path);
}

void TMergeForm::ExitMergeClick() { hide(); }

}  // namespace rixui
