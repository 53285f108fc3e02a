// Column device files: reading, refusing, and converting records to rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "extract/Channel.h"
#include "meters/Devfile.h"
#include "meters/Seawater.h"
#include "setup/MeterType.h"
#include "setup/SetupText.h"

namespace {

using rix::ColumnKind;

struct Fixture {
    rix::RecordingReporter reporter;
    rix::Context ctx{reporter};
    rix::Run run{ctx};
    rixtest::TempDir dir;
    rix::DeviceColumns device;

    int Read(const std::string& text) {
        rixtest::WriteFile(dir.file("x.dev"), text);
        std::FILE* f = std::fopen(dir.file("x.dev").c_str(), "rb");
        int r = rix::ReadColumnDeviceFile(ctx, rix::kDeviceColumns, f, device);
        std::fclose(f);
        return r;
    }
    // "title=value" per value, "" when the record is rejected.
    std::string Convert(const std::string& record, rix::DeviceColumns* other = nullptr) {
        std::vector<char> buffer(record.begin(), record.end());
        buffer.push_back('\0');
        rix::RowValues values;
        int n = rix::ConvertColumnRecord(ctx, other ? *other : device, buffer.data(), values);
        lastTitleCount = values.titleCount;
        std::string s;
        for (int i = 0; i < n; ++i) s += rix::Format("%s%s=%8.6lf", i ? " " : "", values.titles[i], values.values[i]);
        return s;
    }
    int lastTitleCount = 0;
};

TEST(ColumnDeviceFile, ReadsEveryLineFormat) {
    Fixture fx;
    EXPECT_EQ(fx.Read("Example meter Columns=9\r\n"
                      ": head comment\r\n"
                      "isctd=yes\r\n"
                      "FIXED-DEPTH=12.5\r\n"
                      "Columns=6\r\n"
                      "Water=PURE\r\n"
                      "XFACTOR=1.2\r\n"
                      "Fixed-Salinity=30\r\n"
                      "Theta=140\r\n"
                      "% comment\r\n"
                      " \t\r\n"
                      "chl=2 0.5 10 Chl_ug\r\n"
                      "BBX=3 2e-6 50 470\r\n"
                      "KBEAM10=4 4.5 0.06\r\n"
                      "BATTERY=5\r\n"
                      "pres=6 0.1 -1\r\n"
                      "DKDC=1\r\n"),
              1);
    EXPECT_TRUE(fx.reporter.boxes.empty());
    const auto& c = fx.device.columns;
    EXPECT_EQ(fx.device.columnCount, 6);
    EXPECT_TRUE(c[0].ctdMode);
    EXPECT_FALSE(c[0].seaWater);
    EXPECT_EQ(c[0].fixedDepth, 12.5);
    EXPECT_EQ(c[0].xFactor, 1.2);
    EXPECT_EQ(c[0].fixedSalinity, 30);
    EXPECT_EQ(c[0].kind, ColumnKind::Ignored);
    EXPECT_EQ(c[1].kind, ColumnKind::Scaled);
    EXPECT_EQ(c[1].scale, 0.5);
    EXPECT_EQ(c[1].offset, 10);
    EXPECT_STREQ(c[1].title, "Chl_ug");
    EXPECT_EQ(c[2].kind, ColumnKind::Backscatter);
    EXPECT_EQ(c[2].wavelength, 470);
    EXPECT_EQ(c[2].angle, 117);
    EXPECT_EQ(c[3].kind, ColumnKind::Transmission10);
    EXPECT_EQ(c[3].reference, 4.5);
    EXPECT_EQ(c[3].dark, 0.06);
    EXPECT_EQ(c[4].kind, ColumnKind::Battery);
    EXPECT_STREQ(c[4].title, "Battery");
    EXPECT_EQ(c[5].kind, ColumnKind::Linear);
    EXPECT_STREQ(c[5].title, "E_Units");

    Fixture cut;  // 98 characters are read; the title beyond them is not
    EXPECT_EQ(cut.Read("t\r\nColumns=2\r\nENGR0=1" + std::string(91, ' ') + "Tail\r\nENGR0=2 " +
                       std::string(70, 'y') + "\r\n"),
              1);
    EXPECT_STREQ(cut.device.columns[0].title, "E_Units");
    EXPECT_STREQ(cut.device.columns[1].title, std::string(19, 'y').c_str());
}

TEST(ColumnDeviceFile, RefusesBadFilesWithTheirMessages) {
    struct Case {
        std::string text;
        int result;
        std::string title, message;  // "" = no box
        int columnCount;
    };
    const std::string head = "t\r\nColumns=1\r\n";
    const std::string longComment = ":" + std::string(97, 'x') + "ENGR0=2\r\n";
    const Case cases[] = {
        {"t\r\nColumns=abc\r\n", 0, "Device File Error", "Invalid Line 'Columns=abc' in *.dev file", 0},
        {"t\r\nColumns=101\r\n", 0, "Device File Error", "Invalid Line 'Columns=101' in *.dev file", 0},
        {"t\r\nColumns=-3\r\n", 0, "Device File Error", "Invalid Line 'Columns=-3' in *.dev file", 0},
        {"t\r\nISCTD=YES\r\n", 0, "Device File Error", "No Columns= line in *.dev file", 0},
        {"t Columns=1\r\nISCTD=YES\r\n", 0, "Device File Error", "No Columns= line in *.dev file", 0},
        {"", 0, "Device File Error", "No Columns= line in *.dev file", 0},
        {"t\r\nColumns=0\r\nColumns=1\r\nENGR0=1\r\n", 0, "Device File Error", "Invalid Line 'Columns=0' in *.dev file", 0},
        {"t\r\nFIXED-DEPTH=deep\r\n", 0, "ORB Device File Error", "Invalid Line 'FIXED-DEPTH=deep' in *.dev file", 0},
        {head + "CHL=1 0.5\r\n", 0, "Error in Device File", "1 0.5", 1},
        {head + "BBX=1 1 2 x\r\n", 0, "Error in Device File", "1 1 2 x", 1},
        {head + "DATE=x\r\n", 0, "ORB Device File Error", "Invalid Line 'DATE=x' in *.dev file", 1},
        {head + "Theta=wide\r\nENGR0=1\r\n", 0, "ORB Device File Error", "Invalid Line 'Theta=wide' in *.dev file", 1},
        {head + "ENGR0=101\r\n", 0, "", "", 0},
        {head + "CHL=0 1 0\r\n", 0, "", "", 0},
        {head + "ENGR0=1\r\nIENGR=1\r\n", 0, "Device File Error", "Columns (1) does not match define Fields (2) in *.dev", 1},
        {head + "hello\r\nENGR0=1\r\n", 1, "Invalid Line in Device File", "hello", 1},
        {head + "Water=SEA\r\nWater=PURE\r\nENGR0=1\r\n", 1, "", "", 1},
        // A line beyond 98 characters is cut; its rest is not a line of its own.
        {head + longComment + "ENGR0=1\r\n", 1, "", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Fixture fx;
        EXPECT_EQ(fx.Read(c.text), c.result);
        if (c.title.empty()) {
            EXPECT_TRUE(fx.reporter.boxes.empty());
        } else {
            ASSERT_EQ(fx.reporter.boxes.size(), 1u);
            EXPECT_EQ(fx.reporter.boxes[0].title, c.title);
            EXPECT_EQ(fx.reporter.boxes[0].text, c.message);
        }
        EXPECT_EQ(fx.device.columnCount, c.columnCount);
    }
}

TEST(ColumnDeviceFile, RefusesFilesWhoseRowsOutgrowTheWriter) {
    Fixture fx;
    std::string text = "t\r\nColumns=56\r\n";
    for (int i = 1; i <= 56; ++i) text += rix::Format("BBX=%d 1 0 700\r\n", i);
    EXPECT_EQ(fx.Read(text), 0);
    ASSERT_EQ(fx.reporter.boxes.size(), 1u);
    EXPECT_EQ(fx.reporter.boxes[0].title, "Device File Error");
    EXPECT_EQ(fx.reporter.boxes[0].text, "Columns give 224 values per record, more than 220 in *.dev");
    // Refused: no record converts.
    EXPECT_EQ(fx.Convert(std::string(56 * 2, '1')), "");

    Fixture ok;
    text = "t\r\nColumns=55\r\n";
    for (int i = 1; i <= 55; ++i) text += rix::Format("BBX=%d 1 0 700\r\n", i);
    EXPECT_EQ(ok.Read(text), 1);
}

TEST(ColumnDeviceFile, FindsUpperCasedNamesInAnyCase) {
    rixtest::TempDir dir;
    rixtest::WriteFile(dir.file("orb.dev"), "x");
    rixtest::WriteFile(dir.file("CTD.DEV"), "x");
    EXPECT_EQ(rix::FindDeviceFile(dir.path(), "ORB.DEV"), dir.file("orb.dev"));
    EXPECT_EQ(rix::FindDeviceFile(dir.path(), "CTD.DEV"), dir.file("CTD.DEV"));
    EXPECT_EQ(rix::FindDeviceFile(dir.path(), "NONE.DEV"), dir.file("NONE.DEV"));
    EXPECT_EQ(rix::FindDeviceFile(dir.file("missing"), "ORB.DEV"), dir.file("missing") + "/ORB.DEV");
}

// An absolute name stands as given (upper-cased by the setup reader, so it is
// matched folder by folder ignoring case), not joined to the device folder.
TEST(ColumnDeviceFile, AbsoluteNamesAreNotJoinedToTheFolder) {
    rixtest::TempDir dir;
    std::filesystem::create_directory(dir.file("Cal"));
    rixtest::WriteFile(dir.file("Cal/orb.dev"), "x");
    std::string upper = dir.file("Cal/orb.dev");
    rix::setuptext::ToUpperAscii(upper);
    EXPECT_EQ(rix::FindDeviceFile(dir.file("elsewhere"), dir.file("Cal/orb.dev")), dir.file("Cal/orb.dev"));
    EXPECT_EQ(rix::FindDeviceFile(dir.file("elsewhere"), upper), dir.file("Cal/orb.dev"));
    EXPECT_EQ(rix::FindDeviceFile(dir.path(), dir.file("Cal/none.dev")), dir.file("Cal/none.dev"));
    EXPECT_EQ(rix::DeviceFilePath(dir.path(), "/x/ORB.DEV"), "/x/ORB.DEV");
    EXPECT_EQ(rix::DeviceFilePath(dir.path(), "ORB.DEV"), dir.file("ORB.DEV"));
}

TEST(ColumnRecord, ConvertsEachKind) {
    struct Case {
        std::string defs;  // after the head
        int columns;
        std::string record;
        std::string row;
    };
    const Case cases[] = {
        {"CHL=3 0.0073 49\r\nENGR0=1\r\nN/U=2\r\n", 3, "5.5 x 149\r\n", "E_Units=5.500000 E_Units=0.730000"},
        {"iTemp=1 0.5 2 T\r\nENGR2=2 10 2 R\r\n", 2, "4\t6\r\n", "T=4.000000 R=0.500000"},
        {"KBEAM10=1 4 2\r\nKBEAM25=2 4 2\r\nKBEAM=3 4 2\r\n", 3, "2,3,2.5",
         "%Trans=0.000000 m-1=9999.900000 %Trans=0.500000 m-1=2.772589 %Trans=0.250000"},
        // No range between dark and reference.
        {"KBEAM10=1 3 3\r\nKBEAM=2 3 3\r\nENGR2=3 3 3\r\n", 3, "1 2 3",
         "%Trans=9999.900000 m-1=9999.900000 %Trans=9999.900000 E_Units=9999.999999"},
        {"BBX=1 2e-6 50 700\r\n", 1, "1050",
         "Beta(700)=0.002000 BetaP(700)=0.001952 bbP(700)=0.013494 bb(700)=0.013846"},
        {"Water=PURE\r\nLambda=1 2e-6 50 700\r\n", 1, "1050",
         "Beta(700)=0.002000 BetaP(700)=0.001952 bbP(700)=0.013494 bb(700)=0.013765"},
        // Date and time fields are checked but give no value.
        {"Date=1\r\nTime=2\r\nIENGR=3\r\n", 3, "99/99/99 12:00:01 7", "E_Units=7.000000"},
        {"Date=1\r\nTime=2\r\nIENGR=3\r\n", 3, "12-31-2005 12:00:01 7", "E_Units=7.000000"},
        {"Date=1\r\nTime=2\r\nIENGR=3\r\n", 3, "12/31/05 12-00-01 7", ""},
        // Words starting with one of the ten letters are no fields; others must read.
        {"ENGR0=1\r\nENGR0=2\r\n", 2, "1 ERR", ""},
        {"ENGR0=1\r\nENGR0=2\r\n", 2, "1 NaN 2", "E_Units=1.000000 E_Units=2.000000"},
        {"ENGR0=1\r\nENGR0=2\r\n", 2, "1 x2", ""},
        // A value that is not finite gives no row.
        {"ENGR0=1\r\nENGR0=2\r\n", 2, "1 nan", ""},
        {"ENGR0=1\r\nENGR0=2\r\n", 2, "1 inf", ""},
        {"CHL=1 1e308 0\r\n", 1, "1e10", ""},
        {"BBX=1 1 0 0\r\n", 1, "5", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.defs + "|" + c.record);
        Fixture fx;
        ASSERT_EQ(fx.Read(rix::Format("t\r\nColumns=%d\r\n", c.columns) + c.defs), 1);
        EXPECT_EQ(fx.Convert(c.record), c.row);
    }
}

TEST(ColumnRecord, CtdModeRow) {
    Fixture fx;
    ASSERT_EQ(fx.Read("t\r\nISCTD=YES\r\nColumns=5\r\nTEMPERATURE=1\r\nCONDUCTIVITY=2\r\nVOLTS=3\r\n"
                      "DKFOL=4\r\nCHL=5 2 0\r\n"),
              1);
    // No pressure, depth or fixed depth: salinity at pressure 0; scaled columns are not shown.
    EXPECT_EQ(fx.Convert("15 4.2914 1.5 0.02 9\r\n"),
              rix::Format("Temp(C)=15.000000 Conduct=4.291400 Salinity=%8.6lf Voltage_0=1.500000 "
                          "DKFOL_0=0.020000",
                          rix::PracticalSalinity(4.2914, 15 * 1.00024, 0)));

    Fixture fd;
    ASSERT_EQ(fd.Read("t\r\nISCTD=YES\r\nFIXED-DEPTH=3\r\nColumns=4\r\nDEPTH=1\r\nPRESSURE=2\r\n"
                      "TEMPERATURE=3\r\nCONDUCTIVITY=4\r\n"),
              1);
    EXPECT_EQ(fd.Convert("10.5 10 12 3.5"),
              rix::Format("Depth(m)=3.000000 Depth(m)=10.500000 Pressure=10.000000 Temp(C)=12.000000 "
                          "Conduct=3.500000 Salinity=%8.6lf",
                          rix::PracticalSalinity(3.5, 12 * 1.00024, 10)));

    Fixture fs;  // a salinity column, and at most ten volts
    std::string defs = "t\r\nISCTD=YES\r\nColumns=12\r\nSALINITY=1\r\n";
    std::string record = "33";
    for (int i = 2; i <= 12; ++i) {
        defs += rix::Format("VOLTS=%d\r\n", i);
        record += rix::Format(" %d", i);
    }
    ASSERT_EQ(fs.Read(defs), 1);
    std::string row = "Salinity=33.000000";
    for (int i = 0; i < 10; ++i) row += rix::Format(" Voltage_%d=%d.000000", i, i + 2);
    EXPECT_EQ(fs.Convert(record), row);
}

TEST(ColumnRecord, SixthMismatchInARowIsShownOnceAcrossChannels) {
    Fixture fx;
    ASSERT_EQ(fx.Read("t\r\nColumns=2\r\nENGR0=1\r\nENGR0=2\r\n"), 1);
    rix::DeviceColumns other = fx.device;  // a second channel with the same file
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(fx.Convert("1 2 3", i % 2 ? nullptr : &other), "");
        EXPECT_EQ(fx.reporter.boxes.size(), i < 6 ? 0u : 1u) << i;
    }
    EXPECT_EQ(fx.reporter.boxes[0].title, "Possible Mis-Match between Device File and Meter");
    EXPECT_EQ(fx.reporter.boxes[0].text, "Execution Error - Columns found 3 != Columns Expected 2");
    // A good record clears the count; an unreadable field does not.
    EXPECT_EQ(fx.Convert("1 2", &other), "E_Units=1.000000 E_Units=2.000000");
    for (int i = 0; i < 5; ++i) fx.Convert("1");
    fx.Convert("1 x");
    EXPECT_EQ(fx.reporter.boxes.size(), 1u);
    fx.Convert("1");
    EXPECT_EQ(fx.reporter.boxes.size(), 2u);
    EXPECT_EQ(fx.reporter.boxes[1].text, "Execution Error - Columns found 1 != Columns Expected 2");
}

TEST(ColumnRecord, BatteryCellsCloseTheRowWhenTheyChange) {
    Fixture fx;
    ASSERT_EQ(fx.Read("t\r\nColumns=3\r\nBATTERY=1\r\nENGR0=2 A\r\nENGR0=3 B\r\n"), 1);
    const std::pair<const char*, const char*> rows[] = {
        {"12.0 1 2", "A=1.000000 B=2.000000 Battery=12.000000"},
        {"12.05 3 4", "A=3.000000 B=4.000000"},
        {"12.1 5 6", "A=5.000000 B=6.000000 Battery=12.100000"},  // 0.1 since the last written
        {"12.15 7 8", "A=7.000000 B=8.000000"},
        {"11.9 9 10", "A=9.000000 B=10.000000 Battery=11.900000"},
    };
    for (const auto& [record, row] : rows) {
        EXPECT_EQ(fx.Convert(record), row) << record;
        EXPECT_EQ(fx.lastTitleCount, 3);  // the header always lists the battery
    }

    Fixture two;  // two batteries: an unchanged one before a changed one holds the placeholder
    ASSERT_EQ(two.Read("t\r\nColumns=3\r\nBATTERY=1 Main\r\nENGR0=2\r\nBATTERY=3 Backup\r\n"), 1);
    EXPECT_EQ(two.Convert("12 5 9"), "E_Units=5.000000 Main=12.000000 Backup=9.000000");
    EXPECT_EQ(two.Convert("12 5 9.5"), "E_Units=5.000000 Main=9999.999999 Backup=9.500000");
    EXPECT_EQ(two.Convert("11 5 9.5"), "E_Units=5.000000 Main=11.000000");
}

}  // namespace

