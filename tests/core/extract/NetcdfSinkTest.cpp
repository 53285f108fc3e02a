// The NetCDF sink fed samples directly, read back through the library.
#include "extract/NetcdfSink.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cmath>
#include <filesystem>

#include "Context.h"
#include "TestSupport.h"
#include "extract/CfNames.h"
#include "extract/Misc.h"
#include "report/Reporter.h"
#include "utilities/Sha256.h"

#ifdef RIX_HAVE_NETCDF
#include <netcdf.h>
#endif

namespace rix {
namespace {

TEST(CfNames, SafeNamesUnitsAndStandardNames) {
    EXPECT_EQ(NetcdfSafeName("Temp(C)"), "Temp_C");
    EXPECT_EQ(NetcdfSafeName("Sal(PSU)"), "Sal_PSU");
    EXPECT_EQ(NetcdfSafeName("Sigma-T"), "Sigma_T");
    EXPECT_EQ(NetcdfSafeName("412"), "v412");
    EXPECT_EQ(NetcdfSafeName("()"), "value");
    EXPECT_EQ(NetcdfSafeName(std::string(1000, 'x')).size(), 200u);

    CfColumn t = DescribeColumn("Temp(C)", "", "SBE25CTD");
    EXPECT_EQ(t.units, "degree_Celsius");
    EXPECT_EQ(t.standardName, "sea_water_temperature");
    // A thermometer in the air is no sea-water temperature: no standard name is guessed.
    CfColumn air = DescribeColumn("Temp(C)", "", "ASCII_T");
    EXPECT_EQ(air.units, "degree_Celsius");
    EXPECT_EQ(air.standardName, "");
    EXPECT_EQ(DescribeColumn("P(dbars)", "", "SBE19").standardName, "sea_water_pressure");
    EXPECT_EQ(DescribeColumn("Conduct", "", "SBE19").units, "S m-1");
    CfColumn sal = DescribeColumn("Sal(PSU)", "", "SBE19");
    EXPECT_EQ(sal.units, "1");
    EXPECT_EQ(sal.standardName, "sea_water_practical_salinity");
    EXPECT_EQ(DescribeColumn("Density", "", "").standardName, "sea_water_density");
    EXPECT_EQ(DescribeColumn("Sigma-T", "", "").units, "kg m-3");
    EXPECT_EQ(DescribeColumn("a412", "", "NX9").units, "m-1");
    EXPECT_EQ(DescribeColumn("c715.5", "", "NX9").standardName,
              "volume_beam_attenuation_coefficient_of_radiative_flux_in_sea_water");
    EXPECT_TRUE(DescribeColumn("Longitude", "", "GPS").westPositive);
    EXPECT_EQ(DescribeColumn("Latitude", "", "GPS").units, "degrees_north");
    EXPECT_EQ(DescribeColumn("Bottom_Depth(m)", "", "GPS").standardName, "sea_floor_depth_below_sea_surface");
    // What the meter says wins over the title.
    EXPECT_EQ(DescribeColumn("Conduct", "mS cm-1", "SBE19").units, "mS cm-1");
}

TEST(CfNames, PlaceholdersAsPrinted) {
    CfColumn plain;
    EXPECT_TRUE(IsPlaceholder(plain, 9999.999999, 6));
    EXPECT_TRUE(IsPlaceholder(plain, 9999.9, 1));
    EXPECT_TRUE(IsPlaceholder(plain, 9999.0, 4));
    EXPECT_FALSE(IsPlaceholder(plain, 9999.5, 1));
    EXPECT_FALSE(IsPlaceholder(plain, 99.0, 4));
    CfColumn sal = DescribeColumn("Sal(PSU)", "", "SBE25CTD");
    EXPECT_TRUE(IsPlaceholder(sal, 99.0, 4));
    EXPECT_FALSE(IsPlaceholder(sal, 35.0, 4));
    CfColumn t = DescribeColumn("Temp(C)", "", "SBE25CTD");
    EXPECT_TRUE(IsPlaceholder(t, 99.9, 4));
    EXPECT_FALSE(IsPlaceholder(t, 99.91, 4));
}

// Calendar time agrees with the ISO 8601 stamps the text files write, across
// midnight, a leap day and a year end.
TEST(CfNames, EpochSecondsMatchTheIsoStamps) {
    JulianState state;
    ClearJulianTable(state);
    EnterPacketDay(state, 5163, 3600000.0, 0.0);  // 2005-06-12 01:00:00 at logger time 0
    for (double t : {0.0, 1234.0, 82800000.0 + 999.0, 86400000.0 * 3.5}) {
        int code = 0;
        double ms = 0;
        ASSERT_TRUE(DayOf(state, t, code, ms));
        char iso[32];
        FormatIsoStamp(code, ms, iso);
        const double seconds = EpochSecondsOf(state, t);
        EXPECT_NEAR(seconds, EpochSecondsOfIso(iso), 0.0005) << iso;
    }
    EXPECT_TRUE(std::isnan(EpochSecondsOf(state, -3600001.0)));
    EXPECT_DOUBLE_EQ(EpochSecondsOfIso("2005-06-13T00:00:00.000Z"), 1118620800.0);
    EXPECT_DOUBLE_EQ(EpochSecondsOfIso("2024-02-29T12:00:00.500Z"), 1709208000.5);
    EXPECT_TRUE(std::isnan(EpochSecondsOfIso("2024-02-29 12:00:00")));
    EXPECT_EQ(IsoOfEpochSeconds(1118620800.0), "2005-06-13T00:00:00Z");
}

#ifdef RIX_HAVE_NETCDF

// Reads a file back through the library.
struct NcFile {
    int id = -1;
    explicit NcFile(const std::string& path) { EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &id), NC_NOERR) << path; }
    ~NcFile() {
        if (id >= 0) nc_close(id);
    }
    int Group(const std::string& name) const {
        int g = -1;
        EXPECT_EQ(nc_inq_grp_ncid(id, name.c_str(), &g), NC_NOERR) << name;
        return g;
    }
};

