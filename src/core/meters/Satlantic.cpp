#include "meters/Satlantic.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <strings.h>

#include "Context.h"
#include "extract/Emit.h"
#include "extract/Misc.h"
#include "utilities/NumberText.h"

namespace rix {

namespace {

constexpr const char* kMessage = "Satlantic Message";
constexpr const char* kCalError = "Satlantic Device/Cal File Error";
constexpr const char* kNoValue = "9999.999999";

constexpr const char* kDataTypeNames[] = {"BU", "BS", "BF", "BD", "AI", "AF", "AS"};
constexpr const char* kFitNames[] = {"NONE",  "OPTIC1", "OPTIC2", "POLYF", "POLYU",
                                     "POLYE", "POLYL",  "COUNT",  "TIME2"};

template <size_t N>
int MatchWord(const char* word, const char* const (&names)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (strcasecmp(word, names[i]) == 0) return static_cast<int>(i);
    return -1;
}

bool ValidChannel(int channel) { return channel > 0 && channel < kChannelCount; }

// One line of the calibration file: at most 255 characters (the rest of a
// longer line is dropped), comments and trailing white space removed.
// false at the end of the file.
bool ReadCalLine(std::FILE* f, std::string& line) {
    line.clear();
    bool any = false;
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line.size() < kSatlanticLineLimit) line.push_back(static_cast<char>(c));
    }
    if (!any) return false;
    size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r' ||
                             line.back() == '\n'))
        line.pop_back();
    return true;
}

// The next non-empty line; false at the end of the file.
bool NextCalLine(std::FILE* f, std::string& line) {
    while (ReadCalLine(f, line))
        if (!line.empty()) return true;
    return false;
}

// Blank- or tab-separated numbers of one calibration line, at most ten kept.
// false on a word that is not a number.
bool ParseCoefficients(const std::string& line, float* values, int& count) {
    count = 0;
    size_t pos = 0;
    while (pos < line.size()) {
        pos = line.find_first_not_of(" \t\r", pos);
        if (pos == std::string::npos) break;
        size_t end = line.find_first_of(" \t\r", pos);
        if (end == std::string::npos) end = line.size();
        const std::string word = line.substr(pos, end - pos);
        char* stop = nullptr;
        double v = std::strtod(word.c_str(), &stop);
        if (stop == word.c_str() || *stop != '\0') return false;
        if (count < kSatlanticCoefficients) values[count++] = static_cast<float>(v);
        pos = end;
    }
    return true;
}

// A sensor matches a name when its type is not longer than the name and its
// type followed by its id ("NONE" left out) begins with the name: the
// sensor "FRAME COUNTER" answers to "FRAMECOUNTER".
int FindSensor(const SatlanticChannelState& s, const char* name) {
    const size_t n = std::strlen(name);
    for (int i = 0; i < s.sensorCount; ++i) {
        const SatlanticSensor& sensor = s.sensors[i];
        if (sensor.type.size() > n) continue;
        std::string full = sensor.type;
        if (strcasecmp(sensor.id.c_str(), "NONE") != 0) full += sensor.id;
        if (full.size() >= n && strncasecmp(full.c_str(), name, n) == 0) return i;
    }
    return -1;
}

bool TakesGainRanges(int fit) { return fit >= kFitOptic1 && fit <= kFitPolyL; }

// The raw value of one field, read from the field's own bytes only.
struct RawField {
    int64_t integer = 0;
    double real = 0;
    std::string text;  // ASCII fields: their characters
    bool numeric = true;
};

