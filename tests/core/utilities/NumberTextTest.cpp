#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "extract/Misc.h"
#include "utilities/NumberText.h"

namespace {

std::string Printf(const char* format, double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string Fixed(double value, int width, int precision, bool zeroPad = false) {
    std::string out;
    rix::AppendFixed(out, value, width, precision, zeroPad);
    return out;
}

// Every "%W.Pf" the channel files and time stamps write, and the zero-padded Julian day.
struct Form {
    int width, precision;
    bool zeroPad;
};
constexpr Form kForms[] = {
    {1, 0, false}, {3, 1, false}, {4, 2, false}, {5, 3, false},  {6, 4, false},  {7, 5, false},
    {8, 6, false}, {9, 7, false}, {10, 8, false}, {11, 9, false}, {12, 10, false}, {4, 3, false},
    {12, 8, false}, {5, 1, false}, {5, 2, false}, {7, 4, false}, {8, 5, false},   {12, 8, true},
    {0, 6, false}, {20, 3, true}};

void ExpectSameAsPrintf(double value) {
    for (const Form& f : kForms) {
        char format[16];
        std::snprintf(format, sizeof format, f.zeroPad ? "%%0%d.%df" : "%%%d.%df", f.width, f.precision);
        ASSERT_EQ(Fixed(value, f.width, f.precision, f.zeroPad), Printf(format, value))
            << format << " of " << Printf("%.17g", value);
    }
}

TEST(NumberText, FixedGivesPrintfsDigitsForEdgeValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double edges[] = {0.0, -0.0, 0.5, 1.5, 2.5, -0.5, 0.125, 0.375, 1e-7, -1e-7, -0.0004,
                            0.00005, 0.000015, 9999.999999, 9999.9, 99, -99, 9999.9999995,
                            0.05, 0.15, 0.25, 0.35, 1e15, 1e21, 1e300, -1e300, 5e-324,
                            std::numeric_limits<double>::max(), 123456789.987654321, inf, -inf,
                            nan, -nan, 32767.5, 86400000.0, 24012.345678901};
    for (double v : edges) ExpectSameAsPrintf(v);
    EXPECT_EQ(Fixed(-0.0, 5, 3), "-0.000");
    EXPECT_EQ(Fixed(-nan, 8, 6), "    -nan");
    EXPECT_EQ(Fixed(inf, 12, 8, true), "         inf");
}

TEST(NumberText, FixedGivesPrintfsDigitsForRandomValues) {
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-12, 12);
    std::uniform_int_distribution<uint64_t> bits;
    for (int i = 0; i < 5000; ++i) {
        ExpectSameAsPrintf(mantissa(random) * std::pow(10.0, exponent(random)));
        // Values on a printed grid and halfway between: the rounding cases.
        const double grid = std::round(mantissa(random) * 1e6) / 1e4;
        ExpectSameAsPrintf(grid);
        ExpectSameAsPrintf(grid + 0.00005);
        double raw;
        const uint64_t b = bits(random);
        std::memcpy(&raw, &b, sizeof raw);
        ExpectSameAsPrintf(raw);
    }
}

// Halfway between two printed values, a few ulps either side, and scaled
// magnitudes either side of where the quick conversion hands over to the exact one.
TEST(NumberText, FixedNearHalvesAndLargeValuesAsPrintf) {
    std::mt19937_64 random(9);
    std::uniform_int_distribution<long long> units(-2000000, 2000000);
    for (int precision = 0; precision <= 10; ++precision) {
        const double unit = std::pow(10.0, -precision);
        char format[16];
        std::snprintf(format, sizeof format, "%%.%df", precision);
        for (int i = 0; i < 400; ++i) {
            double v = (static_cast<double>(units(random)) + 0.5) * unit;
            for (int step = 0; step < 6; ++step) v = std::nextafter(v, -INFINITY);
            for (int step = 0; step < 12; ++step, v = std::nextafter(v, INFINITY))
                ASSERT_EQ(Fixed(v, 0, precision), Printf(format, v)) << Printf("%.17g", v);
        }
        for (double big : {0.999e12, 1e12, 1.001e12, 4.5e15, 9.1e15})
            for (double v : {big * unit, -big * unit, (big + 0.5) * unit, (big + 0.4999) * unit})
                ASSERT_EQ(Fixed(v, 0, precision), Printf(format, v)) << Printf("%.17g", v);
    }
}

TEST(NumberText, IntegersAndHexBytes) {
    std::mt19937 random(7);
    std::uniform_int_distribution<long long> any(-5000000000LL, 5000000000LL);
    const int widths[] = {0, 1, 2, 3, 4, 12};
    for (int i = 0; i < 5000; ++i) {
        const long long v = i < 200 ? i - 100 : any(random);
        for (int w : widths) {
            for (bool zero : {false, true}) {
                char format[16], expected[64];
                std::snprintf(format, sizeof format, zero ? "%%0%dlld" : "%%%dlld", w);
                std::snprintf(expected, sizeof expected, format, v);
                std::string out;
                rix::AppendInt(out, v, w, zero);
                ASSERT_EQ(out, expected) << format << " of " << v;
            }
        }
    }
    for (int b = 0; b < 256; ++b) {
        char expected[8];
        std::snprintf(expected, sizeof expected, "%02x", b);
        std::string out;
        rix::AppendHex2(out, static_cast<uint8_t>(b));
        EXPECT_EQ(out, expected);
    }
}

}  // namespace