int VarOf(int grp, const std::string& name) {
    int v = -1;
    EXPECT_EQ(nc_inq_varid(grp, name.c_str(), &v), NC_NOERR) << name;
    return v;
}

std::string TextAtt(int grp, int var, const std::string& name) {
    size_t len = 0;
    if (nc_inq_attlen(grp, var, name.c_str(), &len) != NC_NOERR) return "<none>";
    std::string s(len, '\0');
    nc_get_att_text(grp, var, name.c_str(), s.data());
    return s;
}

int IntAtt(int grp, int var, const std::string& name) {
    int v = -999;
    nc_get_att_int(grp, var, name.c_str(), &v);
    return v;
}

std::vector<double> Doubles(int grp, const std::string& name) {
    const int var = VarOf(grp, name);
    int dim = -1;
    nc_inq_vardimid(grp, var, &dim);
    size_t n = 0;
    nc_inq_dimlen(grp, dim, &n);
    std::vector<double> out(n);
    if (n) {
        EXPECT_EQ(nc_get_var_double(grp, var, out.data()), NC_NOERR);
    }
    return out;
}

std::vector<std::string> Strings(int grp, const std::string& name) {
    const int var = VarOf(grp, name);
    int dim = -1;
    nc_inq_vardimid(grp, var, &dim);
    size_t n = 0;
    nc_inq_dimlen(grp, dim, &n);
    std::vector<char*> raw(n);
    std::vector<std::string> out;
    if (n && nc_get_var_string(grp, var, raw.data()) == NC_NOERR) {
        for (char* s : raw) out.emplace_back(s ? s : "");
        nc_free_string(n, raw.data());
    }
    return out;
}

NetcdfTime CalendarFrom(const JulianState& state) {
    NetcdfTime t;
    t.known = [&state]() { return !state.setCodes.empty(); };
    t.epochSeconds = [&state](double ms) { return EpochSecondsOf(state, ms); };
    return t;
}

