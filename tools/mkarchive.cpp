// rix-mkarchive: synthesises logger archives.
//
//   rix-mkarchive example OUTDIR          the example deployment (archive and setup files)
//   rix-mkarchive bench OUTFILE MEGABYTES a large archive of 4 loggers x 9 text meters
//   rix-mkarchive mix OUTDIR MEGABYTES    the example deployment run on to about MEGABYTES
//
// Each logger port carries one serial instrument. An instrument emits records
// at its own rate; the bytes of a record arrive one after the other at the
// port's baud rate, and a packet holds the bytes that arrived during its
// interval, so records are split across packets as they are on a real logger.
// Everything is derived from fixed seeds: the same command writes the same
// bytes on every machine.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "setup/Msf.h"
#include "example/GpsExample.h"
#include "example/MinorExample.h"
#include "example/Nx9Example.h"
#include "example/OrbExample.h"
#include "example/SatlanticExample.h"
#include "example/Sbe25Example.h"

namespace {

constexpr double kDayMs = 86400000.0;
constexpr double kPi = std::numbers::pi;

// splitmix64: small, fast and the same on every platform (the standard
// library's distributions are not).
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    // Uniform in [-1, 1).
    double Signed() { return 2.0 * Unit() - 1.0; }
    // Sum of three uniforms: a cheap bell-shaped noise in (-1, 1).
    double Noise() { return (Signed() + Signed() + Signed()) / 3.0; }

private:
    uint64_t state_;
};

std::string Printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* fmt, ...) {
    char buf[256];
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    if (n < 0) return std::string();
    return std::string(buf, static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1);
}

// Milliseconds per byte on a serial line with 10 bits per character.
double MsPerByte(int baud) { return 10000.0 / baud; }

// One instrument on one logger port.
class Instrument {
public:
    // Makes the bytes of record number index, emitted at true time ms.
    using Maker = std::function<std::string(long index, double ms, Rng& rng)>;

    Instrument(int port, double periodMs, double jitterMs, double firstMs, int baud, uint64_t seed,
               Maker make)
        : port_(port),
          periodMs_(periodMs),
          jitterMs_(jitterMs),
          msPerByte_(MsPerByte(baud)),
          nextRecordMs_(firstMs),
          rng_(seed),
          make_(std::move(make)) {}

    int port() const { return port_; }

    // Appends every byte that has arrived by true time ms.
    void Collect(double ms, std::string& out) {
        for (;;) {
            if (next_ >= record_.size()) {
                recordMs_ = nextRecordMs_;
                record_ = make_(index_++, recordMs_, rng_);
                next_ = 0;
                double busy = static_cast<double>(record_.size()) * msPerByte_;
                nextRecordMs_ += periodMs_ + jitterMs_ * rng_.Signed();
                // The serial line cannot start a record before the last one is sent.
                if (nextRecordMs_ < recordMs_ + busy) nextRecordMs_ = recordMs_ + busy;
                if (record_.empty()) continue;
            }
            double arrival = recordMs_ + static_cast<double>(next_ + 1) * msPerByte_;
            if (arrival > ms) return;
            out.push_back(record_[next_++]);
        }
    }

private:
    int port_;
    double periodMs_;
    double jitterMs_;
    double msPerByte_;
    double nextRecordMs_;
    double recordMs_ = 0;
    long index_ = 0;
    std::string record_;
    size_t next_ = 0;
    Rng rng_;
    Maker make_;
};

// How a logger stamps its packets.
enum class Clock { kMilliseconds, kTenMs, kCalendar };

struct Logger {
    int id = 1;
    Clock clock = Clock::kMilliseconds;
    double powerOnMs = 0;   // logger time at true time 0 (type 0/1 clocks)
    double drift = 0;       // relative clock rate error
    double calendarMs = 0;  // type 2: true time 0 as milliseconds since 1 January, 00:00
    int year = 5;           // type 2: two-digit year
    std::vector<Instrument> instruments;
    rix::PacketWriter writer;
    double lastMs = 0;  // end of the previous packet's interval, true time

