// Extraction setup file (*.ESF): the options of an extraction run.
#pragma once
#include <cstdio>
#include <string>

#include "report/Reporter.h"

namespace rix {

struct ExtractionSetup {
    int inputFormat = 0;      // 0 KX archive .. 3 MOPAK, 4 raw file
    int dataOutput = 0;       // 0 raw, 1 engineering units with headers
    int depthProcessing = 0;  // stored only
    int ctdChannel = 0;       // 0 none
    int outputFiles = 0;      // 0 individual, 1 merged, 2 time series (refused)
    int clockSource = 0;      // 0 any logger, 1..4
    int timeStampFormat = 0;  // 0..7
    int dateTimeChannel = 21;
    int timeOffsetHours = 0;
    int timeIncrementMs = 250;
};

void ResetExtractionSetup(ExtractionSetup& setup);
// 0 only when the file cannot be opened.
int ReadEsfFile(Reporter& reporter, ExtractionSetup& setup, const std::string& path);
void WriteEsfFile(const ExtractionSetup& setup, std::FILE* stream);
std::string EsfText(const ExtractionSetup& setup);

}  // namespace rix
