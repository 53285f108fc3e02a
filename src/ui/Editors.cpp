#include "Editors.h"

#include <QLabel>
#include <QVBoxLayout>

namespace rixui {

SetupEditor::SetupEditor(DialogHooks& hooks, const QString& objectName, const QString& caption,
                         FileDialogSpec open, QWidget* parent)
    : QWidget(parent, Qt::Window), hooks_(hooks), open_(std::move(open)) {
    setObjectName(objectName);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(caption, this);
    QFont f = title->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 4);
    title->setFont(f);
    layout->addWidget(title);
    layout->addStretch();
    resize(420, 240);
}

void SetupEditor::Open1Click() {
    QString path = hooks_.chooseFile(this, open_);
    if (path.isEmpty()) return;
    if (fileLabel_) fileLabel_->setText(path);
}

namespace {

FileDialogSpec IsfOpen() {
    FileDialogSpec s;
    s.objectName = "OpenISFDialog";
    s.filter = "Instrument Setup File (*.ISF *.isf);;All Files (*)";
    s.defaultSuffix = "isf";
    s.initialName = "*.isf";
    s.mustExist = true;
    return s;
}

FileDialogSpec EsfOpen() {
    FileDialogSpec s;
    s.objectName = "OpenESFDialog";
    s.filter = "All Files (*);;Extraction Setup (*.ESF *.esf)";
    s.selectedFilter = 1;
    s.defaultSuffix = "ESF";
    s.mustExist = true;
    return s;
}

FileDialogSpec MsfOpen() {
    FileDialogSpec s;
    s.objectName = "OpenMergeDialog";
    s.filter = "Merge Setup Files (*.msf *.MSF);;All Files (*)";
    s.defaultSuffix = "msf";
    s.initialName = "*.msf";
    s.mustExist = true;
    return s;
}

}  // namespace

TISFForm::TISFForm(DialogHooks& hooks, QWidget* parent)
    : SetupEditor(hooks, "ISFForm", "Edit ISF File", IsfOpen(), parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

TBESFForm::TBESFForm(DialogHooks& hooks, QWidget* parent)
    : SetupEditor(hooks, "BESFForm", "Extraction Setup File", EsfOpen(), parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

TMergeForm::TMergeForm(DialogHooks& hooks, QWidget* parent)
    : SetupEditor(hooks, "MergeForm", "Build Merge File", MsfOpen(), parent) {}

}  // namespace rixui
