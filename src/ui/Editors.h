// What the three setup editors share: a window with its caption, the
// reporter for its messages, the main-window label that shows its file, and
// an Open action that the main window can run.
#pragma once
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <cstdio>
#include <string>

#include "Hooks.h"
#include "report/Reporter.h"

namespace rixui {

class SetupEditor : public QWidget {
    Q_OBJECT
public:
    SetupEditor(rix::Reporter& reporter, DialogHooks& hooks, const QString& objectName,
                const QString& caption, QWidget* parent = nullptr);
    // The main-window label that shows this editor's file.
    void SetFileLabel(QLabel* label) { fileLabel_ = label; }
    QLabel* MainFileLabel() const { return fileLabel_; }
    // The editor's Open action (the main window's "Select ..." items run it).
    virtual void Open1Click() = 0;
    // Reads a file into the editor and names it there and in the main
    // window, as Open does after its dialog; false when it cannot be read.
    virtual bool OpenFile(const QString& path) = 0;
    // The file the editor shows, or an empty text for a new setup.
    virtual QString CurrentFile() const = 0;
    // Closes the window the way its Exit or Close item does.
    virtual void ExitClick() = 0;
    // Shows the window on the file the main window names: that file is read
    // unless the editor already shows it (keeping what was edited there), or
    // it does not exist, or the editor holds changes that are not saved.
    void ShowOnMainFile();

protected:
    virtual bool HoldsUnsavedChanges() const { return false; }
    // Save: writes back to the file the editor shows, after asking before
    // replacing it; a new setup goes through Save As. True when a file was named.
    bool AskToReplace(const QString& path);
    // Opens a setup file for writing ("wb"); on failure the box
    // "<purpose> File Error" / "Unable to open <path>" and nullptr.
    std::FILE* OpenForWriting(const QString& path, const char* purpose);
    // Closes it; a failed write shows "<purpose> File Error" / "Unable to write <path>".
    bool FinishWriting(std::FILE* file, const QString& path, const char* purpose);
    // Puts the path into the main window's label too.
    void ShowFileName(QLabel* own, const QString& path);

    rix::Reporter& reporter_;
    DialogHooks& hooks_;
    QPointer<QLabel> fileLabel_;
};

inline std::string ToStd(const QString& s) { return s.toStdString(); }
inline QString FromStd(const std::string& s) { return QString::fromStdString(s); }

}  // namespace rixui
