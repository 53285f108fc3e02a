// The extraction interval given as calendar dates: what the fields accept,
// and where a date lands on the logger clock through the Julian day table.
#include <gtest/gtest.h>

#include <string>

#include "Context.h"
#include "extract/Interval.h"
#include "extract/Misc.h"
#include "report/Reporter.h"

namespace {

constexpr double kHour = 3600000.0;
constexpr double kDay = 24 * kHour;

using rix::BoundText;

BoundText Kind(const std::string& text) {
    rix::CalendarBound b;
    return rix::ReadBoundText(text, b);
}

TEST(Interval, FieldTextsThatAreDatesNumbersOrNeither) {
    rix::CalendarBound b;
    ASSERT_EQ(rix::ReadBoundText(" 2005-01-02 12:34:56 ", b), BoundText::kDate);
    EXPECT_EQ(b.year, 2005);
    EXPECT_EQ(b.month, 1);
    EXPECT_EQ(b.day, 2);
    EXPECT_EQ(b.hour, 12);
    EXPECT_EQ(b.minute, 34);
    EXPECT_EQ(b.second, 56);
    ASSERT_EQ(rix::ReadBoundText("2004-2-29T7:05", b), BoundText::kDate);
    EXPECT_EQ(b.hour * 100 + b.minute, 705);
    EXPECT_EQ(b.second, 0);
    ASSERT_EQ(rix::ReadBoundText("2005-12-31", b), BoundText::kDate);
    EXPECT_EQ(b.hour + b.minute + b.second, 0);

    // Numbers and the fields' placeholders are read as before.
    for (const char* text : {"1000", "-5", "Start_ms", "End_ms", "", "2005", "20050102"})
        EXPECT_EQ(Kind(text), BoundText::kMilliseconds) << text;
    // Anything that starts like a date must be a whole, real one: never a
    // year read as milliseconds.
    for (const char* text : {"2005-02-29 00:00:00", "2005-13-01", "2005-00-10", "2005-04-31",
                             "2005-01-02 24:00:00", "2005-01-02 12:60", "2005-01-02 12:00:60",
                             "2005-01-02 12", "2005-01-02 12:00:00x", "2005-01-02 12:0",
                             "1999-12-31 00:00:00", "2100-01-01", "2005-", "2005-01-"})
        EXPECT_EQ(Kind(text), BoundText::kBadDate) << text;
}

TEST(Interval, YearDayCodesCountLeapDaysLikeTheDateLines) {
    EXPECT_EQ(rix::YearDayCode(2005, 1, 2), 5002);
    EXPECT_EQ(rix::YearDayCode(2005, 3, 1), 5060);
    EXPECT_EQ(rix::YearDayCode(2004, 3, 1), 4061);
    EXPECT_EQ(rix::YearDayCode(2004, 12, 31), 4366);
    EXPECT_EQ(rix::YearDayCode(2000, 12, 31), 366);
    EXPECT_EQ(rix::YearDayCode(2026, 12, 8), 26342);
}

TEST(Interval, DatesLandOnTheTablesMidnights) {
    rix::JulianState state;
    double t = 0;
    EXPECT_FALSE(rix::LoggerTimeOfDay(state, 5002, 0, t));  // no day known yet

    // 31 December 2004 began 1 h before logger time 0.
    rix::EnterPacketDay(state, 4366, kHour, 0);
    ASSERT_TRUE(rix::LoggerTimeOfDay(state, 4366, 2 * kHour, t));
    EXPECT_DOUBLE_EQ(t, kHour);
    // Days without an entry count whole days from the nearest that has one,
    // across the year's end and before the first day.
    ASSERT_TRUE(rix::LoggerTimeOfDay(state, 5001, 0, t));
    EXPECT_DOUBLE_EQ(t, -kHour + kDay);
    ASSERT_TRUE(rix::LoggerTimeOfDay(state, 4365, 0, t));
    EXPECT_DOUBLE_EQ(t, -kHour - kDay);
    ASSERT_TRUE(rix::LoggerTimeOfDay(state, 5365, 0, t));
    EXPECT_DOUBLE_EQ(t, -kHour + 365 * kDay);
    // A later day's own entry wins over counting (the logger clock drifts).
    rix::EnterPacketDay(state, 5003, 1000, 3 * kDay);
    ASSERT_TRUE(rix::LoggerTimeOfDay(state, 5003, 0, t));
    EXPECT_DOUBLE_EQ(t, 3 * kDay - 1000);
    ASSERT_TRUE(rix::LoggerTimeOfDay(state, 5004, 0, t));
    EXPECT_DOUBLE_EQ(t, 4 * kDay - 1000);
}

TEST(Interval, FieldsOfARequest) {
    rix::RecordingReporter rep;
    rix::IntervalFields fields;
    double from = 0, to = 99;
    // Milliseconds, and placeholders that leave the defaults.
    ASSERT_TRUE(rix::ReadIntervalFields(rep, "1500", "End_ms", 0, from, to, fields));
    EXPECT_EQ(from, 1500);
    EXPECT_EQ(to, 99);
    EXPECT_FALSE(fields.fromIsDate || fields.toIsDate);

    // Dates need time stamps that carry dates (the Julian formats 4 to 6).
    from = 0;
    ASSERT_TRUE(rix::ReadIntervalFields(rep, "2005-01-02 12:00:01", "7000", 5, from, to, fields));
    EXPECT_TRUE(fields.fromIsDate && !fields.toIsDate);
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, 7000);
    EXPECT_TRUE(rep.boxes.empty());
    EXPECT_FALSE(rix::ReadIntervalFields(rep, "0", "2005-01-02 13:00:00", 0, from, to, fields));
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "Extraction Interval Error");
    EXPECT_EQ(rep.boxes[0].text,
              "The end \"2005-01-02 13:00:00\" is a date, but the time stamps of this run carry "
              "no dates: choose a Julian Date time stamp format, or give the end in milliseconds");
    EXPECT_FALSE(rix::ReadIntervalFields(rep, "2005-02-30", "", 4, from, to, fields));
    EXPECT_EQ(rep.boxes.back().text,
              "The start \"2005-02-30\" is not a date and time of the form YYYY-MM-DD hh:mm:ss "
              "(years 2000 to 2099)");

    // Placing them: with the day known, and without any day.
    rix::Context ctx{rep};
    rix::Run run{ctx};
    ctx.extraction.dateTimeChannel = 12;
    rix::EnterPacketDay(run.julian, 5002, 12 * kHour, 0);
    ASSERT_TRUE(rix::ReadIntervalFields(rep, "2005-01-02 12:00:01", "2005-01-03", 4, from, to,
                                        fields));
    ASSERT_TRUE(rix::PlaceIntervalDates(run, fields, from, to));
    EXPECT_DOUBLE_EQ(from, 1000);
    EXPECT_DOUBLE_EQ(to, 12 * kHour);
    rix::ClearJulianTable(run.julian);
    rep.Clear();
    EXPECT_FALSE(rix::PlaceIntervalDates(run, fields, from, to));
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].text,
              "The archive gave this run no dates (date/time channel 12), so the start "
              "2005-01-02 12:00:01 cannot be placed: give the interval in milliseconds");
}

}  // namespace
