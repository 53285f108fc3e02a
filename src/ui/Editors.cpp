#include "Editors.h"

#include <QFileInfo>

#include "Widgets.h"

namespace rixui {

SetupEditor::SetupEditor(rix::Reporter& reporter, DialogHooks& hooks, const QString& objectName,
                         const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Window), reporter_(reporter), hooks_(hooks) {
    setObjectName(objectName);
    setWindowTitle(caption);
    BindWindowKeys(this, [this] { ExitClick(); });
}

void SetupEditor::ShowOnMainFile() {
    const QString path = fileLabel_ ? fileLabel_->text() : QString();
    if (!path.isEmpty() && QFileInfo(path).isFile() && path != CurrentFile() &&
        !HoldsUnsavedChanges())
        OpenFile(path);
    show();
    raise();
    activateWindow();
}

bool SetupEditor::AskToReplace(const QString& path) {
    return hooks_.askYesNo(this, windowTitle(),
                           QString("%1 already exists.\nDo you want to replace it?").arg(path));
}

std::FILE* SetupEditor::OpenForWriting(const QString& path, const char* purpose) {
    std::FILE* f = std::fopen(ToStd(path).c_str(), "wb");
    if (!f)
        reporter_.ShowError(rix::Format("%s File Error", purpose),
                            rix::Format("Unable to open %s", ToStd(path).c_str()));
    return f;
}

bool SetupEditor::FinishWriting(std::FILE* file, const QString& path, const char* purpose) {
    bool failed = std::ferror(file) != 0;
    failed = std::fclose(file) != 0 || failed;
    if (failed)
        reporter_.ShowError(rix::Format("%s File Error", purpose),
                            rix::Format("Unable to write %s", ToStd(path).c_str()));
    return !failed;
}

void SetupEditor::ShowFileName(QLabel* own, const QString& path) {
    if (own) own->setText(path);
    if (fileLabel_) fileLabel_->setText(path);
}

}  // namespace rixui
