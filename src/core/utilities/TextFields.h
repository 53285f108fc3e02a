// The fields of a line of an extracted text file: what stands between tabs,
// blanks, commas and line ends (runs of them count as one).
#pragma once
#include <string_view>
#include <vector>

namespace rix {

inline bool IsFieldSeparator(char c) { return c == '\t' || c == ' ' || c == ',' || c == '\r' || c == '\n'; }

// The line's fields, in order, into `fields` (cleared first).
inline void SplitTextFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && IsFieldSeparator(line[pos])) ++pos;
        size_t end = pos;
        while (end < line.size() && !IsFieldSeparator(line[end])) ++end;
        if (end > pos) fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
}

}  // namespace rix
