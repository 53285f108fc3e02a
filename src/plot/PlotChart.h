// The chart of a quick-look plot: Qt Charts draws the axes, grid and legend;
// the traces are drawn by one layer over the plot area that reduces each to
// what the pixels can show and leaves the gaps open.
#pragma once
#include <QChart>
#include <QChartView>
#include <QGraphicsItem>
#include <QLineSeries>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

#include "PlotModel.h"

namespace rixplot {

class TraceLayer;

class PlotChart : public QChart {
    Q_OBJECT
public:
    explicit PlotChart(QGraphicsItem* parent = nullptr);
    ~PlotChart() override;

    // Shows a plot (the chart keeps its own copy).
    void SetPlot(const PlotData& plot);
    const PlotData& Plot() const { return plot_; }
    // The whole data in view again.
    void ResetView();
    // A spectrum's row.
    void ShowRow(long row);

    // The polylines last drawn for trace i, in pixels (for the tests).
    const std::vector<std::vector<QPointF>>& DrawnRuns(size_t trace) const;

private:
    void Rebuild();

    PlotData plot_;
    std::vector<QLineSeries*> anchors_;  // one empty series per trace: legend and axes
    TraceLayer* layer_ = nullptr;
};

// Writes what a chart view shows into a PNG or SVG file at the view's size
// (the file name's ending chooses). False with a message; the file is
// written under a temporary name and only appears complete.
bool SaveView(QChartView& view, const QString& path, QString& error);

// The headless drawing: the plot in a view of `size` pixels, saved as above.
bool RenderPlotFile(const PlotData& plot, const QSize& size, const QString& path, QString& error);

// The output type of a file name: "png", "svg", or empty.
QString OutputType(const QString& path);

}  // namespace rixplot
