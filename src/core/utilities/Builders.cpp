// Archive builders: files of other recorders turned into logger archives.
//
// IOP files carry logger packets in network byte order, each framed by the
// sync bytes 0x08 0x08 and followed by a 16-bit checksum, behind a three-line
// text header. GOMOOS files are a stream of "type,length," heads each followed
// by exactly length bytes of one instrument's record; a date-time record sets
// the calendar time of the records that follow it.
#include "utilities/Builders.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "Context.h"
#include "archive/Archive.h"
#include "extract/Channel.h"
#include "report/Reporter.h"
#include "utilities/FileIo.h"

namespace rix {

namespace {

// ------------------------------------------------------------- input window

// Forward reading of a builder's input: the bytes from the earliest position
// still needed up to the furthest one looked at stay in memory, so memory
// follows the longest record, not the size of the file. Positions are file
// offsets. A read error is not the end of the file: Failed() tells it.
class InputWindow {
public:
    static constexpr size_t kChunk = size_t{1} << 20;

    ~InputWindow() {
        if (file_) std::fclose(file_);
    }
    // False when the file cannot be opened or is no regular file: a device
    // would never end and opening a pipe would wait for a writer.
    bool Open(const std::string& path) {
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
            notRegular_ = true;
            return false;
        }
        file_ = std::fopen(path.c_str(), "rb");
        return file_ != nullptr;
    }
    bool NotRegular() const { return notRegular_; }
    // Whether the file has a byte at pos (pos must not be released).
    [[gnu::always_inline]] bool Has(uint64_t pos) { return pos - start_ < bytes_.size() || More(pos); }
    // The byte at pos; Has(pos) must have been true.
    uint8_t At(uint64_t pos) const { return bytes_[static_cast<size_t>(pos - start_)]; }
    // n bytes from pos, valid until the next Has; Has(pos + n - 1) must have been true.
    const uint8_t* Span(uint64_t pos) const { return bytes_.data() + static_cast<size_t>(pos - start_); }
    // Bytes before pos will not be looked at again.
    void Release(uint64_t pos) {
        if (pos > released_) released_ = pos;
    }
    bool Failed() const { return error_ != 0; }
    int Error() const { return error_; }

private:
    [[gnu::noinline]] bool More(uint64_t pos) {
        while (pos >= start_ + bytes_.size() && !end_) Load();
        return pos < start_ + bytes_.size();
    }
    void Load() {
        const size_t drop = static_cast<size_t>(std::min<uint64_t>(released_ - start_, bytes_.size()));
        if (drop >= kChunk) {
            bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(drop));
            start_ += drop;
        }
        const size_t old = bytes_.size();
        bytes_.resize(old + kChunk);
        errno = 0;
        const size_t n = std::fread(bytes_.data() + old, 1, kChunk, file_);
        bytes_.resize(old + n);
        if (n < kChunk) {
            end_ = true;
            if (std::ferror(file_)) error_ = errno != 0 ? errno : EIO;
        }
    }

    std::FILE* file_ = nullptr;
    std::vector<uint8_t> bytes_;
    uint64_t start_ = 0;     // file offset of bytes_[0]
    uint64_t released_ = 0;  // bytes before it are no longer needed
    bool end_ = false;
    int error_ = 0;
    bool notRegular_ = false;
};

// The input's read error, reported like the open failure; true when there was one.
bool ReportReadError(Context& ctx, const InputWindow& in, const std::string& path, const char* purpose) {
    if (!in.Failed()) return false;
    ctx.reporter.ShowError(Format("%s File Error", purpose),
                           Format("Unable to read %s: %s", path.c_str(), std::strerror(in.Error())));
    return true;
}

bool OpenInput(Context& ctx, InputWindow& in, const std::string& path, const char* purpose) {
    if (in.Open(path)) return true;
    ctx.reporter.ShowError(Format("%s File Error", purpose),
                           Format("Unable to open %s%s", path.c_str(),
                                  in.NotRegular() ? ": not a regular file (a device, a pipe or a folder)" : ""));
    return false;
}

