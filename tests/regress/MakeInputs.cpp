// rix-regress-inputs: writes the inputs of the golden regression cases.
//
//   rix-regress-inputs KIND REALDATA DIR
//
// Real data, wrapped into archives in place when a case runs (REALDATA is the
// folder of real instrument data; nothing of it is stored in the repository):
//   gps-logs           the eight NMEA receiver logs, one logger port each
//   sbe19-cast         the SBE 19 cast, two scans a packet, with its .CON file
//   satlantic-capture  the radiometer capture on three ports, with both calibration files
//                      and a GPS
//
// One meter family each, archives built byte by byte; these were written once
// into their case folders and are kept there (REALDATA is not read):
//   columns sbe gps nx9 nxs prisma satlantic minor dmm ascii hex kxflow hobi
//
// Every kind writes the archive test.000 and the instrument setup test.isf;
// the setups and device files the case needs beside them.
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../../tools/example/GpsExample.h"
#include "../../tools/example/MinorExample.h"
#include "../../tools/example/Nx9Example.h"
#include "../../tools/example/OrbExample.h"
#include "../../tools/example/SatlanticExample.h"
#include "../../tools/example/Sbe25Example.h"
#include "../support/SbeTestData.h"
#include "archive/Archive.h"
#include "meters/Minor.h"

namespace {

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
    char b[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(b, sizeof b, fmt, args);
    va_end(args);
    return b;
}

std::string Str(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

struct Port {
    int port;
    std::string bytes;
};

// An archive assembled packet by packet, one packet writer per logger.
struct Archive {
    std::vector<uint8_t> bytes;
    std::map<int, rix::PacketWriter> writers;

    void Add(int sender, uint32_t timeMs, const std::vector<Port>& ports) {
        rix::PacketFields fields;
        fields.type = 0;
        fields.sender = static_cast<uint8_t>(sender);
        fields.time = timeMs;
        std::string payload;
        for (int p = 0; p < rix::kPorts; ++p)
            for (const Port& port : ports)
                if (port.port == p) {
                    fields.counts[p] = static_cast<int16_t>(port.bytes.size());
                    payload += port.bytes;
                }
        writers[sender].Append(bytes, fields, reinterpret_cast<const uint8_t*>(payload.data()));
    }
    void Junk(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
};

std::string g_dir;
bool g_ok = true;

void Write(const std::string& name, const std::string& text) {
    const std::string path = g_dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f) ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "rix-regress-inputs: cannot write %s\n", path.c_str());
        g_ok = false;
    }
}

bool Read(const std::string& path, std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "rix-regress-inputs: cannot read %s\n", path.c_str());
        return false;
    }
    text.clear();
    char buf[65536];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return true;
}

void WriteArchive(const Archive& a) { Write("test.000", Str(a.bytes)); }

// ESF: input, data output, clock logger, time-stamp format, CTD channel.
std::string Esf(int output, int format, int ctd = 0) {
    return Format("ESF Version=1.1\r\n0 %d 0 %d 0 0 0 %d 21 0 250\r\n", output, ctd, format);
}

// ---- real data -------------------------------------------------------------

// Each log on its own port of logger 1, 200 bytes a packet, ten packets a second.
bool GpsLogs(const std::string& realdata) {
    const char* logs[] = {"bu353s4.log", "bundg_zeus_9.log", "garmin48.log", "haicom-305N.log",
                          "nl551e.log",  "quectel.log",      "skytraq-dgps.log", "sounder.log"};
    std::vector<std::string> text(8);
    std::string isf;
    size_t longest = 0;
    for (int i = 0; i < 8; ++i) {
        if (!Read(realdata + "/gpsd/" + logs[i], text[static_cast<size_t>(i)])) return false;
        longest = std::max(longest, text[static_cast<size_t>(i)].size());
        isf += Format("%d GPS\r\n", 11 + i);
    }
    Archive a;
    for (size_t k = 0; k * 200 < longest; ++k) {
        std::vector<Port> ports;
        for (int i = 0; i < 8; ++i)
            if (k * 200 < text[static_cast<size_t>(i)].size())
                ports.push_back({i, text[static_cast<size_t>(i)].substr(k * 200, 200)});
        a.Add(1, static_cast<uint32_t>(1000 + 100 * k), ports);
    }
    WriteArchive(a);
    Write("test.isf", isf);
    return true;
}

