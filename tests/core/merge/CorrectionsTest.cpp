#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#include "MergeSupport.h"
#include "merge/Corrections.h"
#include "utilities/Decimal.h"

namespace {

using rixtest::MergeFixture;

// An NX9 file: 31 header lines with the 18 channel lines, then one row.
// Column 1 a412 = 1.0, its partner column 10 c412 = 2.0, the reference
// columns 3 a440 = 0.5 and 12 c440 = 2.5.
std::string Nx9File() {
    const char* names[18] = {"a412", "a420", "a440", "c500", "c510", "c520", "a500", "a510", "a520",
                             "c412", "c420", "c440", "a600", "a610", "a620", "c600", "c610", "c620"};
    std::string text = "MorView ver 99.0A\t01-01-2000\t00:00:00 Create By RIX v4.XX\r\nNX9 1\r\n";
    for (int i = 0; i < 10; ++i) text += "1\r\n";
    for (const char* n : names) text += std::string(n) + "\t0\t0.1\r\n";
    text += "1\t\t; aquisition bin size\r\n";
    std::string row = "100";
    for (int c = 1; c <= 18; ++c) row += c == 1 ? "\t1.0" : c == 10 ? "\t2.0" : c == 3 ? "\t0.5" : c == 12 ? "\t2.5" : "\t0";
    return text + row + "\t20.1\t0\t3.2\t0\t0\r\n";
}

struct CorrectionFixture : MergeFixture {
    rix::MergePair& Nx9Pair(const std::string& order, int flags, int method) {
        File("t.cor", "412 0.01\r\n440 0.02\r\n");
        File("s.cor", "412 0.001 0.002\r\nbad line\r\n440 0.003 0.004\r\n");
        File("ch2o.cor", "412 0.1 0.2\r\n440 0.3 0.4\r\n");
        rix::MergePair& p = TimePair(0, "nx9", "ctd", order);
        p.base.meterType = 1;
        p.base.headerRows = 31;
        p.base.calTemperature = 2000;
        p.tempColumn = 5002;
        p.salColumn = 5003;
        p.correctionFlags = flags;
        p.scatterMethod = method;
        File("nx9.txt", Nx9File());
        File("ctd.txt", "90\t25\t35\r\n200\t25\t35\r\n");
        return p;
    }
};

TEST_F(CorrectionFixture, EachCorrectionAgainstHandValues) {
    const double a = 0.9 - 5 * 0.01 - 35 * 0.001, c = 1.8 - 5 * 0.01 - 35 * 0.002;
    const double aRef = 0.2 - 5 * 0.02 - 35 * 0.003, cRef = 2.1 - 5 * 0.02 - 35 * 0.004;
    struct Case {
        int flags, method;
        const char* order;
        std::string expected;
    } cases[] = {
        {1, 0, "B2 B11", "0.950000\t1.950000"},                    // temperature: -(25 - 20) x coefficient
        {2, 0, "B2 B11", "0.965000\t1.930000"},                    // salinity: "a" and "c" coefficients
        {3, 0, "B2", "0.915000"},
        {8, 0, "B2 B11 B4", "0.900000\t1.800000\t0.200000"},       // clean water, once
        {4, 1, "B2", "0.500000"},                                  // a - a_ref
        {4, 2, "B2 B11", "0.860000\t2.000000"},                    // a - 0.14 (c - a); c columns unchanged
        {4, 3, "B2 B4", "0.750000\t0.000000"},                     // proportional; the reference gives 0
        {15, 3, "B2", rix::Format("%lf", a - aRef * (c - a) / (cRef - aRef))},
    };
    for (const Case& k : cases) {
        rep.Clear();
        setup = rix::MergeSetup();
        Nx9Pair(k.order, k.flags, k.method);
        ASSERT_EQ(Run(), 1) << Box();
        EXPECT_EQ(Out(1), k.expected + "\r\n") << k.flags << " " << k.method;
        EXPECT_TRUE(rep.boxes.empty()) << Box();
    }
}

TEST_F(CorrectionFixture, Nx9TitlesAndMissingCorrectionFiles) {
    rix::MergePair& p = Nx9Pair("iBTIME B2 B4 B19 B20 B21 B22", 0, 0);
    p.base.headerUse = 1;
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Out(1), "Time(ms)\ta412__\ta440__\tc620__\tI-Temp\t__N/A__\tP(dbars)\r\n"
                      "100\t1.000000\t0.500000\t0.000000\t20.100000\t0.000000\t3.200000\r\n");
    p.correctionFlags = 1;
    p.tCorFile = "none.cor";
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Box(0), "Clean Temperature Correction File File Error: Unable to open " + dir.file("none.cor"));
    EXPECT_EQ(Box(1), "Temperature Correction File is Missing: Unable to find file 'none.cor'");
}

