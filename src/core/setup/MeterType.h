// Meter type codes: the value stored per channel, the editor's list index and
// the value the extraction dispatches on.
#pragma once

namespace rix {

enum MeterType : int {
    kOff = 0,
    kAbeta = 1,
    kNx9 = 2,
    kNx9WRef = 3,
    kNxs = 4,
    kAnalog = 5,
    kAscii = 6,
    kTAscii = 7,
    kAsciiT = 8,
    kBbp = 9,
    kBinary = 10,
    kCbeta = 11,
    kCtdEngr = 12,
    kDmm22812 = 13,
    kOrb = 14,
    kFrrf = 15,
    kFrrfTs = 16,
    kGps = 17,
    kGpsGga = 18,
    kGpsGll = 19,
    kGpsRmc = 20,
    kGpsRmcAo = 21,
    kHexOutput = 22,
    kHydroscat2 = 23,
    kHydroscat6 = 24,
    kLisst100 = 25,
    kLisst100Ts = 26,
    kMiscAscii = 27,
    kPrisma = 28,
    kSaivSd204 = 29,
    kSatlantic = 30,
    kSbe16 = 31,
    kSbe19 = 32,
    kSbe19PlusRaw = 33,
    kSbe21 = 34,
    kSbe25Ctd = 35,
    kSbe25M = 36,
    kSbe32 = 37,
    kThermoBath = 38,
    kKxFlow = 39,
    kXAscii = 40,
    kXmf = 41,
    // Not a meter: the date/time lines of the Julian pre-pass.
    kDateTimeLine = 42,
};

constexpr int kMeterTypeCount = 42;  // codes 0..41

struct MeterTypeInfo {
    int code;
    const char* keyword;   // in the instrument setup file ("" for OFF)
    const char* listName;  // in the editor's type list
    bool readerAccepts;    // MatchMeterKeyword turns it into this code
};

// Indexed by code 0..41.
const MeterTypeInfo& MeterTypeByCode(int code);

bool IsCtdType(int code);

}  // namespace rix
