// The utilities window: split an archive by logger id, convert it to type 2,
// build archives from GOMOOS and IOP files.
#pragma once
#include <QMainWindow>

#include "Hooks.h"

class QLabel;
class QPushButton;
class QSpinBox;

namespace rixui {

class GuiReporter;
class Worker;

class TUtilitiesForm : public QMainWindow {
    Q_OBJECT
public:
    TUtilitiesForm(GuiReporter& reporter, DialogHooks& hooks, Worker& worker,
                   QWidget* parent = nullptr);

    // All seven buttons: the one pressed says what runs.
    void BTConvertFileClick(QPushButton* button);
    void UDFile1Click();
    void UDFile2Click();
    void UDUTCOffsetClick();
    void Exit1Click();

    QLabel* LBFile1;
    QLabel* LBFile2;
    QSpinBox* UDFile1;
    QLabel* LBJDandt1;
    QSpinBox* UDFile2;
    QLabel* LBJDandt2;
    QSpinBox* UDUTCOffset;
    QLabel* LBUTCOffset;
    QPushButton* BTParseLoggerIDs;
    QPushButton* BTConvertFile;
    QPushButton* BTConvertGOMOOS;
    QPushButton* BTBuildFromIOP;
    QPushButton* BTAppendFile;
    QPushButton* BTCalcOffset;
    QPushButton* BTSplitAppended;
    FileDialogOptions OpenDialog1;
    FileDialogOptions SaveDialog1;

private:
    void SetRunning(bool running);
    QPushButton* AddButton(const char* name, const char* text);

    GuiReporter& reporter_;
    DialogHooks& hooks_;
    Worker& worker_;
};

}  // namespace rixui
