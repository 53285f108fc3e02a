#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestSupport.h"
#include "report/Reporter.h"
#include "setup/Isf.h"
#include "setup/MeterType.h"

namespace {

using rix::ChannelTable;
using rix::RecordingReporter;

struct IsfFixture : ::testing::Test {
    rixtest::TempDir dir;
    RecordingReporter rep;
    ChannelTable table;
    int Read(const std::string& content) {
        rixtest::WriteFile(dir.file("a.isf"), content);
        return rix::ReadIsfFile(rep, table, dir.file("a.isf"));
    }
};

TEST_F(IsfFixture, ReadsTypeKeywordAndOptionsOfOneLine) {
    ASSERT_EQ(Read("12 sbe19 LAG=500 HAD=30 DEV=ctd.con\r\n"), 1);
    const rix::ChannelSetup& c = table[12];
    EXPECT_EQ(c.type, rix::kSbe19);
    EXPECT_EQ(c.keyword, "sbe19");
    EXPECT_EQ(c.lag, 500);
    EXPECT_EQ(c.had, 30);
    EXPECT_EQ(c.deviceFile, "CTD.CON");
    EXPECT_TRUE(rep.boxes.empty());
}

TEST_F(IsfFixture, ReportsEveryKindOfBadLine) {
    EXPECT_EQ(rix::ReadIsfFile(rep, table, dir.file("missing.isf")), 0);
    EXPECT_TRUE(rep.HasBox("ISF File Error", "Error reading config file <" + dir.file("missing.isf") + ">\n"));
    rep.Clear();
    // Lines: bad ids 50 and 0, an empty line, an id without a type, then the
    // refused keywords; channel 13 was on before its bad-type line. MISC-ASCII
    // is a column meter like ORB and reads as one.
    ASSERT_EQ(Read("50 ASCII\n0 ASCII\n\n14\n13 ASCII\r13 HYDROSCAT2\n15 EZ-TILT\r\n16 MISC-ASCII\n17 SBE1\n"), 1);
    ASSERT_EQ(rep.boxes.size(), 7u);
    EXPECT_EQ(rep.boxes[0].text, "Channel 50 Out of Bounds (1-50)\n");
    EXPECT_EQ(rep.boxes[1].text, "Channel 0 Out of Bounds (1-50)\n");
    EXPECT_EQ(rep.boxes[2].text, "Channel 0 Out of Bounds (1-50)\n");  // empty line
    EXPECT_EQ(rep.boxes[3].text, "Channel 14 Out of Bounds (1-50)\n");
    EXPECT_EQ(rep.boxes[0].title, "ISF File Error");
    EXPECT_EQ(rep.boxes[4].title, "ISF File ERROR");
    EXPECT_EQ(rep.boxes[4].text, "Bad Type in *.isf, Line 6 type <HYDROSCAT2>\n");
    EXPECT_EQ(rep.boxes[5].text, "Bad Type in *.isf, Line 7 type <EZ-TILT>\n");
    EXPECT_EQ(rep.boxes[6].text, "Bad Type in *.isf, Line 9 type <SBE1>\n");
    for (int id : {13, 15, 17}) EXPECT_EQ(table[id].type, 0) << id;
    EXPECT_EQ(table[16].type, rix::kMiscAscii);
    EXPECT_EQ(table[16].keyword, "MISC-ASCII");
}

TEST_F(IsfFixture, OptionEdgeCasesAndLaterLinesForTheSameId) {
    ASSERT_EQ(Read("21 ASCII LAG=40 HAD=7 DEV=a.dev\n"
                   "21 t_ascii LAG=x HAD=y\n"
                   "22 ABETA DEV=" + std::string(40, 'n') + "\n"
                   "23 XMF DEV=" + std::string(39, 'n') + " LAG=-5 FLOW0=3\n"),
              1);
    EXPECT_EQ(table[21].type, rix::kTAscii);
    EXPECT_EQ(table[21].keyword, "t_ascii");
    EXPECT_EQ(table[21].lag, 0);  // not a number: 0
    EXPECT_EQ(table[21].had, 7);  // not a number: kept
    EXPECT_EQ(table[21].deviceFile, "A.DEV");
    EXPECT_EQ(table[22].deviceFile, "");
    EXPECT_EQ(table[23].deviceFile, std::string(39, 'N'));
    EXPECT_EQ(table[23].lag, -5);
}

TEST_F(IsfFixture, OverLongLineIsCutAndItsRestDropped) {
    // The rest past 198 characters looks like a line of its own; it must not be read as one.
    std::string line = "31 ASCII DEV=x.dev" + std::string(200 - 18, ' ') + "32 ASCII\n";
    ASSERT_EQ(Read(line + "33 ASCII\n"), 1);
    EXPECT_EQ(table[31].deviceFile, "X.DEV");
    EXPECT_EQ(table[32].type, 0);
    EXPECT_EQ(table[33].type, rix::kAscii);
    EXPECT_TRUE(rep.boxes.empty());
}

TEST_F(IsfFixture, WrittenTableReadsBack) {
    ChannelTable t;
    auto set = [&](int id, const char* kw, int lag, int had, std::string dev) {
        rix::MatchMeterKeyword(t[id], kw);
        t[id].lag = lag;
        t[id].had = had;
        std::string tok = "DEV=" + dev;
        rix::ParseDeviceOption(t[id], tok);
    };
    set(11, "Hex_Output", 120, -15, "hex.dev");
    set(12, "SBE19", 250, 3, "ctd.con");
    set(49, "thermo_bath", -3, 0, "");
    t[48].type = rix::kGps;  // set without a keyword
    t[11].flowMeter[1] = 2;
    t[11].flowPercent[1] = 60;
    EXPECT_EQ(rix::IsfText(t),
              "11 Hex_Output LAG=120 HAD=-15 DEV=HEX.DEV FLOW1=2 PFLOW1=60 \r\n"
              "12 SBE19 LAG=0 HAD=3 DEV=CTD.CON \r\n"
              "48 GPS LAG=0 HAD=0 DEV=  \r\n"
              "49 thermo_bath LAG=-3 HAD=0 DEV= \r\n");
    std::FILE* f = std::fopen(dir.file("w.isf").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    rix::WriteIsfFile(t, f);
    std::fclose(f);
    ASSERT_EQ(rix::ReadIsfFile(rep, table, dir.file("w.isf")), 1);
    EXPECT_TRUE(rep.boxes.empty());
    EXPECT_EQ(table[11].keyword, "Hex_Output");
    EXPECT_EQ(table[11].lag, 120);
    EXPECT_EQ(table[11].had, -15);
    EXPECT_EQ(table[11].deviceFile, "HEX.DEV");
    EXPECT_EQ(table[12].type, rix::kSbe19);
    EXPECT_EQ(table[12].lag, 0);
    EXPECT_EQ(table[48].deviceFile, "");
    EXPECT_EQ(table[49].type, rix::kThermoBath);
    EXPECT_EQ(table[49].lag, -3);
}

TEST(MeterType, EveryAcceptedKeywordMatchesItsOwnCode) {
    for (int code = 1; code < rix::kMeterTypeCount; ++code) {
        const rix::MeterTypeInfo& info = rix::MeterTypeByCode(code);
        EXPECT_EQ(info.code, code);
        rix::ChannelSetup r;
        rix::MatchMeterKeyword(r, info.keyword);
        EXPECT_EQ(r.type, info.readerAccepts ? code : 0) << info.keyword;
        EXPECT_EQ(rix::IsCtdType(code), code == 12 || code == 29 || (code >= 31 && code <= 36)) << code;
    }
    EXPECT_EQ(rix::MeterTypeByCode(42).code, 0);
    EXPECT_STREQ(rix::MeterTypeByCode(-1).listName, "OFF");
}

}  // namespace
