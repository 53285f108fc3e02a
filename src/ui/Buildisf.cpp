#include "Buildisf.h"

namespace rixui {

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

}  // namespace

TISFForm::TISFForm(DialogHooks& hooks, QWidget* parent)
    : SetupEditor(hooks, "ISFForm", "Edit ISF File", IsfOpen(), parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

}  // namespace rixui
