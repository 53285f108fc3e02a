// Joins the per-archive NetCDF-4 files of one setup (a cruise's days) into
// one file: every channel group's samples, file after file in the order of
// their first times. Built only with libnetcdf (RIX_HAVE_NETCDF).
#pragma once
#include <string>
#include <vector>

namespace rix {

class Reporter;

struct CombineSummary {
    int inputs = 0;
    int groups = 0;
    long long samples = 0;     // rows appended, all groups
    int overlaps = 0;          // inputs whose times overlap an earlier one's
    std::vector<std::string> order;  // the inputs in the order they were joined
};

// Writes `output` (under a temporary name, renamed when complete) from
// `inputs`. Each group present in any input is defined as in the first input
// (in time order) that has it: attributes, variables, deflate and chunking;
// the samples along its `obs` dimension follow input after input, in blocks,
// so memory does not grow with the inputs. An input whose time range overlaps
// another's is named in a warning saying "overlap"; inputs whose group of one
// name holds other variables are refused and nothing is written. Global
// attributes come from the first input, with a history line added. False on
// a failure (reported through `reporter`).
bool CombineNetcdf(Reporter& reporter, const std::string& output, const std::vector<std::string>& inputs,
                   CombineSummary* summary = nullptr);

}  // namespace rix
