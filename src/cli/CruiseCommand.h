// `rix extract` of many archives: names, patterns rix expands itself, and a
// range of daily archives, run a few at a time with one summary at the end.
#pragma once
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "extract/Cruise.h"

namespace rixcli {

struct CruiseOptions {
    std::vector<std::string> archives;  // as given (names or patterns)
    std::string dailyBase;              // --daily BASE with --days
    std::string days;                   // --days FROM..TO
    std::string jobs;                   // --jobs N ("" = the cores)
    bool json = false;
    bool verbose = false;
    bool debug = false;
};

// True when the command line asks for a many-archive run: more than one
// archive, a pattern, a range of days or a number of jobs.
bool IsCruise(const CruiseOptions& options, bool jobsGiven);

// Archive arguments with the patterns the shell left (no file of that name)
// expanded in name order; a pattern matching nothing stays as given, to be
// reported missing.
std::vector<std::string> ExpandArchives(const std::vector<std::string>& arguments);

// Runs the archives of `options` with the setup of `setup`; the summary table
// (or JSON document) on `out`, the runs' messages and progress on `err`.
// Returns the exit status; 2 for a usage error, reported on `err` with `help`.
int RunCruiseCommand(const CruiseOptions& options, const rix::ExtractRequest& setup, std::atomic<bool>& stop,
                     std::FILE* out, std::FILE* err, const char* help);

// The summary table of a many-archive run.
std::string CruiseTable(const rix::CruiseOutcome& outcome);

}  // namespace rixcli
