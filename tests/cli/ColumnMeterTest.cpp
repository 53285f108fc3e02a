// End-to-end: column meters (ORB, ANALOG, CTD-ENGR) converted through their
// device files, whole output files compared.
#include <gtest/gtest.h>

#include <string>

#include "CliSupport.h"
#include "meters/Seawater.h"
#include "report/Reporter.h"
#include "../../tools/example/OrbExample.h"

namespace {

using namespace rixtest;

const char kOrbDev[] =
    "ORB fluorometer\r\nColumns=4\r\nDate=1\r\nTime=2\r\nCHL=3 0.0073 49 Chl\r\nBBX=4 2.0e-6 50 700\r\n";

// Channel 11: the first packet starts mid-line, a record spans two packets,
// the third record has a field too many.
ArchiveBuilder OrbArchive() {
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "12\r\n06/12/05\t00:00:01\t213\t"}});
    b.Add(1, 2000, {{0, "800\r\n06/12/05\t00:00:02\t149\t1050\r\n"}});
    b.Add(1, 3000, {{0, "06/12/05\t00:00:03\t149\t1050\t7\r\n06/12/05 00:00:04 49 50\r\n"}});
    return b;
}

TEST(ColumnMeters, OrbInEngineeringUnits) {
    Deployment d;
    // The device file is stored in lower case; the setup names it in upper case.
    WriteFile(d.Path("orb.dev"), kOrbDev);
    d.Isf("11 ORB LAG=0 HAD=0 DEV=orb.dev\r\n");
    d.Esf(0, 1, 0, 0);
    d.Archive(OrbArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_11_ORB.000")),
              "Time(ms)\tChl\tBeta(700)\tBetaP(700)\tbbP(700)\tbb(700)\r\n"
              "0\t1.197200\t0.001500\t0.001452\t0.010038\t0.010390\r\n"
              "1000\t0.730000\t0.002000\t0.001952\t0.013494\t0.013846\r\n"
              "2000\t0.000000\t0.000000\t-0.000048\t-0.000329\t0.000023\r\n");
}

TEST(ColumnMeters, MiscAsciiIsAColumnMeterThroughItsDeviceFile) {
    // The same records and device file as the ORB: the same rows, under the
    // channel's own keyword; raw output keeps the records with their blank line.
    Deployment d;
    WriteFile(d.Path("MISC.DEV"), kOrbDev);
    d.Isf("11 MISC-ASCII LAG=0 HAD=0 DEV=misc.dev\r\n");
    d.Esf(0, 1, 0, 0);
    d.Archive(OrbArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_11_MISC-ASCII.000")),
              "Time(ms)\tChl\tBeta(700)\tBetaP(700)\tbbP(700)\tbb(700)\r\n"
              "0\t1.197200\t0.001500\t0.001452\t0.010038\t0.010390\r\n"
              "1000\t0.730000\t0.002000\t0.001952\t0.013494\t0.013846\r\n"
              "2000\t0.000000\t0.000000\t-0.000048\t-0.000329\t0.000023\r\n");
    d.Esf(0, 0, 0, 0);
    r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_11_MISC-ASCII.000")),
              "06/12/05\t00:00:01\t213\t800\r\n\r\n06/12/05\t00:00:02\t149\t1050\r\n\r\n"
              "06/12/05 00:00:04 49 50\r\n\r\n");
}

TEST(ColumnMeters, RawOutputKeepsOnlyConvertedRecords) {
    Deployment d;
    WriteFile(d.Path("ORB.DEV"), kOrbDev);
    d.Isf("11 ORB DEV=ORB.DEV\r\n");
    d.Esf(0, 0, 0, 0);
    d.Archive(OrbArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_11_ORB.000")),
              "06/12/05\t00:00:01\t213\t800\r\n\r\n06/12/05\t00:00:02\t149\t1050\r\n\r\n"
              "06/12/05 00:00:04 49 50\r\n\r\n");
}

TEST(ColumnMeters, CtdModeComputesSalinity) {
    Deployment d;
    WriteFile(d.Path("CTD.DEV"),
              "CTD\r\nISCTD=YES\r\nColumns=4\r\nPRESSURE=1\r\nTEMPERATURE=2\r\nCONDUCTIVITY=3\r\n"
              "VOLTS=4\r\n");
    d.Isf("12 CTD-ENGR DEV=CTD.DEV\r\n");
    d.Esf(0, 1, 0, 2);
    ArchiveBuilder b;
    b.Add(1, 1000, {{1, "\r\n10.0, 15.0, 4.2914, 1.25\r\n"}});
    b.Add(1, 1500, {{1, "20.5, 9.5, 3.8, 0.5\r\n"}});
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_12_CTD-ENGR.000")),
              "Time(Secs)\tPressure\tTemp(C)\tConduct\tSalinity\tVoltage_0\r\n" +
                  rix::Format("0.000\t10.000000\t15.000000\t4.291400\t%8.6lf\t1.250000\r\n",
                              rix::PracticalSalinity(4.2914, 15.0 * 1.00024, 10.0)) +
                  rix::Format("0.500\t20.500000\t9.500000\t3.800000\t%8.6lf\t0.500000\r\n",
                              rix::PracticalSalinity(3.8, 9.5 * 1.00024, 20.5)));
}

