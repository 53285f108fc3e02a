// The per-archive NetCDF files of a cruise joined into one.
#ifdef RIX_HAVE_NETCDF
#include <gtest/gtest.h>

#include <unistd.h>

#include "NetcdfFiles.h"
#include "TestSupport.h"
#include "report/Reporter.h"
#include "utilities/Combine.h"

namespace {

using rixtest::NcColumn;
using rixtest::NcGroup;
using rixtest::ReadNcDoubles;
using rixtest::TempDir;

constexpr double kDay = 86400;
constexpr double kStart = 1700000000;  // seconds since 1970

// One day of a CTD channel: a sample a second from `first`.
NcGroup CtdDay(double first, size_t samples, double temperatureBase) {
    NcGroup g;
    g.name = "ch15_SBE25CTD";
    NcColumn temperature{"temperature", "degC", {}}, pressure{"pressure", "dbar", {}};
    for (size_t i = 0; i < samples; ++i) {
        g.times.push_back(first + static_cast<double>(i));
        temperature.values.push_back(temperatureBase + 0.001 * static_cast<double>(i));
        pressure.values.push_back(static_cast<double>(i % 97));
    }
    g.columns = {temperature, pressure};
    return g;
}

std::vector<double> Joined(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> all = a;
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

TEST(Combine, TwoDaysGiveOneTimeSeriesInTheOrderOfTheirTimes) {
    TempDir dir;
    const std::string day1 = dir.file("CR23.365.nc"), day2 = dir.file("CR24.001.nc"), out = dir.file("cruise.nc");
    // The second day is long enough to be copied in several blocks, and
    // brings a channel the first day did not have.
    NcGroup ctd1 = CtdDay(kStart, 500, 10), ctd2 = CtdDay(kStart + kDay, 300000, 12);
    ctd1.lines = {"first", "second"};
    NcGroup gps;
    gps.name = "ch17_GPS";
    gps.times = {kStart + kDay + 5, kStart + kDay + 6};
    gps.columns = {{"latitude", "degrees_north", {43.5, 43.6}}};
    gps.lines = {"$GPGGA,1", "$GPGGA,2"};
    ctd2.lines = {"third"};
    rixtest::WriteNcFile(day1, {ctd1}, "written by rix extract");
    rixtest::WriteNcFile(day2, {ctd2, gps});

    rix::RecordingReporter reporter;
    rix::CombineSummary summary;
    // Given the later day first: the times decide the order.
    ASSERT_TRUE(rix::CombineNetcdf(reporter, out, {day2, day1}, &summary)) << reporter.boxes.at(0).text;
    EXPECT_TRUE(reporter.boxes.empty());
    EXPECT_EQ(summary.inputs, 2);
    EXPECT_EQ(summary.groups, 2);
    EXPECT_EQ(summary.order, (std::vector<std::string>{day1, day2}));
    EXPECT_EQ(summary.samples, 500 + 300000 + 2);

    EXPECT_EQ(ReadNcDoubles(out, "ch15_SBE25CTD", "time"), Joined(ctd1.times, ctd2.times));
    EXPECT_EQ(ReadNcDoubles(out, "ch15_SBE25CTD", "temperature"),
              Joined(ctd1.columns[0].values, ctd2.columns[0].values));
    EXPECT_EQ(ReadNcDoubles(out, "ch15_SBE25CTD", "pressure"), Joined(ctd1.columns[1].values, ctd2.columns[1].values));
    EXPECT_EQ(ReadNcDoubles(out, "ch17_GPS", "latitude"), gps.columns[0].values);
    // A text line per sample: a file whose lines stop short leaves the rest empty.
    std::vector<std::string> lines = rixtest::ReadNcStrings(out, "ch15_SBE25CTD", "line");
    ASSERT_EQ(lines.size(), 500u + 300000u);
    EXPECT_EQ(lines[0], "first");
    EXPECT_EQ(lines[1], "second");
    EXPECT_EQ(lines[500], "third");

    // Definitions and attributes as the inputs have them.
    EXPECT_EQ(rixtest::ReadNcText(out, "ch15_SBE25CTD", "temperature", "units"), "degC");
    EXPECT_EQ(rixtest::ReadNcText(out, "ch15_SBE25CTD", "temperature", "coordinates"), "time");
    EXPECT_EQ(rixtest::ReadNcText(out, "ch17_GPS", "", "meter"), "GPS");
    EXPECT_EQ(rixtest::ReadNcText(out, "", "", "Conventions"), "CF-1.8");
    const std::string history = rixtest::ReadNcText(out, "", "", "history");
    EXPECT_EQ(history.rfind("written by rix extract\n", 0), 0u) << history;
    EXPECT_NE(history.find("rix combine of 2 files: CR23.365.nc, CR24.001.nc"), std::string::npos) << history;
    int nc = -1, grp = -1, var = -1, shuffle = 0, deflate = 0, level = 0, storage = 0;
    size_t chunk = 0;
    rixtest::NcCheck(nc_open(out.c_str(), NC_NOWRITE, &nc), "open");
    rixtest::NcCheck(nc_inq_grp_ncid(nc, "ch15_SBE25CTD", &grp), "group");
    rixtest::NcCheck(nc_inq_varid(grp, "temperature", &var), "var");
    rixtest::NcCheck(nc_inq_var_deflate(grp, var, &shuffle, &deflate, &level), "deflate");
    rixtest::NcCheck(nc_inq_var_chunking(grp, var, &storage, &chunk), "chunking");
    double fill = 0;
    rixtest::NcCheck(nc_get_att_double(grp, var, "_FillValue", &fill), "fill");
    nc_close(nc);
    EXPECT_EQ(shuffle, 1);
    EXPECT_EQ(deflate, 1);
    EXPECT_EQ(level, 4);
    EXPECT_EQ(storage, NC_CHUNKED);
    EXPECT_EQ(chunk, 64u);
    EXPECT_EQ(fill, -9999.0);
}

TEST(Combine, OverlappingFilesAreNamedInAWarningAndStillJoined) {
    TempDir dir;
    const std::string a = dir.file("a.nc"), b = dir.file("b.nc"), c = dir.file("c.nc");
    NcGroup ga = CtdDay(kStart, 100, 1), gb = CtdDay(kStart + 1000, 100, 2), gc = CtdDay(kStart + 50, 10, 3);
    for (NcGroup* g : {&ga, &gb, &gc}) {
        g->timeName = "logger_time";  // no date known: times of the logger's clock
        g->columns.pop_back();
    }
    rixtest::WriteNcFile(a, {ga});
    rixtest::WriteNcFile(b, {gb});
    rixtest::WriteNcFile(c, {gc});
    rix::RecordingReporter reporter;
    rix::CombineSummary summary;
    ASSERT_TRUE(rix::CombineNetcdf(reporter, dir.file("all.nc"), {a, b, c}, &summary));
    EXPECT_EQ(summary.overlaps, 1);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].title, "Combine Warning");
    const std::string& text = reporter.boxes[0].text;
    EXPECT_NE(text.find("overlap"), std::string::npos) << text;
    EXPECT_NE(text.find(c), std::string::npos) << text;
    EXPECT_NE(text.find(a), std::string::npos) << text;
    EXPECT_EQ(ReadNcDoubles(dir.file("all.nc"), "ch15_SBE25CTD", "logger_time"),
              Joined(Joined(ga.times, gc.times), gb.times));
}

