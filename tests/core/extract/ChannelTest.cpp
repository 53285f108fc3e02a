#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "setup/MeterType.h"

namespace {

using rixtest::ReadFile;
using Bytes = std::vector<uint8_t>;
constexpr int kRaw = 0, kEng = 1;

// The output folder of archive buoy05.123 and a fresh program.
struct ChannelFixture : ::testing::Test {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    rix::Run run{ctx};
    ChannelFixture() { rix::ResetAllChannels(run); }

    std::string PathOf(int id, const std::string& kw) const {
        return dir.file("buoy05_" + std::to_string(id) + "_" + kw + ".123");
    }
    int Open(int id, const std::string& kw, const std::string& folder = "") {
        return rix::OpenChannelFile(run, id, kw, folder.empty() ? dir.path() : folder, "buoy05", ".123");
    }
    int Feed(int type, int id, double time, const std::string& s, int output = kEng) {
        return rix::AssembleLines(run, output, 0, 0, time, type, id, static_cast<int>(s.size()),
                                  reinterpret_cast<const uint8_t*>(s.data()), run.channelState.outputs.streams[id]);
    }
    void Hex(int type, int id, long time, const Bytes& b) {
        rix::WriteBinaryHex(run, time, type, id, static_cast<int>(b.size()), b.data(),
                            run.channelState.outputs.streams[id]);
    }
    const rix::ChannelWriter& W(int id) const { return run.channelState.writers[id]; }
};

TEST_F(ChannelFixture, LinesTakeTheTimeOfTheirFirstByteAndOverlongLinesAreCut) {
    Open(11, "ASCII_T");
    EXPECT_EQ(Feed(rix::kAsciiT, 11, 100, "tail, of a line\r\nfirst "), 0);  // partial: dropped
    EXPECT_EQ(Feed(rix::kAsciiT, 11, 200, "line\r\nsecond\r\n"), 1);
    EXPECT_EQ(Feed(rix::kAsciiT, 11, 300, "\r\nthird,4\n"), 1);  // bare line end: too short
    EXPECT_EQ(W(11).linesWritten, 3);
    EXPECT_STREQ(W(11).lastRecord, "third,4\n");

    Open(12, "ASCII");
    std::string x(2000, 'x'), e(1022, 'e');
    Feed(rix::kAscii, 12, 0, "prime\n" + x.substr(0, 1500));
    EXPECT_LE(W(12).lineLength, 1023);
    Feed(rix::kAscii, 12, 20, x.substr(1500) + "\r\nnext\r\n" + e + "e\n" + e + "\nlast\n");
    rix::CloseAllOutputs(run);
    EXPECT_EQ(ReadFile(PathOf(11, "ASCII_T")), "first line\t100\r\nsecond\t200\r\nthird,4,\t300\r\n");
    EXPECT_EQ(ReadFile(PathOf(12, "ASCII")),
              std::string(1021, 'x') + "\r\nnext\r\n" + e + "\n" + e + "\nlast\n");
    EXPECT_EQ(W(12).linesWritten, 5);
}

TEST_F(ChannelFixture, AsciiFamilyRowsWriteNoHeader) {
    const struct { int output, type; const char *kw, *expected; } cases[] = {
        {kEng, rix::kAscii, "ASCII", "12.5,3\r\nok\n\r\n"},
        {kEng, rix::kTAscii, "T_ASCII", "1000\t12.5,3\r\n1000\tok\n2000\t\r\n"},
        {kEng, rix::kAsciiT, "ASCII_T", "12.5,3,\t1000\r\nok\t1000\r\n"},
        {kEng, rix::kXAscii, "XASCII", ""},
        {kRaw, rix::kTAscii, "T_ASCII", "12.5,3\r\nok\n\r\n"},
        {kRaw, rix::kAsciiT, "ASCII_T", "12.5,3\r\nok\n\r\n"},
    };
    int id = 11;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kw);
        Open(id, c.kw);
        Feed(c.type, id, 500, "junk\r\n", c.output);
        Feed(c.type, id, 1000, "12.5,3\r\nok\n", c.output);
        Feed(c.type, id, 2000, "\r\n", c.output);
        rix::CloseChannelFile(run, id);
        EXPECT_EQ(ReadFile(PathOf(id, c.kw)), c.expected);
        EXPECT_EQ(W(id).headerLines + W(id).columnCount, 0);
        bool refused = c.type == rix::kAsciiT && c.output == kEng;
        EXPECT_EQ(W(id).firstTime, 1000);
        EXPECT_EQ(W(id).lastTime, refused ? 1000 : 2000);
        ++id;
    }
}

