#include "Rixutilities.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <filesystem>
#include <memory>

#include "Context.h"
#include "GuiReporter.h"
#include "Worker.h"
#include "utilities/Builders.h"
#include "utilities/Fileutils.h"

#include "Widgets.h"

namespace rixui {

namespace {

// True when both paths name one file (an output that would truncate its input).
bool SameFile(const QString& a, const QString& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(a.toStdString(), b.toStdString(), ec)) return true;
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

}  // namespace

TUtilitiesForm::TUtilitiesForm(GuiReporter& reporter, DialogHooks& hooks, Worker& worker,
                               QWidget* parent)
    : QMainWindow(parent, Qt::Window), reporter_(reporter), hooks_(hooks), worker_(worker) {
    setObjectName("UtilitiesForm");
    setWindowTitle("KX Archive File Utilities");
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* grid = new QGridLayout(central);

    auto label = [central](const char* name, const char* text) {
        auto* l = new QLabel(text, central);
        l->setObjectName(name);
        return l;
    };
    auto spinner = [central](const char* name, int low, int high, int value) {
        auto* s = new QSpinBox(central);
        s->setObjectName(name);
        s->setRange(low, high);
        s->setValue(value);
        return s;
    };
    LBFile1 = label("LBFile1", "File 1:");
    LBFile2 = label("LBFile2", "File 2:");
    UDFile1 = spinner("UDFile1", 11, 49, 21);
    LBJDandt1 = label("LBJDandt1", "Date/Time Channel:  21");
    UDFile2 = spinner("UDFile2", 11, 49, 21);
    LBJDandt2 = label("LBJDandt2", "Date/Time Channel:  21");
    UDUTCOffset = spinner("UDUTCOffset", -12, 12, 0);
    LBUTCOffset = label("LBUTCOffset", "UTC Offset:  0 Hours");
    BTParseLoggerIDs = AddButton("BTParseLoggerIDs", "&Parse on Logger IDs");
    BTConvertFile = AddButton("BTConvertFile", "Convert To &Type 2");
    BTConvertGOMOOS = AddButton("BTConvertGOMOOS", "Convert a &GOMOOS File");
    BTBuildFromIOP = AddButton("BTBuildFromIOP", "Convert an &IOP File");
    BTAppendFile = AddButton("BTAppendFile", "&Append File");
    BTCalcOffset = AddButton("BTCalcOffset", "S&yncronize Files");
    BTSplitAppended = AddButton("BTSplitAppended", "Sp&lit Files");
    BTCalcOffset->hide();
    BTSplitAppended->hide();

    grid->addWidget(LBFile1, 0, 0, 1, 3);
    grid->addWidget(LBFile2, 1, 0, 1, 3);
    grid->addWidget(UDFile1, 2, 0);
    grid->addWidget(LBJDandt1, 2, 1);
    grid->addWidget(UDFile2, 3, 0);
    grid->addWidget(LBJDandt2, 3, 1);
    grid->addWidget(UDUTCOffset, 4, 0);
    grid->addWidget(LBUTCOffset, 4, 1);
    grid->addWidget(BTParseLoggerIDs, 5, 0);
    grid->addWidget(BTConvertFile, 5, 1);
    grid->addWidget(BTConvertGOMOOS, 6, 0);
    grid->addWidget(BTBuildFromIOP, 6, 1);
    grid->addWidget(BTAppendFile, 7, 0);
    grid->addWidget(BTCalcOffset, 7, 1);
    grid->addWidget(BTSplitAppended, 8, 0);

    QMenu* exitMenu = menuBar()->addMenu("E&xit");
    exitMenu->setObjectName("Exit");
    QAction* exit1 = exitMenu->addAction("Exit &Utilities");
    exit1->setObjectName("Exit1");
    QAction* separator = exitMenu->addSeparator();
    separator->setVisible(false);
    QAction* exitRix = exitMenu->addAction("Exit &RIX");
    exitRix->setObjectName("ExitRIX");
    exitRix->setVisible(false);
    connect(exit1, &QAction::triggered, this, [this] { Exit1Click(); });

    connect(UDFile1, &QSpinBox::valueChanged, this, [this](int) { UDFile1Click(); });
    connect(UDFile2, &QSpinBox::valueChanged, this, [this](int) { UDFile2Click(); });
    connect(UDUTCOffset, &QSpinBox::valueChanged, this, [this](int) { UDUTCOffsetClick(); });
    connect(&worker_, &Worker::runningChanged, this, [this](bool running) { SetRunning(running); });

    OpenDialog1.objectName = "OpenDialog1";
    OpenDialog1.title = "Open File";
    OpenDialog1.initialName = "archive.999";
    OpenDialog1.filter = "All Files (*)";
    OpenDialog1.mustExist = true;
    SaveDialog1.objectName = "SaveDialog1";
    SaveDialog1.filter = "All Files (*)";
    SaveDialog1.save = true;
    SaveDialog1.confirmOverwrite = true;
    resize(460, 320);
    BindWindowKeys(this, [this] { Exit1Click(); });
}

QPushButton* TUtilitiesForm::AddButton(const char* name, const char* text) {
    auto* b = new QPushButton(text, centralWidget());
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, b] { BTConvertFileClick(b); });
    return b;
}

