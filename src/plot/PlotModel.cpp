#include "PlotModel.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace rixplot {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Milliseconds from 1970-01-01 to 2000-01-01, the ISO stamps' origin.
constexpr double kMs2000 = 946684800000.0;

const QColor kPalette[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28), QColor(0x2c, 0xa0, 0x2c),
                           QColor(0x94, 0x67, 0xbd), QColor(0xff, 0x7f, 0x0e), QColor(0x8c, 0x56, 0x4b),
                           QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf), QColor(0x7f, 0x7f, 0x7f),
                           QColor(0xbc, 0xbd, 0x22)};
constexpr size_t kPaletteSize = sizeof kPalette / sizeof kPalette[0];

QColor PaletteColor(size_t i) { return kPalette[i % kPaletteSize]; }

QString Title(const rix::ExtractedLayout& layout, int column) {
    if (column == rix::kRowNumbers) return "Row";
    if (column == rix::kStampValues) return QString::fromStdString(layout.stampTitle);
    return QString::fromStdString(layout.titles[static_cast<size_t>(column)]);
}

int TrackColumn(const rix::ExtractedLayout& layout, const char* a, const char* b) {
    int c = rix::FindExtractedColumn(layout, a);
    return c >= 0 ? c : rix::FindExtractedColumn(layout, b);
}

bool IsStampColumn(const rix::ExtractedLayout& layout, int column) {
    if (layout.stampColumn < 0) return false;
    if (column == layout.stampColumn) return true;
    return layout.stamp == rix::StampKind::kYearDay && column == layout.stampColumn - 1;
}

// The first column that holds values rather than a stamp.
int FirstValueColumn(const rix::ExtractedLayout& layout, int except = -1) {
    for (int c = 0; c < layout.Columns(); ++c)
        if (!IsStampColumn(layout, c) && c != except) return c;
    return -1;
}

bool Lookup(const rix::ExtractedLayout& layout, const std::string& name, int& column, std::string& error) {
    column = rix::FindExtractedColumn(layout, name);
    if (column >= 0) return true;
    error = "'" + layout.path + "' has no column '" + name + "'; its columns are: " + rix::TitleList(layout);
    return false;
}

bool LookupAll(const rix::ExtractedLayout& layout, const std::vector<std::string>& names, std::vector<int>& columns,
               std::string& error) {
    columns.clear();
    for (const std::string& name : names) {
        int c = -1;
        if (!Lookup(layout, name, c, error)) return false;
        columns.push_back(c);
    }
    return true;
}

bool Load(const rix::ExtractedLayout& layout, const std::vector<int>& columns, rix::ExtractedColumns& data,
          std::string& error) {
    return rix::ReadExtractedColumns(layout, columns, data, error);
}

bool AnyValue(const std::vector<double>& v) {
    return std::any_of(v.begin(), v.end(), [](double d) { return std::isfinite(d); });
}

bool BuildSeries(const rix::ExtractedLayout& layout, const PlotRequest& request, PlotData& plot, std::string& error) {
    int x = layout.stampColumn >= 0 ? rix::kStampValues : rix::kRowNumbers;
    if (!request.x.empty()) {
        if (!Lookup(layout, request.x, x, error)) return false;
        if (x == layout.stampColumn) x = rix::kStampValues;
    }
    std::vector<int> ys;
    if (!request.y.empty()) {
        if (!LookupAll(layout, request.y, ys, error)) return false;
    } else {
        const int first = FirstValueColumn(layout);
        if (first < 0) {
            error = "'" + layout.path + "' has no value column to draw";
            return false;
        }
        ys.push_back(first);
    }
    std::vector<int> columns{x};
    columns.insert(columns.end(), ys.begin(), ys.end());
    rix::ExtractedColumns data;
    if (!Load(layout, columns, data, error)) return false;
    plot.xTitle = Title(layout, x);
    plot.xIsDate = x == rix::kStampValues && layout.stamp == rix::StampKind::kIso;
    if (plot.xIsDate)
        for (double& v : data.values[0]) v += kMs2000;
    plot.secondAxis = ys.size() == 2;
    for (size_t i = 0; i < ys.size(); ++i) {
        Trace t;
        t.name = Title(layout, ys[i]);
        t.color = PaletteColor(i);
        t.axis = plot.secondAxis && i == 1 ? 1 : 0;
        t.x = data.values[0];
        t.y = std::move(data.values[i + 1]);
        if (x == rix::kStampValues) BreakTimeGaps(data.values[0], t);
        plot.traces.push_back(std::move(t));
    }
    plot.yTitle = ys.size() == 1 || plot.secondAxis ? Title(layout, ys[0]) : QString("Value");
    if (plot.secondAxis) plot.secondTitle = Title(layout, ys[1]);
    plot.xColumn = Title(layout, x);
    for (int c : ys) plot.yColumns.push_back(Title(layout, c));
    return true;
}

