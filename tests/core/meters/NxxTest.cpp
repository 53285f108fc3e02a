// The a/c frame assembler and the optical channel conversion on their own;
// whole files are compared in the command-line tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Context.h"
#include "meters/Nxs.h"
#include "meters/Nxx.h"
#include "setup/MeterType.h"

namespace {

using rix::AcBin;
using rix::AcDevice;

AcDevice Bins(std::vector<double> bins) {
    AcDevice d;
    d.bins = static_cast<int>(bins.size());
    for (size_t i = 0; i < bins.size(); ++i) d.binTemperature[i] = bins[i];
    return d;
}

TEST(FindTemperatureBin, StaysInsideTheBinsAndSkipsUnknownTemperatures) {
    struct Case {
        std::vector<double> bins;
        double t;
        int index;
        double low, high;
    } cases[] = {
        {{}, 12, 0, 0, 0},
        {{10}, 12, 0, 0, 0},  // one bin: nothing to interpolate between
        {{5, 10, 20}, 4, 1, 5, 10},
        {{5, 10, 20}, 10, 2, 10, 20},
        {{5, 10, 20}, 35, 2, 10, 20},
        {{5, 10, 20}, NAN, 0, 0, 0},
    };
    for (const Case& c : cases) {
        AcBin bin = rix::FindTemperatureBin(Bins(c.bins), c.t);
        EXPECT_EQ(bin.index, c.index) << c.t;
        EXPECT_EQ(bin.low, c.low) << c.t;
        EXPECT_EQ(bin.high, c.high) << c.t;
    }
}

TEST(AcChannelValue, ZeroCountsLowRatiosAndInterpolation) {
    const double bins[3] = {5, 10, 20};
    const double tc[3] = {0.5, 0.1, 0.3};
    AcBin none;
    EXPECT_EQ(rix::AcChannelValue(0, 100, 0.25, 0.1, tc, bins, none, 12), 0);
    EXPECT_EQ(rix::AcChannelValue(100, -1, 0.25, 0.1, tc, bins, none, 12), 0);
    EXPECT_EQ(rix::AcChannelValue(0.04, 100, 0.25, 0.1, tc, bins, none, 12), 99.99999);
    EXPECT_DOUBLE_EQ(rix::AcChannelValue(50, 100, 0.25, 0.1, tc, bins, none, 12),
                     std::log(2.0) / 0.25 + 0.1);
    AcBin bin = rix::FindTemperatureBin(Bins({5, 10, 20}), 15);
    EXPECT_DOUBLE_EQ(rix::AcChannelValue(50, 100, 0.25, 0.1, tc, bins, bin, 15),
                     std::log(2.0) / 0.25 + 0.1 - 0.2);
}

std::string Prisma(bool highFirst) {
    std::string f(256, '\0');
    f[0] = f[2] = '\xFF';
    for (int i = 4; i < 254; ++i) f[i] = static_cast<char>(i * 7);
    unsigned sum = 0;
    for (int i = 0; i < 254; ++i) sum += static_cast<uint8_t>(f[i]);
    f[254] = static_cast<char>(highFirst ? sum >> 8 : sum & 0xFF);
    f[255] = static_cast<char>(highFirst ? sum & 0xFF : sum >> 8);
    return f;
}

// Feeds bytes; returns the lengths of the frames completed with their times.
std::vector<std::pair<int, double>> Feed(int type, rix::AcFrame& frame, const std::string& bytes,
                                         double time) {
    std::vector<std::pair<int, double>> done;
    for (char c : bytes) {
        int n = rix::AssembleAcFrame(type, time, static_cast<uint8_t>(c), frame);
        if (n) done.push_back({n, frame.time});
    }
    return done;
}

TEST(AssembleAcFrame, ChecksumsInBothOrdersBadOnesDroppedOtherTypesIgnored) {
    rix::AcFrame frame;
    std::string bad = Prisma(false);
    bad[100] ^= 1;
    auto done = Feed(rix::kPrisma, frame, "\xFF" + Prisma(false) + bad + Prisma(true), 5);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].first, 256);
    rix::AcFrame other;
    EXPECT_TRUE(Feed(rix::kBinary, other, Prisma(false), 5).empty());
}

TEST(AssembleAcFrame, NxsLengthOutsideItsRangeResynchronises) {
    // A sync stating 65535 + 2 bytes, then one stating 10: neither can be a frame.
    std::string f(34, '\0');
    f[0] = f[2] = '\xFF';
    f[5] = 32;
    unsigned sum = 0;
    for (int i = 0; i < 32; ++i) sum += static_cast<uint8_t>(f[i]);
    f[32] = static_cast<char>(sum >> 8);
    f[33] = static_cast<char>(sum & 0xFF);
    rix::AcFrame frame;
    auto early = Feed(rix::kNxs, frame, std::string("\xFF\x00\xFF\x00\xFF\xFF\xFF\x00\xFF\x00\x00\x08", 12), 1);
    auto done = Feed(rix::kNxs, frame, f, 2);
    EXPECT_TRUE(early.empty());
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].first, 34);
    EXPECT_EQ(done[0].second, 2);
}

TEST(DecodeNxsFrame, ThermistorBeyondTheCurveWritesNoValueAndNoCorrection) {
    rix::RecordingReporter reporter;
    rix::Context ctx(reporter);
    rix::Run run(ctx);
    rix::ChannelWriter& w = run.channelState.writers[11];
    w.headerPending = 0;
    AcDevice& d = w.ac.device;
    d = Bins({0, 30});
    d.loaded = true;
    d.serial = 7;
    d.pathLength = 0.1;
    d.wavelengths = 1;
    d.offset = {0, 0};
    d.correction = {0, 3, 0, 3};
    std::string f(42, '\0');
    f[0] = f[2] = '\xFF';
    f[11] = 7;
    f[20] = f[21] = '\xFF';  // 5 V: beyond the thermistor's curve
    f[31] = 1;
    f[32] = f[34] = f[36] = f[38] = 1;  // signal = reference: 0 before correction
    std::FILE* out = std::tmpfile();
    ASSERT_EQ(rix::DecodeNxsFrame(run, reinterpret_cast<const uint8_t*>(f.data()), 42, 100, 0, w, out), 1);
    std::rewind(out);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
    std::fclose(out);
    EXPECT_STREQ(line, "100\t0.00000\t0.00000\t9999.90\t0.000000\t0.000\t 0.0000\t0.000000\r\n");
    EXPECT_TRUE(reporter.boxes.empty());
}

}  // namespace
