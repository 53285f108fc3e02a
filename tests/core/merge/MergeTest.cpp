#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cmath>

#include "MergeSupport.h"
#include "merge/TextReader.h"
#include "meters/Seawater.h"
#include "utilities/FileIo.h"

namespace {

using rixtest::MergeFixture;
using rixtest::ReadFile;

TEST_F(MergeFixture, SteppingPairsEachBaseRowWithTheNearerMergeRow) {
    struct Case {
        const char* name;
        int mode, cast;
        const char* base;
        const char* merge;
        const char* expected;
    } cases[] = {
        // Base 0 lies before the window, 100 ties and takes merge row 2, 200 ends it.
        {"example", 2, 0, "0\t1\r\n100\t2\r\n200\t3\r\n", "40\t7\r\n160\t8\r\n", "100\t2.000000\t8.000000\t160.000000\r\n"},
        {"equal keys", 2, 0, "40\t1\r\n160\t2\r\n", "40\t7\r\n160\t8\r\n",
         "40\t1.000000\t7.000000\t40.000000\r\n160\t2.000000\t8.000000\t160.000000\r\n"},
        {"equal to both", 2, 0, "100\t1\r\n", "100\t7\r\n100\t8\r\n", "100\t1.000000\t7.000000\t100.000000\r\n"},
        {"nearer", 2, 0, "50\t1\r\n150\t2\r\n", "40\t7\r\n160\t8\r\n",
         "50\t1.000000\t7.000000\t40.000000\r\n150\t2.000000\t8.000000\t160.000000\r\n"},
        // The last line has no line end and is still a row; a short row without
        // the key is passed over.
        {"no last line end", 2, 0, "100\t1\r\nx\r\n120\t2", "40\t7\r\n160\t8\r\n",
         "100\t1.000000\t8.000000\t160.000000\r\n120\t2.000000\t8.000000\t160.000000\r\n"},
        {"down cast", 1, 1, "1\t1\r\n5\t2\r\n9\t3\r\n", "2\t7\r\n6\t8\r\n10\t9\r\n",
         "5\t2.000000\t8.000000\t6.000000\r\n9\t3.000000\t9.000000\t10.000000\r\n"},
        {"up cast", 1, 2, "10\t1\r\n8\t2\r\n6\t3\r\n", "9\t7\r\n7\t8\r\n", "8\t2.000000\t8.000000\t7.000000\r\n"},
    };
    for (const Case& c : cases) {
        rep.Clear();
        setup = rix::MergeSetup();
        setup.castDirection = c.cast;
        rix::MergePair& p = TimePair(0, "b", "m", "iBTIME B2 M2 iMTIME");
        p.mergeMode = c.mode;
        if (c.mode == 1) p.base.offsetUnits = p.merge.offsetUnits = 0;
        File("b.txt", c.base);
        File("m.txt", c.merge);
        ASSERT_EQ(Run(), 1) << c.name << " " << Box();
        EXPECT_EQ(Out(1), c.expected) << c.name;
        EXPECT_TRUE(rep.boxes.empty()) << c.name << " " << Box();
        EXPECT_EQ(rep.statuses, (std::vector<std::string>{"Merging", "Merge is Complete"}));
    }
}

TEST_F(MergeFixture, OffsetsInCentimetresAndMilliseconds) {
    setup.castDirection = 1;
    rix::MergePair& p = TimePair(0, "b", "m", "B1 M1");
    p.mergeMode = 1;
    p.base.offsetUnits = p.merge.offsetUnits = 0;
    p.base.offset = 150;  // 10.0 m becomes 8.5 m, in the comparison and in the row
    File("b.txt", "10.0\r\n");
    File("m.txt", "8.0\r\n9.0\r\n");
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), "8.500000\t9.000000\r\n");

    setup = rix::MergeSetup();
    rix::MergePair& t = TimePair(0, "b", "m", "iBTIME iMTIME");
    t.merge.offset = 50;
    File("b.txt", "100\r\n");
    File("m.txt", "80\r\n200\r\n");  // 30 and 150 after the offset
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), "100\t150.000000\r\n");
}

