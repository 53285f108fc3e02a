#include "merge/Files.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "Context.h"
#include "extract/Misc.h"
#include "merge/Corrections.h"
#include "merge/TextReader.h"
#include "meters/Seawater.h"
#include "setup/SetupText.h"
#include "utilities/Decimal.h"
#include "utilities/FileIo.h"

namespace rix {

namespace {

constexpr const char* kOutputPurpose = "Merged Output";
constexpr int kTitleLength = 19;
constexpr double kUnset = 9999.0;
constexpr size_t kWorkingLineLimit = 1 << 16;
constexpr size_t kWorkingRestLimit = 500;

bool IsFieldSeparator(char c) { return c == '\t' || c == '\r' || c == '\n' || c == ' ' || c == ','; }

// Opens an input for reading (a folder is no file), with the common box on failure.
std::FILE* OpenInput(Context& ctx, const std::string& path, const char* purpose) {
    std::FILE* f = setuptext::OpenForReading(path);
    if (!f)
        ctx.reporter.ShowError(Format("%s File Error", purpose), Format("Unable to open %s", path.c_str()));
    return f;
}

// The merged output: rows gathered in memory and written in large blocks.
class Output {
public:
    explicit Output(std::FILE* f) : file_(f) { text_.reserve(kBlock + 8192); }
    std::string& text() { return text_; }
    void Row() {
        text_ += "\r\n";
        if (text_.size() >= kBlock) Flush();
    }
    void Flush() {
        if (!text_.empty() && std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size()) failed_ = true;
        text_.clear();
    }
    bool failed() const { return failed_; }

private:
    static constexpr size_t kBlock = 1 << 18;
    std::FILE* file_;
    std::string text_;
    bool failed_ = false;
};

// The derived values of one output row.
struct Derived {
    double temperature = kUnset, pressure = kUnset, salinity = kUnset, conductivity = kUnset;
    double oxCurrent = kUnset, oxTemperature = kUnset;
    bool hasTemperature = false, hasPressure = false, hasSalinity = false;
    bool hasOxCurrent = false, hasOxTemperature = false;
    double analog[8] = {9999.9, 9999.9, 9999.9, 9999.9, 9999.9, 9999.9, 9999.9, 9999.9};
};

// A column reference: n (1..500) base column n, 5000 + n merge column n.
bool ValidReference(int ref) { return ref <= 0 || (ref <= kMergeColumns) || (ref > 5000 && ref <= 5000 + kMergeColumns); }

bool Resolve(int ref, const MergeRow& base, const MergeRow& merge, double& value) {
    if (ref >= 1 && ref <= kMergeColumns) {
        if (!base.Has(ref - 1)) return false;
        value = base.values[ref - 1];
        return true;
    }
    if (ref > 5000 && ref <= 5000 + kMergeColumns) {
        if (!merge.Has(ref - 5001)) return false;
        value = merge.values[ref - 5001];
        return true;
    }
    return false;
}

// A salinity that is neither unset nor the equation's placeholder.
bool UsableSalinity(const Derived& d) { return d.hasSalinity && d.salinity > -1 && d.salinity != 99.0; }

void CheckColumnReferences(Context& ctx, const MergePair& pair) {
    const int refs[] = {pair.condColumn,   pair.tempColumn,      pair.presColumn,      pair.salColumn,
                        pair.oxTempColumn, pair.oxCurrentColumn, pair.analogColumn[0], pair.analogColumn[1],
                        pair.analogColumn[2], pair.analogColumn[3], pair.analogColumn[4], pair.analogColumn[5],
                        pair.analogColumn[6], pair.analogColumn[7]};
    for (int ref : refs) {
        if (ValidReference(ref) && ref != 5000) continue;
        ctx.reporter.ShowError("Warning -- Invalid Display Order Parameter",
                               Format("Parameter '%s' is Invalid", FormatColumnReference(ref).c_str()));
    }
}

Derived ComputeDerived(Context& ctx, const MergePair& pair, const MergeRow& base, const MergeRow& merge) {
    Derived d;
    d.hasTemperature = Resolve(pair.tempColumn, base, merge, d.temperature);
    if (Resolve(pair.presColumn, base, merge, d.pressure)) {
        d.pressure -= pair.pressureOffset;
        d.hasPressure = true;
    }
    if (pair.salColumn >= 1) {
        d.hasSalinity = Resolve(pair.salColumn, base, merge, d.salinity);
    } else {
        double c = 0;
        // Salinity only from known values: the placeholders make no salinity.
        if (pair.condColumn >= 1 && Resolve(pair.condColumn, base, merge, c) && d.hasTemperature && d.hasPressure) {
            d.conductivity = c;
            d.salinity = PracticalSalinity(c, d.temperature * 1.00024, d.pressure);
            d.hasSalinity = true;
        }
    }
    if (!d.hasTemperature) d.temperature = kUnset;
    if (!d.hasPressure) d.pressure = kUnset;
    if (!d.hasSalinity) d.salinity = kUnset;
    d.hasOxCurrent = Resolve(pair.oxCurrentColumn, base, merge, d.oxCurrent);
    d.hasOxTemperature = Resolve(pair.oxTempColumn, base, merge, d.oxTemperature);
    for (int i = 0; i < 8; ++i) {
        double v = 0;
        if (pair.analogColumn[i] != -1 && Resolve(pair.analogColumn[i], base, merge, v))
            d.analog[i] = ConvertAnalog(ctx, i, v);
    }
    return d;
}

double DerivedValue(Context& ctx, int code, double x, double mergeKey, const Derived& d) {
    const bool tPositive = d.hasTemperature && d.temperature > 0;
    switch (code) {
        case kCodeBaseTime: return x;
        case kCodeMergeTime: return mergeKey;
        case kCodeBaseSeconds: return x / 1000.0;
        case kCodeMergeSeconds: return mergeKey / 1000.0;
        case kCodeZero: return 0;
        case kCodeConductivity: return d.conductivity;
        case kCodeTemperature: return d.temperature;
        case kCodePressure: return d.pressure;
        case kCodeSalinity: return d.salinity > -1 ? d.salinity : 99999.0;
        case kCodeSigmaT:
            return UsableSalinity(d) && tPositive ? Density(d.salinity, d.temperature, 0) - 1000.0 : 99999.0;
        case kCodeDensity:
            return UsableSalinity(d) && tPositive && d.hasPressure && d.pressure < 9999
                       ? Density(d.salinity, d.temperature, d.pressure)
                       : 99999.0;
        case kCodeSbe43:
            if (!d.hasOxCurrent || !d.hasPressure || !d.hasTemperature || !UsableSalinity(d)) return kUnset;
            return Sbe43Oxygen(ctx, d.oxCurrent, d.pressure, d.temperature, d.salinity);
        case kCodeSbe23:
            ctx.merge.sbe23Time += 125;
            if (!d.hasOxCurrent || !d.hasOxTemperature || !d.hasPressure || !d.hasTemperature ||
                !UsableSalinity(d))
                return kUnset;
            return Sbe23Oxygen(ctx, static_cast<double>(ctx.merge.sbe23Time), d.oxTemperature, d.oxCurrent,
                               d.pressure, d.temperature, d.salinity);
        default:
            if (code >= kCodeAnalog1 && code < kCodeAnalog1 + 8) return d.analog[code - kCodeAnalog1];
            return kUnset;  // failed oxygen, iPID, iLAT, iLONG, iJDAY
    }
}

constexpr const char* kIsoTitle = "DateTimeUTC";

bool IsIsoTitle(const std::vector<std::string>& titles, int column) {
    return column >= 0 && column < static_cast<int>(titles.size()) && titles[static_cast<size_t>(column)] == kIsoTitle;
}

void AppendIso(std::string& text, double msSince2000) {
    char stamp[32];
    FormatIsoMs(msSince2000, stamp);
    text += stamp;
}

std::string DerivedTitle(const Context& ctx, int code) {
    switch (code) {
        case kCodeBaseTime:
        case kCodeMergeTime: return "Time(ms)";
        case kCodeZero: return "Spare";
        case kCodeConductivity: return "C(mmohm)";
        case kCodeTemperature: return "Temp-C";
        case kCodePressure: return "P(dbars)";
        case kCodeSbe43:
        case kCodeSbe23: return "DOC(ml/l)";
        case kCodeSalinity: return "Sal(PSU)";
        case kCodeSigmaT: return "Sigma-T";
        case kCodeDensity: return "Density";
        default:
            if (code >= kCodeAnalog1 && code < kCodeAnalog1 + 8) return AnalogUnits(ctx, code - kCodeAnalog1);
            return std::string();
    }
}

void WriteMergedHeader(Context& ctx, const MergePair& pair, Output& out) {
    if (pair.base.headerUse != 1 && pair.merge.headerUse != 1) return;
    std::string& text = out.text();
    bool first = true;
    for (int code : pair.displayColumns) {
        std::string title;
        if (code < 5000)
            title = ctx.merge.baseTitles[code];
        else if (code < 10000)
            title = ctx.merge.mergeTitles[code - 5000];
        else
            title = DerivedTitle(ctx, code);
        // Files stamped in ISO 8601 merge on their stamps and keep that form.
        if (code == kCodeBaseTime && IsIsoTitle(ctx.merge.baseTitles, pair.base.keyColumn - 1))
            title = kIsoTitle;
        if (code == kCodeMergeTime && IsIsoTitle(ctx.merge.mergeTitles, pair.merge.keyColumn - 1))
            title = kIsoTitle;
        if (pair.outputFormat == 1) {
            text += title + "\r\n";
        } else {
            if (!first) text += '\t';
            text += title;
        }
        first = false;
    }
    out.Row();
}

void AppendNopp(std::string& text, double value) {
    char buffer[400];
    int n = std::snprintf(buffer, sizeof buffer, "%-18.7lf", value);
    text.append(buffer, n > 0 ? static_cast<size_t>(std::min<int>(n, sizeof buffer - 1)) : 0);
}

void WriteMergedRow(Context& ctx, const MergePair& pair, double x, double mergeKey, MergeRow& base,
                    const MergeRow& merge, Output& out) {
    const Derived d = ComputeDerived(ctx, pair, base, merge);
    const bool nx9 = pair.base.meterType == 1;
    const int flags = pair.correctionFlags;
    if (nx9 && (flags & kCorrectCleanWater)) ApplyCleanWater(ctx, base);
    TsInputs ts;
    ts.temperature = d.temperature;
    ts.calTemperature = pair.base.calTemperature / 100.0;
    ts.salinity = d.salinity;
    ts.calSalinity = pair.base.calSalinity / 100.0;
    ts.flags = flags;
    const bool tsCorrect = nx9 && (flags & (kCorrectTemperature | kCorrectSalinity | kCorrectScatter));
    const bool scatter = nx9 && (flags & kCorrectScatter) && pair.scatterMethod > 0;

    std::string& text = out.text();
    bool first = true;
    for (int code : pair.displayColumns) {
        double v = kUnset;
        bool iso = false;
        if (code < 5000) {
            iso = base.IsIso(code);
            if (base.Has(code)) {
                v = base.values[code];
                if (tsCorrect)
                    v = ApplyTsCorrection(ctx, code, v, ts.temperature, ts.calTemperature, ts.salinity,
                                          ts.calSalinity, flags);
                if (scatter) v = ScatterCorrection(ctx, base, code, v, pair.scatterMethod, ts);
            }
        } else if (code < 10000) {
            if (merge.Has(code - 5000)) v = merge.values[code - 5000];
            iso = merge.IsIso(code - 5000);
        } else {
            v = DerivedValue(ctx, code, x, mergeKey, d);
            iso = (code == kCodeBaseTime && base.IsIso(pair.base.keyColumn - 1)) ||
                  (code == kCodeMergeTime && merge.IsIso(pair.merge.keyColumn - 1));
        }
        if (iso) {
            if (pair.outputFormat != 1 && !first) text += '\t';
            AppendIso(text, v);
            if (pair.outputFormat == 1) text += ' ';
        } else if (pair.outputFormat == 1) {
            AppendNopp(text, v);
        } else {
            if (!first) text += '\t';
            AppendFixed(text, v, first && (code == kCodeBaseTime || code == kCodeMergeTime) ? 0 : 6);
        }
        first = false;
    }
    out.Row();
}

// The next row that holds the key column; rows without it are passed over.
bool ReadKeyedRow(TextReader& reader, MergeRow& row, int key, double offset) {
    for (;;) {
        ReadDataRow(reader, row, key, 1.0, offset);
        if (reader.AtEnd()) return false;
        if (row.Has(key)) return true;
    }
}

void SkipLines(TextReader& reader, int count) {
    std::string_view line;
    for (int i = 0; i < count && reader.ReadLine(line); ++i) {
    }
}

// Copies a file's lines after its skipped header; `lastLf` tells whether the
// output so far ends with a line end.
void AppendLines(TextReader& reader, int skip, Output& out, bool& lastLf, bool& any) {
    reader.Rewind();
    SkipLines(reader, skip);
    std::string_view line;
    while (reader.ReadLine(line)) {
        if (any && !lastLf) out.text() += "\r\n";  // the file before ended without a line end
        out.text().append(line.data(), line.size());
        lastLf = !line.empty() && line.back() == '\n';
        any = true;
        if (out.text().size() >= (1 << 18)) out.Flush();
    }
}

std::string SideFile(const Context& ctx, const MergeSide& side, const std::string& outputFolder) {
    switch (side.sourceKind) {
        case 0:
            if (side.channelId > 0 && side.channelId < 50 && ctx.merge.channelFiles[side.channelId].id == side.channelId)
                return ctx.merge.channelFiles[side.channelId].path;
            return std::string();
        case 1: return PairOutputPath(ctx, outputFolder, side.pairNumber);
        case 2: return side.fileName;
        default: return std::string();
    }
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (a.empty() || b.empty()) return false;
    if (std::filesystem::exists(a, ec) && std::filesystem::exists(b, ec))
        return std::filesystem::equivalent(a, b, ec);
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

bool KeyColumnValid(Context& ctx, const MergeSide& side, const char* name, int number) {
    if (side.keyColumn >= 1 && side.keyColumn <= kMergeColumns) return true;
    ctx.reporter.ShowError(Format("Error with %s Key Column", name),
                           Format("Key Column %d of Pair %d is Invalid, Must be 1 to 500", side.keyColumn, number));
    return false;
}

// The key offset of one side; false (reported) for units that do not fit the merge.
bool KeyOffset(Context& ctx, const MergeSide& side, const char* name, int mode, double& offset) {
    const bool depth = mode == 1;
    if (side.offsetUnits == (depth ? 0 : 1)) {
        offset = depth ? side.offset * 0.01 : static_cast<double>(side.offset);
        return true;
    }
    ctx.reporter.ShowError(Format("Error with %s Offset Units", name),
                           Format("Cannot select Offset Units of '%s' when merging on %s", depth ? "Time" : "Depth",
                                  depth ? "Depth" : "Time"));
    return false;
}

struct PairFiles {
    TextReader base, merge;
    OutputFile out;  // takes its name only when the pair is complete
    std::string outPath;
    // Closes everything and completes the output; false when an input could
    // not be read to its end (said here: the pair would be cut short) or the
    // output could not be written.
    bool Close(Context& ctx, Output* output) {
        bool readOk = true;
        for (TextReader* in : {&base, &merge}) {
            if (!in->Failed()) continue;
            ctx.reporter.ShowError("Read File Error",
                                   Format("Unable to Read '%s': %s", in->Path().c_str(), in->Fault().c_str()));
            readOk = false;
        }
        base.Close();
        merge.Close();
        if (!readOk) {
            out.Discard();
            return false;
        }
        if (!out.IsOpen()) return true;
        if (output) output->Flush();
        return out.Commit();
    }
    // A pair that ended on a failure leaves no output.
    void Abandon() {
        base.Close();
        merge.Close();
        out.Discard();
    }
};

// The stepping loop of a time or depth merge.
void StepMerge(Context& ctx, const MergePair& pair, TextReader& baseFile, TextReader& mergeFile, MergeRow& base,
               MergeRow* r1, MergeRow* r2, double baseOffset, double mergeOffset, Output& out) {
    const int keyB = pair.base.keyColumn - 1;
    const int keyM = pair.merge.keyColumn - 1;
    const bool ascending = pair.mergeMode == 2 || ctx.merge.setup.castDirection == 1;
    const bool fixedWindow = pair.merge.channelId == 0;
    for (;;) {
        if (out.failed()) return;  // a full disk: the pair cannot be completed
        const double x = base.values[keyB];
        double k1 = r1->values[keyM], k2 = r2->values[keyM];
        if (fixedWindow) {
            k1 = ascending ? -30000.0 : 2147483647.0;
            k2 = ascending ? 2147483647.0 : -30000.0;
        }
        bool used = false, advance = false;
        const MergeRow* chosen = nullptr;
        if (ascending) {
            if (k1 <= x && x <= k2) chosen = x == k1 ? r1 : x == k2 ? r2 : (x - k1 < k2 - x ? r1 : r2);
            if (x < k1 || chosen)
                used = true;
            else if (x > k2)
                advance = true;
        } else {
            if (k2 <= x && x <= k1) chosen = x == k1 ? r1 : x == k2 ? r2 : (k1 - x < x - k2 ? r1 : r2);
            if (x > k2 || chosen)
                used = true;
            else if (x < k2)
                advance = true;
        }
        if (chosen) WriteMergedRow(ctx, pair, x, chosen->values[keyM], base, *chosen, out);
        if (advance) {
            std::swap(r1, r2);
            if (!ReadKeyedRow(mergeFile, *r2, keyM, mergeOffset)) return;
        } else {
            used = true;  // also a key that compares with nothing (never stalls)
        }
        if (used && !ReadKeyedRow(baseFile, base, keyB, baseOffset)) return;
    }
}

// One pair: 1 to go on with the next pair, 0 when a failure ends the run.
int RunPair(Context& ctx, int index, const std::string& deviceFolder, const std::string& outputFolder) {
    MergeState& m = ctx.merge;
    MergePair& pair = m.setup.pairs[index];
    const int number = index + 1;
    BuildDisplayColumns(ctx, pair, deviceFolder);
    if (pair.mergeMode == 0) return 1;
    CheckColumnReferences(ctx, pair);

    ClearCorrectionTables(ctx);
    ClearSbe23History(ctx);
    for (int i = 0; i < 8; ++i)
        if (pair.analogColumn[i] != -1) ReadAnalogDeviceFile(ctx, i, pair.analogDeviceFile[i]);
    struct Table {
        int bit;
        const std::string& name;
        int (*read)(Context&, const std::string&);
        const char* missing;
    };
    const Table tables[] = {
        {kCorrectCleanWater, pair.cleanWaterFile, ReadCleanWaterFile, "Clean Water Offsets File is Missing"},
        {kCorrectTemperature, pair.tCorFile, ReadTemperatureCorrectionFile, "Temperature Correction File is Missing"},
        {kCorrectSalinity, pair.sCorFile, ReadSalinityCorrectionFile, "Salinity Correction File is Missing"},
    };
    for (const Table& t : tables) {
        if (!(pair.correctionFlags & t.bit)) continue;
        if (t.read(ctx, JoinPath(deviceFolder, t.name)) == 0) {
            ctx.reporter.ShowError(t.missing, Format("Unable to find file '%s'", t.name.c_str()));
            return 0;
        }
    }

    const int mode = pair.mergeMode;
    const std::string basePath = SideFile(ctx, pair.base, outputFolder);
    const std::string mergePath = SideFile(ctx, pair.merge, outputFolder);
    if (mode >= 1 && mode <= 3 && (basePath.empty() || mergePath.empty())) {
        ctx.reporter.ShowError("Merge File Error",
                               Format("No %s File for Pair %d", basePath.empty() ? "Base" : "Merge", number));
        return 1;
    }
    if ((mode == 1 || mode == 2) &&
        (!KeyColumnValid(ctx, pair.base, "Base", number) || !KeyColumnValid(ctx, pair.merge, "Merge", number)))
        return 1;
    PairFiles files;
    files.outPath = PairOutputPath(ctx, outputFolder, number);
    if (SameFile(basePath, files.outPath) || SameFile(mergePath, files.outPath)) {
        ctx.reporter.ShowError("Merge File Error", Format("Output File '%s' of Pair %d is also one of its Input Files",
                                                          files.outPath.c_str(), number));
        return 0;
    }
    if (!basePath.empty() && !files.base.Open(basePath)) {
        ctx.reporter.ShowError("Open File Error",
                               Format("Unable to Open Base File '%s' for Pair %d", basePath.c_str(), number));
        return 0;
    }
    if (!mergePath.empty() && !files.merge.Open(mergePath)) {
        ctx.reporter.ShowError("Open File Error",
                               Format("Unable to Open Merge File '%s' for Pair %d", mergePath.c_str(), number));
        return 0;
    }

    std::fill(m.baseTitles.begin(), m.baseTitles.end(), "No_Header");
    std::fill(m.mergeTitles.begin(), m.mergeTitles.end(), "No_Header");
    double baseOffset = 0, mergeOffset = 0;
    if (mode == 1 || mode == 2) {
        ReadHeaderNames(ctx, 0, pair.base.meterType, pair.base.headerRows, pair.base.headerUse, files.base);
        SkipLines(files.base, pair.base.headerRows);
        if (!KeyOffset(ctx, pair.base, "Base", mode, baseOffset)) return 0;
        ReadHeaderNames(ctx, 1, pair.merge.meterType, pair.merge.headerRows, pair.merge.headerUse, files.merge);
        SkipLines(files.merge, pair.merge.headerRows);
        if (!KeyOffset(ctx, pair.merge, "Merge", mode, mergeOffset)) return 0;
        PrepareCorrections(ctx);
    }

    if (!files.base.IsOpen() && !files.merge.IsOpen()) return 1;
    if (!files.out.Open(ctx.reporter, files.outPath, kOutputPurpose)) return 0;
    Output out(files.out.Stream());

    if (mode == 3) {
        bool lastLf = true, any = false;
        AppendLines(files.base, pair.base.headerRows - pair.base.headerUse, out, lastLf, any);
        AppendLines(files.merge, pair.merge.headerRows - pair.merge.headerUse, out, lastLf, any);
        return files.Close(ctx, &out) ? 1 : 0;
    }
    if (mode != 1 && mode != 2) return files.Close(ctx, &out) ? 1 : 0;  // time series: an empty file
    if (pair.outputFormat == 2) {
        ctx.reporter.ShowError("HD", "Time Series Output Format is not Available");
        return files.Close(ctx, &out) ? 1 : 0;
    }
    WriteMergedHeader(ctx, pair, out);
    if (mode == 1 && m.setup.castDirection != 1 && m.setup.castDirection != 2) {
        ctx.reporter.ShowError("Error with Cast Direction",
                               Format("Select Down Cast or Up Cast to merge Pair %d on Depth", number));
        return files.Close(ctx, &out) ? 1 : 0;
    }

    const int keyB = pair.base.keyColumn - 1;
    const int keyM = pair.merge.keyColumn - 1;
    MergeRow base, rows[2];
    if (!ReadDataRow(files.merge, rows[0], keyM, 1.0, mergeOffset) || !rows[0].Has(keyM)) {
        ctx.reporter.ShowError(Format("Aborting Merge On Pair %d", number),
                               Format("Unable to Process 1st Record in Merge File %s, Check the Header Size",
                                      mergePath.c_str()));
        files.Abandon();
        return 0;
    }
    const bool mergeLeft = ReadKeyedRow(files.merge, rows[1], keyM, mergeOffset);
    if (!ReadDataRow(files.base, base, keyB, 1.0, baseOffset) || !base.Has(keyB)) {
        ctx.reporter.ShowError(Format("Aborting Merge On Pair %d", number),
                               Format("Unable to Process 1st Record in Base File %s, Check the Header Size",
                                      basePath.c_str()));
        files.Abandon();
        return 0;
    }
    if (mergeLeft)
        StepMerge(ctx, pair, files.base, files.merge, base, &rows[0], &rows[1], baseOffset, mergeOffset, out);
    return files.Close(ctx, &out) ? 1 : 0;
}

}  // namespace

std::string PairOutputPath(const Context& ctx, const std::string& outputFolder, int pairNumber) {
    return JoinPath(outputFolder, Format("%s_pair_%02d.%03d", ctx.merge.runBaseName.c_str(), pairNumber,
                                         ctx.merge.extractionNumber));
}

int ReadDataRow(TextReader& reader, MergeRow& row, int keyColumn, double scale, double offset) {
    std::string_view line;
    if (!reader.ReadLine(line)) return 0;
    const char* p = line.data();
    const char* end = p + line.size();
    int count = 0;
    row.iso.reset();
    while (p < end && count < kMergeColumns) {
        while (p < end && IsFieldSeparator(*p)) ++p;
        if (p >= end) break;
        const char* fieldEnd = p;
        while (fieldEnd < end && !IsFieldSeparator(*fieldEnd)) ++fieldEnd;
        double v = 0;
        if (ParseIsoStamp(p, fieldEnd, v)) {
            row.iso.set(static_cast<size_t>(count));
            row.values[count++] = v;
        } else if (ScanDecimal(p, fieldEnd, v)) {
            row.values[count++] = v;
        }
        p = fieldEnd;
    }
    row.count = count;
    row.cleaned = false;
    if (keyColumn >= 0 && keyColumn < count) row.values[keyColumn] = row.values[keyColumn] * scale - offset;
    return count;
}

void ReadHeaderNames(Context& ctx, int side, int meterType, int headerRows, int headerUse, TextReader& reader) {
    std::vector<std::string>& titles = side == 0 ? ctx.merge.baseTitles : ctx.merge.mergeTitles;
    std::fill(titles.begin(), titles.end(), "No_Header");
    reader.Rewind();
    std::string_view line;
    int n = 0;
    auto add = [&](std::string title) {
        if (n < kMergeColumns) titles[n++] = std::move(title);
    };
    if (side == 0 && meterType == 1) {
        if (headerRows <= 30) return;
        add("Time(ms)");
        bool inBlock = false;
        for (int i = 0; i < headerRows && reader.ReadLine(line); ++i) {
            if (line.empty() || (line[0] != 'a' && line[0] != 'c')) {
                if (inBlock) break;
                continue;
            }
            inBlock = true;
            size_t end = 0;
            while (end < line.size() && !setuptext::IsBlank(line[end])) ++end;
            std::string word(line.substr(0, std::min<size_t>(end, kTitleLength)));
            if (word.size() < 7) word += "__";
            add(word);
        }
        for (const char* t : {"I-Temp", "__N/A__", "P(dbars)", "__N/A__", "__N/A__"}) add(t);
        reader.Rewind();
        return;
    }
    if (headerRows <= 0 || headerUse != 1) return;
    SkipLines(reader, headerRows - 1);
    if (reader.ReadLine(line)) {
        size_t pos = 0;
        while (pos < line.size()) {
            while (pos < line.size() && IsFieldSeparator(line[pos])) ++pos;
            size_t end = pos;
            while (end < line.size() && !IsFieldSeparator(line[end])) ++end;
            if (end > pos) add(std::string(line.substr(pos, std::min<size_t>(end - pos, kTitleLength))));
            pos = end;
        }
    }
    reader.Rewind();
}

int ReadMergeWorkingFile(Context& ctx, std::FILE* stream) {
    MergeState& m = ctx.merge;
    for (ChannelFileEntry& e : m.channelFiles) e = ChannelFileEntry();
    // "<number> <length><separator><text>": the text's first <length> characters.
    auto parse = [](const std::string& line, int& number, std::string& text) {
        const char* p = line.c_str();
        int length = 0;
        if (!setuptext::ScanInt(p, number) || !setuptext::ScanInt(p, length)) return false;
        if (length < 0 || length >= static_cast<int>(kWorkingRestLimit)) return false;
        if (*p) ++p;  // the separator
        std::string rest(p, std::min(std::strlen(p), kWorkingRestLimit));
        text = rest.substr(0, static_cast<size_t>(length));
        return true;
    };
    std::string line;
    int number = 0;
    std::string text;
    if (!setuptext::ReadLine(stream, kWorkingLineLimit, line) || !parse(line, number, text)) {
        ctx.reporter.ShowError("Invalid Directory/Filename in MRG File", line);
        return 0;
    }
    m.extractionNumber = number;
    m.runBaseName = text;
    while (setuptext::ReadLine(stream, kWorkingLineLimit, line)) {
        if (!parse(line, number, text)) {
            ctx.reporter.ShowError("Invalid Record in MRG file", line);
            continue;
        }
        if (number >= 0 && number < 50) m.channelFiles[number] = {number, text};
    }
    return 1;
}

int RunMerge(Context& ctx, const std::string& mergeSetupPath, const std::string& workingFilePath,
             const std::string& deviceFolder, const std::string& outputFolder) {
    MergeState& m = ctx.merge;
    std::FILE* f = OpenInput(ctx, mergeSetupPath, "Setup Merge");
    if (!f) return 0;
    // The run merges what this file says, never pairs left from an earlier read.
    ResetMergeSetup(m.setup);
    int ok = ReadMsfFile(ctx.reporter, m.setup, f);
    std::fclose(f);
    if (!ok) return 0;

    f = OpenInput(ctx, workingFilePath, "Setup Merge");
    if (!f) return 0;
    ok = ReadMergeWorkingFile(ctx, f);
    std::fclose(f);
    if (!ok) return 0;

    for (int index = 0; index < kMergePairs; ++index)
        if (!RunPair(ctx, index, deviceFolder, outputFolder)) return 0;
    return 1;
}

int MergeFiles(Context& ctx, const std::string& mergeSetupPath, const std::string& workingFilePath,
               const std::string& deviceFolder, const std::string& outputFolder) {
    ctx.reporter.SetStatus("Merging");
    int ok = RunMerge(ctx, mergeSetupPath, workingFilePath, deviceFolder, outputFolder);
    ctx.reporter.SetStatus(ok ? "Merge is Complete" : "Merge Ended by an Error");
    return ok;
}

}  // namespace rix