bool BuildProfile(const rix::ExtractedLayout& layout, const PlotRequest& request, PlotData& plot,
                  std::string& error) {
    int vertical = rix::PressureColumn(layout);
    if (vertical < 0) vertical = rix::DepthColumn(layout);
    if (!request.x.empty() && !Lookup(layout, request.x, vertical, error)) return false;
    if (vertical < 0) {
        error = "'" + layout.path + "' has no pressure or depth column to draw a profile against (--x names one)";
        return false;
    }
    std::vector<int> ys;
    if (!request.y.empty()) {
        if (!LookupAll(layout, request.y, ys, error)) return false;
    } else {
        int temperature = -1, salinity = -1;
        for (int c = 0; c < layout.Columns(); ++c) {
            const std::string& t = layout.titles[static_cast<size_t>(c)];
            if (temperature < 0 && rix::IsCtdTemperatureTitle(t)) temperature = c;
            if (salinity < 0 && rix::IsSalinityTitle(t)) salinity = c;
        }
        if (temperature >= 0) ys.push_back(temperature);
        if (salinity >= 0) ys.push_back(salinity);
        if (ys.empty()) {
            const int first = FirstValueColumn(layout, vertical);
            if (first < 0) {
                error = "'" + layout.path + "' has no value column to draw";
                return false;
            }
            ys.push_back(first);
        }
    }
    std::vector<int> columns{vertical};
    columns.insert(columns.end(), ys.begin(), ys.end());
    rix::ExtractedColumns data;
    if (!Load(layout, columns, data, error)) return false;
    const std::vector<double>& pressure = data.values[0];
    const std::vector<bool> down = CastDirections(pressure);
    plot.yTitle = Title(layout, vertical);
    plot.yReversed = true;
    plot.xColumn = Title(layout, vertical);
    for (int c : ys) plot.yColumns.push_back(Title(layout, c));
    plot.secondAxis = ys.size() == 2;
    plot.xTitle = ys.size() == 1 || plot.secondAxis ? Title(layout, ys[0]) : QString("Value");
    if (plot.secondAxis) plot.secondTitle = Title(layout, ys[1]);
    for (size_t i = 0; i < ys.size(); ++i) {
        const QColor base = PaletteColor(i);
        for (int pass = 0; pass < 2; ++pass) {
            const bool wantDown = pass == 0;
            Trace t;
            t.name = Title(layout, ys[i]) + (wantDown ? " down" : " up");
            // The up-cast in a paler shade of the down-cast's colour.
            t.color = wantDown ? base : QColor::fromHsv(base.hsvHue(), base.hsvSaturation() * 2 / 5, 235);
            t.axis = plot.secondAxis && i == 1 ? 1 : 0;
            t.x = data.values[i + 1];
            t.y = pressure;
            for (size_t r = 0; r < t.y.size(); ++r)
                if (down[r] != wantDown) t.x[r] = t.y[r] = kNaN;
            if (!wantDown && !AnyValue(t.x)) continue;  // a file that only goes down
            plot.traces.push_back(std::move(t));
        }
    }
    return true;
}

bool BuildTrack(const rix::ExtractedLayout& layout, const PlotRequest& request, PlotData& plot, std::string& error) {
    int lon = TrackColumn(layout, "Longitude", "GPS_LONG");
    int lat = TrackColumn(layout, "Latitude", "GPS_LAT");
    if (!request.x.empty() && !Lookup(layout, request.x, lon, error)) return false;
    if (request.y.size() > 1) {
        error = "a track draws one latitude column against one longitude column";
        return false;
    }
    if (!request.y.empty() && !Lookup(layout, request.y[0], lat, error)) return false;
    if (lon < 0 || lat < 0) {
        error = "'" + layout.path + "' has no Latitude and Longitude columns to draw a track; its columns are: " +
                rix::TitleList(layout);
        return false;
    }
    rix::ExtractedColumns data;
    const bool stamped = layout.stampColumn >= 0;
    std::vector<int> columns{lon, lat};
    if (stamped) columns.push_back(rix::kStampValues);
    if (!Load(layout, columns, data, error)) return false;
    Trace t;
    t.name = "Track";
    t.color = PaletteColor(0);
    // The files count longitude west-positive; a map has east to the right.
    t.x = std::move(data.values[0]);
    for (double& v : t.x) v = -v;
    t.y = std::move(data.values[1]);
    // Where the receiver gave no fixes for a while the track has a gap.
    if (stamped) BreakTimeGaps(data.values[2], t);
    plot.traces.push_back(std::move(t));
    plot.xColumn = Title(layout, lon);
    plot.yColumns.push_back(Title(layout, lat));
    plot.xTitle = "Longitude (degrees east)";
    plot.yTitle = "Latitude (degrees north)";
    return true;
}

