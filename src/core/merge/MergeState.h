// The merge stage's program-wide state: the merge setup, the working file's
// channel table, the header titles, the correction tables and the oxygen
// sensor's coefficients and history.
#pragma once
#include <array>
#include <bitset>
#include <string>
#include <vector>

#include "setup/Msf.h"

namespace rix {

constexpr int kMergeColumns = 500;  // values of a row, titles of a side
constexpr int kNx9Columns = 19;     // time and the 18 optical channels

// One data row: its numeric fields in order.
struct MergeRow {
    int count = 0;
    bool cleaned = false;  // clean-water offsets already subtracted
    double values[kMergeColumns] = {};
    // Fields read as ISO 8601 UTC stamps (their values are milliseconds since
    // 2000-01-01T00:00:00Z); written back in the same form.
    std::bitset<kMergeColumns> iso;
    bool Has(int column) const { return column >= 0 && column < count; }
    bool IsIso(int column) const { return Has(column) && iso.test(static_cast<size_t>(column)); }
};

struct ChannelFileEntry {
    int id = 0;
    std::string path;
};

struct CorrectionRow {
    double wavelength = 0;
    double a = 0;  // the temperature table keeps its one coefficient here
    double c = 0;
};

// Dissolved-oxygen sensor coefficients (SBE43 and SBE23 device files).
struct OxygenCoefficients {
    double soc = 0, boc = 0, tcor = 0, pcor = 0, voffset = 0, tau = 0;
    double wt = 0.67;
    double m = -1.0, b = 1.0, k = -9.0, c = -7.0;
    int window = 0;  // samples of the current-slope fit
};

struct MergeState {
    MergeSetup setup;

    // The merge working file (_MRG) of the run.
    int extractionNumber = 0;
    std::string runBaseName;
    std::array<ChannelFileEntry, 50> channelFiles;

    // Column titles of the base and merge files of the current pair.
    std::vector<std::string> baseTitles = std::vector<std::string>(kMergeColumns, "No_Header");
    std::vector<std::string> mergeTitles = std::vector<std::string>(kMergeColumns, "No_Header");

    // Correction tables of the current pair, and each NX9 column's nearest row
    // in them (looked up once per pair).
    std::vector<CorrectionRow> cleanWater, salinity, temperature;
    std::array<int, kNx9Columns> cleanRow{}, salinityRow{}, temperatureRow{};

    OxygenCoefficients oxygen;
    bool sbe23InUse = false;
    // SBE23 current-slope history, newest first.
    std::array<double, 32> historyTime{}, historyCurrent{};
    int historyCount = 0;
    long long sbe23Time = 0;  // ms, advanced 125 per SBE23 value, never reset

    // Configuration messages shown once until a row passes the check again.
    bool temperatureLatch = false, salinityLatch = false, refSalinityLatch = false;
};

}  // namespace rix