    // Collects the bytes of the interval ending at true time ms and fills the
    // packet's counts, payload and time.
    void Fill(double ms, rix::PacketFields& fields, std::string& payload) {
        std::string ports[rix::kPorts];
        for (auto& inst : instruments) inst.Collect(ms, ports[inst.port()]);
        payload.clear();
        for (int p = 0; p < rix::kPorts; ++p) {
            size_t room = static_cast<size_t>(rix::kMaxPayload) - payload.size();
            if (ports[p].size() > room) ports[p].resize(room);  // the logger's port buffer overflows
            fields.counts[p] = static_cast<int16_t>(ports[p].size());
            payload += ports[p];
        }
        fields.sender = static_cast<uint8_t>(id);
        Stamp(ms, fields);
        lastMs = ms;
    }

    // Discards the bytes of the interval ending at ms (a packet the logger lost).
    void Drop(double ms) {
        std::string sink;
        for (auto& inst : instruments) inst.Collect(ms, sink);
        lastMs = ms;
    }

    void Stamp(double ms, rix::PacketFields& fields) const {
        double own = powerOnMs + ms * (1.0 + drift);
        switch (clock) {
        case Clock::kMilliseconds:
            fields.type = 0;
            fields.time = static_cast<uint32_t>(static_cast<uint64_t>(std::floor(own)));
            break;
        case Clock::kTenMs:
            fields.type = 1;
            fields.time = static_cast<uint32_t>(static_cast<int32_t>(std::floor(own / 10.0)));
            break;
        case Clock::kCalendar: {
            double cal = std::floor(calendarMs + ms);
            int day = static_cast<int>(cal / kDayMs);  // days since 1 January, 0 based
            fields.type = 2;
            fields.msOfDay = static_cast<int32_t>(cal - day * kDayMs);
            fields.yearDay = static_cast<int16_t>(year * 1000 + day + 1);
            break;
        }
        }
    }
};

// The on-disk bytes of one packet.
std::vector<uint8_t> PacketBytes(Logger& logger, double ms) {
    rix::PacketFields fields;
    std::string payload;
    logger.Fill(ms, fields, payload);
    std::vector<uint8_t> bytes;
    logger.writer.Append(bytes, fields, reinterpret_cast<const uint8_t*>(payload.data()));
    return bytes;
}

