// End-to-end: calendar time stamps (the Julian forms and ISO 8601 UTC) for
// data of every year from 2000 on: real receiver logs timed by their own
// clocks, type-2 archives across a New Year, and the merge of ISO-stamped
// files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <regex>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace {

using namespace rixtest;

// Seconds since 1970 of a UTC calendar time.
double UtcSeconds(int year, int month, int day, double secondsOfDay) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    return static_cast<double>(timegm(&tm)) + secondsOfDay;
}

// YYYY-MM-DDThh:mm:ss.sssZ as seconds since 1970; NaN when not in that form.
double IsoSeconds(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0;
    char z = 0;
    if (text.size() != 24 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%6lf%c", &year, &month, &day, &hour, &minute,
                    &second, &z) != 7 ||
        z != 'Z')
        return std::nan("");
    return UtcSeconds(year, month, day, hour * 3600.0 + minute * 60.0 + second);
}

int DayOfYear(int year, int month, int day) {
    return static_cast<int>((UtcSeconds(year, month, day, 0) - UtcSeconds(year, 1, 1, 0)) / 86400) + 1;
}

// A receiver log put into an archive as the logger would have recorded it:
// each sentence in a packet stamped with the receiver's own time of that
// sentence (logger time = 1000 ms + receiver seconds since its first fix).
struct TimedLog {
    ArchiveBuilder archive;
    bool dated = false;
    double firstUtc = 0;    // seconds since 1970 of the first timed sentence
    int firstYear = 0;      // calendar date of the first RMC
    int firstMonth = 0;
    int firstDay = 0;
};

TimedLog TimeLog(const std::string& log) {
    const std::regex timed(R"(^\$[A-Z]{2}(?:RMC|GGA),(\d\d)(\d\d)(\d\d(?:\.\d*)?),)");
    const std::regex gll(R"(^\$[A-Z]{2}GLL,[^,]*,[NS]?,[^,]*,[EW]?,(\d\d)(\d\d)(\d\d(?:\.\d*)?),)");
    const std::regex rmcDate(R"(^\$[A-Z]{2}RMC,[^,]*,A,(?:[^,]*,){6}(\d\d)(\d\d)(\d\d)(?:[,*]|$))");
    struct Line {
        std::string text;
        double secondsOfDay;  // -1: no time of its own
    };
    std::vector<Line> lines;
    TimedLog out;
    for (size_t pos = 0; pos < log.size();) {
        size_t lf = log.find('\n', pos);
        if (lf == std::string::npos) lf = log.size() - 1;
        std::string whole = log.substr(pos, lf + 1 - pos);
        pos = lf + 1;
        if (whole.empty() || whole[0] == '#') continue;  // the log's own comments
        std::smatch m;
        double t = -1;
        if (std::regex_search(whole, m, timed) || std::regex_search(whole, m, gll))
            t = std::stoi(m[1]) * 3600.0 + std::stoi(m[2]) * 60.0 + std::stod(m[3]);
        if (!out.dated && std::regex_search(whole, m, rmcDate)) {
            out.dated = true;
            out.firstDay = std::stoi(m[1]);
            out.firstMonth = std::stoi(m[2]);
            out.firstYear = 2000 + std::stoi(m[3]);
        }
        lines.push_back({whole, t});
    }
    // Receiver seconds run on across midnight; the first timed sentence is the origin.
    double first = -1, last = -1, dayOffset = 0;
    out.archive.Add(1, 1000, {{0, "\r\n"}});
    double packetMs = 1000;
    for (const Line& l : lines) {
        if (l.secondsOfDay >= 0) {
            if (first < 0) first = l.secondsOfDay;
            if (last >= 0 && l.secondsOfDay + dayOffset < last - 43200) dayOffset += 86400;
            last = l.secondsOfDay + dayOffset;
            packetMs = std::max(packetMs, 1000 + std::round((last - first) * 1000));
        }
        out.archive.Add(1, static_cast<uint32_t>(packetMs), {{0, l.text}});
    }
    if (out.dated) out.firstUtc = UtcSeconds(out.firstYear, out.firstMonth, out.firstDay, first);
    return out;
}

// The data rows of an extracted file (its title line left out).
std::vector<std::string> DataRows(const std::string& file) {
    std::vector<std::string> rows = CrLfLines(file);
    if (!rows.empty()) rows.erase(rows.begin());
    return rows;
}

