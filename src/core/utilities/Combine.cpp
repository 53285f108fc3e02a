#include "utilities/Combine.h"

#include <netcdf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <map>
#include <memory>

#include "report/Reporter.h"

namespace rix {

namespace {

constexpr size_t kBlockBytes = 1 << 20;  // samples are copied a megabyte at a time

// An open NetCDF file, closed when it goes.
struct NcFile {
    int id = -1;
    NcFile() = default;
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;
    ~NcFile() { Close(); }
    int Close() {
        const int status = id >= 0 ? nc_close(id) : NC_NOERR;
        id = -1;
        return status;
    }
};

struct Failure {
    std::string text;
};

void Check(int status, const std::string& what) {
    if (status != NC_NOERR) throw Failure{what + ": " + nc_strerror(status)};
}

std::string NameOf(int ncid, int varid) {
    char name[NC_MAX_NAME + 1] = {};
    Check(nc_inq_varname(ncid, varid, name), "cannot read a variable's name");
    return name;
}

std::string GroupName(int grp) {
    char name[NC_MAX_NAME + 1] = {};
    Check(nc_inq_grpname(grp, name), "cannot read a group's name");
    return name;
}

std::vector<int> Groups(int ncid) {
    int count = 0;
    Check(nc_inq_grps(ncid, &count, nullptr), "cannot list the groups");
    std::vector<int> ids(static_cast<size_t>(count));
    if (count > 0) Check(nc_inq_grps(ncid, &count, ids.data()), "cannot list the groups");
    return ids;
}

// A variable as the combine compares it: name, type, dimension names.
struct VarShape {
    std::string name;
    nc_type type = NC_NAT;
    std::vector<std::string> dims;
    bool operator==(const VarShape& o) const { return name == o.name && type == o.type && dims == o.dims; }
};

std::vector<VarShape> ShapeOf(int grp) {
    int count = 0;
    Check(nc_inq_nvars(grp, &count), "cannot count the variables");
    std::vector<VarShape> vars;
    for (int v = 0; v < count; ++v) {
        VarShape shape;
        char name[NC_MAX_NAME + 1] = {};
        int ndims = 0;
        int dimids[NC_MAX_VAR_DIMS];
        Check(nc_inq_var(grp, v, name, &shape.type, &ndims, dimids, nullptr), "cannot read a variable");
        shape.name = name;
        for (int d = 0; d < ndims; ++d) {
            char dim[NC_MAX_NAME + 1] = {};
            Check(nc_inq_dimname(grp, dimids[d], dim), "cannot read a dimension");
            shape.dims.push_back(dim);
        }
        vars.push_back(shape);
    }
    std::sort(vars.begin(), vars.end(), [](const VarShape& a, const VarShape& b) { return a.name < b.name; });
    return vars;
}

std::string ShapeText(const std::vector<VarShape>& vars) {
    std::string text;
    for (const VarShape& v : vars) text += (text.empty() ? "" : ", ") + v.name;
    return text;
}

// The samples' dimension of a group: `obs`, its own.
bool ObsDimension(int grp, int& dimid, size_t& length) {
    if (nc_inq_dimid(grp, "obs", &dimid) != NC_NOERR) return false;
    Check(nc_inq_dimlen(grp, dimid, &length), "cannot read the length of obs");
    return true;
}

// First and last time of a group's samples (they are in time order).
void TimeRange(int grp, double& first, double& last) {
    int varid = -1, dimid = -1;
    size_t n = 0;
    if (!ObsDimension(grp, dimid, n) || n == 0) return;
    if (nc_inq_varid(grp, "time", &varid) != NC_NOERR && nc_inq_varid(grp, "logger_time", &varid) != NC_NOERR)
        return;
    double a = 0, b = 0, fill = NC_FILL_DOUBLE;
    int noFill = 0;
    if (nc_inq_var_fill(grp, varid, &noFill, &fill) != NC_NOERR) fill = NC_FILL_DOUBLE;
    const size_t start = 0, end = n - 1;
    Check(nc_get_var1_double(grp, varid, &start, &a), "cannot read the times");
    Check(nc_get_var1_double(grp, varid, &end, &b), "cannot read the times");
    // A time never written holds the fill value: no time at all.
    if (std::isfinite(a) && a != fill) first = std::min(first, a);
    if (std::isfinite(b) && b != fill) last = std::max(last, b);
}

struct Input {
    std::string path;
    double first = std::numeric_limits<double>::infinity();
    double last = -std::numeric_limits<double>::infinity();
    size_t given = 0;  // position on the command line
};

struct GroupPlan {
    std::vector<VarShape> shape;
    std::string source;  // the input it is defined from
    int out = -1;        // its group in the output
};

void CopyAttributes(int in, int inVar, int out, int outVar) {
    int count = 0;
    if (inVar == NC_GLOBAL)
        Check(nc_inq_natts(in, &count), "cannot count the attributes");
    else
        Check(nc_inq_varnatts(in, inVar, &count), "cannot count the attributes");
    for (int a = 0; a < count; ++a) {
        char name[NC_MAX_NAME + 1] = {};
        Check(nc_inq_attname(in, inVar, a, name), "cannot read an attribute");
        Check(nc_copy_att(in, inVar, name, out, outVar), std::string("cannot copy the attribute ") + name);
    }
}

size_t TypeSize(int ncid, nc_type type) {
    size_t size = 0;
    Check(nc_inq_type(ncid, type, nullptr, &size), "cannot read a variable's type");
    return size;
}

// Copies rows [0, rows) of variable `inVar` (first dimension `obs` when
// `alongObs`) to the output variable from row `offset` on, a block at a time.
void CopyRows(int in, int inVar, int out, int outVar, bool alongObs, size_t offset) {
    nc_type type = NC_NAT;
    int ndims = 0;
    int dimids[NC_MAX_VAR_DIMS];
    Check(nc_inq_var(in, inVar, nullptr, &type, &ndims, dimids, nullptr), "cannot read a variable");
    if (type > NC_STRING) throw Failure{"the variable " + NameOf(in, inVar) + " has a type rix does not copy"};
    std::vector<size_t> lengths(static_cast<size_t>(ndims));
    for (int d = 0; d < ndims; ++d) Check(nc_inq_dimlen(in, dimids[d], &lengths[d]), "cannot read a dimension");
    const size_t size = TypeSize(in, type);
    if (ndims == 0) {
        std::vector<char> value(size);
        Check(nc_get_var(in, inVar, value.data()), "cannot read " + NameOf(in, inVar));
        Check(nc_put_var(out, outVar, value.data()), "cannot write " + NameOf(in, inVar));
        if (type == NC_STRING) nc_free_string(1, reinterpret_cast<char**>(value.data()));
        return;
    }
    size_t rowElements = 1;
    for (int d = 1; d < ndims; ++d) rowElements *= lengths[d];
    const size_t rows = lengths[0];
    if (rows == 0 || rowElements == 0) return;
    const size_t block = std::max<size_t>(1, kBlockBytes / (rowElements * size));
    std::vector<char> buffer(std::min(block, rows) * rowElements * size);
    std::vector<size_t> start(static_cast<size_t>(ndims), 0), count(lengths), outStart(static_cast<size_t>(ndims), 0);
    for (size_t row = 0; row < rows; row += block) {
        const size_t n = std::min(block, rows - row);
        start[0] = row;
        count[0] = n;
        outStart[0] = (alongObs ? offset : 0) + row;
        Check(nc_get_vara(in, inVar, start.data(), count.data(), buffer.data()), "cannot read " + NameOf(in, inVar));
        const int status = nc_put_vara(out, outVar, outStart.data(), count.data(), buffer.data());
        if (type == NC_STRING) nc_free_string(n * rowElements, reinterpret_cast<char**>(buffer.data()));
        Check(status, "cannot write " + NameOf(in, inVar));
    }
}

// Defines a group in the output as `in` holds it; variables without the
// samples' dimension are copied at once.
int DefineGroup(int in, int out) {
    int grp = -1;
    Check(nc_def_grp(out, GroupName(in).c_str(), &grp), "cannot make the group " + GroupName(in));
    CopyAttributes(in, NC_GLOBAL, grp, NC_GLOBAL);
    int nvars = 0;
    Check(nc_inq_nvars(in, &nvars), "cannot count the variables");
    int nunlim = 0;
    std::vector<int> unlimited(NC_MAX_DIMS);
    Check(nc_inq_unlimdims(in, &nunlim, unlimited.data()), "cannot read the dimensions");
    unlimited.resize(static_cast<size_t>(nunlim));
    std::vector<int> fixed;  // variables copied once
    for (int v = 0; v < nvars; ++v) {
        char name[NC_MAX_NAME + 1] = {};
        nc_type type = NC_NAT;
        int ndims = 0;
        int dimids[NC_MAX_VAR_DIMS];
        Check(nc_inq_var(in, v, name, &type, &ndims, dimids, nullptr), "cannot read a variable");
        int outDims[NC_MAX_VAR_DIMS];
        for (int d = 0; d < ndims; ++d) {
            char dim[NC_MAX_NAME + 1] = {};
            size_t length = 0;
            Check(nc_inq_dim(in, dimids[d], dim, &length), "cannot read a dimension");
            if (nc_inq_dimid(grp, dim, &outDims[d]) == NC_NOERR) continue;
            const bool open = std::find(unlimited.begin(), unlimited.end(), dimids[d]) != unlimited.end() ||
                              std::string(dim) == "obs";
            Check(nc_def_dim(grp, dim, open ? NC_UNLIMITED : length, &outDims[d]),
                  std::string("cannot make the dimension ") + dim);
        }
        int var = -1;
        Check(nc_def_var(grp, name, type, ndims, outDims, &var), std::string("cannot make the variable ") + name);
        if (ndims > 0) {
            int storage = 0;
            std::vector<size_t> chunks(static_cast<size_t>(ndims));
            Check(nc_inq_var_chunking(in, v, &storage, chunks.data()), "cannot read the chunking");
            if (storage == NC_CHUNKED) Check(nc_def_var_chunking(grp, var, NC_CHUNKED, chunks.data()), "cannot set the chunking");
        }
        int shuffle = 0, deflate = 0, level = 0;
        Check(nc_inq_var_deflate(in, v, &shuffle, &deflate, &level), "cannot read the compression");
        if (shuffle || deflate) Check(nc_def_var_deflate(grp, var, shuffle, deflate, level), "cannot set the compression");
        CopyAttributes(in, v, grp, var);
        int obs = -1;
        if (ndims == 0 || nc_inq_dimid(in, "obs", &obs) != NC_NOERR || dimids[0] != obs) fixed.push_back(v);
    }
    for (int v : fixed) CopyRows(in, v, grp, v, false, 0);
    return grp;
}

// Appends an input group's samples to the output group.
long long AppendGroup(int in, int out) {
    int obs = -1;
    size_t rows = 0;
    if (!ObsDimension(in, obs, rows) || rows == 0) return 0;
    int outObs = -1;
    size_t offset = 0;
    if (!ObsDimension(out, outObs, offset)) return 0;
    int nvars = 0;
    Check(nc_inq_nvars(in, &nvars), "cannot count the variables");
    for (int v = 0; v < nvars; ++v) {
        int ndims = 0;
        int dimids[NC_MAX_VAR_DIMS];
        Check(nc_inq_var(in, v, nullptr, nullptr, &ndims, dimids, nullptr), "cannot read a variable");
        if (ndims == 0 || dimids[0] != obs) continue;
        int outVar = -1;
        Check(nc_inq_varid(out, NameOf(in, v).c_str(), &outVar), "no variable " + NameOf(in, v) + " in the output");
        CopyRows(in, v, out, outVar, true, offset);
    }
    return static_cast<long long>(rows);
}

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TempNameFor(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return folder + "." + FileName(path) + Format(".tmp-%ld", static_cast<long>(::getpid()));
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string HistoryLine(const std::vector<Input>& inputs) {
    char when[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (gmtime_r(&now, &utc)) std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string line = Format("%s rix combine of %zu file%s", when, inputs.size(), inputs.size() == 1 ? "" : "s");
    if (!inputs.empty()) line += ": " + FileName(inputs.front().path);
    if (inputs.size() > 1) line += (inputs.size() > 2 ? " ... " : ", ") + FileName(inputs.back().path);
    return line;
}

void Combine(Reporter& reporter, const std::string& output, const std::vector<std::string>& paths,
             CombineSummary& summary) {
    // First pass: each input's time range and groups, one file open at a time.
    std::vector<Input> inputs;
    std::map<std::string, GroupPlan> plans;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (SameFile(paths[i], output)) throw Failure{"the output " + output + " is also an input"};
        Input input;
        input.path = paths[i];
        input.given = i;
        NcFile file;
        Check(nc_open(paths[i].c_str(), NC_NOWRITE, &file.id), "cannot open " + paths[i]);
        for (int grp : Groups(file.id)) {
            const std::string name = GroupName(grp);
            std::vector<VarShape> shape = ShapeOf(grp);
            auto found = plans.find(name);
            if (found == plans.end()) {
                plans[name] = GroupPlan{shape, paths[i], -1};
            } else if (!(found->second.shape == shape)) {
                throw Failure{"the group " + name + " of " + paths[i] + " holds other variables (" + ShapeText(shape) +
                              ") than in " + found->second.source + " (" + ShapeText(found->second.shape) +
                              "): the files are not of one setup"};
            }
            TimeRange(grp, input.first, input.last);
        }
        inputs.push_back(input);
    }
    // Files in the order of their first times; files without samples last.
    std::stable_sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.first < b.first; });
    const Input* latest = nullptr;
    for (const Input& input : inputs) {
        summary.order.push_back(input.path);
        if (!std::isfinite(input.first)) continue;
        if (latest && input.first <= latest->last) {
            ++summary.overlaps;
            reporter.ShowError("Combine Warning",
                               Format("the times of %s (%.17g to %.17g) overlap those of %s (%.17g to %.17g); its "
                                      "samples follow all the same",
                                      input.path.c_str(), input.first, input.last, latest->path.c_str(),
                                      latest->first, latest->last));
        }
        if (!latest || input.last > latest->last) latest = &input;
    }
    // The definitions: each group as the first input in time order holds it.
    for (auto& [name, plan] : plans) plan.source.clear();
    const std::string temp = TempNameFor(output);
    NcFile out;
    Check(nc_create(temp.c_str(), NC_NETCDF4 | NC_CLOBBER, &out.id), "cannot create " + temp);
    struct Cleanup {
        const std::string& path;
        bool keep = false;
        ~Cleanup() {
            if (!keep) ::unlink(path.c_str());
        }
    } cleanup{temp};
    for (size_t i = 0; i < inputs.size(); ++i) {
        NcFile file;
        Check(nc_open(inputs[i].path.c_str(), NC_NOWRITE, &file.id), "cannot open " + inputs[i].path);
        if (i == 0) {
            CopyAttributes(file.id, NC_GLOBAL, out.id, NC_GLOBAL);
            std::string history = HistoryLine(inputs);
            size_t length = 0;
            nc_type type = NC_NAT;
            if (nc_inq_att(file.id, NC_GLOBAL, "history", &type, &length) == NC_NOERR && type == NC_CHAR) {
                std::string old(length, '\0');
                if (nc_get_att_text(file.id, NC_GLOBAL, "history", old.data()) == NC_NOERR) {
                    while (!old.empty() && old.back() == '\0') old.pop_back();
                    if (!old.empty()) history = old + "\n" + history;
                }
                nc_del_att(out.id, NC_GLOBAL, "history");
            } else if (type != NC_NAT) {
                nc_del_att(out.id, NC_GLOBAL, "history");
            }
            Check(nc_put_att_text(out.id, NC_GLOBAL, "history", history.size(), history.data()),
                  "cannot write the history");
        }
        for (int grp : Groups(file.id)) {
            GroupPlan& plan = plans[GroupName(grp)];
            if (plan.out >= 0) continue;
            plan.source = inputs[i].path;
            plan.out = DefineGroup(grp, out.id);
        }
    }
    summary.groups = static_cast<int>(plans.size());
    // The samples, input after input.
    for (const Input& input : inputs) {
        NcFile file;
        Check(nc_open(input.path.c_str(), NC_NOWRITE, &file.id), "cannot open " + input.path);
        for (int grp : Groups(file.id)) summary.samples += AppendGroup(grp, plans[GroupName(grp)].out);
        ++summary.inputs;
    }
    Check(out.Close(), "cannot complete " + temp);
    if (std::rename(temp.c_str(), output.c_str()) != 0) throw Failure{"cannot rename " + temp + " to " + output};
    cleanup.keep = true;
}

}  // namespace

bool CombineNetcdf(Reporter& reporter, const std::string& output, const std::vector<std::string>& inputs,
                   CombineSummary* summary) {
    CombineSummary local;
    CombineSummary& s = summary ? *summary : local;
    s = CombineSummary{};
    if (inputs.empty()) {
        reporter.ShowError("Combine Error", "no input file");
        return false;
    }
    try {
        Combine(reporter, output, inputs, s);
    } catch (const Failure& f) {
        reporter.ShowError("Combine Error", f.text);
        return false;
    }
    return true;
}

}  // namespace rix
