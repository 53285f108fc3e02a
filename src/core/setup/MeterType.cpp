#include "setup/MeterType.h"

namespace rix {

namespace {

// Code, keyword of the instrument setup file, name in the editor's list, and
// whether the reader turns the keyword into the code. HYDROSCAT2 is recognised
// by the reader but refused (as is EZ-TILT, which has no code). MISC-ASCII
// lines are decoded like the other column device-file meters.
constexpr MeterTypeInfo kTypes[kMeterTypeCount] = {
    {kOff, "", "OFF", false},
    {kAbeta, "ABETA", "aBeta", true},
    {kNx9, "NX9", "NX-9", true},
    {kNx9WRef, "NX9WREF", "NX-9 w/Reference", true},
    {kNxs, "NXS", "NX-S", true},
    {kAnalog, "ANALOG", "Analog", true},
    {kAscii, "ASCII", "ASCII", true},
    {kTAscii, "T_ASCII", "Time + ASCII", true},
    {kAsciiT, "ASCII_T", "ASCII + Time", true},
    {kBbp, "BBP", "BBP", true},
    {kBinary, "BINARY", "Binary", true},
    {kCbeta, "CBETA", "cBeta", true},
    {kCtdEngr, "CTD-ENGR", "CTD-ENGR", true},
    {kDmm22812, "DMM22812", "DMM 22-812", true},
    {kOrb, "ORB", "ORB", true},
    {kFrrf, "FRRF", "FRRF", true},
    {kFrrfTs, "FRRF-TS", "FRRF Add TS", true},
    {kGps, "GPS", "GPS", true},
    {kGpsGga, "GPS_GGA", "GPS-GGA", true},
    {kGpsGll, "GPS_GLL", "GPS-GLL", true},
    {kGpsRmc, "GPS_RMC", "GPS-RMC", true},
    {kGpsRmcAo, "GPS_RMC_AO", "GPS-RMC-AO", true},
    {kHexOutput, "Hex_Output", "Hex Output", true},
    {kHydroscat2, "HYDROSCAT2", "Hydroscat-2", false},
    {kHydroscat6, "HYDROSCAT6", "Hydroscat-6", true},
    {kLisst100, "LISST100", "LISST-100", true},
    {kLisst100Ts, "LISST100-TS", "LISST-100 Add TS", true},
    {kMiscAscii, "MISC-ASCII", "Misc ASCII", true},
    {kPrisma, "PRISMA", "Prisma", true},
    {kSaivSd204, "SAIVSD204", "SAIV-SD204", true},
    {kSatlantic, "SATLANTIC", "Satlantic", true},
    {kSbe16, "SBE16", "SBE16", true},
    {kSbe19, "SBE19", "SBE19", true},
    {kSbe19PlusRaw, "SBE19PLUS_RAW", "SBE19Plus-Raw", true},
    {kSbe21, "SBE21", "SBE21", true},
    {kSbe25Ctd, "SBE25CTD", "SBE25", true},
    {kSbe25M, "SBE25M", "SBE25-Mopak", true},
    {kSbe32, "SBE32", "SBE32 Carousel", true},
    {kThermoBath, "Thermo_Bath", "Thermo Bath D-Plus", true},
    {kKxFlow, "KXFLOW", "KX-Flow", true},
    {kXAscii, "XASCII", "XASCII", true},
    {kXmf, "XMF", "XMF", true},
};

constexpr bool CodesMatchIndex() {
    for (int i = 0; i < kMeterTypeCount; ++i) {
        if (kTypes[i].code != i) return false;
    }
    return true;
}
static_assert(CodesMatchIndex(), "meter type table must be indexed by code");

}  // namespace

const MeterTypeInfo& MeterTypeByCode(int code) {
    if (code < 0 || code >= kMeterTypeCount) return kTypes[kOff];
    return kTypes[code];
}

bool IsCtdType(int code) {
    switch (code) {
        case kCtdEngr:
        case kSaivSd204:
        case kSbe16:
        case kSbe19:
        case kSbe19PlusRaw:
        case kSbe21:
        case kSbe25Ctd:
        case kSbe25M:
            return true;
        default:
            return false;
    }
}

}  // namespace rix
