#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestSupport.h"
#include "report/Reporter.h"
#include "setup/Msf.h"

namespace {

struct MsfFixture : ::testing::Test {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::MergeSetup s;
    int Read(const std::string& content) {
        rixtest::WriteFile(dir.file("a.msf"), content);
        std::FILE* f = std::fopen(dir.file("a.msf").c_str(), "rb");
        int ok = rix::ReadMsfFile(rep, s, f);
        std::fclose(f);
        return ok;
    }
    std::string Written(const rix::MergeSetup& setup) {
        std::FILE* f = std::fopen(dir.file("w.msf").c_str(), "wb");
        rix::WriteMsfFile(setup, f);
        std::fclose(f);
        return rixtest::ReadFile(dir.file("w.msf"));
    }
};

const char* const kResetPair =
    "%d,0\r\n"
    "0,1,0,0,0,0,0,0,0,0,2000,0,<>\r\n"
    "0,0,0,0,0,0,0,0,0,0<>\r\n"
    "-1,-1,-1,-1,-1,-1,0.00,-1,-1,<SBE23/43.DEV>\r\n"
    "-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,\r\n"
    "B1\r\n"
    "0,0,715,0,<t.cor>,<s.cor>,<ch2o.cor>\r\n";

std::string ResetText() {
    std::string text = "2.0\t;Merge Structure Revision\r\nReserved\r\nReserved\r\nReserved\r\n0\r\n";
    for (int i = 1; i <= 20; ++i) text += rix::Format(kResetPair, i);
    return text;
}

// One pair's seven lines.
std::string Pair(int n, const std::string& b, const std::string& m, const std::string& d = "1,2,3,4,5,6,1.25,-1,-1,<ox.dev>",
                 const std::string& g = "3,1,715,0,<t.cor>,<s.cor>,<ch2o.cor>") {
    return rix::Format("%d,2\r\n", n) + b + "\r\n" + m + "\r\n" + d + "\r\n" +
           "7,<a1.dev>,-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,5003,<a8.dev>,\r\n" + "B1-3 M2 iTEMP\r\n" + g + "\r\n";
}

const char* const kHead = "2.0\t;Merge Structure Revision\r\nReserved\r\nReserved\r\nReserved\r\n1\r\n";

TEST_F(MsfFixture, ResetSetupWritesAndReadsBackByteForByte) {
    rix::MergeSetup reset;
    EXPECT_EQ(Written(reset), ResetText());
    s.castDirection = 2;
    s.pairs[4].mergeMode = 3;
    ASSERT_EQ(Read(ResetText()), 1);
    EXPECT_EQ(Written(s), ResetText());
    EXPECT_TRUE(rep.boxes.empty());
}

TEST_F(MsfFixture, ReadsEveryFieldAndCleansNames) {
    std::string text = std::string(kHead) +
                       Pair(1, "2,11,3,1,1,4,1,-150,0,1,2150,3500,<C:\\Data Files\\b.txt>",
                            "1,21,0,2,1,0,1,250,1,1<merge.txt>");
    ASSERT_EQ(Read(text), 1);
    EXPECT_TRUE(rep.boxes.empty());
    const rix::MergePair& p = s.pairs[0];
    EXPECT_EQ(s.castDirection, 1);
    EXPECT_EQ(p.mergeMode, 2);
    EXPECT_EQ(p.base.sourceKind, 2);
    EXPECT_EQ(p.base.channelId, 11);
    EXPECT_EQ(p.base.pairNumber, 3);
    EXPECT_EQ(p.base.keyColumn, 1);
    EXPECT_EQ(p.base.headerRows, 4);
    EXPECT_EQ(p.base.offset, -150);
    EXPECT_EQ(p.base.meterType, 1);
    EXPECT_EQ(p.base.calTemperature, 2150);
    EXPECT_EQ(p.base.calSalinity, 3500);
    EXPECT_EQ(p.base.fileName, "C:\\Data");  // a blank ends the name
    EXPECT_EQ(p.merge.channelId, 21);
    EXPECT_EQ(p.merge.offset, 250);
    EXPECT_EQ(p.merge.offsetUnits, 1);
    EXPECT_EQ(p.merge.fileName, "merge.txt");
    // The file has the oxygen current before the oxygen temperature.
    EXPECT_EQ(p.condColumn, 1);
    EXPECT_EQ(p.salColumn, 4);
    EXPECT_EQ(p.oxCurrentColumn, 5);
    EXPECT_EQ(p.oxTempColumn, 6);
    EXPECT_DOUBLE_EQ(p.pressureOffset, 1.25);
    EXPECT_EQ(p.oxDeviceFile, "ox.dev");
    EXPECT_EQ(p.analogColumn[0], 7);
    EXPECT_EQ(p.analogDeviceFile[0], "a1.dev");
    EXPECT_EQ(p.analogColumn[7], 5003);
    EXPECT_EQ(p.displayOrder, "B1-3 M2 iTEMP");
    EXPECT_EQ(p.correctionFlags, 3);
    EXPECT_EQ(p.scatterMethod, 1);
    // Pairs after the end of a short file stay as they were.
    EXPECT_EQ(s.pairs[1].mergeMode, 0);
}

TEST_F(MsfFixture, ShortFileKeepsTheLaterPairsAndLongNamesAreCut) {
    s.pairs[7].mergeMode = 4;
    std::string text = kHead;
    const std::string longName(200, 'x');
    for (int i = 1; i <= 7; ++i)
        text += Pair(i, "0,11,0,1,0,0,0,0,0,0,2000,0,<" + longName + ">", "0,12,0,1,0,0,0,0,0,0<>");
    ASSERT_EQ(Read(text), 1);
    EXPECT_EQ(s.pairs[6].mergeMode, 2);
    EXPECT_EQ(s.pairs[6].base.fileName, std::string(119, 'x'));
    EXPECT_EQ(s.pairs[7].mergeMode, 4);
}

TEST_F(MsfFixture, WrongRevisionKeepsTheSetup) {
    s.pairs[0].mergeMode = 3;
    for (const char* first : {"2\r\n", "2.00\r\n"}) {
        rix::MergeSetup keep = s;
        EXPECT_EQ(Read(std::string(first) + "Reserved\r\nReserved\r\nReserved\r\n1\r\n"), 1) << first;
        s = keep;
    }
    EXPECT_EQ(Read("1.0\t;Merge Structure Revision\r\n" + ResetText().substr(31)), 0);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_TRUE(rep.HasBox("Incompatible Merge Files", "Software 2.0 vs. File 1.0"));
    EXPECT_EQ(s.pairs[0].mergeMode, 3);
}

TEST_F(MsfFixture, MalformedPairResetsTheWholeSetup) {
    struct Case {
        std::string pair;
        std::string title, text;
    } cases[] = {
        {"3,2\r\n", "Merge Setup File Error - Merge Pair 2 (j=2)", "3,2"},
        {"2\r\n", "Merge Setup File Error - Merge Pair 2 (j=1)", "2"},
        {"x\r\n", "Merge Setup File Error - Merge Pair 2 (j=0)", "x"},
        {" \r\n", "Merge Setup File Error - Merge Pair 2 (j=-1)", " "},
        {"2,1\r\n0,1,0\r\n", "Merge Setup File Error", "Missing/Incorrect Base Information - Channel 2"},
        {"2,1\r\n0,1,0,0,0,0,0,0,0,0,2000,0,<>\r\n0,0,0,0,0,0,0,0,0<>\r\n", "Merge File Error",
         "Missing/Incorrect Merge Information - Channel 2"},
        {Pair(2, "0,1,0,0,0,0,0,0,0,0,2000,0,<>", "0,0,0,0,0,0,0,0,0,0<>", "1,2,3,4,5,6,x,-1,-1,<o>"),
         "Merge File Error", "Missing/Incorrect CTPSOV Information - Channel 2"},
        {Pair(2, "0,1,0,0,0,0,0,0,0,0,2000,0,<>", "0,0,0,0,0,0,0,0,0,0<>", "1,2,3,4,5,6,0,-1,-1,<o>", "1,2,3,<a>"),
         "Merge File Error", "Missing/Incorrect ac Corrections - Channel 2"},
    };
    for (const Case& c : cases) {
        rep.Clear();
        s.pairs[5].mergeMode = 1;
        std::string text = std::string(kHead) + Pair(1, "0,11,0,1,0,0,0,0,0,0,2000,0,<>", "0,12,0,1,0,0,0,0,0,0<>") + c.pair;
        EXPECT_EQ(Read(text), 0) << c.text;
        ASSERT_EQ(rep.boxes.size(), 1u) << c.text;
        EXPECT_EQ(rep.boxes[0].title, c.title);
        EXPECT_EQ(rep.boxes[0].text, c.text);
        EXPECT_EQ(s.pairs[0].mergeMode, 0) << "pairs read before are lost";
        EXPECT_EQ(s.pairs[5].mergeMode, 0);
    }
}

TEST_F(MsfFixture, LongLinesStayOneLine) {
    // A 499-character display order is one line, not two.
    const std::string order = "B1 " + std::string(496, 'Z');
    std::string text = std::string(kHead) + "1,2\r\n0,11,0,1,0,0,0,0,0,0,2000,0,<>\r\n0,12,0,1,0,0,0,0,0,0<>\r\n"
                       "-1,-1,-1,-1,-1,-1,0,-1,-1,<o>\r\n-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,-1,<>,\r\n" +
                       order + "\r\n0,0,715,0,<t>,<s>,<c>\r\n";
    ASSERT_EQ(Read(text), 1) << (rep.boxes.empty() ? "" : rep.boxes[0].text);
    EXPECT_EQ(s.pairs[0].displayOrder, order);
    EXPECT_EQ(s.pairs[0].cleanWaterFile, "c");
}

TEST(MsfColumns, ReferencesAndCastDirection) {
    EXPECT_EQ(rix::ParseColumnReference("B12"), 12);
    EXPECT_EQ(rix::ParseColumnReference("x m 3"), 5003);
    EXPECT_EQ(rix::ParseColumnReference("Bad M4"), 5004);  // "Bad" has no number
    EXPECT_EQ(rix::ParseColumnReference("None"), -1);
    EXPECT_EQ(rix::FormatColumnReference(0), "None");
    EXPECT_EQ(rix::FormatColumnReference(7), "B7");
    EXPECT_EQ(rix::FormatColumnReference(5002), "M2");
    rix::MergeSetup s;
    rix::SetCastDirection(s, 1);
    EXPECT_EQ(s.castDirection, 2);
    rix::MergePair p;
    p.mergeMode = 2;
    rix::SetMergePair(s, 19, p);
    rix::SetMergePair(s, 20, p);  // no such pair: nothing
    rix::MergePair out;
    rix::GetMergePair(s, 19, out);
    EXPECT_EQ(out.mergeMode, 2);
}

}  // namespace