ChannelDescription Ctd() {
    ChannelDescription ch;
    ch.channel = 15;
    ch.logger = 1;
    ch.port = 5;
    ch.meterType = 16;
    ch.keyword = "SBE25CTD";
    ch.lag = 2;
    ch.had = 1;
    ch.serialNumber = "0251";
    return ch;
}

std::vector<ColumnInfo> CtdColumns() {
    return {{"P(dbars)", "", {8, 3}}, {"Temp(C)", "", {8, 4}}, {"Conduct", "S m-1", {8, 5}},
            {"Sal(PSU)", "", {8, 4}}, {"Longitude", "", {11, 6}}};
}

TEST(NetcdfSink, ChannelsValuesFillsTimeAndAttributes) {
    rixtest::TempDir dir;
    rixtest::WriteFile(dir.file("SBE25.CON"), "calibration");
    JulianState state;
    ClearJulianTable(state);
    EnterPacketDay(state, 5164, 0.0, 10000.0);  // 2005-06-13 00:00:00 at logger time 10 s
    RecordingReporter reporter;
    NetcdfFileInfo info;
    info.title = "deploy.000";
    info.attributes = {{"source_archive", "deploy.000"}, {"history", "now: rix extract"}};
    const std::string path = NetcdfPathFor(dir.path(), "deploy");
    {
        NetcdfSink sink(reporter, path, info, CalendarFrom(state));
        sink.SetChunkRows(3);  // rows cross several chunks
        ASSERT_TRUE(sink.Open());
        ChannelDescription ch = Ctd();
        ch.deviceFile = dir.file("SBE25.CON");
        sink.BeginChannel(ch, CtdColumns());
        ChannelDescription text;
        text.channel = 14;
        text.logger = 1;
        text.port = 4;
        text.keyword = "Hex_Output";
        text.textRows = true;
        sink.BeginChannel(text, {});
        Sample s;
        for (int i = 0; i < 8; ++i) {
            s.Clear(15, 5000.0 + 1000.0 * i);  // the first five rows come before the first day
            s.Add(1.23456 + i, {8, 3});
            s.Add(i == 2 ? 99.9 : 12.34567, {8, 4});
            s.Add(i == 3 ? 9999.999999 : 4.5, {8, 5});
            s.Add(i == 4 ? 99.0 : 35.12345, {8, 4});
            if (i != 6) s.Add(70.5, {11, 6});  // a short row: the rest is missing
            sink.Row(s);
            sink.Line(14, 5000.0 + 1000.0 * i, "A5 5A 01 " + std::to_string(i));
        }
        sink.EndChannel(15);
        EXPECT_FALSE(rixtest::FileExists(path));  // not before the run completes
        ASSERT_TRUE(sink.Finish());
    }
    EXPECT_TRUE(reporter.boxes.empty());
    NcFile nc(path);
    EXPECT_EQ(TextAtt(nc.id, NC_GLOBAL, "Conventions"), "CF-1.10");
    EXPECT_EQ(TextAtt(nc.id, NC_GLOBAL, "title"), "deploy.000");
    EXPECT_EQ(TextAtt(nc.id, NC_GLOBAL, "history"), "now: rix extract");
    EXPECT_EQ(TextAtt(nc.id, NC_GLOBAL, "time_coverage_start"), "2005-06-13T00:00:00Z");
    EXPECT_EQ(TextAtt(nc.id, NC_GLOBAL, "time_coverage_end"), "2005-06-13T00:00:02Z");

    const int g = nc.Group("ch15_SBE25CTD");
    EXPECT_EQ(IntAtt(g, NC_GLOBAL, "channel"), 15);
    EXPECT_EQ(IntAtt(g, NC_GLOBAL, "port"), 5);
    EXPECT_EQ(IntAtt(g, NC_GLOBAL, "lag"), 2);
    EXPECT_EQ(IntAtt(g, NC_GLOBAL, "HAD"), 1);
    EXPECT_EQ(TextAtt(g, NC_GLOBAL, "meter_type_keyword"), "SBE25CTD");
    EXPECT_EQ(TextAtt(g, NC_GLOBAL, "device_file"), "SBE25.CON");
    EXPECT_EQ(TextAtt(g, NC_GLOBAL, "device_file_sha256"), Sha256Hex("calibration"));
    EXPECT_EQ(TextAtt(g, NC_GLOBAL, "instrument_serial_number"), "0251");

    const std::vector<double> time = Doubles(g, "time");
    ASSERT_EQ(time.size(), 8u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(time[i], NC_FILL_DOUBLE) << i;
    EXPECT_DOUBLE_EQ(time[5], 1118620800.0);  // 2005-06-13T00:00:00Z
    EXPECT_DOUBLE_EQ(time[7], 1118620802.0);
    const int tv = VarOf(g, "time");
    EXPECT_EQ(TextAtt(g, tv, "units"), "seconds since 1970-01-01T00:00:00Z");
    EXPECT_EQ(TextAtt(g, tv, "standard_name"), "time");
    EXPECT_EQ(TextAtt(g, tv, "calendar"), "standard");

    const std::vector<double> p = Doubles(g, "P_dbars");
    for (int i = 0; i < 8; ++i) EXPECT_DOUBLE_EQ(p[i], std::round((1.23456 + i) * 1000) / 1000) << i;
    const std::vector<double> t = Doubles(g, "Temp_C");
    const std::vector<double> c = Doubles(g, "Conduct");
    const std::vector<double> sal = Doubles(g, "Sal_PSU");
    const std::vector<double> lon = Doubles(g, "Longitude");
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(t[i] == NC_FILL_DOUBLE, i == 2) << i;
        EXPECT_EQ(c[i] == NC_FILL_DOUBLE, i == 3) << i;
        EXPECT_EQ(sal[i] == NC_FILL_DOUBLE, i == 4) << i;
        EXPECT_EQ(lon[i], i == 6 ? NC_FILL_DOUBLE : -70.5) << i;
    }
    EXPECT_DOUBLE_EQ(t[0], 12.3457);
    const int tempVar = VarOf(g, "Temp_C");
    EXPECT_EQ(TextAtt(g, tempVar, "long_name"), "Temp(C)");
    EXPECT_EQ(TextAtt(g, tempVar, "units"), "degree_Celsius");
    EXPECT_EQ(TextAtt(g, tempVar, "standard_name"), "sea_water_temperature");
    EXPECT_EQ(TextAtt(g, tempVar, "coordinates"), "time");
    double fill = 0;
    EXPECT_EQ(nc_get_att_double(g, tempVar, "_FillValue", &fill), NC_NOERR);
    EXPECT_EQ(fill, NC_FILL_DOUBLE);
    EXPECT_EQ(TextAtt(g, VarOf(g, "Conduct"), "units"), "S m-1");
    EXPECT_NE(TextAtt(g, VarOf(g, "Longitude"), "comment").find("East-positive"), std::string::npos);
    int shuffle = 0, deflate = 0, level = 0;
    nc_inq_var_deflate(g, tempVar, &shuffle, &deflate, &level);
    EXPECT_TRUE(shuffle && deflate);

    const int h = nc.Group("ch14_Hex_Output");
    const std::vector<std::string> lines = Strings(h, "line");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[7], "A5 5A 01 7");
    EXPECT_EQ(TextAtt(h, VarOf(h, "line"), "coordinates"), "time");
}

