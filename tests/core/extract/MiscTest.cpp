#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "Context.h"
#include "extract/Channel.h"
#include "extract/Misc.h"
#include "report/Reporter.h"

namespace {

constexpr double kHour = 3600000.0;
constexpr double kDay = 24 * kHour;

// Runs a writer against a scratch stream and returns what it wrote.
template <typename Fn>
std::string Capture(Fn fn) {
    std::FILE* f = std::tmpfile();
    if (f == nullptr) return "<no scratch file>";
    fn(f);
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
    std::fclose(f);
    return s;
}

std::string Stamp(const rix::JulianState& state, double time, int format, int* columns = nullptr,
                  double meterTime = 99) {
    return Capture([&](std::FILE* f) {
        int c = rix::WriteTimeStamp(state, time, meterTime, format, f);
        if (columns != nullptr) *columns = c;
    });
}

struct DateLine {
    char buffer[rix::kRecordSize] = {};
    int length = 0;
    explicit DateLine(const std::string& text) {
        std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
        length = static_cast<int>(std::strlen(buffer));
    }
};

class JulianTest : public ::testing::Test {
protected:
    rix::RecordingReporter reporter;
    rix::Context ctx{reporter};
    rix::Run run{ctx};
    rix::RowValues values;
    void SetUp() override { rix::ClearJulianTable(run.julian); }
    int Parse(DateLine& line, double packetTime, int offsetHours) {
        return rix::ParseDateTimeLine(run, line.buffer, line.length, packetTime, offsetHours,
                                      values);
    }
};

TEST(TimeTitles, EveryFormatAndItsColumnCount) {
    const char* expected[] = {"Time(ms)",  "Time(ms)",    "Time(Secs)",     "Time(Secs)",
                              "JulianDay", "YrJulianDay", "Year\tJulianDay", "Time(ms)",
                              "DateTimeUTC"};
    for (int format = -1; format <= 9; ++format) {
        int columns = 0;
        std::string text = Capture([&](std::FILE* f) { columns = rix::WriteTimeTitles(format, f); });
        EXPECT_EQ(text, format < 0 || format > 8 ? "" : expected[format]) << format;
        EXPECT_EQ(columns, format == 6 ? 2 : 1) << format;  // unknown: no title, one column
    }
}

TEST(TimeStamp, ElapsedAndMeterTimeFormats) {
    rix::JulianState state;
    int columns = 0;
    EXPECT_EQ(Stamp(state, 1234.6, 0), "1235");
    EXPECT_EQ(Stamp(state, 1234, 1), "1234");
    EXPECT_EQ(Stamp(state, 1234, 2), "1.234");
    EXPECT_EQ(Stamp(state, 61234567, 3), "61234.567");
    EXPECT_EQ(Stamp(state, 1234, 7, &columns, 99), "99");
    EXPECT_EQ(columns, 1);
    for (int format : {-1, 9, 42}) {
        EXPECT_EQ(Stamp(state, 1234, format, &columns), "");
        EXPECT_EQ(columns, 0);
    }
}

TEST(TimeStamp, YearJulianFormatsPadTheDay) {
    rix::JulianState state;
    rix::EnterPacketDay(state, 5123, 0, 0);  // midnight of day 123 of '05 at time 0
    int columns = 0;
    EXPECT_EQ(Stamp(state, kDay / 2, 5, &columns), "5123.50000000");
    EXPECT_EQ(columns, 1);
    EXPECT_EQ(Stamp(state, kDay / 2, 4), "123.50000000");
    EXPECT_EQ(Stamp(state, kDay / 2, 6, &columns), "   5\t123.50000000");
    EXPECT_EQ(columns, 2);

    rix::JulianState early;
    rix::EnterPacketDay(early, 5005, 0, 0);
    EXPECT_EQ(Stamp(early, kDay / 4, 5), "5005.25000000");
    EXPECT_EQ(Stamp(early, kDay / 4, 4), "  5.25000000");
    EXPECT_EQ(Stamp(early, kDay / 4, 6), "   5\t005.25000000");

    // Before every midnight, or with an empty table, the day is 0.
    EXPECT_EQ(Stamp(early, -1, 4), "  0.00000000");
    rix::JulianState empty;
    EXPECT_EQ(Stamp(empty, 5000, 5), "0000.00000000");
    EXPECT_EQ(Stamp(empty, 5000, 6), "   0\t000.00000000");
}

TEST_F(JulianTest, DateTimeLineSetsMiddayAndDaysKeepCounting) {
    const double t0 = 5.0e6;
    DateLine line("01/02/05 12:00:00\r\n");
    ASSERT_EQ(Parse(line, t0, 0), 7);
    EXPECT_STREQ(line.buffer, "5002.500000000 01-02-05 12:00:00\r\n");
    EXPECT_EQ(line.length, static_cast<int>(std::strlen(line.buffer)));

    EXPECT_EQ(values.count, 7);
    const char* titles[] = {"Julian_Date_Time", "Month", "Day", "Year", "Hour", "Minute", "Second"};
    const double expected[] = {5002.5, 1, 2, 5, 12, 0, 0};
    for (int i = 0; i < 7; ++i) {
        EXPECT_STREQ(values.titles[i], titles[i]);
        EXPECT_DOUBLE_EQ(values.values[i], expected[i]);
        EXPECT_EQ(values.precision[i], i == 0 ? 9 : 0);
    }

    double j = 0;
    ASSERT_TRUE(rix::JulianOf(run.julian, t0, j));
    EXPECT_DOUBLE_EQ(j, 5002.5);
    ASSERT_TRUE(rix::JulianOf(run.julian, t0 + 36 * kHour, j));
    EXPECT_DOUBLE_EQ(j, 5004.0);
    EXPECT_EQ(Stamp(run.julian, t0 + 36 * kHour, 4), "  4.00000000");
    // Far past the year's end the day keeps counting from the first day.
    EXPECT_EQ(Stamp(run.julian, t0 + 400 * kDay, 5), "5402.50000000");
}

TEST_F(JulianTest, OffsetMovesMidnightEarlier) {
    const double t0 = 5.0e7;
    DateLine plain("01/02/05 12:00:00");
    ASSERT_EQ(Parse(plain, t0, 0), 7);
    const double midnightPlain = run.julian.table[5002].midnight;
    EXPECT_DOUBLE_EQ(midnightPlain, t0 - 12 * kHour);

    rix::ClearJulianTable(run.julian);
    DateLine shifted("01/02/05 12:00:00");
    ASSERT_EQ(Parse(shifted, t0, 5), 7);
    EXPECT_NEAR(values.values[0], 5002.708333333, 1e-9);
    EXPECT_STREQ(shifted.buffer, "5002.708333333 01-02-05 12:00:00\r\n");
    EXPECT_DOUBLE_EQ(run.julian.table[5002].midnight, midnightPlain - 5 * kHour);

    // A negative offset that crosses back over midnight lands on the day before.
    rix::ClearJulianTable(run.julian);
    DateLine early("01/02/05 03:00:00");
    ASSERT_EQ(Parse(early, t0, -5), 7);
    EXPECT_TRUE(run.julian.table[5001].set);
    EXPECT_FALSE(run.julian.table[5002].set);
    EXPECT_DOUBLE_EQ(run.julian.table[5001].midnight, t0 - 22 * kHour);
}

TEST_F(JulianTest, FirstObservationOfADayStays) {
    DateLine first("01/02/05 12:00:00"), second("01/02/05 13:00:00");
    ASSERT_EQ(Parse(first, 1.0e8, 0), 7);
    // The second line is late by half an hour against the first: ignored for the table.
    ASSERT_EQ(Parse(second, 1.0e8 + 1.5 * kHour, 0), 7);
    EXPECT_DOUBLE_EQ(run.julian.table[5002].midnight, 1.0e8 - 12 * kHour);
    EXPECT_DOUBLE_EQ(run.julian.table[5002].madeAt, 1.0e8);
    EXPECT_EQ(run.julian.setCodes.size(), 1u);

    rix::EnterPacketDay(run.julian, 5002, 0, 0);  // a type-2 packet of the same day
    rix::EnterPacketDay(run.julian, 5003, 3 * kHour, 30 * kHour);
    rix::EnterPacketDay(run.julian, 5003, 4 * kHour, 30 * kHour);
    EXPECT_DOUBLE_EQ(run.julian.table[5002].midnight, 1.0e8 - 12 * kHour);
    EXPECT_DOUBLE_EQ(run.julian.table[5003].midnight, 27 * kHour);
}

TEST_F(JulianTest, DateAndTimeFormsFoundAnywhereInTheLine) {
    DateLine dashed("GPS fix 2005 ok; date 03-01-2004 time 23:59:59.75 end\r\n");
    // "2005 ok" holds no date; the dashed date is the first one found.
    ASSERT_EQ(Parse(dashed, 1.0e9, 0), 7);
    EXPECT_STREQ(dashed.buffer, "4061.999988426 03-01-04 23:59:59\r\n");
    EXPECT_DOUBLE_EQ(values.values[3], 4);
    EXPECT_DOUBLE_EQ(values.values[6], 59);  // fraction of a second dropped

    DateLine dateOnly("12/31/05\r\n");  // midnight of that day
    ASSERT_EQ(Parse(dateOnly, 2.0e9, 0), 7);
    EXPECT_STREQ(dateOnly.buffer, "5365.000000000 12-31-05 00:00:00\r\n");
    EXPECT_DOUBLE_EQ(run.julian.table[5365].midnight, 2.0e9);

    DateLine spaced("T= 1/ 2/ 5  7: 8: 9");  // numbers may be preceded by blanks
    ASSERT_EQ(Parse(spaced, 3.0e9, 0), 7);
    EXPECT_STREQ(spaced.buffer, "5002.297326389 01-02-05 07:08:09\r\n");

    // "07-1/" is no date, but from the dash on "-1/2/05" reads as one: month -1
    // is no month, so the line is refused.
    DateLine signedMonth("07-1/2/05 06:00:00");
    EXPECT_EQ(Parse(signedMonth, 4.0e9, 0), 0);
}

TEST_F(JulianTest, LinesWithoutADateAreRefusedUntouched) {
    for (const char* text : {"12:00:00\r\n", "no date here\r\n", "", "1/2 3-4 5:6\r\n",
                             "$GPRMC,120000,A,4124.8963,N,08151.6838,W,0,0,020105,,*1F\r\n"}) {
        DateLine line(text);
        const std::string before = line.buffer;
        const int length = line.length;
        EXPECT_EQ(Parse(line, 1.0e6, 0), 0) << text;
        EXPECT_EQ(before, line.buffer);
        EXPECT_EQ(line.length, length);
    }
    EXPECT_TRUE(run.julian.setCodes.empty());
    EXPECT_EQ(run.julian.lowestSet, rix::kJulianTableSize);
}

TEST_F(JulianTest, LengthBoundsTheScanAndLongLinesStayInTheirBuffer) {
    DateLine cut("01/02/05 12:00:00");
    cut.length = 5;  // "01/02" only: no date within the line's length
    EXPECT_EQ(Parse(cut, 0, 0), 0);

    // A full-length line with its date deep inside; its stated length is too large.
    char big[rix::kRecordSize];
    std::memset(big, '7', sizeof big - 1);
    big[sizeof big - 1] = '\0';
    std::memcpy(big + 1000, " 1/2/5 ", 7);
    int length = 5000;
    ASSERT_EQ(rix::ParseDateTimeLine(run, big, length, 0, 0, values), 7);
    EXPECT_STREQ(big, "5002.000000000 01-02-05 00:00:00\r\n");
    EXPECT_EQ(length, 34);
}

TEST(EnterDateTime, DayCodesWithLeapYears) {
    struct Case {
        int month, day, year, code;
    } cases[] = {
        {1, 31, 4, 4031},  {2, 29, 4, 4060},  {3, 1, 4, 4061},   {3, 1, 5, 5060},
        {12, 31, 4, 4366}, {12, 31, 5, 5365}, {3, 1, 2000, 61},  {2, 29, 24, 24060},
        {3, 1, 26, 26060}, {12, 31, 99, 99365}, {12, 31, 96, 96366},
    };
    for (const Case& c : cases) {
        rix::JulianState state;
        double j = -1;
        ASSERT_TRUE(rix::EnterDateTime(state, 0, 0, 0, 0, c.month, c.day, c.year, 0, j))
            << c.month << "/" << c.day << "/" << c.year;
        EXPECT_DOUBLE_EQ(j, c.code);
        EXPECT_TRUE(state.table[static_cast<size_t>(c.code)].set);
    }
}

TEST(EnterDateTime, CodesOutsideTheTableAreNeverEntered) {
    rix::JulianState state;
    double j = 0;
    EXPECT_FALSE(rix::EnterDateTime(state, 0, 0, 0, 0, 0, 0, 0, 0, j));       // code 0
    EXPECT_FALSE(rix::EnterDateTime(state, 0, 12, 0, 0, 1, 2, -5, 0, j));     // negative
    EXPECT_FALSE(rix::EnterDateTime(state, 0, 12, 0, 0, 12, 31, 99, 48, j));  // pushed past 99366
    // Impossible calendar values, whatever the year.
    struct Impossible {
        int hour, minute, second, month, day, year;
    } impossible[] = {{0, 0, 0, 13, 5, 5}, {0, 0, 0, 0, 5, 8},  {0, 0, 0, 1, 0, 8},
                      {0, 0, 0, 1, 32, 8}, {24, 0, 0, 1, 2, 5}, {0, 60, 0, 1, 2, 26},
                      {0, 0, 61, 1, 2, 26}, {-1, 0, 0, 1, 2, 26}};
    for (const Impossible& v : impossible)
        EXPECT_FALSE(rix::EnterDateTime(state, 0, v.hour, v.minute, v.second, v.month, v.day, v.year,
                                        0, j))
            << v.month << "/" << v.day << "/" << v.year << " " << v.hour << ":" << v.minute << ":"
            << v.second;
    EXPECT_TRUE(state.setCodes.empty());
    for (const rix::JulianEntry& e : state.table) ASSERT_FALSE(e.set);

    rix::EnterPacketDay(state, -1, 0, 0);
    rix::EnterPacketDay(state, rix::kJulianTableSize, 0, 0);
    EXPECT_TRUE(state.setCodes.empty());
    EXPECT_FALSE(rix::JulianOf(state, 1.0e12, j));

    // A leap second is a time a clock shows; the offset carries it into the next day.
    EXPECT_TRUE(rix::EnterDateTime(state, 0, 23, 59, 60, 1, 2, 5, 0, j));
    EXPECT_DOUBLE_EQ(j, 5003.0);
    EXPECT_TRUE(state.table[5003].set);
    // The last code of the table is still usable.
    EXPECT_TRUE(rix::EnterDateTime(state, 0, 23, 0, 0, 12, 31, 99, 2, j));
    EXPECT_TRUE(state.table[99366].set);
}

TEST_F(JulianTest, TodaysDatesFourDigitYearsAndIso8601) {
    // Two-digit years past 2010 are days like any other.
    DateLine late("12/08/26 13:45:01\r\n");
    ASSERT_EQ(Parse(late, 1.0e6, 0), 7);
    EXPECT_STREQ(late.buffer, "26342.572928241 12-08-26 13:45:01\r\n");

    // A four-digit year counts modulo 100 wherever it stands.
    struct Case {
        const char* text;
        double julian;
    } cases[] = {
        {"12/08/2026 13:45:01", 26342 + (13 * 3600 + 45 * 60 + 1) / 86400.0},
        {"2026-12-08 13:45:01", 26342 + (13 * 3600 + 45 * 60 + 1) / 86400.0},
        {"$TIME 2026-12-08T13:45:01Z", 26342 + (13 * 3600 + 45 * 60 + 1) / 86400.0},
        {"2024-02-29T00:00:00.5Z", 24060},
        {"2000-01-01", 1},
    };
    for (const Case& c : cases) {
        rix::ClearJulianTable(run.julian);
        DateLine line(c.text);
        ASSERT_EQ(Parse(line, 5.0e6, 0), 7) << c.text;
        EXPECT_NEAR(values.values[0], c.julian, 1e-9) << c.text;
        EXPECT_EQ(run.julian.dateLinesAccepted, 1);
    }

    // Other centuries and impossible values are refused and counted, never entered.
    rix::ClearJulianTable(run.julian);
    for (const char* text : {"1999-12-31 23:00:00", "12/31/2150 00:00:00", "2026-13-01T00:00:00Z",
                             "2026-12-400T00:00:00Z", "12/08/26 24:00:00", "12/08/26 13:61:00",
                             "13/01/05 00:00:00"}) {
        DateLine line(text);
        EXPECT_EQ(Parse(line, 1.0e6, 0), 0) << text;
    }
    EXPECT_TRUE(run.julian.setCodes.empty());
    EXPECT_EQ(run.julian.dateLinesRefused, 7);
    EXPECT_EQ(run.julian.dateLinesAccepted, 0);
    // An offset that moves a time past midnight moves the date with it.
    rix::ClearJulianTable(run.julian);
    DateLine local("01/02/2026 22:00:00");
    ASSERT_EQ(Parse(local, 5.0e6, 5), 7);
    EXPECT_EQ(Stamp(run.julian, 5.0e6, 8), "2026-01-03T03:00:00.000Z");
    EXPECT_EQ(Stamp(run.julian, 5.0e6, 5), "26003.12500000");

    rix::ClearJulianTable(run.julian);
    DateLine none("no date at all");
    EXPECT_EQ(Parse(none, 1.0e6, 0), 0);
    EXPECT_EQ(run.julian.dateLinesRefused, 0);  // not a date line: nothing refused
}

TEST(TimeStamp, Iso8601FollowsTheDayAcrossTheYearsEnd) {
    rix::JulianState state;
    int columns = 0;
    EXPECT_EQ(Stamp(state, 1000, 8, &columns), "0000-00-00T00:00:00.000Z");  // no day known
    EXPECT_EQ(columns, 1);

    // Midnight of 2025-12-31 (day 365) at logger time 1,000,000 ms.
    rix::EnterPacketDay(state, 25365, 0, 1.0e6);
    EXPECT_EQ(Stamp(state, 1.0e6, 8), "2025-12-31T00:00:00.000Z");
    EXPECT_EQ(Stamp(state, 1.0e6 + 23 * kHour + 3599999.6, 8), "2026-01-01T00:00:00.000Z");
    EXPECT_EQ(Stamp(state, 1.0e6 + kDay + 13 * kHour + 1234.4, 8), "2026-01-01T13:00:01.234Z");
    // Format 4 keeps counting the days of the first year.
    EXPECT_EQ(Stamp(state, 1.0e6 + kDay + 12 * kHour, 4), "366.50000000");
    EXPECT_EQ(Stamp(state, 1.0e6 + 2 * kDay + 12 * kHour, 4), "367.50000000");
    // A leap year's end and the day count of many years later.
    rix::JulianState leap;
    rix::EnterPacketDay(leap, 24366, 0, 0);
    EXPECT_EQ(Stamp(leap, 0, 8), "2024-12-31T00:00:00.000Z");
    EXPECT_EQ(Stamp(leap, kDay + 59 * kDay, 8), "2025-03-01T00:00:00.000Z");
    EXPECT_EQ(Stamp(leap, -1, 8), "0000-00-00T00:00:00.000Z");
}

TEST(TimeStamp, IsoStampsReadBackAsMillisecondsSince2000) {
    struct Case {
        const char* text;
        double ms;
    } cases[] = {
        {"2000-01-01T00:00:00.000Z", 0},
        {"2000-03-01T00:00:00.001Z", 60 * kDay + 1},
        {"2026-12-08T13:45:01.250Z", 9838 * kDay + 13 * kHour + 45 * 60000.0 + 1250},
    };
    for (const Case& c : cases) {
        double ms = -1;
        ASSERT_TRUE(rix::ParseIsoStamp(c.text, c.text + std::strlen(c.text), ms)) << c.text;
        EXPECT_EQ(ms, c.ms) << c.text;
        char back[32];
        rix::FormatIsoMs(ms, back);
        EXPECT_STREQ(back, c.text);
    }
    for (const char* bad : {"0000-00-00T00:00:00.000Z", "2026-12-08T13:45:01Z", "2026-12-08 13:45:01.250Z",
                            "1999-12-31T23:59:59.999Z", "2026-12-08T13:45:01.250", "2026-13-08T13:45:01.250Z"}) {
        double ms = -1;
        EXPECT_FALSE(rix::ParseIsoStamp(bad, bad + std::strlen(bad), ms)) << bad;
    }
}

TEST(DayAndMillisecond, FindsCodesOfEveryYearTo2099) {
    rix::JulianState state;
    rix::EnterPacketDay(state, 32767, 0, 5.0e6);  // the largest code a type-2 packet carries
    rix::EnterPacketDay(state, 26342, 0, 1.0e6);
    int day = 0;
    long ms = 0;
    ASSERT_TRUE(rix::DayAndMillisecond(state, 1.0e6 + 1234, day, ms));
    EXPECT_EQ(day, 26342);
    EXPECT_EQ(ms, 1234);
    // The lowest set code whose midnight is at or before the time counts.
    ASSERT_TRUE(rix::DayAndMillisecond(state, 5.0e6 + 10, day, ms));
    EXPECT_EQ(day, 26342);
    EXPECT_EQ(ms, 4000010);
}

TEST(DayAndMillisecond, RoundsToTheNearestMillisecond) {
    rix::JulianState state;
    int day = -1;
    long ms = -1;
    EXPECT_FALSE(rix::DayAndMillisecond(state, 1000, day, ms));
    EXPECT_EQ(day + ms, 0);

    rix::EnterPacketDay(state, 5002, 0, 1.0e6);  // midnight at 1,000,000 ms
    ASSERT_TRUE(rix::DayAndMillisecond(state, 1.0e6 + 1234.4, day, ms));
    EXPECT_EQ(day, 5002);
    EXPECT_EQ(ms, 1234);
    ASSERT_TRUE(rix::DayAndMillisecond(state, 1.0e6 + 1234.6, day, ms));
    EXPECT_EQ(ms, 1235);
    ASSERT_TRUE(rix::DayAndMillisecond(state, 1.0e6 + kDay + 17 * kHour + 59, day, ms));
    EXPECT_EQ(day, 5003);
    EXPECT_EQ(ms, static_cast<long>(17 * kHour + 59));
}

// The quick lookup must give exactly what a walk of the codes from 0 upward
// gives (codes never set are passed over, so the walk visits the set ones).
double WalkFromZero(const rix::JulianState& state, double time, bool& found) {
    for (int code : state.setCodes) {
        const rix::JulianEntry& e = state.table[static_cast<size_t>(code)];
        if (e.set && e.midnight <= time) {
            found = true;
            return code + (time - e.midnight) * 0.001 / 3600 / 24;
        }
    }
    found = false;
    return 0;
}

TEST(JulianOf, MatchesAWalkFromCodeZero) {
    std::mt19937 random(20050102);
    std::uniform_int_distribution<int> code(0, rix::kJulianTableSize - 1);
    std::uniform_real_distribution<double> midnight(-10 * kDay, 400 * kDay);
    for (int round = 0; round < 20; ++round) {
        rix::JulianState state;
        for (int entries = 0; entries < 12; ++entries) {
            rix::EnterPacketDay(state, code(random), 0, midnight(random));
            for (int probe = 0; probe < 40; ++probe) {
                const double time = midnight(random);
                bool walkFound = false;
                const double expected = WalkFromZero(state, time, walkFound);
                double j = -1;
                ASSERT_EQ(rix::JulianOf(state, time, j), walkFound);
                ASSERT_EQ(j, expected);
            }
        }
        rix::ClearJulianTable(state);
        double j = -1;
        EXPECT_FALSE(rix::JulianOf(state, 1.0e15, j));
        EXPECT_EQ(j, 0);
    }
}

}  // namespace
