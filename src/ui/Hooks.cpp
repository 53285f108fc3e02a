#include "Hooks.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace rixui {

void SetUpFileDialog(QFileDialog& dialog, const FileDialogOptions& options) {
    dialog.setWindowTitle(options.title);
    dialog.setObjectName(options.objectName);
    QStringList filters = options.filter.split(";;", Qt::SkipEmptyParts);
    dialog.setNameFilters(filters);
    if (options.selectedFilter >= 0 && options.selectedFilter < filters.size())
        dialog.selectNameFilter(filters[options.selectedFilter]);
    dialog.setDefaultSuffix(options.defaultSuffix);
    if (options.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(options.multiple    ? QFileDialog::ExistingFiles
                           : options.mustExist ? QFileDialog::ExistingFile
                                               : QFileDialog::AnyFile);
    }
    dialog.setOption(QFileDialog::ReadOnly, options.readOnly);
    if (!options.initialName.isEmpty() && !options.initialName.contains('*'))
        dialog.selectFile(options.initialName);
}

QString RunFileDialog(QWidget* parent, const FileDialogOptions& options) {
    QFileDialog dialog(parent);
    SetUpFileDialog(dialog, options);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

QStringList RunFilesDialog(QWidget* parent, const FileDialogOptions& options) {
    QFileDialog dialog(parent);
    SetUpFileDialog(dialog, options);
    if (dialog.exec() != QDialog::Accepted) return QStringList();
    return dialog.selectedFiles();
}

DialogHooks DialogHooks::Defaults() {
    DialogHooks h;
    h.chooseFile = RunFileDialog;
    h.chooseFiles = RunFilesDialog;
    h.askYesNo = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                        parent);
        box.setTextFormat(Qt::PlainText);
        return box.exec() == QMessageBox::Yes;
    };
    h.askYesNoCancel = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Question, title, text,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
        box.setTextFormat(Qt::PlainText);
        int answer = box.exec();
        return answer == QMessageBox::Yes ? 1 : answer == QMessageBox::No ? 0 : -1;
    };
    h.showBox = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    };
    h.showBoxNoWait = [](QWidget* parent, const QString& title, const QString& text,
                         std::function<void()> done) {
        auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
        box->setTextFormat(Qt::PlainText);
        box->setModal(false);
        box->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(box, &QMessageBox::finished, box, [done](int) { done(); });
        box->show();
    };
    h.quit = [] { QApplication::quit(); };
    return h;
}

}  // namespace rixui