// Stored values are the printed ones read back, also where a value lies on
// a half of the last printed digit and printf's rounding decides.
TEST(NetcdfSink, ValuesAreThePrintedDigits) {
    rixtest::TempDir dir;
    RecordingReporter reporter;
    const std::string path = dir.file("p.nc");
    NetcdfSink sink(reporter, path, {}, {});
    ASSERT_TRUE(sink.Open());
    const double values[] = {5163.9909375, 0.0000005, 2.5, 1.0005, 1.0015, -0.125, 70.2500085, 1e20, -3.14159265};
    const int8_t precisions[] = {6, 6, 0, 3, 3, 2, 6, 4, 9};
    ChannelDescription ch = Ctd();
    std::vector<ColumnInfo> columns;
    for (size_t i = 0; i < std::size(values); ++i) columns.push_back({"v" + std::to_string(i), "", {8, precisions[i]}});
    sink.BeginChannel(ch, columns);
    Sample s;
    s.Clear(15, 0);
    for (size_t i = 0; i < std::size(values); ++i) s.Add(values[i], {8, precisions[i]});
    sink.Row(s);
    ASSERT_TRUE(sink.Finish());
    NcFile nc(path);
    const int g = nc.Group("ch15_SBE25CTD");
    for (size_t i = 0; i < std::size(values); ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", precisions[i], values[i]);
        EXPECT_EQ(Doubles(g, "v" + std::to_string(i))[0], std::strtod(text, nullptr)) << text;
    }
}

