// End-to-end: Satlantic radiometer frames in archives, extracted by the rix
// program with their calibration files; whole output files compared.
#include <gtest/gtest.h>

#include <string>

#include "../../tools/example/SatlanticExample.h"
#include "CliSupport.h"

namespace {

using namespace rixtest;

// A radiometer with one field of every data type and every fit: 53-byte frames.
const char* const kCal =
    "# Test radiometer s/n 42\r\n"
    "INSTRUMENT SATTST '' 6 AS 0 NONE\r\n"
    "SN 0042 '' 4 AI 0 COUNT\r\n"
    "TIMER NONE 'sec' 10 AF 0 COUNT\r\n"
    "DELAY NONE 'ms' 2 BS 0 COUNT\r\n"
    "TILT NONE 'deg' 3 AI 0 COUNT\r\n"
    "\r\n"
    "LU 443 'uW' 2 BU 4 OPTIC1   # four gain ranges\r\n"
    "0 1 1\r\n0 1 2\r\n0 1 4\r\n8 0.5 2\r\n"
    "ES 490 'uW' 4 BF 1 OPTIC2\r\n0.5 2 3\r\n"
    "T NONE 'C' 2 BU 1 POLYU\r\n-50\t0.5\r\n"
    "V NONE 'V' 2 BU 1 POLYF\r\n0.01 200\r\n"
    "L NONE '' 2 BU 1 POLYL\r\n1 2\r\n"
    "D NONE 'days' 8 BD 0 COUNT\r\n"
    "UTC NONE '' 4 BU 0 TIME2\r\n"
    "FRAME COUNTER '' 1 BU 0 COUNT\r\n"
    "CHECK SUM '' 1 BU 0 COUNT\r\n"
    "CRLF TERMINATOR '' 2 BU 0 NONE\r\n";

const char* const kTitle =
    "Time(ms)\tDepth(m)\tSN(0042)\tTIMER(NONE)\tDELAY(NONE)\tTILT(NONE)\tLU(443)\tES(490)"
    "\tT(NONE)\tV(NONE)\tL(NONE)\tD(NONE)\tUTC(NONE)\tFRAME(COUNTER)\tCHECK(SUM)\r\n";

std::string BigEndian(unsigned long long v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xff);
    return s;
}

struct Fields {
    int counter = 0;
    std::string serial = "0042";
    unsigned lu = 0x1003;  // gain code 3, counts 0x1000
    bool badChecksum = false;
};

std::string Frame(const Fields& f) {
    std::string s = "SATTST" + f.serial + "0000137.66";
    s += BigEndian(0xfffe, 2);                // DELAY -2
    s += "-07";                               // TILT
    s += BigEndian(f.lu, 2);                  // LU
    s += BigEndian(0x3fc00000, 4);            // ES 1.5f
    s += BigEndian(300, 2);                   // T
    s += BigEndian(1000, 2);                  // V
    s += BigEndian(7, 2);                     // L
    s += BigEndian(0x4002000000000000ull, 8);  // D 2.25
    s += BigEndian(1567943045, 4);            // UTC 2019-09-08 11:44:05
    s += static_cast<char>(f.counter);
    unsigned sum = 0;
    for (char c : s) sum += static_cast<unsigned char>(c);
    s += static_cast<char>((256 - (sum & 0xff) + (f.badChecksum ? 1 : 0)) & 0xff);
    return s + "\r\n";
}

// One row of the frame above: time, depth, then the converted fields.
std::string Row(const std::string& time, const std::string& lu, int counter,
                const std::string& serial = "42") {
    return time + "\t-1.000000\t" + serial + "\t137.660000\t-2\t-7\t" + lu +
           "\t6.000000\t100.000000\t8.000000\t4.891820\t2.250000\t19-09-08 11.44.05\t" +
           std::to_string(counter) + "\t0\r\n";
}

// Stray bytes, a frame split across packets, a bad checksum, a frame-counter
// jump over the dropped frame (254, 255, 0, [1], 2) and a serial mismatch.
std::string F1() { return Frame({254, "0042", 0x1003}); }
std::string F2() { return Frame({255, "0042", 0x0801}); }  // gain code 1
std::string F3() { return Frame({0}); }
std::string F4() { return Frame({1, "0042", 0x1003, true}); }
std::string F5() { return Frame({2}); }
std::string F6() { return Frame({3, "0043"}); }

ArchiveBuilder FrameArchive(int port = 0) {
    ArchiveBuilder b;
    b.Add(1, 1000, {{port, "SATjunk" + F1().substr(0, 20)}});
    b.Add(1, 2000, {{port, F1().substr(20) + F2()}});
    b.Add(1, 3000, {{port, F3() + F4() + F5()}});
    b.Add(1, 4000, {{port, F6() + "SATTS"}});
    return b;
}

std::string TimeOffsets(int channel, const std::string& entry) {
    std::string s = "Port\toffset\tfirst\tlast\n";
    for (int id = 1; id <= 49; ++id)
        s += std::to_string(id) + "\t" + (id == channel ? entry : "0\t-1\t-1") + "\n";
    return s;
}

