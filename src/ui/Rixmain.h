// The main window: current archive, setup files and folders, the Extract
// button, the run modes and the status line.
#pragma once
#include <atomic>
#include <QMainWindow>
#include <QString>
#include <memory>

#include "Hooks.h"
#include "setup/Mainsetup.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;

namespace rix {
struct Context;
struct ExtractRequest;
struct ExtractResult;
}

namespace rixplot {
class PlotWindow;
}

namespace rixui {

class GuiReporter;
class Worker;
class TISFForm;
class TBESFForm;
class TMergeForm;
class TUtilitiesForm;
class TDevFileForm;
class TRawFileForm;
class TCheckForm;
class TCruiseForm;

class TFormRIX : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kTerminationSeconds = 16;

    TFormRIX(GuiReporter& reporter, DialogHooks& hooks, Worker& worker, QWidget* parent = nullptr);
    ~TFormRIX() override;

    // The windows this one shows (created after it).
    void SetForms(TISFForm* isf, TMergeForm* merge, TUtilitiesForm* utilities, TBESFForm* esf,
                  TDevFileForm* folders, TRawFileForm* raw);

    void ExtractButtonClick();
    void StopButtonClick();
    void BTMergeClick();
    void BTBaseArcClick();
    void BTStayClick();
    void BTArchiveFileClick();
    void ShowMergeButton1Click();
    void SetDebugClick();
    void ShowHeadersClick();
    void DeviceFileFolderClick(QAction* item);
    void SelectISFFileClick();
    void CreateEditISFFileClick();
    void OpenClick();
    void SaveCurrentExtractionSetupClick();
    void SelectMergeFileClick();
    void CreateEditMergeFileClick();
    void Utilities1Click();
    void ProcessaRawFile1Click();
    // Utilities -> Process Several Archives...: the archives chosen in one
    // dialog run with the window's setups and folders, a few at a time on
    // the worker; the summary comes in a window of its own.
    void ProcessSeveralArchivesClick();
    void PostProcessFilesClick(QAction* item);
    void CheckSetupClick();
    void LoadRIXSetupClick();
    void SaveRIXSetupClick();
    void Timer1Timer();
    void Exit1Click();
    // Utilities -> Plot...: the plot window on the last run's files, or on a
    // file chosen in a dialog when there is no run to show.
    void PlotClick();

    // The main setup as the labels and the mode show it, and back.
    rix::MainSetup CurrentSetup() const;
    // Loads a main setup file into the labels and the mode; false when it
    // cannot be read or gives no mode.
    bool LoadSetupFile(const QString& path);
    // What Extract would run with the current archive, files and folders (in
    // daily mode the archive is today's name from the base name).
    rix::ExtractRequest CurrentRequest() const;

    int Mode() const { return mode_; }
    int TerminationCounter() const { return terminateCounter_; }
    bool DebugOn() const { return debug_; }
    bool ShowHeadersOn() const { return showHeaders_; }
    const QString& ArchiveName() const { return archiveName_; }
    const QString& StartupDirectory() const { return startupDir_; }

    QLabel* LBMode;
    QLabel* StatusLBL;
    QPushButton* ExtractButton;
    QPushButton* StopButton;
    QPushButton* BTBaseArc;
    QPushButton* BTMerge;
    QPushButton* BTStay;  // with the countdown: stay, in manual mode
    QLabel* Label2;
    QLabel* LBISFFile;
    QLabel* Label5;
    QLabel* LBDevFileFolder;
    QLabel* Label3;
    QLabel* LBESFFile;
    QLabel* Label6;
    QLabel* LBOutputFileFolder;
    QLabel* LBMergeSetup;
    QLabel* LBMergeFile;
    QLabel* Label1;
    QLabel* LBArchiveFile;
    QLabel* LBBaseLabel;
    QLabel* LBBaseArc;
    QLineEdit* StartMSEdit;
    QLineEdit* EndMSEdit;
    QLabel* LBTerminate;
    QLabel* PacketCountLBL;
    QLabel* ModErrorLBL;
    QLabel* LBPercentLost;
    QLabel* ElapsedTime;
    QProgressBar* ProgressBar1;
    QTimer* Timer1;
    QListWidget* MessageList;  // the messages of the last run
    TCheckForm* CheckForm;  // the report of Check Setup
    TCruiseForm* CruiseForm;  // the summary of Process Several Archives

    QAction* LoadRIXSetup;
    QAction* SaveRIXSetup;
    QAction* Exit1;
    QAction* SelectISFFile;
    QAction* CreateEditISFFile;
    QAction* DeviceFileFolder;
    QAction* Open;
    QAction* SaveCurrentExtractionSetup;
    QAction* CheckSetup;
    QAction* OutputFileFolder;
    QAction* SelectMergeFile;
    QAction* CreateEditMergeFile;
    QAction* PostProcessFiles;
    QAction* Daily;
    QAction* NearRealTime;
    QAction* RealTime;
    QAction* Utilities2;
    QAction* ProcessaRawFile1;
    QAction* ShowHeaders;
    QAction* ShowMergeButton1;
    QAction* SetDebug;
    QAction* WriteNetcdf;  // "Also write NetCDF", kept in the per-user settings
    QAction* Plot1 = nullptr;
    QAction* ProcessSeveralArchives1 = nullptr;
    FileDialogOptions OpenArchivesDialog;
    rixplot::PlotWindow* PlotForm = nullptr;

    FileDialogOptions OpenArchiveDialog;
    FileDialogOptions OpenDialog1;
    FileDialogOptions SaveSetupDialog;
    FileDialogOptions OpenDialog2;
    FileDialogOptions OpenMerge;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildControls();
    void SetMode(int mode);
    void ShowBaseControls(bool visible);
    void SetRunning(bool running);
    void ShowCountdown();
    // Saves last.rix in the start-up folder; true when the program may end.
    bool SaveAndAskToExit();
    void ExtractFinished(const rix::ExtractResult& result);
    // Whether a daily base archive name has been chosen.
    bool HasBaseName() const;
    // Asks for the daily base name; false when cancelled.
    bool ChooseBaseName();
    // Messages of a run go to the list (and standard error) while it runs,
    // and one box sums them up at its end.
    void BeginRunMessages();
    void EndRunMessages(const QString& what);

    GuiReporter& reporter_;
    DialogHooks& hooks_;
    Worker& worker_;
    TISFForm* isfForm_ = nullptr;
    TMergeForm* mergeForm_ = nullptr;
    TUtilitiesForm* utilitiesForm_ = nullptr;
    TBESFForm* esfForm_ = nullptr;
    TDevFileForm* folderForm_ = nullptr;
    TRawFileForm* rawForm_ = nullptr;

    int mode_ = 0;
    bool firstTick_ = true;
    int terminateCounter_ = kTerminationSeconds;
    QString startupDir_;
    QString archiveName_;
    QString baseName_;
    bool debug_ = false;
    bool showHeaders_ = false;
    bool extractArmed_ = true;  // Extract is enabled when no run is under way
    bool exitApproved_ = false;
    std::shared_ptr<rix::Context> runContext_;  // the extraction under way
    std::shared_ptr<std::atomic<bool>> cruiseStop_;  // the stop request of several archives' run
};

}  // namespace rixui
