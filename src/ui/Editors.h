// What the three setup editors share: a window with its caption and an Open
// action that puts the chosen file into the main window's label.
#pragma once
#include <QPointer>
#include <QWidget>

#include "Hooks.h"

#include <QLabel>

namespace rixui {

// Shared part of the three editors.
class SetupEditor : public QWidget {
    Q_OBJECT
public:
    SetupEditor(DialogHooks& hooks, const QString& objectName, const QString& caption,
                FileDialogSpec open, QWidget* parent = nullptr);
    // The main-window label that shows this editor's file.
    void SetFileLabel(QLabel* label) { fileLabel_ = label; }
    // Open: choose a setup file; on OK its path goes into the label.
    void Open1Click();
    const FileDialogSpec& OpenDialog() const { return open_; }

protected:
    DialogHooks& hooks_;
    FileDialogSpec open_;
    QPointer<QLabel> fileLabel_;
};

}  // namespace rixui