bool BuildSpectrum(const rix::ExtractedLayout& layout, const PlotRequest& request, PlotData& plot,
                   std::string& error) {
    std::vector<rix::SpectrumColumn> spectrum = rix::SpectrumColumns(layout);
    if (!request.y.empty()) {
        std::vector<int> ys;
        if (!LookupAll(layout, request.y, ys, error)) return false;
        std::vector<rix::SpectrumColumn> chosen;
        for (int c : ys) {
            auto it = std::find_if(spectrum.begin(), spectrum.end(),
                                   [c](const rix::SpectrumColumn& s) { return s.column == c; });
            if (it == spectrum.end()) {
                error = "'" + layout.titles[static_cast<size_t>(c)] +
                        "' is no absorption or attenuation column with a wavelength";
                return false;
            }
            chosen.push_back(*it);
        }
        spectrum = chosen;
    }
    if (spectrum.empty()) {
        error = "'" + layout.path + "' has no absorption or attenuation columns (a412, c412, ...) for a spectrum";
        return false;
    }
    std::vector<int> columns;
    for (const rix::SpectrumColumn& s : spectrum) {
        columns.push_back(s.column);
        plot.yColumns.push_back(Title(layout, s.column));
    }
    rix::ExtractedColumns data;
    if (!Load(layout, columns, data, error)) return false;
    plot.rows = static_cast<long>(data.rows);
    long row = request.row;
    if (row == 0) row = (plot.rows + 1) / 2;
    if (row < 1 || row > plot.rows) {
        error = "row " + std::to_string(row) + " is outside the file's data rows 1 to " + std::to_string(plot.rows);
        return false;
    }
    plot.spectrum = std::move(spectrum);
    plot.spectrumValues = std::move(data.values);
    plot.xTitle = "Wavelength (nm)";
    plot.yTitle = "a, c (1/m)";
    SetSpectrumRow(plot, row);
    return true;
}

}  // namespace

