// Per-archive NetCDF-4 files as `rix extract --netcdf` lays them out, written
// with the NetCDF C API for the tests: one group per channel ("ch15_SBE25CTD"),
// its own unlimited dimension obs, time(obs) or logger_time(obs), data
// variables with their attributes, maybe a text variable line(obs). Built
// only with libnetcdf.
#pragma once
#ifdef RIX_HAVE_NETCDF
#include <netcdf.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace rixtest {

struct NcColumn {
    std::string name;
    std::string units;
    std::vector<double> values;
};

struct NcGroup {
    std::string name;        // "ch15_SBE25CTD"
    std::string timeName = "time";  // or "logger_time"
    std::vector<double> times;
    std::vector<NcColumn> columns;
    std::vector<std::string> lines;  // line(obs) when not empty
    int deflate = 4;
    size_t chunk = 64;
};

inline void NcCheck(int status, const char* what) {
    if (status != NC_NOERR) throw std::runtime_error(std::string(what) + ": " + nc_strerror(status));
}

inline void WriteNcFile(const std::string& path, const std::vector<NcGroup>& groups,
                        const std::string& history = "") {
    int nc = -1;
    NcCheck(nc_create(path.c_str(), NC_NETCDF4 | NC_CLOBBER, &nc), "create");
    const std::string conventions = "CF-1.8";
    NcCheck(nc_put_att_text(nc, NC_GLOBAL, "Conventions", conventions.size(), conventions.data()), "att");
    if (!history.empty()) NcCheck(nc_put_att_text(nc, NC_GLOBAL, "history", history.size(), history.data()), "att");
    for (const NcGroup& g : groups) {
        int grp = -1, obs = -1, time = -1;
        NcCheck(nc_def_grp(nc, g.name.c_str(), &grp), "group");
        const std::string meter = g.name.substr(g.name.find('_') + 1);
        NcCheck(nc_put_att_text(grp, NC_GLOBAL, "meter", meter.size(), meter.data()), "att");
        NcCheck(nc_def_dim(grp, "obs", NC_UNLIMITED, &obs), "dim");
        NcCheck(nc_def_var(grp, g.timeName.c_str(), NC_DOUBLE, 1, &obs, &time), "var");
        NcCheck(nc_def_var_chunking(grp, time, NC_CHUNKED, &g.chunk), "chunk");
        NcCheck(nc_def_var_deflate(grp, time, 1, 1, g.deflate), "deflate");
        const std::string units = g.timeName == "time" ? "seconds since 1970-01-01T00:00:00Z" : "s";
        NcCheck(nc_put_att_text(grp, time, "units", units.size(), units.data()), "att");
        if (!g.times.empty()) {
            const size_t start = 0, count = g.times.size();
            NcCheck(nc_put_vara_double(grp, time, &start, &count, g.times.data()), "put");
        }
        for (const NcColumn& c : g.columns) {
            int var = -1;
            NcCheck(nc_def_var(grp, c.name.c_str(), NC_DOUBLE, 1, &obs, &var), "var");
            NcCheck(nc_def_var_chunking(grp, var, NC_CHUNKED, &g.chunk), "chunk");
            NcCheck(nc_def_var_deflate(grp, var, 1, 1, g.deflate), "deflate");
            const double fill = -9999.0;
            NcCheck(nc_put_att_double(grp, var, "_FillValue", NC_DOUBLE, 1, &fill), "fill");
            NcCheck(nc_put_att_text(grp, var, "long_name", c.name.size(), c.name.data()), "att");
            NcCheck(nc_put_att_text(grp, var, "units", c.units.size(), c.units.data()), "att");
            NcCheck(nc_put_att_text(grp, var, "coordinates", g.timeName.size(), g.timeName.data()), "att");
            if (!c.values.empty()) {
                const size_t start = 0, count = c.values.size();
                NcCheck(nc_put_vara_double(grp, var, &start, &count, c.values.data()), "put");
            }
        }
        if (!g.lines.empty()) {
            int var = -1;
            NcCheck(nc_def_var(grp, "line", NC_STRING, 1, &obs, &var), "var");
            std::vector<const char*> texts;
            for (const std::string& l : g.lines) texts.push_back(l.c_str());
            const size_t start = 0, count = texts.size();
            NcCheck(nc_put_vara_string(grp, var, &start, &count, texts.data()), "put");
        }
    }
    NcCheck(nc_close(nc), "close");
}

// A group's variable read back whole (doubles).
inline std::vector<double> ReadNcDoubles(const std::string& path, const std::string& group, const std::string& var) {
    int nc = -1, grp = -1, id = -1, dim = -1;
    NcCheck(nc_open(path.c_str(), NC_NOWRITE, &nc), "open");
    NcCheck(nc_inq_grp_ncid(nc, group.c_str(), &grp), "group");
    NcCheck(nc_inq_varid(grp, var.c_str(), &id), "var");
    NcCheck(nc_inq_vardimid(grp, id, &dim), "dim");
    size_t n = 0;
    NcCheck(nc_inq_dimlen(grp, dim, &n), "len");
    std::vector<double> values(n);
    if (n > 0) NcCheck(nc_get_var_double(grp, id, values.data()), "get");
    nc_close(nc);
    return values;
}

inline std::vector<std::string> ReadNcStrings(const std::string& path, const std::string& group,
                                              const std::string& var) {
    int nc = -1, grp = -1, id = -1, dim = -1;
    NcCheck(nc_open(path.c_str(), NC_NOWRITE, &nc), "open");
    NcCheck(nc_inq_grp_ncid(nc, group.c_str(), &grp), "group");
    NcCheck(nc_inq_varid(grp, var.c_str(), &id), "var");
    NcCheck(nc_inq_vardimid(grp, id, &dim), "dim");
    size_t n = 0;
    NcCheck(nc_inq_dimlen(grp, dim, &n), "len");
    std::vector<char*> texts(n);
    std::vector<std::string> values;
    if (n > 0) {
        NcCheck(nc_get_var_string(grp, id, texts.data()), "get");
        for (char* t : texts) values.push_back(t ? t : "");
        nc_free_string(n, texts.data());
    }
    nc_close(nc);
    return values;
}

inline std::string ReadNcText(const std::string& path, const std::string& group, const std::string& var,
                              const std::string& att) {
    int nc = -1, grp = -1, id = NC_GLOBAL;
    NcCheck(nc_open(path.c_str(), NC_NOWRITE, &nc), "open");
    grp = nc;
    if (!group.empty()) NcCheck(nc_inq_grp_ncid(nc, group.c_str(), &grp), "group");
    if (!var.empty()) NcCheck(nc_inq_varid(grp, var.c_str(), &id), "var");
    size_t n = 0;
    NcCheck(nc_inq_attlen(grp, id, att.c_str(), &n), "att");
    std::string text(n, '\0');
    NcCheck(nc_get_att_text(grp, id, att.c_str(), text.data()), "att");
    nc_close(nc);
    return text;
}

}  // namespace rixtest
#endif