TEST(NetcdfSink, LoggerTimeWhenNoDayIsKnown) {
    rixtest::TempDir dir;
    JulianState state;
    ClearJulianTable(state);
    RecordingReporter reporter;
    NetcdfTime time = CalendarFrom(state);
    time.loggerTimeMeaning = "time since the start of the file";
    const std::string path = dir.file("x.nc");
    NetcdfSink sink(reporter, path, {}, time);
    ASSERT_TRUE(sink.Open());
    sink.BeginChannel(Ctd(), CtdColumns());
    Sample s;
    s.Clear(15, 1500.0);
    s.Add(1.0, {8, 3});
    sink.Row(s);
    ASSERT_TRUE(sink.Finish());
    NcFile nc(path);
    const int g = nc.Group("ch15_SBE25CTD");
    int v = -1;
    EXPECT_NE(nc_inq_varid(g, "time", &v), NC_NOERR);  // never a made-up date
    EXPECT_EQ(Doubles(g, "logger_time"), std::vector<double>{1.5});
    EXPECT_EQ(TextAtt(g, VarOf(g, "logger_time"), "units"), "s");
    EXPECT_EQ(TextAtt(g, VarOf(g, "logger_time"), "long_name"), "time since the start of the file");
    EXPECT_EQ(TextAtt(g, VarOf(g, "Temp_C"), "coordinates"), "logger_time");
    EXPECT_EQ(TextAtt(nc.id, NC_GLOBAL, "time_coverage_start"), "<none>");
}

// What a decoder may do that the sink must survive: rows of a channel never
// described, columns known only after the first rows, repeated titles, a
// title that is a reserved name, a line for a channel of values.
TEST(NetcdfSink, UndescribedChannelsLateColumnsAndRepeatedTitles) {
    rixtest::TempDir dir;
    RecordingReporter reporter;
    const std::string path = dir.file("h.nc");
    NetcdfSink sink(reporter, path, {}, {});
    ASSERT_TRUE(sink.Open());
    Sample s;
    s.Clear(33, 1000);
    s.Add(1.5, {8, 1});
    s.Add(2.5, {8, 1});
    sink.Row(s);  // never described
    ChannelDescription ch = Ctd();
    sink.BeginChannel(ch, {{"T(C)", "", {8, 2}}});
    s.Clear(15, 1000);
    s.Add(10.25, {8, 2});
    s.Add(7.0, {8, 2});
    sink.Row(s);  // one value more than described
    sink.BeginChannel(ch, {{"T(C)", "", {8, 2}}, {"T(C)", "", {8, 2}}, {"logger_time", "", {8, 2}}});
    sink.Row(s);
    sink.Line(15, 1000, "text for a channel of values");
    ASSERT_TRUE(sink.Finish());
    EXPECT_TRUE(reporter.boxes.empty());
    NcFile nc(path);
    const int g33 = nc.Group("ch33");
    EXPECT_EQ(Doubles(g33, "value2"), std::vector<double>{2.5});
    const int g = nc.Group("ch15_SBE25CTD");
    EXPECT_EQ(Doubles(g, "T_C"), (std::vector<double>{10.25, 10.25}));
    EXPECT_EQ(Doubles(g, "T_C_2"), (std::vector<double>{NC_FILL_DOUBLE, 7.0}));  // added after the first row
    EXPECT_EQ(Doubles(g, "logger_time_2").size(), 2u);
    EXPECT_EQ(Doubles(g, "logger_time"), (std::vector<double>{1.0, 1.0}));
}