TEST_F(ChannelFixture, DecodedLinesGetOneHeaderInEngineeringAndStayAsReceivedInRaw) {
    Open(11, "DATE");
    Feed(rix::kDateTimeLine, 11, 0, "01/02/05 11:59:59\r\nno date here\r\n");
    EXPECT_EQ(W(11).headerLines, 0);
    Feed(rix::kDateTimeLine, 11, 1000, "01/02/05 12:00:00\r\n01/02/05 12:00:01\r\n");
    Feed(rix::kDateTimeLine, 11, 3000, "at 01/02/05 12:00:03\r\n");
    Open(12, "DATE");
    Feed(rix::kDateTimeLine, 12, 0, "x\r\n01/02/05 12:00:00\r\nnothing\r\n", kRaw);
    rix::CloseAllOutputs(run);
    std::string file = ReadFile(PathOf(11, "DATE"));
    ASSERT_EQ(file.rfind("Time(ms)\tJulian_Date_Time\tMonth\tDay\tYear\tHour\tMinute\tSecond\r\n1000\t", 0), 0u);
    EXPECT_EQ(file.find("Julian", 20), std::string::npos);
    EXPECT_NE(file.find("\r\n1000\t", 70), std::string::npos);
    EXPECT_NE(file.find("\r\n3000\t"), std::string::npos);
    EXPECT_EQ(W(11).headerLines * 100 + W(11).columnCount, 108);
    EXPECT_EQ(W(11).linesWritten, 3);
    EXPECT_EQ(ReadFile(PathOf(12, "DATE")), "01/02/05 12:00:00\r\n");
}

TEST_F(ChannelFixture, HexRowsSpaceEveryTenthByteAndBinaryIsCopied) {
    Open(22, "Hex_Output");
    Open(21, "BINARY");
    Bytes b;
    for (int i = 0; i < 25; ++i) b.push_back(static_cast<uint8_t>(i * 11));
    Hex(rix::kHexOutput, 22, 1234, b);
    Hex(rix::kHexOutput, 22, 1300, Bytes(b.begin(), b.begin() + 10));
    Hex(rix::kBinary, 21, 50, {0x00, 0x0a, 0xff});
    rix::CloseAllOutputs(run);
    EXPECT_EQ(ReadFile(PathOf(22, "Hex_Output")),
              "1234\t00 0b 16 21 2c 37 42 4d 58 63  6e 79 84 8f 9a a5 b0 bb c6 d1  dc e7 f2 fd 08\r\n"
              "1300\t00 0b 16 21 2c 37 42 4d 58 63 \r\n");
    EXPECT_EQ(W(22).offsetTime + W(22).firstTime + W(22).lastTime, 1234 + 1234 + 1300);
    EXPECT_EQ(ReadFile(PathOf(21, "BINARY")), std::string("\x00\x0a\xff", 3));
}

