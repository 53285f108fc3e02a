#include "inspect/Inventory.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "Context.h"
#include "archive/Archive.h"
#include "archive/Pump.h"

namespace rix {

namespace {

constexpr int kLoggers = 5;  // index = logger id, 1..4 used

bool IsPrintable(unsigned char c) { return (c >= 32 && c < 127) || c == '\r' || c == '\n' || c == '\t'; }

struct LoggerTally {
    LoggerInventory info;
    bool seen = false;
    uint8_t lastSequence = 0;
    bool typeSeen[3] = {};
    std::vector<double> intervals;
};

double Median(std::vector<double>& values) {
    if (values.empty()) return -1;
    const size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<long>(mid), values.end());
    double m = values[mid];
    if (values.size() % 2 == 0) {
        const double below = *std::max_element(values.begin(), values.begin() + static_cast<long>(mid));
        m = (m + below) / 2;
    }
    return m;
}

}  // namespace

const ChannelInventory* ArchiveInventory::Channel(int id) const {
    for (const ChannelInventory& c : channels)
        if (c.id == id) return &c;
    return nullptr;
}

const LoggerInventory* ArchiveInventory::Logger(int id) const {
    for (const LoggerInventory& l : loggers)
        if (l.id == id) return &l;
    return nullptr;
}

bool TakeInventory(const std::string& path, ArchiveInventory& inventory) {
    inventory = ArchiveInventory();
    inventory.path = path;
    ArchiveStream stream;
    if (!stream.Open(path)) {
        inventory.fault = stream.Fault();
        return false;
    }
    inventory.opened = true;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    inventory.fileBytes = ec ? 0 : static_cast<long long>(size);

    RecordingReporter quiet;  // the reader reports nothing; a fresh program keeps it apart
    auto ctx = std::make_unique<Context>(quiet);
    Run run(*ctx);
    LoggerTally loggers[kLoggers];
    std::array<ChannelInventory, kChannelCount> channels{};
    // The times as the packets store them: no re-timing.
    PumpOptions options;
    options.retime = false;
    options.honourStop = false;
    PacketPump pump(run, stream, options);
    pump.Run([&](const PumpedPacket& pumped) {
        const ArchivePacket& packet = pumped.packet;
        const double time = pumped.readTime;
        ++inventory.packets;
        LoggerTally& t = loggers[packet.sender];  // the reader delivers senders 1..4 only
        LoggerInventory& l = t.info;
        if (t.seen) {
            l.missing += static_cast<uint8_t>(packet.sequence - t.lastSequence - 1);
            t.intervals.push_back(time - l.lastTime);
        } else {
            t.seen = true;
            l.id = packet.sender;
            l.firstTime = time;
        }
        t.lastSequence = packet.sequence;
        l.lastTime = time;
        ++l.packets;
        const int stored = run.reader.storedType;
        if (stored >= 0 && stored <= 2) t.typeSeen[stored] = true;
        if (stored == 2) {
            const std::string when = CalendarText(run.reader.storedYearDay, run.reader.storedMsOfDay);
            if (l.firstCalendar.empty()) l.firstCalendar = when;
            l.lastCalendar = when;
        }
        int offset = 0;
        for (int p = 0; p < kPorts; ++p) {
            const int count = packet.counts[p];
            if (count > 0) {
                ChannelInventory& c = channels[static_cast<size_t>(packet.sender * 10 + p + 1)];
                c.bytes += count;
                ++c.packets;
                const size_t room = kInventorySample - c.sample.size();
                c.sample.append(reinterpret_cast<const char*>(packet.payload + offset),
                                std::min(room, static_cast<size_t>(count)));
            }
            offset += count;
        }
        return true;
    });
    if (stream.Failed()) {
        inventory.fault = stream.Fault();
        return false;
    }
    inventory.badHeaders = run.reader.badHeaders;
    inventory.skippedBytes = run.reader.skippedBytes;
    inventory.truncatedEnd = run.reader.truncatedEnd;

    for (LoggerTally& t : loggers) {
        if (!t.seen) continue;
        for (int type = 0; type <= 2; ++type)
            if (t.typeSeen[type]) t.info.types.push_back(type);
        t.info.medianInterval = Median(t.intervals);
        inventory.loggers.push_back(t.info);
    }
    for (ChannelInventory& c : channels) {
        if (c.bytes == 0) continue;
        c.id = static_cast<int>(&c - channels.data());
        const auto printable = std::count_if(c.sample.begin(), c.sample.end(),
                                             [](char ch) { return IsPrintable(static_cast<unsigned char>(ch)); });
        c.sampleIsText = printable * 10 >= static_cast<long>(c.sample.size()) * 9;
        inventory.channels.push_back(c);
    }
    return true;
}