uint64_t BigEndian(const uint8_t* p, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

// Decimal text: optional blanks, a signed integer, optional blanks.
bool ParseDecimal(const std::string& text, int64_t& value) {
    const char* begin = text.c_str();
    char* stop = nullptr;
    long long v = std::strtoll(begin, &stop, 10);
    if (stop == begin) return false;
    while (*stop == ' ') ++stop;
    if (*stop != '\0') return false;
    value = v;
    return true;
}

RawField ReadField(const SatlanticSensor& sensor, const uint8_t* frame) {
    RawField r;
    const uint8_t* p = frame + sensor.offset;
    const size_t len = sensor.length;
    switch (sensor.dataType) {
        case kSatBU:
        case kSatBS: {
            const size_t n = std::min<size_t>(len, 4);
            uint64_t v = BigEndian(p, n);
            int64_t value = static_cast<int64_t>(v);
            if (sensor.dataType == kSatBS && n > 0 && (v >> (8 * n - 1)) & 1)
                value -= static_cast<int64_t>(1) << (8 * n);
            r.integer = value;
            r.real = static_cast<double>(value);
            break;
        }
        case kSatBF: {
            uint8_t b[4] = {};
            std::memcpy(b, p, std::min<size_t>(len, 4));
            uint32_t u = static_cast<uint32_t>(BigEndian(b, 4));
            float f;
            std::memcpy(&f, &u, sizeof f);
            r.real = f;
            break;
        }
        case kSatBD: {
            uint8_t b[8] = {};
            std::memcpy(b, p, std::min<size_t>(len, 8));
            uint64_t u = BigEndian(b, 8);
            double d;
            std::memcpy(&d, &u, sizeof d);
            r.real = d;
            break;
        }
        case kSatAI:
        case kSatAF:
        case kSatAS: {
            r.text.assign(reinterpret_cast<const char*>(p), len);
            const std::string z(r.text.c_str());  // up to a stray zero byte
            if (sensor.dataType == kSatAF) {
                r.real = std::strtod(z.c_str(), nullptr);
            } else {
                r.numeric = ParseDecimal(z, r.integer);
                if (!r.numeric) r.integer = std::strtoll(z.c_str(), nullptr, 10);
                r.real = static_cast<double>(r.integer);
            }
            break;
        }
        default:
            break;
    }
    if (sensor.dataType == kSatBF || sensor.dataType == kSatBD || sensor.dataType == kSatAF) {
        r.integer = std::isfinite(r.real) && std::fabs(r.real) < 9.0e18
                        ? static_cast<int64_t>(r.real)
                        : 0;
    }
    return r;
}

// Sum of the frame bytes up to and including the field's first byte.
unsigned ChecksumUpTo(const SatlanticChannelState& s, const SatlanticSensor& sensor,
                      const uint8_t* frame) {
    const size_t end = std::min(sensor.offset + 1, s.frameLength);
    unsigned sum = 0;
    for (size_t i = 0; i < end; ++i) sum += frame[i];
    return sum & 0xff;
}

bool SerialMatches(const SatlanticChannelState& s, const uint8_t* frame) {
    const SatlanticSensor& sensor = s.sensors[s.serialIndex];
    RawField r = ReadField(sensor, frame);
    switch (sensor.dataType) {
        case kSatAI:
        case kSatAS:
            return r.numeric && r.integer == s.expectedSerial;
        case kSatBF:
        case kSatBD:
        case kSatAF:
            return r.real == static_cast<double>(s.expectedSerial);
        default:
            return r.integer == s.expectedSerial;
    }
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    if (m <= 2) ++y;
}

// Whole seconds since 1970 (UTC) as "%y-%m-%d %H.%M.%S".
std::string FormatTime2(double seconds) {
    if (!(std::fabs(seconds) < 1.0e13)) return kNoValue;
    const int64_t t = static_cast<int64_t>(seconds);  // toward zero
    int64_t days = t / 86400;
    int64_t rest = t % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int64_t year = 0;
    int month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    const int yy = static_cast<int>(((year % 100) + 100) % 100);
    return Format("%02d-%02d-%02d %02d.%02d.%02d", yy, month, day, static_cast<int>(rest / 3600),
                  static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
}

float Coefficient(const SatlanticSensor& sensor, unsigned line, int i) {
    return i < sensor.coefficientCount[line] ? sensor.coefficients[line][i] : 0.0f;
}

// Polynomial of line 0 in x, accumulated in single precision.
float Polynomial(const SatlanticSensor& sensor, double x) {
    float sum = 0;
    double power = 1;
    for (int i = 0; i < sensor.coefficientCount[0]; ++i) {
        sum += static_cast<float>(sensor.coefficients[0][i] * power);
        power *= x;
    }
    return sum;
}

// The output text of one active sensor; false (with the message in error)
// when its fit cannot be applied to its data type.
// "%lu" of an unsigned long.
void AppendUnsigned(std::string& out, unsigned long v) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, v);
    out.append(digits, static_cast<size_t>(r.ptr - digits));
}

