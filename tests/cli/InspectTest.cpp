// rix info and rix check on archives and setups built byte by byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "CliSupport.h"

namespace {

using namespace rixtest;
using nlohmann::json;

std::vector<std::string> Lines(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
        start = end + 1;
    }
    return out;
}

// Logger 1: type 0 at 5000, 6000, (7000 lost), 8000, (10000 cut); the
// writer numbers every packet, so each logger sees gaps in its sequence.
// Logger 2: type 2 across midnight 12/13 June 2005. Junk between packets, and
// a last packet cut short.
ArchiveBuilder DamagedArchive() {
    ArchiveBuilder b;
    b.Add(1, 5000, {{0, "$GPRMC,1\r\n"}, {3, std::string("\xa5\x5a\x01\x00", 4)}});
    b.Add2(2, 86399000, 5163, {{1, "06/12/05 23:59:59\r\n"}});
    b.Add(1, 6000, {{0, "23\r\n"}});
    b.Junk("noise!!");
    b.Add(1, 7000, {{0, "x"}});  // lost: the scan after the junk runs to this trailer
    b.Add2(2, 500, 5164, {{1, "06/13/05 00:00:00\r\n"}});
    b.writer.sequence = 4;
    b.Add(1, 8000, {{0, "y"}});
    b.Add(1, 10000, {{0, "z"}});
    b.bytes.resize(b.bytes.size() - 3);  // the last packet is cut
    return b;
}

