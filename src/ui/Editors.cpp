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

}  // namespace rixui
