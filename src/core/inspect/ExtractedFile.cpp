#include "inspect/ExtractedFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "extract/Misc.h"
#include "merge/Files.h"
#include "merge/TextReader.h"
#include "utilities/Decimal.h"
#include "utilities/TextFields.h"

namespace rix {

namespace {

constexpr size_t kScanLines = 5000;    // lines searched for the title line
constexpr size_t kProbeBytes = 65536;  // bytes looked at for binary content
constexpr size_t kLineKept = 1 << 20;  // characters of a scanned line kept
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    SplitTextFields(line, fields);
    return fields;
}

bool IsNumericField(std::string_view f) {
    double v = 0;
    return ParseIsoStamp(f.data(), f.data() + f.size(), v) || ScanDecimal(f.data(), f.data() + f.size(), v);
}

bool IsIsoField(std::string_view f) {
    double v = 0;
    return ParseIsoStamp(f.data(), f.data() + f.size(), v);
}

// Numeric fields of a line as the merge counts them (every field that begins
// with a number), at most as many as a merged row holds.
int NumericCount(std::string_view line) {
    int n = 0;
    for (std::string_view f : Fields(line))
        if (IsNumericField(f) && n < kMergeColumns) ++n;
    return n;
}

bool FirstFieldNumeric(std::string_view line) {
    const std::vector<std::string_view> f = Fields(line);
    return !f.empty() && IsNumericField(f.front());
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

// Titles of a title line: tab-separated (a title may hold a blank, "_DC mA");
// a line without tabs splits like a data row.
std::vector<std::string> SplitTitles(std::string_view line) {
    std::vector<std::string> titles;
    if (line.find('\t') != std::string_view::npos) {
        size_t pos = 0;
        while (pos <= line.size()) {
            size_t tab = line.find('\t', pos);
            if (tab == std::string_view::npos) tab = line.size();
            std::string t = Trim(line.substr(pos, tab - pos));
            if (!t.empty()) titles.push_back(std::move(t));
            pos = tab + 1;
        }
    } else {
        for (std::string_view f : Fields(line)) titles.emplace_back(f);
    }
    return titles;
}

bool IsTimeTitle(const std::string& t) {
    return t == "Time(ms)" || t == "Time(Secs)" || t == "JulianDay" || t == "YrJulianDay" || t == "Year" ||
           t == "DateTimeUTC";
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string StripPadding(std::string s) {
    while (!s.empty() && s.back() == '_') s.pop_back();
    return s;
}

// The stamp from the titles: the first time title.
void FindStamp(ExtractedLayout& layout) {
    const std::vector<std::string>& t = layout.titles;
    for (size_t i = 0; i < t.size(); ++i) {
        const std::string& title = t[i];
        if (!IsTimeTitle(title)) continue;
        if (title == "Year" && !(i + 1 < t.size() && t[i + 1] == "JulianDay")) continue;
        layout.stampTitle = title;
        layout.stampColumn = static_cast<int>(i);
        if (title == "DateTimeUTC") {
            layout.stamp = StampKind::kIso;
        } else if (title == "Year") {
            layout.stamp = StampKind::kYearDay;
            layout.stampColumn = static_cast<int>(i + 1);
            layout.stampTitle = "JulianDay";
        } else if (title == "JulianDay" || title == "YrJulianDay") {
            layout.stamp = StampKind::kJulian;
        } else {
            layout.stamp = StampKind::kNumber;
        }
        return;
    }
}

// The NX9 file: no title line; its a/c channels are the lines of the device
// header that begin with "a" or "c" (one block), as the merge titles them,
// after the time stamp; then the meter's five further columns.
void Nx9Titles(const std::vector<std::string>& lines, size_t headerEnd, std::string_view firstRow,
               ExtractedLayout& layout) {
    std::vector<std::string> ac;
    bool inBlock = false;
    for (size_t i = 1; i < headerEnd; ++i) {
        const std::string& line = lines[i];
        if (line.empty() || (line[0] != 'a' && line[0] != 'c')) {
            if (inBlock) break;
            continue;
        }
        inBlock = true;
        size_t end = 0;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') ++end;
        ac.push_back(line.substr(0, end));
    }
    const std::vector<std::string_view> fields = Fields(firstRow);
    const int numeric = NumericCount(firstRow);
    const int trailing = 5;
    std::vector<std::string>& t = layout.titles;
    if (!fields.empty() && IsIsoField(fields[0])) {
        t.push_back("DateTimeUTC");
    } else if (numeric == static_cast<int>(ac.size()) + trailing + 2) {
        t.push_back("Year");
        t.push_back("JulianDay");
    } else {
        t.push_back("Time");
    }
    t.insert(t.end(), ac.begin(), ac.end());
    for (const char* title : {"I-Temp", "__N/A__", "P(dbars)", "__N/A__", "__N/A__"}) t.push_back(title);
    FindStamp(layout);
    if (layout.stamp == StampKind::kNone) {
        layout.stamp = StampKind::kNumber;
        layout.stampColumn = 0;
        layout.stampTitle = "Time";
    }
}

// Files without titles: a leading ISO stamp, and the ASCII meters whose file
// names say where their stamp is (T_ASCII first, ASCII_T last).
void UntitledStamp(ExtractedLayout& layout, std::string_view firstRow) {
    const std::vector<std::string_view> fields = Fields(firstRow);
    if (!fields.empty() && IsIsoField(fields[0])) {
        layout.stamp = StampKind::kIso;
        layout.stampColumn = 0;
    } else {
        const std::string name = layout.path.substr(layout.path.find_last_of("/\\") + 1);
        if (name.find("_T_ASCII.") != std::string::npos) {
            layout.stamp = StampKind::kNumber;
            layout.stampColumn = 0;
        } else if (name.find("_ASCII_T.") != std::string::npos && layout.Columns() > 1) {
            layout.stamp = StampKind::kNumber;
            layout.stampColumn = layout.Columns() - 1;
        }
    }
    if (layout.stampColumn >= 0) layout.stampTitle = layout.titles[static_cast<size_t>(layout.stampColumn)];
}

bool LooksBinary(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::vector<unsigned char> bytes(kProbeBytes);
    const size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    size_t control = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = bytes[i];
        if (c == 0) return true;
        if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v') ++control;
    }
    return n > 0 && control * 20 > n;
}

long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

bool IsSalinityTitle(const std::string& title) { return StartsWith(Lower(title), "sal"); }

bool IsCtdTemperatureTitle(const std::string& title) {
    const std::string t = Lower(title);
    return StartsWith(t, "temp") || StartsWith(t, "rtemp");
}

int PressureColumn(const ExtractedLayout& layout) {
    for (size_t i = 0; i < layout.titles.size(); ++i) {
        const std::string t = Lower(layout.titles[i]);
        if (StartsWith(t, "p(dbar") || StartsWith(t, "pres") || t == "p(db)") return static_cast<int>(i);
    }
    return -1;
}

int DepthColumn(const ExtractedLayout& layout) {
    for (size_t i = 0; i < layout.titles.size(); ++i)
        if (StartsWith(Lower(layout.titles[i]), "depth")) return static_cast<int>(i);
    return -1;
}

bool IsPlaceholderValue(const ExtractedLayout& layout, int column, double value) {
    if (!std::isfinite(value)) return true;
    if (value == 9999.999999 || value == 9999.9 || value == 9999.0 || value == 99999.0) return true;
    if (column < 0 || column >= layout.Columns()) return false;
    const std::string& title = layout.titles[static_cast<size_t>(column)];
    if (value == 99.0 && IsSalinityTitle(title)) return true;
    if (value == 99.9 && IsCtdTemperatureTitle(title)) return true;
    return false;
}

int FindExtractedColumn(const ExtractedLayout& layout, const std::string& name) {
    const std::vector<std::string>& t = layout.titles;
    for (size_t i = 0; i < t.size(); ++i)
        if (t[i] == name) return static_cast<int>(i);
    const std::string lower = Lower(name);
    for (size_t i = 0; i < t.size(); ++i)
        if (Lower(t[i]) == lower) return static_cast<int>(i);
    const std::string bare = StripPadding(lower);
    if (bare.empty()) return -1;
    for (size_t i = 0; i < t.size(); ++i)
        if (StripPadding(Lower(t[i])) == bare) return static_cast<int>(i);
    return -1;
}

std::string TitleList(const ExtractedLayout& layout) {
    std::string list;
    for (const std::string& t : layout.titles) {
        if (!list.empty()) list += ", ";
        list += t;
    }
    return list;
}

std::vector<SpectrumColumn> SpectrumColumns(const ExtractedLayout& layout) {
    std::vector<SpectrumColumn> out;
    for (size_t i = 0; i < layout.titles.size(); ++i) {
        const std::string t = StripPadding(layout.titles[i]);
        SpectrumColumn s;
        s.column = static_cast<int>(i);
        const char* begin = nullptr;
        const char* end = t.data() + t.size();
        if (t.size() >= 2 && (t[0] == 'a' || t[0] == 'c')) {
            s.kind = t[0];
            begin = t.data() + 1;
            while (begin < end && *begin == ' ') ++begin;
        } else if (t.size() >= 2 && t.back() == 'A' && std::isdigit(static_cast<unsigned char>(t[0]))) {
            s.kind = 'a';  // PRISMA: each excitation channel's absorption
            begin = t.data();
            --end;
        } else {
            continue;
        }
        const char* stop = ScanDecimal(begin, end, s.wavelength);
        if (stop != end || !(s.wavelength > 0)) continue;
        out.push_back(s);
    }
    return out;
}

bool ReadExtractedLayout(const std::string& path, ExtractedLayout& layout, std::string& error) {
    layout = ExtractedLayout();
    layout.path = path;
    TextReader reader;
    if (!reader.Open(path)) {
        error = "Cannot open '" + path + "'";
        return false;
    }
    if (LooksBinary(path)) {
        error = "'" + path + "' is not a file RIX writes: it holds binary data";
        return false;
    }
    std::vector<std::string> lines;
    std::string_view line;
    // Only the start of a very long line is needed to tell what it is.
    while (lines.size() < kScanLines && reader.ReadLine(line)) lines.emplace_back(line.substr(0, kLineKept));
    if (lines.empty()) {
        error = "'" + path + "' is empty";
        return false;
    }

    size_t titleLine = lines.size();  // none
    size_t dataLine = 0;
    bool decided = false;
    if (StartsWith(lines[0], "MorView")) {
        // An a/c meter file: the device header ends with the bin-size line;
        // an NXS file has its title line after it, an NX9 file none.
        for (size_t i = 1; i < lines.size(); ++i) {
            if (lines[i].find("aquisition bin size") == std::string::npos) continue;
            layout.acHeader = true;
            decided = true;
            if (i + 1 < lines.size() && !FirstFieldNumeric(lines[i + 1]) && !Fields(lines[i + 1]).empty()) {
                titleLine = i + 1;
                dataLine = i + 2;
            } else {
                dataLine = i + 1;
                Nx9Titles(lines, i, dataLine < lines.size() ? std::string_view(lines[dataLine]) : std::string_view(),
                          layout);
                layout.titled = true;
            }
            break;
        }
    }
    if (!decided) {
        // A title line begins with the time stamp's title (after a device
        // header, as PRISMA's), or it is the first line of titles over a row
        // of as many numbers (a merged file).
        for (size_t i = 0; i < lines.size() && !decided; ++i) {
            const std::vector<std::string> t = SplitTitles(lines[i]);
            if (t.empty() || !IsTimeTitle(t[0])) continue;
            titleLine = i;
            dataLine = i + 1;
            decided = true;
        }
    }
    if (!decided && lines.size() >= 2 && !FirstFieldNumeric(lines[0])) {
        const std::vector<std::string> t = SplitTitles(lines[0]);
        if (t.size() >= 2 && FirstFieldNumeric(lines[1]) && NumericCount(lines[1]) == static_cast<int>(t.size())) {
            titleLine = 0;
            dataLine = 1;
            decided = true;
        }
    }
    if (titleLine < lines.size()) {
        layout.titles = SplitTitles(lines[titleLine]);
        layout.titled = true;
        FindStamp(layout);
    }

    // The widest row of the scanned lines sets the columns beyond the titles.
    int widest = 0, numericLines = 0, textLines = 0;
    for (size_t i = dataLine; i < lines.size(); ++i) {
        const int n = NumericCount(lines[i]);
        widest = std::max(widest, n);
        if (n > 0)
            ++numericLines;
        else if (!Fields(lines[i]).empty())
            ++textLines;
    }
    if (!decided) {
        if (widest == 0) {
            error = "'" + path + "' is not a file RIX writes: it holds no numeric columns";
            return false;
        }
        // Prose with a number here and there is no data file.
        if (textLines > numericLines) {
            error = "'" + path + "' is not a file RIX writes: most of its lines hold no numbers";
            return false;
        }
        while (dataLine < lines.size() && NumericCount(lines[dataLine]) == 0) ++dataLine;
    }
    for (int c = layout.Columns(); c < widest; ++c) layout.titles.push_back("col" + std::to_string(c + 1));
    if (!layout.titled) UntitledStamp(layout, dataLine < lines.size() ? std::string_view(lines[dataLine]) : "");
    layout.dataLine = static_cast<int>(dataLine);

    // Count the rows through the whole file.
    reader.Rewind();
    for (size_t i = 0; i < dataLine && reader.ReadLine(line); ++i) {
    }
    MergeRow row;
    long rows = 0;
    for (;;) {
        const int n = ReadDataRow(reader, row, -1, 1.0, 0.0);
        if (n == 0) {
            if (reader.AtEnd()) break;
            continue;
        }
        ++rows;
    }
    layout.rows = rows;
    if (layout.Columns() == 0) {
        error = "'" + path + "' is not a file RIX writes: it holds no numeric columns";
        return false;
    }
    if (rows == 0) {
        error = "'" + path + "' holds no data rows";
        return false;
    }
    return true;
}

bool ReadExtractedColumns(const ExtractedLayout& layout, const std::vector<int>& columns, ExtractedColumns& out,
                          std::string& error) {
    out = ExtractedColumns();
    TextReader reader;
    if (!reader.Open(layout.path)) {
        error = "Cannot open '" + layout.path + "'";
        return false;
    }
    std::string_view line;
    for (int i = 0; i < layout.dataLine && reader.ReadLine(line); ++i) {
    }
    out.values.assign(columns.size(), {});
    for (std::vector<double>& v : out.values) v.reserve(static_cast<size_t>(std::max(0L, layout.rows)));
    MergeRow row;
    const bool iso = layout.stamp == StampKind::kIso;
    long firstYearDays = 0;
    bool haveYear = false;
    for (;;) {
        const int n = ReadDataRow(reader, row, -1, 1.0, 0.0);
        if (n == 0) {
            if (reader.AtEnd()) break;
            continue;
        }
        ++out.rows;
        for (size_t k = 0; k < columns.size(); ++k) {
            const int c = columns[k];
            double v = kNaN;
            if (c == kRowNumbers) {
                v = static_cast<double>(out.rows);
            } else if (c == kStampValues) {
                const int s = layout.stampColumn;
                if (layout.stamp == StampKind::kYearDay) {
                    if (row.Has(s) && row.Has(s - 1) && std::fabs(row.values[s - 1]) < 1e5) {
                        int year = static_cast<int>(row.values[s - 1]);
                        if (year < 100) year += 2000;
                        const long days = DaysFromCivil(year, 1, 1);
                        if (!haveYear) firstYearDays = days;
                        haveYear = true;
                        v = row.values[s] + static_cast<double>(days - firstYearDays);
                    }
                } else if (row.Has(s) && (!iso || row.IsIso(s))) {
                    v = row.values[s];
                }
            } else if (row.Has(c)) {
                v = row.values[c];
                if (row.IsIso(c) ? false : IsPlaceholderValue(layout, c, v)) v = kNaN;
            }
            out.values[k].push_back(v);
        }
    }
    return true;
}

}  // namespace rix
