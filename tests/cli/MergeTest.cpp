// End-to-end: an extraction that asks for merged files, and `rix merge` on
// the working file it left.
#include <gtest/gtest.h>

#include <string>

#include "CliSupport.h"
#include "setup/Msf.h"

namespace {

using namespace rixtest;

void TwoChannelDeployment(Deployment& d) {
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\r\n1 10\r\n"}, {1, "\r\n2 20\r\n"}});
    b.Add(1, 2000, {{0, "3 30\r\n"}, {1, "4 40\r\n"}});
    d.Archive(b);
    d.Isf("11 T_ASCII LAG=0 HAD=0 DEV= \r\n12 T_ASCII LAG=0 HAD=0 DEV= \r\n");
    // Engineering output, merged files, milliseconds from the start of the file.
    WriteFile(d.Path("setup.esf"), "ESF Version=1.1\r\n0 1 0 0 1 0 0 0 21 0 250\r\n");
    rix::MergeSetup s;
    rix::MergePair& p = s.pairs[0];
    p.mergeMode = 2;
    p.base.channelId = 11;
    p.merge.channelId = 12;
    p.base.keyColumn = p.merge.keyColumn = 1;
    p.base.offsetUnits = p.merge.offsetUnits = 1;
    p.displayOrder = "iBTIME B2 M3";
    WriteFile(d.Path("setup.msf"), rix::MsfText(s));
}

const char* const kMerged = "0\t1.000000\t20.000000\r\n1000\t3.000000\t40.000000\r\n";

TEST(Merge, ExtractionFollowedByMergeThenRixMerge) {
    Deployment d;
    TwoChannelDeployment(d);
    RunResult r = d.Run({"--msf", d.Path("setup.msf")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_pair_01.000")), kMerged);

    std::remove(d.OutFile("test_pair_01.000").c_str());
    r = d.Rix({"merge", "--msf", d.Path("setup.msf"), "--outdir", d.Out(), d.OutFile("test_MRG.000")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Merge is Complete\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_pair_01.000")), kMerged);
}

TEST(Merge, AFailedMergeEndsTheExtractionAndTheCommand) {
    Deployment d;
    TwoChannelDeployment(d);
    rix::MergeSetup s;
    s.pairs[0].mergeMode = 2;
    s.pairs[0].base.sourceKind = 2;
    s.pairs[0].base.fileName = d.Path("missing.txt");
    s.pairs[0].merge.channelId = 12;
    s.pairs[0].base.keyColumn = s.pairs[0].merge.keyColumn = 1;
    WriteFile(d.Path("setup.msf"), rix::MsfText(s));
    const std::string box = "Open File Error: Unable to Open Base File '" + d.Path("missing.txt") + "' for Pair 1\n";
    RunResult r = d.Run({"--msf", d.Path("setup.msf")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, box + "Status:  Merge Ended by an Error\n");
    r = d.Rix({"merge", "--msf", d.Path("setup.msf"), "--outdir", d.Out(), d.OutFile("test_MRG.000")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, box + "Status:  Merge Ended by an Error\n");
}

}  // namespace
