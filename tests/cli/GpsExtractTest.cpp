// End-to-end: GPS receivers and echo sounders on logger channels, extracted
// by the rix program; whole output files compared.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace {

using namespace rixtest;

std::string Nmea(const std::string& body) {
    unsigned sum = 0;
    for (char c : body) sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
    return "$" + body + tail;
}

const std::string kDbt1 = Nmea("SDDBT,7.5,f,2.3,M,1.3,F");
const std::string kRmc1 = Nmea("GPRMC,120000,A,4530.000,N,07015.000,W,0.0,,150605,,");
const std::string kGga1 = Nmea("GPGGA,120001,4530.000,N,07015.000,W,1,08,1.0,5.0,M,,,,");
const std::string kGll1 = Nmea("GPGLL,4530.600,N,07015.300,W,120002.50,A,A");
const std::string kRmc2 = Nmea("GNRMC,120003,A,4531.200,N,07014.400,E,,,150605,,");
const std::string kGga0 = Nmea("GPGGA,120003,4531.200,N,07014.400,E,0,00,,,M,,,,");
const std::string kDbt2 = Nmea("SDDBT,7.9,f,2.4,M,1.3,F");
const std::string kGll2 = Nmea("GPGLL,4531.800,S,07013.800,E,120004,A,A");

// One receiver stream on ports 0 to 4 (channels 11 to 15); the second RMC is
// split across packets, one GLL has a damaged checksum.
ArchiveBuilder ReceiverArchive() {
    std::string badGll = kGll2;
    badGll[badGll.size() - 3] ^= 1;
    const std::string a = "\r\n" + kDbt1 + kRmc1 + kGga1;
    const std::string b = kGll1 + kRmc2.substr(0, 20);
    const std::string c = kRmc2.substr(20) + kGga0 + kDbt2 + badGll + kGll2;
    ArchiveBuilder builder;
    for (auto [time, text] : {std::pair{1000u, a}, std::pair{2000u, b}, std::pair{3000u, c}}) {
        std::vector<Port> ports;
        for (int p = 0; p < 5; ++p) ports.push_back({p, text});
        builder.Add(1, time, ports);
    }
    return builder;
}

constexpr const char* kIsf = "11 GPS\r\n12 GPS_GGA\r\n13 GPS_GLL\r\n14 GPS_RMC\r\n15 GPS_RMC_AO\r\n";
constexpr const char* kHeader = "Time(ms)\tLatitude\tLongitude\tBottom_Depth(m)\tUTC/GMT_Time\r\n";