// A text field as a number: the whole text must read, else NaN.
double NumberOfText(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    if (end == begin) return NAN;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0' ? v : NAN;
}

// cell is the text the file writes; value the number it shows (the text read
// as a number for text fields, NaN where it holds none).
bool ConvertSensor(const SatlanticChannelState& s, int index, const uint8_t* frame,
                   std::string& cell, double& value, std::string& error) {
    value = NAN;
    const SatlanticSensor& sensor = s.sensors[index];
    if (index == s.checksumIndex) {
        const unsigned long sum = static_cast<unsigned long>(ChecksumUpTo(s, sensor, frame));
        AppendUnsigned(cell, sum);
        value = static_cast<double>(sum);
        return true;
    }
    const RawField r = ReadField(sensor, frame);
    const double x = r.real;
    switch (sensor.fit) {
        case kFitOptic1: {
            if (sensor.dataType != kSatBU && sensor.dataType != kSatBS) {
                error = "Invalid data type on OPTIC1.";
                return false;
            }
            const unsigned g = static_cast<unsigned>(r.integer & 3);
            if (g >= sensor.calLines) {  // the gain code names no calibration line
                cell = kNoValue;
                value = 9999.999999;
                return true;
            }
            const double counts = static_cast<double>(r.integer & ~static_cast<int64_t>(3));
            value = static_cast<double>(Coefficient(sensor, g, 2)) * Coefficient(sensor, g, 1) *
                    (counts - Coefficient(sensor, g, 0));
            AppendFixed(cell, value, 0, 6);
            return true;
        }
        case kFitOptic2:
        case kFitPolyF:
        case kFitPolyU:
        case kFitPolyE:
        case kFitPolyL: {
            if (sensor.dataType == kSatAS) {
                error = Format("Invalid data type on %s.", kFitNames[sensor.fit]);
                return false;
            }
            value = 0;
            if (sensor.fit == kFitOptic2) {
                value = static_cast<double>(Coefficient(sensor, 0, 2)) * Coefficient(sensor, 0, 1) *
                        (x - Coefficient(sensor, 0, 0));
            } else if (sensor.fit == kFitPolyF) {
                float p = Coefficient(sensor, 0, 0);
                for (int i = 1; i < sensor.coefficientCount[0]; ++i)
                    p = static_cast<float>((x - sensor.coefficients[0][i]) * p);
                value = p;
            } else if (sensor.fit == kFitPolyU) {
                value = Polynomial(sensor, x);
            } else if (sensor.fit == kFitPolyL) {
                value = Polynomial(sensor, std::log(x));
            } else {
                error = "Fit type POLYE is not currently implemented.";
                return false;
            }
            AppendFixed(cell, value, 0, 6);
            return true;
        }
        case kFitCount:
            switch (sensor.dataType) {
                case kSatBU:
                    AppendUnsigned(cell, static_cast<unsigned long>(r.integer));
                    value = static_cast<double>(static_cast<unsigned long>(r.integer));
                    return true;
                case kSatBS:
                case kSatAI:
                    AppendInt(cell, static_cast<long>(r.integer));
                    value = static_cast<double>(static_cast<long>(r.integer));
                    return true;
                case kSatBF:
                case kSatBD:
                case kSatAF:
                    AppendFixed(cell, x, 0, 6);
                    value = x;
                    return true;
                case kSatAS:
                    cell = r.text;
                    value = NumberOfText(r.text);
                    return true;
                default:
                    error = Format("Invalid data type on COUNT: TYPE %d", sensor.dataType);
                    return false;
            }
        case kFitTime2:
            if (sensor.dataType < kSatBU || sensor.dataType > kSatAS) {
                error = Format("Invalid data type on TIME2: TYPE %d", sensor.dataType);
                return false;
            }
            value = sensor.dataType == kSatAS ? std::strtod(r.text.c_str(), nullptr) : x;
            cell = FormatTime2(value);
            return true;
        default:
            error = "Invalid fit type.";
            return false;
    }
}

