// DMM 22-812, thermometer bath, SBE32 carousel and XMF writers: bytes fed
// through the dispatcher as packets deliver them, whole channel files compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "meters/Minor.h"
#include "setup/MeterType.h"

namespace {

using rixtest::ReadFile;
using Bytes = std::vector<uint8_t>;
constexpr int kRaw = 0, kEng = 1;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct MinorFixture : ::testing::Test {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    rix::Run run{ctx};
    MinorFixture() { rix::ResetAllChannels(run); }

    std::string PathOf(int id) const { return dir.file("m_" + std::to_string(id) + "_K.000"); }
    void Open(int id) { ASSERT_EQ(rix::OpenChannelFile(run, id, "K", dir.path(), "m", ".000"), 1); }
    int Feed(int type, int id, double time, const Bytes& b, int output, int format = 0) {
        rix::ChannelSetup setup;
        setup.type = type;
        return rix::DispatchRecord(run, id, setup, output, format, 0, time, static_cast<int>(b.size()),
                                   b.data(), run.channelState.outputs.streams[id]);
    }
    std::string Close(int id) {
        rix::CloseChannelFile(run, id);
        return ReadFile(PathOf(id));
    }
    const rix::ChannelWriter& W(int id) const { return run.channelState.writers[id]; }
};

// --- DMM 22-812 -------------------------------------------------------------

Bytes Dmm(uint8_t mode, uint8_t range, uint8_t d6, uint8_t d5, uint8_t d4, uint8_t d3,
          uint8_t flags = 0) {
    Bytes f = {mode, range, 0, d3, d4, d5, d6, flags};
    unsigned sum = 57;
    for (uint8_t b : f) sum += b;
    f.push_back(static_cast<uint8_t>(sum & 0xFF));
    return f;
}
const Bytes kPoint159 = Dmm(3, 0, 215, 88, 227, 243);  // 0, .1, 5, 9

TEST_F(MinorFixture, DmmRawWritesEveryReadingUnderItsHeader) {
    Open(11);
    Bytes split = Dmm(4, 0, 80, 223, 215, 215, 8);  // -1.000 on the x1000 range
    Feed(rix::kDmm22812, 11, 1000, Bytes{0x11, 0x22} + kPoint159 + Bytes(split.begin(), split.begin() + 4), kRaw);
    Feed(rix::kDmm22812, 11, 2000, Bytes(split.begin() + 4, split.end()) +
                                       Dmm(3, 0, 80, 215, 215, 215) +  // "1000": four characters, no row
                                       Dmm(4, 1, 247, 251, 80, 239),    // "8.91.6" reads 8.91, x1
         kRaw);
    EXPECT_EQ(Close(11), "Time(ms)\t_DC mA\r\n1000\t0.16\r\n1000\t-1000.00\r\n2000\t8.91\r\n");
    EXPECT_EQ(W(11).firstTime, 1000);
    EXPECT_EQ(W(11).lastTime, 2000);
    EXPECT_TRUE(rep.boxes.empty());
}

TEST_F(MinorFixture, DmmEngineeringKeepsEveryEighthReadingPerChannel) {
    Bytes frames;
    for (int i = 0; i < 17; ++i) frames = frames + kPoint159;
    for (int id : {11, 12}) {
        Open(id);
        for (int i = 0; i < 17; ++i)
            Feed(rix::kDmm22812, id, 1000.0 * i,
                 Bytes(frames.begin() + 9 * i, frames.begin() + 9 * i + 9), kEng, 2);
        EXPECT_EQ(Close(id), "Time(Secs)\t_DC mA\r\n7.000\t0.16\r\n15.000\t0.16\r\n") << id;
    }
    // A new run starts the count afresh.
    rix::ResetAllChannels(run);
    Open(13);
    for (int i = 0; i < 8; ++i) Feed(rix::kDmm22812, 13, i, kPoint159, kEng);
    EXPECT_EQ(Close(13), "Time(ms)\t_DC mA\r\n7\t0.16\r\n");
}

TEST_F(MinorFixture, DmmUnsupportedModeBoxOncePerRunOfFrames) {
    Open(11);
    const Bytes volts = Dmm(1, 0, 215, 88, 227, 243);
    Feed(rix::kDmm22812, 11, 0, volts + volts + volts, kRaw);
    EXPECT_EQ(rep.boxes.size(), 1u);
    Feed(rix::kDmm22812, 11, 10, kPoint159 + volts, kRaw);
    ASSERT_EQ(rep.boxes.size(), 2u);
    EXPECT_EQ(rep.boxes[1].title, "DMM 22-812 Processing Error");
    EXPECT_EQ(rep.boxes[1].text, "RIX can only Process Current Measurements");
    EXPECT_EQ(Close(11), "Time(ms)\t_DC mA\r\n10\t0.16\r\n");
}

// --- Thermometer bath ----------------------------------------------------------

Bytes Thermo(uint8_t type, uint8_t scale, int16_t value) {
    Bytes f = {0xCA, 0x00, 0x01, type, 3, scale, static_cast<uint8_t>(value >> 8),
               static_cast<uint8_t>(value & 0xFF)};
    unsigned sum = 0;
    for (size_t i = 1; i < f.size(); ++i) sum += f[i];
    f.push_back(static_cast<uint8_t>(0xFF - (sum & 0xFF)));
    return f;
}

TEST_F(MinorFixture, ThermometerFirstFrameIsSilentInBothLayouts) {
    Bytes bad = Thermo(0x20, 17, 999);
    bad[8] ^= 1;
    const Bytes noScale = Thermo(0x20, 5, 999);
    const Bytes internal = Thermo(0x20, 17, 215);  // 21.5
    for (int output : {kEng, kRaw}) {
        SCOPED_TRACE(output);
        const int id = output == kEng ? 11 : 12;
        Open(id);
        Feed(rix::kThermoBath, id, 1000, Bytes{0xCA, 0x01} + Thermo(0x21, 33, 2500) + bad + noScale, output);
        Feed(rix::kThermoBath, id, 2000, Bytes{0xCA, 0x00} + Bytes(internal.begin(), internal.begin() + 3), output);
        Feed(rix::kThermoBath, id, 3000, Bytes(internal.begin() + 3, internal.end()) + Thermo(0x40, 17, 7) +
                                             Thermo(0x20, 17, -12) + Thermo(0x21, 33, -2450), output);
        EXPECT_EQ(W(id).minor.thermoFrames, 5);
        EXPECT_EQ(W(id).firstTime, 1000);
        EXPECT_EQ(W(id).lastTime, 3000);
        if (output == kEng)
            EXPECT_EQ(Close(id), "2000\t21.50\t25.00\r\n3000\t-1.20\t25.00\r\n");
        else
            EXPECT_EQ(Close(id), "2000 I-Temp(C) 21.50\t\r\n3000 I-Temp(C) -1.20\t\r\n"
                                 "3000 X-Temp(C) -24.50\t\r\n");
    }
}

// --- SBE32 carousel ----------------------------------------------------------

TEST_F(MinorFixture, Sbe32WritesEveryCharacterAsARow) {
    Open(11);
    EXPECT_EQ(Feed(rix::kSbe32, 11, 1000, rixtest::Bytes("OK\r\n"), kEng), 0);
    Feed(rix::kSbe32, 11, 2500, Bytes{0xC1}, kEng);  // top bit cleared: 'A'
    EXPECT_EQ(Close(11), "1000\tO\r\n1000\tK\r\n1000\t\r\r\n1000\t\n\r\n2500\tA\r\n");
    EXPECT_EQ(W(11).firstTime, 1000);
    EXPECT_EQ(W(11).lastTime, 2500);
}

// --- XMF ---------------------------------------------------------------------

Bytes Xmf(int16_t sequence, const char* tag = "DATA", unsigned count = 50, unsigned a = 30000,
          unsigned c = 50000) {
    Bytes f(rix::kXmfFrameSize, 0);
    std::string head = std::string("MORB_XMF") + tag;
    std::copy(head.begin(), head.end(), f.begin());
    auto put = [&](int at, unsigned v) {
        f[at] = static_cast<uint8_t>(v >> 8);
        f[at + 1] = static_cast<uint8_t>(v & 0xFF);
    };
    put(22, a);
    put(24, 1234);
    put(26, c);
    put(28, static_cast<uint16_t>(sequence));
    put(30, 64 * 10 + 32);  // 10.5
    put(32, 65535);         // 1023.984375
    put(34, 0);
    put(36, count);
    put(38, 7);
    for (int i = 0; i < rix::kXmfSamples; ++i) put(40 + 2 * i, 1000u + i);
    return f;
}

std::string XmfRow(const std::string& time, const std::string& seq, const std::string& abc) {
    std::string row = time + "\t" + seq + "\t" + abc + "\t 10.5\t1024.0\t  0.0\t50\t7";
    for (int i = 0; i < rix::kXmfSamples; ++i) row += "\t" + std::to_string(1000 + i);
    return row + "\r\n";
}

TEST_F(MinorFixture, XmfResynchronisesAndReportsSequenceGapsInSeconds) {
    Open(11);
    Bytes second = Xmf(4, "0001");
    Feed(rix::kXmf, 11, 1000, rixtest::Bytes("MORB_XM junk") + Xmf(3) + Bytes(second.begin(), second.begin() + 5), kEng);
    Feed(rix::kXmf, 11, 2000, Bytes(second.begin() + 5, second.end()) + Xmf(9, "STAT") + Xmf(6), kEng);
    Feed(rix::kXmf, 11, 3500, Xmf(8, "DATA", 49) + Xmf(255) + Xmf(0), kEng);
    const std::string abc = "51.74\t1234.00\t11.65";
    EXPECT_EQ(Close(11), XmfRow("1000", "003", abc) + XmfRow("1000", "004", abc) +
                             "2.000\tMISSING Mod6\r\n" + XmfRow("2000", "006", abc) +
                             "3.500\tMISSING Mod8\r\n" + "3.500\tMISSING Mod255\r\n" +
                             XmfRow("3500", "255", abc) + XmfRow("3500", "000", abc));
}

TEST_F(MinorFixture, XmfRawKeepsCountsAndEachChannelStartsItsOwnSequence) {
    Open(11);
    Open(12);
    Feed(rix::kXmf, 11, 0, Xmf(40, "DATA", 50, 0, 65535), kRaw, 2);
    Feed(rix::kXmf, 12, 0, Xmf(41), kRaw, 2);
    EXPECT_EQ(Close(11), XmfRow("0.000", "040", "0.00\t1234.00\t65535.00"));
    EXPECT_EQ(Close(12), XmfRow("0.000", "041", "30000.00\t1234.00\t50000.00"));
    EXPECT_EQ(rix::XmfThermistor(0), rix::kXmfNoTemperature);
    EXPECT_EQ(rix::XmfThermistor(65535), rix::kXmfNoTemperature);
}

// Random bytes salted with frame starts, in packets of every size: no write
// past a buffer (the sanitizer build checks), and the writers keep going.
TEST_F(MinorFixture, HostileBytesAreSkipped) {
    Bytes noise;
    uint32_t x = 12345;
    for (int i = 0; i < 20000; ++i) {
        x = x * 1103515245u + 12345u;
        noise.push_back(static_cast<uint8_t>(x >> 16));
        if (i % 97 == 0) noise = noise + rixtest::Bytes("MORB_XMF") + Bytes{0xCA, 0, 1, 0x20, 3, 17};
    }
    const int types[] = {rix::kDmm22812, rix::kThermoBath, rix::kXmf, rix::kSbe32};
    for (int t = 0; t < 4; ++t) {
        const int id = 11 + t;
        Open(id);
        for (size_t at = 0, n = 1; at < noise.size(); at += n, n = n % 300 + 7)
            Feed(types[t], id, static_cast<double>(at),
                 Bytes(noise.begin() + static_cast<long>(at),
                       noise.begin() + static_cast<long>(std::min(noise.size(), at + n))),
                 t % 2 ? kRaw : kEng);
        Close(id);
    }
    Feed(rix::kXmf, 15, 0, Xmf(1), kEng);  // a channel without a file
    SUCCEED();
}

}  // namespace
