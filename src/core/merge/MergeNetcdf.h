// The NetCDF file of a merge: BASE_pair.nc with one group per merged pair
// ("pair01", ...), read back from the pair files the merge has just written.
#pragma once
#include <string>

#include "extract/NetcdfSink.h"

namespace rix {

struct Context;

// BASE_pair.nc of the working file's base in the output folder.
std::string MergedNetcdfPath(const Context& ctx, const std::string& outputFolder);

// Writes the file from the active pairs' output files. year: the run's year
// (2000 to 2099) when its stamps are days of the year (with their fraction)
// and it knows the year; 0 otherwise. False (reported, no file left) on failure.
bool WriteMergedNetcdf(Context& ctx, const std::string& outputFolder, const NetcdfFileInfo& info, int year);

}  // namespace rix