bool ParseKind(const std::string& text, PlotKind& kind) {
    for (PlotKind k : {PlotKind::kSeries, PlotKind::kProfile, PlotKind::kSpectrum, PlotKind::kTrack}) {
        if (text == KindName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

const char* KindName(PlotKind kind) {
    switch (kind) {
        case PlotKind::kSeries: return "series";
        case PlotKind::kProfile: return "profile";
        case PlotKind::kSpectrum: return "spectrum";
        case PlotKind::kTrack: return "track";
    }
    return "series";
}

PlotKind DefaultKind(const rix::ExtractedLayout& layout) {
    if (layout.acHeader) return PlotKind::kSpectrum;
    if (rix::PressureColumn(layout) >= 0) return PlotKind::kProfile;
    if (TrackColumn(layout, "Longitude", "GPS_LONG") >= 0 && TrackColumn(layout, "Latitude", "GPS_LAT") >= 0)
        return PlotKind::kTrack;
    if (rix::SpectrumColumns(layout).size() >= 2) return PlotKind::kSpectrum;
    return PlotKind::kSeries;
}

bool BuildPlot(const rix::ExtractedLayout& layout, const PlotRequest& request, PlotData& plot, std::string& error) {
    plot = PlotData();
    plot.kind = request.kind ? *request.kind : DefaultKind(layout);
    plot.title = QFileInfo(QString::fromStdString(layout.path)).fileName();
    bool ok = false;
    switch (plot.kind) {
        case PlotKind::kSeries: ok = BuildSeries(layout, request, plot, error); break;
        case PlotKind::kProfile: ok = BuildProfile(layout, request, plot, error); break;
        case PlotKind::kSpectrum: ok = BuildSpectrum(layout, request, plot, error); break;
        case PlotKind::kTrack: ok = BuildTrack(layout, request, plot, error); break;
    }
    return ok;
}

void SetSpectrumRow(PlotData& plot, long row) {
    if (plot.kind != PlotKind::kSpectrum || plot.rows < 1) return;
    plot.row = std::clamp(row, 1L, plot.rows);
    const size_t r = static_cast<size_t>(plot.row - 1);
    plot.traces.clear();
    int colorIndex = 0;
    for (char kind : {'a', 'c'}) {
        std::vector<std::pair<double, double>> points;
        for (size_t i = 0; i < plot.spectrum.size(); ++i)
            if (plot.spectrum[i].kind == kind && r < plot.spectrumValues[i].size())
                points.emplace_back(plot.spectrum[i].wavelength, plot.spectrumValues[i][r]);
        if (points.empty()) continue;
        std::stable_sort(points.begin(), points.end(),
                         [](const auto& p, const auto& q) { return p.first < q.first; });
        Trace t;
        t.name = kind == 'a' ? "a (absorption)" : "c (attenuation)";
        t.color = PaletteColor(static_cast<size_t>(colorIndex++));
        for (const auto& [w, v] : points) {
            t.x.push_back(w);
            t.y.push_back(v);
        }
        plot.traces.push_back(std::move(t));
    }
}

void BreakTimeGaps(const std::vector<double>& stamps, Trace& trace) {
    if (stamps.size() != trace.x.size() || stamps.size() < 10) return;
    std::vector<double> steps;
    for (size_t i = 1; i < stamps.size(); ++i) {
        const double d = stamps[i] - stamps[i - 1];
        if (std::isfinite(d) && d > 0) steps.push_back(d);
    }
    if (steps.size() < 8) return;
    std::nth_element(steps.begin(), steps.begin() + static_cast<long>(steps.size() / 2), steps.end());
    const double limit = 10 * steps[steps.size() / 2];
    Trace out = trace;
    out.x.clear();
    out.y.clear();
    for (size_t i = 0; i < stamps.size(); ++i) {
        if (i > 0 && stamps[i] - stamps[i - 1] > limit) {
            out.x.push_back(kNaN);
            out.y.push_back(kNaN);
        }
        out.x.push_back(trace.x[i]);
        out.y.push_back(trace.y[i]);
    }
    trace = std::move(out);
}

std::vector<bool> CastDirections(const std::vector<double>& pressure, double turn) {
    std::vector<bool> down(pressure.size(), true);
    // Until the first move of more than `turn` the direction is unknown; those
    // rows take the first direction found.
    bool known = false, goingDown = true;
    double extreme = kNaN, start = kNaN;
    size_t firstKnown = pressure.size();
    for (size_t i = 0; i < pressure.size(); ++i) {
        const double p = pressure[i];
        if (std::isfinite(p)) {
            if (!known) {
                if (std::isnan(start)) start = extreme = p;
                if (std::fabs(p - start) > turn) {
                    known = true;
                    goingDown = p > start;
                    extreme = p;
                    firstKnown = i;
                }
            } else if (goingDown) {
                if (p > extreme) extreme = p;
                if (p < extreme - turn) {
                    goingDown = false;
                    extreme = p;
                }
            } else {
                if (p < extreme) extreme = p;
                if (p > extreme + turn) {
                    goingDown = true;
                    extreme = p;
                }
            }
        }
        down[i] = goingDown;
    }
    if (known)
        for (size_t i = 0; i < firstKnown; ++i) down[i] = down[firstKnown];
    return down;
}

std::vector<std::vector<QPointF>> Decimate(const std::vector<QPointF>& points, bool vertical) {
    std::vector<std::vector<QPointF>> runs;
    std::vector<QPointF> run;
    // The bucket being gathered: one pixel column (row) of consecutive points,
    // each kept with its place in the input.
    struct Kept {
        size_t at;
        QPointF p;
    };
    bool open = false;
    long key = 0;
    Kept first{}, last{}, low{}, high{};
    auto across = [vertical](const QPointF& p) { return vertical ? p.x() : p.y(); };
    auto flush = [&]() {
        if (!open) return;
        Kept kept[4] = {first, low, high, last};
        std::sort(kept, kept + 4, [](const Kept& a, const Kept& b) { return a.at < b.at; });
        size_t previous = points.size();
        for (const Kept& k : kept) {
            if (k.at == previous) continue;
            run.push_back(k.p);
            previous = k.at;
        }
        open = false;
    };
    auto endRun = [&]() {
        flush();
        if (!run.empty()) runs.push_back(std::move(run));
        run.clear();
    };
    for (size_t i = 0; i < points.size(); ++i) {
        const QPointF& p = points[i];
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) {
            endRun();
            continue;
        }
        // Far outside the picture every point falls in one of two buckets.
        const double a = vertical ? p.y() : p.x();
        const long k = static_cast<long>(std::floor(std::clamp(a, -1.0e6, 1.0e6)));
        if (!open || k != key) {
            flush();
            open = true;
            key = k;
            first = last = low = high = Kept{i, p};
            continue;
        }
        last = Kept{i, p};
        if (across(p) < across(low.p)) low = last;
        if (across(p) > across(high.p)) high = last;
    }
    endRun();
    return runs;
}

}  // namespace rixplot