// ---------------------------------------------------------------- IOP files

constexpr uint8_t kIopSync = 0x08;
constexpr size_t kIopHeader = 28;
constexpr int kIopMaxTotal = 1000;  // longer packets are taken for false syncs

struct IopHeader {
    int profileId = 99;
    double julian = 999.9999;
    int day = 1, month = 1, year = 1;
    int hour = 24, minute = 60, second = 60;
};

// Copies the next line of file into buf, cut at its first CR or LF and at
// the buffer's size; the rest up to and including the LF is passed over.
void TextLine(std::FILE* file, char* buf, size_t size) {
    size_t n = 0;
    bool copying = true;
    for (int c; (c = std::getc(file)) != EOF && c != '\n';) {
        if (c == '\r' || n + 1 >= size) copying = false;
        if (copying) buf[n++] = static_cast<char>(c);
    }
    buf[n] = '\0';
}

// The three header lines; false when any of them does not scan whole.
bool ParseIopHeader(const std::string& path, IopHeader& header) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char lines[3][256];
    for (auto& line : lines) TextLine(file, line, sizeof line);
    std::fclose(file);
    char* line = lines[0];
    IopHeader h;
    if (std::sscanf(line, "P%d", &h.profileId) != 1) return false;
    line = lines[1];
    if (std::sscanf(line, "%lf, %d/%d/%d %d:%d:%d", &h.julian, &h.day, &h.month, &h.year, &h.hour,
                    &h.minute, &h.second) != 7) {
        return false;
    }
    // Position: DDMM.MMMM N/S,DDDMM.MMM E/W. It only decides whether the header
    // is valid; the archive does not carry it.
    double latDeg = 0, latMin = 0, lonDeg = 0, lonMin = 0;
    char ns = 0, ew = 0;
    line = lines[2];
    if (std::sscanf(line, "%2lf%lf %c,%3lf%lf %c", &latDeg, &latMin, &ns, &lonDeg, &lonMin, &ew) !=
        6) {
        return false;
    }
    header = h;
    return true;
}

uint16_t Big16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t Big32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
void PutLittle16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v & 0xff);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLittle32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>((v >> (8 * i)) & 0xff);
}

// ------------------------------------------------------------- GOMOOS files

constexpr int kGomoosPortSize = 2000;
constexpr int kGomoosMaxLength = 2048;  // lengths at or above are not records
constexpr long kDayMs = 86400000L;
constexpr int kRoundStepMs = 170;  // time between two rounds of instrument records

// Head of a record: "%d,%d," with white space before each number skipped.
struct GomoosHead {
    int fields = 0;  // numbers read; -1 when nothing but white space is left
    int type = 0;
    int length = 0;
    uint64_t end = 0;  // where the record's data starts
};

