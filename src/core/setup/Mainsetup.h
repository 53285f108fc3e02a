// Main setup file ("last.rix", *.RIX): run mode and the seven names of the
// main window, each with a length prefix so that names may hold blanks.
#pragma once
#include <string>

#include "report/Reporter.h"

namespace rix {

struct MainSetup {
    int mode = 0;  // 0 manual, 1 daily, 2 near real time, 3 real time
    std::string archiveFile = "*.000 to *.999";
    std::string isfFile = "*.ISF";
    std::string esfFile = "*.ESF";
    std::string mergeFile = "*.MSF";
    std::string baseArchive = "*.*";
    std::string deviceFolder = "*****";
    std::string outputFolder = "*****";
};

// Writes the file; "File Error" / "Unable to open/create file '%s'" on failure.
int SaveMainSetup(Reporter& reporter, const MainSetup& setup, const std::string& path);
// Reads the file into setup. Returns 1 when the mode line was read (names
// that follow replace those in setup), 0 when nothing changed.
int LoadMainSetup(MainSetup& setup, const std::string& path);

// The daily archive name: base name + "%02d.%03d" of yesterday's two-digit
// year and day of year. year is the full year (e.g. 2005), dayOfYear 1..366.
std::string DailyArchiveName(const std::string& baseName, int year, int dayOfYear);
// Today's local date as full year and day of year (1..366).
void LocalToday(int& year, int& dayOfYear);

}  // namespace rix
