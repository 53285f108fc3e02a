// End-to-end: archives built byte by byte, extracted by the rix program,
// whole output files compared.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace {

using namespace rixtest;

// Three packets of logger 1; the channel's first packet starts mid-line and
// a line is split across packets.
ArchiveBuilder TextArchive() {
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "tail\r\nline1 a"}, {1, "tail\r\nline1 a"}, {2, "x\r\n1.5,2\r\n"}});
    b.Add(1, 2000, {{0, "bc\r\nline2\r\n"}, {1, "bc\r\nline2\r\n"}, {2, "3,4\r\n"}});
    b.Add(1, 3000, {{0, "line3\r\n"}, {1, "line3\r\n"}, {2, "56\n"}});
    return b;
}

TEST(Extract, TextMetersInEngineeringOutput) {
    Deployment d;
    d.Isf("11 ASCII\r\n12 T_ASCII LAG=0 HAD=0 DEV= \r\n13 ASCII_T\r\n");
    d.Esf(0, 1, 0, 0);
    d.Archive(TextArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");

    EXPECT_EQ(ReadFile(d.OutFile("test_11_ASCII.000")), "line1 abc\r\nline2\r\nline3\r\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_12_T_ASCII.000")),
              "0\tline1 abc\r\n1000\tline2\r\n2000\tline3\r\n");
    // ASCII_T appends the time in ms (a comma first when the line has one);
    // the LF-only line keeps its last character.
    EXPECT_EQ(ReadFile(d.OutFile("test_13_ASCII_T.000")),
              "1.5,2,\t0\r\n3,4,\t1000\r\n56\t2000\r\n");

    std::string mrg = ReadFile(d.OutFile("test_MRG.000"));
    std::string p11 = d.OutFile("test_11_ASCII.000");
    std::string p12 = d.OutFile("test_12_T_ASCII.000");
    std::string p13 = d.OutFile("test_13_ASCII_T.000");
    EXPECT_EQ(mrg, "000 4 test \r\n" + std::to_string(11) + " " + std::to_string(p11.size()) + " " +
                       p11 + " ASCII 0 0\r\n12 " + std::to_string(p12.size()) + " " + p12 +
                       " T_ASCII 0 0\r\n13 " + std::to_string(p13.size()) + " " + p13 +
                       " ASCII_T 0 0\r\n");

    std::string to = ReadFile(d.OutFile("test_TO.000"));
    std::string expected = "Port\toffset\tfirst\tlast\n";
    for (int id = 1; id <= 49; ++id) {
        if (id >= 11 && id <= 13)
            expected += std::to_string(id) + "\t0\t0\t2000\n";
        else
            expected += std::to_string(id) + "\t0\t-1\t-1\n";
    }
    EXPECT_EQ(to, expected);
}