TEST(ColumnMeters, BatteryCellClosesTheRow) {
    Deployment d;
    WriteFile(d.Path("BAT.DEV"), "Logger volts\r\nColumns=3\r\nENGR0=1 Temp\r\nBATTERY=2\r\nENGR0=3 Volts\r\n");
    d.Isf("13 ANALOG DEV=BAT.DEV\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    b.Add(1, 1000, {{2, "\r\n10.5 12.3 0.25\r\n"}});
    b.Add(1, 2000, {{2, "10.6 12.35 0.5\r\n"}});
    b.Add(1, 3000, {{2, "10.7 12.4 0.75\r\n"}});
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_13_ANALOG.000")),
              "Time(ms)\tTemp\tVolts\tBattery\r\n"
              "0\t10.500000\t0.250000\t12.300000\r\n"
              "1000\t10.600000\t0.500000\r\n"
              "2000\t10.700000\t0.750000\t12.400000\r\n");
}

TEST(ColumnMeters, ChannelWithoutDeviceFileWritesNoRowsAndWarnsOnce) {
    Deployment d;
    d.Isf("11 ORB\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    for (int i = 0; i < 9; ++i) b.Add(1, 1000 * (i + 1), {{0, "\r\n1 2"}});
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err,
              "Possible Mis-Match between Device File and Meter: Execution Error - Columns found 2 "
              "!= Columns Expected 0\nStatus:  Done with Extraction\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_11_ORB.000")), "");
}

TEST(ColumnMeters, MismatchCountRunsOnAcrossChannels) {
    // Three mismatched records on channel 11, three on channel 12: the sixth
    // in a row shows the message, during channel 12's pass.
    Deployment d;
    WriteFile(d.Path("TWO.DEV"), "Two\r\nColumns=2\r\nENGR0=1\r\nENGR0=2\r\n");
    d.Isf("11 ANALOG DEV=TWO.DEV\r\n12 ANALOG DEV=TWO.DEV\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\r\n1 2 3\r\n1 2 3\r\n1 2 3\r\n"}, {1, "\r\n7\r\n7\r\n7\r\n1 2\r\n"}});
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err,
              "Possible Mis-Match between Device File and Meter: Execution Error - Columns found 1 "
              "!= Columns Expected 2\nStatus:  Done with Extraction\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_12_ANALOG.000")), "Time(ms)\tE_Units\tE_Units\r\n0\t1.000000\t2.000000\r\n");
}

TEST(ColumnMeters, RawFileOfTabSeparatedRecords) {
    Deployment d;
    WriteFile(d.Path("ORB.DEV"), kOrbDev);
    d.Isf("11 ORB LAG=0 HAD=0 DEV=ORB.DEV\r\n");
    d.Esf(4, 0, 0, 0, 21, 0, 500);  // raw files are converted whatever the data output says
    WriteFile(d.Path("eco.raw"),
              "5\t1050\r\n06/12/05\t00:00:01\t213\t800\r\nbad\r\n06/12/05\t00:00:02\t149\t1050\r\n");
    RunResult r = d.Run({}, "eco.raw");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Raw File\n");
    EXPECT_EQ(ReadFile(d.OutFile("raw_eco_11_ORB.raw")),
              "Time(ms)\tChl\tBeta(700)\tBetaP(700)\tbbP(700)\tbb(700)\r\n"
              "0\t1.197200\t0.001500\t0.001452\t0.010038\t0.010390\r\n"
              "500\t0.730000\t0.002000\t0.001952\t0.013494\t0.013846\r\n");
}

TEST(ColumnMeters, ExampleOrbDeploymentConverts) {
    Deployment d;
    WriteFile(d.Path(rixexample::kOrbDeviceFileName), rixexample::OrbDeviceFile());
    d.Isf(std::string("15 ORB LAG=0 HAD=0 DEV=") + rixexample::kOrbDeviceFileName + "\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    for (int i = 0; i < 30; ++i)
        b.Add(1, 1000u * static_cast<uint32_t>(i + 1),
              {{4, rixexample::OrbRecord(i, 86399000.0 + 1000.0 * i)}});
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");
    std::string out = ReadFile(d.OutFile("test_15_ORB.000"));
    EXPECT_EQ(out.substr(0, out.find('\n') + 1),
              "Time(ms)\tChl(ug/l)\tBeta(700)\tBetaP(700)\tbbP(700)\tbb(700)\r\n");
    int rows = 0;
    for (char c : out) rows += c == '\n';
    EXPECT_EQ(rows, 30);  // the header and 29 records: the first is cut at the pass's start
    EXPECT_EQ(rixexample::OrbRecord(1, 86400000.0).substr(0, 18), "06/13/05\t00:00:00\t");
}

}  // namespace