// The cast's scan lines, each ended by CR LF as the instrument sends them, two
// a packet (its sample rate is one scan every 0.5 s); the header lines first.
bool Sbe19Cast(const std::string& realdata) {
    std::string hex, con;
    if (!Read(realdata + "/seabirdscientific/CAST0002.HEX", hex) ||
        !Read(realdata + "/seabirdscientific/2835.con", con))
        return false;
    std::istringstream in(hex);
    std::vector<std::string> scans;
    std::string line;
    while (std::getline(in, line))
        if (line.size() == 24 && line.find_first_not_of("0123456789ABCDEF") == std::string::npos)
            scans.push_back(line + "\r\n");
    Archive a;
    a.Add(1, 1000, {{0, "S>ds\r\n"}});
    for (size_t i = 0; i < scans.size(); i += 2)
        a.Add(1, static_cast<uint32_t>(2000 + 1000 * (i / 2)),
              {{0, scans[i] + (i + 1 < scans.size() ? scans[i + 1] : std::string())}});
    WriteArchive(a);
    Write("2835.con", con);
    Write("test.isf", "11 SBE19 DEV=2835.con\r\n");
    return true;
}

// The capture cut into packets of 700 bytes a second, on ports 0 to 2: the
// irradiance sensor (whose fit types the reader refuses), the infrared
// radiometer, and a GPS reading the capture's NMEA lines among the frames.
bool SatlanticCapture(const std::string& realdata) {
    const std::string dir = realdata + "/hyperinspace";
    std::string capture, hse, irp;
    if (!Read(dir + "/SAMPLE_HYPERSAS_NOTRACKER.raw", capture) || !Read(dir + "/HSE0488Ea.cal", hse) ||
        !Read(dir + "/IRP3397A.cal", irp))
        return false;
    Archive a;
    for (size_t at = 0, k = 1; at < capture.size(); at += 700, ++k) {
        const std::string chunk = capture.substr(at, 700);
        a.Add(1, static_cast<uint32_t>(1000 * k), {{0, chunk}, {1, chunk}, {2, chunk}});
    }
    WriteArchive(a);
    Write("HSE0488Ea.cal", hse);
    Write("IRP3397A.cal", irp);
    Write("test.isf", "11 SATLANTIC DEV=HSE0488Ea.cal\r\n12 SATLANTIC DEV=IRP3397A.cal\r\n13 GPS\r\n");
    return true;
}

// ---- column meters ---------------------------------------------------------

// ORB through its device file (a record split over packets, one with a field
// too many, a blank-separated one), a CTD in CTD mode, an analog logger with
// its battery cell, and the example's fluorometer across midnight.
void Columns() {
    Write("fluor.dev", "ORB fluorometer\r\nColumns=4\r\nDate=1\r\nTime=2\r\nCHL=3 0.0073 49 Chl\r\nBBX=4 2.0e-6 50 700\r\n");
    Write("CTD.DEV", "CTD\r\nISCTD=YES\r\nColumns=4\r\nPRESSURE=1\r\nTEMPERATURE=2\r\nCONDUCTIVITY=3\r\nVOLTS=4\r\n");
    Write("BAT.DEV", "Logger volts\r\nColumns=3\r\nENGR0=1 Temp\r\nBATTERY=2\r\nENGR0=3 Volts\r\n");
    Write(rixexample::kOrbDeviceFileName, rixexample::OrbDeviceFile());
    Write("test.isf", "11 ORB LAG=0 HAD=0 DEV=FLUOR.DEV\r\n12 CTD-ENGR DEV=CTD.DEV\r\n13 ANALOG DEV=BAT.DEV\r\n"
                      "14 ORB DEV=" + std::string(rixexample::kOrbDeviceFileName) + "\r\n15 ANALOG\r\n");
    Archive a;
    a.Add(1, 1000, {{0, "12\r\n06/12/05\t00:00:01\t213\t"}, {1, "\r\n10.0, 15.0, 4.2914, 1.25\r\n"},
                    {2, "\r\n10.5 12.3 0.25\r\n"}, {4, "\r\n1 2\r\n"}});
    a.Add(1, 2000, {{0, "800\r\n06/12/05\t00:00:02\t149\t1050\r\n"}, {1, "20.5, 9.5, 3.8, 0.5\r\n"},
                    {2, "10.6 12.35 0.5\r\n"}});
    a.Add(1, 3000, {{0, "06/12/05\t00:00:03\t149\t1050\t7\r\n06/12/05 00:00:04 49 50\r\n"},
                    {2, "10.7 12.4 0.75\r\n"}});
    for (int i = 0; i < 30; ++i)
        a.Add(1, static_cast<uint32_t>(4000 + 1000 * i),
              {{3, rixexample::OrbRecord(i, 86385000.0 + 1000.0 * i)}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 0));
    Write("raw.esf", Esf(0, 0));
}

