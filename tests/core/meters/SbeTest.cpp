// Sea-Bird .CON reading, scan recognition and the CTD row writer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>
#include <cstdio>
#include <string>

#include "Context.h"
#include "SbeTestData.h"
#include "TestSupport.h"
#include "archive/Archive.h"
#include "meters/Ctd.h"
#include "meters/Sbe_hex.h"
#include "setup/MeterType.h"

namespace {

using rixtest::ConLines;
using rixtest::ConText;

struct SbeFixture : ::testing::Test {
    rixtest::TempDir dir;
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    rix::Run run{ctx};

    int Read(const std::string& text, bool plus = false) {
        const std::string path = dir.file("x.con");
        rixtest::WriteFile(path, text);
        rix::DeviceFileCall call;
        call.path = path;
        call.file = std::fopen(path.c_str(), "rb");
        int r = plus ? rix::ReadSbe19PlusConFile(run, call) : rix::ReadSbeConFile(run, call);
        std::fclose(call.file);
        return r;
    }
    int Convert(int type, const std::string& line, rix::SbeScan* out = nullptr, bool* known = nullptr) {
        rix::SbeScan scan;
        int r = rix::ConvertSbeScan(ctx, type, line.data(), static_cast<int>(line.size()), scan, known);
        if (out) *out = scan;
        return r;
    }
    void References() {
        ASSERT_EQ(Convert(rix::kSbe19, "052549EB0000000000018C62\r\n"), 1);
        ASSERT_EQ(Convert(rix::kSbe19, "FF0A9A480000010000008C62\r\n"), 2);
    }
};

TEST_F(SbeFixture, ConChecksStopTheReadWithTheirMessage) {
    struct Case {
        int line;
        std::string text;
        std::string title, message;
    };
    const Case cases[] = {
        {3, "2000.0000 0.0000 1.00000000 0.00000 0", "Unable to Process SBE Device File:", "Bad Record Line 3"},
        {110, "1 2 3 4 5", "Unable to Process SBE Device File:", "Bad Record Line 110"},
        {5, "1 2 3 4 5 6 7 2", "Unable to Process SBE Device File:", "Bad Record Line 5"},
        {13, "1 2 3", "Unable to Process SBE Device File:", "Bad Record Line 13"},
        {39, "0 18 four", "SBE.CONFile Error", "Unable to read Line 39"},
        {39, "0 18 9 137 147 2.0", "Unable to Process SBE Device File:", "Bad Record Line 39"},
        {39, "0 18 -1 137 147 2.0", "Unable to Process SBE Device File:", "Bad Record Line 39"},
    };
    for (const Case& c : cases) {
        rep.Clear();
        ctx.shared.sbe.cal = rix::SbeCalibration{};
        ConLines con = rixtest::Sbe19Con();
        con[c.line] = c.text;
        EXPECT_EQ(Read(ConText(con)), 0) << c.line;
        ASSERT_EQ(rep.boxes.size(), 1u) << c.line;
        EXPECT_EQ(rep.boxes[0].title, c.title);
        EXPECT_EQ(rep.boxes[0].text, c.message);
        EXPECT_EQ(ctx.shared.sbe.cal.conductivitySerial, 2835);  // what was read before stays
        EXPECT_EQ(ctx.shared.sbe.cal.voltageCount, 0);
    }
    // A short file stops at the first missing line, with one message.
    rep.Clear();
    EXPECT_EQ(Read(ConText(rixtest::Sbe19Con(), 100)), 0);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "Read File Error in File");
    EXPECT_EQ(rep.boxes[0].text, dir.file("x.con"));
}

