#include "extract/Emit.h"

#include <utility>

#include "Context.h"

namespace rix {

namespace {

bool ValidChannel(int channel) { return channel > 0 && channel < kChannelCount; }

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// BeginChannel to every extra sink, once per channel and set of columns.
void Begin(Run& run, int channel, bool textRows) {
    Context& ctx = run.ctx;
    ChannelSinkState& s = run.channelState.writers[static_cast<size_t>(channel)].sinks;
    if (s.begun) return;
    s.begun = true;
    s.open = true;
    s.textRows = textRows;
    ChannelDescription description = DescribeChannel(run, channel);
    description.textRows = textRows;
    static const std::vector<ColumnInfo> kNone;
    for (SampleSink* sink : ctx.sinks.extra)
        if (sink) sink->BeginChannel(description, textRows ? kNone : s.columns);
    if (!s.header.empty()) {
        for (SampleSink* sink : ctx.sinks.extra)
            if (sink) sink->Raw(channel, -1, s.header);
        s.header.clear();
    }
}

}  // namespace

ChannelDescription DescribeChannel(const Run& run, int channel) {
    Context& ctx = run.ctx;
    ChannelDescription d;
    d.channel = channel;
    d.logger = channel / 10;
    d.port = channel % 10;
    if (channel < 0 || channel >= kChannelCount) return d;
    const ChannelSetup& setup = ctx.channels[static_cast<size_t>(channel)];
    d.meterType = setup.type;
    d.keyword = Trimmed(setup.keyword);
    d.lag = setup.lag;
    d.had = setup.had;
    const ChannelSinkState& s = run.channelState.writers[static_cast<size_t>(channel)].sinks;
    d.deviceFile = s.deviceFile;
    d.serialNumber = s.serialNumber;
    return d;
}

void SetChannelColumns(Run& run, int channel, std::vector<ColumnInfo> columns) {
    if (!ValidChannel(channel)) return;
    ChannelSinkState& s = run.channelState.writers[static_cast<size_t>(channel)].sinks;
    s.columns = std::move(columns);
    s.begun = false;  // told again, with these columns, at the next row
}

int EmitTitleLine(Run& run, int channel, std::FILE* stream, int format,
                  std::vector<ColumnInfo> columns) {
    const int count = run.channelState.text.TitleLine(stream, format, columns);
    SetChannelColumns(run, channel, std::move(columns));
    return count;
}

void EmitRow(Run& run, std::FILE* stream, const Sample& sample, const RowLayout& layout) {
    Context& ctx = run.ctx;
    run.channelState.text.Row(stream, run.julian, sample, layout);
    if (ctx.sinks.extra.empty() || !ValidChannel(sample.channel)) return;
    Begin(run, sample.channel, false);
    for (SampleSink* sink : ctx.sinks.extra)
        if (sink) sink->Row(sample);
}

void EmitLine(Run& run, int channel, std::FILE* stream, double timeMs, std::string_view fileText,
              std::string_view sinkText, const LineLayout& layout) {
    Context& ctx = run.ctx;
    run.channelState.text.Line(stream, run.julian, timeMs, fileText, layout);
    if (ctx.sinks.extra.empty() || !ValidChannel(channel)) return;
    // A channel of values keeps its columns when it also writes text rows.
    Begin(run, channel, run.channelState.writers[static_cast<size_t>(channel)].sinks.columns.empty());
    for (SampleSink* sink : ctx.sinks.extra)
        if (sink) sink->Line(channel, timeMs, sinkText);
}

void EmitLine(Run& run, int channel, std::FILE* stream, double timeMs, std::string_view text,
              const LineLayout& layout) {
    EmitLine(run, channel, stream, timeMs, text, text, layout);
}

void EmitRaw(Run& run, int channel, std::FILE* stream, double timeMs, std::string_view bytes) {
    Context& ctx = run.ctx;
    run.channelState.text.Raw(stream, bytes);
    if (ctx.sinks.extra.empty() || !ValidChannel(channel) || bytes.empty()) return;
    ChannelSinkState& s = run.channelState.writers[static_cast<size_t>(channel)].sinks;
    if (!s.open && timeMs < 0) {
        s.header.append(bytes);  // a header: the columns may follow it
        return;
    }
    Begin(run, channel, run.channelState.writers[static_cast<size_t>(channel)].sinks.columns.empty());
    for (SampleSink* sink : ctx.sinks.extra)
        if (sink) sink->Raw(channel, timeMs, bytes);
}

void EmitEnd(Run& run, int channel) {
    Context& ctx = run.ctx;
    if (!ValidChannel(channel)) return;
    const WriterTable& writers = run.channelState.writers;
    const ChannelSinkState& state = writers[static_cast<size_t>(channel)].sinks;
    if (!state.open && state.header.empty()) return;
    ChannelSinkState& s = run.channelState.writers[static_cast<size_t>(channel)].sinks;
    if (!s.open) Begin(run, channel, s.columns.empty());  // a header and no rows
    s.open = false;
    s.begun = false;
    for (SampleSink* sink : ctx.sinks.extra)
        if (sink) sink->EndChannel(channel);
}

}  // namespace rix
