#include "inspect/ExtractedFile.h"

#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"

namespace {

using rix::ExtractedColumns;
using rix::ExtractedLayout;
using rix::StampKind;

ExtractedLayout Layout(const std::string& path) {
    ExtractedLayout layout;
    std::string error;
    EXPECT_TRUE(rix::ReadExtractedLayout(path, layout, error)) << error;
    return layout;
}

std::vector<double> Column(const ExtractedLayout& layout, int column) {
    ExtractedColumns data;
    std::string error;
    EXPECT_TRUE(rix::ReadExtractedColumns(layout, {column}, data, error)) << error;
    return data.values.empty() ? std::vector<double>() : data.values[0];
}

TEST(ExtractedFile, CtdFileTitlesJulianStampAndPlaceholders) {
    rixtest::TempDir dir;
    const std::string path = dir.file("d_15_SBE25CTD.000");
    rixtest::WriteFile(path,
                       "JulianDay\tP(dbars)\tTemp(C)\tConduct\tSal(PSU)\r\n"
                       "163.5\t1.0\t13.9\t3.6\t29.7\r\n"
                       "163.6\t2.0\t99.9\t99\t99\r\n"
                       "163.7\t9999.9\t12.0\t9999.999999\t30.0\r\n");
    const ExtractedLayout layout = Layout(path);
    ASSERT_EQ(layout.titles, (std::vector<std::string>{"JulianDay", "P(dbars)", "Temp(C)", "Conduct", "Sal(PSU)"}));
    EXPECT_EQ(layout.stamp, StampKind::kJulian);
    EXPECT_EQ(layout.stampColumn, 0);
    EXPECT_EQ(layout.rows, 3);
    EXPECT_EQ(rix::PressureColumn(layout), 1);

    // 99.9 is a gap only as a CTD temperature, 99 only as a salinity.
    EXPECT_TRUE(std::isnan(Column(layout, 2)[1]));
    EXPECT_EQ(Column(layout, 3)[1], 99.0);
    EXPECT_TRUE(std::isnan(Column(layout, 4)[1]));
    EXPECT_TRUE(std::isnan(Column(layout, 1)[2]));
    EXPECT_TRUE(std::isnan(Column(layout, 3)[2]));
    EXPECT_EQ(Column(layout, rix::kStampValues), (std::vector<double>{163.5, 163.6, 163.7}));
    EXPECT_EQ(Column(layout, rix::kRowNumbers), (std::vector<double>{1, 2, 3}));
}

TEST(ExtractedFile, Nx9FileTakesTitlesFromItsDeviceHeader) {
    rixtest::TempDir dir;
    const std::string path = dir.file("d_23_NX9.000");
    rixtest::WriteFile(path,
                       "MorView ver 99.0A\t01-01-2000\t00:00:00 Create By RIX v4.XX\r\n"
                       "NX9 example\r\n165\t; serial number\r\n4\t; temperature bins\r\n5.0\r\n12.0\r\n"
                       "a650\t0\t0.1\r\nc412\t0\t0.2\r\n"
                       "1\t\t; aquisition bin size\r\n"
                       "163.9\t0.1\t0.2\t10.12\t0.000000\t9.970\t20.0000\t0.000000\r\n"
                       "164.0\t0.3\t9999.9\t10.12\t0.000000\t9.970\t20.0000\t0.000000\r\n");
    const ExtractedLayout layout = Layout(path);
    EXPECT_TRUE(layout.acHeader);
    EXPECT_EQ(layout.titles, (std::vector<std::string>{"Time", "a650", "c412", "I-Temp", "__N/A__", "P(dbars)",
                                                       "__N/A__", "__N/A__"}));
    EXPECT_EQ(layout.rows, 2);
    EXPECT_EQ(layout.dataLine, 9);
    const std::vector<rix::SpectrumColumn> spectrum = rix::SpectrumColumns(layout);
    ASSERT_EQ(spectrum.size(), 2u);
    EXPECT_EQ(spectrum[1].kind, 'c');
    EXPECT_EQ(spectrum[1].wavelength, 412.0);
    EXPECT_TRUE(std::isnan(Column(layout, 2)[1]));
    // The merge pads short titles with underscores; both names find the column.
    EXPECT_EQ(rix::FindExtractedColumn(layout, "C412__"), 2);
    EXPECT_EQ(rix::FindExtractedColumn(layout, "a999"), -1);
}

TEST(ExtractedFile, TitleLineAfterACopiedDeviceHeaderAndIsoStamps) {
    rixtest::TempDir dir;
    const std::string path = dir.file("d_30_PRISMA.000");
    rixtest::WriteFile(path,
                       "[aoffsets]\r\n1.0\r\n2.0\r\n"
                       "DateTimeUTC\t412R\t412A\t500\tiTemp(C)\r\n"
                       "2005-06-12T23:59:59.000Z\t1\t2\t3\t4\r\n"
                       "0000-00-00T00:00:00.000Z\t1\t2\t3\t4\r\n");
    const ExtractedLayout layout = Layout(path);
    EXPECT_EQ(layout.stamp, StampKind::kIso);
    EXPECT_EQ(layout.dataLine, 4);
    const std::vector<double> stamps = Column(layout, rix::kStampValues);
    ASSERT_EQ(stamps.size(), 2u);
    EXPECT_GT(stamps[0], 1.7e11);
    EXPECT_TRUE(std::isnan(stamps[1]));  // a row the run could not date
    const std::vector<rix::SpectrumColumn> spectrum = rix::SpectrumColumns(layout);
    ASSERT_EQ(spectrum.size(), 1u);
    EXPECT_EQ(spectrum[0].column, 2);
}

TEST(ExtractedFile, YearAndDayColumnsRunOnAcrossNewYear) {
    rixtest::TempDir dir;
    const std::string path = dir.file("y.000");
    rixtest::WriteFile(path, "Year\tJulianDay\tX\r\n   4\t366.5\t1\r\n   5\t001.25\t2\r\n");
    const ExtractedLayout layout = Layout(path);
    EXPECT_EQ(layout.stamp, StampKind::kYearDay);
    EXPECT_EQ(layout.stampColumn, 1);
    EXPECT_EQ(Column(layout, rix::kStampValues), (std::vector<double>{366.5, 367.25}));
}

TEST(ExtractedFile, UntitledFilesNameTheirNumericColumns) {
    rixtest::TempDir dir;
    const std::string path = dir.file("d_12_T_ASCII.000");
    rixtest::WriteFile(path, "163.1\tCHL= 1.214 NTU= 0.564\r\n163.2\tCHL= 1.224 NTU= 0.562\r\n");
    ExtractedLayout layout = Layout(path);
    EXPECT_FALSE(layout.titled);
    EXPECT_EQ(layout.titles, (std::vector<std::string>{"col1", "col2", "col3"}));
    EXPECT_EQ(layout.stampColumn, 0);  // the T_ASCII meter stamps its lines first
    EXPECT_EQ(Column(layout, 2), (std::vector<double>{0.564, 0.562}));

    const std::string plain = dir.file("plain.txt");
    rixtest::WriteFile(plain, "  12.299,  7.90,  0.124\r\n  12.303,  7.92,  0.124\r\n");
    layout = Layout(plain);
    EXPECT_EQ(layout.Columns(), 3);
    EXPECT_EQ(layout.stamp, StampKind::kNone);
}

TEST(ExtractedFile, WhatIsNoDataFileIsRefusedWithItsName) {
    rixtest::TempDir dir;
    struct Case {
        std::string name, content, words;
    };
    const std::vector<Case> cases = {
        {"empty.txt", "", "is empty"},
        {"prose.txt", "The cast went well.\nWe saw 3 whales.\nNothing else.\n", "not a file RIX writes"},
        {"words.txt", "alpha beta\ngamma\n", "no numeric columns"},
        {"header.000", "JulianDay\tP(dbars)\r\n", "no data rows"},
        {"binary.bin", std::string("\x01\x02\x00\x05 12 13\n", 12), "binary"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        rixtest::WriteFile(path, c.content);
        ExtractedLayout layout;
        std::string error;
        EXPECT_FALSE(rix::ReadExtractedLayout(path, layout, error)) << c.name;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(c.words), std::string::npos) << error;
    }
    ExtractedLayout layout;
    std::string error;
    EXPECT_FALSE(rix::ReadExtractedLayout(dir.file("missing.000"), layout, error));
}

}  // namespace
