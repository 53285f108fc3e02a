#include "meters/Drivers.h"

#include "Context.h"
#include "meters/Devfile.h"
#include "meters/Dmm22_812.h"
#include "meters/Gps.h"
#include "meters/Hobilabs.h"
#include "meters/Kxflow.h"
#include "meters/Minor.h"
#include "meters/Nx9.h"
#include "meters/Nxs.h"
#include "meters/Prisma.h"
#include "meters/Satlantic.h"
#include "meters/Sbe_hex.h"
#include "setup/MeterType.h"

namespace rix {

namespace {

// The line meters' writer: the line assembler and the generic row writer.
int WriteLines(Run& run, const WriterInput& in) {
    return AssembleLines(run, in.dataOutput, in.format, in.offsetHours, in.time, in.meterType, in.channel,
                         in.count, in.bytes, in.stream);
}

int WriteBytes(Run& run, const WriterInput& in) {
    return WriteBinaryHex(run, static_cast<long>(in.time), in.meterType, in.channel, in.count, in.bytes,
                          in.stream);
}

int ReadColumnDevice(Run& run, const DeviceFileCall& call) {
    Context& ctx = run.ctx;
    if (call.channel < 0 || call.channel >= kChannelCount) return 0;
    return ReadColumnDeviceFile(ctx, kDeviceColumns, call.file, run.channelState.writers[call.channel].device);
}

using U = DeviceFileUse;
using K = WriterKind;

// The table. Types no family serves (BBP, FRRF, LISST-100, SAIV-SD204, ...)
// have neither reader nor writer.
const MeterDriver kDrivers[] = {
    {"HOBI Labs backscattering", {kAbeta, kCbeta, kHydroscat6}, U::kRead, ReadHobiDeviceFile, nullptr, K::kNone},
    {"NX-9 a/c meter", {kNx9, kNx9WRef}, U::kRead, ReadNx9DeviceFile, WriteNx9, K::kNx9},
    {"NX-S a/c meter", {kNxs}, U::kRead, ReadNxsDeviceFile, WriteNxs, K::kNxs},
    {"column device-file lines", {kAnalog, kCtdEngr, kOrb, kMiscAscii}, U::kRead, ReadColumnDevice, WriteLines,
     K::kLines, DecodeColumnLine, true},
    {"PRISMA", {kPrisma}, U::kRead, ReadPrismaDeviceFile, WritePrisma, K::kPrisma},
    {"Satlantic radiometer", {kSatlantic}, U::kRead, ReadSatlanticCalFile, WriteSatlantic, K::kSatlantic,
     nullptr, false, EndSatlanticExtraction},
    {"Sea-Bird CTD", {kSbe16, kSbe19, kSbe21, kSbe25Ctd, kSbe25M}, U::kRead, ReadSbeConFile, WriteSbeRecords,
     K::kSbe},
    {"Sea-Bird SBE19plus", {kSbe19PlusRaw}, U::kRead, ReadSbe19PlusConFile, WriteSbeRecords, K::kSbe},
    {"KX flow meter", {kKxFlow}, U::kRead, ReadFlowDeviceFile, nullptr, K::kNone},
    {"text lines", {kAscii, kTAscii, kAsciiT}, U::kUnread, nullptr, WriteLines, K::kLines},
    {"text lines, time first", {kXAscii}, U::kUnsupported, nullptr, WriteLines, K::kLines},
    {"GPS receiver and echo sounder", {kGps, kGpsGga, kGpsGll, kGpsRmc, kGpsRmcAo}, U::kUnsupported, nullptr,
     WriteLines, K::kLines, DecodeGpsLine},
    {"binary and hex", {kBinary, kHexOutput}, U::kUnread, nullptr, WriteBytes, K::kBinaryHex},
    {"DMM 22-812 multimeter", {kDmm22812}, U::kUnread, nullptr, WriteDmm, K::kDmm},
    {"SBE32 carousel", {kSbe32}, U::kUnsupported, nullptr, WriteSbe32, K::kSbe32},
    {"thermometer bath", {kThermoBath}, U::kUnread, nullptr, WriteThermoBath, K::kThermoBath},
    {"XMF", {kXmf}, U::kUnread, nullptr, WriteXmf, K::kXmf},
};

const MeterDriver kNoDriver = {"none", {}, U::kUnsupported, nullptr, nullptr, K::kNone};

// The driver of each code, looked up once.
struct DriverIndex {
    const MeterDriver* byType[kMeterTypeCount] = {};
    DriverIndex() {
        for (const MeterDriver& d : kDrivers)
            for (int type : d.types)
                if (type > 0 && type < kMeterTypeCount) byType[type] = &d;
    }
};

}  // namespace

const MeterDriver& DriverFor(int meterType) {
    static const DriverIndex index;
    if (meterType <= 0 || meterType >= kMeterTypeCount) return kNoDriver;
    const MeterDriver* d = index.byType[meterType];
    return d ? *d : kNoDriver;
}

}  // namespace rix