bool IsSpace(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A decimal integer with an optional sign, saturating instead of overflowing.
bool ScanInt(InputWindow& data, uint64_t& pos, int& value) {
    uint64_t p = pos;
    bool negative = false;
    if (data.Has(p) && (data.At(p) == '+' || data.At(p) == '-')) negative = data.At(p++) == '-';
    if (!data.Has(p) || !std::isdigit(data.At(p))) return false;
    long long v = 0;
    while (data.Has(p) && std::isdigit(data.At(p))) {
        if (v < INT_MAX) v = v * 10 + (data.At(p) - '0');
        ++p;
    }
    if (v > INT_MAX) v = INT_MAX;
    value = static_cast<int>(negative ? -v : v);
    pos = p;
    return true;
}

GomoosHead ScanHead(InputWindow& data, uint64_t pos) {
    GomoosHead head;
    while (data.Has(pos) && IsSpace(data.At(pos))) ++pos;
    head.end = pos;
    if (!data.Has(pos)) {
        head.fields = -1;
        return head;
    }
    if (!ScanInt(data, pos, head.type)) return head;
    head.fields = 1;
    head.end = pos;
    if (!data.Has(pos) || data.At(pos) != ',') return head;
    ++pos;
    while (data.Has(pos) && IsSpace(data.At(pos))) ++pos;
    head.end = pos;
    if (!ScanInt(data, pos, head.length)) return head;
    head.fields = 2;
    if (data.Has(pos) && data.At(pos) == ',') ++pos;
    head.end = pos;
    return head;
}

// Year-day code of a calendar date: two-digit year x 1000 + day of year.
int YearDayCode(int month, int day, int year) {
    static constexpr int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    int yy = year % 100;
    int code = yy * 1000 + kMonthStart[month - 1] + day;
    if (month > 2 && yy % 4 == 0) ++code;
    return code;
}

// The first date ("%d/%d/%d" or "%d-%d-%d": month, day, year) and the first time
// ("%d:%d:%d") anywhere in a date-time record. Values that no calendar holds
// are refused: they would give packets that no reader accepts.
bool ParseGomoosDateTime(const uint8_t* bytes, int length, int& yearDay, long& msOfDay) {
    char text[kGomoosPortSize + 1];
    std::memcpy(text, bytes, static_cast<size_t>(length));
    text[length] = '\0';
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    bool haveDate = false, haveTime = false;
    for (int i = 0; i < length && !haveDate; ++i) {
        haveDate = std::sscanf(text + i, "%d/%d/%d", &month, &day, &year) == 3 ||
                   std::sscanf(text + i, "%d-%d-%d", &month, &day, &year) == 3;
    }
    for (int i = 0; i < length && !haveTime; ++i) {
        haveTime = std::sscanf(text + i, "%d:%d:%d", &hour, &minute, &second) == 3;
    }
    if (!haveDate || !haveTime) return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 0) return false;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) {
        return false;
    }
    yearDay = YearDayCode(month, day, year);
    msOfDay = hour * 3600000L + minute * 60000L + second * 1000L;
    return true;
}

struct GomoosBuilder {
    uint8_t ports[kPorts][kGomoosPortSize] = {};
    int counts[kPorts] = {};
    int yearDay = 0;
    long msOfDay = 0;
    PacketWriter writer;
    int lastType = 9999;
    long errors = 0;
    std::vector<uint8_t> out;

    // Writes what the ports hold, stamped with the current time. Ports that
    // together pass the packet's payload limit go on in further packets of the
    // same time (a single port always fits).
    void WritePorts() {
        int port = 0;
        while (port < kPorts) {
            PacketFields fields;
            fields.type = 2;
            fields.sender = 1;
            fields.msOfDay = static_cast<int32_t>(msOfDay);
            fields.yearDay = static_cast<int16_t>(yearDay);
            uint8_t payload[kMaxPayload];
            int total = 0;
            for (; port < kPorts; ++port) {
                if (counts[port] == 0) continue;
                if (total + counts[port] > kMaxPayload) break;
                std::memcpy(payload + total, ports[port], static_cast<size_t>(counts[port]));
                fields.counts[port] = static_cast<int16_t>(counts[port]);
                total += counts[port];
            }
            if (total > 0) writer.Append(out, fields, payload);
        }
    }

    void Flush(bool newTime = false, int newYearDay = 0, long newMs = 0) {
        bool any = false;
        for (int c : counts) any = any || c != 0;
        if (any) {
            WritePorts();
            for (int& c : counts) c = 0;
        }
        if (newTime) {
            yearDay = newYearDay;
            msOfDay = newMs;
        }
    }

    // The next round's time; a round past midnight is dated on the next day.
    void NextRoundTime(int& nextYearDay, long& nextMs) const {
        nextYearDay = yearDay;
        nextMs = msOfDay + kRoundStepMs;
        if (nextMs < kDayMs) return;
        nextMs -= kDayMs;
        int yy = yearDay / 1000;
        int day = yearDay % 1000 + 1;
        if (day > (yy % 4 == 0 ? 366 : 365)) {
            day = 1;
            yy = (yy + 1) % 100;
        }
        nextYearDay = yy * 1000 + day;
    }

    void Store(int port, const uint8_t* bytes, int length) {
        std::memcpy(ports[port], bytes, static_cast<size_t>(length));
        counts[port] = length;
    }
};

}  // namespace

