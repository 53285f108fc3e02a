// The real SBE 19 cast against the maker's own conversion of it, and the
// real .CON files of an SBE 19 and an SBE 19plus.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "meters/Sbe_hex.h"
#include "setup/MeterType.h"

namespace {

std::string Folder() {
    std::string dir = rixtest::RealDataDir();
    if (dir.empty()) return dir;
    dir += "/seabirdscientific";
    return rixtest::FileExists(dir + "/CAST0002.HEX") ? dir : std::string();
}

int ReadCon(rix::Context& ctx, const std::string& path, bool plus) {
    rix::Run run(ctx);
    rix::DeviceFileCall call;
    call.path = path;
    call.file = std::fopen(path.c_str(), "rb");
    if (!call.file) return -1;
    int r = plus ? rix::ReadSbe19PlusConFile(run, call) : rix::ReadSbeConFile(run, call);
    std::fclose(call.file);
    return r;
}

// The cast's scan lines (24 hex digits), each given the CR LF its length needs.
std::vector<std::string> ScanLines(const std::string& dir) {
    std::istringstream in(rixtest::ReadFile(dir + "/CAST0002.HEX"));
    std::vector<std::string> lines;
    std::string l;
    while (std::getline(in, l))
        if (l.size() == 24 && l.find_first_not_of("0123456789ABCDEF") == std::string::npos)
            lines.push_back(l + "\r\n");
    return lines;
}

struct MakerRow {
    double t, c, p;
};

std::vector<MakerRow> MakerRows(const std::string& dir) {
    std::istringstream in(rixtest::ReadFile(dir + "/CAST0002.cnv"));
    std::vector<MakerRow> rows;
    std::string l;
    bool data = false;
    while (std::getline(in, l)) {
        if (l.rfind("*END*", 0) == 0) {
            data = true;
            continue;
        }
        MakerRow r;
        if (data && std::sscanf(l.c_str(), "%lf%lf%lf", &r.t, &r.c, &r.p) == 3) rows.push_back(r);
    }
    return rows;
}

struct Differences {
    int converted = 0;
    double t = 0, c = 0, p = 0;
};

// Converts every scan after the first reference pair and compares it with the maker's row.
Differences Compare(rix::Context& ctx, const std::vector<std::string>& lines,
                    const std::vector<MakerRow>& maker) {
    Differences d;
    bool pairSeen = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        rix::SbeScan scan;
        int r = rix::ConvertSbeScan(ctx, rix::kSbe19, lines[i].data(),
                                    static_cast<int>(lines[i].size()), scan);
        if (r == 1 || r == 2) {
            pairSeen = ctx.shared.sbe.refs.r1Set && ctx.shared.sbe.refs.r2Set;
            continue;
        }
        if (!pairSeen) {
            EXPECT_EQ(r, 0) << "scan " << i << " before the references";
            continue;
        }
        EXPECT_EQ(r, 3) << "scan " << i;
        if (r != 3) continue;
        ++d.converted;
        d.t = std::max(d.t, std::fabs(scan.temperature - maker[i].t));
        d.c = std::max(d.c, std::fabs(scan.conductivity - maker[i].c));
        d.p = std::max(d.p, std::fabs(scan.pressure - maker[i].p));
    }
    return d;
}

TEST(SbeRealData, Sbe19CastMatchesTheMakersConversion) {
    const std::string dir = Folder();
    if (dir.empty()) GTEST_SKIP() << "real Sea-Bird data not present";
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    ASSERT_EQ(ReadCon(ctx, dir + "/testing.CON", false), 1);
    EXPECT_EQ(ctx.shared.sbe.cal.instrumentCode, 137);
    EXPECT_EQ(ctx.shared.sbe.cal.voltageCount, 4);
    EXPECT_EQ(ctx.shared.sbe.cal.kinds[2], rix::SbeVoltageKind::Fluorometer);
    EXPECT_EQ(ctx.shared.sbe.cal.fluorometerSerial, 668);

    const std::vector<std::string> lines = ScanLines(dir);
    const std::vector<MakerRow> maker = MakerRows(dir);
    ASSERT_EQ(lines.size(), 911u);
    ASSERT_EQ(maker.size(), 911u);
    Differences d = Compare(ctx, lines, maker);
    EXPECT_EQ(d.converted, 911 - 16 - 4);  // 8 reference pairs, 4 scans before the first
    EXPECT_TRUE(rep.boxes.empty());
    // The maker interpolates the references between pairs; here the latest pair holds.
    EXPECT_LT(d.t, 0.005);
    EXPECT_LT(d.c, 0.003);
    EXPECT_LT(d.p, 0.002);
    std::printf("largest differences: temperature %.5f C, conductivity %.6f S/m, pressure %.4f dbar\n",
                d.t, d.c, d.p);

    // The instrument's original .CON (CR CR LF line ends) converts the same cast.
    ASSERT_EQ(ReadCon(ctx, dir + "/2835.con", false), 1);
    EXPECT_TRUE(rep.boxes.empty());
    EXPECT_EQ(ctx.shared.sbe.cal.fluorometerSerial, 586);
    EXPECT_EQ(ctx.shared.sbe.cal.furtherSerial, 1923865);
    rix::ResetSbe19References(ctx);
    Differences o = Compare(ctx, lines, maker);
    EXPECT_EQ(o.converted, d.converted);
    EXPECT_LT(o.t, 0.005);  // same temperature coefficients
    EXPECT_TRUE(rep.boxes.empty());
}

TEST(SbeRealData, Sbe19PlusConReadsWithoutMessage) {
    const std::string dir = Folder();
    if (dir.empty()) GTEST_SKIP() << "real Sea-Bird data not present";
    rix::RecordingReporter rep;
    rix::Context ctx(rep);
    ctx.shared.sbe.cal.correction = true;  // left by an earlier .CON
    ASSERT_EQ(ReadCon(ctx, dir + "/4977.CON", true), 1);
    EXPECT_TRUE(rep.boxes.empty());
    const rix::SbeCalibration& cal = ctx.shared.sbe.cal;
    EXPECT_FALSE(cal.correction);
    EXPECT_EQ(cal.instrumentCode, 2501);
    EXPECT_EQ(cal.voltageCount, 0);
    EXPECT_EQ(cal.temperatureSerial, 4977);
    EXPECT_DOUBLE_EQ(cal.t[0], 1.230393e-3);
    EXPECT_DOUBLE_EQ(cal.k[3], 5.211233e5);
    EXPECT_DOUBLE_EQ(cal.k[11], -1.223848e-11);
}

}  // namespace