// Reads the sensor descriptions and their calibration lines; false when a
// description or a calibration line stopped the reading.
bool ReadSensors(Context& ctx, std::FILE* f, std::vector<SatlanticSensor>& sensors, int& count) {
    count = 0;
    uint64_t offset = 0;
    std::string line, cal;
    char type[256], id[256], units[256], dataWord[256], fitWord[256];
    while (count < kSatlanticMaxSensors && NextCalLine(f, line)) {
        unsigned length = 0, lines = 0;
        if (std::sscanf(line.c_str(), "%255s %255s %255s %u %255s %u %255s", type, id, units,
                        &length, dataWord, &lines, fitWord) < 7) {
            ctx.reporter.ShowError("Invalid sensor description in calibration file", line);
            return false;
        }
        const int dataType = MatchWord(dataWord, kDataTypeNames);
        if (dataType < 0) {
            ctx.reporter.ShowError(
                kMessage, std::string("Invalid data type in calibration file: \"") + dataWord + "\"");
            return false;
        }
        const int fit = MatchWord(fitWord, kFitNames);
        if (fit < 0) {
            ctx.reporter.ShowError(
                kMessage, std::string("Invalid fit type in calibration file: \"") + fitWord + "\"");
            return false;
        }
        SatlanticSensor& sensor = sensors.emplace_back();
        sensor.type = type;
        sensor.id = id;
        sensor.units = units;
        sensor.length = length;
        sensor.dataType = dataType;
        sensor.fit = fit;
        // Lengths are summed wide: a huge length is caught by the frame-length check.
        sensor.offset = static_cast<size_t>(std::min<uint64_t>(offset, SIZE_MAX / 2));
        offset += length;

        if ((fit == kFitNone || fit == kFitCount || fit == kFitTime2) && lines > 0) {
            ctx.reporter.ShowError(kMessage,
                                   Format("Warning: %s(%s)'s has gain ranges...", type, id));
        } else if (TakesGainRanges(fit) && lines == 0) {
            ctx.reporter.ShowError(
                kMessage, Format("%s(%s)'s curve fit requires at least one gain range.", type, id));
            return false;
        }
        unsigned kept = 0;
        for (unsigned k = 0; k < lines; ++k) {
            if (!NextCalLine(f, cal)) break;
            float values[kSatlanticCoefficients] = {};
            int n = 0;
            if (!ParseCoefficients(cal, values, n)) {
                ctx.reporter.ShowError(kMessage, Format("Sensor description: %.50s", line.c_str()));
                ctx.reporter.ShowError(
                    kMessage,
                    Format("Invalid calibration coefficients begin... \"%.25s\"", cal.c_str()));
                return false;
            }
            // Lines past the fourth are read and dropped: gain codes name four at most.
            if (kept < kSatlanticCalLines) {
                std::copy(values, values + n, sensor.coefficients[kept]);
                sensor.coefficientCount[kept] = n;
                ++kept;
            }
        }
        sensor.calLines = kept;
        ++count;
    }
    return true;
}

}  // namespace

