// `rix combine OUT.nc IN.nc...`: the per-archive NetCDF files of one setup
// joined into one.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace rixcli {

extern const char* const kCombineHelp;

// files: OUT then the inputs. Exit status: 0 joined, 1 a failure (nothing
// written) or NetCDF not built in, 2 usage error.
int RunCombineCommand(const std::vector<std::string>& files, std::FILE* out, std::FILE* err);

}  // namespace rixcli