TEST_F(SbeFixture, ConLinesEndAtLineFeedsAndLongLinesAreCut) {
    ConLines con = rixtest::Sbe19Con();
    con[1] = "2835w" + std::string(400, ' ') + "77";  // the rest past the limit is no line
    std::string text = ConText(con);
    // CR CR LF ends, as files from other systems have them.
    std::string crcr;
    for (char ch : text) crcr += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    ASSERT_EQ(Read(crcr), 1);
    EXPECT_TRUE(rep.boxes.empty());
    const rix::SbeCalibration& cal = ctx.shared.sbe.cal;
    EXPECT_TRUE(cal.correction);
    EXPECT_EQ(cal.furtherSerial, 193005);
    EXPECT_EQ(cal.voltageCount, 4);
    EXPECT_EQ(cal.instrumentCode, 137);
    EXPECT_EQ(cal.kinds[0], rix::SbeVoltageKind::Code86);
    EXPECT_EQ(cal.kinds[1], rix::SbeVoltageKind::Spare);
    EXPECT_EQ(cal.kinds[2], rix::SbeVoltageKind::Fluorometer);
    EXPECT_DOUBLE_EQ(cal.w2, 16.92);
    EXPECT_DOUBLE_EQ(cal.q[1], 248.4202);

    // The SBE19plus reader leaves no correction of an earlier .CON behind.
    ASSERT_EQ(Read(ConText(rixtest::Sbe19PlusCon(), 200), true), 1);
    EXPECT_FALSE(ctx.shared.sbe.cal.correction);
    EXPECT_EQ(ctx.shared.sbe.cal.instrumentCode, 2501);
}

TEST_F(SbeFixture, Sbe19StrayLinesDoNotLockTheLayout) {
    ASSERT_EQ(Read(ConText(rixtest::Sbe19Con())), 1);
    References();
    const std::string four = "482254DF0000000000000C63\r\n";
    const std::string two = "482254DF0000000C63\r\n";
    EXPECT_EQ(Convert(rix::kSbe19, two), 0);   // a stray line of the 2-voltage layout
    EXPECT_EQ(Convert(rix::kSbe19, four), 3);  // the next scan converts
    EXPECT_EQ(Convert(rix::kSbe19, "* header text here\r\n"), 0);  // 20 long, not hex
    EXPECT_EQ(ctx.shared.sbe.refs.mismatch[1], 0);

    for (int i = 0; i < 10; ++i) EXPECT_EQ(Convert(rix::kSbe19, two), 0);
    EXPECT_TRUE(rep.boxes.empty());
    EXPECT_EQ(Convert(rix::kSbe19, two), 0);  // the eleventh switches the layout
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "Warning -- Possible Configuration File Error");
    EXPECT_EQ(rep.boxes[0].text,
              "Possible Mis-match between Number of External voltages in the data and the Seabird "
              "CON File - Setting External Voltages to 2");
    rix::SbeScan scan;
    EXPECT_EQ(Convert(rix::kSbe19, two, &scan), 3);
    EXPECT_EQ(scan.voltageCount, 2);
    EXPECT_EQ(ctx.shared.sbe.cal.kinds[0], rix::SbeVoltageKind::Spare);
}

