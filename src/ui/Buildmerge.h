// The merge setup editor: the cast direction and the 20 merge pairs, one
// pair at a time. It owns its merge setup; a merge reads the file named in
// the main window.
#pragma once
#include <array>

#include "Editors.h"
#include "setup/Msf.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace rixui {

class TMergeForm : public SetupEditor {
    Q_OBJECT
public:
    TMergeForm(rix::Reporter& reporter, DialogHooks& hooks, QWidget* parent = nullptr);

    void Open1Click() override { OpenMergeClick(); }
    bool OpenFile(const QString& path) override;
    QString CurrentFile() const override;
    void ExitClick() override { ExitMergeClick(); }
    void Save1Click();

    void RGMergePairsClick();  // show the selected pair
    void RGDoMergeClick();
    void New1Click();
    void OpenMergeClick();
    void SaveAs1Click();
    void ExitMergeClick();
    void BTLoadMergeClick() { OpenMergeClick(); }
    void BTStoreMergeClick() { SaveAs1Click(); }
    void BTClearMergeClick() { New1Click(); }
    void RBBaseChannelClick();
    void RBBasePairClick();
    void RBBaseFileClick();
    void RBMergeChannelClick();
    void RBMergePairClick();
    void RBMergeFileClick();
    void UDBaseChannelClick();
    void UDMergeChannelClick();
    void UDBaseHdrsClick();
    void UDMergeHdrsClick();
    void UDBaseColClick();
    void UDMergeColClick();
    void UDBaseOffsetClick();
    void UDMergeOffsetClick();
    void CBBaseUnitsChange();
    void CBMergeUnitsChange();
    void CBBaseTypeChange();
    void BCalTempEditChange();
    void BCalSalEditChange();
    void BaseFileNameChange();
    void MergeFileNameChange();
    void EDCondChange();  // every column reference field
    void MergeOrderChange();
    void RGCastDirectionClick();

    // Copies the controls into the selected pair.
    void StorePair();
    void WriteTo(const QString& path);
    const rix::MergeSetup& Setup() const { return setup_; }
    // The selected pair index 0..19, or -1.
    int SelectedPair() const;
    void SelectPair(int index);

    QLabel* LBMergeFile;
    QGroupBox* RGMergePairs;
    QButtonGroup* MergePairButtons;
    QGroupBox* GBPairs;
    QGroupBox* RGDoMerge;
    QButtonGroup* DoMergeButtons;
    QLabel* Label10;
    QLineEdit* MergeOrder;

    QGroupBox* GBBaseFile;
    QRadioButton* RBBaseChannel;
    QRadioButton* RBBasePair;
    QRadioButton* RBBaseFile;
    QSpinBox* UDBaseChannel;
    QSpinBox* UDBasePair;
    QLineEdit* BaseFileName;
    QSpinBox* UDBaseHdrs;
    QLabel* LBBaseHdrs;
    QSpinBox* UDBaseCol;
    QLabel* LBBaseCol;
    QComboBox* CBBHdrUse;
    QComboBox* CBBaseType;
    QComboBox* CBBaseUnits;
    QSpinBox* UDBaseOffset;
    QLabel* LBBaseOffset;
    QLineEdit* BCalTempEdit;
    QLineEdit* BCalSalEdit;

    QGroupBox* GBMergeFile;
    QRadioButton* RBMergeChannel;
    QRadioButton* RBMergePair;
    QRadioButton* RBMergeFile;
    QSpinBox* UDMergeChannel;
    QSpinBox* UDMergePair;
    QLineEdit* MergeFileName;
    QSpinBox* UDMergeHdrs;
    QLabel* LBMergeHdrs;
    QSpinBox* UDMergeCol;
    QLabel* LBMergeCol;
    QComboBox* CBMHdrUse;
    QComboBox* CBMergeType;
    QComboBox* CBMergeUnits;
    QSpinBox* UDMergeOffset;
    QLabel* LBMergeOffset;

    QGroupBox* GBacCorrections;
    QCheckBox* TempCorrectionCB;
    QCheckBox* SalinityCorrectionCB;
    QCheckBox* ScatterCorrectionCB;
    QCheckBox* CleanH2OCB;
    QComboBox* CBScatter;
    QLineEdit* TCorFileName;
    QLineEdit* SCorFileName;
    QLineEdit* CH2OFileName;
    QSpinBox* UDabsorbWL;
    QLabel* LBabsorbWL;

    QTabWidget* MiscPageControl;
    QLineEdit* EDCond;
    QLineEdit* EDTemp;
    QLineEdit* EDSal;
    QLineEdit* EDPres;
    QLineEdit* MEPoffset;
    std::array<QLineEdit*, 8> EDV;
    std::array<QLineEdit*, 8> VDev;
    QLineEdit* EDOxCur;
    QLineEdit* EDOxTemp;
    QLineEdit* OxFileName;

    QGroupBox* RGFormat;
    QButtonGroup* FormatButtons;
    QGroupBox* RGCastDirection;
    QRadioButton* DownCast;
    QRadioButton* UpCast;

    QAction* New1;
    QAction* OpenMerge;
    QAction* Save1;
    QAction* SaveAs1;
    QAction* ExitMerge;

    FileDialogOptions OpenMergeDialog;
    FileDialogOptions SaveMergeDialog;

private:
    struct SideControls {
        QRadioButton* channel;
        QRadioButton* pair;
        QRadioButton* file;
        QSpinBox* channelSpin;
        QSpinBox* pairSpin;
        QLineEdit* fileName;
        QSpinBox* hdrs;
        QLabel* hdrsLabel;
        QSpinBox* col;
        QLabel* colLabel;
        QComboBox* hdrUse;
        QComboBox* type;
        QComboBox* units;
        QSpinBox* offset;
        QLabel* offsetLabel;
    };
    void BuildSide(QGroupBox* box, SideControls& c, bool base);
    void ShowSide(const rix::MergeSide& side, SideControls& c, bool base);
    void CollectSide(rix::MergeSide& side, const SideControls& c) const;
    void SourceClick(SideControls& c, int kind);
    // The pair the controls describe, starting from `start` for what they do not hold.
    rix::MergePair Collect(const rix::MergePair& start) const;
    void ShowModeGroups(int mode);
    void ShowCastDirection(int direction);

    rix::MergeSetup setup_;
    SideControls base_{}, merge_{};
    // The pair as shown, and what the controls gave right after showing it:
    // a field whose control still gives that value keeps the shown value.
    rix::MergePair shown_, shownControls_;
    bool showing_ = false;
};

}  // namespace rixui
