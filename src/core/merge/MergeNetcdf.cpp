#include "merge/MergeNetcdf.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "Context.h"
#include "extract/CfNames.h"
#include "merge/Files.h"
#include "merge/TextReader.h"
#include "utilities/FileIo.h"
#include "utilities/TextFields.h"

namespace rix {

namespace {

constexpr double kEpoch2000 = 946684800.0;

// A printed number: its value and the digits after the point.
bool ParseNumber(std::string_view text, double& value, int& decimals) {
    std::string s(text);
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != '\0') return false;
    const size_t dot = s.find('.');
    decimals = dot == std::string::npos ? 0 : static_cast<int>(s.size() - dot - 1);
    if (decimals > 15) decimals = 15;
    return true;
}

// Seconds since 1970 of day-of-year `day` (1-based, with its fraction) of `year`.
double DayOfYearSeconds(int year, double day) {
    long long days = 0;
    for (int y = 2000; y < year; ++y) days += (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) ? 366 : 365;
    return kEpoch2000 + (static_cast<double>(days) + day - 1.0) * 86400.0;
}

bool HasCtd(const Context& ctx, const MergePair& pair) {
    for (int id : {pair.base.channelId, pair.merge.channelId}) {
        if (id < 0 || id >= 50) continue;
        std::string name = ctx.merge.channelFiles[static_cast<size_t>(id)].path;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (name.find("SBE") != std::string::npos || name.find("CTD") != std::string::npos) return true;
    }
    return false;
}

bool IsDayTitle(std::string_view title) { return title == "JulianDay" || title == "Julian_Day"; }

}  // namespace

std::string MergedNetcdfPath(const Context& ctx, const std::string& outputFolder) {
    return JoinPath(outputFolder, ctx.merge.runBaseName + "_pair.nc");
}

bool WriteMergedNetcdf(Context& ctx, const std::string& outputFolder, const NetcdfFileInfo& about, int year) {
    NetcdfFileInfo info = about;
    info.title = "Merged pairs of " + ctx.merge.runBaseName + " by RIX";
    bool calendar = false;
    NetcdfTime time;
    time.known = [&calendar]() { return calendar; };
    time.epochSeconds = [](double ms) { return ms * 0.001; };
    time.loggerTime = false;
    time.calendarComment =
        "From the pair's key column: its ISO 8601 stamps, or its days of the year in the year the "
        "extraction knew.";
    NetcdfSink sink(ctx.reporter, MergedNetcdfPath(ctx, outputFolder), info, time);
    if (!sink.Open()) return false;

    std::vector<std::string_view> fields;
    for (int number = 1; number <= kMergePairs; ++number) {
        const MergePair& pair = ctx.merge.setup.pairs[static_cast<size_t>(number - 1)];
        if (pair.mergeMode == 0) continue;
        const std::string path = PairOutputPath(ctx, outputFolder, number);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) continue;
        TextReader reader;
        if (!reader.Open(path)) {
            ctx.reporter.ShowError("Read File Error", Format("Unable to Read '%s'", path.c_str()));
            sink.Abandon();
            return false;
        }
        std::vector<std::string> titles;
        std::string_view line;
        bool begun = false;
        bool isoKey = false, dayKey = false;
        Sample sample;
        const int channel = number;
        while (reader.ReadLine(line)) {
            SplitTextFields(line, fields);
            if (fields.empty()) continue;
            double first = 0;
            int decimals = 0;
            const bool iso = std::isfinite(EpochSecondsOfIso(fields[0]));
            if (!iso && !ParseNumber(fields[0], first, decimals)) {
                // A title line (the first one counts); other text lines are skipped.
                if (titles.empty() && !begun)
                    for (std::string_view f : fields) titles.emplace_back(f);
                continue;
            }
            if (!begun) {
                isoKey = iso;
                // The pair's first column is the base's key when its display order says so.
                const bool baseKeyFirst = !pair.displayColumns.empty() &&
                                          (pair.displayColumns[0] == pair.base.keyColumn - 1 ||
                                           pair.displayColumns[0] == kCodeBaseTime);
                dayKey = !iso && year >= 2000 &&
                         ((!titles.empty() && IsDayTitle(titles[0])) || baseKeyFirst);
                calendar = isoKey || dayKey;
                ChannelDescription ch;
                ch.channel = channel;
                // A pair with a CTD's file carries the CTD's sea-water columns.
                ch.keyword = HasCtd(ctx, pair) ? "SBE_pair" : "pair";
                std::vector<ColumnInfo> columns;
                for (size_t i = isoKey ? 1 : 0; i < fields.size(); ++i) {
                    ColumnInfo c;
                    c.title = i < titles.size() ? titles[i] : "column" + std::to_string(i + 1);
                    double v = 0;
                    int d = 6;
                    ParseNumber(fields[i], v, d);
                    c.format.precision = static_cast<int8_t>(d);
                    c.format.width = static_cast<int8_t>(std::min<size_t>(fields[i].size(), 100));
                    columns.push_back(c);
                }
                sink.NameGroup(channel, Format("pair%02d", number));
                sink.BeginChannel(ch, columns);
                begun = true;
            }
            double t = std::nan("");
            if (isoKey) t = EpochSecondsOfIso(fields[0]);
            else if (dayKey) t = DayOfYearSeconds(year, first);
            sample.Clear(channel, t * 1000.0);
            for (size_t i = isoKey ? 1 : 0; i < fields.size(); ++i) {
                double v = std::nan("");
                int d = 6;
                if (!ParseNumber(fields[i], v, d)) v = std::nan("");
                sample.Add(v, {static_cast<int8_t>(std::min<size_t>(fields[i].size(), 100)), static_cast<int8_t>(d)});
            }
            sink.Row(sample);
        }
        if (reader.Failed()) {
            ctx.reporter.ShowError("Read File Error",
                                   Format("Unable to Read '%s': %s", path.c_str(), reader.Fault().c_str()));
            sink.Abandon();
            return false;
        }
        sink.EndChannel(channel);
    }
    return sink.Finish();
}

}  // namespace rix
