// Logger archive reader and writer.
//
// The reader walks an archive forward only. Every header field is checked as
// soon as it is read; a header that fails is skipped by scanning for the next
// "####" trailer, so a damaged stretch costs the packets it touches and the
// reading goes on behind it. Nothing in a damaged archive can make the reader
// step outside the packet it fills or stop making progress.
#include "archive/Archive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "Context.h"
#include "report/Reporter.h"
#include "utilities/FileIo.h"

namespace rix {

namespace {

constexpr size_t kStreamBuffer = size_t{1} << 20;
constexpr int kSenders = 5;                  // index = sender id, 1 to 4 used
constexpr int32_t kMsPerDay = 86400000;      // milliseconds of one day
constexpr int64_t kLeapYearMs = 366LL * kMsPerDay;
constexpr int64_t kCommonYearMs = 365LL * kMsPerDay;
constexpr size_t kType01Header = 28;

int16_t Le16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put16(uint8_t* p, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<uint8_t>(u & 0xff);
    p[1] = static_cast<uint8_t>(u >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Append16(std::vector<uint8_t>& out, int16_t v) {
    uint8_t b[2];
    Put16(b, v);
    out.insert(out.end(), b, b + 2);
}

void Append32(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t b[4];
    Put32(b, v);
    out.insert(out.end(), b, b + 4);
}

bool Read16(ArchiveStream& stream, int16_t& v) {
    uint8_t b[2];
    if (stream.Read(b, 2) != 2) return false;
    v = Le16(b);
    return true;
}

bool Read32(ArchiveStream& stream, uint32_t& v) {
    uint8_t b[4];
    if (stream.Read(b, 4) != 4) return false;
    v = Le32(b);
    return true;
}

bool ValidCount(int v) { return v >= 0 && v <= kMaxPayload; }

// Maps a type-2 calendar time onto the run's time base: milliseconds from the
// run's first type-2 packet, with one year change per run carried by a fixed
// offset. Returns the time in 10 ms units, truncated toward zero. Also enters
// the packet's day in the Julian day table.
int64_t Type2ToUnits(Run& run, int yearDay, int32_t msOfDay) {
    Type2Reference& ref = run.reader.type2;
    const int year = yearDay / 1000;
    const int day = yearDay % 1000;
    const int64_t yearTime = static_cast<int64_t>(day) * kMsPerDay + msOfDay;
    if (!ref.set) {
        ref.set = true;
        ref.year = year;
        ref.day = day;
        ref.yearTime = static_cast<double>(yearTime);
    } else if (!ref.offsetSet && year != ref.year) {
        ref.offsetSet = true;
        ref.yearOffset = static_cast<double>(ref.year % 4 == 0 ? kLeapYearMs : kCommonYearMs);
    }
    // All terms are whole milliseconds well inside 2^53, so this is exact.
    const int64_t relative = yearTime - static_cast<int64_t>(ref.yearTime) +
                             (ref.offsetSet ? static_cast<int64_t>(ref.yearOffset) : 0);
    if (yearDay >= 0 && yearDay < kJulianTableSize)
        run.reader.days.push_back({yearDay, static_cast<double>(msOfDay), static_cast<double>(relative)});
    return relative / 10;
}

// Reads and checks one header. On a type-2 header the time is converted at
// once (the conversion stands even if a later field fails) and the delivered
// time in 10 ms units is kept in units, which, unlike the 32-bit field, never
// wraps. False on any failed check or the end of the file.
bool ReadHeader(Run& run, ArchivePacket& packet, ArchiveStream& stream, int64_t& units,
                bool& converted) {
    converted = false;
    uint8_t head[4];
    if (stream.Read(head, 4) != 4) return false;
    packet.destination = head[0];
    packet.type = head[1];
    packet.sender = head[2];
    packet.sequence = head[3];
    run.reader.storedType = packet.type;
    if (packet.destination != 1 || packet.sender < 1 || packet.sender > 4 || packet.type > 2)
        return false;

    if (packet.type == 2) {
        uint32_t raw;
        if (!Read32(stream, raw)) return false;
        const auto msOfDay = static_cast<int32_t>(raw);
        if (msOfDay < 0 || msOfDay > kMsPerDay) return false;
        int16_t yearDay;
        if (!Read16(stream, yearDay)) return false;
        const int day = yearDay % 1000;
        if (day < 1 || day > 366) return false;
        run.reader.storedYearDay = yearDay;
        run.reader.storedMsOfDay = msOfDay;
        units = Type2ToUnits(run, yearDay, msOfDay);
        converted = true;
        packet.time = static_cast<uint32_t>(units);  // modulo 2^32, as the field holds it
        packet.type = 1;
        if (!Read16(stream, packet.total) || !ValidCount(packet.total)) return false;
        uint8_t reserved[2];
        if (stream.Read(reserved, 2) != 2) return false;
    } else {
        if (!Read16(stream, packet.total) || !ValidCount(packet.total)) return false;
        if (!Read32(stream, packet.time)) return false;
    }

    int sum = 0;
    for (int p = 0; p < kPorts; ++p) {
        if (!Read16(stream, packet.counts[p]) || !ValidCount(packet.counts[p])) return false;
        sum += packet.counts[p];
        if (sum > packet.total) return false;
    }
    return sum == packet.total;
}

// Per sender: every sequence number skipped since the sender's last packet
// counts as a missing packet.
void CountSequence(ReaderState& state, const ArchivePacket& packet) {
    uint8_t& last = state.lastSequence[packet.sender];
    while (static_cast<uint8_t>(last + 1) != packet.sequence) {
        ++last;
        ++state.missing;
        ++state.packets;
    }
    last = packet.sequence;
    ++state.senderPackets[packet.sender];
    state.senderBytes[packet.sender] += packet.total;
}

void ShowHeader(Context& ctx, const ArchivePacket& packet, long position) {
    const uint32_t t = packet.time;
    // Type 0 counts unsigned milliseconds, type 1 signed 10 ms units.
    const long decimal = packet.type == 0 ? static_cast<long>(t) : static_cast<long>(static_cast<int32_t>(t));
    const int16_t* c = packet.counts;
    ctx.reporter.ShowError(
        "Show Header",
        Format("File index %ld Sender %d dest %d mod %02x time %ld %08lx pkttype %d total %d  c0 %d "
               "c1 %d c2 %d c3 %d c4 %d c5 %d c6 %d c7 %d c8 %d",
               position, packet.sender, packet.destination, packet.sequence, decimal,
               static_cast<unsigned long>(t), packet.type, packet.total, c[0], c[1], c[2], c[3],
               c[4], c[5], c[6], c[7], c[8]));
}

// Skips to just behind the next "####" (or to the end of the file). The
// window starts as "ABCD", so bytes already consumed are not looked at again.
void Resynchronise(ArchiveStream& stream) {
    // The last four bytes, the newest lowest; "ABCD" to start with.
    constexpr uint32_t kTrailer = 0x23232323;  // "####"
    uint32_t window = 0x41424344;
    while (window != kTrailer && !stream.EofSeen()) {
        const int b = stream.ReadByte();
        window = window << 8 | static_cast<uint8_t>(b < 0 ? 0 : b);
    }
}

}  // namespace

size_t PacketImage(const ArchivePacket& packet, uint8_t* out) {
    const int total = std::clamp<int>(packet.total, 0, kMaxPayload);
    out[0] = packet.destination;
    out[1] = packet.type;
    out[2] = packet.sender;
    out[3] = packet.sequence;
    Put16(out + 4, static_cast<int16_t>(total));
    Put32(out + 6, packet.time);
    for (int p = 0; p < kPorts; ++p) Put16(out + 10 + 2 * p, packet.counts[p]);
    std::memcpy(out + kType01Header, packet.payload, static_cast<size_t>(total) + 4);
    return static_cast<size_t>(total) + 32;
}

// ---------------------------------------------------------------------------
// ArchiveStream

namespace {

ArchiveStream::ReadFunction g_read = ReadChecked;

constexpr const char* kNotRegular = "not a regular file (a device, a pipe or a folder)";

}  // namespace

void ArchiveStream::SetReadFunction(ReadFunction read) { g_read = read ? read : ReadChecked; }

ArchiveStream::~ArchiveStream() { Close(); }

bool ArchiveStream::Open(const std::string& path) {
    Close();
    path_ = path;
    fault_.clear();
    failed_ = false;
    faultReported_ = false;
    // Opening a FIFO would wait for a writer and a device never ends: the
    // kind of file is checked before it is opened.
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        fault_ = kNotRegular;
        return false;
    }
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        fault_ = std::strerror(errno);
        return false;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        // It was replaced by something else between the two looks.
        Close();
        fault_ = kNotRegular;
        return false;
    }
    size_ = static_cast<long long>(size);
    Reserve(size);
    pos_ = len_ = 0;
    base_ = 0;
    eof_ = false;
    return true;
}

void ArchiveStream::OpenMemory(const uint8_t* data, size_t size, const std::string& name) {
    Close();
    path_ = name;
    fault_.clear();
    failed_ = false;
    faultReported_ = false;
    static const uint8_t kNothing = 0;
    memory_ = data ? data : &kNothing;
    size_ = data ? static_cast<long long>(size) : 0;
    Reserve(static_cast<uint64_t>(size_));
}

void ArchiveStream::Reserve(uint64_t fileSize) {
    // A small archive gets a small buffer; a large one reads in 1 MB blocks.
    // Not zeroed: only bytes a read brought in are looked at.
    constexpr size_t kSmallest = size_t{1} << 16;
    const size_t want = static_cast<size_t>(std::clamp<uint64_t>(fileSize, kSmallest, kStreamBuffer));
    if (buffer_ && capacity_ >= want) return;
    buffer_ = std::make_unique_for_overwrite<uint8_t[]>(want);
    capacity_ = want;
}

void ArchiveStream::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    memory_ = nullptr;
    pos_ = len_ = 0;
    base_ = 0;
    eof_ = false;
}