// ---- Sea-Bird CTDs ---------------------------------------------------------

// Six models on one logger, every port starting mid-line, the SBE19's first
// scan before its references; and the example's SBE25 profiling.
void Sbe() {
    using rixtest::ConText;
    Write("test.isf", "11 SBE16 DEV=s16.con\r\n12 SBE19 DEV=s19.con\r\n13 SBE19PLUS_RAW DEV=plus.con\r\n"
                      "14 SBE21 DEV=s21.con\r\n15 SBE25CTD DEV=s25.con\r\n16 SBE25M DEV=s25.con\r\n"
                      "17 SBE25CTD DEV=SBE25.CON\r\n");
    Write("s16.con", ConText(rixtest::ModelCon(0, 0)));
    Write("s19.con", ConText(rixtest::Sbe19Con()));
    Write("plus.con", ConText(rixtest::Sbe19PlusCon(), 200));
    rixtest::ConLines s21 = rixtest::ModelCon(1, 140, "0 0 1 0 77 2");
    s21[9] = "2836";
    s21[113] = "1000.000 4.21128850e-003 5.98809978e-004 5.39242925e-006 -1.40400219e-006";
    Write("s21.con", ConText(s21));
    Write("s25.con", ConText(rixtest::ModelCon(1, 139, "0 0 1 0 77 2")));
    Write("SBE25.CON", rixexample::Sbe25ExampleCon());

    std::string profile;
    for (int i = 0; i < 160; ++i) profile += rixexample::Sbe25ExampleScan(i, 125.0 * i);
    auto part = [&](int k) { return profile.substr(static_cast<size_t>(k) * profile.size() / 20,
                                                   profile.size() / 20 + (k == 19 ? profile.size() % 20 : 0)); };
    Archive a;
    a.Add(1, 1000, {{0, "D\r\n4A3B5C2D\r\n"},
                    {1, "S>\r\n482254DF0000000000000C63\r\n"},
                    {2, "\r\n071000138800081A40570A\r\n"},
                    {3, "\r\n4A3B5C2D0BB80006CC\r\n"},
                    {4, "\r\n0BB8001F40000C6306CC\r\n"},
                    {5, "\r\n0BB8001F40000C6306CC\r\n"},
                    {6, part(0)}});
    a.Add(1, 2000, {{0, ">4A3C5C2E0000\r\nnoise\r\n"},
                    {1, "052549EB0000000000018C62\r\nFF0A9A480000010000008C62\r\n"},
                    {2, "0710F0138900081A80570B\r\n"},
                    {3, "4A3C5C2E0BB90006D0\r\n"},
                    {4, "0BB9001F41000C6406D0\r\n"},
                    {5, "0BB9001F41000C6406D0\r\n0BBA001F42000C6506D4\r\n0BBB0"},
                    {6, part(1)}});
    a.Add(1, 3000, {{0, "4A3D5C30\r\n"},
                    {1, "482654DC0010010010000C62\r\n"},
                    {3, "4A3D5C300BBA0006D4\r\n"},
                    {5, "01F43000C6606D8\r\n"},
                    {6, part(2)}});
    for (int k = 3; k < 20; ++k) a.Add(1, static_cast<uint32_t>(1000 + 1000 * k), {{6, part(k)}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 0, 12));  // the SBE19's reference pre-pass
    Write("raw.esf", Esf(0, 0));
}

// ---- GPS -------------------------------------------------------------------

