// What a quick-look plot draws, worked out from an extracted file: the kind
// (time series, cast profile, a/c spectrum, GPS track), the columns, and the
// traces with their colours. NaN in a trace is a gap: no point, and no line
// across it.
#pragma once
#include <QColor>
#include <QPointF>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "inspect/ExtractedFile.h"

namespace rixplot {

enum class PlotKind { kSeries, kProfile, kSpectrum, kTrack };

bool ParseKind(const std::string& text, PlotKind& kind);
const char* KindName(PlotKind kind);

struct PlotRequest {
    std::optional<PlotKind> kind;  // none: the file's own default
    std::string x;                 // the column drawn against (empty: default)
    std::vector<std::string> y;    // the columns drawn (empty: default)
    long row = 0;                  // spectrum row from 1 (0: the middle row)
};

struct Trace {
    QString name;
    QColor color;
    int axis = 0;  // 0 the first value axis, 1 a second one on the other side
    std::vector<double> x, y;
};

struct PlotData {
    PlotKind kind = PlotKind::kSeries;
    QString title;  // the file's name
    QString xTitle, yTitle, secondTitle;
    bool xIsDate = false;    // x in ms since 1970-01-01T00:00:00Z
    bool yReversed = false;  // pressure and depth grow downward
    bool secondAxis = false;  // the traces of axis 1 have their own value axis
    std::vector<Trace> traces;
    QString xColumn;                   // the column drawn against, as the file titles it
    std::vector<QString> yColumns;     // the columns drawn

    // The spectrum's row and every row's values, for the row slider.
    long row = 0, rows = 0;
    std::vector<rix::SpectrumColumn> spectrum;
    std::vector<std::vector<double>> spectrumValues;
};

// Works out the plot of a file: false with a message (an unknown column
// lists the file's titles).
bool BuildPlot(const rix::ExtractedLayout& layout, const PlotRequest& request, PlotData& plot, std::string& error);

// Redraws a spectrum for another row (1 to rows).
void SetSpectrumRow(PlotData& plot, long row);

// The kind a file gets when none is asked for.
PlotKind DefaultKind(const rix::ExtractedLayout& layout);

// Direction of travel of each row of a cast, from its pressures: true going
// down. The cast turns where the pressure has moved back by more than
// `turn` from its extreme since the last turn; gaps take the direction of
// the row before them.
std::vector<bool> CastDirections(const std::vector<double>& pressure, double turn = 1.0);

// Opens a gap in a trace where its time stamps jump forward by more than ten
// times their usual (median) step: rows that were never recorded are no
// line either. `stamps` run with the trace's rows.
void BreakTimeGaps(const std::vector<double>& stamps, Trace& trace);

// Reduces points (pixel coordinates) to what a screen can show: each run of
// consecutive points that fall in one pixel column (one pixel row when
// `vertical`) keeps its first and last point and its extremes across, in
// their order. NaN ends a run of lines. Returns the polylines to draw.
std::vector<std::vector<QPointF>> Decimate(const std::vector<QPointF>& points, bool vertical);

}  // namespace rixplot
