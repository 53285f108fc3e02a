// Reading NetCDF output back through the library and comparing it with the
// text file it mirrors.
#pragma once
#ifdef RIX_HAVE_NETCDF
#include <gtest/gtest.h>
#include <netcdf.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace rixtest {

struct NcFile {
    int id = -1;
    explicit NcFile(const std::string& path) {
        if (nc_open(path.c_str(), NC_NOWRITE, &id) != NC_NOERR) id = -1;
    }
    ~NcFile() {
        if (id >= 0) nc_close(id);
    }
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;
    // -1 when there is no such group.
    int Group(const std::string& name) const {
        int g = -1;
        return nc_inq_grp_ncid(id, name.c_str(), &g) == NC_NOERR ? g : -1;
    }
};

inline std::string NcText(int grp, int var, const std::string& name) {
    size_t len = 0;
    if (nc_inq_attlen(grp, var, name.c_str(), &len) != NC_NOERR) return "";
    std::string s(len, '\0');
    nc_get_att_text(grp, var, name.c_str(), s.data());
    return s;
}

inline size_t NcRows(int grp) {
    int dim = -1;
    size_t n = 0;
    if (nc_inq_dimid(grp, "obs", &dim) == NC_NOERR) nc_inq_dimlen(grp, dim, &n);
    return n;
}

inline std::vector<double> NcDoubles(int grp, int var) {
    std::vector<double> out(NcRows(grp));
    if (!out.empty()) nc_get_var_double(grp, var, out.data());
    return out;
}

// The fields of a line split at tabs (and runs of spaces).
inline std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == '\t' || line[pos] == ' ' || line[pos] == '\r')) ++pos;
        size_t end = pos;
        while (end < line.size() && line[end] != '\t' && line[end] != ' ' && line[end] != '\r') ++end;
        if (end > pos) out.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        pos = end + 1;
    }
    return out;
}

inline bool IsPlaceholderText(const std::string& field, bool salinity, bool ctdTemperature) {
    const double v = std::atof(field.c_str());
    const size_t dot = field.find('.');
    const int decimals = dot == std::string::npos ? 0 : static_cast<int>(field.size() - dot - 1);
    const double half = 0.5 * std::pow(10.0, -decimals) + 1e-9;
    for (double p : {9999.999999, 9999.9, 9999.0})
        if (std::fabs(v - p) < half) return true;
    return (salinity && std::fabs(v - 99.0) < half) || (ctdTemperature && std::fabs(v - 99.9) < half);
}

// Compares every value variable of a group with the text file's column of
// the same title: equal to the printed digits, the fill value exactly where
// the text has a placeholder. Returns the rows compared; 0 when the group
// has no rows (the caller decides whether that is a failure).
inline size_t CompareGroupWithText(int grp, const std::string& textFile) {
    const size_t rows = NcRows(grp);
    if (rows == 0) return 0;
    int nvars = 0;
    nc_inq_nvars(grp, &nvars);
    struct Column {
        int var;
        std::string title, standardName;
        size_t field = 0;
        bool west = false;
    };
    std::vector<Column> columns;
    for (int v = 0; v < nvars; ++v) {
        char name[NC_MAX_NAME + 1];
        nc_inq_varname(grp, v, name);
        const std::string n = name;
        if (n == "time" || n == "logger_time" || n == "line") continue;
        Column c;
        c.var = v;
        c.title = NcText(grp, v, "long_name");
        c.standardName = NcText(grp, v, "standard_name");
        c.west = c.standardName == "longitude";
        columns.push_back(c);
    }
    const std::vector<std::string> lines = Lines(ReadFile(textFile));
    // The title line: the one holding every column's title (a title that
    // repeats, as "Spare(V)", names its columns in order).
    size_t first = lines.size();
    for (size_t i = 0; i < lines.size() && first == lines.size(); ++i) {
        const std::vector<std::string> f = Fields(lines[i]);
        bool all = !columns.empty();
        std::map<std::string, size_t> after;  // where the next search for a title starts
        for (Column& c : columns) {
            auto at = std::find(f.begin() + static_cast<long>(std::min(after[c.title], f.size())), f.end(), c.title);
            if (at == f.end()) {
                all = false;
                break;
            }
            c.field = static_cast<size_t>(at - f.begin());
            after[c.title] = c.field + 1;
        }
        if (all) first = i + 1;
    }
    if (first >= lines.size()) {
        // A file without a title line of its own (NX9 under its device-file
        // header, the thermometer bath, a unit title): its last rows are the
        // data rows, the time stamp first, then the columns in order.
        size_t dataRows = 0, i = lines.size();
        while (i > 0 && dataRows < rows) {
            --i;
            if (!lines[i].empty()) ++dataRows;
        }
        EXPECT_EQ(dataRows, rows) << textFile;
        first = i;
        const size_t stampFields = Fields(lines[first]).size() - std::min(columns.size(), Fields(lines[first]).size());
        for (size_t k = 0; k < columns.size(); ++k) columns[k].field = stampFields + k;
    }
    std::vector<std::vector<double>> values;
    for (const Column& c : columns) values.push_back(NcDoubles(grp, c.var));
    size_t row = 0;
    for (size_t i = first; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        const std::vector<std::string> f = Fields(lines[i]);
        if (row >= rows) {
            ADD_FAILURE() << textFile << ": more rows in the text than in NetCDF (" << rows << ")";
            return row;
        }
        for (size_t k = 0; k < columns.size(); ++k) {
            const Column& c = columns[k];
            const double nc = values[k][row];
            if (c.field >= f.size()) {
                EXPECT_EQ(nc, NC_FILL_DOUBLE) << textFile << " row " << row << " " << c.title;
                continue;
            }
            const std::string& text = f[c.field];
            if (IsPlaceholderText(text, c.standardName == "sea_water_practical_salinity",
                                  c.standardName == "sea_water_temperature")) {
                EXPECT_EQ(nc, NC_FILL_DOUBLE) << textFile << " row " << row << " " << c.title << " " << text;
                continue;
            }
            char* end = nullptr;
            double v = std::strtod(text.c_str(), &end);
            if (*end != '\0') {
                EXPECT_EQ(nc, NC_FILL_DOUBLE) << textFile << " row " << row << " " << c.title << " " << text;
                continue;
            }
            if (c.west) v = -v;
            const size_t dot = text.find('.');
            const int decimals = dot == std::string::npos ? 0 : static_cast<int>(text.size() - dot - 1);
            EXPECT_NEAR(nc, v, 0.5 * std::pow(10.0, -decimals) + 1e-9)
                << textFile << " row " << row << " " << c.title << " " << text;
        }
        ++row;
    }
    EXPECT_EQ(row, rows) << textFile;
    return row;
}

}  // namespace rixtest
#endif