// The example's receiver and sounder, a GLL sentence, a bad checksum and a
// fix without status A, read by every GPS meter type.
void Gps() {
    using rixexample::gps::Sentence;
    std::string stream;
    for (int i = 0; i < 30; ++i) {
        stream += rixexample::gps::RecordBytes(i, 1000.0 * i);
        if (i % 5 == 2) stream += Sentence(Format("GPGLL,4339.%04d,N,07015.%04d,W,2345%02d.00,A,A", 1000 + i, 2000 + i, i));
        if (i == 7) stream += "$GPGGA,234507.00,4339.0000,N,07015.0000,W,1,08,0.9,5.0,M,-30.0,M,,*00\r\n";
        if (i == 11) stream += Sentence("GPRMC,234511.00,V,4339.0000,N,07015.0000,W,5.2,045.0,120605,,,N");
    }
    std::string isf;
    const char* types[] = {"GPS", "GPS_GGA", "GPS_GLL", "GPS_RMC", "GPS_RMC_AO"};
    for (int i = 0; i < 5; ++i) isf += Format("%d %s\r\n", 11 + i, types[i]);
    Write("test.isf", isf);
    Archive a;
    const size_t chunk = stream.size() / 30 + 1;
    for (size_t k = 0; k * chunk < stream.size(); ++k) {
        std::vector<Port> ports;
        for (int p = 0; p < 5; ++p) ports.push_back({p, stream.substr(k * chunk, chunk)});
        a.Add(1, static_cast<uint32_t>(1000 + 1000 * k), ports);
    }
    WriteArchive(a);
    Write("eng.esf", Esf(1, 1));
    Write("raw.esf", Esf(0, 1));
}

// ---- NX9 -------------------------------------------------------------------

// The example's a/c meter, frames split over packets, with and without the
// reference columns; a frame of another serial number and one with a bad checksum.
void Nx9() {
    Write(nx9example::kDeviceFileName, nx9example::DeviceFile());
    Write("test.isf", Format("11 NX9 DEV=%s\r\n12 NX9WREF DEV=%s\r\n", nx9example::kDeviceFileName,
                             nx9example::kDeviceFileName));
    std::string stream;
    for (int i = 0; i < 5; ++i) stream += nx9example::Record(i, 1000.0 + nx9example::kPeriodMs * i);
    // Another meter's serial number, its checksum made good; then a frame whose checksum is not.
    std::string other = nx9example::Record(5, 1000.0 + nx9example::kPeriodMs * 5);
    other[6] = static_cast<char>(other[6] + 1);
    unsigned sum = 0;
    for (int i = 0; i < nx9example::kFrameLength - 2; ++i) sum += static_cast<uint8_t>(other[static_cast<size_t>(i)]);
    other[nx9example::kFrameLength - 2] = static_cast<char>(sum & 0xFF);
    other[nx9example::kFrameLength - 1] = static_cast<char>((sum >> 8) & 0xFF);
    std::string damaged = nx9example::Record(7, 1000.0 + nx9example::kPeriodMs * 7);
    damaged[100] = static_cast<char>(damaged[100] ^ 0x40);
    stream += other + nx9example::Record(6, 1000.0 + nx9example::kPeriodMs * 6) + damaged +
              nx9example::Record(8, 1000.0 + nx9example::kPeriodMs * 8);
    Archive a;
    const size_t chunk = 1100;
    for (size_t k = 0; k * chunk < stream.size(); ++k)
        a.Add(1, static_cast<uint32_t>(1000 + 1000 * k),
              {{0, stream.substr(k * chunk, chunk)}, {1, stream.substr(k * chunk, chunk)}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 0));
    Write("raw.esf", Esf(0, 1));
}

// ---- NXS and PRISMA --------------------------------------------------------

void Checksum(std::string& f, bool highFirst) {
    unsigned sum = 0;
    for (size_t i = 0; i + 2 < f.size(); ++i) sum += static_cast<uint8_t>(f[i]);
    const char hi = static_cast<char>((sum >> 8) & 0xFF), lo = static_cast<char>(sum & 0xFF);
    f[f.size() - 2] = highFirst ? hi : lo;
    f[f.size() - 1] = highFirst ? lo : hi;
}

struct NxsWave {
    unsigned cRef, aRef, cSig, aSig;
};

std::string NxsFrame(int serial, uint32_t instrumentTime, const std::vector<NxsWave>& waves, bool highFirst = true) {
    const int length = 32 + 8 * static_cast<int>(waves.size()) + 2;
    std::string f(static_cast<size_t>(length), '\0');
    auto put = [&](int at, unsigned v) {
        f[at] = static_cast<char>((v >> 8) & 0xFF);
        f[at + 1] = static_cast<char>(v & 0xFF);
    };
    f[0] = f[2] = static_cast<char>(0xFF);
    put(4, static_cast<unsigned>(length - 2));
    put(10, static_cast<unsigned>(serial));
    put(14, 400);
    put(20, 30000);
    put(26, instrumentTime >> 16);
    put(28, instrumentTime & 0xFFFF);
    f[31] = static_cast<char>(waves.size());
    for (size_t j = 0; j < waves.size(); ++j) {
        const int at = 32 + 8 * static_cast<int>(j);
        put(at, waves[j].cRef);
        put(at + 2, waves[j].aRef);
        put(at + 4, waves[j].cSig);
        put(at + 6, waves[j].aSig);
    }
    Checksum(f, highFirst);
    return f;
}