// A run that fails leaves no file under the final name and an earlier file as it was.
TEST(NetcdfSink, AbandonAndFailureKeepTheEarlierFile) {
    rixtest::TempDir dir;
    const std::string path = dir.file("deploy.nc");
    rixtest::WriteFile(path, "earlier");
    RecordingReporter reporter;
    {
        NetcdfSink sink(reporter, path, {}, {});
        ASSERT_TRUE(sink.Open());
        sink.BeginChannel(Ctd(), CtdColumns());
        sink.Abandon();
    }
    {
        NetcdfSink sink(reporter, path, {}, {});
        ASSERT_TRUE(sink.Open());
        sink.BeginChannel(Ctd(), CtdColumns());
    }  // destroyed unfinished
    EXPECT_EQ(rixtest::ReadFile(path), "earlier");
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++files;
    EXPECT_EQ(files, 1u);  // no temporary file left behind
    EXPECT_TRUE(reporter.boxes.empty());

    // A folder that cannot be written: the library's message with the file name.
    const std::string missing = dir.file("no/such/folder/deploy.nc");
    NetcdfSink bad(reporter, missing, {}, {});
    EXPECT_FALSE(bad.Open());
    EXPECT_FALSE(bad.Finish());
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].title, "NetCDF File Error");
    EXPECT_NE(reporter.boxes[0].text.find("Unable to write " + missing + ": "), std::string::npos);
}

// The disk refuses a block part way (here the file-size limit): the writer
// thread meets the error, the run reports it once with the file's name, and
// the earlier file of that name stays as it was.
TEST(NetcdfSink, AWriteRefusedPartWayIsReportedAndKeepsTheEarlierFile) {
    rixtest::TempDir dir;
    const std::string path = dir.file("deploy.nc");
    rixtest::WriteFile(path, "earlier");
    RecordingReporter reporter;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 256 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    // Standard error is caught: the message goes to the reporter, HDF5's own
    // error stack nowhere.
    std::fflush(stderr);
    std::FILE* caught = std::tmpfile();
    ASSERT_NE(caught, nullptr);
    const int savedError = dup(2);
    dup2(fileno(caught), 2);
    bool finished = true;
    {
        NetcdfSink sink(reporter, path, {}, {});
        sink.SetChunkRows(512);
        if (sink.Open()) {
            sink.BeginChannel(Ctd(), CtdColumns());
            Sample s;
            uint64_t bits = 88172645463325252ull;  // digits that do not compress
            for (int row = 0; row < 20000 && !sink.Failed(); ++row) {
                s.Clear(Ctd().channel, 1000.0 * row);
                for (int i = 0; i < 5; ++i) {
                    bits ^= bits << 13, bits ^= bits >> 7, bits ^= bits << 17;
                    s.Add(static_cast<double>(bits % 100000000) / 1e6, ValueFormat{9, 6, false});
                }
                sink.Row(s);
            }
            finished = sink.Finish();
        }
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    std::fflush(stderr);
    dup2(savedError, 2);
    close(savedError);
    EXPECT_EQ(std::ftell(caught), 0L) << "standard error was written to";
    std::fclose(caught);
    EXPECT_FALSE(finished);
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].title, "NetCDF File Error");
    EXPECT_NE(reporter.boxes[0].text.find("Unable to write " + path + ": "), std::string::npos);
    EXPECT_EQ(rixtest::ReadFile(path), "earlier");
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++files;
    EXPECT_EQ(files, 1u);
}

#endif

}  // namespace
}  // namespace rix
