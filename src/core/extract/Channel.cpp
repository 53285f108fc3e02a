#include "extract/Channel.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "Context.h"
#include "extract/Misc.h"
#include "meters/Ascii.h"
#include "setup/MeterType.h"
#include "utilities/FileIo.h"
#include "utilities/NumberText.h"
#include "meters/Devfile.h"
#include "meters/Drivers.h"
#include "meters/Gps.h"

namespace rix {

namespace {

constexpr size_t kStreamBufferSize = 1 << 16;  // output streams write in 64 KB blocks
constexpr int kLineCapacity = kRecordSize - 1;  // bytes of a line, its line end included

bool ValidChannel(int channel) { return channel >= 0 && channel < kChannelCount; }

std::string ExtensionWithoutDot(const std::string& ext) {
    return (!ext.empty() && ext[0] == '.') ? ext.substr(1) : ext;
}

// The file-open routine; a writable stream gets the given buffer (owned by the
// caller and outliving the stream), or a full buffer of the C library's size.
std::FILE* OpenBuffered(Context& ctx, const std::string& path, const char* mode,
                        const std::string& purpose, char* buffer) {
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (!f) {
        ctx.reporter.ShowError(Format("%s File Error", purpose.c_str()),
                               Format("Unable to open %s", path.c_str()));
        return nullptr;
    }
    std::setvbuf(f, buffer, _IOFBF, kStreamBufferSize);
    return f;
}

// The text of a line without its line end (CR LF or a line feed alone).
std::string_view WithoutLineEnd(const char* text, int length) {
    size_t n = static_cast<size_t>(std::max(length, 0));
    if (n > 0 && text[n - 1] == '\n') {
        --n;
        if (n > 0 && text[n - 1] == '\r') --n;
    }
    return std::string_view(text, n);
}

int DecodeDateTimeLine(Run& run, LineRecord& record, RowValues& values) {
    return ParseDateTimeLine(run, record.line, record.length, record.time, record.offsetHours,
                             values);
}

// Meters whose raw rows carry an extra line end after the line.
bool IsDeviceFileMeter(int meterType) { return DriverFor(meterType).rawExtraLineEnd; }

// Header (once per file), time stamp and values of a decoded line.
void WriteEngineeringRow(Run& run, ChannelWriter& w, int format, const RowValues& values,
                         int n, std::FILE* stream) {
    if (w.headerPending) {
        const int titles = std::clamp(values.titleCount, n, kMaxRowValues);
        std::vector<ColumnInfo> columns(static_cast<size_t>(titles));
        for (int i = 0; i < titles; ++i) {
            ColumnInfo& c = columns[static_cast<size_t>(i)];
            c.title = values.titles[i];
            c.unit = UnitOfTitle(c.title);
            c.format = FormatOfPrecisionCode(values.precision[i]);
        }
        w.headerLines = 1;
        w.columnCount = EmitTitleLine(run, w.channelId, stream, format, std::move(columns));
        w.headerPending = 0;
    }
    Sample& sample = run.channelState.sample;
    sample.Clear(w.channelId, w.recordTime);
    for (int i = 0; i < n; ++i) sample.Add(values.values[i], FormatOfPrecisionCode(values.precision[i]));
    RowLayout layout;
    layout.format = format;
    EmitRow(run, stream, sample, layout);
}

// A complete line (line feed included) sits in the record buffer.
void FinishLine(Run& run, ChannelWriter& w, int dataOutput, int format, int offsetHours,
                int meterType, std::FILE* stream, int& accepted) {
    w.newLine = 1;
    if (w.recordTime >= 0 &&
        WriteLineRow(run, dataOutput, format, offsetHours, meterType, w.channelId, stream) != 0) {
        if (w.firstTime < 0) w.firstTime = w.recordTime;
        w.lastTime = w.recordTime;
        ++w.linesWritten;
        std::memcpy(w.lastRecord, w.record, static_cast<size_t>(w.lineLength) + 1);
        w.lastLineLength = w.lineLength;
        accepted = 1;
    }
    w.lineLength = 0;
    w.record[0] = '\0';
    w.overlong = false;
}

}  // namespace

void RowValues::Reset() {
    count = 0;
    titleCount = 0;
    for (int i = 0; i < kMaxRowValues; ++i) {
        values[i] = 9999.999999;
        titles[i][0] = '\0';
        precision[i] = 6;
    }
}

void RowValues::Set(int i, double value, const char* title, int precisionCode) {
    if (i < 0 || i >= kMaxRowValues) return;
    values[i] = value;
    // Cut to the title's room, as "%s" into it would.
    const size_t length = title ? strnlen(title, kTitleSize - 1) : 0;
    if (length > 0) std::memcpy(titles[i], title, length);
    titles[i][length] = '\0';
    precision[i] = precisionCode;
    count = std::max(count, i + 1);
}

void ResetChannel(Run& run, int channelId) {
    if (!ValidChannel(channelId)) return;
    run.channelState.writers[channelId] = ChannelWriter{};
    run.channelState.writers[channelId].channelId = channelId;
}

void ResetAllChannels(Run& run) {
    // Only the records written since the last reset are rebuilt, each with
    // its channel id.
    run.channelState.writers.Clear();
}

std::FILE* OpenFile(Context& ctx, const std::string& path, const char* mode,
                    const std::string& purpose) {
    return OpenBuffered(ctx, path, mode, purpose, nullptr);
}

int OpenChannelFile(Run& run, int channelId, const std::string& keyword,
                    const std::string& outDir, const std::string& base, const std::string& ext) {
    Context& ctx = run.ctx;
    if (!ValidChannel(channelId)) return 0;
    OutputRegistry& out = run.channelState.outputs;
    if (out.open[channelId]) return 1;

    std::string path =
        JoinPath(outDir, Format("%s_%02d_%s%s", base.c_str(), channelId, keyword.c_str(), ext.c_str()));
    std::error_code ec;
    if (!std::filesystem::is_directory(outDir.empty() ? std::string(".") : outDir, ec)) {
        ctx.reporter.ShowError("Programming Error", "Output Directory Does Not Exist");
        NoteFailedOutput(run, path);
        return 0;
    }

    auto file = std::make_unique<OutputFile>();
    if (!file->Open(ctx.reporter, path, "Open Extractd Data File")) {
        NoteFailedOutput(run, path);
        return 0;
    }
    out.streams[channelId] = file->Stream();
    out.files[channelId] = std::move(file);
    out.open[channelId] = true;
    run.channelState.writers[channelId].outputPath = path;

    if (!out.merge) {
        std::string mergePath = JoinPath(outDir, base + "_MRG" + ext);
        auto merge = std::make_unique<OutputFile>();
        if (!merge->Open(ctx.reporter, mergePath, "Working file NNNNN_MRG.XXX File")) {
            NoteFailedOutput(run, mergePath);
            return 0;
        }
        out.merge = std::move(merge);
        out.mergePath = mergePath;
        run.channelState.text.Raw(out.merge->Stream(), MergeHeaderLine(ExtensionWithoutDot(ext), base));
    }
    out.entries[channelId] = MergeEntryStart(channelId, path, keyword);
    out.current = channelId;
    return 1;
}

void NoteFailedOutput(Run& run, const std::string& path) {
    std::string& failed = run.channelState.outputs.failedPath;
    if (failed.empty()) failed = path;
}

bool OutputWriteFailed(Run& run, int channelId) {
    OutputRegistry& out = run.channelState.outputs;
    OutputFile* file = ValidChannel(channelId) ? out.files[channelId].get() : nullptr;
    for (OutputFile* f : {file, run.log.output.get()}) {
        if (f && f->Failed()) {
            f->ReportFailure();
            NoteFailedOutput(run, f->Path());
            return true;
        }
    }
    return false;
}

int CloseChannelFile(Run& run, int channelId) {
    if (!ValidChannel(channelId)) return 0;
    EmitEnd(run, channelId);
    OutputRegistry& out = run.channelState.outputs;
    out.streams[channelId] = nullptr;
    std::unique_ptr<OutputFile> file = std::move(out.files[channelId]);
    std::string entry = std::move(out.entries[channelId]);
    out.entries[channelId].clear();
    if (!file || !file->IsOpen()) return 1;
    if (!file->Commit()) {
        NoteFailedOutput(run, file->Path());
        return 0;
    }
    ++out.completed;
    if (out.merge && out.merge->IsOpen()) run.channelState.text.Raw(out.merge->Stream(), entry);
    return 1;
}

void DiscardChannelFile(Run& run, int channelId) {
    if (!ValidChannel(channelId)) return;
    EmitEnd(run, channelId);
    OutputRegistry& out = run.channelState.outputs;
    out.streams[channelId] = nullptr;
    out.files[channelId].reset();
    out.entries[channelId].clear();
}

// Ends the run's outputs: the next run opens its channel files and _MRG afresh.
int CloseAllOutputs(Run& run) {
    OutputRegistry& out = run.channelState.outputs;
    int ok = 1;
    for (int id = 0; id < kChannelCount; ++id) {
        if (!CloseChannelFile(run, id)) ok = 0;
        out.open[id] = false;
    }
    if (out.merge) {
        if (out.merge->IsOpen() && !out.merge->Commit()) {
            NoteFailedOutput(run, out.merge->Path());
            ok = 0;
        }
        out.merge.reset();
    }
    return ok;
}

void DiscardAllOutputs(Run& run) {
    OutputRegistry& out = run.channelState.outputs;
    for (int id = 0; id < kChannelCount; ++id) {
        DiscardChannelFile(run, id);
        out.open[id] = false;
    }
    out.merge.reset();
}

void FinishChannelEntry(Run& run, int headerLines, int columnCount) {
    OutputRegistry& out = run.channelState.outputs;
    if (!ValidChannel(out.current) || out.entries[out.current].empty()) return;
    out.entries[out.current] += MergeEntryEnd(headerLines, columnCount);
}

int WriteTimeOffsetFile(Run& run, const std::string& outDir, const std::string& base,
                        const std::string& ext) {
    Context& ctx = run.ctx;
    std::string path = base.empty() ? std::string("RIX.TO") : JoinPath(outDir, base + "_TO" + ext);
    OutputFile file;
    if (!file.Open(ctx.reporter, path, "Write Time/Date")) {
        NoteFailedOutput(run, path);
        return 0;
    }
    std::FILE* f = file.Stream();
    std::fprintf(f, "Port\toffset\tfirst\tlast\n");
    for (int id = 1; id < kChannelCount; ++id) {
        const ChannelWriter& w = run.channelState.writers[id];
        std::fprintf(f, "%d\t%1.0lf\t%1.0lf\t%1.0lf\n", id, w.offsetTime, w.firstTime, w.lastTime);
    }
    if (!file.Commit()) {
        NoteFailedOutput(run, path);
        return 0;
    }
    return 1;
}

int AssembleLines(Run& run, int dataOutput, int format, int offsetHours, double time,
                  int meterType, int channel, int count, const uint8_t* bytes, std::FILE* stream) {
    if (!ValidChannel(channel) || count <= 0 || !bytes) return 0;
    ChannelWriter& w = run.channelState.writers[channel];
    w.channelId = channel;
    int accepted = 0;
    const uint8_t* p = bytes;
    const uint8_t* end = bytes + count;
    while (p < end) {
        const uint8_t* lf = static_cast<const uint8_t*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const uint8_t* stop = lf ? lf : end;
        int span = static_cast<int>(stop - p);
        if (span > 0) {
            // The first byte after a line feed starts a new line: it carries this packet's time.
            if (w.newLine) {
                w.recordTime = time;
                w.newLine = 0;
            }
            int room = kLineCapacity - w.lineLength;
            int take = std::min(span, room);
            std::memcpy(w.record + w.lineLength, p, static_cast<size_t>(take));
            w.lineLength += take;
            if (span > take) {
                // Too long for the buffer: the rest up to the line feed is dropped; the
                // last slot keeps the byte before the line feed to end the line alike.
                w.overlong = true;
                w.record[kLineCapacity - 1] = static_cast<char>(stop[-1]);
            }
            w.record[w.lineLength] = '\0';
        }
        if (!lf) break;
        if (w.lineLength < kLineCapacity) {
            w.record[w.lineLength++] = '\n';
        } else {
            // Full buffer: end the kept part with the line's own line end (CR LF or LF).
            if (w.record[kLineCapacity - 1] == '\r') w.record[kLineCapacity - 2] = '\r';
            w.record[kLineCapacity - 1] = '\n';
            w.lineLength = kLineCapacity;
        }
        w.record[w.lineLength] = '\0';
        FinishLine(run, w, dataOutput, format, offsetHours, meterType, stream, accepted);
        p = lf + 1;
    }
    return accepted;
}

LineDecoder LineDecoderFor(int meterType) {
    if (meterType == kDateTimeLine) return DecodeDateTimeLine;
    return DriverFor(meterType).decodeLine;
}

int WriteLineRow(Run& run, int dataOutput, int format, int offsetHours, int meterType,
                 int channel, std::FILE* stream) {
    if (!ValidChannel(channel)) return 0;
    ChannelWriter& w = run.channelState.writers[channel];
    const bool engineering = dataOutput != 0;
    const int length = std::clamp(w.lineLength, 0, kLineCapacity);

    const std::string_view text(w.record, static_cast<size_t>(length));
    LineLayout asRead;  // the line as it came, its own line end included
    switch (meterType) {
        case kAscii:
            EmitLine(run, channel, stream, w.recordTime, text, WithoutLineEnd(w.record, length), asRead);
            return 1;
        case kTAscii: {
            LineLayout stamped;
            stamped.stamp = stream && engineering;
            stamped.format = format;
            EmitLine(run, channel, stream, w.recordTime, text, WithoutLineEnd(w.record, length),
                     stamped);
            return 1;
        }
        case kAsciiT: {
            if (!engineering) {
                EmitLine(run, channel, stream, w.recordTime, text, WithoutLineEnd(w.record, length),
                         asRead);
                return 1;
            }
            char line[kRecordSize];
            std::memcpy(line, w.record, static_cast<size_t>(length));
            line[length] = '\0';
            int newLength = length;
            if (!AppendLineTime(w.recordTime, newLength, line)) return 0;
            // The sinks get the line without the time the file appends to it.
            EmitLine(run, channel, stream, w.recordTime, std::string_view(line, static_cast<size_t>(newLength)),
                     WithoutLineEnd(w.record, length), asRead);
            return 1;
        }
        case kXAscii:
            return 1;
        default:
            break;
    }

    LineDecoder decode = LineDecoderFor(meterType);
    if (!decode) return 0;
    char line[kRecordSize];
    std::memcpy(line, w.record, static_cast<size_t>(length));
    line[length] = '\0';
    LineRecord record;
    record.channel = channel;
    record.meterType = meterType;
    record.dataOutput = dataOutput;
    record.offsetHours = offsetHours;
    record.time = w.recordTime;
    record.line = line;
    record.length = length;
    RowValues values;
    int n = decode(run, record, values);
    if (n <= 0) return 0;
    n = std::min(n, kMaxRowValues);
    if (meterType == kGpsRmcAo) {
        values.precision[0] = 0;  // the first two values are whole numbers
        if (n > 1) values.precision[1] = 0;
    }
    if (!stream) return n;
    if (engineering) {
        WriteEngineeringRow(run, w, format, values, n, stream);
    } else {
        LineLayout asRead;
        if (IsDeviceFileMeter(meterType)) asRead.end = "\r\n";
        EmitLine(run, channel, stream, w.recordTime, text, WithoutLineEnd(w.record, length), asRead);
    }
    return n;
}

int WriteBinaryHex(Run& run, long time, int meterType, int channel, int count,
                   const uint8_t* bytes, std::FILE* stream) {
    if (!ValidChannel(channel) || count <= 0 || !bytes) return 0;
    ChannelWriter& w = run.channelState.writers[channel];
    const double t = static_cast<double>(time);
    if (w.firstTime < 0) {
        w.offsetTime = t;
        w.firstTime = t;
    }
    if (stream) {
        const std::string_view data(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
        if (meterType == kHexOutput) {
            std::string& text = run.channelState.lineText;
            text.clear();
            AppendHex2(text, bytes[0]);
            for (int i = 1; i <= count; ++i) {
                if (i % 10 == 0) text.push_back(' ');  // after every tenth byte
                if (i < count) {
                    text.push_back(' ');
                    AppendHex2(text, bytes[i]);
                }
            }
            LineLayout stamped;  // whole milliseconds, as format 1 writes them
            stamped.stamp = true;
            stamped.format = 1;
            stamped.end = "\r\n";
            EmitLine(run, channel, stream, t, text, stamped);
        } else {
            EmitRaw(run, channel, stream, t, data);
        }
    }
    w.lastTime = t;
    return 1;
}

void WritePrecisionValue(std::FILE* stream, double value, int precisionCode) {
    if (!stream) return;
    const ValueFormat f = FormatOfPrecisionCode(precisionCode);
    std::string text("\t");
    AppendFixed(text, value, f.width, f.precision);
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace rix
