// End-to-end: the framed absorption/attenuation meters (NX9, NX9WREF, NXS,
// PRISMA) extracted from archives built byte by byte, whole files compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <string>
#include <vector>

#include "../../tools/example/Nx9Example.h"
#include "CliSupport.h"

namespace {

using namespace rixtest;

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
    char b[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(b, sizeof b, fmt, args);
    va_end(args);
    return b;
}

std::string F(const char* fmt, double v) {
    char b[64];
    std::snprintf(b, sizeof b, fmt, v);
    return b;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

std::string TimeOffsets(int id, const std::string& entry) {
    std::string to = "Port\toffset\tfirst\tlast\n";
    for (int c = 1; c <= 49; ++c)
        to += std::to_string(c) + "\t" + (c == id ? entry : std::string("0\t-1\t-1")) + "\n";
    return to;
}

// ---- NX9 -------------------------------------------------------------------

struct Nx9 {
    int serial = 0x0123;
    int counters[10] = {100, 116, 132, 148, 164, 180, 196, 212, 228, 244};
    int thermistor = 300;  // about 10.2 degC
    int wordA = 1000;
    int pressure = 500;
    int wordB = 2000;
    bool highFirst = false;
};

double Signal(int c) { return 1000 + 50 * c; }
constexpr double kReference = 2000;

void Put16Le(std::string& f, int at, int v) {
    f[at] = static_cast<char>(v & 0xFF);
    f[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put3(std::string& f, int at, double v) {
    int whole = static_cast<int>(v);
    f[at] = static_cast<char>(whole & 0xFF);
    f[at + 1] = static_cast<char>(whole >> 8);
    f[at + 2] = static_cast<char>(static_cast<int>((v - whole) * 256));
}
void Checksum(std::string& f, bool highFirst) {
    unsigned sum = 0;
    for (size_t i = 0; i + 2 < f.size(); ++i) sum += static_cast<uint8_t>(f[i]);
    const char hi = static_cast<char>((sum >> 8) & 0xFF), lo = static_cast<char>(sum & 0xFF);
    f[f.size() - 2] = highFirst ? hi : lo;
    f[f.size() - 1] = highFirst ? lo : hi;
}

std::string Nx9Frame(const Nx9& m) {
    std::string f(636, '\0');
    f[1] = f[3] = static_cast<char>(0xFF);
    Put16Le(f, 6, m.serial);
    Put16Le(f, 12, m.wordA);
    Put16Le(f, 14, m.pressure);
    Put16Le(f, 16, m.wordB);
    for (int s = 0; s < 10; ++s) {
        Put16Le(f, 18 + 56 * s, m.counters[s]);
        for (int c = 0; c < 18; ++c) Put3(f, 18 + 56 * s + 2 + 3 * c, Signal(c));
    }
    for (int c = 0; c < 18; ++c) Put3(f, 578 + 3 * c, kReference);
    Put16Le(f, 632, m.thermistor);
    Checksum(f, m.highFirst);
    return f;
}

// Device file: serial 123, pressure 0 + 0.01 counts, L = 0.25 m, the bins
// given (their values spread over two lines), channel c with offset 0.01 (c + 1)
// and corrections 0.5, 0.1, 0.3 at the bins.
std::string Nx9Device(const std::string& bins = "3\r\n5.0 10.0\r\n20.0 ; rest of line\r\n",
                      const std::string& path = "0.25") {
    std::string text = "nx9 meter\r\n123\r\n7\r\n; pressure\r\n0.0 0.01\r\n; path\r\n" + path +
                       "\r\n" + bins;
    for (int c = 0; c < 18; ++c)
        text += Format("%c%d\t%d\t%.2f\t0.5\t0.1\t0.3\tnot read\r\n", c % 2 ? 'c' : 'a', 400 + c,
                       c, 0.01 * (c + 1));
    return text + "\r\n";
}

std::string Nx9Banner(const std::string& device) {
    std::string out = "MorView ver 99.0A\t01-01-2000\t00:00:00 Create By RIX v4.XX\r\n";
    for (size_t start = 0; start < device.size();) {
        size_t end = device.find("\r\n", start);
        std::string line = device.substr(start, end - start);
        if (!line.empty()) out += line + "\r\n";
        start = end + 2;
    }
    return out + "1\t\t; aquisition bin size\r\n";
}

double Nx9Temperature(double n) {
    return 0.045113 * n + 10.61831 - 4891.32 / n + 208130.2 / (n * n) + 1171473 / (n * n * n);
}

// The 18 channel columns; correct = apply the correction between bins 10 and 20.
std::string Nx9Channels(double t, bool correct) {
    std::string s;
    for (int c = 0; c < 18; ++c) {
        double v = -std::log(Signal(c) / kReference) / 0.25 + 0.01 * (c + 1);
        if (correct) v -= 0.1 + (t - 10.0) * (0.3 - 0.1) / (20.0 - 10.0);
        s += F("\t%7.5lf", v);
    }
    return s;
}

std::string Nx9Row(double time, const Nx9& m, bool correct = true) {
    const double t = Nx9Temperature(m.thermistor);
    return F("%1.0lf", time) + Nx9Channels(t, correct) + F("\t%5.2lf", t) + "\t0.000000" +
           F("\t%5.3lf", 0.01 * m.pressure) + F("\t%7.4lf", m.wordB / 100.0) + "\t0.000000\r\n";
}

// Frame 1 after a stray byte and split over packets 1 and 2; frame 2 begins
// with the last two bytes of packet 2, has a checksum stored high byte first,
// and a scan counter that falls below the first one.
struct Nx9Stream {
    Nx9 m1, m2;
    std::string f1, f2;
    Nx9Stream() {
        int c2[10] = {500, 520, 10, 560, 580, 600, 620, 640, 660, 680};
        std::copy(c2, c2 + 10, m2.counters);
        m2.highFirst = true;
        f1 = Nx9Frame(m1);
        f2 = Nx9Frame(m2);
    }
    ArchiveBuilder Archive(int port = 0) const {
        ArchiveBuilder b;
        b.Add(1, 1000, {{port, "\x07" + f1.substr(0, 300)}});
        b.Add(1, 2000, {{port, f1.substr(300) + f2.substr(0, 2)}});
        b.Add(1, 3000, {{port, f2.substr(2)}});
        return b;
    }
};

TEST(AcMeters, Nx9EngineeringFileHasBannerDeviceCopyAndTenRowsPerFrame) {
    Deployment d;
    d.Isf("11 NX9 LAG=0 HAD=0 DEV=NX9.DEV\r\n");
    d.Esf(0, 1, 0, 0);
    WriteFile(d.Path("NX9.DEV"), Nx9Device());
    Nx9Stream s;
    d.Archive(s.Archive());
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");

    std::string expected = Nx9Banner(Nx9Device());
    for (int k = 0; k < 10; ++k) expected += Nx9Row(160.0 * k, s.m1);
    // Frame 2 arrived from packet 2 (1000 ms); scan 3's counter wrapped: 2 x 160 ms.
    const double d2[10] = {0, 200, 320, 600, 800, 1000, 1200, 1400, 1600, 1800};
    for (double t : d2) expected += Nx9Row(1000 + t, s.m2);
    EXPECT_EQ(ReadFile(d.OutFile("test_11_NX9.000")), expected);
    EXPECT_EQ(ReadFile(d.OutFile("test_TO.000")), TimeOffsets(11, "0\t0\t2800"));
}

TEST(AcMeters, Nx9DeviceFileSavedWithMarkOrCrOnlyReadsAsPlain) {
    Deployment d;
    d.Isf("11 NX9 LAG=0 HAD=0 DEV=NX9.DEV\r\n");
    d.Esf(0, 1, 0, 0);
    Nx9Stream s;
    d.Archive(s.Archive());
    WriteFile(d.Path("NX9.DEV"), Nx9Device());
    ASSERT_EQ(d.Run({"--devdir", d.Path("")}).code, 0);
    const std::string plain = ReadFile(d.OutFile("test_11_NX9.000"));
    for (const std::string& saved : {WithByteOrderMark(Nx9Device()), WithCrOnly(Nx9Device()),
                                     WithByteOrderMark(WithCrOnly(Nx9Device()))}) {
        WriteFile(d.Path("NX9.DEV"), saved);
        RunResult r = d.Run({"--devdir", d.Path("")});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, "Status:  Done with Extraction\n");
        const std::string out = ReadFile(d.OutFile("test_11_NX9.000"));
        // The banner's copy of the device file keeps the file's own line ends.
        EXPECT_EQ(WithCrOnly(out), WithCrOnly(plain));
        EXPECT_EQ(out.find("\xEF\xBB\xBF"), std::string::npos);
    }
}

TEST(AcMeters, Nx9RawOutputStoresFramesWithoutBanner) {
    Deployment d;
    d.Isf("11 NX9 LAG=0 HAD=0 DEV=NX9.DEV\r\n");
    d.Esf(0, 0, 0, 1);
    WriteFile(d.Path("NX9.DEV"), Nx9Device());
    Nx9Stream s;
    d.Archive(s.Archive());
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_11_NX9.000")),
              s.f1 + std::string(6, '\0') + s.f2 + std::string(6, '\0'));
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_TO.000")), TimeOffsets(11, "1000\t1000\t2000"));
}

TEST(AcMeters, Nx9WithReferenceWritesFortyOneColumnsOnScanOne) {
    Deployment d;
    d.Isf("11 NX9WREF LAG=0 HAD=0 DEV=NX9.DEV\r\n12 NX9WREF LAG=0 HAD=0 DEV=NX9.DEV\r\n");
    d.Esf(0, 1, 0, 0);
    WriteFile(d.Path("NX9.DEV"), Nx9Device());
    Nx9 m;
    Nx9 zero;  // word A 0 and thermistor 0: no value, no temperature correction
    zero.wordA = 0;
    zero.thermistor = 0;
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, Nx9Frame(m)}, {1, Nx9Frame(zero)}});
    d.Archive(b);
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 0) << r.err;

    const double t = Nx9Temperature(300);
    std::string refs;
    for (int c = 0; c < 18; ++c) refs += F("\t%7.5lf", kReference / 65536.0);
    std::string expected = Nx9Banner(Nx9Device()) + "0" + Nx9Channels(t, true) +
                           F("\t%4.2lf", t) + "\t31.6\t5.00\t20.00" + refs + "\r\n";
    for (int k = 1; k < 10; ++k) expected += F("%1.0lf", 160.0 * k) + Nx9Channels(t, true) + "\r\n";
    std::string file = ReadFile(d.OutFile("test_11_NX9WREF.000"));
    EXPECT_EQ(file, expected);
    size_t row = file.find("\r\n0\t");
    ASSERT_NE(row, std::string::npos);
    EXPECT_EQ(Count(file.substr(row + 2, file.find("\r\n", row + 2) - row - 2), "\t"), 40u);

    std::string zeroFile = ReadFile(d.OutFile("test_12_NX9WREF.000"));
    EXPECT_NE(zeroFile.find("\r\n0" + Nx9Channels(0, false) + "\t9999.90\t9999.9\t5.00\t20.00" +
                            refs + "\r\n160" + Nx9Channels(0, false) + "\r\n"),
              std::string::npos)
        << zeroFile;
}

