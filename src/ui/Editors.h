// The three setup editors as the main window needs them now: windows with
// their captions and an Open action that sets the main window's label. Their
// editing controls come with the editors themselves.
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

class TISFForm : public SetupEditor {
    Q_OBJECT
public:
    explicit TISFForm(DialogHooks& hooks, QWidget* parent = nullptr);
};

class TBESFForm : public SetupEditor {
    Q_OBJECT
public:
    explicit TBESFForm(DialogHooks& hooks, QWidget* parent = nullptr);
    // The plain-language summary of the setup, refreshed before showing.
    void RefreshSummary() {}
};

class TMergeForm : public SetupEditor {
    Q_OBJECT
public:
    explicit TMergeForm(DialogHooks& hooks, QWidget* parent = nullptr);
};

}  // namespace rixui
