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
void Begin(Context& ctx, int channel, bool textRows) {
    ChannelSinkState& s = ctx.channelState.writers[static_cast<size_t>(channel)].sinks;
    if (s.begun) return;
    s.begun = true;
    s.open = true;
    s.textRows = textRows;
    ChannelDescription description = DescribeChannel(ctx, channel);
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

ChannelDescription DescribeChannel(const Context& ctx, int channel) {
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
    const ChannelSinkState& s = ctx.channelState.writers[static_cast<size_t>(channel)].sinks;
    d.deviceFile = s.deviceFile;
    d.serialNumber = s.serialNumber;
    return d;
}

void SetChannelColumns(Context& ctx, int channel, std::vector<ColumnInfo> columns) {
    if (!ValidChannel(channel)) return;
    ChannelSinkState& s = ctx.channelState.writers[static_cast<size_t>(channel)].sinks;
    s.columns = std::move(columns);
    s.begun = false;  // told again, with these columns, at the next row
}

int EmitTitleLine(Context& ctx, int channel, std::FILE* stream, int format,
                  std::vector<ColumnInfo> columns) {
    const int count = ctx.channelState.text.TitleLine(stream, format, columns);
    SetChannelColumns(ctx, channel, std::move(columns));
    return count;
}

void EmitRow(Context& ctx, std::FILE* stream, const Sample& sample, const RowLayout& layout) {
    ctx.channelState.text.Row(stream, ctx.julian, sample, layout);
    if (ctx.sinks.extra.empty() || !ValidChannel(sample.channel)) return;
    Begin(ctx, sample.channel, false);
    for (SampleSink* sink : ctx.sinks.extra)
        if (sink) sink->Row(sample);
}

void EmitLine(Context& ctx, int channel, std::FILE* stream, double timeMs, std::string_view fileText,
              std::string_view sinkText, const LineLayout& layout) {
    ctx.channelState.text.Line(stream, ctx.julian, timeMs, fileText, layout);
    if (ctx.sinks.extra.empty() || !ValidChannel(channel)) return;
    // A channel of values keeps its columns when it also writes text rows.
    Begin(ctx, channel, ctx.channelState.writers[static_cast<size_t>(channel)].sinks.columns.empty());
    for (SampleSink* sink : ctx.sinks.extra)
        if (sink) sink->Line(channel, timeMs, sinkText);
}

void EmitLine(Context& ctx, int channel, std::FILE* stream, double timeMs, std::string_view text,
              const LineLayout& layout) {
    EmitLine(ctx, channel, stream, timeMs, text, text, layout);
}

void EmitRaw(Context& ctx, int channel, std::FILE* stream, double timeMs, std::string_view bytes) {
    ctx.channelState.text.Raw(stream, bytes);
    if (ctx.sinks.extra.empty() || !ValidChannel(channel) || bytes.empty()) return;
    ChannelSinkState& s = ctx.channelState.writers[static_cast<size_t>(channel)].sinks;
    if (!s.open && timeMs < 0) {
        s.header.append(bytes);  // a header: the columns may follow it
        return;
    }
    Begin(ctx, channel, ctx.channelState.writers[static_cast<size_t>(channel)].sinks.columns.empty());
    for (SampleSink* sink : ctx.sinks.extra)
        if (sink) sink->Raw(channel, timeMs, bytes);
}

void EmitEnd(Context& ctx, int channel) {
    if (!ValidChannel(channel)) return;
    const WriterTable& writers = ctx.channelState.writers;
    const ChannelSinkState& state = writers[static_cast<size_t>(channel)].sinks;
    if (!state.open && state.header.empty()) return;
    ChannelSinkState& s = ctx.channelState.writers[static_cast<size_t>(channel)].sinks;
    if (!s.open) Begin(ctx, channel, s.columns.empty());  // a header and no rows
    s.open = false;
    s.begun = false;
    for (SampleSink* sink : ctx.sinks.extra)
        if (sink) sink->EndChannel(channel);
}

}  // namespace rix