TEST_F(ChannelFixture, MergeWorkingFileTimeOffsetFileAndTheNextRun) {
    Open(11, "ASCII");
    Open(11, "ASCII");  // already open in this run: one entry
    Feed(rix::kAscii, 11, 100, "a\nb\nc\n");
    Feed(rix::kAscii, 11, 250, "d\n");
    rix::FinishChannelEntry(run, 0, 0);
    rix::CloseChannelFile(run, 11);
    Open(23, "Hex_Output");
    Hex(rix::kHexOutput, 23, 700, {1, 2});
    rix::FinishChannelEntry(run, 1, 12);
    rix::CloseAllOutputs(run);
    rix::CloseAllOutputs(run);
    std::string p11 = PathOf(11, "ASCII"), p23 = PathOf(23, "Hex_Output");
    auto entry = [](int id, const std::string& p) { return std::to_string(id) + " " + std::to_string(p.size()) + " " + p; };
    EXPECT_EQ(ReadFile(dir.file("buoy05_MRG.123")),
              "123 6 buoy05 \r\n" + entry(11, p11) + " ASCII 0 0\r\n" + entry(23, p23) + " Hex_Output 1 12\r\n");

    ASSERT_EQ(rix::WriteTimeOffsetFile(run, dir.path(), "buoy05", ".123"), 1);
    std::string to = "Port\toffset\tfirst\tlast\n";
    for (int id = 1; id <= 49; ++id)
        to += id == 11 ? "11\t0\t100\t250\n" : id == 23 ? "23\t700\t700\t700\n" : std::to_string(id) + "\t0\t-1\t-1\n";
    EXPECT_EQ(ReadFile(dir.file("buoy05_TO.123")), to);

    rix::ResetAllChannels(run);  // the next run writes its files afresh
    Open(11, "ASCII");
    Feed(rix::kAscii, 11, 0, "x\nnew\n");
    rix::FinishChannelEntry(run, 0, 0);
    rix::CloseAllOutputs(run);
    EXPECT_EQ(ReadFile(p11), "new\n");
    EXPECT_EQ(ReadFile(dir.file("buoy05_MRG.123")), "123 6 buoy05 \r\n" + entry(11, p11) + " ASCII 0 0\r\n");
    EXPECT_TRUE(rep.boxes.empty());
}

TEST_F(ChannelFixture, FilesThatCannotBeOpenedGiveTheirBoxes) {
    EXPECT_EQ(Open(11, "ASCII", dir.file("missing")), 0);
    EXPECT_TRUE(rep.HasBox("Programming Error", "Output Directory Does Not Exist"));
    // A folder in the way makes each file unopenable.
    for (const std::string& f : {PathOf(12, "ASCII"), dir.file("buoy05_MRG.123"), dir.file("buoy05_TO.123")})
        std::filesystem::create_directory(f);
    EXPECT_EQ(Open(12, "ASCII"), 0);
    EXPECT_TRUE(rep.HasBox("Open Extractd Data File File Error", "Unable to open " + PathOf(12, "ASCII")));
    EXPECT_EQ(Open(13, "ASCII"), 0);
    EXPECT_TRUE(rep.HasBox("Working file NNNNN_MRG.XXX File File Error", "Unable to open " + dir.file("buoy05_MRG.123")));
    EXPECT_EQ(rix::WriteTimeOffsetFile(run, dir.path(), "buoy05", ".123"), 0);
    EXPECT_TRUE(rep.HasBox("Write Time/Date File Error", "Unable to open " + dir.file("buoy05_TO.123")));
}

TEST(RowWriter, PrecisionCodesAndUnfilledValues) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    for (int code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) rix::WritePrecisionValue(f, 3.14159265358979, code);
    rix::RowValues v;
    v.Set(0, 1.5, "ThisTitleIsLongerThanNineteen", 1);
    v.Set(220, 1.0, "out of range", 0);
    rix::WritePrecisionValue(f, v.values[1], v.precision[1]);
    std::rewind(f);
    char buf[512] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buf, n), "\t3\t3.1\t3.14\t3.142\t3.1416\t3.14159\t3.141593\t3.1415927\t3.14159265"
                                   "\t3.141592654\t3.1415926536\t3.141593\t9999.999999");
    EXPECT_STREQ(v.titles[0], "ThisTitleIsLongerTh");
    EXPECT_EQ(v.count, 1);
}

}  // namespace
