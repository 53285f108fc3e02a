#include "setup/Msf.h"

#include <climits>
#include <cstring>

#include "setup/SetupText.h"
#include "utilities/Decimal.h"

namespace rix {

namespace {

constexpr std::size_t kLineLimit = 499;  // lines are read with a limit of 500 characters
constexpr double kRevision = 2.0;

// A word of the file between its brackets: "<" becomes a blank, ">" ends
// it, leading blanks go, and the rest is cut to the field's capacity.
std::string CleanWord(const std::string& word, int capacity) {
    std::string s = word.substr(0, word.find('>'));
    for (char& c : s)
        if (c == '<') c = ' ';
    size_t first = s.find_first_not_of(' ');
    s = first == std::string::npos ? std::string() : s.substr(first);
    if (s.size() > static_cast<size_t>(capacity - 1)) s.resize(capacity - 1);
    return s;
}

std::string CommasToBlanks(std::string line) {
    for (char& c : line)
        if (c == ',') c = ' ';
    return line;
}

// Scans `count` integers into the given fields, then a word: false when any is missing.
bool ScanInts(const char*& p, int* const* fields, int count) {
    for (int i = 0; i < count; ++i) {
        int v = 0;
        if (!setuptext::ScanInt(p, v)) return false;
        *fields[i] = v;
    }
    return true;
}

bool ScanName(const char*& p, std::string& field, int capacity) {
    std::string word;
    if (!setuptext::ScanWord(p, word)) return false;
    field = CleanWord(word, capacity);
    return true;
}

bool ReadSide(const std::string& raw, MergeSide& side, bool base) {
    std::string line = CommasToBlanks(raw);
    const char* p = line.c_str();
    int* fields[12] = {&side.sourceKind, &side.channelId,   &side.pairNumber, &side.keyColumn,
                       &side.units,      &side.headerRows,  &side.headerUse,  &side.offset,
                       &side.offsetUnits, &side.meterType, &side.calTemperature, &side.calSalinity};
    return ScanInts(p, fields, base ? 12 : 10) && ScanName(p, side.fileName, kMergeNameSize);
}

bool ReadColumns(const std::string& raw, MergePair& pair) {
    std::string line = CommasToBlanks(raw);
    const char* p = line.c_str();
    // The file has the oxygen current before the oxygen temperature.
    int* fields[6] = {&pair.condColumn, &pair.tempColumn,      &pair.presColumn,
                      &pair.salColumn,  &pair.oxCurrentColumn, &pair.oxTempColumn};
    int* reserved[2] = {&pair.reserved1, &pair.reserved2};
    return ScanInts(p, fields, 6) && ScanDouble(p, pair.pressureOffset) && ScanInts(p, reserved, 2) &&
           ScanName(p, pair.oxDeviceFile, kDeviceNameSize);
}

bool ReadAnalogs(const std::string& raw, MergePair& pair) {
    std::string line = CommasToBlanks(raw);
    const char* p = line.c_str();
    for (int i = 0; i < 8; ++i) {
        int* field[1] = {&pair.analogColumn[i]};
        if (!ScanInts(p, field, 1) || !ScanName(p, pair.analogDeviceFile[i], kDeviceNameSize)) return false;
    }
    return true;
}

bool ReadCorrections(const std::string& raw, MergePair& pair) {
    std::string line = CommasToBlanks(raw);
    const char* p = line.c_str();
    int* fields[4] = {&pair.correctionFlags, &pair.scatterMethod, &pair.absorbWavelength, &pair.outputFormat};
    return ScanInts(p, fields, 4) && ScanName(p, pair.tCorFile, kMergeNameSize) &&
           ScanName(p, pair.sCorFile, kMergeNameSize) && ScanName(p, pair.cleanWaterFile, kMergeNameSize);
}

// The count of numbers "%d,%d" reads: -1 when the line holds nothing to read.
int ScanPairLine(const std::string& line, int& number, int& mode) {
    const char* p = line.c_str();
    while (*p && setuptext::IsBlank(*p)) ++p;
    if (!*p) return -1;
    if (!setuptext::ScanInt(p, number)) return 0;
    if (*p != ',') return 1;
    ++p;
    return setuptext::ScanInt(p, mode) ? 2 : 1;
}

}  // namespace

void ResetMergeSetup(MergeSetup& setup) { setup = MergeSetup(); }

int ReadMsfFile(Reporter& reporter, MergeSetup& setup, std::FILE* stream) {
    std::rewind(stream);
    std::string line;
    if (setuptext::ReadLine(stream, kLineLimit, line)) {
        double revision = 0;
        const char* p = line.c_str();
        if (!ScanDouble(p, revision) || revision != kRevision) {
            reporter.ShowError("Incompatible Merge Files",
                               Format("Software %3.1f vs. File %3.1f", kRevision, revision));
            return 0;
        }
    }
    for (int i = 2; i <= 5; ++i) {
        if (!setuptext::ReadLine(stream, kLineLimit, line)) line.clear();
    }
    {
        const char* p = line.c_str();
        int direction = 0;
        setup.castDirection = setuptext::ScanInt(p, direction) ? direction : -1;
    }

    for (int index = 0; index < kMergePairs; ++index) {
        if (!setuptext::ReadLine(stream, kLineLimit, line)) break;  // the file ends here
        const int number = index + 1;
        int pairNumber = 0, mode = 0;
        int j = ScanPairLine(line, pairNumber, mode);
        if (j < 2 || pairNumber != number) {
            reporter.ShowError(Format("Merge Setup File Error - Merge Pair %d (j=%d)", number, j), line);
            ResetMergeSetup(setup);
            return 0;
        }
        MergePair pair = setup.pairs[index];
        pair.mergeMode = mode;
        auto next = [&](std::string& text) {
            if (!setuptext::ReadLine(stream, kLineLimit, text)) text.clear();
        };
        const char* caption = "Merge Setup File Error";
        const char* failure = nullptr;
        next(line);
        if (!ReadSide(line, pair.base, true)) {
            failure = "Missing/Incorrect Base Information - Channel %d";
        } else {
            caption = "Merge File Error";
            next(line);
            if (!ReadSide(line, pair.merge, false)) failure = "Missing/Incorrect Merge Information - Channel %d";
        }
        if (!failure) {
            next(line);
            if (!ReadColumns(line, pair)) failure = "Missing/Incorrect CTPSOV Information - Channel %d";
        }
        if (!failure) {
            next(line);
            if (!ReadAnalogs(line, pair)) failure = "Missing/Incorrect Voltage Information - Channel %d";
        }
        if (!failure) {
            next(line);
            pair.displayOrder = line.substr(0, kDisplayOrderSize - 1);
            next(line);
            if (!ReadCorrections(line, pair)) failure = "Missing/Incorrect ac Corrections - Channel %d";
        }
        if (failure) {
            reporter.ShowError(caption, Format(failure, number));
            ResetMergeSetup(setup);
            return 0;
        }
        setup.pairs[index] = pair;
    }
    return 1;
}

std::string MsfText(const MergeSetup& setup) {
    std::string text = Format("%3.1f\t;Merge Structure Revision\r\n", kRevision);
    for (int i = 0; i < 3; ++i) text += "Reserved\r\n";
    text += Format("%d\r\n", setup.castDirection);
    for (int index = 0; index < kMergePairs; ++index) {
        const MergePair& p = setup.pairs[index];
        const MergeSide& b = p.base;
        const MergeSide& m = p.merge;
        text += Format("%1d,%1d\r\n", index + 1, p.mergeMode);
        text += Format("%1d,%1d,%1d,%1d,%1d,%1d,%1d,%1ld,%1d,%1d,%1d,%1d,<%s>\r\n", b.sourceKind, b.channelId,
                       b.pairNumber, b.keyColumn, b.units, b.headerRows, b.headerUse, static_cast<long>(b.offset),
                       b.offsetUnits, b.meterType, b.calTemperature, b.calSalinity, b.fileName.c_str());
        text += Format("%1d,%1d,%1d,%1d,%1d,%1d,%1d,%1ld,%1d,%1d<%s>\r\n", m.sourceKind, m.channelId, m.pairNumber,
                       m.keyColumn, m.units, m.headerRows, m.headerUse, static_cast<long>(m.offset), m.offsetUnits,
                       m.meterType, m.fileName.c_str());
        text += Format("%1d,%1d,%1d,%1d,%1d,%1d,%4.2lf,%1ld,%1ld,<%s>\r\n", p.condColumn, p.tempColumn,
                       p.presColumn, p.salColumn, p.oxCurrentColumn, p.oxTempColumn, p.pressureOffset,
                       static_cast<long>(p.reserved1), static_cast<long>(p.reserved2), p.oxDeviceFile.c_str());
        for (int a = 0; a < 8; ++a)
            text += Format("%1d,<%s>,", p.analogColumn[a], p.analogDeviceFile[a].c_str());
        text += "\r\n";
        text += p.displayOrder + "\r\n";
        text += Format("%1d,%1d,%1d,%1d,<%s>,<%s>,<%s>\r\n", p.correctionFlags, p.scatterMethod,
                       p.absorbWavelength, p.outputFormat, p.tCorFile.c_str(), p.sCorFile.c_str(),
                       p.cleanWaterFile.c_str());
    }
    return text;
}

void WriteMsfFile(const MergeSetup& setup, std::FILE* stream) {
    std::string text = MsfText(setup);
    std::fwrite(text.data(), 1, text.size(), stream);
}

void GetMergePair(const MergeSetup& setup, int index, MergePair& out) {
    if (index >= 0 && index < kMergePairs) out = setup.pairs[index];
}

void SetMergePair(MergeSetup& setup, int index, const MergePair& in) {
    if (index >= 0 && index < kMergePairs) setup.pairs[index] = in;
}

void SetCastDirection(MergeSetup& setup, int value) { setup.castDirection = value + 1; }

int ParseColumnReference(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != 'B' && c != 'b' && c != 'M' && c != 'm') continue;
        const char* p = text.c_str() + i + 1;
        int n = 0;
        if (!setuptext::ScanInt(p, n)) continue;
        if (c == 'M' || c == 'm') return n > INT_MAX - 5000 ? INT_MAX : 5000 + n;
        return n;
    }
    return -1;
}

std::string FormatColumnReference(int value) {
    if (value <= 0) return "None";
    if (value > 4999) return Format("M%1d", value - 5000);
    return Format("B%1d", value);
}

}  // namespace rix