// Stray bytes and a sync of impossible length before the first frame, frames
// split across packets, a wavelength count and a serial number that do not match.
void Nxs() {
    Write("NXS.DEV", "NXS meter\r\n0x53\r\n1\r\n;\r\n1.0 0.5\r\n;\r\n0.1\r\n2\r\n2\r\n0.0\r\n30.0\r\n"
                     "C400.2, A400.7, x, 0.01, 0.02, 0.0, 0.3, 0.0, 0.6\r\n"
                     "C500\tA500\tx\t0.03\t0.04\t0.0\t0.3\t0.0\t0.6\r\n");
    Write("test.isf", "11 NXS LAG=0 HAD=0 DEV=NXS.DEV\r\n");
    const std::vector<NxsWave> two = {{2000, 3000, 1000, 2500}, {4000, 3000, 3000, 2000}};
    const std::vector<NxsWave> one = {{2000, 3000, 1500, 2500}};
    const std::string f1 = NxsFrame(0x53, 5000, two, false), f2 = NxsFrame(0x53, 5250, one),
                      f3 = NxsFrame(0x53, 5500, one), f4 = NxsFrame(0x53, 5750, two),
                      f5 = NxsFrame(0x54, 6000, two);
    Archive a;
    a.Add(1, 1000, {{0, std::string("\xAA\x55\xFF\x00\xFF\x00\x00\x05", 8) + f1.substr(0, 10)}});
    a.Add(1, 2000, {{0, f1.substr(10) + f2 + f3.substr(0, 3)}});
    a.Add(1, 3000, {{0, f3.substr(3) + f4 + f5}});
    for (int k = 0; k < 8; ++k)
        a.Add(1, static_cast<uint32_t>(4000 + 1000 * k),
              {{0, NxsFrame(0x53, static_cast<uint32_t>(6250 + 500 * k), two) +
                       NxsFrame(0x53, static_cast<uint32_t>(6500 + 500 * k), two)}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 7));
    Write("raw.esf", Esf(0, 1));
}

std::string PrismaDevice(bool complete) {
    static const int kEmission[16] = {700, 680, 690, 680, 710, 720, 730, 740, 750, 760, 770, 780, 790, 800, 810, 820};
    std::string t = "; PRISMA device file\r\n[Wavelengths]\r\n";
    const int channels[6] = {412, 440, 488, 510, 532, 555};
    for (int k = 0; k < 24; ++k) t += Format("w%d %d.7\r\n", k, k < 6 ? channels[k] : k < 8 ? 0 : kEmission[k - 8]);
    for (int i = 0; i < (complete ? 6 : 5); ++i) {
        t += Format("[%coffsets]\r\n", 'a' + i);
        for (int k = 0; k < 24; ++k)
            t += Format("o%d %g\r\n", k, k == 6 ? 0.1 * (i + 1) : k == 7 ? i + 1.0 : k >= 8 ? 0.5 * (k - 8) : 0);
    }
    t += "[reference]\r\n";
    const double calRef[6] = {1000, 1000, 1000, 1000, 1000, 0};
    for (int i = 0; i < 6; ++i) t += Format("r%d %g\r\n", i, calRef[i]);
    t += "ReceiveBin=4\r\n";
    if (complete) t += "userefs=1.9\r\n";
    return t + "depth_scale=0.01\r\ndepth_offset=0.5\r\n\r\n";
}

std::string PrismaFrame(bool highFirst, int step) {
    static const unsigned kR[6] = {1000, 2000, 0, 1000, 1000, 500};
    static const int kS[6] = {500, 2000, 100, -5, 800, 250};
    std::string f(256, '\0');
    auto put = [&](int at, int v) {
        f[at] = static_cast<char>((v >> 8) & 0xFF);
        f[at + 1] = static_cast<char>(v & 0xFF);
    };
    f[0] = f[2] = static_cast<char>(0xFF);
    put(10, 1200 + step);
    for (int i = 0; i < 6; ++i) {
        put(16 + 40 * i, static_cast<int>(kR[i]));
        put(18 + 40 * i, kS[i] + step);
        for (int k = 0; k < 16; ++k) put(20 + 40 * i + 2 * k, 100 * i + k - 3 + step);
    }
    put(252, 1234 + 10 * step);
    Checksum(f, highFirst);
    return f;
}

