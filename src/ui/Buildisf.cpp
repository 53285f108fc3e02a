#include "Buildisf.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>

#include "Widgets.h"
#include "setup/MeterType.h"

namespace rixui {

namespace {

struct Showing {
    bool& flag;
    explicit Showing(bool& f) : flag(f) { flag = true; }
    ~Showing() { flag = false; }
};

}  // namespace

TISFForm::TISFForm(rix::Reporter& reporter, DialogHooks& hooks, QWidget* parent)
    : SetupEditor(reporter, hooks, "ISFForm", "Edit ISF File", parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
    for (auto& r : table_) rix::ResetChannelSetup(r);

    OpenISFDialog.objectName = "OpenISFDialog";
    OpenISFDialog.filter = "Instrument Setup File (*.ISF *.isf);;All Files (*)";
    OpenISFDialog.defaultSuffix = "isf";
    OpenISFDialog.initialName = "*.isf";
    OpenISFDialog.mustExist = true;
    SaveISFDialog = OpenISFDialog;
    SaveISFDialog.objectName = "SaveISFDialog";
    SaveISFDialog.filter = "Instrument Setup File (*.isf);;All Files (*)";
    SaveISFDialog.save = true;
    SaveISFDialog.mustExist = false;
    SaveISFDialog.confirmOverwrite = true;

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);
    QMenu* file = bar->addMenu("&File");
    auto item = [this](QMenu* menu, const char* name, const char* text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    NewISF = item(file, "NewISF", "&New");
    OpenISF = item(file, "OpenISF", "&Open");
    Save1 = item(file, "Save1", "&Save");
    SaveAsISF = item(file, "SaveAsISF", "Save &As");
    file->addSeparator();
    ExitISF = item(file, "ExitISF", "E&xit");
    QMenu* clear = bar->addMenu("&Clear_Logger_Settings");
    for (int n = 1; n <= 4; ++n) {
        ClearMux[n - 1] = item(clear, qPrintable(QString("ClearMux%1").arg(n)),
                               qPrintable(QString("Clear Logger ID &%1").arg(n)));
        connect(ClearMux[n - 1], &QAction::triggered, this, [this, n] { ClearMux1Click(n); });
    }
    connect(NewISF, &QAction::triggered, this, &TISFForm::NewISFClick);
    connect(OpenISF, &QAction::triggered, this, &TISFForm::OpenISFClick);
    connect(Save1, &QAction::triggered, this, &TISFForm::Save1Click);
    connect(SaveAsISF, &QAction::triggered, this, &TISFForm::SaveAsISFClick);
    connect(ExitISF, &QAction::triggered, this, &TISFForm::ExitISFClick);

    auto* heading = new QLabel("Instrument Selection File: ", this);
    LBISFFile = new ElidedLabel("New File", this);
    LBISFFile->setObjectName("LBISFFile");
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(heading);
    fileRow->addWidget(LBISFFile, 1);
    layout->addLayout(fileRow);

    TCChannels = new QTabBar(this);
    TCChannels->setObjectName("TCChannels");
    for (int t = 1; t <= 4; ++t) TCChannels->addTab(QString("Logger ID %1").arg(t));
    layout->addWidget(TCChannels);

    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    grid->addWidget(new QLabel("Port", this), 0, 0);
    grid->addWidget(new QLabel("ID", this), 0, 1);
    grid->addWidget(new QLabel("Meter Type", this), 0, 2);
    grid->addWidget(new QLabel("  Lag (ms)  ", this), 0, 3);
    grid->addWidget(new QLabel("Height Above\n  Datum (cm)  ", this), 0, 4);
    grid->addWidget(new QLabel("Device File\n *.DEV  *.CON  *.CAL ", this), 0, 5);
    for (int r = 1; r <= kRows; ++r) {
        const int i = r - 1;
        grid->addWidget(new QLabel(QString::number(r), this), r, 0);
        LBID[i] = new QLabel(QString(r < kRows ? "%1." : "%1").arg(10 + r), this);
        LBID[i]->setObjectName(QString("LBID%1").arg(r));
        CBType[i] = new QComboBox(this);
        CBType[i]->setObjectName(QString("CBType%1").arg(r));
        FillMeterTypeList(CBType[i]);
        auto* numbers = new QIntValidator(this);
        MELag[i] = new QLineEdit("0", this);
        MELag[i]->setObjectName(QString("MELag%1").arg(r));
        MELag[i]->setValidator(numbers);
        MEHad[i] = new QLineEdit("0", this);
        MEHad[i]->setObjectName(QString("MEHad%1").arg(r));
        MEHad[i]->setValidator(numbers);
        DeviceFile[i] = new QLineEdit(this);
        DeviceFile[i]->setObjectName(QString("DeviceFile%1").arg(r));
        grid->addWidget(LBID[i], r, 1);
        grid->addWidget(CBType[i], r, 2);
        grid->addWidget(MELag[i], r, 3);
        grid->addWidget(MEHad[i], r, 4);
        grid->addWidget(DeviceFile[i], r, 5);
        connect(CBType[i], &QComboBox::currentIndexChanged, this, [this, r] { CBType1Change(r); });
        connect(DeviceFile[i], &QLineEdit::textChanged, this, [this, r] { DeviceFile1Change(r); });
        connect(MELag[i], &QLineEdit::textChanged, this, [this, r] { MELag1Change(r); });
        connect(MEHad[i], &QLineEdit::textChanged, this, [this, r] { MEHad1Change(r); });
    }
    connect(TCChannels, &QTabBar::currentChanged, this, &TISFForm::TCChannelsChange);
    resize(640, 420);
}

int TISFForm::ChannelOf(int row) const { return 10 * (TCChannels->currentIndex() + 1) + row; }

void TISFForm::TCChannelsChange() {
    Showing guard(showing_);
    const int base = 10 * (TCChannels->currentIndex() + 1);
    for (int r = 1; r <= kRows; ++r) {
        const int i = r - 1;
        const rix::ChannelSetup& c = table_[base + r];
        LBID[i]->setText(QString::asprintf(r < kRows ? "%d." : "%d", base + r));
        CBType[i]->setCurrentIndex(c.type >= 0 && c.type < rix::kMeterTypeCount ? c.type : 0);
        MELag[i]->setText(QString::asprintf("%1d", c.lag));
        MEHad[i]->setText(QString::asprintf("%1d", c.had));
        DeviceFile[i]->setText(FromStd(c.deviceFile));
    }
}

void TISFForm::CBType1Change(int row) {
    if (showing_) return;
    const int index = CBType[row - 1]->currentIndex();
    if (index < 0 || index >= rix::kMeterTypeCount) {
        reporter_.ShowError("Programming Error - CBTypeASCII", "Invalid Meter Type Selected");
        return;
    }
    if (!MeterTypeSelectable(CBType[row - 1], index)) {
        // A type the file cannot hold: the row goes back to what the channel is.
        Showing guard(showing_);
        const int type = table_[ChannelOf(row)].type;
        CBType[row - 1]->setCurrentIndex(type >= 0 && type < rix::kMeterTypeCount ? type : 0);
        return;
    }
    rix::MatchMeterKeyword(table_[ChannelOf(row)], rix::MeterTypeByCode(index).keyword);
}

void TISFForm::DeviceFile1Change(int row) {
    if (showing_) return;
    std::string token = "DEV=" + ToStd(DeviceFile[row - 1]->text());
    rix::ParseDeviceOption(table_[ChannelOf(row)], token);
}

void TISFForm::MELag1Change(int row) {
    if (showing_) return;
    std::string token = "LAG=" + ToStd(MELag[row - 1]->text());
    rix::ParseLagOption(table_[ChannelOf(row)], token);
}

void TISFForm::MEHad1Change(int row) {
    if (showing_) return;
    std::string token = "HAD=" + ToStd(MEHad[row - 1]->text());
    rix::ParseHadOption(table_[ChannelOf(row)], token);
}

void TISFForm::ResetRow(int row) {
    Showing guard(showing_);
    const int i = row - 1;
    CBType[i]->setCurrentIndex(0);
    MELag[i]->setText("0");
    MEHad[i]->setText("0");
    DeviceFile[i]->setText("");
}

void TISFForm::ResetRows() {
    for (int r = 1; r <= kRows; ++r) ResetRow(r);
}

void TISFForm::NewISFClick() {
    LBISFFile->setText("New File");
    for (auto& r : table_) rix::ResetChannelSetup(r);
    ResetRows();
}

void TISFForm::OpenISFClick() {
    const QString path = hooks_.chooseFile(this, OpenISFDialog);
    if (path.isEmpty()) return;
    OpenFile(path);
}

bool TISFForm::OpenFile(const QString& path) {
    if (!rix::ReadIsfFile(reporter_, table_, ToStd(path))) return false;
    ShowFileName(LBISFFile, path);
    TCChannelsChange();
    return true;
}

QString TISFForm::CurrentFile() const {
    return LBISFFile->text() == "New File" ? QString() : LBISFFile->text();
}

void TISFForm::Save1Click() {
    const QString path = CurrentFile();
    if (path.isEmpty()) {
        SaveAsISFClick();
        return;
    }
    if (AskToReplace(path)) WriteTo(path);
}

void TISFForm::SaveAsISFClick() {
    FileDialogOptions options = SaveISFDialog;
    if (!CurrentFile().isEmpty()) options.initialName = CurrentFile();
    const QString path = hooks_.chooseFile(this, options);
    if (!path.isEmpty()) WriteTo(path);
}

void TISFForm::WriteTo(const QString& path) {
    std::FILE* f = OpenForWriting(path, "Instrument Setup");
    if (!f) return;
    rix::WriteIsfFile(table_, f);
    if (!FinishWriting(f, path, "Instrument Setup")) return;
    ShowFileName(LBISFFile, path);
    // The table now holds exactly what the file says.
    rix::ReadIsfFile(reporter_, table_, ToStd(path));
    TCChannelsChange();
}

void TISFForm::ExitISFClick() { hide(); }

void TISFForm::ClearMux1Click(int logger) {
    if (logger < 1 || logger > 4) return;
    for (int port = 1; port <= kRows; ++port) rix::ResetChannelSetup(table_[10 * logger + port]);
    if (TCChannels->currentIndex() == logger - 1) ResetRows();
}

}  // namespace rixui
