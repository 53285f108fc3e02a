#include "PlotChart.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileInfo>
#include <QImage>
#include <QLegend>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace rixplot {

namespace {

struct Range {
    double low = 0, high = 1;
};

// The extent of values with a margin; a single value gets some room.
Range RangeOf(const std::vector<const std::vector<double>*>& columns, double margin) {
    double lo = INFINITY, hi = -INFINITY;
    for (const std::vector<double>* c : columns)
        for (double v : *c)
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
    if (!(lo <= hi)) return {0, 1};
    double pad = (hi - lo) * margin;
    if (hi == lo) pad = std::max(std::fabs(lo) * 0.01, 0.5);
    return {lo - pad, hi + pad};
}

Range AxisRange(const QAbstractAxis* axis) {
    if (auto* v = qobject_cast<const QValueAxis*>(axis)) return {v->min(), v->max()};
    if (auto* d = qobject_cast<const QDateTimeAxis*>(axis))
        return {static_cast<double>(d->min().toMSecsSinceEpoch()), static_cast<double>(d->max().toMSecsSinceEpoch())};
    return {};
}

// Value axes get round ticks; a time axis keeps the data's own span.
void SetAxisRange(QAbstractAxis* axis, const Range& r, bool nice = true) {
    if (auto* v = qobject_cast<QValueAxis*>(axis)) {
        v->setRange(r.low, r.high);
        if (nice) v->applyNiceNumbers();
    } else if (auto* d = qobject_cast<QDateTimeAxis*>(axis)) {
        d->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(r.low), Qt::UTC),
                    QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::ceil(r.high)), Qt::UTC));
    }
}

QAbstractAxis* AxisOf(QAbstractSeries* series, Qt::Orientation orientation) {
    for (QAbstractAxis* a : series->attachedAxes())
        if (a->orientation() == orientation) return a;
    return nullptr;
}

}  // namespace

// Draws every trace of the chart over its plot area, clipped to it.
class TraceLayer : public QGraphicsItem {
public:
    explicit TraceLayer(PlotChart* chart) : QGraphicsItem(chart), chart_(chart) { setZValue(8); }

    QRectF boundingRect() const override { return chart_->plotArea(); }