// A complete device file, one without its last offsets section and userefs,
// a channel without a device file; a frame split over packets after stray bytes.
void Prisma() {
    Write("P.DEV", PrismaDevice(true));
    Write("Q.DEV", PrismaDevice(false));
    Write("test.isf", "11 PRISMA LAG=0 HAD=0 DEV=P.DEV\r\n12 PRISMA LAG=0 HAD=0 DEV=Q.DEV\r\n13 PRISMA\r\n");
    const std::string f1 = PrismaFrame(false, 0), f2 = PrismaFrame(true, 1);
    Archive a;
    a.Add(1, 1000, {{0, "\x01\x02" + f1.substr(0, 100)}, {1, f1}, {2, f1}});
    a.Add(1, 2000, {{0, f1.substr(100) + f2.substr(0, 1)}, {1, f2}, {2, f2}});
    a.Add(1, 3000, {{0, f2.substr(1)}});
    for (int k = 2; k < 8; ++k) {
        const std::string f = PrismaFrame(k % 2 == 0, k);
        a.Add(1, static_cast<uint32_t>(2000 + 1000 * k), {{0, f}, {1, f}});
    }
    WriteArchive(a);
    Write("eng.esf", Esf(1, 0));
    Write("raw.esf", Esf(0, 1));
}

// ---- Satlantic -------------------------------------------------------------

std::string BigEndian(unsigned long long v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xff);
    return s;
}

// A radiometer with one field of every data type and every fit.
std::string SatFrame(int counter, const std::string& serial = "0042", unsigned lu = 0x1003, bool badChecksum = false) {
    std::string s = "SATTST" + serial + "0000137.66";
    s += BigEndian(0xfffe, 2);
    s += "-07";
    s += BigEndian(lu, 2);
    s += BigEndian(0x3fc00000, 4);
    s += BigEndian(300, 2);
    s += BigEndian(1000, 2);
    s += BigEndian(7, 2);
    s += BigEndian(0x4002000000000000ull, 8);
    s += BigEndian(1567943045, 4);
    s += static_cast<char>(counter);
    unsigned sum = 0;
    for (char c : s) sum += static_cast<unsigned char>(c);
    s += static_cast<char>((256 - (sum & 0xff) + (badChecksum ? 1 : 0)) & 0xff);
    return s + "\r\n";
}

// Stray bytes, a frame split across packets, a bad checksum, a frame-counter
// jump, a serial mismatch; the example's radiometer; a refused calibration.
void Satlantic() {
    Write("sattst.cal",
          "# Test radiometer s/n 42\r\nINSTRUMENT SATTST '' 6 AS 0 NONE\r\nSN 0042 '' 4 AI 0 COUNT\r\n"
          "TIMER NONE 'sec' 10 AF 0 COUNT\r\nDELAY NONE 'ms' 2 BS 0 COUNT\r\nTILT NONE 'deg' 3 AI 0 COUNT\r\n\r\n"
          "LU 443 'uW' 2 BU 4 OPTIC1   # four gain ranges\r\n0 1 1\r\n0 1 2\r\n0 1 4\r\n8 0.5 2\r\n"
          "ES 490 'uW' 4 BF 1 OPTIC2\r\n0.5 2 3\r\nT NONE 'C' 2 BU 1 POLYU\r\n-50\t0.5\r\n"
          "V NONE 'V' 2 BU 1 POLYF\r\n0.01 200\r\nL NONE '' 2 BU 1 POLYL\r\n1 2\r\n"
          "D NONE 'days' 8 BD 0 COUNT\r\nUTC NONE '' 4 BU 0 TIME2\r\nFRAME COUNTER '' 1 BU 0 COUNT\r\n"
          "CHECK SUM '' 1 BU 0 COUNT\r\nCRLF TERMINATOR '' 2 BU 0 NONE\r\n");
    Write("SATEXR.CAL", rixexample::SatlanticExampleCalFile());
    Write("noinst.cal", "SN 0042 '' 4 AI 0 COUNT\r\n");
    Write("test.isf", "11 SATLANTIC DEV=sattst.cal\r\n12 SATLANTIC DEV=SATEXR.CAL\r\n13 SATLANTIC DEV=noinst.cal\r\n");
    const std::string f1 = SatFrame(254), f2 = SatFrame(255, "0042", 0x0801);
    Archive a;
    a.Add(1, 1000, {{0, "SATjunk" + f1.substr(0, 20)}, {1, rixexample::SatlanticExampleRecord(0, 1000)}, {2, f1}});
    a.Add(1, 2000, {{0, f1.substr(20) + f2}, {1, rixexample::SatlanticExampleRecord(1, 2000)}});
    a.Add(1, 3000, {{0, SatFrame(0) + SatFrame(1, "0042", 0x1003, true) + SatFrame(2)},
                    {1, rixexample::SatlanticExampleRecord(2, 3000)}});
    a.Add(1, 4000, {{0, SatFrame(3, "0043") + "SATTS"}, {1, rixexample::SatlanticExampleRecord(3, 4000)}});
    for (int k = 4; k < 10; ++k)
        a.Add(1, static_cast<uint32_t>(1000 + 1000 * k),
              {{0, SatFrame(k, "0042", 0x1003 - 0x100 * static_cast<unsigned>(k % 3))},
               {1, rixexample::SatlanticExampleRecord(k, 1000.0 + 1000 * k)}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 1));
    Write("raw.esf", Esf(0, 1));
}