int ReadSatlanticCalFile(Run& run, const DeviceFileCall& call) {
    Context& ctx = run.ctx;
    if (!ValidChannel(call.channel) || !call.file) return 0;
    SatlanticChannelState& s = run.channelState.writers[call.channel].satlantic;
    s = SatlanticChannelState{};

    // The sensors grow as the file describes them: a full table is 160 KB, a
    // usual file needs a few dozen.
    std::vector<SatlanticSensor> sensors;
    int count = 0;
    bool read = false;
    try {
        read = ReadSensors(ctx, call.file, sensors, count);
    } catch (const std::bad_alloc&) {
        ctx.reporter.ShowError("Insufficient memory to allocate Satlantic sensor array",
                               Format("num = %ld, size = %u", static_cast<long>(kSatlanticMaxSensors),
                                      static_cast<unsigned>(sizeof(SatlanticSensor))));
        return 0;
    }
    if (!read || count == 0) {
        ctx.reporter.ShowError(kCalError, "Number of Sensors = 0");
        return 0;
    }
    s.sensors = std::move(sensors);
    s.sensorCount = count;

    const int instrument = FindSensor(s, "INSTRUMENT");
    if (instrument < 0) {
        ctx.reporter.ShowError(kCalError, "INSTRUMENT type not defined in calibration file");
        s = SatlanticChannelState{};
        return 0;
    }
    s.header = s.sensors[instrument].id;
    const SatlanticSensor& last = s.sensors[count - 1];
    const uint64_t frameLength = static_cast<uint64_t>(last.offset) + last.length;
    if (frameLength > kSatlanticFrameBuffer || frameLength < s.header.size()) {
        ctx.reporter.ShowError(
            kCalError, Format("Frame length %llu does not fit the frame header \"%s\" and the "
                              "%zu-byte frame buffer",
                              static_cast<unsigned long long>(frameLength), s.header.c_str(),
                              kSatlanticFrameBuffer));
        s = SatlanticChannelState{};
        return 0;
    }
    s.frameLength = static_cast<size_t>(frameLength);

    s.serialIndex = FindSensor(s, "SN");
    if (s.serialIndex < 0) s.serialIndex = FindSensor(s, "SERIAL");
    if (s.serialIndex >= 0) {
        SatlanticSensor& serial = s.sensors[s.serialIndex];
        s.expectedSerial = std::strtol(serial.id.c_str(), nullptr, 10);
        serial.fit = kFitCount;
    }
    s.counterIndex = FindSensor(s, "FRAMECOUNTER");
    s.checksumIndex = FindSensor(s, "CHECKSUM");
    for (int i = 0; i < count; ++i) {
        SatlanticSensor& sensor = s.sensors[i];
        sensor.active = sensor.length != 0 && sensor.fit != kFitNone;
    }
    s.frame.assign(s.frameLength, 0);
    s.times.assign(s.header.size(), -1);
    s.ready = true;
    return 1;
}

