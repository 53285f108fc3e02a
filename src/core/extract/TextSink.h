// The channel text files: title lines, rows of values, text rows and bytes
// copied as they came. Every byte of a channel file is written here. A row is
// built in one buffer (numbers without printf, the same digits) and written
// with one fwrite.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "extract/Sample.h"

namespace rix {

struct JulianState;

// What the text file writes around a row's values.
struct RowLayout {
    int format = 1;          // time-stamp format (0 writes the stamp as format 1 does)
    double meterTime = 99;   // format 7's instrument time
    char separator = '\t';   // before each value
    bool stamp = true;       // the row starts with its time stamp
    std::string_view end = "\r\n";
    // Values from cellTextFrom on are written as these texts (cells the meter
    // formats itself: counts, text fields, dates), when set.
    const std::vector<std::string>* cellText = nullptr;
    int cellTextFrom = 0;
};

// What the text file writes around a text row.
struct LineLayout {
    bool stamp = false;              // the time stamp, then afterStamp, before the text
    int format = 1;
    double meterTime = 99;
    std::string_view afterStamp = "\t";
    std::string_view end;            // written after the text ("\r\n" where the row has none)
};

// Unit of a column title in UDUNITS form, from its parenthesised unit
// ("Temp(C)" -> "degree_Celsius", "P(dbars)" -> "dbar"); empty when unknown.
std::string UnitOfTitle(std::string_view title);

// The ValueFormat of a precision code of the line decoders: 0 is "%1.0f",
// 1 to 10 "%<code+2>.<code>f", anything else "%8.6f".
ValueFormat FormatOfPrecisionCode(int code);

// The lines of the merge working file (_MRG): its first line "<ext> <length>
// <base> ", and per completed channel file "<id> <length> <path> <keyword> "
// then "<header lines> <columns>", each line ended in CR LF.
std::string MergeHeaderLine(const std::string& extension, const std::string& base);
std::string MergeEntryStart(int channel, const std::string& path, const std::string& keyword);
std::string MergeEntryEnd(int headerLines, int columnCount);

class TextSink {
public:
    // The format's time titles, then a tab and the title of each column, CR LF.
    // Returns the columns written, the time columns included.
    int TitleLine(std::FILE* stream, int format, const std::vector<ColumnInfo>& columns);
    // The time stamp, each value after the separator, the line end.
    void Row(std::FILE* stream, const JulianState& julian, const Sample& sample,
             const RowLayout& layout);
    void Line(std::FILE* stream, const JulianState& julian, double timeMs, std::string_view text,
              const LineLayout& layout);
    // Bytes copied as they are.
    void Raw(std::FILE* stream, std::string_view bytes);
    // A line of the debug log (RIX.LOG): the text, CR LF.
    void LogLine(std::FILE* stream, std::string_view text);

private:
    void Flush(std::FILE* stream);
    std::string row_;  // reused: rows are built here
};

}  // namespace rix
