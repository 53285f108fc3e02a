// The merge stage: pairwise merging of extracted files on time or depth,
// the append and time-series modes, and the merged output files.
#pragma once
#include <cstdio>
#include <string>

#include "merge/MergeState.h"

namespace rix {

struct Context;
class TextReader;

// Display codes of the derived output columns.
enum DisplayCode : int {
    kCodeDensity = 10001,
    kCodeSigmaT = 10002,
    kCodeSalinity = 10003,
    kCodeBaseTime = 10004,
    kCodeMergeTime = 10005,
    kCodeBaseSeconds = 10006,
    kCodeMergeSeconds = 10007,
    kCodeZero = 10008,
    kCodeSbe23 = 10009,
    kCodeSbe43 = 10010,
    kCodeOxygenFailed = 10011,
    kCodeConductivity = 10012,
    kCodeTemperature = 10013,
    kCodePressure = 10014,
    kCodeAnalog1 = 10101,  // to 10108
    kCodePid = 10200,      // to 10203 (iPID, iLAT, iLONG, iJDAY): no value
};

// The merge of one working file: status "Merging", the run, then "Merge is
// Complete" or "Merge Ended by an Error". 1 when the run reached its end
// (warnings included), 0 when a failure ended it. Shared by the command
// line, the main window's merge button and the merge after an extraction.
int MergeFiles(Context& ctx, const std::string& mergeSetupPath, const std::string& workingFilePath,
               const std::string& deviceFolder, const std::string& outputFolder);

// The run itself, without the status texts.
int RunMerge(Context& ctx, const std::string& mergeSetupPath, const std::string& workingFilePath,
             const std::string& deviceFolder, const std::string& outputFolder);

// Reads _MRG into the channel file table. 0 when its first line is unusable.
int ReadMergeWorkingFile(Context& ctx, std::FILE* stream);

// One data row: every field that begins with a decimal number, in order (at
// most 500); the key column (0-based) becomes value x scale - offset. 0 at
// the end of the file, the row unchanged.
int ReadDataRow(TextReader& reader, MergeRow& row, int keyColumn, double scale, double offset);

// side 0 base, 1 merge. Rewinds the file.
void ReadHeaderNames(Context& ctx, int side, int meterType, int headerRows, int headerUse, TextReader& reader);

// Turns the pair's display order into its display codes, with a warning per
// token that adds none; reads the oxygen device file for iSBE23/iSBE43.
void BuildDisplayColumns(Context& ctx, MergePair& pair, const std::string& deviceFolder);

// The merged output file of pair `pairNumber` (1 to 20).
std::string PairOutputPath(const Context& ctx, const std::string& outputFolder, int pairNumber);

}  // namespace rix