void ArchiveStream::Fail(const std::string& why) {
    failed_ = true;
    fault_ = why;
    eof_ = true;
    pos_ = len_ = 0;  // nothing of the failed read is delivered
}

bool ArchiveStream::Refill() {
    if ((!file_ && !memory_) || eof_) {
        eof_ = true;
        return false;
    }
    base_ += len_;
    pos_ = 0;
    if (memory_) {
        const uint64_t left = static_cast<uint64_t>(size_) - base_;
        len_ = static_cast<size_t>(std::min<uint64_t>(left, capacity_));
        std::memcpy(buffer_.get(), memory_ + base_, len_);
        if (len_ == 0) eof_ = true;
        return len_ > 0;
    }
    int error = 0;
    len_ = g_read(buffer_.get(), capacity_, file_, error);
    if (error != 0) {
        Fail(std::strerror(error));
        return false;
    }
    const uint64_t reached = base_ + len_;
    if (reached > static_cast<uint64_t>(size_) || (len_ == 0 && reached < static_cast<uint64_t>(size_))) {
        // The bytes read so far pass the size taken at the start, or the
        // end came before it.
        std::error_code ec;
        const auto now = std::filesystem::file_size(path_, ec);
        Fail(Format("the file changed size during the run (%lld bytes at the start, %lld now)", size_,
                    ec ? static_cast<long long>(reached) : static_cast<long long>(now)));
        return false;
    }
    if (len_ == 0) {
        eof_ = true;
        return false;
    }
    return true;
}