TEST(Extract, RawOutputPrefixesNamesAndKeepsLinesAsReceived) {
    Deployment d;
    d.Isf("12 T_ASCII\r\n13 ascii_t\r\n");
    d.Esf(0, 0, 0, 0);
    d.Archive(TextArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_12_T_ASCII.000")), "line1 abc\r\nline2\r\nline3\r\n");
    // The keyword is spelt as in the setup file.
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_13_ascii_t.000")), "1.5,2\r\n3,4\r\n56\n");
}

TEST(Extract, OtherLoggersAreRetimedAgainstTheClockLogger) {
    ArchiveBuilder b;
    b.Add(2, 40000, {{0, "early\r\n"}});  // before the first clock packet: dropped
    b.Add(1, 1000, {{0, "\r\n"}});
    b.Add(2, 50000, {{0, "\r\nA\r\n"}});
    b.Add(2, 50500, {{0, "B\r\n"}});
    b.Add(1, 2000, {{0, "\r\n"}});
    b.Add(2, 51700, {{0, "C\r\n"}});
    b.Add(1, 3000, {{0, "\r\n"}});
    b.Add(2, 52000, {{0, "D\r\n"}});
    b.Add(2, 52400, {{0, "E\r\n"}});
    for (int format : {1, 0}) {
        Deployment d;
        d.Isf("21 T_ASCII\r\n");
        d.Esf(0, 1, 1, format);
        d.Archive(b);
        RunResult r = d.Run({});
        ASSERT_EQ(r.code, 0) << r.err;
        if (format == 1)
            EXPECT_EQ(ReadFile(d.OutFile("test_21_T_ASCII.000")),
                      "1000\tA\r\n1500\tB\r\n2000\tC\r\n3000\tD\r\n3400\tE\r\n");
        else
            EXPECT_EQ(ReadFile(d.OutFile("test_21_T_ASCII.000")),
                      "0\tA\r\n500\tB\r\n1000\tC\r\n2000\tD\r\n2400\tE\r\n");
    }
}

TEST(Extract, IntervalKeepsOnlyPacketsInside) {
    Deployment d;
    d.Isf("11 T_ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    ArchiveBuilder b;
    for (int i = 0; i < 6; ++i) b.Add(1, 1000 + 1000 * i, {{0, "\r\nL" + std::to_string(i)}});
    d.Archive(b);
    // Relative times 0..5000; the interval 1000..3000 keeps packets 1..3.
    // A line takes the time of the packet that brought its first byte.
    RunResult r = d.Run({"--from", "1000", "--to", "3000"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_11_T_ASCII.000")), "1000\tL1\r\n2000\tL2\r\n");

    r = d.Run({"--from", "0", "--to", "0"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_11_T_ASCII.000")), "");
}

// A date/time channel (12) with the date 2 January 2005 at noon, logger time 1000.
ArchiveBuilder JulianArchive() {
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\r\nx"}, {1, "\r\n01/02/05 12:00:00\r\n"}});
    b.Add(1, 2000, {{0, "\r\ny"}, {1, "01/02/05 12:00:01\r\n"}});
    b.Add(1, 1000 + 36 * 3600 * 1000, {{0, "\r\nz\r\n"}});
    return b;
}

TEST(Extract, EveryTimeStampFormat) {
    struct Case {
        int format;
        int offset;
        std::string file;
    };
    const Case cases[] = {
        {0, 0, "0\tx\r\n1000\ty\r\n129600000\tz\r\n"},
        {1, 0, "1000\tx\r\n2000\ty\r\n129601000\tz\r\n"},
        {2, 0, "0.000\tx\r\n1.000\ty\r\n129600.000\tz\r\n"},
        {3, 0, "1.000\tx\r\n2.000\ty\r\n129601.000\tz\r\n"},
        {4, 0, "  2.50000000\tx\r\n  2.50001157\ty\r\n  4.00000000\tz\r\n"},
        {5, 0, "5002.50000000\tx\r\n5002.50001157\ty\r\n5004.00000000\tz\r\n"},
        {6, 0, "   5\t002.50000000\tx\r\n   5\t002.50001157\ty\r\n   5\t004.00000000\tz\r\n"},
        {4, 5, "  2.70833333\tx\r\n  2.70834491\ty\r\n  4.20833333\tz\r\n"},
        {7, 0, "99\tx\r\n99\ty\r\n99\tz\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("format " + std::to_string(c.format) + " offset " + std::to_string(c.offset));
        Deployment d;
        d.Isf("11 T_ASCII\r\n");
        d.Esf(0, 1, 0, c.format, 12, c.offset);
        d.Archive(JulianArchive());
        RunResult r = d.Run({});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(ReadFile(d.OutFile("test_11_T_ASCII.000")), c.file);
    }
}

TEST(Extract, IntervalGivenAsDatesOfTheJulianTable) {
    // Noon of 2 January 2005 is the first packet's time; the days after it
    // have no date line of their own and are counted from the 2nd. The
    // interval starts one second later, with the second packet, and ends
    // with the third, 36 h after the first.
    Deployment d;
    d.Isf("11 T_ASCII\r\n");
    d.Esf(0, 1, 0, 4, 12);
    d.Archive(JulianArchive());
    RunResult r = d.Run({"--from", "2005-01-02 12:00:01", "--to", "2005-01-04 00:00:00"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_11_T_ASCII.000")), "  2.50001157\ty\r\n  4.00000000\tz\r\n");
    r = d.Run({"--from", "2005-01-03", "--to", "End_ms"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_11_T_ASCII.000")), "  4.00000000\tz\r\n");

    // Elapsed-time stamps know no dates: the run says so and writes nothing.
    Deployment e;
    e.Isf("11 T_ASCII\r\n");
    e.Esf(0, 1, 0, 0, 12);
    e.Archive(JulianArchive());
    r = e.Run({"--from", "2005-01-02 12:00:01"});
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err.find("Extraction Interval Error: The start \"2005-01-02 12:00:01\" is a date"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Status:  Extraction Failed"), std::string::npos) << r.err;
    EXPECT_FALSE(FileExists(e.OutFile("test_11_T_ASCII.000")));
}

TEST(Extract, HexOutputLayout) {
    Deployment d;
    d.Isf("11 Hex_Output\r\n14 BINARY\r\n");
    d.Esf(0, 1, 0, 1);
    std::string frag;
    for (int i = 1; i <= 25; ++i) frag += static_cast<char>(i == 25 ? 0xff : i);
    ArchiveBuilder b;
    b.Add(1, 5000, {{0, frag}, {3, std::string("\x00\x01\r\n", 4)}});
    b.Add(1, 6000, {{0, std::string("\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13", 10)}});
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_11_Hex_Output.000")),
              "5000\t01 02 03 04 05 06 07 08 09 0a  0b 0c 0d 0e 0f 10 11 12 13 14  15 16 17 18 ff\r\n"
              "6000\t0a 0b 0c 0d 0e 0f 10 11 12 13 \r\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_14_BINARY.000")), std::string("\x00\x01\r\n", 4));
}

TEST(Extract, RawFileIsProcessedWhole) {
    Deployment d;
    d.Isf("11 T_ASCII\r\n");
    d.Esf(4, 1, 0, 0, 21, 0, 100);
    // 60,000 lines of 20 bytes: far beyond the 1,000,000-byte mark.
    std::string raw = "partial\r\n";
    for (int i = 0; i < 60000; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "line %012d\r\n", i);
        raw += line;
    }
    rixtest::WriteFile(d.Path("cap.raw"), raw);
    RunResult r = d.Run({}, "cap.raw");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Raw File\n");
    std::string out = ReadFile(d.OutFile("cap_11_T_ASCII.raw"));
    EXPECT_EQ(out.substr(0, 44), "0\tline 000000000000\r\n100\tline 000000000001\r\n");
    std::string last = "5999900\tline 000000059999\r\n";
    ASSERT_GE(out.size(), last.size());
    EXPECT_EQ(out.substr(out.size() - last.size()), last);
}

TEST(Extract, Type2TimesAreTheSameInEveryPass) {
    // Packets of day 366 of 2004 (a leap year) and day 1 of 2005: the year
    // change must count 366 days in every channel pass.
    ArchiveBuilder b;
    b.Add2(1, 86399000, 4366, {{0, "\r\n"}, {1, "\r\n"}});
    b.Add2(1, 86399500, 4366, {{0, "a\r\n"}, {1, "a\r\n"}});
    b.Add2(1, 500, 5001, {{0, "b\r\n"}, {1, "b\r\n"}});
    Deployment d;
    d.Isf("11 T_ASCII\r\n12 T_ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    d.Archive(b);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_11_T_ASCII.000")), "500\ta\r\n1500\tb\r\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_12_T_ASCII.000")), "500\ta\r\n1500\tb\r\n");
}

TEST(Extract, DamagedArchiveGivesEveryRecoveredPacket) {
    ArchiveBuilder b;
    b.Add(1, 1000, {{0, "\r\nA\r\n"}});
    b.Junk("\x01\x07zz####");  // a bad header and its resynchronisation point
    b.Add(1, 2000, {{0, "B\r\n"}});
    ArchiveBuilder tail;
    tail.writer.sequence = 2;
    tail.Add(1, 3000, {{0, "C\r\n"}});
    b.bytes.insert(b.bytes.end(), tail.bytes.begin(), tail.bytes.end() - 6);  // truncated
    Deployment d;
    d.Isf("11 T_ASCII\r\n");
    d.Esf(0, 1, 0, 1);
    d.Archive(b);
    RunResult r = d.Run({"--debug"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("test_11_T_ASCII.000")), "1000\tA\r\n2000\tB\r\n");
    std::string log = ReadFile(d.Path("RIX.LOG"));
    EXPECT_NE(log.find("Bad Header\r\n"), std::string::npos);
    EXPECT_NE(log.find("\r\nID = 11 type = 7\r\n"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 16), "End Of Archive\r\n");
}

TEST(Extract, UnsupportedAndEmptyChannels) {
    Deployment d;
    d.Isf("5 ASCII\r\n11 BBP\r\n20 ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    d.Archive(TextArchive());
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "\nChannel 11:  Type 9 Not Valid\n\nChannel 11:  Type 9 Not Valid\n"
                     "\nChannel 11:  Type 9 Not Valid\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_11_BBP.000")), "");
    EXPECT_TRUE(rixtest::FileExists(d.OutFile("test_20_ASCII.000")));
    EXPECT_FALSE(rixtest::FileExists(d.OutFile("test_05_ASCII.000")));
}

TEST(Extract, FailuresAreReportedWithExitOne) {
    Deployment d;
    d.Isf("11 ASCII\r\n");
    d.Esf(0, 1, 2, 0);
    d.Archive(TextArchive());
    d.Archive(TextArchive(), "noext");

    RunResult r = d.Run({});  // clock logger 2 has no packet
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "found Mux IDs: 0 0 1 1 2 0 3 0 4 0\n"
              "Extraction Setup Error: No data packets were found for the KX Logger ID selected "
              "as the Clock Source\n"
              "Status:  Extraction Failed\n");

    d.Esf(0, 1, 0, 0);
    r = d.Run({}, "missing.000");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "File Error - Can not open Archive file: " + d.Path("missing.000") +
                         "\nStatus:  Start File Extraction\n");

    r = d.Run({}, "noext");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "File Name Error: Can not Parse Archive File Name\nStatus:  Start File Extraction\n");

    r = d.Rix({"extract", "--isf", d.Path("none.isf"), "--esf", d.Path("setup.esf"), d.Path("test.000")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "ISF File Error: Error reading config file <" + d.Path("none.isf") +
                         ">\nStatus:  File Error - Can not open Intrument INI File\n");

    r = d.Run({"--outdir", d.Path("nowhere")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Please Select a Valid Output Directory: Directory/Folder '" + d.Path("nowhere") +
                         "' Does NOT Exist\nStatus:  File Error - Directory/Folder does NOT Exist \n");

    r = d.Rix({"extract", "--bogus"});
    EXPECT_EQ(r.code, 2);
    r = d.Rix({"extract", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("Usage: rix extract"), std::string::npos);
}

TEST(Extract, MainSetupFileAndDailyName) {
    Deployment d;
    d.Isf("11 ASCII\r\n");
    d.Esf(0, 1, 0, 0);
    d.Archive(TextArchive(), "LOG05.123");
    std::string names[7] = {d.Path("LOG05.123"), d.Path("setup.isf"), d.Path("setup.esf"), "*.MSF",
                            "*.*", ".", d.Out()};
    std::string rixText = "0\n";
    for (const std::string& n : names) rixText += std::to_string(n.size()) + " " + n + "\n";
    rixtest::WriteFile(d.Path("main.rix"), rixText);
    RunResult r = d.Rix({"extract", "--setup", d.Path("main.rix")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(d.OutFile("LOG05_11_ASCII.123")), "line1 abc\r\nline2\r\nline3\r\n");
}

}  // namespace