TEST(AcMeters, Nx9SerialMismatchIsShownOncePerRunOfMismatches) {
    Deployment d;
    d.Isf("11 NX9 LAG=0 HAD=0 DEV=NX9.DEV\r\n");
    d.Esf(0, 1, 0, 0);
    WriteFile(d.Path("NX9.DEV"), Nx9Device());
    Nx9 good, bad;
    bad.serial = 0x0124;
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, Nx9Frame(bad) + Nx9Frame(bad)}});
    b.Add(1, 2000, {{0, Nx9Frame(good)}});
    b.Add(1, 3000, {{0, Nx9Frame(bad)}});
    d.Archive(b);
    RunResult r = d.Run({"--devdir", d.Path("")});
    EXPECT_EQ(Count(r.err, "NX-9 SN Mis-match: Device File SN:  123, Meter SN:  124\n"), 2u) << r.err;
    std::string file = ReadFile(d.OutFile("test_11_NX9.000"));
    EXPECT_EQ(file, Nx9Banner(Nx9Device()) + [&] {
        std::string rows;
        for (int k = 0; k < 10; ++k) rows += Nx9Row(1000 + 160.0 * k, good);
        return rows;
    }());
}

// Refused device files stop only their own channel, which writes no file and
// is named at the end (exit 3); a channel without a device file of its own
// writes no rows; one bin means no correction.
TEST(AcMeters, RefusedDeviceFilesLeaveTheirChannelWithoutRowsAndTheRunGoesOn) {
    Deployment d;
    d.Isf("11 NX9 LAG=0 HAD=0 DEV=BINS.DEV\r\n12 NX9 LAG=0 HAD=0 DEV=PATH.DEV\r\n"
          "13 NX9 LAG=0 HAD=0 DEV=ONE.DEV\r\n14 NX9 LAG=0 HAD=0 DEV=NX9.DEV\r\n15 NX9\r\n");
    d.Esf(0, 1, 0, 0);
    std::string many = "80\r\n";
    for (int i = 0; i < 80; ++i) many += "1.0 ";
    WriteFile(d.Path("BINS.DEV"), Nx9Device(many + "\r\n"));
    WriteFile(d.Path("PATH.DEV"), Nx9Device("0\r\n", "-0.25"));
    WriteFile(d.Path("ONE.DEV"), Nx9Device("1\r\n10.0\r\n"));
    WriteFile(d.Path("NX9.DEV"), Nx9Device());
    Nx9 m;
    const std::string f = Nx9Frame(m);
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, f}, {1, f}, {2, f}});  // a packet holds at most 2400 bytes
    b.Add(1, 1000, {{3, f}, {4, f}});
    d.Archive(b);
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 3) << r.err;
    EXPECT_NE(r.err.find("Channels Without Output: No file was written for channel 11 NX9 (device file " +
                         d.Path("BINS.DEV") + " is refused by its reader); 12 NX9 (device file " +
                         d.Path("PATH.DEV") + " is refused by its reader)\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("NX9 DEV File Error: NX9 device file " + d.Path("BINS.DEV") +
                         " has 80 temperature bins, at most 75 are allowed\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("NX9 DEV File Error: NX9 device file " + d.Path("PATH.DEV") +
                         " has the path length -0.25 m: it must be above 0\n"),
              std::string::npos);
    EXPECT_EQ(Count(r.err, "NX-9 SN Mis-match: Device File SN:  0, Meter SN:  123\n"), 1u);
    EXPECT_FALSE(rixtest::FileExists(d.OutFile("test_11_NX9.000")));
    EXPECT_FALSE(rixtest::FileExists(d.OutFile("test_12_NX9.000")));
    EXPECT_NE(ReadFile(d.OutFile("test_13_NX9.000")).find("size\r\n" + Nx9Row(0, m, false)),
              std::string::npos);
    std::string rows;
    for (int k = 0; k < 10; ++k) rows += Nx9Row(160.0 * k, m);
    EXPECT_EQ(ReadFile(d.OutFile("test_14_NX9.000")), Nx9Banner(Nx9Device()) + rows);
    EXPECT_EQ(ReadFile(d.OutFile("test_15_NX9.000")), "");
}