// Month (1-12) and day of month of a day of the year (1 based).
void MonthDay(int year, int dayOfYear, int& month, int& day) {
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int d = dayOfYear;
    for (month = 1; month <= 12; ++month) {
        int len = kLengths[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
        if (d <= len) break;
        d -= len;
    }
    day = d;
}

bool WriteWhole(const std::string& path, const void* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "rix-mkarchive: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) std::fprintf(stderr, "rix-mkarchive: cannot write %s\n", path.c_str());
    return ok;
}

bool WriteText(const std::string& path, const std::string& text) {
    return WriteWhole(path, text.data(), text.size());
}

// ---------------------------------------------------------------------------
// The example deployment
//
// Two loggers recording for 30 minutes across midnight, 12/13 June 2005.
// Logger 1 stamps calendar time (type-2 packets) and is the clock source;
// logger 2 stamps milliseconds since its own power-on (type-0 packets), its
// clock runs 40 ppm fast and it was switched on 3 s before logger 1.
//
//   11 ASCII      a text sensor: temperature, pressure, turbidity, 1 Hz, 1200 baud
//   12 T_ASCII    a fluorometer, every 2 s, 2400 baud
//   13 ASCII_T    a thermometer, every 2 s, 9600 baud
//   14 Hex_Output a binary compass frame every 5 s, 9600 baud
//   21 T_ASCII    the date/time channel: "mm/dd/yy hh:mm:ss" once a second
//   22 ASCII_T    a barometer whose lines end in a line feed alone, every 3 s
//
// Damage: line noise between two packets, a run of packets logger 2 lost
// (a sequence gap), a packet cut short inside its header when logger 1 was
// reset, and the last packet cut short when the power went off.

constexpr double kExampleStartMs = (163 - 1) * kDayMs + 23 * 3600000.0 + 45 * 60000.0;  // 12 June 23:45
constexpr int kExampleSeconds = 1800;

std::vector<Instrument> ExampleLogger1Instruments() {
    std::vector<Instrument> v;
    v.emplace_back(0, 1000, 3, -1100, 1200, 11, [](long, double ms, Rng& rng) {
        double s = ms / 1000.0;
        double temp = 12.3 + 0.45 * std::sin(s / 900.0 * 2 * kPi) + 0.003 * rng.Noise();
        double pres = 7.9 + 0.8 * std::sin(s / 300.0 * 2 * kPi) + 0.01 * rng.Noise();
        double turb = 0.123 + 0.02 * std::fabs(std::sin(s / 77.0)) + 0.002 * rng.Noise();
        return Printf("%8.3f,%6.2f,%7.3f\r\n", temp, pres, turb);
    });
    v.emplace_back(1, 2000, 5, -1300, 2400, 12, [](long, double ms, Rng& rng) {
        double s = ms / 1000.0;
        double chl = 1.2 + 0.3 * std::sin(s / 450.0 * 2 * kPi) + 0.02 * rng.Noise();
        double ntu = 0.56 + 0.05 * std::sin(s / 130.0) + 0.01 * rng.Noise();
        return Printf("CHL=%6.3f NTU=%6.3f\r\n", chl, ntu);
    });
    v.emplace_back(2, 2000, 5, -450, 9600, 13, [](long, double ms, Rng& rng) {
        double s = ms / 1000.0;
        return Printf("%+8.4f\r\n", 18.45 - 0.2 * std::sin(s / 1200.0 * 2 * kPi) + 0.0005 * rng.Noise());
    });
    v.emplace_back(3, 5000, 2, -2200, 9600, 14, [](long index, double ms, Rng& rng) {
        double s = ms / 1000.0;
        int heading = static_cast<int>(std::lround(10 * (215.0 + 20.0 * std::sin(s / 600.0) + rng.Noise())));
        int pitch = static_cast<int>(std::lround(10 * (1.5 * std::sin(s / 7.0) + 0.2 * rng.Noise())));
        int roll = static_cast<int>(std::lround(10 * (3.0 * std::sin(s / 5.0) + 0.2 * rng.Noise())));
        uint8_t f[10] = {0xA5, 0x5A, static_cast<uint8_t>(index & 0xFF),
                         static_cast<uint8_t>(heading & 0xFF), static_cast<uint8_t>((heading >> 8) & 0xFF),
                         static_cast<uint8_t>(pitch & 0xFF), static_cast<uint8_t>((pitch >> 8) & 0xFF),
                         static_cast<uint8_t>(roll & 0xFF), static_cast<uint8_t>((roll >> 8) & 0xFF), 0};
        for (int i = 0; i < 9; ++i) f[9] = static_cast<uint8_t>(f[9] + f[i]);
        return std::string(reinterpret_cast<const char*>(f), sizeof f);
    });
    // A profiling SBE25 CTD: eight hex scans a second.
    v.emplace_back(4, 125, 0, -900, 9600, 15,
                   [](long index, double ms, Rng&) { return rixexample::Sbe25ExampleScan(index, ms); });
    // A fluorometer with a backscatter channel, converted through its column device file.
    v.emplace_back(5, rixexample::kOrbPeriodMs, 4, -1700, rixexample::kOrbBaud, 16,
                   [](long index, double ms, Rng&) { return rixexample::OrbRecord(index, ms); });
    // A GPS receiver sharing its line with an echo sounder; its clock reads UTC.
    v.emplace_back(6, 1000, 0, -1000, 4800, 17, [](long index, double ms, Rng&) {
        return rixexample::gps::RecordBytes(index, ms);
    });
    return v;
}

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

std::vector<Instrument> ExampleLogger2Instruments() {
    std::vector<Instrument> v;
    // The clock prints the second that has just begun, 15 ms after it begins.
    double first = std::floor((kExampleStartMs - 5000) / 1000.0) * 1000.0 + 15.0 - kExampleStartMs;
    v.emplace_back(0, 1000, 0, first, 4800, 21, [](long, double ms, Rng&) {
        long long sec = static_cast<long long>(std::floor((kExampleStartMs + ms) / 1000.0));
        int dayIndex = static_cast<int>(sec / 86400);
        int secOfDay = static_cast<int>(sec % 86400);
        int month = 0, day = 0;
        MonthDay(2005, dayIndex + 1, month, day);
        return Printf("%02d/%02d/%02d %02d:%02d:%02d\r\n", month, day, 5, secOfDay / 3600,
                      secOfDay / 60 % 60, secOfDay % 60);
    });
    v.emplace_back(1, 3000, 20, -3700, 1200, 22, [](long, double ms, Rng& rng) {
        double s = ms / 1000.0;
        double p = 1013.4 - 0.6 * s / 1800.0 + 0.05 * rng.Noise();
        double t = 17.9 - 0.4 * s / 1800.0 + 0.05 * rng.Noise();
        return Printf("P %7.2f hPa T %4.1f C\n", p, t);
    });
    // An NX9 absorption/attenuation meter, a Satlantic radiometer, a
    // thermometer bath and a DMM 22-812 multimeter.
    v.emplace_back(2, nx9example::kPeriodMs, 0, -2100, nx9example::kBaud, 23,
                   [](long index, double ms, Rng&) { return nx9example::Record(index, ms); });
    v.emplace_back(3, 1000, 2, -1200, 9600, 24,
                   [](long index, double ms, Rng&) { return rixexample::SatlanticExampleRecord(index, ms); });
    v.emplace_back(4, 1000, 3, -800, 9600, 25, [](long index, double ms, Rng&) {
        return Bytes(rixexample::ThermoBathRecord(static_cast<int>(index), ms));
    });
    v.emplace_back(5, 125, 0, -600, 4800, 26, [](long index, double ms, Rng&) {
        return Bytes(rixexample::DmmRecord(static_cast<int>(index), ms));
    });
    return v;
}

std::string ExampleIsf() {
    const char* lines[][3] = {{"11", "ASCII", ""},          {"12", "T_ASCII", ""},
                              {"13", "ASCII_T", ""},        {"14", "Hex_Output", ""},
                              {"15", "SBE25CTD", "SBE25.CON"}, {"16", "ORB", "ORB.DEV"},
                              {"17", "GPS", ""},            {"21", "T_ASCII", ""},
                              {"22", "ASCII_T", ""},        {"23", "NX9", "NX9EX.DEV"},
                              {"24", "SATLANTIC", "SATEXR.CAL"}, {"25", "Thermo_Bath", ""},
                              {"26", "DMM22812", ""}};
    std::string text;
    // The instrument setup writer's layout.
    for (auto& l : lines) text += Printf("%s %s LAG=0 HAD=0 DEV=%s \r\n", l[0], l[1], l[2]);
    return text;
}

// The calibration files of the example's instruments, in the device folder.
struct ExampleDeviceFile {
    const char* name;
    std::string text;
};

// The merge setup of the example: the CTD with the fluorometer on time (with
// density and sigma-t), and the NX9 with the CTD's temperature and salinity
// for its corrections.
std::string ExampleMsf() {
    rix::MergeSetup setup;
    rix::ResetMergeSetup(setup);
    rix::MergePair& ctd = setup.pairs[0];
    ctd.mergeMode = 2;
    ctd.base.channelId = 15;
    ctd.base.keyColumn = 1;
    ctd.base.headerRows = 1;
    ctd.base.headerUse = 1;
    ctd.base.meterType = 2;
    ctd.base.units = ctd.base.offsetUnits = 1;
    ctd.merge.channelId = 16;
    ctd.merge.keyColumn = 1;
    ctd.merge.headerRows = 1;
    ctd.merge.headerUse = 1;
    ctd.merge.units = ctd.merge.offsetUnits = 1;
    ctd.presColumn = 2;
    ctd.tempColumn = 3;
    ctd.condColumn = 4;
    ctd.salColumn = 5;
    ctd.displayOrder = "B1-6 M2-6 iDEN iSIGMA-T";

    rix::MergePair& ac = setup.pairs[1];
    ac.mergeMode = 2;
    ac.base.channelId = 23;
    ac.base.keyColumn = 1;
    ac.base.headerRows = 32;  // banner and device file copy
    ac.base.headerUse = 1;
    ac.base.meterType = 1;
    ac.base.units = ac.base.offsetUnits = 1;
    ac.merge.channelId = 15;
    ac.merge.keyColumn = 1;
    ac.merge.headerRows = 1;
    ac.merge.headerUse = 1;
    ac.merge.meterType = 1;
    ac.merge.units = ac.merge.offsetUnits = 1;
    ac.tempColumn = 5003;
    ac.salColumn = 5005;
    ac.correctionFlags = rix::kCorrectTemperature | rix::kCorrectSalinity;
    ac.displayOrder = "B1-19 M3 M5";
    return rix::MsfText(setup);
}

// Temperature and salinity coefficients of pure-water absorption by wavelength.
std::string ExampleTemperatureCorrections() {
    return "412\t0.0001\r\n440\t0.0000\r\n488\t0.0000\r\n510\t0.0001\r\n532\t0.0000\r\n"
           "555\t0.0000\r\n650\t0.0000\r\n676\t-0.0001\r\n715\t0.0029\r\n";
}

std::string ExampleSalinityCorrections() {
    return "412\t0.00009\t0.00002\r\n440\t0.00007\t0.00001\r\n488\t0.00004\t0.00001\r\n"
           "510\t0.00002\t0.00000\r\n532\t0.00001\t0.00000\r\n555\t0.00001\t0.00000\r\n"
           "650\t0.00000\t-0.00001\r\n676\t-0.00001\t-0.00002\r\n715\t-0.00002\t-0.00006\r\n";
}

std::vector<ExampleDeviceFile> ExampleDeviceFiles() {
    return {{"SBE25.CON", rixexample::Sbe25ExampleCon()},
            {rixexample::kOrbDeviceFileName, rixexample::OrbDeviceFile()},
            {nx9example::kDeviceFileName, nx9example::DeviceFile()},
            {"SATEXR.CAL", rixexample::SatlanticExampleCalFile()},
            {"deploy.msf", ExampleMsf()},
            {"t.cor", ExampleTemperatureCorrections()},
            {"s.cor", ExampleSalinityCorrections()}};
}

std::string ExampleEsf() {
    // KX archive, engineering units, no depth, no CTD, individual files,
    // (reserved), clock from logger 1, Julian day stamps, date/time channel 21,
    // no time offset, 250 ms increment.
    return "ESF Version=1.1\r\n0 1 0 0 0 0 1 4 21 0 250\r\n";
}

std::string ExampleMainSetup(const std::string& dir) {
    const std::string names[7] = {dir + "/deploy.000", dir + "/deploy.isf", dir + "/deploy.esf",
                                  dir + "/deploy.msf", "*.*", dir, "out/demo"};
    std::string text = "0\n";
    for (auto& n : names) text += std::to_string(n.size()) + " " + n + "\n";
    return text;
}

// The example's two loggers recording for the given seconds. Its damage recurs
// every 30 minutes of a longer run, at the same places in each half hour.
std::vector<uint8_t> ExampleArchive(int seconds = kExampleSeconds) {
    Logger l1;
    l1.id = 1;
    l1.clock = Clock::kCalendar;
    l1.calendarMs = kExampleStartMs;
    l1.year = 5;
    l1.instruments = ExampleLogger1Instruments();
    l1.writer.sequence = 17;

    Logger l2;
    l2.id = 2;
    l2.clock = Clock::kMilliseconds;
    l2.powerOnMs = 5473456;
    l2.drift = 40e-6;
    l2.instruments = ExampleLogger2Instruments();
    l2.writer.sequence = 200;

    struct Event {
        double ms;
        Logger* logger;
        int k;
    };
    std::vector<Event> events;
    Rng jitter(2005);
    // Logger 1 writes a packet 5 to 40 ms after every second: its first packet
    // after midnight is written before logger 2's.
    for (int k = 0; k <= seconds; ++k) events.push_back({k * 1000.0 + 22.5 + 17.5 * jitter.Signed(), &l1, k});
    // Logger 2 runs from 3 s before logger 1, at 370 ms past logger 1's seconds.
    for (int k = 0;; ++k) {
        double ms = -3000.0 + 370.0 + k * 999.96 + 15.0 * jitter.Signed();
        if (ms > seconds * 1000.0 + 600.0) break;
        events.push_back({ms, &l2, k});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.ms < b.ms; });

    // Bytes that arrived before a logger's first interval never reach the archive.
    for (Logger* l : {&l1, &l2}) {
        for (const Event& e : events) {
            if (e.logger == l) {
                l->Drop(e.ms - 1000.0);
                break;
            }
        }
    }

    std::vector<uint8_t> archive;
    Rng noise(777);
    for (size_t i = 0; i < events.size(); ++i) {
        const Event& e = events[i];
        Logger& l = *e.logger;
        const int inHalfHour = e.k % kExampleSeconds;
        if (&l == &l2 && inHalfHour >= 600 && inHalfHour < 603) {
            // Logger 2 lost three packets: their bytes are gone and their
            // sequence numbers are missing from the archive.
            l.Drop(e.ms);
            ++l.writer.sequence;
            continue;
        }
        std::vector<uint8_t> bytes = PacketBytes(l, e.ms);
        if (&l == &l1 && inHalfHour == 1200) {
            // Logger 1 was reset while writing this packet: only the first 20
            // bytes of its header reached the archive.
            bytes.resize(20);
        }
        if (i + 1 == events.size()) {
            // The power went off while the last packet was being written:
            // its header and half its payload reached the archive.
            size_t header = bytes.size() > 1 && bytes[1] == 2 ? 32 : 28;
            if (bytes.size() >= header + 4) bytes.resize(header + (bytes.size() - header - 4) / 2);
        }
        archive.insert(archive.end(), bytes.begin(), bytes.end());
        if (&l == &l1 && inHalfHour == 300) {
            // Line noise between two packets.
            archive.push_back(0x7E);
            for (int n = 0; n < 22; ++n) {
                uint8_t b = static_cast<uint8_t>(noise.Next() & 0xFF);
                archive.push_back(b == '#' ? 0xFF : b);
            }
        }
    }
    return archive;
}