TEST_F(MergeFixture, OffsetUnitsThatDoNotFitTheMergeEndTheRun) {
    rix::MergePair& p = TimePair(0, "b", "m", "B1");
    File("b.txt", "1\r\n");
    File("m.txt", "1\r\n2\r\n");
    p.mergeMode = 1;
    setup.castDirection = 1;
    p.merge.offsetUnits = 0;  // the base keeps ms
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Box(), "Error with Base Offset Units: Cannot select Offset Units of 'Time' when merging on Depth");
    EXPECT_EQ(rep.statuses.back(), "Merge Ended by an Error");
    rep.Clear();
    p.mergeMode = 2;
    p.base.offsetUnits = 1;
    p.merge.offsetUnits = 2;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Box(), "Error with Merge Offset Units: Cannot select Offset Units of 'Depth' when merging on Time");
}

TEST_F(MergeFixture, HeaderTitlesNoppOutputAndDerivedCtdValues) {
    rix::MergePair& p = TimePair(0, "b", "m", "iBTIME B2 M2 iCOND iTEMP iPRES iSAL iSIGMA-T iDEN iZERO iBSECS");
    p.base.headerRows = p.merge.headerRows = 2;
    p.base.headerUse = p.merge.headerUse = 1;
    p.condColumn = 5002;
    p.tempColumn = 5003;
    p.presColumn = 5004;
    p.pressureOffset = 1.5;
    // 15 degrees on the 1968 scale, as the file holds it.
    const double t = std::stod(rix::Format("%.12f", 15.0 / 1.00024));
    File("b.txt", "first line\r\nTime,Depth\r\n100\t5\r\n");
    File("m.txt", "skipped\r\nT(ms) C\tT  P\r\n90\t4.2914\t" + rix::Format("%.12f", t) + "\t1.5\r\n200\t0\t0\t0\r\n");
    ASSERT_EQ(Run(), 1) << Box();
    const double sal = rix::PracticalSalinity(4.2914, t * 1.00024, 0);
    const std::string values =
        rix::Format("100\t5.000000\t4.291400\t4.291400\t%lf\t0.000000\t%lf\t%lf\t%lf\t0.000000\t0.100000\r\n", t,
                    sal, rix::Density(sal, t, 0) - 1000, rix::Density(sal, t, 0));
    EXPECT_EQ(Out(1), "Time(ms)\tDepth\tC\tC(mmohm)\tTemp-C\tP(dbars)\tSal(PSU)\tSigma-T\tDensity\tSpare\t\r\n" + values);
    EXPECT_NE(values.find("\t35.000000\t"), std::string::npos);

    p.outputFormat = 1;
    p.displayOrder = "iBTIME B2";
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Out(1), "Time(ms)\r\nDepth\r\n\r\n100.0000000       5.0000000         \r\n");
}

TEST_F(MergeFixture, PlaceholdersMakeNoDerivedValues) {
    // No temperature: no salinity from conductivity, and no density, sigma-t or oxygen.
    rix::MergePair& p = TimePair(0, "b", "m", "iSAL iSIGMA-T iDEN iCOND iTEMP iPRES M9");
    p.condColumn = 5002;
    p.presColumn = 5003;
    File("b.txt", "100\r\n");
    File("m.txt", "90\t4.2\t10\r\n200\t4.2\t10\r\n");
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), "9999.000000\t99999.000000\t99999.000000\t9999.000000\t9999.000000\t10.000000\t9999.000000\r\n");
}

TEST_F(MergeFixture, AnalogUnitsAreTitles) {
    File("fl.dev", "MORSTAR\r\nUNITS=ug/l\r\nVBLANK=0.5\r\nSCALE=10\r\n");
    rix::MergePair& p = TimePair(0, "b", "m", "iBTIME iV1 iV2");
    p.merge.headerRows = 1;
    p.merge.headerUse = 1;
    p.analogColumn[0] = 5002;
    p.analogDeviceFile[0] = dir.file("fl.dev");
    File("b.txt", "100\r\n");
    File("m.txt", "t v\r\n90\t1.5\r\n200\t2\r\n");
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), "Time(ms)\tug/l\tVolts\r\n100\t10.000000\t9999.900000\r\n");
}