size_t ArchiveStream::Read(void* dst, size_t n) {
    auto* out = static_cast<uint8_t*>(dst);
    size_t done = 0;
    while (done < n) {
        if (pos_ >= len_ && !Refill()) break;
        const size_t take = std::min(n - done, len_ - pos_);
        std::memcpy(out + done, buffer_.get() + pos_, take);
        pos_ += take;
        done += take;
    }
    return done;
}

bool ArchiveStream::AtEnd() {
    if (pos_ < len_) return false;
    // Looking ahead is not a read: it leaves the end-of-file flag as it was.
    const bool seen = eof_;
    const bool more = Refill();
    eof_ = seen;
    return !more;
}

void ArchiveStream::Rewind() {
    if (file_) std::rewind(file_);
    pos_ = len_ = 0;
    base_ = 0;
    eof_ = failed_;
}

// ---------------------------------------------------------------------------
// Reader

void ResetPacketCounters(ReaderState& state) {
    state.packets = 0;
    state.missing = 0;
    state.badHeaders = 0;
    state.skippedBytes = 0;
    state.truncatedEnd = false;
}

void ResetSenderStatistics(ReaderState& state) {
    for (int s = 0; s < kSenders; ++s) {
        state.senderPackets[s] = 0;
        state.senderBytes[s] = 0;
    }
}

bool ReportStreamFault(Context& ctx, ArchiveStream& stream) {
    if (!stream.Failed()) return false;
    if (!stream.FaultReported()) {
        stream.SetFaultReported();
        ctx.reporter.ShowError("File Error - Can not read Archive file",
                               Format("%s: %s", stream.Path().c_str(), stream.Fault().c_str()));
    }
    return true;
}

