// Merge setup file (*.MSF): the cast direction and the 20 merge pairs that
// tell the merge stage which extracted files to combine and how.
#pragma once
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "report/Reporter.h"

namespace rix {

constexpr int kMergePairs = 20;
constexpr int kMaxDisplayColumns = 500;
constexpr int kMergeNameSize = 120;  // file names, terminator included
constexpr int kDeviceNameSize = 80;
constexpr int kDisplayOrderSize = 500;

// One side of a pair: where its file comes from and how its key is read.
struct MergeSide {
    int sourceKind = 0;   // 0 a channel's extracted file, 1 an earlier pair's output, 2 fileName
    int channelId = 0;
    int pairNumber = 0;
    int keyColumn = 0;    // 1-based
    int units = 0;        // mirrors offsetUnits, not used by the engine
    int headerRows = 0;
    int headerUse = 0;    // 0 discard all, 1 keep the last header row
    int meterType = 0;    // base: 0 DKDC, 1 NX9, 2 CTD-Analog-DO; merge: 0 DKDC, 1 CTD-Analog-DO
    int offset = 0;       // cm (units 0) or ms (units 1)
    int offsetUnits = 0;  // 0 dbar, 1 ms, 2 Julian day
    int calTemperature = 2000;  // base only: hundredths of a degree C
    int calSalinity = 0;        // base only: hundredths of a PSU
    std::string fileName;
};

struct MergePair {
    int mergeMode = 0;  // 0 skip, 1 depth, 2 time, 3 append, 4 time series
    MergeSide base;
    MergeSide merge;
    std::string displayOrder = "B1";
    // Column references: n (1..4999) base column n, 5000 + n merge column n, <= 0 none.
    int condColumn = -1;
    int tempColumn = -1;
    int presColumn = -1;
    int salColumn = -1;
    int oxTempColumn = -1;
    int oxCurrentColumn = -1;
    double pressureOffset = 0.0;
    int reserved1 = -1;
    int reserved2 = -1;
    std::array<int, 8> analogColumn{-1, -1, -1, -1, -1, -1, -1, -1};
    std::string oxDeviceFile = "SBE23/43.DEV";
    std::array<std::string, 8> analogDeviceFile;
    std::vector<int> displayColumns;  // built from displayOrder for every run; not stored
    int correctionFlags = 0;          // bit 0 temperature, 1 salinity, 2 scatter, 3 clean water
    int scatterMethod = 0;
    int absorbWavelength = 715;
    int outputFormat = 0;  // 0 standard, 1 NOPP, 2 time series
    std::string tCorFile = "t.cor";
    std::string sCorFile = "s.cor";
    std::string cleanWaterFile = "ch2o.cor";

    MergePair() {
        base.channelId = 1;
        merge.calTemperature = 0;
    }
};

constexpr int kCorrectTemperature = 1;
constexpr int kCorrectSalinity = 2;
constexpr int kCorrectScatter = 4;
constexpr int kCorrectCleanWater = 8;

struct MergeSetup {
    int castDirection = 0;  // 1 down cast, 2 up cast, -1 unreadable
    std::array<MergePair, kMergePairs> pairs;
};

void ResetMergeSetup(MergeSetup& setup);
// Reads an open merge setup file from its start. 1 when the file was read
// (a file that ends early included); 0 for a wrong revision (the setup keeps
// its contents) or a malformed pair (the setup is reset). Reported.
int ReadMsfFile(Reporter& reporter, MergeSetup& setup, std::FILE* stream);
void WriteMsfFile(const MergeSetup& setup, std::FILE* stream);
std::string MsfText(const MergeSetup& setup);

void GetMergePair(const MergeSetup& setup, int index, MergePair& out);
void SetMergePair(MergeSetup& setup, int index, const MergePair& in);
void SetCastDirection(MergeSetup& setup, int value);

// "B12" gives 12, "m 3" gives 5003, text without a column gives -1.
int ParseColumnReference(const std::string& text);
std::string FormatColumnReference(int value);

}  // namespace rix
