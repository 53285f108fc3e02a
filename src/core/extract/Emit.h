// Where a meter decoder hands its rows: the channel's text file first, then
// every sink of the run beside it (ctx.sinks.extra: NetCDF, plots).
//
// A decoder fills a Sample and calls EmitRow; a meter whose rows are text
// calls EmitLine; bytes copied as they came go through EmitRaw. The extra
// sinks are told of the channel (BeginChannel with its description and
// columns) before its first row or line, and EndChannel when its file is
// completed or discarded.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "extract/Sample.h"
#include "extract/TextSink.h"

namespace rix {

struct Context;
struct Run;

// The extra sinks' view of one channel, kept with the channel's writer.
struct ChannelSinkState {
    bool begun = false;      // BeginChannel sent for the current columns
    bool open = false;       // BeginChannel sent and EndChannel not yet
    bool textRows = false;
    std::vector<ColumnInfo> columns;
    std::string header;        // header bytes copied before the channel was described
    std::string deviceFile;    // the device or calibration file as opened
    std::string serialNumber;  // the instrument's, where its device file carries one
};

// The channel as the extra sinks are told of it.
ChannelDescription DescribeChannel(const Run& run, int channel);

// The value columns of a channel whose file has no title line of its own
// (their titles are those of a copied device-file header): the extra sinks
// are told at the next row.
void SetChannelColumns(Run& run, int channel, std::vector<ColumnInfo> columns);

// Writes the channel's title line (the format's time titles and the columns)
// and takes the columns as the channel's. Returns the columns of the line,
// the time columns included.
int EmitTitleLine(Run& run, int channel, std::FILE* stream, int format,
                  std::vector<ColumnInfo> columns);

// One row of values: the text file (when stream is open), then every extra sink.
void EmitRow(Run& run, std::FILE* stream, const Sample& sample, const RowLayout& layout);

// One text row: the text file gets it with the layout's stamp and line end;
// the extra sinks get text as it is (pass it without its time stamp and line end).
void EmitLine(Run& run, int channel, std::FILE* stream, double timeMs, std::string_view text,
              const LineLayout& layout);
// As EmitLine, where the text file's row differs from what the extra sinks
// are to read (a line end inside the row, a time appended to it).
void EmitLine(Run& run, int channel, std::FILE* stream, double timeMs, std::string_view fileText,
              std::string_view sinkText, const LineLayout& layout);

// Bytes the text file copies as they came (raw data, BINARY, device-file
// headers); extra sinks get them through Raw. Header bytes (timeMs below 0)
// that come before the channel's columns are known are handed on right
// after its BeginChannel.
void EmitRaw(Run& run, int channel, std::FILE* stream, double timeMs, std::string_view bytes);

// The channel's data have ended: EndChannel to the extra sinks told of it.
void EmitEnd(Run& run, int channel);

}  // namespace rix
