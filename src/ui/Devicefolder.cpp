#include "Devicefolder.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "Widgets.h"

namespace rixui {

TDevFileForm::TDevFileForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("DevFileForm");
    setWindowTitle("Select Device File Folder");
    setWindowFlag(Qt::WindowStaysOnTopHint);

    Label2 = new QLabel("Device File Folder:", this);
    Label2->setObjectName("Label2");
    LBWhichFileFolder = new ElidedLabel(QString(), this);
    LBWhichFileFolder->setObjectName("LBWhichFileFolder");
    LBWhichFileFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName("DriveComboBox1");
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    if (!roots.contains(QDir::rootPath())) roots.prepend(QDir::rootPath());
    roots.sort();
    DriveComboBox1->addItems(roots);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(DriveComboBox1->currentText());
    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName("DirectoryListBox1");
    DirectoryListBox1->setModel(model_);
    DirectoryListBox1->setRootIndex(model_->index(DriveComboBox1->currentText()));
    for (int column = 1; column < model_->columnCount(); ++column)
        DirectoryListBox1->hideColumn(column);
    DirectoryListBox1->header()->hide();
    Done = new QPushButton("&Done", this);
    Done->setObjectName("Done");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label2);
    layout->addWidget(LBWhichFileFolder);
    layout->addWidget(DriveComboBox1);
    layout->addWidget(DirectoryListBox1, 1);
    layout->addWidget(Done);
    resize(420, 460);

    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this,
            [this](int) { DriveComboBox1Change(); });
    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex&, const QModelIndex&) { DirectoryListBox1Change(); });
    connect(Done, &QPushButton::clicked, this, [this] { DoneClick(); });
    Done->setDefault(true);
    // Escape leaves the labels as they were; Enter is Done.
    BindWindowKeys(this, [this] { close(); }, [this] { DoneClick(); });
}

void TDevFileForm::SetTargets(QLabel* deviceFolder, QLabel* outputFolder) {
    deviceLabel_ = deviceFolder;
    outputLabel_ = outputFolder;
}

void TDevFileForm::Choose(Which which, const QString& caption, const QString& current) {
    which_ = which;
    Label2->setText(caption);
    QFileInfo info(current);
    SelectFolder(info.isDir() ? info.absoluteFilePath() : QDir::currentPath());
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
    show();
    raise();
}

void TDevFileForm::SelectFolder(const QString& path) {
    QString clean = QDir::cleanPath(path);
    // The drive is the longest volume root that holds the folder.
    int best = 0, bestLength = -1;
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        QString root = DriveComboBox1->itemText(i);
        QString prefix = root.endsWith('/') ? root : root + "/";
        if ((clean == root || clean.startsWith(prefix)) && root.size() > bestLength) {
            best = i;
            bestLength = static_cast<int>(root.size());
        }
    }
    {
        QSignalBlocker block(DriveComboBox1);
        DriveComboBox1->setCurrentIndex(best);
    }
    DriveComboBox1Change();
    QModelIndex index = model_->index(clean);
    if (index.isValid()) {
        DirectoryListBox1->setCurrentIndex(index);
        DirectoryListBox1->scrollTo(index);
    }
    LBWhichFileFolder->setText(clean);
}

void TDevFileForm::DriveComboBox1Change() {
    QString root = DriveComboBox1->currentText();
    model_->setRootPath(root);
    DirectoryListBox1->setRootIndex(model_->index(root));
    LBWhichFileFolder->setText(root);
}

void TDevFileForm::DirectoryListBox1Change() {
    QModelIndex index = DirectoryListBox1->currentIndex();
    if (index.isValid()) LBWhichFileFolder->setText(model_->filePath(index));
}

void TDevFileForm::DoneClick() {
    QLabel* target = which_ == kDeviceFolder ? deviceLabel_.data() : outputLabel_.data();
    if (target) target->setText(LBWhichFileFolder->text());
    hide();
}

}  // namespace rixui
