// End-to-end: a DMM, a thermometer bath, an SBE32 carousel and a flow meter
// on one logger, extracted by the rix program.
#include <gtest/gtest.h>

#include <string>

#include "CliSupport.h"

namespace {

using namespace rixtest;

std::string DmmFrame() {  // 0.159 mA
    std::string f = {3, 0, 0, static_cast<char>(243), static_cast<char>(227), 88, static_cast<char>(215), 0};
    unsigned sum = 57;
    for (char c : f) sum += static_cast<uint8_t>(c);
    return f + static_cast<char>(sum & 0xFF);
}

std::string ThermoFrame(uint8_t type, int16_t hundredths) {
    std::string f = {static_cast<char>(0xCA), 0, 1, static_cast<char>(type), 3, 33,
                     static_cast<char>(hundredths >> 8), static_cast<char>(hundredths & 0xFF)};
    unsigned sum = 0;
    for (size_t i = 1; i < f.size(); ++i) sum += static_cast<uint8_t>(f[i]);
    return f + static_cast<char>(0xFF - (sum & 0xFF));
}

TEST(ExtractMinorMeters, RowsStatusesAndNotValidLines) {
    Deployment d;
    d.Isf("11 KXFLOW DEV=flow.dev\r\n12 DMM22812\r\n13 Thermo_Bath\r\n14 SBE32 DEV=carousel.dev\r\n");
    d.Esf(0, 1, 0, 0);
    WriteFile(d.Path("FLOW.DEV"), "KXFLOW3\r\n\r\n\r\n2\r\n\r\n1 11 2.5\r\n6 12 1.0\r\n");
    WriteFile(d.Path("CAROUSEL.DEV"), "none\r\n");
    std::string eight;
    for (int i = 0; i < 8; ++i) eight += DmmFrame();
    ArchiveBuilder b;
    const std::string flow = "KXFLOW3 1.0 2.0 3.0 4.0\r\n";
    b.Add(1, 1000, {{0, flow}, {1, eight.substr(0, 65)}, {2, ThermoFrame(0x21, 1850)}, {3, "OK\r\n"}});
    b.Add(1, 2000, {{0, flow}, {1, eight.substr(65)}, {2, ThermoFrame(0x20, 2125)}});
    d.Archive(b);

    RunResult r = d.Run({"--verbose"});
    ASSERT_EQ(r.code, 3) << r.err;  // the flow meter's device file is refused
    EXPECT_EQ(r.out, "\nChannel 11:  Type 39 Not Valid\n\nChannel 11:  Type 39 Not Valid\n");
    EXPECT_NE(r.err.find("Status:  Read KXFLOW Device File\n"
                         "KXFLow.dev File Error: Invalid Flow Meter ID '6' in KXFLOW*.dev\n"
                         "Status:  Invalid Flow Meter ID '6' in KXFLOW*.dev\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Device File Error: Unsupported Device File for Channel 14 Type 37\n"),
              std::string::npos);
    EXPECT_NE(r.err.find("Channels Without Output: No file was written for channel 11 KXFLOW (device file "
                         "./FLOW.DEV is refused by its reader)\n"),
              std::string::npos);
    EXPECT_FALSE(rixtest::FileExists(d.OutFile("test_11_KXFLOW.000")));
    // The eighth reading's frame began in the first packet.
    EXPECT_EQ(ReadFile(d.OutFile("test_12_DMM22812.000")), "Time(ms)\t_DC mA\r\n0\t0.16\r\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_13_Thermo_Bath.000")), "1000\t21.25\t18.50\r\n");
    EXPECT_EQ(ReadFile(d.OutFile("test_14_SBE32.000")), "0\tO\r\n0\tK\r\n0\t\r\r\n0\t\n\r\n");
}

}  // namespace
