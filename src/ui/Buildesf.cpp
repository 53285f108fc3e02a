#include "Buildesf.h"

namespace rixui {

namespace {

FileDialogSpec EsfOpen() {
    FileDialogSpec s;
    s.objectName = "OpenESFDialog";
    s.filter = "All Files (*);;Extraction Setup (*.ESF *.esf)";
    s.selectedFilter = 1;
    s.defaultSuffix = "ESF";
    s.mustExist = true;
    return s;
}

}  // namespace

TBESFForm::TBESFForm(DialogHooks& hooks, QWidget* parent)
    : SetupEditor(hooks, "BESFForm", "Extraction Setup File", EsfOpen(), parent) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

}  // namespace rixui
