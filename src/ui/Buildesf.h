// The extraction setup editor: the options of an extraction run as
// check-mark menus, with a plain-language summary. It owns its record; an
// extraction reads the file named in the main window.
#pragma once
#include <vector>

#include "Editors.h"
#include "setup/Esf.h"

class QAction;
class QMenu;
class QSpinBox;

namespace rixui {

class TBESFForm : public SetupEditor {
    Q_OBJECT
public:
    // One check-mark item and the field value it stands for.
    struct Item {
        QAction* action;
        int value;
    };
    using Group = std::vector<Item>;

    TBESFForm(rix::Reporter& reporter, DialogHooks& hooks, QWidget* parent = nullptr);

    void Open1Click() override { OpenESFClick(); }
    bool OpenFile(const QString& path) override;
    QString CurrentFile() const override;
    void ExitClick() override { ExitESFClick(); }

    void NewESFClick();
    void OpenESFClick();
    void Save1Click();
    void SaveESFClick();
    void ExitESFClick();
    void KXArchiveClick(QAction* item);
    void RawDataClick(QAction* item);
    void NoDepthCorrectionsClick(QAction* item);
    void IndividualFilesClick(QAction* item);
    void MuxID0Click(QAction* item);
    void RIXTSMilliSecondsClick(QAction* item);
    void UDDandTIDClick();  // UDDandTID and UDCTDID
    void UDTimeOffsetClick();
    void UDTimeIncClick();
    void JulianDateHelp1Click();

    // The menus and spinners from a record, and a record from them.
    void SetFromRecord(const rix::ExtractionSetup& setup);
    rix::ExtractionSetup CollectRecord() const;
    // The plain-language summary of what the menus show.
    void RefreshSummary();
    bool Changed() const { return changed_; }
    const rix::ExtractionSetup& Record() const { return record_; }

    QAction* NewESF;
    QAction* OpenESF;
    QAction* Save1;
    QAction* SaveESF;
    QAction* ExitESF;
    QAction* KXArchive;
    QAction* MicroProfiler;
    QAction* IOPFile;
    QAction* MOPAKFile;
    QAction* RawFile;
    QAction* RawData;
    QAction* EngrUnits;
    QMenu* DepthMenu;
    QAction* NoDepthCorrections;
    QAction* DepthFromCTD;
    QAction* IndividualFiles;
    QAction* MergedFiles;
    QAction* TimeSeriesFile;
    QAction* MuxID0;
    QAction* MuxID1;
    QAction* MuxID2;
    QAction* MuxID3;
    QAction* MuxID4;
    QMenu* ElapsedTime;
    QAction* RIXTSMSFile;
    QAction* RIXTSMSPower;
    QAction* RIXTSSecFile;
    QAction* RIXTSSecPower;
    QMenu* DKDC1;
    QAction* RIXTSJDay;
    QAction* RIXTSYearJDay;
    QAction* RIXTSYearPlusJDay;
    QAction* RIXTSIsoUtc;
    QAction* RIXTSRawMeter;
    QAction* JulianDateHelp1;

    QSpinBox* UDCTDID;
    QSpinBox* UDDandTID;
    QSpinBox* UDTimeOffset;
    QSpinBox* UDTimeInc;
    QLabel* LBCTDID;
    QLabel* LBRIXDandTID;
    QLabel* LBTimeOffset;
    QLabel* LBTimeInc;
    QLabel* LBESF;
    QLabel* LBInput;
    QLabel* LBDataOutput;
    QLabel* LBDepth;
    QLabel* LBOutput;
    QLabel* LBClockSource;
    QLabel* LBRIXTimeFormat;

    FileDialogOptions OpenESFDialog;
    FileDialogOptions SaveESFDialog;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool HoldsUnsavedChanges() const override { return changed_; }

private:
    bool WriteTo(const QString& path);
    // Asks about unsaved changes; false when the window stays open.
    bool MayClose();
    bool JulianChecked() const;

    Group input_, dataOutput_, depth_, outputFiles_, clock_, timeStamp_;
    rix::ExtractionSetup record_;
    bool changed_ = false;
    bool setting_ = false;  // spinners being set from a record
};

}  // namespace rixui
