// End-to-end: Sea-Bird CTDs of every model on one logger, extracted in
// engineering and raw output; the SBE19 reference pre-pass.
#include <gtest/gtest.h>

#include <string>

#include "CliSupport.h"
#include "SbeTestData.h"

namespace {

using namespace rixtest;

// ESF: input output depth ctd outputFiles - clock format dtChannel offset increment.
void Esf(Deployment& d, int output, int ctdChannel) {
    WriteFile(d.Path("setup.esf"), "ESF Version=1.1\r\n0 " + std::to_string(output) + " 0 " +
                                       std::to_string(ctdChannel) + " 0 0 0 0 21 0 250\r\n");
}

void SixModels(Deployment& d) {
    d.Isf("11 SBE16 DEV=s16.con\r\n12 SBE19 DEV=s19.con\r\n13 SBE19PLUS_RAW DEV=plus.con\r\n"
          "14 SBE21 DEV=s21.con\r\n15 SBE25CTD DEV=s25.con\r\n16 SBE25M DEV=s25.con\r\n");
    WriteFile(d.Path("s16.con"), ConText(ModelCon(0, 0)));
    WriteFile(d.Path("s19.con"), ConText(Sbe19Con()));
    WriteFile(d.Path("plus.con"), ConText(Sbe19PlusCon(), 200));
    ConLines s21 = ModelCon(1, 140, "0 0 1 0 77 2");
    s21[9] = "2836";
    s21[113] = "1000.000 4.21128850e-003 5.98809978e-004 5.39242925e-006 -1.40400219e-006";
    WriteFile(d.Path("s21.con"), ConText(s21));
    WriteFile(d.Path("s25.con"), ConText(ModelCon(1, 139, "0 0 1 0 77 2")));

    ArchiveBuilder b;
    // Every port starts mid-line; the SBE19's first scan comes before its references.
    b.Add(1, 1000, {{0, "D\r\n4A3B5C2D\r\n"},
                    {1, "S>\r\n482254DF0000000000000C63\r\n"},
                    {2, "\r\n071000138800081A40570A\r\n"},
                    {3, "\r\n4A3B5C2D0BB80006CC\r\n"},
                    {4, "\r\n0BB8001F40000C6306CC\r\n"},
                    {5, "\r\n0BB8001F40000C6306CC\r\n"}});
    b.Add(1, 2000, {{0, ">4A3C5C2E0000\r\nnoise\r\n"},
                    {1, "052549EB0000000000018C62\r\nFF0A9A480000010000008C62\r\n"},
                    {2, "0710F0138900081A80570B\r\n"},
                    {3, "4A3C5C2E0BB90006D0\r\n"},
                    {4, "0BB9001F41000C6406D0\r\n"},
                    {5, "0BB9001F41000C6406D0\r\n0BBA001F42000C6506D4\r\n0BBB0"}});
    b.Add(1, 3000, {{0, "4A3D5C30\r\n"},
                    {1, "482654DC0010010010000C62\r\n"},
                    {3, "4A3D5C300BBA0006D4\r\n"},
                    {5, "01F43000C6606D8\r\n"}});
    d.Archive(b);
}

// The raw header of a hex output file.
std::string HexHeader(int model, int serial, const std::string& interval = "") {
    std::string sn = std::to_string(serial);
    return "* Sea-Bird SBE " + std::to_string(model) +
           " Data File:\r\n* FileName = \r\n* Software Version RIX X.XX\r\n"
           "* Temperature SN = " + sn + "\r\n* Conductivity SN = " + sn +
           "\r\n* System Upload Time = MMM DD YYYY HH:MM:SS\r\n"
           "* Ship:\r\n* Cruise:\r\n* Station:\r\n* Latitude:\r\n* Longitude:\r\n" +
           interval + "*END*\r\n";
}

const char* const kTitles = "Time(ms)\tP(dbars)\tTemp(C)\tConduct\tSal(PSU)";
const char* const kSbe19Row = "2000\t18.931\t11.0597\t 3.44487\t30.3952\t0.0012\t0.0012\t-1.1299\t0.0000\r\n";

TEST(SbeExtract, SixModelsInEngineeringOutput) {
    Deployment d;
    SixModels(d);
    Esf(d, 1, 0);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");
    const std::string t = kTitles;
    // The 15-character SBE16 line carries a prompt before its 12 characters.
    EXPECT_EQ(ReadFile(d.OutFile("test_11_SBE16.000")),
              t + "\r\n"
              "0\t0.000\t 9.1206\t 2.30760\t20.6287\r\n"
              "1000\t0.000\t 9.1214\t 2.30771\t20.6293\r\n"
              "2000\t0.000\t 9.1221\t 2.30791\t20.6308\r\n");
    // Without the pre-pass the scan before the references gives no row.
    EXPECT_EQ(ReadFile(d.OutFile("test_12_SBE19.000")),
              t + "\tSpare(V)\tSpare(V)\tCHL(ug/l)\tSpare(V)\r\n" + kSbe19Row);
    EXPECT_EQ(ReadFile(d.OutFile("test_13_SBE19PLUS_RAW.000")),
              t + "\r\n"
              "0\t20.028\t10.0947\t 2.70181\t23.8645\r\n"
              "1000\t20.222\t10.0800\t 2.70330\t23.8885\r\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_14_SBE21.000")),
              t + "\tRTemp(C)\tCHL(ug/l)\r\n"
              "0\t0.000\t 9.1206\t 2.30760\t20.6287\t 7.6070\t34.7967\r\n"
              "1000\t0.000\t 9.1214\t 2.30771\t20.6293\t 7.6223\t34.8793\r\n"
              "2000\t0.000\t 9.1221\t 2.30791\t20.6308\t 7.6376\t34.9620\r\n");
    const std::string sbe25 = t + "\tCHL(ug/l)\r\n"
                                  "0\t18.887\t 7.6070\t 2.70786\t25.6577\t34.7967\r\n"
                                  "1000\t18.842\t 7.6223\t 2.70864\t25.6546\t34.8793\r\n";
    EXPECT_EQ(ReadFile(d.OutFile("test_15_SBE25CTD.000")), sbe25);
    // SBE25M scans of one packet time are spaced 125 ms apart.
    EXPECT_EQ(ReadFile(d.OutFile("test_16_SBE25M.000")),
              sbe25 + "1125\t18.797\t 7.6376\t 2.70942\t25.6515\t34.9620\r\n"
                      "1250\t18.752\t 7.6529\t 2.71020\t25.6484\t35.0446\r\n");

    const std::string to = ReadFile(d.OutFile("test_TO.000"));
    EXPECT_NE(to.find("\n11\t0\t0\t2000\n12\t0\t2000\t2000\n13\t0\t0\t1000\n14\t0\t0\t2000\n"
                      "15\t0\t0\t1000\n16\t0\t0\t1250\n"),
              std::string::npos);
    const std::string mrg = ReadFile(d.OutFile("test_MRG.000"));
    EXPECT_NE(mrg.find(" SBE19 1 9\r\n"), std::string::npos);  // header lines and columns
}