TEST(AcMeters, ExampleNx9RecordsDecodeWithTheirDeviceFile) {
    Deployment d;
    d.Isf(std::string("21 NX9 LAG=0 HAD=0 DEV=") + nx9example::kDeviceFileName + "\r\n");
    d.Esf(0, 1, 0, 0);
    WriteFile(d.Path(nx9example::kDeviceFileName), nx9example::DeviceFile());
    ArchiveBuilder b;
    for (int i = 0; i < 5; ++i)
        b.Add(2, 1000 + nx9example::kPeriodMs * i, {{0, nx9example::Record(i, 1000.0 + nx9example::kPeriodMs * i)}});
    d.Archive(b);
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");
    std::string file = ReadFile(d.OutFile("test_21_NX9.000"));
    EXPECT_EQ(Count(file, "\r\n"), 1u + 30u + 1u + 50u);  // banner, device lines, bin size, rows
    EXPECT_NE(file.find("\r\n7840\t"), std::string::npos);  // last scan of the fifth frame
}

// ---- NXS -------------------------------------------------------------------

struct NxsWave {
    unsigned cRef, aRef, cSig, aSig;
};

std::string NxsFrame(int serial, uint32_t instrumentTime, const std::vector<NxsWave>& waves,
                     bool highFirst = true, int thermistor = 30000) {
    const int length = 32 + 8 * static_cast<int>(waves.size()) + 2;
    std::string f(static_cast<size_t>(length), '\0');
    auto put = [&](int at, unsigned v) {
        f[at] = static_cast<char>((v >> 8) & 0xFF);
        f[at + 1] = static_cast<char>(v & 0xFF);
    };
    f[0] = f[2] = static_cast<char>(0xFF);
    put(4, static_cast<unsigned>(length - 2));
    put(10, static_cast<unsigned>(serial));
    put(14, 400);
    put(20, static_cast<unsigned>(thermistor));
    put(26, instrumentTime >> 16);
    put(28, instrumentTime & 0xFFFF);
    f[31] = static_cast<char>(waves.size());
    for (size_t j = 0; j < waves.size(); ++j) {
        const int at = 32 + 8 * static_cast<int>(j);
        put(at, waves[j].cRef);
        put(at + 2, waves[j].aRef);
        put(at + 4, waves[j].cSig);
        put(at + 6, waves[j].aSig);
    }
    Checksum(f, highFirst);
    return f;
}