int BuildFromIop(Context& ctx, const std::string& inputPath, const std::string& outputPath) {
    if (RefuseSameFile(ctx.reporter, inputPath, outputPath)) return 0;
    static constexpr const char* kInputPurpose = "Build Archive From IOP File";
    InputWindow data;
    if (!OpenInput(ctx, data, inputPath, kInputPurpose)) return 0;

    IopHeader header;
    if (!ParseIopHeader(inputPath, header)) {
        header = IopHeader();
        ctx.reporter.ShowError("Invalid File Header - Using Defaults",
                               "Requires\n\nPid\njjj.hhhh, dd/mm/yy hh:mm:ss\nDDMM.MMMM "
                               "N/S,DDDMM.MMM E/W");
    }

    ctx.reporter.ShowError("HD IOP outfile is", outputPath);
    OutputFile output;
    if (!output.Open(ctx.reporter, outputPath, "Build Archive From IOP")) return 0;
    std::FILE* out = output.Stream();

    char text[128];
    int textLength =
        std::snprintf(text, sizeof text, "IOP %01d%c%c%02d/%02d/%04d%c%c%02d:%02d:%02d%c%c",
                      header.profileId, '\r', '\n', header.month, header.day, header.year, '\r',
                      '\n', header.hour, header.minute, header.second, '\r', '\n');
    if (textLength < 0 || textLength >= static_cast<int>(sizeof text)) textLength = 0;

    int modErrors = 0;
    bool textWritten = false;
    std::vector<uint8_t> packet(kIopHeader + kMaxPayload + 4);
    uint64_t i = 0;
    // The text header is scanned like any other bytes: it holds no sync pair.
    while (data.Has(i + 1)) {
        data.Release(i);
        if (data.At(i) != kIopSync || data.At(i + 1) != kIopSync) {
            ++i;
            continue;
        }
        const uint64_t start = i + 2;
        // A candidate that does not hold together is taken for a false sync:
        // scanning goes on from its second sync byte, so that a real packet
        // whose sync lies inside the false header is still found.
        ++i;
        if (!data.Has(start + kIopHeader + 6 - 1)) continue;
        const uint8_t* h = data.Span(start);
        int total = static_cast<int16_t>(Big16(h + 4));
        int counts[kPorts];
        int sum = 0;
        bool countsOk = true;
        for (int p = 0; p < kPorts; ++p) {
            counts[p] = static_cast<int16_t>(Big16(h + 10 + 2 * p));
            if (counts[p] < 0) countsOk = false;
            sum += counts[p];
        }
        if (!countsOk || total < 0 || sum != total || total >= kIopMaxTotal) continue;
        const size_t body = static_cast<size_t>(total) + 4;  // payload and trailer
        if (!data.Has(start + kIopHeader + body + 2 - 1)) continue;

        h = data.Span(start);  // the window may have moved
        const uint8_t* payload = h + kIopHeader;
        unsigned checksum = 16;
        for (size_t k = 0; k < kIopHeader; ++k) checksum += h[k];
        for (size_t k = 0; k < body; ++k) checksum += payload[k];
        const uint8_t* stored = payload + body;
        i = start + kIopHeader + body + 2;
        if ((checksum & 0xffff) != static_cast<unsigned>(stored[0] | (stored[1] << 8))) {
            ++modErrors;
            continue;
        }

        uint8_t* o = packet.data();
        std::memcpy(o, h, 4);  // destination, type, sender, sequence
        std::memcpy(o + kIopHeader, payload, body);
        if (!textWritten && textLength > 0 && total + textLength <= kMaxPayload) {
            // The profile's text follows port 8's bytes, which close the payload.
            std::memcpy(o + kIopHeader + total, text, static_cast<size_t>(textLength));
            std::memcpy(o + kIopHeader + total + textLength, "####", 4);
            counts[8] += textLength;
            total += textLength;
            textWritten = true;
        }
        PutLittle16(o + 4, static_cast<uint16_t>(total));
        PutLittle32(o + 6, Big32(h + 6));
        for (int p = 0; p < kPorts; ++p)
            PutLittle16(o + 10 + 2 * p, static_cast<uint16_t>(counts[p]));
        std::fwrite(o, 1, kIopHeader + static_cast<size_t>(total) + 4, out);
    }

    if (ReportReadError(ctx, data, inputPath, kInputPurpose)) {
        // What came before the error is not the whole profile.
        output.Discard();
        return 0;
    }
    if (!output.Commit()) return 0;
    ctx.reporter.ShowError("HD",
                           Format("IOP Extraction is Complete with %d Mod Errors", modErrors));
    return 1;
}