// Setup and configuration files as editors save them: a byte-order mark
// (which used to drop the first setup line) or CR alone ending the lines.
TEST(SbeExtract, SetupAndConFilesSavedWithMarkOrCrOnlyReadAsPlain) {
    Deployment d;
    SixModels(d);
    Esf(d, 1, 0);
    RunResult r = d.Run({"--devdir", d.Path("")});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> files;
    for (const char* name : {"test_11_SBE16.000", "test_12_SBE19.000", "test_13_SBE19PLUS_RAW.000",
                             "test_14_SBE21.000", "test_15_SBE25CTD.000", "test_16_SBE25M.000"})
        files.push_back(ReadFile(d.OutFile(name)));
    const std::string err = r.err;
    for (auto form : {WithByteOrderMark, WithCrOnly}) {
        for (const char* name : {"setup.isf", "setup.esf", "s16.con", "s19.con", "plus.con", "s21.con", "s25.con"})
            WriteFile(d.Path(name), form(ReadFile(d.Path(name))));
        r = d.Run({"--devdir", d.Path("")});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, err);
        size_t i = 0;
        for (const char* name : {"test_11_SBE16.000", "test_12_SBE19.000", "test_13_SBE19PLUS_RAW.000",
                                 "test_14_SBE21.000", "test_15_SBE25CTD.000", "test_16_SBE25M.000"})
            EXPECT_EQ(ReadFile(d.OutFile(name)), files[i++]) << name;
    }
}