// The time stamps of every format against the printf forms they replaced.
namespace {

std::string PrintfStamp(const rix::JulianState& state, double timeMs, double meterTime, int format) {
    char buffer[128] = "";
    switch (format) {
        case 0:
        case 1:
            std::snprintf(buffer, sizeof buffer, "%1.0lf", timeMs);
            break;
        case 2:
        case 3:
            std::snprintf(buffer, sizeof buffer, "%4.3lf", timeMs * 0.001);
            break;
        case 4:
        case 5:
        case 6: {
            double julian = 0;
            rix::JulianOf(state, timeMs, julian);
            if (!(julian >= 0 && julian < 9.0e15)) julian = 0;
            const long yearCode = static_cast<long>(julian) / 1000;
            const double day = julian - static_cast<double>(yearCode) * 1000.0;
            if (format == 4) std::snprintf(buffer, sizeof buffer, "%12.8lf", day);
            if (format == 5) std::snprintf(buffer, sizeof buffer, "%1ld%012.8lf", yearCode % 1000, day);
            if (format == 6) std::snprintf(buffer, sizeof buffer, "%4ld\t%012.8lf", yearCode, day);
            break;
        }
        case 7:
            std::snprintf(buffer, sizeof buffer, "%1.0lf", meterTime);
            break;
        default:
            break;
    }
    return buffer;
}

TEST(NumberText, TimeStampsOfEveryFormatAsPrintfWroteThem) {
    rix::JulianState state;
    double julian = 0;
    ASSERT_TRUE(rix::EnterDateTime(state, 1000.0, 23, 59, 58, 12, 31, 24, 0, julian));
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> ms(-5.0e6, 4.0e8);
    for (int i = 0; i < 5000; ++i) {
        const double t = i < 10 ? 1000.0 + i * 999.5 : ms(random);
        const double meter = std::round(ms(random));
        for (int format = 0; format <= 7; ++format) {
            std::string stamp;
            rix::AppendTimeStamp(stamp, state, t, meter, format);
            ASSERT_EQ(stamp, PrintfStamp(state, t, meter, format)) << "format " << format << " time " << t;
        }
    }
    // ISO 8601: the day after the date line's, past midnight.
    std::string iso;
    rix::AppendTimeStamp(iso, state, 1000.0 + 2000.0 + 3723004.0, 99, rix::kIsoTimeFormat);
    EXPECT_EQ(iso, "2025-01-01T01:02:03.004Z");
    iso.clear();
    EXPECT_EQ(rix::AppendTimeStamp(iso, state, 0.0, 99, 9), 0);  // unknown format: nothing
    EXPECT_EQ(iso, "");
}

}  // namespace