TEST(Combine, GroupsOfOneNameWithOtherVariablesAreRefusedAndNothingIsWritten) {
    TempDir dir;
    const std::string a = dir.file("a.nc"), b = dir.file("b.nc"), out = dir.file("all.nc");
    NcGroup ga = CtdDay(kStart, 10, 1), gb = CtdDay(kStart + kDay, 10, 2);
    gb.columns[1].name = "conductivity";
    rixtest::WriteNcFile(a, {ga});
    rixtest::WriteNcFile(b, {gb});
    rix::RecordingReporter reporter;
    EXPECT_FALSE(rix::CombineNetcdf(reporter, out, {a, b}));
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].title, "Combine Error");
    EXPECT_NE(reporter.boxes[0].text.find("ch15_SBE25CTD"), std::string::npos);
    EXPECT_NE(reporter.boxes[0].text.find("other variables"), std::string::npos);
    EXPECT_FALSE(rixtest::FileExists(out));

    // An output that is one of the inputs, an input that is no NetCDF file:
    // refused, the inputs untouched, no temporary file left.
    const std::string before = rixtest::ReadFile(a);
    EXPECT_FALSE(rix::CombineNetcdf(reporter, a, {a}));
    EXPECT_EQ(rixtest::ReadFile(a), before);
    rixtest::WriteFile(dir.file("junk.nc"), "not netcdf");
    EXPECT_FALSE(rix::CombineNetcdf(reporter, out, {a, dir.file("junk.nc")}));
    EXPECT_FALSE(rix::CombineNetcdf(reporter, out, {a, dir.file("absent.nc")}));
    EXPECT_FALSE(rixtest::FileExists(out));
    EXPECT_FALSE(rixtest::FileExists(dir.file(".all.nc.tmp-" + std::to_string(getpid()))));
}

}  // namespace
#endif
