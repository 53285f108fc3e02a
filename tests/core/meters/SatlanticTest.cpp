#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "meters/Satlantic.h"

namespace {

using Boxes = std::vector<std::pair<std::string, std::string>>;
constexpr int kRaw = 0, kEng = 1;
const std::string kZero = "Number of Sensors = 0";
const char* const kCalError = "Satlantic Device/Cal File Error";
const char* const kMessage = "Satlantic Message";

struct Satlantic : ::testing::Test {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    rix::Run run{ctx};
    Satlantic() { rix::ResetAllChannels(run); }

    int Load(const std::string& text, int channel = 11) {
        const std::string path = dir.file("test.cal");
        rixtest::WriteFile(path, text);
        rix::DeviceFileCall call;
        call.channel = channel;
        call.meterType = 30;
        call.path = path;
        call.file = std::fopen(path.c_str(), "rb");
        int r = rix::ReadSatlanticCalFile(run, call);
        std::fclose(call.file);
        return r;
    }
    // The writer's output for these bytes.
    std::string Feed(const std::string& bytes, int output = kEng, int channel = 11) {
        std::FILE* out = std::tmpfile();
        rix::WriterInput in;
        in.channel = channel;
        in.dataOutput = output;
        in.format = 1;
        in.time = 500;
        in.count = static_cast<int>(bytes.size());
        in.bytes = reinterpret_cast<const uint8_t*>(bytes.data());
        in.stream = out;
        rix::WriteSatlantic(run, in);
        std::string text;
        std::rewind(out);
        for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
        std::fclose(out);
        return text;
    }
    Boxes Shown() const {
        Boxes b;
        for (const auto& box : rep.boxes) b.push_back({box.title, box.text});
        return b;
    }
};

TEST_F(Satlantic, CalibrationFileMessages) {
    const std::string inst = "INSTRUMENT AB '' 2 AS 0 NONE\r\n";
    struct Case {
        std::string text;
        int result;
        Boxes boxes;
    };
    const std::vector<Case> cases = {
        {inst + "T NONE 'C' 2 BU\r\n", 0,
         {{"Invalid sensor description in calibration file", "T NONE 'C' 2 BU"}, {kCalError, kZero}}},
        {inst + "T NONE 'C' 2 bx 0 COUNT\r\n", 0,
         {{kMessage, "Invalid data type in calibration file: \"bx\""}, {kCalError, kZero}}},
        {inst + "ES 412 'uW' 2 BU 1 OPTIC3\r\n1 2 1 1\r\n", 0,
         {{kMessage, "Invalid fit type in calibration file: \"OPTIC3\""}, {kCalError, kZero}}},
        {inst + "T NONE 'C' 2 BU 0 polyu\r\n", 0,
         {{kMessage, "T(NONE)'s curve fit requires at least one gain range."}, {kCalError, kZero}}},
        {inst + "TEMPERATURE INTERNAL_PROBE_NUMBER_TWO 'degrees_C' 2 BU 1 POLYU\r\n"
                "1 2 3 4 5 6 7 bad 9 10 11 12\r\n",
         0,
         {{kMessage, "Sensor description: TEMPERATURE INTERNAL_PROBE_NUMBER_TWO 'degrees_C' "},
          {kMessage, "Invalid calibration coefficients begin... \"1 2 3 4 5 6 7 bad 9 10 11\""},
          {kCalError, kZero}}},
        {"# only comments\r\n\r\n   \r\n", 0, {{kCalError, kZero}}},
        {"SN 7 '' 1 BU 0 COUNT\r\n", 0,
         {{kCalError, "INSTRUMENT type not defined in calibration file"}}},
        {inst + "BIG NONE '' 5000 BU 0 COUNT\r\n", 0,
         {{kCalError,
           "Frame length 5002 does not fit the frame header \"AB\" and the 4096-byte frame buffer"}}},
        // The warning goes on; its calibration line is read, not taken for a sensor.
        {inst + "T NONE 'C' 2 BU 1 COUNT\r\n1 2\r\nV NONE '' 2 BU 1 POLYU\r\n0 1\r\n", 1,
         {{kMessage, "Warning: T(NONE)'s has gain ranges..."}}},
    };
    for (const Case& c : cases) {
        rep.Clear();
        EXPECT_EQ(Load(c.text), c.result) << c.text;
        EXPECT_EQ(Shown(), c.boxes) << c.text;
        // A refused file decodes nothing.
        if (!c.result) {
            EXPECT_EQ(Feed("AB\x01\x02\x03\x04"), "") << c.text;
        }
    }
}

TEST_F(Satlantic, FieldsAreReadFromTheirOwnBytes) {
    ASSERT_EQ(Load("INSTRUMENT AB '' 2 AS 0 NONE\r\n"
                   "U NONE '' 2 BU 0 COUNT\r\nS NONE '' 2 BS 0 COUNT\r\n"
                   "W NONE '' 6 BU 0 COUNT\r\nN NONE '' 3 AS 0 COUNT\r\n"
                   "I NONE '' 4 AI 0 COUNT\r\nD NONE '' 3 BD 0 COUNT\r\n"
                   "F NONE '' 2 BF 0 COUNT\r\n"),
              1);
    // BD and BF fields shorter than their type are padded, never read past the frame.
    const std::string frame = std::string("AB\x12\x34\xff\xfe\x00\x00\x01\x02\xff\xff", 12) +
                              "abc -12" + std::string("\x40\x02\x00\x3f\xc0", 5);
    EXPECT_EQ(Feed(frame),
              "Time(ms)\tDepth(m)\tU(NONE)\tS(NONE)\tW(NONE)\tN(NONE)\tI(NONE)\tD(NONE)\tF(NONE)\r\n"
              "500\t-1.000000\t4660\t-2\t258\tabc\t-12\t2.250000\t1.500000\r\n");
    EXPECT_TRUE(rep.boxes.empty());
}

TEST_F(Satlantic, GainRangesAndLongLines) {
    // Six gain ranges: four are kept, the other two are read and dropped. A
    // line past 255 characters loses its rest instead of becoming a line.
    ASSERT_EQ(Load("INSTRUMENT AB '' 2 AS 0 NONE\r\n"
                   "LU 443 'uW' 2 BU 6 OPTIC1\r\n"
                   "0 1 1\r\n10 1 2\r\n0 1 3\r\n0 1 4\r\n0 1 5\r\n0 1 6\r\n"
                   "G NONE '' 2 BU 2 OPTIC1" + std::string(250, ' ') + "TAIL\r\n"
                   "0 1 1\r\n0 1 2\r\n"),
              1);
    EXPECT_TRUE(rep.boxes.empty());
    // 0x1001: line 1 on 0x1000; gain code 2 of G names no line: no value.
    const std::string frame = std::string("AB\x10\x01\x10\x02", 6);
    EXPECT_EQ(Feed(frame), "Time(ms)\tDepth(m)\tLU(443)\tG(NONE)\r\n"
                           "500\t-1.000000\t8172.000000\t9999.999999\r\n");
    EXPECT_EQ(Feed(std::string("AB\x10\x03\x10\x00", 6)), "500\t-1.000000\t16384.000000\t4096.000000\r\n");
}

TEST_F(Satlantic, ImpossibleFitsShowOnceAndRawOutputGoesOn) {
    struct Case {
        std::string sensor;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"X NONE '' 2 BU 1 POLYE\r\n1 2\r\n", "Fit type POLYE is not currently implemented."},
        {"X NONE '' 2 AF 1 OPTIC1\r\n1 2 3\r\n", "Invalid data type on OPTIC1."},
        {"X NONE '' 2 AS 1 POLYU\r\n1 2\r\n", "Invalid data type on POLYU."},
        {"X NONE '' 2 AS 1 OPTIC2\r\n1 2 3\r\n", "Invalid data type on OPTIC2."},
    };
    const std::string frames = "AB12AB34";
    for (const Case& c : cases) {
        for (int output : {kEng, kRaw}) {
            rix::ResetAllChannels(run);
            rep.Clear();
            ASSERT_EQ(Load("INSTRUMENT AB '' 2 AS 0 NONE\r\n" + c.sensor), 1);
            EXPECT_EQ(Feed(frames, output), output == kRaw ? frames : "") << c.sensor;
            const Boxes expected = output == kRaw ? Boxes{} : Boxes{{kMessage, c.message}};
            EXPECT_EQ(Shown(), expected) << c.sensor;
        }
    }
}