TEST_F(MergeFixture, AppendKeepsTheLastHeaderRowAndChainsIntoALaterPair) {
    rix::MergePair& p = TimePair(0, "b", "m", "B1");
    p.mergeMode = 3;
    p.base.headerRows = 2;
    p.base.headerUse = 1;
    p.merge.headerRows = 1;
    // A header line over 998 characters is one line; the base's last line has no line end.
    File("b.txt", std::string(1500, 'h') + "\r\nTime\tX\r\n1\t2\r\n3\t4");
    File("m.txt", "Time\tY\r\n5\t6\r\n");
    // Pair 2 merges pair 1's output on time with a third file.
    rix::MergePair& q = TimePair(1, "unused", "c", "B1 B2 M2");
    q.base.sourceKind = 1;
    q.base.pairNumber = 1;
    q.base.headerRows = 1;
    File("c.txt", "0\t7\r\n10\t8\r\n");
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), "Time\tX\r\n1\t2\r\n3\t4\r\n5\t6\r\n");
    EXPECT_EQ(Out(2), "1.000000\t2.000000\t7.000000\r\n3.000000\t4.000000\t7.000000\r\n5.000000\t6.000000\t8.000000\r\n");
}

TEST_F(MergeFixture, ChannelFilesComeFromTheWorkingFile) {
    channels = {{11, dir.file("with blank_11_CTD.007")}, {21, dir.file("fl_21_ANALOG.007")}};
    File("with blank_11_CTD.007", "0\t1\r\n100\t2\r\n");
    File("fl_21_ANALOG.007", "0\t5\r\n100\t6\r\n");
    rix::MergePair& p = setup.pairs[2];
    p.mergeMode = 2;
    p.base.channelId = 11;
    p.merge.channelId = 21;
    p.base.keyColumn = p.merge.keyColumn = 1;
    p.base.offsetUnits = p.merge.offsetUnits = 1;
    p.displayOrder = "B2 M2";
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(3), "1.000000\t5.000000\r\n2.000000\t6.000000\r\n");
}

TEST_F(MergeFixture, WorkingFileRecords) {
    auto read = [&](const std::string& text) {
        File("w_MRG.001", text);
        std::FILE* f = std::fopen(dir.file("w_MRG.001").c_str(), "rb");
        int ok = rix::ReadMergeWorkingFile(ctx, f);
        std::fclose(f);
        return ok;
    };
    ASSERT_EQ(read("003 4 cast \r\n12 12 /a b/c d.txt SBE19 1 5\r\nbad\r\n77 3 abc X\r\n13 600 x\r\n14 3 xyz"), 1);
    EXPECT_EQ(ctx.merge.extractionNumber, 3);
    EXPECT_EQ(ctx.merge.runBaseName, "cast");
    EXPECT_EQ(ctx.merge.channelFiles[12].path, "/a b/c d.txt");
    EXPECT_EQ(ctx.merge.channelFiles[14].path, "xyz");
    EXPECT_EQ(ctx.merge.channelFiles[13].id, 0);
    ASSERT_EQ(rep.boxes.size(), 2u);
    EXPECT_EQ(Box(0), "Invalid Record in MRG file: bad");
    EXPECT_EQ(Box(1), "Invalid Record in MRG file: 13 600 x");
    rep.Clear();
    EXPECT_EQ(read("x cast\r\n"), 0);
    EXPECT_EQ(Box(), "Invalid Directory/Filename in MRG File: x cast");
}

TEST_F(MergeFixture, AFailedRunMergesNothingLeftInMemory) {
    // An earlier setup in memory is not merged when the file cannot be read.
    ctx.merge.setup.pairs[0].mergeMode = 2;
    File("setup.msf", "1.0\r\n");
    File("cast_MRG.007", "007 4 cast \r\n");
    EXPECT_EQ(rix::MergeFiles(ctx, dir.file("setup.msf"), dir.file("cast_MRG.007"), dir.path(), dir.path()), 0);
    EXPECT_EQ(rep.statuses.back(), "Merge Ended by an Error");
    File("setup.msf", rix::MsfText(setup));
    File("cast_MRG.007", "");
    EXPECT_EQ(rix::MergeFiles(ctx, dir.file("setup.msf"), dir.file("cast_MRG.007"), dir.path(), dir.path()), 0);
    EXPECT_EQ(rix::MergeFiles(ctx, dir.file("setup.msf"), dir.file("none"), dir.path(), dir.path()), 0);
    EXPECT_EQ(Box(2), "Setup Merge File Error: Unable to open " + dir.file("none"));
}