// Writes the example deployment into dir; seconds > 0 runs its loggers for
// that long instead of the example's half hour.
int RunExample(const std::string& dirArg, int seconds = 0) {
    std::string dir = dirArg;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "rix-mkarchive: cannot create folder %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    std::vector<uint8_t> archive = ExampleArchive(seconds > 0 ? seconds : kExampleSeconds);
    bool ok = WriteWhole(dir + "/deploy.000", archive.data(), archive.size());
    ok = ok && WriteText(dir + "/deploy.isf", ExampleIsf());
    ok = ok && WriteText(dir + "/deploy.esf", ExampleEsf());
    ok = ok && WriteText(dir + "/deploy.rix", ExampleMainSetup(dir));
    for (const ExampleDeviceFile& f : ExampleDeviceFiles()) ok = ok && WriteText(dir + "/" + f.name, f.text);
    if (!ok) return 1;
    std::printf("%s/deploy.000: %zu bytes\n", dir.c_str(), archive.size());
    std::printf("%s/deploy.isf, %s/deploy.esf, %s/deploy.rix\n", dir.c_str(), dir.c_str(), dir.c_str());
    return 0;
}

// ---------------------------------------------------------------------------
// The benchmark archive: 4 loggers x 9 text meters, about 2 KB per logger and
// second, one packet per logger and second.

