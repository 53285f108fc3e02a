// Every meter type of the instrument setup goes to its writer; the types
// without a decoder print their "Not Valid" line.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "Context.h"
#include "setup/MeterType.h"

namespace {

using rix::WriterKind;

TEST(Routing, EveryMeterTypeReachesItsWriter) {
    const std::map<std::string, WriterKind> byKeyword = {
        {"ANALOG", WriterKind::kLines},      {"ASCII", WriterKind::kLines},
        {"T_ASCII", WriterKind::kLines},     {"ASCII_T", WriterKind::kLines},
        {"CTD-ENGR", WriterKind::kLines},    {"ORB", WriterKind::kLines},
        {"GPS", WriterKind::kLines},         {"GPS_GGA", WriterKind::kLines},
        {"GPS_GLL", WriterKind::kLines},     {"GPS_RMC", WriterKind::kLines},
        {"GPS_RMC_AO", WriterKind::kLines},  {"MISC-ASCII", WriterKind::kLines},
        {"XASCII", WriterKind::kLines},      {"NX9", WriterKind::kNx9},
        {"NX9WREF", WriterKind::kNx9},       {"NXS", WriterKind::kNxs},
        {"BINARY", WriterKind::kBinaryHex},  {"Hex_Output", WriterKind::kBinaryHex},
        {"DMM22812", WriterKind::kDmm},      {"PRISMA", WriterKind::kPrisma},
        {"SATLANTIC", WriterKind::kSatlantic}, {"SBE16", WriterKind::kSbe},
        {"SBE19", WriterKind::kSbe},         {"SBE19PLUS_RAW", WriterKind::kSbe},
        {"SBE21", WriterKind::kSbe},         {"SBE25CTD", WriterKind::kSbe},
        {"SBE25M", WriterKind::kSbe},        {"SBE32", WriterKind::kSbe32},
        {"Thermo_Bath", WriterKind::kThermoBath}, {"XMF", WriterKind::kXmf},
    };
    rix::RecordingReporter rep;
    rix::Context ctx{rep};
    rix::Run run{ctx};
    rix::ResetAllChannels(run);
    int unrouted = 0;
    for (int code = 0; code < rix::kMeterTypeCount; ++code) {
        const rix::MeterTypeInfo& info = rix::MeterTypeByCode(code);
        ASSERT_EQ(info.code, code);
        auto it = byKeyword.find(info.keyword);
        const WriterKind expected = it == byKeyword.end() ? WriterKind::kNone : it->second;
        EXPECT_EQ(rix::RouteOf(code), expected) << info.keyword;
        if (expected != WriterKind::kNone) continue;
        rix::ChannelSetup setup;
        setup.type = code;
        const uint8_t byte = 'x';
        rep.Clear();
        EXPECT_EQ(rix::DispatchRecord(run, 11, setup, 1, 0, 0, 0, 1, &byte, nullptr), 0);
        EXPECT_EQ(rep.out, "\nChannel 11:  Type " + std::to_string(code) + " Not Valid\n");
        ++unrouted;
    }
    // OFF, ABETA, BBP, CBETA, FRRF, FRRF-TS, HYDROSCAT2, HYDROSCAT6, LISST100,
    // LISST100-TS, SAIVSD204, KXFLOW.
    EXPECT_EQ(unrouted, 12);
    EXPECT_EQ(rix::RouteOf(rix::kDateTimeLine), WriterKind::kNone);
}

}  // namespace