TEST(CalendarTime, RealReceiverLogsCarryTheirOwnDateAndTime) {
    const std::string dir = RealDataDir();
    if (dir.empty() || !FileExists(dir + "/gpsd/garmin48.log"))
        GTEST_SKIP() << "real GPS logs not found (realdata/gpsd)";
    struct LogCase {
        const char* name;
        int year;
    } logs[] = {{"garmin48.log", 2001},      {"haicom-305N.log", 2007}, {"nl551e.log", 2012},
                {"bu353s4.log", 2014},       {"skytraq-dgps.log", 2016}, {"bundg_zeus_9.log", 2018},
                {"quectel.log", 2020}};
    for (const LogCase& c : logs) {
        SCOPED_TRACE(c.name);
        const TimedLog timed = TimeLog(ReadFile(dir + "/gpsd/" + c.name));
        ASSERT_TRUE(timed.dated);
        ASSERT_EQ(timed.firstYear, c.year);

        Deployment d;
        d.Isf("11 GPS\r\n");
        d.Archive(timed.archive);
        // Logger time of every row, then the same rows in the calendar formats.
        d.Esf(0, 1, 1, 1, 11);
        RunResult r = d.Run({});
        ASSERT_EQ(r.code, 0) << r.err;
        const std::vector<std::string> logger = DataRows(ReadFile(d.OutFile("test_11_GPS.000")));
        ASSERT_GT(logger.size(), 10u);

        d.Esf(0, 1, 1, 6, 11);
        r = d.Run({});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err.find("No calendar day"), std::string::npos) << r.err;
        const std::vector<std::string> julian = DataRows(ReadFile(d.OutFile("test_11_GPS.000")));
        d.Esf(0, 1, 1, 8, 11);
        r = d.Run({});
        ASSERT_EQ(r.code, 0) << r.err;
        const std::vector<std::string> iso = DataRows(ReadFile(d.OutFile("test_11_GPS.000")));
        ASSERT_EQ(julian.size(), logger.size());
        ASSERT_EQ(iso.size(), logger.size());

        const double firstDayStart = UtcSeconds(timed.firstYear, timed.firstMonth, timed.firstDay, 0);
        const int firstCode = (c.year % 100) * 1000 + DayOfYear(timed.firstYear, timed.firstMonth, timed.firstDay);
        for (size_t i = 0; i < logger.size(); ++i) {
            const double ms = std::stod(logger[i]);
            const double utc = timed.firstUtc + (ms - 1000) / 1000;  // the receiver's time of the row
            int year = -1;
            double day = 0;
            ASSERT_EQ(std::sscanf(julian[i].c_str(), "%d\t%lf", &year, &day), 2) << julian[i];
            EXPECT_EQ(year, c.year % 100) << julian[i];
            // Days count on from the first day, past midnight and the year's end.
            const double expected = firstCode + (utc - firstDayStart) / 86400;
            EXPECT_NEAR(year * 1000 + day, expected, 1.0 / 86400) << julian[i];
            const std::string stamp = iso[i].substr(0, iso[i].find('\t'));
            EXPECT_NEAR(IsoSeconds(stamp), utc, 1.0) << iso[i];
            EXPECT_EQ(iso[i].substr(iso[i].find('\t')), julian[i].substr(julian[i].find('\t', 5)));
        }
    }
}

TEST(CalendarTime, ADateTimeChannelWithoutDatesSaysSo) {
    // An echo sounder's GLL carries a time but no date.
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\r\n$ECGLL,5119.881,N,00125.169,W,164321.00,A,A*71\r\n"}});
    b.Add(1, 2000, {{0, "$ECGLL,5119.881,N,00125.169,W,164322.00,A,A*72\r\n"}});
    Deployment d;
    d.Isf("11 GPS\r\n");
    d.Archive(b);
    d.Esf(0, 1, 1, 8, 11);
    RunResult r = d.Run({});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("No calendar day was found for the time stamps: the date/time channel 11 carries no "
                         "date lines"),
              std::string::npos)
        << r.err;
    for (const std::string& row : DataRows(ReadFile(d.OutFile("test_11_GPS.000"))))
        EXPECT_EQ(row.substr(0, 25), "0000-00-00T00:00:00.000Z\t");

    // Dates the receiver cannot have meant are refused and named as such.
    ArchiveBuilder bad;
    bad.Add(1, 1000, {{0, "\r\nclock 13/45/2026 10:00:00\r\nclock 2150-01-01T00:00:00Z\r\n"}});
    d.Isf("11 ASCII\r\n");
    d.Archive(bad);
    d.Esf(0, 1, 1, 4, 11);
    r = d.Run({});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("carries 2 date line(s), all refused"), std::string::npos) << r.err;

    // The check sees the same beforehand.
    r = d.Rix({"check", "--isf", d.Path("setup.isf"), "--esf", d.Path("setup.esf"), "--outdir", d.Out(),
               d.Path("test.000")});
    EXPECT_NE(r.out.find("all refused"), std::string::npos) << r.out;
    EXPECT_NE(r.code, 0);
}

// Type-2 packets: 2025-12-31 23:00 to 2026-01-02 01:00, one every half hour,
// each carrying one line of a text sensor.
ArchiveBuilder NewYearArchive() {
    ArchiveBuilder b;
    for (int half = 0; half <= 52; ++half) {
        const long minutes = 23 * 60 + 30L * half;  // from 2025-12-31 00:00
        const int dayIndex = static_cast<int>(minutes / 1440);
        const int16_t code = static_cast<int16_t>(dayIndex == 0 ? 25365 : 26000 + dayIndex);
        const int32_t msOfDay = static_cast<int32_t>((minutes % 1440) * 60000 + 250);
        b.Add2(1, msOfDay, code, {{0, "row " + std::to_string(half) + "\r\n"}});
    }
    return b;
}