int DecodeSatlanticFrame(Run& run, int channel, double time, int dataOutput, int format,
                         size_t length, const uint8_t* buffer, std::FILE* stream) {
    Context& ctx = run.ctx;
    if (!ValidChannel(channel) || !buffer) return 0;
    ChannelWriter& w = run.channelState.writers[channel];
    SatlanticChannelState& s = w.satlantic;
    if (!s.ready || s.frameLength == 0) return 0;

    const size_t headerLength = s.header.size();
    const uint8_t* frame = nullptr;
    for (size_t start = 0; start + s.frameLength <= length; ++start) {
        if (std::memcmp(buffer + start, s.header.data(), headerLength) == 0) {
            frame = buffer + start;
            break;
        }
    }
    if (!frame) return 0;

    if (s.serialIndex >= 0 && !SerialMatches(s, frame)) ++s.serialMismatches;
    if (s.checksumIndex >= 0 && ChecksumUpTo(s, s.sensors[s.checksumIndex], frame) != 0) {
        if (s.checksumFailures == 0)
            ctx.reporter.ShowError("Bad Satlantic Check Sum Detected",
                                   Format("Channel %d", channel));
        ++s.checksumFailures;
        return 0;
    }
    ++s.valid;
    if (s.counterIndex >= 0) {
        const int counter =
            static_cast<int>(ReadField(s.sensors[s.counterIndex], frame).integer & 0xff);
        if (s.valid > 1 && counter != ((s.lastCounter + 1) & 0xff)) ++s.counterJumps;
        s.lastCounter = counter;
    }

    if (dataOutput == 0) {
        if (stream)
            EmitRaw(run, channel, stream, time,
                    std::string_view(reinterpret_cast<const char*>(frame), s.frameLength));
        if (w.firstTime < 0) w.firstTime = time;
        return static_cast<int>(s.frameLength);
    }

    // Convert every column first: a fit that cannot be applied drops the
    // frame before anything of its row is written.
    Sample& sample = run.channelState.sample;
    sample.Clear(channel, time);
    sample.Add(-1.0, {8, 6});  // depth: none
    std::vector<std::string>& cells = s.cells;
    cells.resize(static_cast<size_t>(s.sensorCount));
    size_t used = 0;
    for (int i = 0; i < s.sensorCount; ++i) {
        if (!s.sensors[i].active) continue;
        std::string& cell = cells[used++];
        cell.clear();
        std::string error;
        double value = NAN;
        if (!ConvertSensor(s, i, frame, cell, value, error)) {
            if (!s.conversionReported) ctx.reporter.ShowError(kMessage, error);
            s.conversionReported = true;
            return 0;
        }
        sample.Add(value, {1, 6});
    }
    cells.resize(used);
    if (!stream) return 1;
    if (w.headerPending) {
        std::vector<ColumnInfo> columns;
        columns.push_back({"Depth(m)", "m", {8, 6}});
        for (int i = 0; i < s.sensorCount; ++i) {
            const SatlanticSensor& sensor = s.sensors[i];
            if (!sensor.active) continue;
            columns.push_back({sensor.type + "(" + sensor.id + ")", UnitOfTitle("(" + sensor.units + ")"), {1, 6}});
        }
        w.headerLines = 1;
        w.columnCount = EmitTitleLine(run, channel, stream, format, std::move(columns));
        w.headerPending = 0;
    }
    RowLayout layout;
    layout.format = format;
    layout.cellText = &cells;
    layout.cellTextFrom = 1;
    EmitRow(run, stream, sample, layout);
    return 1;
}

int WriteSatlantic(Run& run, const WriterInput& in) {
    if (!ValidChannel(in.channel) || !in.bytes || in.count <= 0) return 0;
    SatlanticChannelState& s = run.channelState.writers[in.channel].satlantic;
    // Without a calibration the frames cannot be found: the bytes are dropped.
    if (!s.ready) return 0;
    const size_t headerLength = s.header.size();
    int result = 0;
    for (int i = 0; i < in.count; ++i) {
        s.frame[s.length] = in.bytes[i];
        if (s.length < headerLength) s.times[s.length] = in.time;
        ++s.length;
        // Resynchronise on the header: once it could be complete, a buffer
        // that does not begin with it loses its first byte.
        if (s.length == headerLength &&
            std::memcmp(s.frame.data(), s.header.data(), headerLength) != 0) {
            std::memmove(s.frame.data(), s.frame.data() + 1, headerLength - 1);
            std::memmove(s.times.data(), s.times.data() + 1, (headerLength - 1) * sizeof(double));
            --s.length;
        }
        if (s.length == s.frameLength) {
            // The frame carries the time of the packet that brought its first byte.
            int r = DecodeSatlanticFrame(run, in.channel, s.times[0], in.dataOutput, in.format,
                                         s.length, s.frame.data(), in.stream);
            if (r) result = r;
            s.length = 0;  // the next frame must bring its own header
        }
    }
    return result;
}

void EndSatlanticExtraction(Run& run, int channel) {
    Context& ctx = run.ctx;
    if (!ValidChannel(channel)) return;
    SatlanticChannelState& s = run.channelState.writers[channel].satlantic;
    if (s.counterJumps > 0)
        ctx.reporter.ShowError(kMessage, Format("%ld Frame Count Jumps in %ld Valid records",
                                                s.counterJumps, s.valid));
    if (s.serialMismatches > 0)
        ctx.reporter.ShowError(kMessage, Format("%ld Serial Number Mismatches in %ld Valid records",
                                                s.serialMismatches, s.valid));
    s = SatlanticChannelState{};
}

}  // namespace rix