std::string HexBytes(const std::string& bytes) {
    std::string out;
    for (char ch : bytes) {
        if (!out.empty()) out += ' ';
        out += Format("%02x", static_cast<unsigned char>(ch));
    }
    return out;
}

std::string SampleText(const ChannelInventory& channel) {
    if (!channel.sampleIsText) return HexBytes(channel.sample);
    std::string out = "\"";
    for (char ch : channel.sample) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '"' || c == '\\') out += std::string("\\") + ch;
        else if (c >= 32 && c < 127) out += ch;
        else out += Format("\\x%02x", c);
    }
    return out + "\"";
}

std::string CalendarText(int yearDay, long msOfDay) {
    const int shortYear = yearDay / 1000;
    const int year = shortYear < 80 ? 2000 + shortYear : 1900 + shortYear;
    int day = yearDay % 1000;
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    int month = 0;
    while (month < 11 && day > kDays[month] + (month == 1 && leap ? 1 : 0)) {
        day -= kDays[month] + (month == 1 && leap ? 1 : 0);
        ++month;
    }
    const long s = msOfDay / 1000;
    return Format("%04d-%02d-%02d %02ld:%02ld:%02ld.%03ld", year, month + 1, day, s / 3600, s / 60 % 60,
                  s % 60, msOfDay % 1000);
}

std::string DurationText(double ms) {
    const bool negative = ms < 0;
    const auto total = static_cast<long long>(std::llround(std::fabs(ms)));
    const long long s = total / 1000;
    std::string out = negative ? "-" : "";
    if (s >= 86400) out += Format("%lldd ", s / 86400);
    return out + Format("%02lld:%02lld:%02lld.%03lld", s / 3600 % 24, s / 60 % 60, s % 60, total % 1000);
}

std::string InventoryText(const ArchiveInventory& inv) {
    std::string out = Format("Archive: %s\n", inv.path.c_str());
    out += Format("%lld bytes, %ld packets\n", inv.fileBytes, inv.packets);
    if (inv.packets == 0) out += "No packet found: this is no logger archive, or it is damaged throughout.\n";
    if (!inv.loggers.empty()) {
        out += "\nLogger  Packets  Types  First ms       Last ms        Span             Median ms  Missing\n";
        for (const LoggerInventory& l : inv.loggers) {
            std::string types;
            for (int t : l.types) {
                if (!types.empty()) types += ',';
                types += std::to_string(t);
            }
            out += Format("%-6d  %7ld  %-5s  %-13.0f  %-13.0f  %-15s  %9s  %7ld\n", l.id, l.packets, types.c_str(),
                          l.firstTime, l.lastTime, DurationText(l.Span()).c_str(),
                          l.medianInterval < 0 ? "-" : Format("%.0f", l.medianInterval).c_str(), l.missing);
            if (!l.firstCalendar.empty())
                out += Format("        calendar %s to %s\n", l.firstCalendar.c_str(), l.lastCalendar.c_str());
        }
    }
    if (!inv.channels.empty()) {
        out += "\nChannel  Bytes      Packets  First bytes\n";
        for (const ChannelInventory& c : inv.channels)
            out += Format("%-7d  %9ld  %7ld  %s\n", c.id, c.bytes, c.packets, SampleText(c).c_str());
    }
    out += Format("\nReader: %ld bad headers, %ld bytes skipped while resynchronising, %s\n", inv.badHeaders,
                  inv.skippedBytes, inv.truncatedEnd ? "the last packet is truncated" : "no truncated packet");
    return out;
}

}  // namespace rix
