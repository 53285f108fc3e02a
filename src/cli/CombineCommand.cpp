#include "CombineCommand.h"

#include "report/Reporter.h"
#ifdef RIX_HAVE_NETCDF
#include "utilities/Combine.h"
#endif

namespace rixcli {

const char* const kCombineHelp =
    "Usage: rix combine OUT.nc IN.nc...\n"
    "\n"
    "Joins the NetCDF files that 'rix extract --netcdf' wrote for the archives of one setup\n"
    "(a cruise's days) into OUT.nc: each channel group's samples, input after input in the\n"
    "order of their first times. An input whose times overlap another's is named in a\n"
    "warning; inputs whose groups hold other variables are refused. OUT.nc is written\n"
    "under a temporary name and takes its name when complete.\n"
    "Exit status: 0 joined (warnings may stand), 1 a failure (OUT.nc is not written),\n"
    "2 usage error.\n";

namespace {

void Write(std::FILE* f, const std::string& s) { std::fwrite(s.data(), 1, s.size(), f); }

}  // namespace

int RunCombineCommand(const std::vector<std::string>& files, std::FILE* out, std::FILE* err) {
    if (files.size() < 2) {
        Write(err, "rix combine: an output file and at least one input are needed\n");
        Write(err, kCombineHelp);
        return 2;
    }
#ifdef RIX_HAVE_NETCDF
    rix::StreamReporter reporter(out, err, false);
    rix::CombineSummary summary;
    const std::vector<std::string> inputs(files.begin() + 1, files.end());
    if (!rix::CombineNetcdf(reporter, files[0], inputs, &summary)) return 1;
    Write(out, rix::Format("%s: %d file%s, %d group%s, %lld samples%s\n", files[0].c_str(), summary.inputs,
                           summary.inputs == 1 ? "" : "s", summary.groups, summary.groups == 1 ? "" : "s",
                           summary.samples,
                           summary.overlaps > 0 ? rix::Format("; %d overlap%s", summary.overlaps,
                                                              summary.overlaps == 1 ? "" : "s").c_str()
                                                : ""));
    std::fflush(out);
    return 0;
#else
    (void)out;
    Write(err, "rix combine: NetCDF is not built in (rebuild with libnetcdf and -DRIX_NETCDF=ON)\n");
    return 1;
#endif
}

}  // namespace rixcli