int BuildFromGomoos(Context& ctx, const std::string& inputPath, const std::string& outputPath) {
    if (RefuseSameFile(ctx.reporter, inputPath, outputPath)) return 0;
    static constexpr const char* kInputPurpose = "Convert GOMOOS File";
    InputWindow data;
    if (!OpenInput(ctx, data, inputPath, kInputPurpose)) return 0;
    OutputFile output;
    if (!output.Open(ctx.reporter, outputPath, "Output Archive File")) return 0;
    std::FILE* outFile = output.Stream();

    auto builder = std::make_unique<GomoosBuilder>();
    GomoosBuilder& b = *builder;
    bool dateSeen = false;
    uint64_t lastGood = 0;
    GomoosHead head = ScanHead(data, 0);
    while (head.fields != -1) {
        // A resynchronisation goes back to one byte behind lastGood at most.
        data.Release(lastGood);
        // The packets so far go out in blocks: the archive is not held whole.
        if (b.out.size() >= InputWindow::kChunk) {
            std::fwrite(b.out.data(), 1, b.out.size(), outFile);
            b.out.clear();
        }
        bool valid = head.fields == 2 && head.type >= 0 && head.type <= 8 && head.length >= 0 &&
                     head.length < kGomoosMaxLength;
        if (valid && head.length >= kGomoosPortSize) {
            // Passes the head check but fits no port buffer.
            ++b.errors;
            valid = false;
        }
        bool last = false;
        uint64_t nextPos = 0;
        GomoosHead next;
        if (valid) {
            nextPos = head.end + static_cast<uint64_t>(head.length);
            if (nextPos > head.end && !data.Has(nextPos - 1)) {
                // Cut off by the end of the file.
                ++b.errors;
                break;
            }
            next = ScanHead(data, nextPos);
            if (next.fields == -1) {
                last = true;  // nothing but white space follows
            } else if (next.fields != 2) {
                ++b.errors;
                valid = false;
            }
        }

        if (valid) {
            const uint8_t* bytes = data.Span(head.end);
            int port = head.type == 0 ? 8 : head.type - 1;
            if (head.type == 0) {
                int yearDay = 0;
                long ms = 0;
                if (ParseGomoosDateTime(bytes, head.length, yearDay, ms)) {
                    b.Flush(true, yearDay, ms);
                    dateSeen = true;
                }
            } else if (dateSeen) {
                if (b.lastType >= head.type) {
                    int yearDay = 0;
                    long ms = 0;
                    b.NextRoundTime(yearDay, ms);
                    b.Flush(true, yearDay, ms);
                }
                b.lastType = head.type;
            }
            if (dateSeen) b.Store(port, bytes, head.length);
            if (last) break;
            head = next;
            lastGood = nextPos;
            continue;
        }

        // Resynchronise one byte further on; records are dropped until the
        // next date-time record.
        dateSeen = false;
        ++lastGood;
        if (!data.Has(lastGood)) break;
        head = ScanHead(data, lastGood);
    }
    b.Flush();

    if (ReportReadError(ctx, data, inputPath, kInputPurpose)) {
        // What came before the error is not the whole file.
        output.Discard();
        return 0;
    }
    if (!b.out.empty()) std::fwrite(b.out.data(), 1, b.out.size(), outFile);
    if (!output.Commit()) return 0;
    ctx.reporter.ShowError("GOMOOS File Conversion is Complete",
                           Format("%ld File Errors Detected", b.errors));
    return 1;
}

}  // namespace rix