TEST(Inspect, InfoShowsLoggersChannelsAndDamage) {
    Deployment d;
    d.Archive(DamagedArchive());
    RunResult r = d.Rix({"info", d.Path("test.000")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("calendar 2005-06-12 23:59:59.000 to 2005-06-13 00:00:00.500"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"$GPRMC,1\\r\\n23\\r\\ny\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("a5 5a 01 00"), std::string::npos);
    EXPECT_NE(r.out.find("Reader: 1 bad headers, "), std::string::npos);
    EXPECT_NE(r.out.find("the last packet is truncated"), std::string::npos);

    r = d.Rix({"info", "--json", d.Path("test.000")});
    ASSERT_EQ(r.code, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["archive"], d.Path("test.000"));
    EXPECT_EQ(j["bytes"], static_cast<long>(DamagedArchive().bytes.size()));
    EXPECT_EQ(j["packets"], 5);
    ASSERT_EQ(j["loggers"].size(), 2u);
    const json& l1 = j["loggers"][0];
    EXPECT_EQ(l1["id"], 1);
    EXPECT_EQ(l1["packets"], 3);
    EXPECT_EQ(l1["packetTypes"], json::array({0}));
    EXPECT_EQ(l1["firstTime"], 5000.0);
    EXPECT_EQ(l1["lastTime"], 8000.0);
    EXPECT_EQ(l1["span"], 3000.0);
    EXPECT_EQ(l1["medianInterval"], 1500.0);
    EXPECT_EQ(l1["missingPackets"], 2);  // the lost packet (sequence 2) and sequence 3
    EXPECT_TRUE(l1["firstCalendar"].is_null());
    const json& l2 = j["loggers"][1];
    EXPECT_EQ(l2["packetTypes"], json::array({2}));
    EXPECT_EQ(l2["span"], 1500.0);
    EXPECT_EQ(l2["medianInterval"], 1500.0);
    EXPECT_EQ(l2["missingPackets"], 2);  // one writer numbers both loggers' packets
    EXPECT_EQ(l2["firstCalendar"], "2005-06-12 23:59:59.000");
    EXPECT_EQ(l2["lastCalendar"], "2005-06-13 00:00:00.500");
    ASSERT_EQ(j["channels"].size(), 3u);
    const json& c11 = j["channels"][0];
    EXPECT_EQ(c11["id"], 11);
    EXPECT_EQ(c11["logger"], 1);
    EXPECT_EQ(c11["port"], 0);
    EXPECT_EQ(c11["bytes"], 15);
    EXPECT_EQ(c11["packets"], 3);
    EXPECT_EQ(c11["sampleKind"], "text");
    EXPECT_EQ(c11["sample"], "$GPRMC,1\\r\\n23\\r\\ny");
    const json& c14 = j["channels"][1];
    EXPECT_EQ(c14["id"], 14);
    EXPECT_EQ(c14["sampleKind"], "binary");
    EXPECT_EQ(c14["sampleHex"], "a5 5a 01 00");
    EXPECT_EQ(j["channels"][2]["id"], 22);
    EXPECT_EQ(j["channels"][2]["bytes"], 38);
    EXPECT_EQ(j["reader"]["badHeaders"], 1);
    // The junk, the packet it cost, and the cut packet.
    EXPECT_EQ(j["reader"]["skippedBytes"], 7 + 33 + (33 - 3));
    EXPECT_EQ(j["reader"]["truncatedLastPacket"], true);
}

TEST(Inspect, InfoOnHostileOrMissingInput) {
    Deployment d;
    WriteFile(d.Path("junk.000"), std::string(5000, '\x07'));
    RunResult r = d.Rix({"info", "--json", d.Path("junk.000")});
    ASSERT_EQ(r.code, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["packets"], 0);
    EXPECT_EQ(j["reader"]["badHeaders"], 1);
    EXPECT_EQ(j["reader"]["skippedBytes"], 5000);
    EXPECT_EQ(j["reader"]["truncatedLastPacket"], false);
    r = d.Rix({"info", d.Path("junk.000")});
    EXPECT_NE(r.out.find("No packet found"), std::string::npos);
    EXPECT_EQ(d.Rix({"info", d.Path("absent.000")}).code, 1);
    EXPECT_EQ(d.Rix({"info"}).code, 2);
}

const char* const kColumnDevice = "Logger volts\r\nColumns=3\r\nENGR0=1 Temp\r\nBATTERY=2\r\nENGR0=3 Volts\r\n";

// Logger 1 at 1000..3000 ms: channel 11 text, 12 date lines, 13 GPS RMC, 15 unconfigured.
ArchiveBuilder CheckArchive() {
    ArchiveBuilder b;
    const std::string rmc = "$GPRMC,120000,A,4807.038,N,01131.000,E,022.4,084.4,120605,003.1,W*6B\r\n";
    for (int i = 0; i < 3; ++i)
        b.Add(1, 1000 + 1000 * i,
              {{0, "1.0,2.0,3.0\r\n"}, {1, "06/12/05 12:00:0" + std::to_string(i) + "\r\n"}, {2, rmc}, {4, "?"}});
    return b;
}

struct CheckCase {
    const char* name;
    std::string isf;
    std::string esf;  // second line
    std::vector<std::string> extra;
    int code;
    std::string finding;  // expected among the findings ("" none)
};

TEST(Inspect, CheckFindings) {
    const CheckCase cases[] = {
        {"clean", "11 ANALOG DEV=volts.dev\r\n12 T_ASCII\r\n13 GPS_RMC\r\n15 ASCII\r\n", "0 1 0 0 0 0 1 4 12 0 250", {}, 0, ""},
        {"unconfigured port", "11 ANALOG DEV=volts.dev\r\n", "0 1 0 0 0 0 1 0 21 0 250", {}, 0,
         "warning: ARCHIVE: channel 12 carries 57 bytes but is not configured: the run would not extract them"},
        {"channel without data", "11 ASCII\r\n24 ASCII\r\n", "0 1 0 0 0 0 0 0 21 0 250", {}, 0,
         "warning: ISF:2: channel 24 (ASCII) carries no data in the archive: its file would have no rows"},
        // The extraction finds it the same way: the table notes it, no finding warns.
        {"case-insensitive device file", "11 ANALOG DEV=lower.dev\r\n", "0 1 0 0 0 0 0 0 21 0 250", {}, 0,
         "LOWER.DEV (case differs)"},
        {"missing device file", "11 ANALOG DEV=none.dev\r\n", "0 1 0 0 0 0 0 0 21 0 250", {}, 1,
         "problem: ISF:1: channel 11: device file NONE.DEV not found in"},
        {"device file of another meter", "11 NX9 DEV=volts.dev\r\n", "0 1 0 0 0 0 0 0 21 0 250", {}, 1,
         "NX9 DEV File Error: Invalid 1st Line in NX9 device file"},
        {"setup line", "11 ASCII\r\n12 FROB\r\n", "0 1 0 0 0 0 0 0 21 0 250", {}, 1,
         "problem: ISF:2: ISF File ERROR: Bad Type in *.isf, Line 2 type <FROB>"},
        {"clock logger absent", "11 ASCII\r\n", "0 1 0 0 0 0 2 0 21 0 250", {}, 1,
         "problem: ESF:2: No data packets were found for the KX Logger ID selected as the Clock Source "
         "(logger 2; the archive holds loggers 1)"},
        {"GPS date lines", "11 ASCII\r\n12 ASCII\r\n13 GPS_RMC\r\n15 ASCII\r\n", "0 1 0 0 0 0 1 5 13 0 250", {}, 0, ""},
        {"no date lines", "11 ASCII\r\n", "0 1 0 0 0 0 1 4 11 0 250", {}, 1,
         "problem: ESF:2: the date/time channel 11 carries no date line the parser accepts"},
        {"interval", "11 ASCII\r\n", "0 1 0 0 0 0 1 1 21 0 250", {"--from", "5000", "--to", "9000"}, 1,
         "problem: the interval 5000 to 9000 ms holds no packet: the time stamps run from 1000 to 3000 ms"},
        {"interval as dates", "11 ANALOG DEV=volts.dev\r\n12 T_ASCII\r\n13 GPS_RMC\r\n15 ASCII\r\n",
         "0 1 0 0 0 0 1 4 12 0 250", {"--from", "2005-06-12 12:00:01", "--to", "2005-06-12 13:00:00"}, 0, ""},
        {"interval dates after the data", "11 ANALOG DEV=volts.dev\r\n12 T_ASCII\r\n13 GPS_RMC\r\n15 ASCII\r\n",
         "0 1 0 0 0 0 1 4 12 0 250", {"--from", "2005-06-13 00:00:00"}, 1,
         "problem: the interval 43201000 to 31536000000 ms holds no packet: the time stamps run from 1000 to 3000 ms"},
        {"interval date without dates", "11 ASCII\r\n", "0 1 0 0 0 0 1 1 21 0 250", {"--from", "2005-06-12 12:00:01"}, 1,
         "problem: The start \"2005-06-12 12:00:01\" is a date, but the time stamps of this run carry no dates"},
        {"CTD not an SBE19", "11 ASCII\r\n", "0 1 0 11 0 0 0 0 21 0 250", {}, 0,
         "warning: ESF:2: the CTD channel 11 is ASCII, not an SBE19: the CTD pre-pass would not run"},
        {"time series", "11 ASCII\r\n", "0 1 0 0 2 0 0 0 21 0 250", {}, 1,
         "problem: ESF:2: Programming Error: Unable to Create Time Series File"},
        {"merge setup missing", "11 ASCII\r\n", "0 1 0 0 1 0 0 0 21 0 250", {}, 1,
         "problem: File Error - Can not Find Merge Setup File"},
        {"output folder", "11 ASCII\r\n", "0 1 0 0 0 0 0 0 21 0 250", {"--outdir", "/nonexistent/out"}, 1,
         "Directory/Folder '/nonexistent/out' Does NOT Exist"},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        Deployment d;
        d.Isf(c.isf);
        WriteFile(d.Path("setup.esf"), "ESF Version=1.1\r\n" + c.esf + "\r\n");
        WriteFile(d.Path("VOLTS.DEV"), kColumnDevice);
        WriteFile(d.Path("lower.dev"), kColumnDevice);
        d.Archive(CheckArchive());
        std::vector<std::string> args = {"check", "--isf", d.Path("setup.isf"), "--esf", d.Path("setup.esf"),
                                         "--devdir", d.Path(""), "--outdir", d.Out()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.push_back(d.Path("test.000"));
        RunResult r = d.Rix(args);
        EXPECT_EQ(r.code, c.code) << r.out << r.err;
        std::string finding = c.finding;
        for (auto [key, value] : {std::pair<std::string, std::string>{"ARCHIVE", d.Path("test.000")},
                                  {"ISF", d.Path("setup.isf")}, {"ESF", d.Path("setup.esf")}})
            if (finding.find(key + ":") != std::string::npos)
                finding.replace(finding.find(key + ":"), key.size(), value);
        if (finding.empty())
            EXPECT_TRUE(Lines(r.out, "problem:").empty() && Lines(r.out, "warning:").empty()) << r.out;
        else
            EXPECT_NE(r.out.find(finding), std::string::npos) << r.out;
        EXPECT_TRUE(std::filesystem::is_empty(d.Out())) << "the check wrote into the output folder";
    }
}

TEST(Inspect, CheckOfHostileArchives) {
    Deployment d;
    d.Isf("11 ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    WriteFile(d.Path("junk.000"), std::string(3000, '#'));
    ArchiveBuilder cut = CheckArchive();
    cut.bytes.resize(cut.bytes.size() - 10);
    d.Archive(cut, "cut.000");
    auto check = [&](const std::string& archive) {
        return d.Rix({"check", "--isf", d.Path("setup.isf"), "--esf", d.Path("setup.esf"), "--outdir", d.Out(),
                      d.Path(archive)});
    };
    RunResult r = check("junk.000");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("problem: " + d.Path("junk.000") + ": no packet found"), std::string::npos) << r.out;
    r = check("cut.000");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("warning: " + d.Path("cut.000") + ": the last packet is truncated"), std::string::npos);
    r = check("absent.000");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("problem: " + d.Path("absent.000") + ": File Error - Can not open Archive file"),
              std::string::npos);
}

TEST(Inspect, SetupBrokenFiveWaysGivesExactlyFiveProblems) {
    Deployment d;
    d.Isf("11 ANALOG DEV=volts.dev\r\n12 FROB\r\n13 ANALOG DEV=absent.dev\r\n14 ASCII\r\n");
    WriteFile(d.Path("setup.esf"), "ESF Version=1.1\r\n0 1 0 0 0 0 3 0 21 0 250\r\n");
    WriteFile(d.Path("VOLTS.DEV"), "no device file at all\r\n");
    d.Archive(CheckArchive());
    RunResult r = d.Rix({"check", "--isf", d.Path("setup.isf"), "--esf", d.Path("setup.esf"), "--devdir", d.Path(""), "--outdir", d.Path("no-such-folder"),
                         d.Path("test.000")});
    EXPECT_EQ(r.code, 1);
    const std::vector<std::string> problems = Lines(r.out, "problem:");
    ASSERT_EQ(problems.size(), 5u) << r.out;
    EXPECT_EQ(problems[0], "problem: " + d.Path("setup.isf") + ":2: ISF File ERROR: Bad Type in *.isf, Line 2 type <FROB>");
    EXPECT_NE(problems[1].find("Device File Error: No Columns= line in *.dev file"), std::string::npos) << problems[1];
    EXPECT_EQ(problems[2], "problem: " + d.Path("setup.isf") + ":3: channel 13: device file ABSENT.DEV not found in " +
                               d.Path(""));
    EXPECT_NE(problems[3].find("Clock Source (logger 3"), std::string::npos) << problems[3];
    EXPECT_NE(problems[4].find("no-such-folder' Does NOT Exist"), std::string::npos) << problems[4];
}

TEST(Inspect, CheckJsonMatchesTheReport) {
    Deployment d;
    d.Isf("11 ANALOG DEV=volts.dev\r\n14 ASCII\r\n");
    d.Esf(0, 1, 1, 4, 12);
    WriteFile(d.Path("volts.dev"), kColumnDevice);
    d.Archive(CheckArchive());
    RunResult r = d.Rix({"check", "--json", "--isf", d.Path("setup.isf"), "--esf", d.Path("setup.esf"),
                         "--devdir=" + d.Path(""), "--outdir=" + d.Out(), d.Path("test.000")});
    EXPECT_EQ(r.code, 0) << r.out;
    json j = json::parse(r.out);
    EXPECT_EQ(j["archive"], d.Path("test.000"));
    EXPECT_EQ(j["isf"], d.Path("setup.isf"));
    EXPECT_TRUE(j["msf"].is_null());
    EXPECT_EQ(j["problems"], 0);
    EXPECT_EQ(j["warnings"], 4);  // channel 14 without data, 12, 13, 15 unconfigured
    EXPECT_EQ(j["clean"], true);
    EXPECT_EQ(j["dateLines"], 3);
    EXPECT_EQ(j["unconfiguredChannels"], json::array({12, 13, 15}));
    ASSERT_EQ(j["channels"].size(), 2u);
    const json& c11 = j["channels"][0];
    EXPECT_EQ(c11["id"], 11);
    EXPECT_EQ(c11["meterType"], 5);
    EXPECT_EQ(c11["keyword"], "ANALOG");
    EXPECT_EQ(c11["deviceFile"], "VOLTS.DEV");
    EXPECT_EQ(c11["devicePath"], d.Path("volts.dev"));
    EXPECT_EQ(c11["deviceFound"], true);
    EXPECT_EQ(c11["caseInsensitiveMatch"], true);
    EXPECT_EQ(c11["deviceRead"], true);
    EXPECT_EQ(c11["archiveBytes"], 39);
    EXPECT_TRUE(j["channels"][1]["deviceFile"].is_null());
    EXPECT_EQ(j["channels"][1]["archiveBytes"], 0);
    ASSERT_EQ(j["findings"].size(), 4u);
    EXPECT_EQ(j["findings"][0]["severity"], "warning");
    EXPECT_EQ(j["findings"][0]["file"], d.Path("setup.isf"));
    EXPECT_EQ(j["findings"][0]["line"], 2);
    EXPECT_TRUE(j["findings"][1]["line"].is_null());
}

TEST(Inspect, ExampleDeploymentChecksClean) {
    TempDir out;
    const std::string cmd = "cd '" RIX_SOURCE_DIR "' && '" RIX_BINARY "' check --setup examples/deploy.rix --outdir '" +
                            out.path() + "' >'" + out.file("report.txt") + "' 2>&1";
    const int status = std::system(cmd.c_str());
    const std::string report = ReadFile(out.file("report.txt"));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << report;
    EXPECT_NE(report.find("\n0 problems, "), std::string::npos) << report;
}

}  // namespace