// ---- minor meters, DMM -----------------------------------------------------

std::string Xmf(int sequence, const char* tag = "DATA", unsigned count = 50) {
    std::string f(rix::kXmfFrameSize, '\0');
    const std::string head = std::string("MORB_XMF") + tag;
    f.replace(0, head.size(), head);
    auto put = [&](int at, unsigned v) {
        f[at] = static_cast<char>(v >> 8);
        f[at + 1] = static_cast<char>(v & 0xFF);
    };
    put(22, 30000 + 10 * static_cast<unsigned>(sequence));
    put(24, 1234);
    put(26, 50000);
    put(28, static_cast<uint16_t>(sequence));
    put(30, 64 * 10 + 32);
    put(32, 65535);
    put(34, 0);
    put(36, count);
    put(38, 7);
    for (int i = 0; i < rix::kXmfSamples; ++i) put(40 + 2 * i, 1000u + static_cast<unsigned>(i + sequence));
    return f;
}

// The thermometer bath, the SBE32 carousel's replies and the XMF with a
// resynchronisation and sequence gaps.
void Minor() {
    Write("CAROUSEL.DEV", "none\r\n");
    Write("test.isf", "11 Thermo_Bath\r\n12 SBE32 DEV=carousel.dev\r\n13 XMF\r\n");
    Archive a;
    const std::string second = Xmf(4, "0001");
    std::string xmf[10] = {"MORB_XM junk" + Xmf(3) + second.substr(0, 5), second.substr(5) + Xmf(9, "STAT") + Xmf(6),
                           Xmf(8, "DATA", 49) + Xmf(255) + Xmf(0)};
    for (int k = 0; k < 10; ++k)
        a.Add(1, static_cast<uint32_t>(1000 + 1000 * k),
              {{0, Str(rixexample::ThermoBathRecord(k, 1000.0 * k))},
               {1, k == 0 ? "OK\r\n" : k == 4 ? "\xC1\r\n" : k == 5 ? "#3 fired\r\n" : ""},
               {2, k < 3 ? xmf[k] : Xmf(k - 2)}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 0));
    Write("raw.esf", Esf(0, 2));
}

// The example's multimeter, eight readings a second, a frame split over two
// packets and a damaged frame.
void Dmm() {
    Write("test.isf", "11 DMM22812\r\n");
    std::string stream;
    for (int i = 0; i < 80; ++i) {
        std::string f = Str(rixexample::DmmRecord(i, 125.0 * i));
        if (i == 21) f[8] = static_cast<char>(f[8] + 1);
        stream += f;
    }
    Archive a;
    const size_t chunk = 65;
    for (size_t k = 0; k * chunk < stream.size(); ++k)
        a.Add(1, static_cast<uint32_t>(1000 + 1000 * k), {{0, stream.substr(k * chunk, chunk)}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 0));
    Write("raw.esf", Esf(0, 0));
}

// ---- text and binary meters ------------------------------------------------

