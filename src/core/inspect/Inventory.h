// What an archive holds: one read with the packet reader, nothing written.
// Per logger its packets, times and sequence gaps; per channel its bytes and
// the first bytes of its data; the reader's health.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rix {

constexpr int kInventorySample = 32;  // first bytes kept per channel

struct LoggerInventory {
    int id = 0;                 // 1..4
    long packets = 0;           // delivered packets
    std::vector<int> types;     // packet types as stored (0, 1, 2), ascending
    double firstTime = -1;      // logger time of the first and last packet, ms
    double lastTime = -1;
    double medianInterval = -1;  // between consecutive packets, ms; -1 with fewer than two
    long missing = 0;           // packets lost in sequence gaps
    // Type-2 packets: calendar time of the first and last, "YYYY-MM-DD hh:mm:ss.mmm".
    std::string firstCalendar;
    std::string lastCalendar;

    double Span() const { return packets > 0 ? lastTime - firstTime : 0; }
};

struct ChannelInventory {
    int id = 0;  // 11..49
    long bytes = 0;
    long packets = 0;            // packets carrying bytes for it
    std::string sample;          // first bytes as received
    bool sampleIsText = false;   // mostly printable: shown as text, else as hex
};

struct ArchiveInventory {
    std::string path;
    bool opened = false;
    long long fileBytes = 0;
    long packets = 0;
    std::vector<LoggerInventory> loggers;    // loggers with packets, ascending
    std::vector<ChannelInventory> channels;  // channels with bytes, ascending
    long badHeaders = 0;
    long skippedBytes = 0;  // bytes passed over while resynchronising
    bool truncatedEnd = false;
    // Why the archive could not be opened (a folder, a device, a pipe) or
    // read to its end (a read error, a change of size); "" when it was.
    std::string fault;

    const ChannelInventory* Channel(int id) const;
    const LoggerInventory* Logger(int id) const;
};

// Reads the archive once. False (opened false) when it cannot be opened; false
// with opened true when a read failed: what came before is not the archive.
bool TakeInventory(const std::string& path, ArchiveInventory& inventory);

// The sample as a person reads it: text with \r \n \t and \xNN escapes, or
// hex bytes separated by blanks.
std::string SampleText(const ChannelInventory& channel);
std::string HexBytes(const std::string& bytes);
// "YYYY-MM-DD hh:mm:ss.mmm" of a type-2 year-day code (two-digit year, 2000
// for years below 80) and milliseconds since midnight.
std::string CalendarText(int yearDay, long msOfDay);
// A span in ms as "[Dd ]hh:mm:ss.mmm".
std::string DurationText(double ms);

// The readable table of `rix info`.
std::string InventoryText(const ArchiveInventory& inventory);

}  // namespace rix