TEST_F(MergeFixture, EditedIndicesAreChecked) {
    struct Case {
        const char* name;
        void (*edit)(rix::MergePair&);
        const char* box;
        int result;
    } cases[] = {
        {"key 0", [](rix::MergePair& p) { p.base.keyColumn = 0; }, "Error with Base Key Column: Key Column 0 of Pair 1 is Invalid, Must be 1 to 500", 1},
        {"key 501", [](rix::MergePair& p) { p.merge.keyColumn = 501; }, "Error with Merge Key Column: Key Column 501 of Pair 1 is Invalid, Must be 1 to 500", 1},
        {"channel 50", [](rix::MergePair& p) { p.base.sourceKind = 0; p.base.channelId = 50; }, "Merge File Error: No Base File for Pair 1", 1},
        {"no merge file", [](rix::MergePair& p) { p.merge.fileName.clear(); }, "Merge File Error: No Merge File for Pair 1", 1},
        {"own output", [](rix::MergePair& p) { p.merge.sourceKind = 1; p.merge.pairNumber = 1; }, nullptr, 0},
        {"cast direction", [](rix::MergePair& p) { p.mergeMode = 1; p.base.offsetUnits = p.merge.offsetUnits = 0; }, "Error with Cast Direction: Select Down Cast or Up Cast to merge Pair 1 on Depth", 1},
        {"time series format", [](rix::MergePair& p) { p.outputFormat = 2; }, "HD: Time Series Output Format is not Available", 1},
        {"header size", [](rix::MergePair& p) { p.merge.keyColumn = 3; }, nullptr, 0},
    };
    for (const Case& c : cases) {
        rep.Clear();
        setup = rix::MergeSetup();
        rix::MergePair& p = TimePair(0, "b", "m", "B1");
        File("b.txt", "1\r\n");
        File("m.txt", "1\r\n2\r\n");
        File("cast_pair_01.007", "old");
        c.edit(p);
        EXPECT_EQ(Run(), c.result) << c.name;
        ASSERT_EQ(rep.boxes.size(), 1u) << c.name << " " << Box();
        if (c.box) {
            EXPECT_EQ(Box(), c.box) << c.name;
        }
    }
    EXPECT_EQ(Box(), "Aborting Merge On Pair 1: Unable to Process 1st Record in Merge File " + dir.file("m.txt") +
                         ", Check the Header Size");
    // The refused pair truncated nothing.
    rep.Clear();
    setup = rix::MergeSetup();
    TimePair(0, "b", "m", "B1").merge.sourceKind = 1;
    setup.pairs[0].merge.pairNumber = 1;
    File("cast_pair_01.007", "old");
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Box(), "Merge File Error: Output File '" + dir.file("cast_pair_01.007") +
                         "' of Pair 1 is also one of its Input Files");
    EXPECT_EQ(Out(1), "old");
}

TEST_F(MergeFixture, ModesThatWriteNoRowsAndAFixedWindow) {
    rix::MergePair& p = TimePair(0, "b", "m", "B1 M2");
    File("b.txt", "1\r\n2\r\n");
    File("m.txt", "0\t5\r\n9\t6\r\n");
    p.mergeMode = 4;
    ASSERT_EQ(Run(), 1);
    EXPECT_TRUE(rixtest::FileExists(dir.file("cast_pair_01.007")));
    EXPECT_EQ(Out(1), "");
    // Without a merge channel every base row falls in the fixed window.
    p.mergeMode = 2;
    p.merge.channelId = 0;
    File("m.txt", "50\t5\r\n90\t6\r\n");
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), "1.000000\t5.000000\r\n2.000000\t5.000000\r\n");
}