    void Refresh() {
        prepareGeometryChange();
        update();
    }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        const PlotData& plot = chart_->Plot();
        drawn.assign(plot.traces.size(), {});
        painter->save();
        painter->setClipRect(chart_->plotArea());
        painter->setRenderHint(QPainter::Antialiasing);
        const bool vertical = plot.kind == PlotKind::kProfile;
        for (size_t i = 0; i < plot.traces.size() && i < anchors.size(); ++i) {
            const Trace& t = plot.traces[i];
            QAbstractAxis* ax = AxisOf(anchors[i], Qt::Horizontal);
            QAbstractAxis* ay = AxisOf(anchors[i], Qt::Vertical);
            if (!ax || !ay) continue;
            const Range rx = AxisRange(ax), ry = AxisRange(ay);
            if (!(rx.high > rx.low) || !(ry.high > ry.low)) continue;
            // The axes are linear: two corners give the whole mapping.
            const QPointF a = chart_->mapToPosition(QPointF(rx.low, ry.low), anchors[i]);
            const QPointF b = chart_->mapToPosition(QPointF(rx.high, ry.high), anchors[i]);
            const double sx = (b.x() - a.x()) / (rx.high - rx.low);
            const double sy = (b.y() - a.y()) / (ry.high - ry.low);
            std::vector<QPointF> points(t.x.size());
            for (size_t r = 0; r < t.x.size(); ++r)
                points[r] = QPointF(a.x() + (t.x[r] - rx.low) * sx, a.y() + (t.y[r] - ry.low) * sy);
            drawn[i] = Decimate(points, vertical);
            QPainterPath path;
            for (const std::vector<QPointF>& run : drawn[i]) {
                if (run.size() == 1) {
                    path.addEllipse(run[0], 1.5, 1.5);  // a value between two gaps
                    continue;
                }
                path.moveTo(run[0]);
                for (size_t k = 1; k < run.size(); ++k) path.lineTo(run[k]);
            }
            painter->setPen(QPen(t.color, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter->setBrush(Qt::NoBrush);
            painter->drawPath(path);
        }
        painter->restore();
    }

    std::vector<QLineSeries*> anchors;
    std::vector<std::vector<std::vector<QPointF>>> drawn;

private:
    PlotChart* chart_;
};

PlotChart::PlotChart(QGraphicsItem* parent) : QChart(parent) {
    layer_ = new TraceLayer(this);
    legend()->setAlignment(Qt::AlignBottom);
    connect(this, &QChart::plotAreaChanged, this, [this] { layer_->Refresh(); });
}

PlotChart::~PlotChart() = default;

const std::vector<std::vector<QPointF>>& PlotChart::DrawnRuns(size_t trace) const {
    static const std::vector<std::vector<QPointF>> none;
    return trace < layer_->drawn.size() ? layer_->drawn[trace] : none;
}

void PlotChart::SetPlot(const PlotData& plot) {
    plot_ = plot;
    Rebuild();
}

void PlotChart::ShowRow(long row) {
    SetSpectrumRow(plot_, row);
    setTitle(QString("%1 - row %2 of %3").arg(plot_.title).arg(plot_.row).arg(plot_.rows));
    ResetView();
}

void PlotChart::Rebuild() {
    removeAllSeries();
    anchors_.clear();
    for (QAbstractAxis* a : axes()) {
        removeAxis(a);
        delete a;
    }
    const bool profile = plot_.kind == PlotKind::kProfile;
    // Profiles: values across (bottom, and top for a second column), pressure
    // down. Everything else: x across, values up (left, and right).
    QAbstractAxis* x = nullptr;
    if (plot_.xIsDate) {
        auto* d = new QDateTimeAxis;
        d->setFormat("yyyy-MM-dd hh:mm:ss");
        d->setTickCount(5);
        x = d;
    } else {
        x = new QValueAxis;
    }
    auto* y = new QValueAxis;
    y->setReverse(plot_.yReversed);
    x->setTitleText(plot_.xTitle);
    y->setTitleText(plot_.yTitle);
    addAxis(x, Qt::AlignBottom);
    addAxis(y, Qt::AlignLeft);
    QAbstractAxis* second = nullptr;
    if (plot_.secondAxis) {
        second = new QValueAxis;
        second->setTitleText(plot_.secondTitle);
        addAxis(second, profile ? Qt::AlignTop : Qt::AlignRight);
    }
    for (const Trace& t : plot_.traces) {
        auto* s = new QLineSeries;
        s->setName(t.name);
        s->setPen(QPen(t.color, 2.0));
        addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
        if (t.axis == 1 && second) {
            s->detachAxis(profile ? x : y);
            s->attachAxis(second);
        }
        anchors_.push_back(s);
    }
    layer_->anchors = anchors_;
    for (QAbstractAxis* a : axes()) connect(a, &QAbstractAxis::visibleChanged, this, [this] { layer_->update(); });
    if (auto* v = qobject_cast<QValueAxis*>(x))
        connect(v, &QValueAxis::rangeChanged, this, [this] { layer_->update(); });
    if (auto* d = qobject_cast<QDateTimeAxis*>(x))
        connect(d, &QDateTimeAxis::rangeChanged, this, [this] { layer_->update(); });
    connect(y, &QValueAxis::rangeChanged, this, [this] { layer_->update(); });
    if (auto* v = qobject_cast<QValueAxis*>(second))
        connect(v, &QValueAxis::rangeChanged, this, [this] { layer_->update(); });
    legend()->setVisible(plot_.traces.size() > 1 || plot_.kind != PlotKind::kTrack);
    setTitle(plot_.kind == PlotKind::kSpectrum
                 ? QString("%1 - row %2 of %3").arg(plot_.title).arg(plot_.row).arg(plot_.rows)
                 : plot_.title);
    ResetView();
}

void PlotChart::ResetView() {
    if (anchors_.empty()) return;
    const bool profile = plot_.kind == PlotKind::kProfile;
    // The axis each trace's values go on, and the shared one.
    std::vector<const std::vector<double>*> shared, first, secondValues;
    for (const Trace& t : plot_.traces) {
        shared.push_back(profile ? &t.y : &t.x);
        (t.axis == 1 ? secondValues : first).push_back(profile ? &t.x : &t.y);
    }
    QLineSeries* s0 = anchors_.front();
    QAbstractAxis* sharedAxis = AxisOf(s0, profile ? Qt::Vertical : Qt::Horizontal);
    QAbstractAxis* firstAxis = AxisOf(s0, profile ? Qt::Horizontal : Qt::Vertical);
    const double margin = plot_.kind == PlotKind::kSeries && !plot_.xIsDate ? 0.0 : 0.03;
    SetAxisRange(sharedAxis, RangeOf(shared, margin), plot_.kind != PlotKind::kSeries);
    SetAxisRange(firstAxis, RangeOf(first, 0.05));
    for (size_t i = 0; i < plot_.traces.size(); ++i) {
        if (plot_.traces[i].axis != 1) continue;
        SetAxisRange(AxisOf(anchors_[i], profile ? Qt::Horizontal : Qt::Vertical), RangeOf(secondValues, 0.05));
        break;
    }
    layer_->Refresh();
}

QString OutputType(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "png" || suffix == "svg" ? suffix : QString();
}

bool SaveView(QChartView& view, const QString& path, QString& error) {
    const QString type = OutputType(path);
    if (type.isEmpty()) {
        error = QString("'%1' is neither a .png nor an .svg file").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QString("Cannot write '%1': %2").arg(path, file.errorString());
        return false;
    }
    const QSize size = view.size();
    if (type == "png") {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        view.render(&painter);
        painter.end();
        if (!image.save(&file, "PNG")) {
            file.cancelWriting();
            error = QString("Cannot write '%1'").arg(path);
            return false;
        }
    } else {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle(view.chart() ? view.chart()->title() : QString());
        QPainter painter(&generator);
        painter.setRenderHint(QPainter::Antialiasing);
        view.render(&painter);
        painter.end();
    }
    if (!file.commit()) {
        error = QString("Cannot write '%1': %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool RenderPlotFile(const PlotData& plot, const QSize& size, const QString& path, QString& error) {
    auto* chart = new PlotChart;
    chart->SetPlot(plot);
    QChartView view(chart);
    view.setFrameShape(QFrame::NoFrame);
    view.setRenderHint(QPainter::Antialiasing);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(size);
    view.show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    return SaveView(view, path, error);
}

}  // namespace rixplot
