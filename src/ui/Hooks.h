// The dialogs a window asks the user through. Every call goes through a
// replaceable hook so that tests can answer in place of a person.
#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QFileDialog;
class QWidget;

namespace rixui {

// One file dialog's settings.
struct FileDialogOptions {
    QString objectName;  // "OpenArchiveDialog", "SaveSetupDialog", ...
    QString title;
    QString filter;  // Qt form: "Desc (pat pat);;Desc (pat)"
    int selectedFilter = 0;
    QString defaultSuffix;  // without the dot
    QString initialName;
    bool save = false;
    bool mustExist = false;  // open dialogs: the file must exist
    bool confirmOverwrite = false;
    bool readOnly = false;
    bool multiple = false;  // open dialogs: several existing files
};

struct DialogHooks {
    // The chosen path, or an empty text when cancelled.
    std::function<QString(QWidget* parent, const FileDialogOptions& options)> chooseFile;
    // The chosen paths (options.multiple), or none when cancelled.
    std::function<QStringList(QWidget* parent, const FileDialogOptions& options)> chooseFiles;
    // Yes (true) or No.
    std::function<bool(QWidget* parent, const QString& title, const QString& text)> askYesNo;
    // Yes, No or Cancel: 1, 0 or -1.
    std::function<int(QWidget* parent, const QString& title, const QString& text)> askYesNoCancel;
    // A modal message box with an OK button; returns when it is closed.
    std::function<void(QWidget* parent, const QString& title, const QString& text)> showBox;
    // A message box shown without waiting; done() runs when it is closed.
    std::function<void(QWidget* parent, const QString& title, const QString& text,
                       std::function<void()> done)>
        showBoxNoWait;
    // Ends the program.
    std::function<void()> quit;

    // The toolkit's dialogs.
    static DialogHooks Defaults();
};

QString RunFileDialog(QWidget* parent, const FileDialogOptions& options);
QStringList RunFilesDialog(QWidget* parent, const FileDialogOptions& options);
// Gives a file dialog its settings (RunFileDialog's dialog, without running it).
void SetUpFileDialog(QFileDialog& dialog, const FileDialogOptions& options);

}  // namespace rixui