TEST(GpsExtract, EveryGpsTypeInEngineeringOutput) {
    Deployment d;
    d.Isf(kIsf);
    d.Esf(0, 1, 0, 1);
    d.Archive(ReceiverArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    // 15 June 2005 is day 166; west positive, east negative.
    const std::string rmc1 = "1000\t45.500000\t70.250000\t2.300000\t5166.500000\r\n";
    const std::string gga1 = "1000\t45.500000\t70.250000\t2.300000\t0.500012\r\n";
    const std::string gll1 = "2000\t45.510000\t70.255000\t2.300000\t0.500023\r\n";
    const std::string rmc2 = "2000\t45.520000\t-70.240000\t2.300000\t5166.500035\r\n";
    const std::string gll2 = "3000\t-45.530000\t-70.230000\t2.400000\t0.500046\r\n";
    EXPECT_EQ(ReadFile(d.OutFile("test_11_GPS.000")),
              kHeader + rmc1 + gga1 + gll1 + rmc2 + gll2);
    EXPECT_EQ(ReadFile(d.OutFile("test_12_GPS_GGA.000")), kHeader + gga1);
    EXPECT_EQ(ReadFile(d.OutFile("test_13_GPS_GLL.000")), kHeader + gll1 + gll2);
    EXPECT_EQ(ReadFile(d.OutFile("test_14_GPS_RMC.000")), kHeader + rmc1 + rmc2);
    EXPECT_EQ(ReadFile(d.OutFile("test_15_GPS_RMC_AO.000")),
              "Time(ms)\tGPS_DATE\tGPS_TIME\tGPS_LAT\tGPS_LONG\r\n"
              "1000\t150605\t120000\t45.500000\t70.250000\r\n"
              "2000\t150605\t120003\t45.520000\t-70.240000\r\n");
    const std::string mrg = ReadFile(d.OutFile("test_MRG.000"));
    EXPECT_NE(mrg.find(" GPS 1 5\r\n"), std::string::npos) << mrg;
    EXPECT_NE(mrg.find(" GPS_RMC_AO 1 5\r\n"), std::string::npos) << mrg;
}

TEST(GpsExtract, EveryGpsTypeInRawOutput) {
    Deployment d;
    d.Isf(kIsf);
    d.Esf(0, 0, 0, 1);
    d.Archive(ReceiverArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    // Accepted sentences only, as received: no depth, no rejected sentence.
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_11_GPS.000")), kRmc1 + kGga1 + kGll1 + kRmc2 + kGll2);
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_12_GPS_GGA.000")), kGga1);
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_13_GPS_GLL.000")), kGll1 + kGll2);
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_14_GPS_RMC.000")), kRmc1 + kRmc2);
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_15_GPS_RMC_AO.000")), kRmc1 + kRmc2);
}

TEST(GpsExtract, SounderDepthStaysWithItsOwnChannel) {
    // A sounder on channel 11 gives no depth to the receiver on 12: a row
    // carries only the depth its own line has given, whatever channel ran
    // before it (the last depth of another channel's whole recording was no
    // depth of this row's time).
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\r\n" + kDbt1 + kDbt2}, {1, "\r\n" + kGll1}});
    Deployment d;
    d.Isf("11 GPS\r\n12 GPS_GLL\r\n");
    d.Esf(0, 1, 0, 1);
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_11_GPS.000")), "");
    EXPECT_EQ(ReadFile(d.OutFile("test_12_GPS_GLL.000")),
              std::string(kHeader) + "1000\t45.510000\t70.255000\t0.000000\t0.500023\r\n");
}

TEST(GpsExtract, ReceiverRmcAsTheDateTimeChannel) {
    // The receiver's first RMC, 15 June 2005 12:00:00, arrives at logger time 1000.
    Deployment d;
    d.Isf("11 GPS\r\n14 GPS_RMC\r\n");
    d.Esf(0, 1, 0, 4, 11);
    d.Archive(ReceiverArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_14_GPS_RMC.000")),
              "JulianDay\tLatitude\tLongitude\tBottom_Depth(m)\tUTC/GMT_Time\r\n"
              "166.50000000\t45.500000\t70.250000\t2.300000\t5166.500000\r\n"
              "166.50001157\t45.520000\t-70.240000\t2.300000\t5166.500035\r\n");
    d.Esf(0, 1, 0, 6, 11);
    r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string gps = ReadFile(d.OutFile("test_11_GPS.000"));
    EXPECT_EQ(gps.substr(0, gps.find("\r\n", gps.find("\r\n") + 2) + 2),
              "Year\tJulianDay\tLatitude\tLongitude\tBottom_Depth(m)\tUTC/GMT_Time\r\n"
              "   5\t166.50000000\t45.500000\t70.250000\t2.300000\t5166.500000\r\n");
}

// ---------------------------------------------------------------------------
// Real receiver logs. The test reads them with its own regular expressions:
// every well-formed RMC with status A, GGA with quality 1 or 2 and GLL with
// status A must give a row; $SDDBT/$SDDBS lines give the depth.

struct Fix {
    std::string line;  // as in the log, line end included
    double lat, lon, depth, time;
    size_t offset;     // byte offset of the line in the log
};

bool ChecksumOk(const std::string& s) {
    const size_t star = s.rfind('*');
    if (star == std::string::npos || star + 2 >= s.size() || !std::isxdigit(s[star + 1]) ||
        !std::isxdigit(s[star + 2]))
        return true;
    unsigned sum = 0;
    for (size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(s[i]);
    return sum == std::stoul(s.substr(star + 1, 2), nullptr, 16);
}

double Coordinate(const std::string& deg, const std::string& min, const std::string& side) {
    const double v = std::stod(deg) + std::stod(min) / 60;
    return (side == "S" || side == "E") ? -v : v;
}

double DayTime(const std::string& h, const std::string& m, const std::string& s) {
    return (std::stoi(h) * 3600 + std::stoi(m) * 60 + std::floor(std::stod(s))) / 86400.0;
}

std::vector<Fix> ExpectedFixes(const std::string& log) {
    const std::string time = R"((\d\d)(\d\d)(\d\d(?:\.\d*)?))";
    const std::string lat = R"((\d\d)(\d\d(?:\.\d*)?),([NS]))";
    const std::string lon = R"((\d{3})(\d\d(?:\.\d*)?),([EW]))";
    const std::string end = R"((?:[,*]|$))";
    const std::regex rmc("^\\$[A-Z]{2}RMC," + time + ",A," + lat + "," + lon +
                         R"(,[\d.]*,[\d.]*,(\d\d)(\d\d)(\d\d))" + end);
    const std::regex gga("^\\$[A-Z]{2}GGA," + time + "," + lat + "," + lon + ",[12]" + end);
    const std::regex gll("^\\$[A-Z]{2}GLL," + lat + "," + lon + "," + time + ",A" + end);
    const std::regex dbt(R"(^\$SDDB[TS],[\d.]+,f,([\d.]+),M,[\d.]+,F)" + end);
    static const int monthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

    std::vector<Fix> fixes;
    double depth = 0;
    for (size_t pos = 0; pos < log.size();) {
        size_t lf = log.find('\n', pos);
        if (lf == std::string::npos) break;  // an unfinished last line is never written
        const std::string whole = log.substr(pos, lf + 1 - pos);
        std::string s = whole.substr(0, whole.size() - 1);
        if (!s.empty() && s.back() == '\r') s.pop_back();
        const size_t at = pos;
        pos = lf + 1;
        if (at == 0 || !ChecksumOk(s)) continue;  // the first line has no time yet
        std::smatch m;
        if (std::regex_search(s, m, dbt)) {
            depth = std::stod(m[1]);
        } else if (std::regex_search(s, m, rmc)) {
            const int day = std::stoi(m[10]), month = std::stoi(m[11]), year = std::stoi(m[12]);
            const int code = year * 1000 + monthStart[month - 1] + day +
                             (month > 2 && year % 4 == 0 ? 1 : 0);
            fixes.push_back({whole, Coordinate(m[4], m[5], m[6]), Coordinate(m[7], m[8], m[9]),
                             depth, code + DayTime(m[1], m[2], m[3]), at});
        } else if (std::regex_search(s, m, gga)) {
            fixes.push_back({whole, Coordinate(m[4], m[5], m[6]), Coordinate(m[7], m[8], m[9]),
                             depth, DayTime(m[1], m[2], m[3]), at});
        } else if (std::regex_search(s, m, gll)) {
            fixes.push_back({whole, Coordinate(m[1], m[2], m[3]), Coordinate(m[4], m[5], m[6]),
                             depth, DayTime(m[7], m[8], m[9]), at});
        }
    }
    return fixes;
}

constexpr size_t kChunk = 200;         // bytes of the log per packet
constexpr double kPacketMs = 100;      // packet interval
constexpr double kFirstPacketMs = 1000;

ArchiveBuilder LogArchive(const std::string& log) {
    ArchiveBuilder b;
    for (size_t i = 0; i * kChunk < log.size(); ++i)
        b.Add(1, static_cast<uint32_t>(kFirstPacketMs + kPacketMs * static_cast<double>(i)),
              {{0, log.substr(i * kChunk, kChunk)}});
    return b;
}

std::vector<std::string> Rows(const std::string& file) { return CrLfLines(file); }

struct LogCase {
    const char* name;
    size_t rows;
    const char* firstRow;  // worked out by hand from the log's first fix
};

// Counts: RMC status A + GGA quality 1/2 + GLL status A in each log.
const LogCase kLogs[] = {
    {"bu353s4.log", 50, "-37.784788\t-175.314897\t0.000000\t0.130081"},
    {"bundg_zeus_9.log", 431, "52.850157\t-5.313620\t0.000000\t0.408056"},
    {"garmin48.log", 21, "-45.457633\t-167.152750\t0.000000\t1157.953565"},
    {"haicom-305N.log", 136, "-27.210867\t-153.052328\t0.000000\t0.411852"},
    {"nl551e.log", 42, "52.002847\t-6.036239\t0.000000\t12186.801771"},
    {"quectel.log", 68, "-36.745989\t-174.734548\t0.000000\t0.097465"},
    {"skytraq-dgps.log", 288, "44.068826\t121.314476\t0.000000\t0.896771"},
    {"sounder.log", 122, "51.331350\t-1.419483\t2.300000\t0.696829"},
};

TEST(GpsExtract, RealReceiverLogs) {
    const std::string dir = RealDataDir();
    if (dir.empty() || !FileExists(dir + "/gpsd/garmin48.log"))
        GTEST_SKIP() << "real GPS logs not found (realdata/gpsd)";
    for (const LogCase& c : kLogs) {
        SCOPED_TRACE(c.name);
        const std::string log = ReadFile(dir + "/gpsd/" + c.name);
        const std::vector<Fix> fixes = ExpectedFixes(log);
        EXPECT_EQ(fixes.size(), c.rows);

        Deployment d;
        d.Isf("11 GPS\r\n");
        d.Esf(0, 1, 0, 1);
        d.Archive(LogArchive(log));
        RunResult r = d.Run({});
        ASSERT_EQ(r.code, 0) << r.err;
        const std::vector<std::string> rows = Rows(ReadFile(d.OutFile("test_11_GPS.000")));
        ASSERT_EQ(rows.size(), fixes.size() + 1);
        EXPECT_EQ(rows[0], "Time(ms)\tLatitude\tLongitude\tBottom_Depth(m)\tUTC/GMT_Time");
        ASSERT_GT(rows.size(), 1u);
        EXPECT_EQ(rows[1].substr(rows[1].find('\t') + 1), c.firstRow);
        for (size_t i = 0; i < fixes.size(); ++i) {
            const Fix& f = fixes[i];
            double t = 0, lat = 0, lon = 0, depth = 0, value = 0;
            ASSERT_EQ(std::sscanf(rows[i + 1].c_str(), "%lf\t%lf\t%lf\t%lf\t%lf", &t, &lat, &lon,
                                  &depth, &value),
                      5)
                << rows[i + 1];
            // the packet that brought the line's first byte
            EXPECT_EQ(t, kFirstPacketMs + kPacketMs * static_cast<double>(f.offset / kChunk));
            EXPECT_NEAR(lat, f.lat, 6e-7) << f.line;
            EXPECT_NEAR(lon, f.lon, 6e-7) << f.line;
            EXPECT_NEAR(depth, f.depth, 6e-7) << f.line;
            EXPECT_NEAR(value, f.time, 6e-7) << f.line;
        }

        d.Esf(0, 0, 0, 1);
        r = d.Run({});
        ASSERT_EQ(r.code, 0) << r.err;
        std::string accepted;
        for (const Fix& f : fixes) accepted += f.line;
        EXPECT_EQ(ReadFile(d.OutFile("raw_test_11_GPS.000")), accepted);
    }
}

}  // namespace