TEST_F(SbeFixture, ScansOfEachModel) {
    // Before the references an SBE19 scan is recognised (raw output keeps it) but not converted.
    ASSERT_EQ(Read(ConText(rixtest::Sbe19Con())), 1);
    bool known = false;
    EXPECT_EQ(Convert(rix::kSbe19, "482254DF0000000000000C63\r\n", nullptr, &known), 0);
    EXPECT_TRUE(known);
    EXPECT_EQ(Convert(rix::kSbe19, "482254DF0000000000000C63\n", nullptr, &known), 0);
    EXPECT_TRUE(known);  // LF alone ends a scan as CR LF does
    EXPECT_EQ(Convert(rix::kSbe19, "482254DF0000000000000C63", nullptr, &known), 0);
    EXPECT_FALSE(known);  // no line end at all
    EXPECT_EQ(Convert(rix::kSbe19, "482254DF00000000000G0C63\r\n", nullptr, &known), 0);
    EXPECT_FALSE(known);

    // An SBE25 line of 22 carries one voltage behind a pad digit.
    ASSERT_EQ(Read(ConText(rixtest::ModelCon(1, 139, "0 0 1 0 13 0"))), 1);
    rix::SbeScan scan;
    EXPECT_EQ(Convert(rix::kSbe25Ctd, "0BB8001F400C6309999\r\n", &scan), 0);  // 21: no layout
    ASSERT_EQ(Convert(rix::kSbe25Ctd, "0BB8001F40000C6306CC\r\n", &scan), 3);
    EXPECT_EQ(scan.voltageCount, 1);
    EXPECT_FLOAT_EQ(scan.volts[0], 0x6CC / 819.0f);
    EXPECT_NEAR(scan.pressure, (248.4202 - 0.06524145 * 0xC63 + 5.500284e-8 * 0xC63 * 0xC63 - 14.7) *
                                   0.68947571852677790846, 1e-9);
    // A frequency below 100 Hz is below the sensor's range.
    ASSERT_EQ(Convert(rix::kSbe25Ctd, "0000501F40000C6306CC\r\n", &scan), 3);
    EXPECT_EQ(scan.temperature, 99.9);
    EXPECT_EQ(scan.conductivity, 99.9);
    EXPECT_EQ(scan.salinity, 99.9);
    // Little conductivity: no salinity.
    ASSERT_EQ(Convert(rix::kSbe25Ctd, "0BB8000000000C6306CC\r\n", &scan), 3);
    EXPECT_LT(scan.conductivity, 0.0001);
    EXPECT_EQ(scan.salinity, 0);
    EXPECT_TRUE(rep.boxes.empty());
    // Two voltages against one in the .CON: one message until a matching scan.
    EXPECT_EQ(Convert(rix::kSbe25Ctd, "0BB8001F40000C636CC6CC\r\n"), 0);
    EXPECT_EQ(Convert(rix::kSbe25Ctd, "0BB8001F40000C636CC6CC\r\n"), 0);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "SBE .con File Error");
    EXPECT_EQ(rep.boxes[0].text, "1 voltages set in .con file, 2 voltages found in data");
    // The wrong model's .CON: one message.
    EXPECT_EQ(Convert(rix::kSbe19, "482254DF0000000000000C63\r\n"), 0);
    EXPECT_EQ(Convert(rix::kSbe21, "4A3B5C2D0BB80006CC\r\n"), 0);
    ASSERT_EQ(rep.boxes.size(), 2u);
    EXPECT_EQ(rep.boxes[1].title, "SBE .CON File Error");
    EXPECT_EQ(rep.boxes[1].text, ".CON file is not selected as SBE19");
}

TEST_F(SbeFixture, UncomputableScansGiveNoRow) {
    ASSERT_EQ(Read(ConText(rixtest::Sbe19Con())), 1);
    // Equal references leave no correction to make: the frequencies are placeholders.
    ASSERT_EQ(Convert(rix::kSbe19, "052549EB0000000000018C62\r\n"), 1);
    ASSERT_EQ(Convert(rix::kSbe19, "FF2549EB0000010000008C62\r\n"), 2);
    rix::SbeScan scan;
    EXPECT_EQ(Convert(rix::kSbe19, "482254DF0000000000000C63\r\n", &scan), 3);
    EXPECT_TRUE(std::isfinite(scan.temperature));

    // Zero temperature coefficients would divide by zero.
    ConLines con = rixtest::Sbe19Con();
    con[111] = "1000.000 0 0 0 0";
    ASSERT_EQ(Read(ConText(con)), 1);
    References();
    EXPECT_EQ(Convert(rix::kSbe19, "482254DF0000000000000C63\r\n"), 0);
}

TEST_F(SbeFixture, HexHeaderChecksTheInstrumentCode) {
    std::FILE* f = std::tmpfile();
    ctx.shared.sbe.cal.instrumentCode = 140;
    EXPECT_EQ(rix::WriteSbeHexHeader(run, rix::kSbe21, f), 1);  // the code its scans carry
    ctx.shared.sbe.cal.instrumentCode = 137;
    EXPECT_EQ(rix::WriteSbeHexHeader(run, rix::kSbe21, f), 1);
    EXPECT_EQ(rix::WriteSbeHexHeader(run, rix::kSbe25Ctd, f), 0);
    EXPECT_EQ(rix::WriteSbeHexHeader(run, rix::kSbe16, f), 0);
    EXPECT_EQ(rix::WriteSbeHexHeader(run, rix::kSbe25M, f), 0);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "SBE25 Device File Error");
    EXPECT_EQ(rep.boxes[0].text, "CTD not Listed as SBE25");
    std::fclose(f);
}

