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

protected:
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