std::string NxsDevice(int wavelengths = 2) {
    return "NXS meter\r\n0x53\r\n1\r\n;\r\n1.0 0.5\r\n;\r\n0.1\r\n" + std::to_string(wavelengths) +
           "\r\n2\r\n0.0\r\n30.0\r\n"
           "C400.2, A400.7, x, 0.01, 0.02, 0.0, 0.3, 0.0, 0.6\r\n"
           "C500\tA500\tx\t0.03\t0.04\t0.0\t0.3\t0.0\t0.6\r\n";
}

double NxsTemperature(unsigned n) {
    const float v = 5.0f * static_cast<float>(n) / 65535.0f;
    const float r = 10000.0f * v / (4.516f - v);
    const float l = std::log(r);
    return 1.0f / (0.00093135f + 0.000221631f * l + 0.000000125741f * l * l * l) - 273.16f;
}

std::string NxsRow(double meterTime, const std::vector<NxsWave>& waves) {
    const double t = NxsTemperature(30000);
    const double offsets[2][2] = {{0.01, 0.03}, {0.02, 0.04}};
    const double slope[2] = {0.3 / 30.0, 0.6 / 30.0};
    std::string s = F("%1.0lf", meterTime);
    for (int pass = 0; pass < 2; ++pass)
        for (size_t j = 0; j < 2; ++j) {
            double v = 0;
            if (j < waves.size()) {
                double sig = pass ? waves[j].aSig : waves[j].cSig, ref = pass ? waves[j].aRef : waves[j].cRef;
                v = -std::log(sig / ref) / 0.1 + offsets[pass][j] - t * slope[pass];
            }
            s += F("\t%7.5lf", v);
        }
    return s + F("\t%5.2lf", t) + "\t0.000000" + F("\t%5.3lf", 1.0 + 0.5 * 400) + "\t 0.0000\t0.000000\r\n";
}

