#include "PlotWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QThread>
#include <QVBoxLayout>
#include <cstdio>

#include "Context.h"
#include "PlotChart.h"
#include "merge/Files.h"
#include "report/Reporter.h"

namespace rixplot {

namespace {

constexpr const char* kDefaultX = "(default)";

struct LoadResult {
    bool ok = false;
    std::string error;
    rix::ExtractedLayout layout;
    PlotData plot;
};

}  // namespace

PanningChartView::PanningChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setRubberBand(QChartView::RectangleRubberBand);
    setRenderHint(QPainter::Antialiasing);
    setFocusPolicy(Qt::StrongFocus);
}

void PanningChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton ||
        (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier))) {
        panning_ = true;
        last_ = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void PanningChartView::mouseMoveEvent(QMouseEvent* event) {
    if (panning_) {
        const QPoint now = event->position().toPoint();
        const QPoint d = now - last_;
        last_ = now;
        chart()->scroll(-d.x(), d.y());
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void PanningChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (panning_) {
        panning_ = false;
        unsetCursor();
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void PanningChartView::keyPressEvent(QKeyEvent* event) {
    const qreal step = 40;
    switch (event->key()) {
        case Qt::Key_Left: chart()->scroll(-step, 0); break;
        case Qt::Key_Right: chart()->scroll(step, 0); break;
        case Qt::Key_Up: chart()->scroll(0, step); break;
        case Qt::Key_Down: chart()->scroll(0, -step); break;
        case Qt::Key_Plus: chart()->zoomIn(); break;
        case Qt::Key_Minus: chart()->zoomOut(); break;
        default: QChartView::keyPressEvent(event); return;
    }
    event->accept();
}

PlotWindow::PlotWindow(rix::Reporter& reporter, PlotDialogs dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), reporter_(reporter), dialogs_(std::move(dialogs)) {
    setObjectName("PlotWindow");
    setWindowTitle("Plot");
    chart_ = new PlotChart;
    view_ = new PanningChartView(chart_, this);
    view_->setObjectName("PlotView");

    files_ = new QComboBox(this);
    files_->setObjectName("PlotFiles");
    files_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    files_->setMinimumContentsLength(24);
    open_ = new QPushButton("Open...", this);
    open_->setObjectName("PlotOpen");
    kind_ = new QComboBox(this);
    kind_->setObjectName("PlotKind");
    for (PlotKind k : {PlotKind::kSeries, PlotKind::kProfile, PlotKind::kSpectrum, PlotKind::kTrack})
        kind_->addItem(KindName(k));
    x_ = new QComboBox(this);
    x_->setObjectName("PlotX");
    y_ = new QListWidget(this);
    y_->setObjectName("PlotY");
    draw_ = new QPushButton("Draw", this);
    draw_->setObjectName("PlotDraw");
    row_ = new QSlider(Qt::Horizontal, this);
    row_->setObjectName("PlotRow");
    rowLabel_ = new QLabel("Row", this);
    reset_ = new QPushButton("Reset View", this);
    reset_->setObjectName("PlotReset");
    save_ = new QPushButton("Save as PNG/SVG...", this);
    save_->setObjectName("PlotSave");
    auto* hint = new QLabel("Drag to zoom, right-click to zoom out;\nmiddle button or Shift+drag to pan.", this);

    auto* side = new QVBoxLayout;
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(files_, 1);
    fileRow->addWidget(open_);
    side->addLayout(fileRow);
    auto* form = new QFormLayout;
    form->addRow("Kind", kind_);
    form->addRow("Against", x_);
    side->addLayout(form);
    side->addWidget(new QLabel("Columns", this));
    side->addWidget(y_, 1);
    side->addWidget(draw_);
    side->addWidget(rowLabel_);
    side->addWidget(row_);
    side->addWidget(reset_);
    side->addWidget(save_);
    side->addWidget(hint);
    auto* sideWidget = new QWidget(this);
    sideWidget->setLayout(side);
    sideWidget->setFixedWidth(260);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(sideWidget);
    layout->addWidget(view_, 1);
    resize(1200, 720);
    rowLabel_->setVisible(false);
    row_->setVisible(false);

    connect(open_, &QPushButton::clicked, this, [this] { OpenClick(); });
    connect(save_, &QPushButton::clicked, this, [this] { SaveClick(); });
    connect(reset_, &QPushButton::clicked, this, [this] { chart_->ResetView(); });
    connect(draw_, &QPushButton::clicked, this, [this] { Redraw(); });
    // Another kind starts from its own default columns.
    connect(kind_, &QComboBox::activated, this, [this] {
        PlotRequest r;
        PlotKind kind;
        if (!path_.isEmpty() && ParseKind(kind_->currentText().toStdString(), kind)) {
            r.kind = kind;
            Load(path_, r, true);
        }
    });
    connect(files_, &QComboBox::activated, this, [this] { OpenFile(files_->currentData().toString()); });
    connect(row_, &QSlider::valueChanged, this, [this](int row) {
        if (updating_) return;
        chart_->ShowRow(row);
        rowLabel_->setText(QString("Row %1 of %2").arg(row).arg(chart_->Plot().rows));
    });
}

PlotWindow::~PlotWindow() { WaitIdle(); }

void PlotWindow::WaitIdle() {
    while (thread_) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (thread_ && thread_->isFinished()) QCoreApplication::sendPostedEvents(this);
        QThread::msleep(2);
    }
    QCoreApplication::processEvents();
}

void PlotWindow::SetFiles(const QStringList& files) {
    files_->clear();
    for (const QString& f : files) files_->addItem(QFileInfo(f).fileName(), f);
}

void PlotWindow::OpenFile(const QString& path) {
    const int at = files_->findData(path);
    if (at < 0) files_->addItem(QFileInfo(path).fileName(), path);
    files_->setCurrentIndex(at < 0 ? files_->count() - 1 : at);
    Load(path, PlotRequest(), true);
}

void PlotWindow::OpenClick() {
    if (!dialogs_.chooseFile) return;
    const QString path = dialogs_.chooseFile(this);
    if (!path.isEmpty()) OpenFile(path);
}

void PlotWindow::SaveClick() {
    if (!dialogs_.chooseSave) return;
    const QString path = dialogs_.chooseSave(this);
    if (path.isEmpty()) return;
    QString error;
    if (!SaveView(*view_, path, error)) reporter_.ShowError("Plot Save Error", error.toStdString());
}

PlotRequest PlotWindow::CurrentRequest() const {
    PlotRequest r;
    PlotKind kind;
    if (ParseKind(kind_->currentText().toStdString(), kind)) r.kind = kind;
    if (x_->currentIndex() > 0) r.x = x_->currentText().toStdString();
    for (int i = 0; i < y_->count(); ++i)
        if (y_->item(i)->checkState() == Qt::Checked) r.y.push_back(y_->item(i)->text().toStdString());
    if (r.kind == PlotKind::kSpectrum) r.row = row_->value();
    return r;
}

void PlotWindow::Redraw() {
    if (path_.isEmpty()) return;
    Load(path_, CurrentRequest(), true);
}

void PlotWindow::SetBusy(bool busy) {
    for (QWidget* w : std::initializer_list<QWidget*>{files_, open_, kind_, x_, y_, draw_, row_, reset_, save_})
        w->setEnabled(!busy);
    setCursor(busy ? Qt::BusyCursor : Qt::ArrowCursor);
}

void PlotWindow::Load(const QString& path, const PlotRequest& request, bool fillControls) {
    if (thread_) return;
    auto result = std::make_shared<LoadResult>();
    const std::string file = path.toStdString();
    SetBusy(true);
    thread_ = QThread::create([result, file, request] {
        result->ok = rix::ReadExtractedLayout(file, result->layout, result->error) &&
                     BuildPlot(result->layout, request, result->plot, result->error);
    });
    QThread* thread = thread_;
    connect(thread, &QThread::finished, this, [this, thread, result, path, fillControls] {
        thread->wait();
        thread->deleteLater();
        thread_ = nullptr;
        SetBusy(false);
        if (!result->ok) {
            reporter_.ShowError("Plot Error", result->error);
            return;
        }
        path_ = path;
        layout_ = std::move(result->layout);
        chart_->SetPlot(result->plot);
        setWindowTitle("Plot - " + QFileInfo(path).fileName());
        if (fillControls) FillControls();
    });
    thread->start();
}

void PlotWindow::FillControls() {
    updating_ = true;
    const PlotData& plot = chart_->Plot();
    kind_->setCurrentText(KindName(plot.kind));
    x_->clear();
    x_->addItem(kDefaultX);
    y_->clear();
    for (const std::string& t : layout_.titles) {
        const QString title = QString::fromStdString(t);
        x_->addItem(title);
        auto* item = new QListWidgetItem(title, y_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool drawn = std::find(plot.yColumns.begin(), plot.yColumns.end(), title) != plot.yColumns.end();
        item->setCheckState(drawn ? Qt::Checked : Qt::Unchecked);
    }
    const int xAt = x_->findText(plot.xColumn);
    x_->setCurrentIndex(xAt > 0 ? xAt : 0);
    const bool spectrum = plot.kind == PlotKind::kSpectrum;
    row_->setVisible(spectrum);
    rowLabel_->setVisible(spectrum);
    if (spectrum) {
        row_->setRange(1, static_cast<int>(std::min<long>(plot.rows, 2000000000L)));
        row_->setValue(static_cast<int>(plot.row));
        rowLabel_->setText(QString("Row %1 of %2").arg(plot.row).arg(plot.rows));
    }
    updating_ = false;
}

QString PlotWindow::NewestWorkingFile(const QString& folder) {
    const QFileInfoList found =
        QDir(folder.isEmpty() ? QString(".") : folder).entryInfoList({"*_MRG.*"}, QDir::Files, QDir::Time);
    return found.isEmpty() ? QString() : found.first().filePath();
}

QStringList PlotWindow::RunFiles(const QString& workingFile) {
    QStringList files;
    std::FILE* f = std::fopen(workingFile.toLocal8Bit().constData(), "rb");
    if (!f) return files;
    rix::RecordingReporter quiet;
    rix::Context ctx(quiet);
    const int ok = rix::ReadMergeWorkingFile(ctx, f);
    std::fclose(f);
    if (!ok) return files;
    for (const rix::ChannelFileEntry& e : ctx.merge.channelFiles) {
        const QString path = QString::fromStdString(e.path).trimmed();
        if (e.id > 0 && !path.isEmpty() && QFileInfo(path).isFile()) files << path;
    }
    const QString folder = QFileInfo(workingFile).path();
    for (int pair = 1; pair <= rix::kMergePairs; ++pair) {
        const QString merged = QString::fromStdString(rix::PairOutputPath(ctx, folder.toStdString(), pair));
        if (QFileInfo(merged).isFile()) files << merged;
    }
    return files;
}

}  // namespace rixplot