// The maker's own SBE 19 .HEX file ends its lines in LF alone: it must give
// the rows of its CR LF form, as a raw file and inside an archive.
TEST(SbeExtract, MakersHexFileWithLfLineEndsGivesTheRowsOfItsCrLfForm) {
    const std::string real = RealDataDir();
    const std::string folder = real + "/seabirdscientific";
    if (real.empty() || !FileExists(folder + "/CAST0002.HEX")) GTEST_SKIP() << "real Sea-Bird data not present";
    const std::string lf = ReadFile(folder + "/CAST0002.HEX");
    ASSERT_EQ(lf.find('\r'), std::string::npos);
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

    Deployment d;
    d.Isf("11 SBE19 DEV=testing.CON\r\n");
    auto rows = [](const std::string& text) {
        size_t n = 0;
        for (char c : text) n += c == '\n';
        return n;
    };
    // Raw-file mode: the capture itself is the input.
    WriteFile(d.Path("setup.esf"), "ESF Version=1.1\r\n4 1 0 11 0 0 0 0 21 0 250\r\n");
    std::string outputs[2];
    for (int form = 0; form < 2; ++form) {
        WriteFile(d.Path("cast.hex"), form == 0 ? crlf : lf);
        RunResult r = d.Run({"--devdir", folder}, "cast.hex");
        EXPECT_EQ(r.code, 0) << r.err;
        outputs[form] = ReadFile(d.OutFile("cast_11_SBE19.hex"));
    }
    EXPECT_GT(rows(outputs[0]), 800u);
    EXPECT_TRUE(outputs[1] == outputs[0]) << "the LF form differs";

    // In an archive, in engineering units and as hex output.
    for (int output : {1, 0}) {
        SCOPED_TRACE(output);
        Esf(d, output, 11);
        for (int form = 0; form < 2; ++form) {
            const std::string& text = form == 0 ? crlf : lf;
            // Twenty lines a packet in both forms, so each scan has the same time.
            ArchiveBuilder b;
            b.Lines(text, 20);
            d.Archive(b);
            RunResult r = d.Run({"--devdir", folder});
            EXPECT_EQ(r.code, 0) << r.err;
            outputs[form] = ReadFile(d.OutFile(output ? "test_11_SBE19.000" : "raw_test_11_SBE19.000"));
        }
        EXPECT_GT(rows(outputs[0]), 800u);
        EXPECT_TRUE(outputs[1] == outputs[0]) << "the LF form differs";
    }
}

TEST(SbeExtract, SixModelsInRawOutput) {
    Deployment d;
    SixModels(d);
    Esf(d, 0, 0);
    RunResult r = d.Run({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Status:  Done with Extraction\n");
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_11_SBE16.000")), "4A3B5C2D\r\n>4A3C5C2E0000\r\n4A3D5C30\r\n");
    // Raw output keeps every SBE19 scan and the reference lines, for reconversion.
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_12_SBE19.000")),
              HexHeader(19, 2835) +
                  "482254DF0000000000000C63\r\n052549EB0000000000018C62\r\n"
                  "FF0A9A480000010000008C62\r\n482654DC0010010010000C62\r\n");
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_13_SBE19PLUS_RAW.000")),
              HexHeader(190, 4977) + "071000138800081A40570A\r\n0710F0138900081A80570B\r\n");
    // The SBE21's .CON carries the code of its scans (140).
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_14_SBE21.000")),
              HexHeader(21, 2835) +
                  "4A3B5C2D0BB80006CC\r\n4A3C5C2E0BB90006D0\r\n4A3D5C300BBA0006D4\r\n");
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_15_SBE25CTD.000")),
              HexHeader(25, 2835, "* Real-Time Sample Interval = 0.125 seconds\r\n") +
                  "0BB8001F40000C6306CC\r\n0BB9001F41000C6406D0\r\n");
    EXPECT_EQ(ReadFile(d.OutFile("raw_test_16_SBE25M.000")),
              "0BB8001F40000C6306CC\r\n0BB9001F41000C6406D0\r\n0BBA001F42000C6506D4\r\n"
              "0BBB001F43000C6606D8\r\n");
}

TEST(SbeExtract, Sbe19PrepassMakesTheFirstScansConvert) {
    Deployment d;
    SixModels(d);
    Esf(d, 1, 12);
    RunResult r = d.Run({"--verbose"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Status:  Prep CTD\nStatus:  Frequency Correct SBE19\n"
                         "Status:  CTD Prep Complete\nStatus:  Channel 11\n"),
              std::string::npos)
        << r.err;
    // The first scan matches the maker's conversion (18.887 dbar, 11.0560 C, 3.445353 S/m).
    EXPECT_EQ(ReadFile(d.OutFile("test_12_SBE19.000")),
              std::string(kTitles) + "\tSpare(V)\tSpare(V)\tCHL(ug/l)\tSpare(V)\r\n" +
                  "0\t18.887\t11.0560\t 3.44535\t30.4030\t0.0000\t0.0000\t-1.1506\t0.0000\r\n" +
                  kSbe19Row);
    // The other channels are as without the pre-pass.
    EXPECT_EQ(ReadFile(d.OutFile("test_11_SBE16.000")).find(
                  std::string(kTitles) + "\r\n0\t0.000\t 9.1206\t 2.30760\t20.6287\r\n"),
              0u);

    // A CTD channel outside 11..49 is no CTD channel.
    Esf(d, 1, 60);
    r = d.Run({"--verbose"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.find("Prep CTD"), std::string::npos);
    EXPECT_EQ(ReadFile(d.OutFile("test_12_SBE19.000")),
              std::string(kTitles) + "\tSpare(V)\tSpare(V)\tCHL(ug/l)\tSpare(V)\r\n" + kSbe19Row);
}

}  // namespace