// Every line meter on one stream (XASCII lines are read and never written): lines split across packets, CR LF and LF
// ends, a comma-separated line, an empty line, a long line.
void Ascii() {
    Write("test.isf", "11 ASCII\r\n12 T_ASCII LAG=0 HAD=0 DEV= \r\n13 ASCII_T\r\n14 XASCII\r\n"
                      "15 ascii_t\r\n");
    const std::string parts[] = {"tail\r\nline1 a", "bc\r\nline2\r\n", "1.5,2\r\n3,4\n", "\r\n56\n",
                                 std::string(300, 'x') + "\r\n", "  12.345,  7.89,  0.123\r\nP 1013.42 hPa",
                                 " T 17.9 C\n", "last"};
    Archive a;
    uint32_t t = 1000;
    for (const std::string& p : parts) {
        std::vector<Port> ports;
        for (int port = 0; port < 5; ++port) ports.push_back({port, p});
        a.Add(1, t, ports);
        t += 700;
    }
    WriteArchive(a);
    Write("eng.esf", Esf(1, 3));
    Write("raw.esf", Esf(0, 3));
}

// Hex output rows of 25 bytes across packets; the binary meter's bytes as they came.
void Hex() {
    Write("test.isf", "11 Hex_Output\r\n14 BINARY\r\n");
    std::string frag;
    for (int i = 1; i <= 25; ++i) frag += static_cast<char>(i == 25 ? 0xff : i);
    Archive a;
    a.Add(1, 5000, {{0, frag}, {3, std::string("\x00\x01\r\n", 4)}});
    a.Add(1, 6000, {{0, std::string("\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\x13", 10)}, {3, "\xff\xfe"}});
    std::string longer;
    for (int i = 0; i < 60; ++i) longer += static_cast<char>(0x80 + i);
    a.Add(1, 7000, {{0, longer}, {3, longer}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 1));
    Write("raw.esf", Esf(0, 1));
}

// ---- meters without a writer: their device files are read, their data not -----

void KxFlow() {
    Write("FLOW.DEV", "KXFLOW3\r\n\r\n\r\n2\r\n\r\n1 11 2.5\r\n6 12 1.0\r\n");
    Write("GOOD.DEV", "KXFLOW7\r\nsensors\r\n\r\n4\r\nslot id volume\r\n1 12 2.5\r\n\r\n2 13 0\n");
    Write("test.isf", "11 KXFLOW DEV=flow.dev\r\n12 KXFLOW DEV=good.dev\r\n");
    Archive a;
    const std::string flow = "KXFLOW3 1.0 2.0 3.0 4.0\r\n";
    a.Add(1, 1000, {{0, flow}, {1, flow}});
    a.Add(1, 2000, {{0, flow}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 0));
}

void Hobi() {
    Write("ABETA.DEV", "a-Beta\r\ndepthoff=0.5\r\nDEPTHCAL=2.0\r\n");
    Write("CBETA.DEV", "DepthCal = 2\r\nDepthOff=x\r\n");
    Write("HS6.DEV", "DepthCal=2.0\r\n");
    Write("test.isf", "11 ABETA DEV=ABETA.DEV\r\n12 CBETA DEV=CBETA.DEV\r\n13 HYDROSCAT6 DEV=HS6.DEV\r\n");
    Archive a;
    a.Add(1, 1000, {{0, "*H\x01\x02"}, {1, "*H\x03"}, {2, "*T"}});
    a.Add(1, 2000, {{0, "*H\x04"}});
    WriteArchive(a);
    Write("eng.esf", Esf(1, 0));
}

const std::map<std::string, std::function<void()>> kFamilies = {
    {"columns", Columns}, {"sbe", Sbe},   {"gps", Gps},       {"nx9", Nx9},   {"nxs", Nxs},
    {"prisma", Prisma},   {"satlantic", Satlantic},           {"minor", Minor}, {"dmm", Dmm},
    {"ascii", Ascii},     {"hex", Hex},   {"kxflow", KxFlow}, {"hobi", Hobi},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: rix-regress-inputs KIND REALDATA DIR\n", stderr);
        return 2;
    }
    const std::string kind = argv[1], realdata = argv[2];
    g_dir = argv[3];
    bool ok = true;
    if (kind == "gps-logs") {
        ok = GpsLogs(realdata);
    } else if (kind == "sbe19-cast") {
        ok = Sbe19Cast(realdata);
    } else if (kind == "satlantic-capture") {
        ok = SatlanticCapture(realdata);
    } else if (auto it = kFamilies.find(kind); it != kFamilies.end()) {
        it->second();
    } else {
        std::fprintf(stderr, "rix-regress-inputs: unknown kind %s\n", kind.c_str());
        return 2;
    }
    return ok && g_ok ? 0 : 1;
}