TEST_F(SbeFixture, CtdRowWithoutStreamFailsTheRunOnce) {
    float volts[1] = {1.5f};
    rix::CtdRow row;
    row.time = 10;
    row.voltageCount = 1;
    row.volts = volts;
    int pending = 1;
    EXPECT_EQ(rix::WriteCtdRow(run, nullptr, 11, pending, 0, row), 0);
    EXPECT_EQ(rix::WriteCtdRow(run, nullptr, 11, pending, 0, row), 0);
    EXPECT_TRUE(run.runFailed);
    ASSERT_EQ(rep.boxes.size(), 1u);
    EXPECT_EQ(rep.boxes[0].title, "CTD File Error");
    EXPECT_EQ(rep.boxes[0].text, "Unable to Save CTD Record, output file is not Open\n");

    // Rows: no RTemp(C) column for a second temperature of 99; other types' voltages are spares.
    std::FILE* f = std::tmpfile();
    row.time = -1;
    EXPECT_EQ(rix::WriteCtdRow(run, f, 11, pending, 0, row), 0);
    EXPECT_EQ(pending, 1);
    row.time = 250;
    row.pressure = 1.25;
    row.temperature = 10.5;
    row.conductivity = 3.25;
    row.salinity = 30.125;
    EXPECT_EQ(rix::WriteCtdRow(run, f, 11, pending, 0, row), 1);
    rix::SetCtdSeparator(ctx, ',');
    row.temperature2 = 9.75;
    EXPECT_EQ(rix::WriteCtdRow(run, f, 11, pending, 0, row), 1);
    std::rewind(f);
    char buffer[512] = {};
    std::string text(buffer, std::fread(buffer, 1, sizeof buffer - 1, f));
    std::fclose(f);
    EXPECT_EQ(text,
              "Time(ms)\tP(dbars)\tTemp(C)\tConduct\tSal(PSU)\tSpare(V)\r\n"
              "250\t1.250\t10.5000\t 3.25000\t30.1250\t1.5000\r\n"
              "250,1.250,10.5000, 3.25000,30.1250, 9.7500,1.5000\r\n");
    EXPECT_EQ(run.channelState.writers[11].columnCount, 6);
}

}  // namespace

namespace {

// An archive of logger 1 whose port 1 (channel 12) carries SBE19 lines, one packet a second.
std::string PrepassArchive(const rixtest::TempDir& dir) {
    const char* ports[] = {"\r\n482254DF0000000000000C63\r\n", "052549EB0000000000018C62\r\n",
                           "FF0A9A480000010000008C62\r\n", "482654DC0010010010000C62\r\n",
                           "052649EB0000000000018C62\r\nFF0B9A480000010000008C62\r\n"};
    std::vector<uint8_t> bytes;
    rix::PacketWriter writer;
    for (int i = 0; i < 5; ++i) {
        rix::PacketFields f;
        f.sender = 1;
        f.time = 1000u * static_cast<uint32_t>(i + 1);
        f.counts[1] = static_cast<int16_t>(std::strlen(ports[i]));
        writer.Append(bytes, f, reinterpret_cast<const uint8_t*>(ports[i]));
    }
    const std::string path = dir.file("cast.000");
    rixtest::WriteBytes(path, bytes);
    return path;
}

TEST_F(SbeFixture, PrepassStopsAtTheFirstScanOrPastTo) {
    ASSERT_EQ(Read(ConText(rixtest::Sbe19Con())), 1);
    rix::ArchiveStream archive;
    ASSERT_TRUE(archive.Open(PrepassArchive(dir)));

    // Past To before the second reference: no pair.
    EXPECT_EQ(rix::RunSbe19Prepass(run, 12, archive, 0, 0, 1500), 1);
    EXPECT_TRUE(ctx.shared.sbe.refs.r1Set);
    EXPECT_FALSE(ctx.shared.sbe.refs.r2Set);
    EXPECT_EQ(rep.statuses.back(), "Frequency Correct SBE19");

    // The first converted scan ends the pass: the later pair is not taken.
    rix::ResetSbe19References(ctx);
    EXPECT_EQ(rix::RunSbe19Prepass(run, 12, archive, 0, 0, 1e12), 1);
    EXPECT_TRUE(ctx.shared.sbe.refs.r1Set && ctx.shared.sbe.refs.r2Set);
    EXPECT_DOUBLE_EQ(ctx.shared.sbe.refs.r2, 0x0A9A48 / 256.0);
    EXPECT_EQ(run.channelState.writers[12].lineLength, 0);  // the channel pass starts afresh
    EXPECT_EQ(run.channelState.writers[12].recordTime, -1);
    EXPECT_TRUE(rep.boxes.empty());
}

}  // namespace