void TUtilitiesForm::SetRunning(bool running) {
    for (QPushButton* b : {BTParseLoggerIDs, BTConvertFile, BTConvertGOMOOS, BTBuildFromIOP})
        b->setEnabled(!running);
}

void TUtilitiesForm::UDFile1Click() {
    LBJDandt1->setText(QString::asprintf("Date/Time Channel:  %1d", UDFile1->value()));
}

void TUtilitiesForm::UDFile2Click() {
    LBJDandt2->setText(QString::asprintf("Date/Time Channel:  %1d", UDFile2->value()));
}

void TUtilitiesForm::UDUTCOffsetClick() {
    LBUTCOffset->setText(QString::asprintf("UTC Offset:  %1d Hours", UDUTCOffset->value()));
}

void TUtilitiesForm::Exit1Click() { hide(); }

void TUtilitiesForm::BTConvertFileClick(QPushButton* button) {
    enum class Op { kSplit, kType2, kGomoos, kIop, kNone };
    Op op = Op::kNone;
    QString inPrefix, outPrefix;
    if (button == BTParseLoggerIDs) {
        op = Op::kSplit;
        OpenDialog1.title = "Select File to Parse on Logger IDs";
        inPrefix = "Input File:  ";
    } else if (button == BTConvertFile) {
        op = Op::kType2;
        OpenDialog1.title = "Select Conversion Input File";
        inPrefix = "Input File:  ";
        SaveDialog1.title = "Save Type 2 Output File";
        outPrefix = "Type 2 File:  ";
    } else if (button == BTConvertGOMOOS) {
        op = Op::kGomoos;
        OpenDialog1.title = "Select GOMOOS File";
        inPrefix = "Input GOMOOS File:  ";
        SaveDialog1.title = "Save To Archive File";
        outPrefix = "Archive File:  ";
    } else if (button == BTBuildFromIOP) {
        op = Op::kIop;
        OpenDialog1.title = "Select IOP File";
        inPrefix = "Input IOP File:  ";
        SaveDialog1.title = "Save To Archive File";
        outPrefix = "Archive File:  ";
    } else if (button == BTAppendFile) {
        OpenDialog1.title = "1st Append File";
        inPrefix = "1st Append File:  ";
        SaveDialog1.title = "2nd Append File";
        outPrefix = "2nd Append File:  ";
    }
    if (op != Op::kNone && worker_.Running()) return;

    QString input = hooks_.chooseFile(this, OpenDialog1);
    if (input.isEmpty()) {
        LBFile1->setText("Operation Cancelled");
        return;
    }
    LBFile1->setText(inPrefix + input);
    std::string in = input.toStdString();
    if (op == Op::kSplit) {
        worker_.Start(
            [this, in] {
                auto ctx = std::make_unique<rix::Context>(reporter_);
                rix::SplitByLoggerId(*ctx, in);
            },
            nullptr);
        return;
    }
    QString output = hooks_.chooseFile(this, SaveDialog1);
    if (output.isEmpty()) {
        LBFile2->setText("");
        return;
    }
    LBFile2->setText(outPrefix + output);
    if (op == Op::kNone) return;  // these buttons only collect the names
    if (SameFile(input, output)) {
        reporter_.ShowError("File Error", "The output file '" + output.toStdString() +
                                              "' is the input file: choose another name");
        return;
    }
    std::string out = output.toStdString();
    int channel = UDFile1->value(), offset = UDUTCOffset->value();
    worker_.Start(
        [this, op, in, out, channel, offset] {
            // Every operation on a fresh program state.
            auto ctx = std::make_unique<rix::Context>(reporter_);
            if (op == Op::kType2)
                rix::ConvertToType2(*ctx, channel, offset, in, out);
            else if (op == Op::kGomoos)
                rix::BuildFromGomoos(*ctx, in, out);
            else
                rix::BuildFromIop(*ctx, in, out);
        },
        nullptr);
}

}  // namespace rixui