TEST(CalendarTime, Type2ArchiveAcrossNewYear2026) {
    Deployment d;
    d.Isf("11 T_ASCII\r\n");
    d.Archive(NewYearArchive());
    std::vector<std::vector<std::string>> byFormat(9);
    for (int format : {4, 5, 6, 8}) {
        d.Esf(0, 1, 1, format, 21);
        RunResult r = d.Run({});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err.find("No calendar day"), std::string::npos) << r.err;
        byFormat[static_cast<size_t>(format)] = CrLfLines(ReadFile(d.OutFile("test_11_T_ASCII.000")));
    }
    // The first row is lost to the line assembler (no line start yet); row 1
    // came at 2025-12-31 23:30:00.250.
    const std::vector<std::string>& f4 = byFormat[4];
    ASSERT_FALSE(f4.empty());
    EXPECT_EQ(f4.front(), "365.97916956\trow 1");
    EXPECT_EQ(byFormat[5].front(), "25365.97916956\trow 1");
    EXPECT_EQ(byFormat[6].front(), "  25\t365.97916956\trow 1");
    EXPECT_EQ(byFormat[8].front(), "2025-12-31T23:30:00.250Z\trow 1");
    // Midnight: day 366 in the Julian forms, the first of January in ISO 8601.
    EXPECT_EQ(f4[1], "366.00000289\trow 2");
    EXPECT_EQ(byFormat[8][1], "2026-01-01T00:00:00.250Z\trow 2");
    // A day later: 367, and the second of January.
    EXPECT_EQ(f4[49], "367.00000289\trow 50");
    EXPECT_EQ(byFormat[6][49], "  25\t367.00000289\trow 50");
    EXPECT_EQ(byFormat[8][49], "2026-01-02T00:00:00.250Z\trow 50");
    EXPECT_EQ(byFormat[8][51], "2026-01-02T01:00:00.250Z\trow 52");

    // An archive that starts in 2026 counts in 2026's days.
    ArchiveBuilder b;
    b.Add2(1, 13 * 3600000 + 45 * 60000, 26342, {{0, "\r\n"}});
    b.Add2(1, 13 * 3600000 + 45 * 60000 + 1500, 26342, {{0, "Dec 8\r\n"}});
    d.Archive(b);
    for (auto [format, row] : {std::pair{4, "342.57293403\tDec 8"}, std::pair{5, "26342.57293403\tDec 8"},
                               std::pair{6, "  26\t342.57293403\tDec 8"},
                               std::pair{8, "2026-12-08T13:45:01.500Z\tDec 8"}}) {
        d.Esf(0, 1, 1, format, 21);
        RunResult r = d.Run({});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(ReadFile(d.OutFile("test_11_T_ASCII.000")), std::string(row) + "\r\n") << format;
    }
}

TEST(CalendarTime, IsoStampedFilesMergeAsTheJulianOnes) {
    // The example deployment's CTD and fluorometer pair, merged on time.
    const std::string src = RIX_SOURCE_DIR "/examples/";
    std::vector<std::string> merged[2];
    for (int k = 0; k < 2; ++k) {
        Deployment d;
        d.Esf(0, 1, 1, k == 0 ? 4 : 8);
        RunResult r = d.Rix({"extract", "--isf", src + "deploy.isf", "--esf", d.Path("setup.esf"), "--devdir",
                             src, "--outdir", d.Out(), src + "deploy.000"});
        ASSERT_EQ(r.code, 0) << r.err;
        r = d.Rix({"merge", "--msf", src + "deploy.msf", "--devdir", src, "--outdir", d.Out(),
                   d.OutFile("deploy_MRG.000")});
        ASSERT_EQ(r.code, 0) << r.err;
        merged[k] = CrLfLines(ReadFile(d.OutFile("deploy_pair_01.000")));
    }
    ASSERT_EQ(merged[0].size(), merged[1].size());
    ASSERT_GT(merged[0].size(), 1000u);
    EXPECT_EQ(merged[1][0].substr(0, 12), "DateTimeUTC\t");
    for (size_t i = 0; i < merged[0].size(); ++i) {
        const std::string& julian = merged[0][i];
        const std::string& iso = merged[1][i];
        ASSERT_EQ(julian.substr(julian.find('\t')), iso.substr(iso.find('\t'))) << i;
        if (i == 0) continue;
        // The stamps name the same instant: day 163 of 2005 is 12 June.
        const double day = std::stod(julian.substr(0, julian.find('\t')));
        const double seconds = IsoSeconds(iso.substr(0, iso.find('\t')));
        EXPECT_NEAR(seconds, UtcSeconds(2005, 1, 1, (day - 1) * 86400), 0.09) << iso;  // six decimals of a day
    }
}

}  // namespace