struct NxsStream {
    std::vector<NxsWave> two = {{2000, 3000, 1000, 2500}, {4000, 3000, 3000, 2000}};
    std::vector<NxsWave> one = {{2000, 3000, 1500, 2500}};
    std::string f1 = NxsFrame(0x53, 5000, two, false);
    std::string f2 = NxsFrame(0x53, 5250, one);
    std::string f3 = NxsFrame(0x53, 5500, one);
    std::string f4 = NxsFrame(0x53, 5750, two);
    std::string f5 = NxsFrame(0x54, 6000, two);
    ArchiveBuilder Archive() const {
        ArchiveBuilder b;
        // Stray bytes, then a sync whose length cannot be: resynchronised on the real frame.
        b.Add(1, 1000, {{0, std::string("\xAA\x55\xFF\x00\xFF\x00\x00\x05", 8) + f1.substr(0, 10)}});
        b.Add(1, 2000, {{0, f1.substr(10) + f2 + f3.substr(0, 3)}});
        b.Add(1, 3000, {{0, f3.substr(3) + f4 + f5}});
        return b;
    }
};

TEST(AcMeters, NxsEngineeringRowsWithMeterTimeAndOneLatchForBothMessages) {
    Deployment d;
    d.Isf("11 NXS LAG=0 HAD=0 DEV=NXS.DEV\r\n");
    d.Esf(0, 1, 0, 7);
    WriteFile(d.Path("NXS.DEV"), NxsDevice());
    NxsStream s;
    d.Archive(s.Archive());
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err,
              "NXS Number of Wavelengths Do Not Match: WaveLength Count - Device File:  2, Meter :  1\n"
              "NXS SN Mis-match: Device File SN:  83, Meter SN:  84\n"
              "Status:  Done with Extraction\n");

    std::string expected = "MorView ver 99.0A\t01-01-2001\t00:00:00 Created By RIX v4.xx\r\n";
    for (const char* line : {"NXS meter", "0x53", "1", ";", "1.0 0.5", ";", "0.1", "2", "2", "0.0",
                             "30.0", "C400.2, A400.7, x, 0.01, 0.02, 0.0, 0.3, 0.0, 0.6",
                             "C500\tA500\tx\t0.03\t0.04\t0.0\t0.3\t0.0\t0.6"})
        expected += std::string(line) + "\r\n";
    expected += "1\t\t; aquisition bin size\r\n";
    expected += "Time(ms)\tc400.2\tc500.0\ta400.7\ta500.0\tiTemp(C)\tConduct\tDepth\tXTemp\tSalinity\r\n";
    expected += NxsRow(0, s.two) + NxsRow(250, s.one) + NxsRow(500, s.one) + NxsRow(750, s.two);
    EXPECT_EQ(ReadFile(d.OutFile("test_11_NXS.000")), expected);
    // Header lines stay 0; columns: the time, 2 x 2 wavelengths and 5 more.
    EXPECT_NE(ReadFile(d.OutFile("test_MRG.000")).find(" NXS 0 10\r\n"), std::string::npos);
    EXPECT_EQ(ReadFile(d.OutFile("test_TO.000")), TimeOffsets(11, "0\t1000\t3000"));
}

