#include "extract/TextSink.h"

#include <algorithm>
#include <cctype>

#include "extract/Misc.h"
#include "utilities/FileIo.h"
#include "utilities/NumberText.h"

namespace rix {

namespace {

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::string UnitOfTitle(std::string_view title) {
    const size_t open = title.rfind('(');
    const size_t close = title.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
    const std::string_view unit = title.substr(open + 1, close - open - 1);
    struct Known {
        const char* text;
        const char* udunits;
    };
    static constexpr Known kUnits[] = {
        {"C", "degree_Celsius"}, {"degC", "degree_Celsius"}, {"dbars", "dbar"}, {"dbar", "dbar"},
        {"PSU", "1"},           {"V", "V"},                 {"mV", "mV"},      {"m", "m"},
        {"ms", "ms"},           {"Secs", "s"},              {"s", "s"},        {"S/m", "S m-1"},
        {"mS/cm", "mS cm-1"},   {"ug/l", "ug L-1"},         {"mg/m3", "mg m-3"}, {"1/m", "m-1"},
        {"/m", "m-1"},          {"m-1", "m-1"},             {"kts", "knot"},   {"knots", "knot"},
        {"deg", "degree"},      {"Hz", "Hz"},               {"ml/l", "mL L-1"}, {"%", "percent"},
        {"A", "A"},             {"mA", "mA"},               {"dB", "dB"},      {"m/s", "m s-1"},
        {"'C'", "degree_Celsius"}, {"uW/cm^2/nm", "uW cm-2 nm-1"}, {"uW/cm^2/nm/sr", "uW cm-2 nm-1 sr-1"},
        {"sec", "s"}};
    for (const Known& k : kUnits)
        if (SameText(unit, k.text)) return k.udunits;
    return {};
}

ValueFormat FormatOfPrecisionCode(int code) {
    if (code == 0) return {1, 0};
    if (code >= 1 && code <= 10 && code != 6) return {static_cast<int8_t>(code + 2), static_cast<int8_t>(code)};
    return {8, 6};
}

std::string MergeHeaderLine(const std::string& extension, const std::string& base) {
    std::string line = extension.c_str();
    line.push_back(' ');
    AppendInt(line, static_cast<long long>(base.size()));
    line.push_back(' ');
    line.append(base.c_str());  // as printf wrote it: up to a NUL
    line.append(" \r\n");
    return line;
}

std::string MergeEntryStart(int channel, const std::string& path, const std::string& keyword) {
    std::string entry;
    AppendInt(entry, channel);
    entry.push_back(' ');
    AppendInt(entry, static_cast<long long>(path.size()));
    entry.push_back(' ');
    entry.append(path.c_str());
    entry.push_back(' ');
    entry.append(keyword.c_str());
    entry.push_back(' ');
    return entry;
}

std::string MergeEntryEnd(int headerLines, int columnCount) {
    std::string end;
    AppendInt(end, headerLines);
    end.push_back(' ');
    AppendInt(end, columnCount);
    end.append("\r\n");
    return end;
}

void TextSink::Flush(std::FILE* stream) {
    if (stream != nullptr && !row_.empty()) WriteUnlocked(row_.data(), row_.size(), stream);
    row_.clear();
}

int TextSink::TitleLine(std::FILE* stream, int format, const std::vector<ColumnInfo>& columns) {
    row_.clear();
    int count = 1;
    row_.append(TimeTitles(format, count));
    for (const ColumnInfo& c : columns) {
        row_.push_back('\t');
        row_.append(c.title);
    }
    row_.append("\r\n");
    Flush(stream);
    return count + static_cast<int>(columns.size());
}

void TextSink::Row(std::FILE* stream, const JulianState& julian, const Sample& sample,
                   const RowLayout& layout) {
    row_.clear();
    if (layout.stamp) AppendTimeStamp(row_, julian, sample.time, layout.meterTime, layout.format);
    const int n = std::clamp(sample.count, 0, kMaxSampleValues);
    for (int i = 0; i < n; ++i) {
        row_.push_back(layout.separator);
        if (layout.cellText != nullptr && i >= layout.cellTextFrom &&
            static_cast<size_t>(i - layout.cellTextFrom) < layout.cellText->size()) {
            row_.append((*layout.cellText)[static_cast<size_t>(i - layout.cellTextFrom)]);
            continue;
        }
        const ValueFormat& f = sample.formats[i];
        AppendFixed(row_, sample.values[i], f.width, f.precision, f.zeroPad);
    }
    row_.append(layout.end);
    Flush(stream);
}

void TextSink::Line(std::FILE* stream, const JulianState& julian, double timeMs, std::string_view text,
                    const LineLayout& layout) {
    row_.clear();
    if (layout.stamp) {
        AppendTimeStamp(row_, julian, timeMs, layout.meterTime, layout.format);
        row_.append(layout.afterStamp);
    }
    row_.append(text);
    row_.append(layout.end);
    Flush(stream);
}

void TextSink::Raw(std::FILE* stream, std::string_view bytes) {
    if (stream != nullptr && !bytes.empty()) WriteUnlocked(bytes.data(), bytes.size(), stream);
}

void TextSink::LogLine(std::FILE* stream, std::string_view text) {
    row_.assign(text);
    row_.append("\r\n");
    Flush(stream);
}

}  // namespace rix