const char* const kSummaries =
    "Bad Satlantic Check Sum Detected: Channel 11\n"
    "Satlantic Message: 1 Frame Count Jumps in 5 Valid records\n"
    "Satlantic Message: 1 Serial Number Mismatches in 5 Valid records\n";

TEST(SatlanticExtract, EngineeringRowsOnePerGoodFrame) {
    Deployment d;
    WriteFile(d.Path("sattst.cal"), kCal);
    d.Isf("11 SATLANTIC DEV=sattst.cal\r\n");
    d.Esf(0, 1, 0, 1);
    d.Archive(FrameArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, std::string(kSummaries) + "Status:  Done with Extraction\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_11_SATLANTIC.000")),
              std::string(kTitle) + Row("1000", "4088.000000", 254) +
                  Row("2000", "4096.000000", 255) + Row("3000", "4088.000000", 0) +
                  Row("3000", "4088.000000", 2) + Row("4000", "4088.000000", 3, "43"));
    // Title line and its 15 columns in the merge working file; engineering
    // rows leave the channel's times unset.
    EXPECT_NE(ReadFile(d.OutFile("test_MRG.000")).find(" SATLANTIC 1 15\r\n"), std::string::npos);
    EXPECT_EQ(ReadFile(d.OutFile("test_TO.000")), TimeOffsets(11, "0\t-1\t-1"));
}

TEST(SatlanticExtract, CalibrationFileSavedWithMarkOrCrOnlyReadsAsPlain) {
    Deployment d;
    d.Isf("11 SATLANTIC DEV=sattst.cal\r\n");
    d.Esf(0, 1, 0, 1);
    d.Archive(FrameArchive());
    WriteFile(d.Path("sattst.cal"), kCal);
    ASSERT_EQ(d.Run({}).code, 0);
    const std::string plain = ReadFile(d.OutFile("test_11_SATLANTIC.000"));
    for (const std::string& saved : {WithByteOrderMark(kCal), WithCrOnly(kCal)}) {
        WriteFile(d.Path("sattst.cal"), saved);
        RunResult r = d.Run({});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, std::string(kSummaries) + "Status:  Done with Extraction\n");
        EXPECT_EQ(ReadFile(d.OutFile("test_11_SATLANTIC.000")), plain);
    }
}

TEST(SatlanticExtract, RawOutputWritesTheFramesThatPassTheChecksum) {
    Deployment d;
    WriteFile(d.Path("sattst.cal"), kCal);
    d.Isf("11 SATLANTIC DEV=sattst.cal\r\n");
    d.Esf(0, 0, 0, 1);
    d.Archive(FrameArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, std::string(kSummaries) + "Status:  Done with Extraction\n");
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_11_SATLANTIC.000")), F1() + F2() + F3() + F5() + F6());
    // Raw output records the first frame's time only.
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_TO.000")), TimeOffsets(11, "0\t1000\t-1"));
}

TEST(SatlanticExtract, RawFileFramesAreTimedByTheIncrement) {
    Deployment d;
    WriteFile(d.Path("sattst.cal"), kCal);
    WriteFile(d.Path("capture.raw"), "xx" + F1() + F2() + F4() + F3());
    d.Isf("11 SATLANTIC DEV=sattst.cal\r\n");
    d.Esf(4, 1, 0, 0, 21, 0, 500);
    RunResult r = d.Run({}, "capture.raw");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("capture_11_SATLANTIC.raw")),
              std::string(kTitle) + Row("0", "4088.000000", 254) + Row("500", "4096.000000", 255) +
                  Row("1000", "4088.000000", 0));
}

TEST(SatlanticExtract, ARefusedCalibrationLeavesItsChannelEmptyAndTheRunGoesOn) {
    Deployment d;
    WriteFile(d.Path("sattst.cal"), kCal);
    WriteFile(d.Path("noinst.cal"), "SN 0042 '' 4 AI 0 COUNT\r\n");
    d.Isf("11 SATLANTIC DEV=noinst.cal\r\n12 SATLANTIC\r\n13 SATLANTIC DEV=missing.cal\r\n"
          "14 SATLANTIC DEV=sattst.cal\r\n");
    d.Esf(0, 1, 0, 1);
    ArchiveBuilder b;
    for (int i = 0; i < 3; ++i)
        b.Add(1, 1000 * (i + 1),
              {{0, F3()}, {1, F3()}, {2, F3()}, {3, Frame({i})}});
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 3) << r.err;  // ran to its end, two channels wrote nothing
    EXPECT_EQ(r.err,
              "Satlantic Device/Cal File Error: INSTRUMENT type not defined in calibration file\n"
              "Read Device File File Error: Unable to open ./MISSING.CAL\n"
              "Channels Without Output: No file was written for channel 11 SATLANTIC (device file "
              "./noinst.cal is refused by its reader); 13 SATLANTIC (device file ./MISSING.CAL cannot be "
              "opened)\n"
              "Status:  Done with Extraction\n");
    // Without a calibration file of its own, channel 12 writes an empty file as before.
    EXPECT_EQ(ReadFile(d.OutFile("test_12_SATLANTIC.000")), "");
    for (const char* name : {"test_11_SATLANTIC.000", "test_13_SATLANTIC.000"})
        EXPECT_FALSE(rixtest::FileExists(d.OutFile(name))) << name;
    EXPECT_EQ(ReadFile(d.OutFile("test_14_SATLANTIC.000")),
              std::string(kTitle) + Row("1000", "4088.000000", 0) + Row("2000", "4088.000000", 1) +
                  Row("3000", "4088.000000", 2));
}