TEST_F(Satlantic, FrameCounterAndSerialNumberSummaries) {
    // SERIAL stands in for a missing SN; SNR is longer than "SN" and does not count.
    const std::string cal = "INSTRUMENT AB '' 2 AS 0 NONE\r\nSNR NONE '' 1 BU 0 NONE\r\n"
                            "SERIAL 0042 '' 4 AS 0 NONE\r\nFRAME COUNTER '' 1 BU 0 COUNT\r\n";
    struct Case {
        std::vector<int> counters;
        std::vector<std::string> serials;
        Boxes summary;
    };
    const std::vector<Case> cases = {
        {{254, 255, 0, 1}, {"0042", "42  ", "0042", "0042"}, {}},
        {{3, 5}, {"0042", "0043"},
         {{kMessage, "1 Frame Count Jumps in 2 Valid records"},
          {kMessage, "1 Serial Number Mismatches in 2 Valid records"}}},
        {{7, 9, 10, 12}, {"0042", "0042", "42x ", "0042"},
         {{kMessage, "2 Frame Count Jumps in 4 Valid records"},
          {kMessage, "1 Serial Number Mismatches in 4 Valid records"}}},
    };
    for (const Case& c : cases) {
        rep.Clear();
        ASSERT_EQ(Load(cal), 1);
        std::string bytes;
        for (size_t i = 0; i < c.counters.size(); ++i)
            bytes += "AB?" + c.serials[i] + static_cast<char>(c.counters[i]);
        Feed(bytes, kRaw);
        rix::EndSatlanticExtraction(run, 11);
        EXPECT_EQ(Shown(), c.summary);
        // The pass's end releases the calibration.
        EXPECT_EQ(Feed(bytes, kRaw), "");
    }
}

}  // namespace