TEST(AcMeters, NxsRawOutputAndRefusedOrMissingDeviceFiles) {
    Deployment d;
    d.Isf("11 NXS LAG=0 HAD=0 DEV=NXS.DEV\r\n12 NXS LAG=0 HAD=0 DEV=WIDE.DEV\r\n");
    d.Esf(0, 0, 1, 1);
    WriteFile(d.Path("NXS.DEV"), NxsDevice());
    WriteFile(d.Path("WIDE.DEV"), NxsDevice(101));
    NxsStream s;
    ArchiveBuilder b = s.Archive();
    d.Archive(b);
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 3) << r.err;
    EXPECT_EQ(r.err, "Device File Error: NXS device file " + d.Path("WIDE.DEV") +
                         " has 101 wavelengths, at most 100 are allowed\n"
                         "Channels Without Output: No file was written for channel 12 NXS (device file " +
                         d.Path("WIDE.DEV") + " is refused by its reader)\n"
                         "Status:  Done with Extraction\n");
    const std::string z(1, '\0');
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_11_NXS.000")),
              s.f1 + z + s.f2 + z + s.f3 + z + s.f4 + z + s.f5 + z);
    EXPECT_FALSE(rixtest::FileExists(d.OutFile("raw_test_12_NXS.000")));
}