std::string BenchLine(int kind, double ms, Rng& rng) {
    double s = ms / 1000.0;
    double a = std::sin(s / 97.0), b = std::cos(s / 311.0);
    switch (kind) {
    case 0:
        return Printf("%8.3f,%6.2f,%7.3f,%8.4f\r\n", 12.3 + 0.4 * a + 0.003 * rng.Noise(),
                      7.9 + 0.8 * b, 0.12 + 0.01 * rng.Unit(), 33.1 + 0.02 * a);
    case 1:
        return Printf("CHL=%6.3f NTU=%6.3f CDOM=%7.3f\r\n", 1.2 + 0.3 * a + 0.02 * rng.Noise(),
                      0.56 + 0.05 * b, 12.0 + rng.Noise());
    case 2:
        return Printf("%+8.4f %+8.4f %+8.4f\r\n", 18.45 - 0.2 * a + 0.0005 * rng.Noise(), 18.2 + 0.1 * b,
                      17.9 + 0.01 * rng.Noise());
    default:
        return Printf("P %7.2f hPa T %4.1f C RH %5.1f %%\r\n", 1013.4 + 0.6 * a + 0.05 * rng.Noise(),
                      17.9 + 0.4 * b, 81.0 + 2.0 * a);
    }
}

int RunBench(const std::string& path, double megabytes) {
    std::vector<Logger> loggers(4);
    const Clock clocks[4] = {Clock::kMilliseconds, Clock::kMilliseconds, Clock::kTenMs, Clock::kMilliseconds};
    const double powerOn[4] = {1000000, 7777777, 2500000, 123456789};
    for (int i = 0; i < 4; ++i) {
        Logger& l = loggers[static_cast<size_t>(i)];
        l.id = i + 1;
        l.clock = clocks[i];
        l.powerOnMs = powerOn[i];
        l.drift = (i - 1.5) * 20e-6;
        l.writer.sequence = static_cast<uint8_t>(i * 50);
        for (int p = 0; p < rix::kPorts; ++p) {
            int kind = (p + i) % 4;
            uint64_t seed = 1000 + static_cast<uint64_t>(i * 10 + p);
            l.instruments.emplace_back(p, 200, 4, -137.0 * p, 38400, seed,
                                       [kind](long, double ms, Rng& rng) { return BenchLine(kind, ms, rng); });
        }
        l.Drop(-1000.0 + 250.0 * i);
    }

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "rix-mkarchive: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    const double target = megabytes * 1e6;
    std::vector<uint8_t> buffer;
    buffer.reserve(9u << 20);
    double written = 0;
    long packets = 0;
    Rng jitter(4242);
    bool ok = true;
    for (long k = 0; ok && written < target; ++k) {
        for (int i = 0; i < 4 && written < target; ++i) {
            Logger& l = loggers[static_cast<size_t>(i)];
            double ms = k * 1000.0 + 250.0 * i + 5.0 * jitter.Signed();
            std::vector<uint8_t> bytes = PacketBytes(l, ms);
            buffer.insert(buffer.end(), bytes.begin(), bytes.end());
            written += static_cast<double>(bytes.size());
            ++packets;
        }
        if (buffer.size() >= (8u << 20)) {
            ok = std::fwrite(buffer.data(), 1, buffer.size(), f) == buffer.size();
            buffer.clear();
        }
    }
    if (ok && !buffer.empty()) ok = std::fwrite(buffer.data(), 1, buffer.size(), f) == buffer.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        std::fprintf(stderr, "rix-mkarchive: cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("%s: %.0f bytes, %ld packets\n", path.c_str(), written, packets);
    return 0;
}

const char kUsage[] =
    "Usage: rix-mkarchive example OUTDIR\n"
    "       rix-mkarchive bench OUTFILE MEGABYTES\n"
    "       rix-mkarchive mix OUTDIR MEGABYTES\n"
    "\n"
    "example  writes the example deployment into OUTDIR: the archive deploy.000, its\n"
    "         instrument setup deploy.isf, extraction setup deploy.esf and main setup\n"
    "         deploy.rix (whose paths name OUTDIR as given, for use from its parent folder)\n"
    "bench    writes an archive of about MEGABYTES million bytes: 4 loggers x 9 text meters\n"
    "mix      writes the example deployment into OUTDIR with its loggers run on until the\n"
    "         archive holds about MEGABYTES million bytes (the damage recurs every half hour)\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.size() == 2 && args[0] == "example") return RunExample(args[1]);
    if (args.size() == 3 && args[0] == "bench") {
        char* end = nullptr;
        double mb = std::strtod(args[2].c_str(), &end);
        if (end != args[2].c_str() && *end == '\0' && mb > 0 && mb <= 100000) return RunBench(args[1], mb);
        std::fprintf(stderr, "rix-mkarchive: MEGABYTES must be a number from 0 to 100000\n");
        return 2;
    }
    if (args.size() == 3 && args[0] == "mix") {
        char* end = nullptr;
        double mb = std::strtod(args[2].c_str(), &end);
        // Logger 2's millisecond clock must not wrap: at most about 40 days.
        if (end != args[2].c_str() && *end == '\0' && mb > 0 && mb <= 3000) {
            const double perSecond = static_cast<double>(ExampleArchive().size()) / kExampleSeconds;
            return RunExample(args[1], static_cast<int>(std::ceil(mb * 1e6 / perSecond)));
        }
        std::fprintf(stderr, "rix-mkarchive: MEGABYTES must be a number from 0 to 3000\n");
        return 2;
    }
    std::fputs(kUsage, stderr);
    return 2;
}
