// The instrument setup editor: one logger's nine channels at a time, read
// from and written to instrument setup files. It owns its channel table; an
// extraction reads the file named in the main window, not this table.
#pragma once
#include <array>

#include "Editors.h"
#include "setup/Isf.h"

class QAction;
class QComboBox;
class QLineEdit;
class QTabBar;

namespace rixui {

class TISFForm : public SetupEditor {
    Q_OBJECT
public:
    static constexpr int kRows = 9;

    TISFForm(rix::Reporter& reporter, DialogHooks& hooks, QWidget* parent = nullptr);

    void Open1Click() override { OpenISFClick(); }
    bool OpenFile(const QString& path) override;
    QString CurrentFile() const override;
    void ExitClick() override { ExitISFClick(); }

    void NewISFClick();
    void OpenISFClick();
    void Save1Click();
    void SaveAsISFClick();
    void ExitISFClick();
    void ClearMux1Click(int logger);  // logger 1..4
    void TCChannelsChange();
    void CBType1Change(int row);  // rows 1..9
    void DeviceFile1Change(int row);
    void MELag1Change(int row);
    void MEHad1Change(int row);

    const rix::ChannelTable& Table() const { return table_; }
    // Row r (1..9) of the tab showing is this channel.
    int ChannelOf(int row) const;

    QLabel* LBISFFile;
    QTabBar* TCChannels;
    std::array<QLabel*, kRows> LBID;
    std::array<QComboBox*, kRows> CBType;
    std::array<QLineEdit*, kRows> MELag;
    std::array<QLineEdit*, kRows> MEHad;
    std::array<QLineEdit*, kRows> DeviceFile;

    QAction* NewISF;
    QAction* OpenISF;
    QAction* Save1;
    QAction* SaveAsISF;
    QAction* ExitISF;
    std::array<QAction*, 4> ClearMux;

    FileDialogOptions OpenISFDialog;
    FileDialogOptions SaveISFDialog;

private:
    void ResetRow(int row);
    void ResetRows();
    void WriteTo(const QString& path);

    rix::ChannelTable table_{};
    bool showing_ = false;  // controls being set from the table: no edits
};

}  // namespace rixui