namespace {

TEST(ColumnDeviceFile, ChannelWithoutDeviceFileKeepsItsColumns) {
    Fixture fx;
    rixtest::WriteFile(fx.dir.file("orb.dev"), "t\r\nColumns=1\r\nCHL=1 2 1\r\n");
    rix::ChannelSetup setup;
    setup.type = rix::kOrb;
    setup.deviceFile = "ORB.DEV";  // upper-cased by the instrument setup
    rix::ReadChannelDeviceFile(fx.run, 1, 11, fx.dir.path(), setup, nullptr);
    EXPECT_TRUE(fx.reporter.boxes.empty());
    rix::DeviceColumns& device = fx.run.channelState.writers[11].device;
    EXPECT_EQ(fx.Convert("3", &device), "E_Units=4.000000");

    setup.deviceFile = "   ";
    rix::ReadChannelDeviceFile(fx.run, 1, 11, fx.dir.path(), setup, nullptr);
    EXPECT_EQ(fx.Convert("3", &device), "E_Units=4.000000");
    // A new run starts from the defaults: no columns, so no row.
    rix::ResetAllChannels(fx.run);
    rix::ReadChannelDeviceFile(fx.run, 1, 11, fx.dir.path(), setup, nullptr);
    EXPECT_EQ(device.columnCount, 0);
    EXPECT_EQ(fx.Convert("3", &device), "");
    EXPECT_TRUE(fx.reporter.boxes.empty());
}

}  // namespace
