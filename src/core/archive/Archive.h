// Logger archive: a flat sequence of packets, each with one logger's time
// stamp and the bytes its nine serial ports received, ended by "####".
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace rix {

struct Context;
struct Run;

constexpr int kMaxPayload = 2400;
constexpr int kPayloadArea = 4096;
constexpr int kPorts = 9;

// In-memory image of a type 0/1 packet; type-2 packets are normalised to
// type 1 (time in 10 ms units) on reading.
struct ArchivePacket {
    uint8_t destination = 0;
    uint8_t type = 0;
    uint8_t sender = 0;
    uint8_t sequence = 0;
    int16_t total = 0;
    uint32_t time = 0;
    int16_t counts[kPorts] = {};
    uint8_t payload[kPayloadArea] = {};
};

// The first total + 32 bytes of the packet as a type-1 packet stands on disk
// (28 header bytes, payload, trailer). out must hold total + 32 bytes.
size_t PacketImage(const ArchivePacket& packet, uint8_t* out);

// Forward-only binary input through a large buffer.
//
// Only a regular file is opened: a device or a pipe would never end, a
// folder is no archive. The size is taken when the file is opened and every
// pass must find exactly that many bytes; a read error or a change of size
// (a logger still writing, a copy still running) ends the reading with a
// fault that the caller reports, instead of passing for the end of the file.
class ArchiveStream {
public:
    // The one read primitive: n bytes into dst; fewer at the end of the
    // file, with error set to an errno value when the read itself failed.
    using ReadFunction = size_t (*)(void* dst, size_t n, std::FILE* file, int& error);

    ArchiveStream() = default;
    ~ArchiveStream();
    ArchiveStream(const ArchiveStream&) = delete;
    ArchiveStream& operator=(const ArchiveStream&) = delete;

    // False when the file cannot be opened or is not a regular file;
    // Fault() then says why.
    bool Open(const std::string& path);
    // Reads an archive held in memory (not copied: it must outlive the
    // reading); name stands for its path in messages.
    void OpenMemory(const uint8_t* data, size_t size, const std::string& name);
    void Close();
    bool IsOpen() const { return file_ != nullptr || memory_ != nullptr; }
    // Reads up to n bytes; fewer means the end of the file was met (or a
    // fault: see Failed()).
    size_t Read(void* dst, size_t n);
    // Next byte or -1 at the end.
    int ReadByte() {
        if (pos_ < len_) return buffer_[pos_++];
        return Refill() ? buffer_[pos_++] : -1;
    }
    bool AtEnd();  // no byte left
    bool EofSeen() const { return eof_; }  // a read has met the end
    long Position() const { return static_cast<long>(base_ + pos_); }
    // Back to the start; a fault stays: the file is not read again.
    void Rewind();

    const std::string& Path() const { return path_; }
    long long Size() const { return size_; }
    // A read error or a change of size has ended the reading.
    bool Failed() const { return failed_; }
    // Why the last Open or read failed ("" when nothing failed).
    const std::string& Fault() const { return fault_; }
    // Set by the first caller that reports the fault, so it is told once.
    bool FaultReported() const { return faultReported_; }
    void SetFaultReported() { faultReported_ = true; }

    // Replaces the read primitive of every stream (nullptr restores it);
    // tests inject read errors and short reads through it.
    static void SetReadFunction(ReadFunction read);

private:
    bool Refill();
    void Reserve(uint64_t fileSize);
    void Fail(const std::string& why);
    std::FILE* file_ = nullptr;
    const uint8_t* memory_ = nullptr;  // an archive in memory, instead of file_
    std::unique_ptr<uint8_t[]> buffer_;  // capacity_ bytes, from the first Open that needs them
    size_t capacity_ = 0;
    size_t pos_ = 0;
    size_t len_ = 0;
    uint64_t base_ = 0;  // file offset of buffer_[0]
    bool eof_ = false;
    std::string path_;
    long long size_ = 0;  // taken at Open
    bool failed_ = false;
    bool faultReported_ = false;
    std::string fault_;
};

// Reference of the pass's first type-2 packet, and the year offset.
struct Type2Reference {
    bool set = false;
    int year = 0;
    int day = 0;
    double yearTime = 0;
    bool offsetSet = false;
    double yearOffset = 0;
};

// A calendar day a type-2 header gave: its year-day code, the milliseconds
// of the header since that day's midnight, and the header's time on the
// pass's time base (ms).
struct PacketDay {
    int yearDay = 0;
    double msSinceMidnight = 0;
    double relativeTime = 0;
};

// Reader state kept for the program run (sequence) and per pass (counts).
struct ReaderState {
    uint8_t lastSequence[5] = {};
    long packets = 0;  // received plus missing, per channel pass
    long missing = 0;
    long senderPackets[5] = {};
    long senderBytes[5] = {};
    // Reader health, per pass: headers that failed, bytes passed over by
    // them and the resynchronisation, and whether the end of the file cut a
    // packet short.
    long badHeaders = 0;
    long skippedBytes = 0;
    bool truncatedEnd = false;
    // The last delivered packet as stored: type 2 keeps its calendar fields.
    int storedType = 0;
    int16_t storedYearDay = 0;
    int32_t storedMsOfDay = 0;
    // The type-2 time reference: every pass starts it afresh, so every pass
    // gives the same times.
    Type2Reference type2;
    // The days the type-2 headers of the last ReadPacket call gave, in the
    // order read (a header that failed a later check still gave its day).
    // The reader enters no day anywhere; the caller that keeps a day table does.
    std::vector<PacketDay> days;
};

void ResetType2Reference(ReaderState& state);

void ResetPacketCounters(ReaderState& state);
void ResetSenderStatistics(ReaderState& state);

// Reads the next good packet. Returns total + 32, or 0 at the end of the file
// or when the stream failed; a stream fault is reported here, once, as
// "File Error - Can not read Archive file" with the path and the reason.
int ReadPacket(Run& run, double& time, ArchivePacket& packet, ArchiveStream& stream,
               bool showHeader);

// Reports a failed stream's fault (once per stream); true when it had failed.
bool ReportStreamFault(Context& ctx, ArchiveStream& stream);

// The box of an archive that Open refused: the path alone when it could not
// be opened, with the reason when it is no regular file.
std::string OpenFaultText(const ArchiveStream& stream, const std::string& path);

// Next record of a channel: 1 found, 0 at the end (or channel id 0).
// record must hold kMaxPayload bytes.
int FindChannelRecord(Run& run, int channelId, double& time, uint8_t* record, int& length,
                      ArchiveStream& stream);

void ChannelToSenderPort(int channelId, int& sender, int& port);

// One packet to write. Type 0/1 use time; type 2 uses msOfDay and yearDay.
struct PacketFields {
    uint8_t type = 0;
    uint8_t sender = 1;
    uint8_t sequence = 0;
    uint32_t time = 0;
    int32_t msOfDay = 0;
    int16_t yearDay = 0;
    int16_t counts[kPorts] = {};
};

// Appends the packet in the on-disk layout: header fields in table order
// (destination 1), the nine counts, the payload (the non-empty ports' bytes
// concatenated in port order, sum of counts bytes), then "####".
// total is the sum of the counts.
void AppendPacket(std::vector<uint8_t>& out, const PacketFields& fields, const uint8_t* payload);

// A writer that numbers its packets: sequence increments per packet, wrapping at 256.
struct PacketWriter {
    uint8_t sequence = 0;
    void Append(std::vector<uint8_t>& out, PacketFields fields, const uint8_t* payload) {
        fields.sequence = sequence++;
        AppendPacket(out, fields, payload);
    }
};

}  // namespace rix
