#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Context.h"
#include "extract/Channel.h"
#include "extract/Misc.h"
#include "meters/Gps.h"
#include "report/Reporter.h"
#include "setup/MeterType.h"
#include "TestSupport.h"
#include "../../../tools/example/GpsExample.h"

namespace {

// "$body*hh\r\n" with the sentence's own checksum.
std::string Nmea(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

class GpsTest : public ::testing::Test {
protected:
    rix::RecordingReporter reporter;
    rix::Context ctx{reporter};
    rix::Run run{ctx};
    rix::RowValues values;
    rix::GpsDepth depth;  // the channel's echo-sounder depth

    // The row's values, or nothing when the line gives no row.
    std::vector<double> Convert(int type, const std::string& line) {
        values.Reset();
        int n = rix::ConvertGpsSentence(depth, type, line.c_str(), static_cast<int>(line.size()),
                                        values);
        if (n == 0) return {};
        EXPECT_EQ(n, 4);
        return std::vector<double>(values.values, values.values + n);
    }
};

constexpr const char* kRmc = "GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E";
constexpr const char* kGga = "GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,";
constexpr const char* kGll = "GPGLL,4527.458,S,16709.165,E,225309,A";

void ExpectRow(const std::vector<double>& row, double lat, double lon, double depth, double t) {
    ASSERT_EQ(row.size(), 4u);
    EXPECT_NEAR(row[0], lat, 1e-9);
    EXPECT_NEAR(row[1], lon, 1e-9);
    EXPECT_NEAR(row[2], depth, 1e-9);
    EXPECT_NEAR(row[3], t, 1e-9);
}

TEST_F(GpsTest, PositionSentencesAndTheirTitles) {
    // 45°27.458' S, 167°09.165' E; 6 June 2001 is day 157, 22:53:08.
    const double lat = -(45 + 27.458 / 60), lon = -(167 + 9.165 / 60);
    ExpectRow(Convert(rix::kGps, Nmea(kRmc)), lat, lon, 0, 1157 + 82388.0 / 86400);
    EXPECT_STREQ(values.titles[0], "Latitude");
    EXPECT_STREQ(values.titles[1], "Longitude");
    EXPECT_STREQ(values.titles[2], "Bottom_Depth(m)");
    EXPECT_STREQ(values.titles[3], "UTC/GMT_Time");
    // GGA and GLL have no date: the time is the fraction of the day.
    ExpectRow(Convert(rix::kGpsGga, Nmea(kGga)), lat, lon, 0, 82388.0 / 86400);
    ExpectRow(Convert(rix::kGpsGll, Nmea(kGll)), lat, lon, 0, 82389.0 / 86400);

    std::vector<double> ao = Convert(rix::kGpsRmcAo, Nmea(kRmc));
    ASSERT_EQ(ao.size(), 4u);
    EXPECT_EQ(ao[0], 60601);
    EXPECT_EQ(ao[1], 225308);
    EXPECT_NEAR(ao[2], lat, 1e-9);
    EXPECT_STREQ(values.titles[0], "GPS_DATE");
    EXPECT_STREQ(values.titles[3], "GPS_LONG");
}

TEST_F(GpsTest, WhichSentencesGiveARow) {
    struct Case {
        int type;
        std::string line;
        bool row;
    };
    const Case cases[] = {
        {rix::kGpsRmc, Nmea(kRmc), true},
        {rix::kGpsGga, Nmea(kRmc), false},
        {rix::kGpsRmc, Nmea(kGga), false},
        {rix::kGpsGll, Nmea(kGga), false},
        {rix::kGpsRmcAo, Nmea(kGll), false},
        {rix::kGps, Nmea("GPRMC,225308,V,4527.458,S,16709.165,E,000.0,094.5,060601,,"), false},
        {rix::kGps, Nmea("GPGGA,225308,4527.458,S,16709.165,E,0,05,2.1,14.7,M,1.1,M,,"), false},
        {rix::kGps, Nmea("GPGGA,225308,4527.458,S,16709.165,E,2,05,2.1,14.7,M,1.1,M,,"), true},
        {rix::kGps, Nmea("GPGGA,225308,4527.458,S,16709.165,E,12,05"), false},
        {rix::kGps, Nmea("GPGLL,4527.458,S,16709.165,E,225309,V"), false},
        // seconds up to 60.0, no further
        {rix::kGps, Nmea("GPGLL,4527.458,S,16709.165,E,225960.0,A"), true},
        {rix::kGps, Nmea("GPGLL,4527.458,S,16709.165,E,225960.5,A"), false},
        {rix::kGps, Nmea("GPGLL,4527.458,S,16709.165,E,245900,A"), false},
        {rix::kGps, Nmea("GPGLL,9027.458,S,16709.165,E,225309,A"), false},
        {rix::kGps, Nmea("GPGLL,4527.458,S,18009.165,E,225309,A"), false},
        {rix::kGps, Nmea("GPGLL,4527.458,s,16709.165,E,225309,A"), false},
        {rix::kGps, Nmea("GPGLL,4560.000,S,16709.165,E,225309,A"), false},
        // damaged fields: extra characters, missing digits, junk
        {rix::kGps, Nmea("GPGLL,4527.458x,S,16709.165,E,225309,A"), false},
        {rix::kGps, Nmea("GPGLL,527.458,S,16709.165,E,225309,A"), false},
        {rix::kGps, Nmea("GPGLL,4527.458,S,16709.165,E,22530,A"), false},
        {rix::kGps, Nmea("GPGLL,4527.458,S,16709.165,E,225309,AA"), false},
        {rix::kGps, Nmea("GPRMC,225308,A,4527.458,S,16709.165,E,0.0,94.5,320601"), false},
        {rix::kGps, Nmea("GPRMC,225308,A,4527.458,S,16709.165,E,0.0,94.5,061301"), false},
        {rix::kGps, Nmea("GPRMC,225308,A,4527.458,S,16709.165,E,0.0,x,060601"), false},
        {rix::kGps, Nmea("GPRMC,225308,A,4527.458,S,16709.165,E"), false},
        {rix::kGps, "GPRMC,225308,A,4527.458,S,16709.165,E,0.0,94.5,060601\r\n", false},
        {rix::kGps, " " + Nmea(kRmc), false},
        {rix::kGps, "", false},
        {rix::kGps, "$\r\n", false},
        {rix::kGps, "$,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(!Convert(c.type, c.line).empty(), c.row);
    }
}

TEST_F(GpsTest, WestIsPositiveEastNegative) {
    std::vector<double> w = Convert(rix::kGps, Nmea("GPGLL,1000.0,N,07030.0,W,120000,A"));
    std::vector<double> e = Convert(rix::kGps, Nmea("GPGLL,1000.0,N,01015.0,E,120000,A"));
    ASSERT_EQ(w.size(), 4u);
    ASSERT_EQ(e.size(), 4u);
    EXPECT_DOUBLE_EQ(w[1], 70.5);
    EXPECT_DOUBLE_EQ(e[1], -10.25);
}

TEST_F(GpsTest, RmcWithoutSpeedOrCourseIsStillAFix) {
    // u-blox receivers leave the course empty, some leave the speed empty too.
    EXPECT_FALSE(Convert(rix::kGps, Nmea("GPRMC,191433.01,A,5200.17080,N,00602.17433,E,0.203,,040712,,,A")).empty());
    EXPECT_FALSE(Convert(rix::kGps, Nmea("GPRMC,191433.01,A,5200.17080,N,00602.17433,E,,,040712,,,A")).empty());
    // the fields a row needs may not be empty
    EXPECT_TRUE(Convert(rix::kGps, Nmea("GPRMC,,A,5200.17080,N,00602.17433,E,,,040712,,,A")).empty());
    EXPECT_TRUE(Convert(rix::kGps, Nmea("GPRMC,191433.01,A,,N,00602.17433,E,,,040712,,,A")).empty());
    EXPECT_TRUE(Convert(rix::kGps, Nmea("GPRMC,191433.01,A,5200.17080,N,,E,,,040712,,,A")).empty());
    EXPECT_TRUE(Convert(rix::kGps, Nmea("GPRMC,191433.01,A,5200.17080,N,00602.17433,E,,,,,,A")).empty());
}

TEST_F(GpsTest, AnyTwoLetterTalker) {
    for (const char* talker : {"GN", "GL", "GA", "EC", "BD", "II"}) {
        SCOPED_TRACE(talker);
        std::string body = std::string(talker) + (kGll + 2);
        EXPECT_EQ(Convert(rix::kGps, Nmea(body)).size(), 4u);
    }
    EXPECT_TRUE(Convert(rix::kGps, Nmea(std::string("gp") + (kGll + 2))).empty());
    EXPECT_TRUE(Convert(rix::kGps, Nmea(std::string("G1") + (kGll + 2))).empty());
    EXPECT_TRUE(Convert(rix::kGps, Nmea(std::string("GPX") + (kGll + 2))).empty());
    // depth stays with the sounder talker
    Convert(rix::kGps, Nmea("ECDBT,7.7,f,2.3,M,1.3,F"));
    EXPECT_EQ(depth.metres, 0);
}

TEST_F(GpsTest, ChecksumWhenPresent) {
    std::string good = Nmea(kGll);  // "...*3E\r\n"
    ASSERT_EQ(good.substr(good.size() - 5), "*3E\r\n");
    std::string lower = good;
    lower[lower.size() - 3] = 'e';
    std::string wrong = good;
    wrong[lower.size() - 3] = 'F';
    std::string damaged = good;
    damaged[10] = '8';  // a changed digit
    EXPECT_FALSE(Convert(rix::kGps, good).empty());
    EXPECT_FALSE(Convert(rix::kGps, lower).empty());
    EXPECT_TRUE(Convert(rix::kGps, wrong).empty());
    EXPECT_TRUE(Convert(rix::kGps, damaged).empty());
    // no "*hh": nothing to check
    EXPECT_FALSE(Convert(rix::kGps, "$" + std::string(kGll) + "\r\n").empty());
    EXPECT_FALSE(Convert(rix::kGps, "$" + std::string(kGll) + "\n").empty());
    EXPECT_FALSE(Convert(rix::kGps, "$" + std::string(kGll)).empty());
    // a bad depth sentence leaves the depth alone
    Convert(rix::kGps, "$SDDBT,7.7,f,2.3,M,1.3,F*06\r\n");
    EXPECT_EQ(depth.metres, 0);
    Convert(rix::kGps, "$SDDBT,7.7,f,2.3,M,1.3,F*05\r\n");
    EXPECT_NEAR(depth.metres, 2.3, 1e-12);
}

TEST_F(GpsTest, FullPrecisionPositions) {
    // 7-decimal minutes; minutes just short of 60 are a valid position.
    std::vector<double> r =
        Convert(rix::kGps, Nmea("GPGGA,213121.000,4404.1295864,N,12118.8685453,W,2,07"));
    ASSERT_EQ(r.size(), 4u);
    EXPECT_DOUBLE_EQ(r[0], 44 + 4.1295864 / 60);
    EXPECT_DOUBLE_EQ(r[1], 121 + 18.8685453 / 60);
    r = Convert(rix::kGps, Nmea("GPGLL,3659.9999950,S,17459.999999,E,225309,A"));
    ASSERT_EQ(r.size(), 4u);
    EXPECT_DOUBLE_EQ(r[0], -(36 + 59.999995 / 60));
}

TEST_F(GpsTest, DepthRidesAlongUntilTheRunEnds) {
    std::vector<double> r = Convert(rix::kGps, Nmea(kGll));
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[2], 0);
    EXPECT_TRUE(Convert(rix::kGps, Nmea("SDDBT,7.9,f,2.4,M,1.3,F")).empty());
    EXPECT_DOUBLE_EQ(Convert(rix::kGps, Nmea(kGll))[2], 2.4);
    EXPECT_TRUE(Convert(rix::kGps, Nmea("SDDBS,30.5,f,9.3,M,5.0,F")).empty());
    EXPECT_DOUBLE_EQ(Convert(rix::kGpsRmc, Nmea(kRmc))[2], 9.3);
    EXPECT_DOUBLE_EQ(depth.feet, 30.5);
    EXPECT_DOUBLE_EQ(depth.fathoms, 5.0);
    // a sounder without bottom lock sends empty fields: the depth stays
    Convert(rix::kGps, Nmea("SDDBT,,f,,M,,F"));
    Convert(rix::kGps, Nmea("SDDBT,1.0,f,0.3,M"));
    EXPECT_DOUBLE_EQ(depth.metres, 9.3);
    depth = rix::GpsDepth{};  // every run starts its channels afresh
    EXPECT_EQ(Convert(rix::kGps, Nmea(kGll))[2], 0);
}

TEST_F(GpsTest, LinesAreReadOnlyUpToTheirLength) {
    // No terminator within the given length: nothing past it is read.
    std::string line = Nmea(kGll);
    std::vector<char> exact(line.begin(), line.end());
    EXPECT_EQ(rix::ConvertGpsSentence(depth, rix::kGps, exact.data(), static_cast<int>(exact.size()),
                                      values),
              4);
    EXPECT_EQ(rix::ConvertGpsSentence(depth, rix::kGps, exact.data(), 20, values), 0);
    EXPECT_EQ(rix::ConvertGpsSentence(depth, rix::kGps, nullptr, 10, values), 0);
    EXPECT_EQ(rix::ConvertGpsSentence(depth, rix::kGps, exact.data(), -1, values), 0);
}

// The date/time channel of a Julian run may be a GPS receiver.
TEST_F(GpsTest, RmcSentencesOnTheDateTimeChannel) {
    rix::ClearJulianTable(run.julian);
    auto parse = [&](const std::string& text) {
        char buffer[rix::kRecordSize] = {};
        std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
        int length = static_cast<int>(text.size());
        values.Reset();
        return rix::ParseDateTimeLine(run, buffer, length, 1000, 0, values);
    };
    EXPECT_EQ(parse(Nmea("SDDBT,7.9,f,2.4,M,1.3,F")), 0);
    EXPECT_EQ(depth.metres, 0);  // only read, never stored
    EXPECT_EQ(parse(Nmea(kGga)), 0);    // no date
    EXPECT_EQ(parse(Nmea("GPRMC,225308,V,4527.458,S,16709.165,E,000.0,094.5,060601,,")), 0);
    ASSERT_EQ(parse(Nmea(kRmc)), 7);
    EXPECT_NEAR(values.values[0], 1157 + 82388.0 / 86400, 1e-9);
    EXPECT_EQ(values.values[1], 6);  // month
    EXPECT_EQ(values.values[2], 6);  // day
    EXPECT_EQ(values.values[3], 1);  // year
    EXPECT_EQ(values.values[6], 8);  // second
    double julian = 0;
    ASSERT_TRUE(rix::JulianOf(run.julian, 1000, julian));
    EXPECT_NEAR(julian, 1157 + 82388.0 / 86400, 1e-9);
}

// The example deployment's receiver: every record gives an RMC and a GGA row,
// and the depth of its sounder, across midnight.
TEST_F(GpsTest, ExampleReceiverRecords) {
    for (long i = 0; i < 3; ++i) {
        const double ms = 15 * 60000.0 - 1000 + 1000.0 * i;  // 23:59:59 to 00:00:01
        const std::string bytes = rixexample::gps::RecordBytes(i, ms);
        std::vector<std::vector<double>> rows;
        for (size_t pos = 0, lf; (lf = bytes.find('\n', pos)) != std::string::npos; pos = lf + 1) {
            std::vector<double> row = Convert(rix::kGps, bytes.substr(pos, lf + 1 - pos));
            if (!row.empty()) rows.push_back(row);
        }
        ASSERT_EQ(rows.size(), 2u) << bytes;
        EXPECT_NEAR(rows[0][0], 43.655, 0.01);
        EXPECT_NEAR(rows[0][1], 70.2425, 0.01);
        EXPECT_NEAR(depth.metres, 40 + 10 * std::sin(ms / 600000.0), 0.051);
        const double day = i == 0 ? 5163 : 5164;  // 12 and 13 June 2005
        EXPECT_NEAR(rows[0][3], day + (i == 0 ? 86399.0 : i - 1.0) / 86400, 1e-9) << bytes;
    }
    EXPECT_EQ(rixexample::gps::DeviceFileText(), "");
}

// Every line of the real receiver logs straight through the decoder, on each
// GPS type: the rows that each type keeps.
TEST_F(GpsTest, RealReceiverLogsThroughTheDecoder) {
    const std::string dir = rixtest::RealDataDir();
    if (dir.empty() || !rixtest::FileExists(dir + "/gpsd/garmin48.log"))
        GTEST_SKIP() << "real GPS logs not found (realdata/gpsd)";
    struct Log {
        const char* name;
        int rmc, gga, gll;
    };
    const Log logs[] = {{"bu353s4.log", 25, 25, 0},       {"bundg_zeus_9.log", 146, 138, 147},
                        {"garmin48.log", 7, 7, 7},        {"haicom-305N.log", 68, 68, 0},
                        {"nl551e.log", 14, 14, 14},       {"quectel.log", 34, 34, 0},
                        {"skytraq-dgps.log", 96, 96, 96}, {"sounder.log", 0, 0, 122}};
    for (const Log& log : logs) {
        SCOPED_TRACE(log.name);
        const std::string text = rixtest::ReadFile(dir + "/gpsd/" + log.name);
        auto count = [&](int type) {
            depth = rix::GpsDepth{};  // every run starts its channels afresh
            int rows = 0;
            for (size_t pos = 0, lf; (lf = text.find('\n', pos)) != std::string::npos; pos = lf + 1) {
                const std::string line = text.substr(pos, lf + 1 - pos);
                if (!Convert(type, line).empty()) ++rows;
            }
            return rows;
        };
        EXPECT_EQ(count(rix::kGps), log.rmc + log.gga + log.gll);
        EXPECT_EQ(count(rix::kGpsRmc), log.rmc);
        EXPECT_EQ(count(rix::kGpsRmcAo), log.rmc);
        EXPECT_EQ(count(rix::kGpsGga), log.gga);
        EXPECT_EQ(count(rix::kGpsGll), log.gll);
    }
}

}  // namespace
