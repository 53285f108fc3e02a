// Reading back the text files an extraction or a merge writes, for a quick
// look at them: the column titles, the kind of time stamp and the values of
// chosen columns, with the placeholders of missing values turned into gaps.
//
// Columns are numbered over the numeric fields of a row as the merge numbers
// them (an ISO 8601 stamp counts as one numeric field). Titles come from the
// title line; the a/c meter files without one take theirs from the device
// header copied at their top; files without any titles (the ASCII family)
// name their columns col1, col2, ....
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace rix {

enum class StampKind {
    kNone,     // no time stamp column known
    kNumber,   // milliseconds or seconds
    kJulian,   // day of the year with its fraction (or the year-day code form)
    kYearDay,  // two columns: year and day of the year
    kIso,      // YYYY-MM-DDThh:mm:ss.sssZ, read as ms since 2000-01-01T00:00:00Z
};

struct ExtractedLayout {
    std::string path;
    std::vector<std::string> titles;  // one per numeric column
    bool titled = false;              // titles from the file, not col1, col2, ...
    bool acHeader = false;            // an a/c meter file with its device header (NX9, NXS)
    int dataLine = 0;                 // 0-based line where the data rows start
    StampKind stamp = StampKind::kNone;
    int stampColumn = -1;  // the stamp (for kYearDay, its day column; the year is the one before)
    std::string stampTitle;
    long rows = 0;  // data rows: lines after the header that hold a number

    int Columns() const { return static_cast<int>(titles.size()); }
};

// Column numbers with a meaning of their own for ReadExtractedColumns.
constexpr int kStampValues = -1;  // the time stamp as one number per row (see StampValue)
constexpr int kRowNumbers = -2;   // the data row's number, from 1

struct ExtractedColumns {
    size_t rows = 0;
    // One vector per requested column, NaN where the row has no value or a placeholder.
    std::vector<std::vector<double>> values;
};

// Reads the title line (or the device header) and counts the data rows.
// False with a message naming the file for what no plot can be made of: a
// file that cannot be opened, an empty or binary file, one without a numeric
// column, or one with a header and no rows.
bool ReadExtractedLayout(const std::string& path, ExtractedLayout& layout, std::string& error);

// Reads the values of the given columns of every data row. False with a
// message when the file cannot be read again.
bool ReadExtractedColumns(const ExtractedLayout& layout, const std::vector<int>& columns, ExtractedColumns& out,
                          std::string& error);

// Whether a value of a column stands for a missing value: 9999.999999, 9999.9,
// 9999.0 (and the merge's 99999.0) anywhere, 99 in a salinity column, 99.9 in
// a CTD temperature column.
bool IsPlaceholderValue(const ExtractedLayout& layout, int column, double value);

// The column of a title: exact, then without regard to case, then without
// the underscores the merge pads short titles with. -1 when there is none.
int FindExtractedColumn(const ExtractedLayout& layout, const std::string& name);

// "a, b, c": the titles, for a message.
std::string TitleList(const ExtractedLayout& layout);

// Column roles found from the titles (-1 when absent).
int PressureColumn(const ExtractedLayout& layout);  // P(dbars), Pressure, ...
int DepthColumn(const ExtractedLayout& layout);     // Depth(m), Depth, ...
bool IsSalinityTitle(const std::string& title);
bool IsCtdTemperatureTitle(const std::string& title);

// Absorption and attenuation columns of an a/c meter file with their
// wavelengths (nm): "a412", "c412.0", the merge's "a412__", PRISMA's "412A".
struct SpectrumColumn {
    int column = -1;
    char kind = 'a';  // 'a' absorption, 'c' attenuation
    double wavelength = 0;
};
std::vector<SpectrumColumn> SpectrumColumns(const ExtractedLayout& layout);

}  // namespace rix