TEST_F(CorrectionFixture, ConfigurationMessagesAreShownOnce) {
    rix::MergePair& p = Nx9Pair("B2 B4", 3, 0);
    p.tempColumn = -1;  // no temperature: nothing is corrected
    p.base.calSalinity = 100;
    std::string nx9 = Nx9File();
    std::string row = nx9.substr(nx9.rfind("100\t"));
    File("nx9.txt", nx9 + row + row);
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Out(1), "1.000000\t0.500000\r\n1.000000\t0.500000\r\n1.000000\t0.500000\r\n");
    ASSERT_EQ(rep.boxes.size(), 1u) << Box(1);
    EXPECT_EQ(rep.boxes[0].title, "Merge Configuration Error: Temperature Corrections Not Applied");
    // With a temperature and salinity the reference salinity warning shows, once.
    rep.Clear();
    p.tempColumn = 5002;
    ASSERT_EQ(Run(), 1);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(Box(), "Merge Configuration Warning: Reference Salinity is suspect: Factory Calibration is at 0 "
                     "PSU\n\nPlease check that the Cal @ = 1.00000 PSU is correct");
}

TEST_F(CorrectionFixture, CleanWaterOnEveryRowWhateverItsTime) {
    rix::MergePair& p = Nx9Pair("B1 B2", 8, 0);
    std::string nx9 = Nx9File();
    std::string head = nx9.substr(0, nx9.rfind("100\t"));
    std::string row = nx9.substr(nx9.rfind("100\t") + 3);
    // Second time stamps: the rows share the integer part of column 0.
    File("nx9.txt", head + "100.25" + row + "100.5" + row);
    p.base.offsetUnits = 1;
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Out(1), "100.250000\t0.900000\r\n100.500000\t0.900000\r\n");
}

TEST(Corrections, NearestRowAndColumnGroups) {
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    ctx.merge.salinity = {{412, 0, 0}, {440, 0, 0}, {20000, 0, 0}};
    EXPECT_EQ(rix::NearestCorrectionRow(ctx, 1, 426), 0);  // a tie goes to the first row
    EXPECT_EQ(rix::NearestCorrectionRow(ctx, 1, 439), 1);
    EXPECT_EQ(rix::NearestCorrectionRow(ctx, 1, 19000), 2);
    ctx.merge.salinity = {{20000, 0, 0}, {30000, 0, 0}};
    EXPECT_EQ(rix::NearestCorrectionRow(ctx, 1, 0), 0);  // too far: row 0
    EXPECT_EQ(rix::ColumnWavelength("c412__"), 412);
    EXPECT_EQ(rix::ColumnWavelength("No_Header"), 0);
    EXPECT_EQ(rix::AttenuationPartner(1), 10);
    EXPECT_EQ(rix::AttenuationPartner(9), 18);
    EXPECT_EQ(rix::AttenuationPartner(13), 4);
    // Proportional method with c_ref = a_ref cannot be computed.
    rix::MergeRow row;
    row.count = 19;
    row.values[3] = row.values[12] = 0.5;
    EXPECT_EQ(rix::ScatterCorrection(ctx, row, 1, 1.0, 3, rix::TsInputs()), 9999.9);
}

struct OxygenFixture : MergeFixture {
    // Base: time, oxygen current or voltage, oxygen temperature; merge: CTD T, S, P.
    void Pair(const std::string& order, const std::string& device, const std::string& base) {
        File("ox.dev", device);
        rix::MergePair& p = TimePair(0, "ox", "ctd", order);
        // iSBE43 files live in the device-file folder, iSBE23 files are named as they are.
        p.oxDeviceFile = order.find("23") != std::string::npos ? dir.file("ox.dev") : "ox.dev";
        p.oxCurrentColumn = 2;
        p.oxTempColumn = 3;
        p.tempColumn = 5002;
        p.salColumn = 5003;
        p.presColumn = 5004;
        File("ox.txt", base);
        File("ctd.txt", "0\t10\t35\t100\r\n100000\t10\t35\t100\r\n");
    }
};

TEST_F(OxygenFixture, Sbe43AgainstHandValues) {
    // Weiss: 6.3185 ml/l at 10 degrees and 35 PSU.
    EXPECT_NEAR(rix::OxygenSolubility(10, 35), 6.3185, 0.0005);
    Pair("iSBE43", "SBE=43\r\nSN=1234\r\nSoc=0.5\r\nVoffset=-0.5\r\nBoc=0\r\n", "1\t0.5\t0\r\n");
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), "0.000000\r\n");
    Pair("iSBE43", "soc=0.4\r\nBoc=0.01\r\nVoffset=-0.5\r\nTCor=0.001\r\nPCor=1.35e-4\r\n", "1\t2.0\t0\r\n");
    ASSERT_EQ(Run(), 1) << Box();
    const double expected = rix::OxygenSolubility(10, 35) * std::exp(0.001 * 10 + 1.35e-4 * 100) *
                            (0.4 * (2.0 - 0.5) + 0.01 * std::exp(-0.03 * 10));
    EXPECT_EQ(Out(1), rix::Format("%lf\r\n", expected));
    EXPECT_NEAR(expected, 6.3185 * 1.023778 * 0.6074082, 0.0005);
}

