// The folder dialog: a drive list of the mounted volumes and a directory tree
// of its own. The chosen folder reaches the main window only on Done.
#pragma once
#include <QPointer>
#include <QWidget>

class QComboBox;
class QFileSystemModel;
#include <QLabel>
class QPushButton;
class QTreeView;

namespace rixui {

class TDevFileForm : public QWidget {
    Q_OBJECT
public:
    enum Which { kDeviceFolder, kOutputFolder };

    explicit TDevFileForm(QWidget* parent = nullptr);
    // The main-window labels that Done writes into.
    void SetTargets(QLabel* deviceFolder, QLabel* outputFolder);
    // Sets the caption label and which folder is chosen, starts at current
    // (when it is a folder) and shows the dialog.
    void Choose(Which which, const QString& caption, const QString& current);
    // Points the tree at a folder, as a click in it would.
    void SelectFolder(const QString& path);

    void DriveComboBox1Change();
    void DirectoryListBox1Change();
    void DoneClick();

    QLabel* Label2;
    QLabel* LBWhichFileFolder;
    QComboBox* DriveComboBox1;
    QTreeView* DirectoryListBox1;
    QPushButton* Done;

private:
    QFileSystemModel* model_;
    Which which_ = kDeviceFolder;
    QPointer<QLabel> deviceLabel_;
    QPointer<QLabel> outputLabel_;
};

}  // namespace rixui
