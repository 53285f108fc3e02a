#include "Buildmerge.h"

namespace rixui {

namespace {

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

TMergeForm::TMergeForm(DialogHooks& hooks, QWidget* parent)
    : SetupEditor(hooks, "MergeForm", "Build Merge File", MsfOpen(), parent) {}

}  // namespace rixui