std::string OpenFaultText(const ArchiveStream& stream, const std::string& path) {
    if (stream.Fault() == kNotRegular) return Format("%s: %s", path.c_str(), kNotRegular);
    return path;
}

namespace {

int ReadNextPacket(Run& run, double& time, ArchivePacket& packet, ArchiveStream& stream,
                   bool showHeader) {
    Context& ctx = run.ctx;
    for (;;) {
        const long start = stream.Position();
        int64_t units = 0;
        bool converted = false;
        if (ReadHeader(run, packet, stream, units, converted)) {
            CountSequence(run.reader, packet);
            if (showHeader) ShowHeader(ctx, packet, stream.Position());
            const size_t want = static_cast<size_t>(packet.total) + 4;
            if (stream.Read(packet.payload, want) != want) {
                run.reader.truncatedEnd = true;
                run.reader.skippedBytes += stream.Position() - start;
                return 0;
            }
            ++run.reader.packets;
            if (converted)
                time = static_cast<double>(units) * 10.0;
            else if (packet.type == 0)
                time = static_cast<double>(packet.time);
            else
                time = static_cast<double>(static_cast<int32_t>(packet.time)) * 10.0;
            return packet.total + 32;
        }
        if (ctx.log.enabled) LogLine(run, "Bad Header");
        // Nothing read at all is the clean end of the file, not a bad header.
        if (stream.Position() > start || !stream.EofSeen()) {
            ++run.reader.badHeaders;
            if (stream.EofSeen()) run.reader.truncatedEnd = true;  // the file ends inside the header
        }
        Resynchronise(stream);
        run.reader.skippedBytes += stream.Position() - start;
        if (ctx.log.enabled) LogLine(run, "Skipped %ld bytes", stream.Position() - start);
        if (stream.EofSeen()) return 0;
    }
}

}  // namespace

void ResetType2Reference(ReaderState& state) { state.type2 = Type2Reference{}; }

int ReadPacket(Run& run, double& time, ArchivePacket& packet, ArchiveStream& stream,
               bool showHeader) {
    Context& ctx = run.ctx;
    run.reader.days.clear();
    const int length = ReadNextPacket(run, time, packet, stream, showHeader);
    if (length == 0) ReportStreamFault(ctx, stream);
    return length;
}

void ChannelToSenderPort(int channelId, int& sender, int& port) {
    if (channelId < 0 || channelId > 49) {  // no logger has such a channel
        sender = 0;
        port = -1;
        return;
    }
    sender = channelId <= 9 ? 0 : channelId / 10;
    port = channelId - sender * 10 - 1;
}

int FindChannelRecord(Run& run, int channelId, double& time, uint8_t* record, int& length,
                      ArchiveStream& stream) {
    length = 0;
    if (channelId <= 0 || channelId > 49) return 0;
    int sender, port;
    ChannelToSenderPort(channelId, sender, port);
    ArchivePacket& packet = run.packet;
    double packetTime = 0;
    while (ReadPacket(run, packetTime, packet, stream, false) > 0) {
        if (packet.sender != sender) continue;
        int offset = 0;
        for (int p = 0; p < kPorts; ++p) {
            const int count = packet.counts[p];
            if (p == port) {
                if (count == 0) break;
                std::memcpy(record, packet.payload + offset, static_cast<size_t>(count));
                length = count;
                time = packetTime;
                return 1;
            }
            offset += count;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Writer

void AppendPacket(std::vector<uint8_t>& out, const PacketFields& fields, const uint8_t* payload) {
    int sum = 0;
    for (int p = 0; p < kPorts; ++p) sum += fields.counts[p];
    out.push_back(1);
    out.push_back(fields.type);
    out.push_back(fields.sender);
    out.push_back(fields.sequence);
    if (fields.type == 2) {
        Append32(out, static_cast<uint32_t>(fields.msOfDay));
        Append16(out, fields.yearDay);
        Append16(out, static_cast<int16_t>(sum));
        Append16(out, 0);
    } else {
        Append16(out, static_cast<int16_t>(sum));
        Append32(out, fields.time);
    }
    for (int p = 0; p < kPorts; ++p) Append16(out, fields.counts[p]);
    if (sum > 0) {
        if (payload)
            out.insert(out.end(), payload, payload + sum);
        else
            out.insert(out.end(), static_cast<size_t>(sum), 0);
    }
    out.insert(out.end(), {'#', '#', '#', '#'});
}

}  // namespace rix