TEST_F(MergeFixture, RowsAndReferencesBeyondTheRowAreMissing) {
    rix::MergePair& p = TimePair(0, "b", "m", "B1 B3 M3 B600 M600 B5001 iTEMP");
    p.tempColumn = 600;
    File("b.txt", "10\t1\t2\r\n20\t3\r\n");  // the second row is short
    File("m.txt", "0\t5\t6\r\n100\t7\r\n");
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(Out(1), "10.000000\t2.000000\t6.000000\t9999.000000\r\n20.000000\t9999.000000\t6.000000\t9999.000000\r\n");
    std::vector<std::string> boxes;
    for (size_t i = 0; i < rep.boxes.size(); ++i) boxes.push_back(Box(i));
    const std::string t = "Warning -- Invalid Display Order Parameter: Parameter '";
    EXPECT_EQ(boxes, (std::vector<std::string>{t + "B600' is Invalid", t + "M600' is Invalid", t + "B5001' is Invalid",
                                               t + "B600' is Invalid"}));
}

TEST_F(MergeFixture, AWideRowIsOneLine) {
    std::string row = "1";
    for (int i = 2; i <= 500; ++i) row += rix::Format("\t%d.123456789", i);  // over 5000 characters
    TimePair(0, "b", "m", "B500 M1");
    File("b.txt", row + "\r\n" + row + "\r\n");
    File("m.txt", "0\r\n5\r\n");
    ASSERT_EQ(Run(), 1) << Box();
    EXPECT_EQ(Out(1), "500.123457\t0.000000\r\n500.123457\t0.000000\r\n");
}

TEST_F(MergeFixture, UnwritableOutputEndsTheRun) {
    rix::MergePair& p = TimePair(0, "b", "m", "B1");
    File("b.txt", "1\r\n");
    File("m.txt", "1\r\n2\r\n");
    (void)p;
    mkdir(dir.file("cast_pair_01.007").c_str(), 0755);  // a folder where the output goes
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(Box(), "Merged Output File Error: Unable to open " + dir.file("cast_pair_01.007"));
}

TEST(MergeRows, FieldsThatReadAsNumbers) {
    rixtest::TempDir dir;
    rixtest::WriteFile(dir.file("r.txt"), "12.5, abc, 7 +4.25 .5 -2e1 13.5kg Info inf nan 0x1A 1e999\r\n");
    rix::TextReader reader;
    ASSERT_TRUE(reader.Open(dir.file("r.txt")));
    rix::MergeRow row;
    ASSERT_EQ(rix::ReadDataRow(reader, row, 1, 1.0, 2.0), 8);
    const double expected[] = {12.5, 5, 4.25, 0.5, -20, 13.5, 0, HUGE_VAL};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(row.values[i], expected[i]) << i;
    EXPECT_EQ(rix::ReadDataRow(reader, row, 1, 1.0, 2.0), 0);
    EXPECT_EQ(row.count, 8);  // unchanged at the end of the file
    EXPECT_TRUE(reader.AtEnd());
}

}  // namespace

namespace {

// A merged file that cannot be written whole is not left under its name,
// and the merge does not say it is complete.
TEST_F(MergeFixture, AFullDiskLeavesNoMergedFileAndNoSuccessText) {
    TimePair(0, "b", "m", "iBTIME B2 M2 iMTIME");
    std::string base, merge;
    for (int i = 0; i < 20000; ++i) {
        base += std::to_string(10 * i) + "\t1\r\n";
        merge += std::to_string(10 * i + 5) + "\t2\r\n";
    }
    File("b.txt", base);
    File("m.txt", merge);
    File("cast_pair_01.007", "earlier merge\r\n");
    rix::SetOutputWriteLimitForTesting(4096, ENOSPC);
    EXPECT_EQ(Run(), 0);
    rix::SetOutputWriteLimitForTesting(-1, ENOSPC);
    EXPECT_EQ(Box(), "Merged Output File Error: Unable to write " + dir.file("cast_pair_01.007") +
                         ": No space left on device");
    EXPECT_EQ(rep.statuses, (std::vector<std::string>{"Merging", "Merge Ended by an Error"}));
    EXPECT_EQ(Out(1), "earlier merge\r\n");
}

}  // namespace