TEST(SatlanticExtract, ExampleRadiometerDecodes) {
    Deployment d;
    WriteFile(d.Path("SATEXR.CAL"), rixexample::SatlanticExampleCalFile());
    d.Isf("11 SATLANTIC DEV=SATEXR.CAL\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    for (int i = 0; i < 3; ++i)
        b.Add(1, 1000 * i, {{0, rixexample::SatlanticExampleRecord(i, 1000.0 * i)}});
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");
    const std::string out = ReadFile(d.OutFile("test_11_SATLANTIC.000"));
    // 0.0025 held in single precision: 0.0025 * 19976 prints 49.939999.
    const std::string head =
        "Time(ms)\tDepth(m)\tSN(0101)\tTIMER(NONE)\tES(490)\tT(HEAD)\tFRAME(COUNTER)\tCHECK(SUM)\r\n"
        "0\t-1.000000\t0101\t0.000000\t49.939999\t15.000000\t0\t0\r\n";
    EXPECT_EQ(out.substr(0, head.size()), head);
    size_t rows = 0;
    for (char c : out) rows += c == '\n';
    EXPECT_EQ(rows, 4u);
}

// The real capture cut into archive packets of 1000 bytes, one second apart.
ArchiveBuilder CaptureArchive(const std::string& capture) {
    ArchiveBuilder b;
    for (size_t at = 0, k = 1; at < capture.size(); at += 1000, ++k) {
        std::string chunk = capture.substr(at, 1000);
        b.Add(1, static_cast<uint32_t>(1000 * k), {{0, chunk}, {1, chunk}});
    }
    return b;
}

TEST(SatlanticExtract, RealInfraredRadiometerCapture) {
    const std::string dir = RealDataDir();
    if (dir.empty()) GTEST_SKIP() << "real data folder absent";
    const std::string data = dir + "/hyperinspace";
    Deployment d;
    WriteFile(d.Path("IRP3397A.cal"), ReadFile(data + "/IRP3397A.cal"));
    WriteFile(d.Path("HSE0488Ea.cal"), ReadFile(data + "/HSE0488Ea.cal"));
    const std::string capture = ReadFile(data + "/SAMPLE_HYPERSAS_NOTRACKER.raw");
    ASSERT_FALSE(capture.empty());
    // The irradiance sensor's file uses fit types outside the reader's table.
    d.Isf("11 SATLANTIC DEV=HSE0488Ea.cal\r\n12 SATLANTIC DEV=IRP3397A.cal\r\n");
    d.Esf(0, 1, 0, 1);
    d.Archive(CaptureArchive(capture));
    RunResult r = d.Run({});
    // The run goes to its end; the channel it could not decode writes no file
    // and is named in the closing message.
    ASSERT_EQ(r.code, 3) << r.err;
    EXPECT_EQ(r.err,
              "Satlantic Message: Invalid fit type in calibration file: \"THERM1\"\n"
              "Satlantic Device/Cal File Error: Number of Sensors = 0\n"
              "Satlantic Message: 168 Frame Count Jumps in 434 Valid records\n"
              "Channels Without Output: No file was written for channel 11 SATLANTIC (device file "
              "./HSE0488Ea.cal is refused by its reader)\n"
              "Status:  Done with Extraction\n");
    EXPECT_FALSE(FileExists(d.OutFile("test_11_SATLANTIC.000")));

    const std::string out = ReadFile(d.OutFile("test_12_SATLANTIC.000"));
    size_t rows = 0;
    for (char c : out) rows += c == '\n';
    EXPECT_EQ(rows, 1u + 434u);
    // The first two frames (at capture bytes 6600 and 8987) by hand:
    // T IR = 8.72219107e-8 * (counts - 2434092614) in single precision,
    // VS = 0.03 * counts (8.43 in single precision is 8.429999), T PCB = -50 + 0.5 * counts.
    // Frame 1: counts 0x7fffc780, 0x0118, 0x009d; delay 0xff7b = -133.
    // Frame 2: counts 0x80003340, 0x0119, 0x009e; delay -133.
    const std::string head =
        "Time(ms)\tDepth(m)\tSN(3397)\tTIMER(NONE)\tDELAY(SAMPLE)\tT(IR)\tVS(NONE)\tT(PCB)"
        "\tFRAME(COUNTER)\tCHECK(SUM)\r\n"
        "7000\t-1.000000\t3397\t137.660000\t-133\t-24.999838\t8.400000\t28.500000\t9\t0\r\n"
        "9000\t-1.000000\t3397\t138.750000\t-133\t-24.997433\t8.429999\t29.000000\t11\t0\r\n";
    EXPECT_EQ(out.substr(0, head.size()), head);
}

}  // namespace
