// The display order of a merge pair: which columns a merged row holds.
#include <strings.h>

#include "Context.h"
#include "merge/Corrections.h"
#include "merge/Files.h"
#include "setup/SetupText.h"
#include "utilities/FileIo.h"

namespace rix {

namespace {

struct Keyword {
    const char* name;
    size_t compared;  // characters compared, case ignored
    int code;
};

const Keyword kKeywords[] = {
    {"iBTIME", 3, kCodeBaseTime},      {"iMTIME", 3, kCodeMergeTime},     {"iBSECS", 6, kCodeBaseSeconds},
    {"iMSECS", 6, kCodeMergeSeconds},  {"iCOND", 5, kCodeConductivity},   {"iTEMP", 5, kCodeTemperature},
    {"iPRES", 5, kCodePressure},       {"iV1", 3, kCodeAnalog1},          {"iV2", 3, kCodeAnalog1 + 1},
    {"iV3", 3, kCodeAnalog1 + 2},      {"iV4", 3, kCodeAnalog1 + 3},      {"iV5", 3, kCodeAnalog1 + 4},
    {"iV6", 3, kCodeAnalog1 + 5},      {"iV7", 3, kCodeAnalog1 + 6},      {"iV8", 3, kCodeAnalog1 + 7},
    {"iPID", 4, kCodePid},             {"iLAT", 4, kCodePid + 1},         {"iLONG", 5, kCodePid + 2},
    {"iJDAY", 5, kCodePid + 3},        {"iSAL", 4, kCodeSalinity},        {"iDEN", 4, kCodeDensity},
    {"iSIGMA-T", 4, kCodeSigmaT},      {"iZERO", 5, kCodeZero},           {"iSBE23", 6, kCodeSbe23},
    {"iSBE43", 6, kCodeSbe43},
};

// A column number of a display token: 1 to 500, the columns a row can have.
bool ValidColumn(int n) { return n >= 1 && n <= kMergeColumns; }

void Append(MergePair& pair, int code) {
    if (static_cast<int>(pair.displayColumns.size()) < kMaxDisplayColumns) pair.displayColumns.push_back(code);
}

void AppendColumns(MergePair& pair, const std::string& token, int base) {
    const char* p = token.c_str() + 1;
    int first = 0;
    if (!setuptext::ScanInt(p, first)) return;
    if (token.find('-') == std::string::npos) {
        if (ValidColumn(first)) Append(pair, base + first - 1);
        return;
    }
    int last = 0;
    if (*p != '-') return;
    ++p;
    if (!setuptext::ScanInt(p, last) || last <= first || !ValidColumn(first) || !ValidColumn(last)) return;
    for (int n = first; n <= last; ++n) Append(pair, base + n - 1);
}

int OxygenCode(Context& ctx, int sensorType, const std::string& path) {
    return ReadOxygenDeviceFile(ctx, sensorType, path) ? (sensorType == 23 ? kCodeSbe23 : kCodeSbe43)
                                                        : kCodeOxygenFailed;
}

void AppendKeyword(Context& ctx, MergePair& pair, const std::string& token, const std::string& deviceFolder) {
    for (const Keyword& k : kKeywords) {
        if (strncasecmp(token.c_str(), k.name, k.compared) != 0) continue;
        int code = k.code;
        if (code == kCodeSbe23) {
            ClearSbe23History(ctx);
            code = OxygenCode(ctx, 23, pair.oxDeviceFile);
        } else if (code == kCodeSbe43) {
            code = OxygenCode(ctx, 43, JoinPath(deviceFolder, pair.oxDeviceFile));
        }
        Append(pair, code);
        return;
    }
}

}  // namespace

void BuildDisplayColumns(Context& ctx, MergePair& pair, const std::string& deviceFolder) {
    pair.displayColumns.clear();
    std::string text = pair.displayOrder;
    for (char& c : text)
        if (c == ',' || c == '\t') c = ' ';
    size_t pos = 0;
    while (pos < text.size()) {
        size_t start = text.find_first_not_of(' ', pos);
        if (start == std::string::npos) break;
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string token = text.substr(start, end - start);
        pos = end;
        const size_t before = pair.displayColumns.size();
        switch (token[0]) {
            case 'B':
            case 'b': AppendColumns(pair, token, 0); break;
            case 'M':
            case 'm': AppendColumns(pair, token, 5000); break;
            case 'I':
            case 'i': AppendKeyword(ctx, pair, token, deviceFolder); break;
            default: break;
        }
        if (pair.displayColumns.size() == before)
            ctx.reporter.ShowError("Warning -- Invalid Display Order Parameter",
                                   Format("Parameter '%s' is Invalid", token.c_str()));
    }
}

}  // namespace rix