TEST_F(OxygenFixture, Sbe23SlopeWindow) {
    const std::string device = "Soc=1e-6\r\nBoc=0\r\ntau=1\r\nm=1\r\nb=0\r\nk=1\r\nc=0\r\nwt=0\r\n";
    const std::string rows = "1\t1\t5\r\n2\t2\t5\r\n3\t4\t5\r\n";
    const double o = rix::OxygenSolubility(10, 35);
    // 2 samples at 1 Hz: slopes 0, 8e6 and 16e6 per second over 125 ms steps.
    Pair("iSBE23", device + "CTD-Hz=1\r\n", rows);
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), rix::Format("%lf\r\n%lf\r\n%lf\r\n", 1 * o, (2 + 8) * o, (4 + 16) * o));
    // 3 samples at 2 Hz: the third slope fits all three points.
    Pair("iSBE23", device + "CTD-Hz=2\r\n", rows);
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), rix::Format("%lf\r\n%lf\r\n%lf\r\n", 1 * o, (2 + 8) * o, (4 + 12) * o));
    EXPECT_EQ(ctx.merge.sbe23Time, 6 * 125);  // never reset
}

TEST_F(OxygenFixture, BadDeviceFilesAndCoefficientsDoNotLeak) {
    Pair("iSBE23", "CTD-Hz=3\r\n", "1\t1\t5\r\n");
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Out(1), "9999.000000\r\n");
    ASSERT_EQ(rep.boxes.size(), 2u);
    EXPECT_EQ(Box(0), "DO Sensor Device File Error: CTD-Hz Error, Must be 1, 2, 4, 8, or 16");
    EXPECT_EQ(Box(1), "Device File Error: Error with Device File " + dir.file("ox.dev"));
    EXPECT_EQ(ctx.merge.oxygen.window, 2);
    // The next file starts from the defaults.
    File("good.dev", "Soc=1\r\n");
    EXPECT_EQ(rix::ReadOxygenDeviceFile(ctx, 43, dir.file("good.dev")), 1);
    EXPECT_EQ(ctx.merge.oxygen.window, 0);
    rep.Clear();
    Pair("iSBE43", "Soc=x\r\n", "1\t1\t5\r\n");
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Out(1), "9999.000000\r\n");
    EXPECT_EQ(Box(), "Device File Error: Error with Device File " + dir.file("ox.dev"));
}

TEST(DisplayOrder, CodesWarningsAndTheCap) {
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    rix::MergePair p;
    p.displayOrder = "B1-3,M2 iTEMP itempx B3-3 x iv8 ISIGMA iBT iPID";
    rix::BuildDisplayColumns(ctx, p, ".");
    EXPECT_EQ(p.displayColumns, (std::vector<int>{0, 1, 2, 5001, 10013, 10013, 10108, 10002, 10004, 10200}));
    ASSERT_EQ(rep.boxes.size(), 2u);
    EXPECT_EQ(rep.boxes[0].title, "Warning -- Invalid Display Order Parameter");
    EXPECT_EQ(rep.boxes[0].text, "Parameter 'B3-3' is Invalid");
    EXPECT_EQ(rep.boxes[1].text, "Parameter 'x' is Invalid");
    rep.Clear();
    p.displayOrder = "B1-499 M1-3 iZERO";
    rix::BuildDisplayColumns(ctx, p, ".");
    ASSERT_EQ(p.displayColumns.size(), 500u);
    EXPECT_EQ(p.displayColumns.back(), 5000);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].text, "Parameter 'iZERO' is Invalid");
}

TEST(Decimal, SameDigitsAsTheCLibrary) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        double v = spread(random) / (i % 7 == 0 ? 1e5 : 1.0);
        char text[64];
        std::snprintf(text, sizeof text, "%.*g", 1 + i % 17, v);
        double mine = 0;
        ASSERT_NE(rix::ScanDecimal(text, text + std::strlen(text), mine), nullptr) << text;
        EXPECT_EQ(mine, std::strtod(text, nullptr)) << text;
        std::string printed;
        rix::AppendFixed(printed, mine, 6);
        EXPECT_EQ(printed, rix::Format("%lf", mine)) << text;
    }
    for (double v : {0.0000005, 0.0000015, 2.5e-7, -0.0, 1e300, 123456789.1234565}) {
        std::string printed;
        rix::AppendFixed(printed, v, 6);
        EXPECT_EQ(printed, rix::Format("%lf", v));
    }
}

}  // namespace