TEST(AcMeters, NxsChannelWithoutItsOwnDeviceFileWritesNoRows) {
    Deployment d;
    d.Isf("11 NXS LAG=0 HAD=0 DEV=NXS.DEV\r\n12 NXS\r\n");
    d.Esf(0, 1, 0, 0);
    WriteFile(d.Path("NXS.DEV"), NxsDevice());
    NxsStream s;
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, s.f1}, {1, s.f1}});
    d.Archive(b);
    RunResult r = d.Run({"--devdir", d.Path("")});
    EXPECT_NE(r.err.find("NXS SN Mis-match: Device File SN:  0, Meter SN:  83\n"), std::string::npos);
    EXPECT_NE(ReadFile(d.OutFile("test_11_NXS.000")).find("\r\n0\t"), std::string::npos);
    EXPECT_EQ(ReadFile(d.OutFile("test_12_NXS.000")), "");
}

// ---- PRISMA ----------------------------------------------------------------

const int kEmission[16] = {700, 680, 690, 680, 710, 720, 730, 740,
                           750, 760, 770, 780, 790, 800, 810, 820};
// Emissions by wavelength; the two 680s keep device order.
const int kOrder[16] = {1, 3, 2, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
const unsigned kR[6] = {1000, 2000, 0, 1000, 1000, 500};
const int kS[6] = {500, 2000, 100, -5, 800, 250};
const double kCalRef[6] = {1000, 1000, 1000, 1000, 1000, 0};

std::string PrismaDevice(bool complete) {
    std::string t = "; PRISMA device file\r\n[Wavelengths]\r\n";
    const int channels[6] = {412, 440, 488, 510, 532, 555};
    for (int k = 0; k < 24; ++k)
        t += Format("w%d %d.7\r\n", k, k < 6 ? channels[k] : k < 8 ? 0 : kEmission[k - 8]);
    for (int i = 0; i < (complete ? 6 : 5); ++i) {
        t += Format("[%coffsets]\r\n", 'a' + i);
        for (int k = 0; k < 24; ++k)
            t += Format("o%d %g\r\n", k, k == 6 ? 0.1 * (i + 1) : k == 7 ? i + 1.0 : k >= 8 ? 0.5 * (k - 8) : 0);
    }
    t += "[reference]\r\n";
    for (int i = 0; i < 6; ++i) t += Format("r%d %g\r\n", i, kCalRef[i]);
    t += "ReceiveBin=4\r\n";
    if (complete) t += "userefs=1.9\r\n";
    return t + "depth_scale=0.01\r\ndepth_offset=0.5\r\n\r\n";
}

std::string PrismaFrame(bool highFirst) {
    std::string f(256, '\0');
    auto put = [&](int at, int v) {
        f[at] = static_cast<char>((v >> 8) & 0xFF);
        f[at + 1] = static_cast<char>(v & 0xFF);
    };
    f[0] = f[2] = static_cast<char>(0xFF);
    put(10, 1200);
    for (int i = 0; i < 6; ++i) {
        put(16 + 40 * i, static_cast<int>(kR[i]));
        put(18 + 40 * i, kS[i]);
        for (int k = 0; k < 16; ++k) put(20 + 40 * i + 2 * k, 100 * i + k - 3);
    }
    put(252, 1234);
    Checksum(f, highFirst);
    return f;
}

std::string PrismaRow(double time, bool complete) {
    std::string s = F("%1.0lf", time);
    for (int i = 0; i < 6; ++i) {
        const double entry6 = i < 5 || complete ? 0.1 * (i + 1) : 0, entry7 = i < 5 || complete ? i + 1.0 : 0;
        double a = entry7;
        if (kR[i] > 0 && kS[i] > 0) a = (entry6 - 3.8461538461538463 * std::log(double(kS[i]) / kR[i])) * 1000 + entry7;
        s += F("\t%5.3f", kR[i]) + F("\t%5.3f", a);
        const double scale = kR[i] > 0 && kCalRef[i] != 0 ? kCalRef[i] / kR[i] : 1.0;
        for (int k : kOrder) {
            double e = 100 * i + k - 3;
            if (complete) e = scale * e + 0.5 * k;
            s += F("\t%5.3f", e);
        }
    }
    return s + "\t12.34\t12.50\r\n";
}

std::string PrismaTitle() {
    std::string t = "Time(ms)";
    for (int w : {412, 440, 488, 510, 532, 555}) {
        t += Format("\t%dR\t%dA", w, w);
        for (int k : kOrder) t += Format("\t%d", kEmission[k]);
    }
    return t + "\tiTemp(C)\tDepth(m)\r\n";
}

std::string Copied(const std::string& device) {
    std::string out;
    for (size_t start = 0; start < device.size();) {
        size_t end = device.find("\r\n", start);
        if (end > start) out += device.substr(start, end - start) + "\r\n";
        start = end + 2;
    }
    return out;
}

TEST(AcMeters, PrismaRowsFollowEmissionOrderAndReferences) {
    Deployment d;
    d.Isf("11 PRISMA LAG=0 HAD=0 DEV=P.DEV\r\n12 PRISMA LAG=0 HAD=0 DEV=Q.DEV\r\n13 PRISMA\r\n");
    d.Esf(0, 1, 0, 0);
    WriteFile(d.Path("P.DEV"), PrismaDevice(true));
    WriteFile(d.Path("Q.DEV"), PrismaDevice(false));
    const std::string f1 = PrismaFrame(false), f2 = PrismaFrame(true);
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\x01\x02" + f1.substr(0, 100)}, {1, f1}, {2, f1}});
    b.Add(1, 2000, {{0, f1.substr(100) + f2.substr(0, 1)}, {1, f2}, {2, f2}});
    b.Add(1, 3000, {{0, f2.substr(1)}});
    d.Archive(b);
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err,
              "Prisma Device File Error: '[foffsets]' was NOT Found\n"
              "Prisma Device File Error: 'userefs=' was NOT Found\n"
              "Prisma Device File Error: A Prisma Device File was not Found\n"
              "Status:  Done with Extraction\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_11_PRISMA.000")),
              Copied(PrismaDevice(true)) + PrismaTitle() + PrismaRow(0, true) + PrismaRow(1000, true));
    // Without userefs the emissions are the counts; the missing section leaves channel 5 at 0.
    EXPECT_EQ(ReadFile(d.OutFile("test_12_PRISMA.000")),
              Copied(PrismaDevice(false)) + PrismaTitle() + PrismaRow(0, false) + PrismaRow(1000, false));
    EXPECT_EQ(ReadFile(d.OutFile("test_13_PRISMA.000")), "");
    const int lines = static_cast<int>(Count(Copied(PrismaDevice(true)), "\r\n"));
    EXPECT_NE(ReadFile(d.OutFile("test_MRG.000")).find(" PRISMA " + std::to_string(lines) + " 110\r\n"),
              std::string::npos);
    // Engineering PRISMA output leaves the channel's times alone.
    EXPECT_NE(ReadFile(d.OutFile("test_TO.000")).find("\n11\t0\t-1\t-1\n"), std::string::npos);
}

TEST(AcMeters, PrismaRawOutputOffsetsEveryFrameAndSetsNoFirstTime) {
    Deployment d;
    d.Isf("11 PRISMA LAG=0 HAD=0 DEV=P.DEV\r\n");
    d.Esf(0, 0, 0, 1);
    WriteFile(d.Path("P.DEV"), PrismaDevice(true));
    const std::string f1 = PrismaFrame(false), f2 = PrismaFrame(true);
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, f1}});
    b.Add(1, 2000, {{0, f2}});
    d.Archive(b);
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_11_PRISMA.000")),
              Copied(PrismaDevice(true)) + f1 + std::string(2, '\0') + f2 + std::string(2, '\0'));
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_TO.000")), TimeOffsets(11, "2000\t-1\t2000"));
}

}  // namespace
