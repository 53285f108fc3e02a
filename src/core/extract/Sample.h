// What a meter decoder hands on: samples (a time, typed values and the
// description of each value's column) and the lines of the channels whose
// rows are text. Sinks receive them: the channel text files, NetCDF, plots.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rix {

constexpr int kMaxSampleValues = 220;

// How the text file writes a value: printf's "%<width>.<precision>f".
struct ValueFormat {
    int8_t width = 8;
    int8_t precision = 6;
    bool zeroPad = false;  // "%0<width>.<precision>f": zeros after the sign (counters such as "%03d")
};

// One value column of a channel.
struct ColumnInfo {
    std::string title;  // as the text file titles it ("Temp(C)", "a412")
    std::string unit;   // UDUNITS form where the title or the meter knows it, else empty
    ValueFormat format;
};

// The channel a sink is about to receive: what a self-describing file says of it.
struct ChannelDescription {
    int channel = 0;      // channel id: logger * 10 + port
    int logger = 0;       // 1 to 4
    int port = 0;         // 1 to 9
    int meterType = 0;
    std::string keyword;  // meter type keyword of the instrument setup
    int lag = 0;
    int had = 0;
    std::string deviceFile;    // the device or calibration file as opened, empty when none
    std::string serialNumber;  // the instrument's, where its device file carries one
    bool textRows = false;     // rows are text lines (Line), not values (Row)
};

// One row of a channel. Placeholders the text file writes (9999.999999 and
// the like) stay as they are; sinks that know fill values map them.
struct Sample {
    int channel = 0;
    double time = -1;  // the row's time: revised logger time, ms
    int count = 0;
    double values[kMaxSampleValues];
    ValueFormat formats[kMaxSampleValues];

    void Clear(int channelId, double timeMs) {
        channel = channelId;
        time = timeMs;
        count = 0;
    }
    void Add(double value, ValueFormat format) {
        if (count >= kMaxSampleValues) return;
        values[count] = value;
        formats[count] = format;
        ++count;
    }
};

class SampleSink {
public:
    virtual ~SampleSink() = default;
    // Once per channel before its first row or line: the channel and its
    // value columns (empty for text rows). Called again when a channel's
    // columns become known only later (a title line written on the first row).
    virtual void BeginChannel(const ChannelDescription& channel,
                              const std::vector<ColumnInfo>& columns) = 0;
    virtual void Row(const Sample& sample) = 0;
    // A text row as written, without its time stamp and line end.
    virtual void Line(int channel, double timeMs, std::string_view text) = 0;
    // Bytes the text file copies as they came (raw data output, BINARY,
    // device-file header copies): nothing a sink of values needs to read.
    virtual void Raw(int channel, double timeMs, std::string_view bytes) {
        (void)channel;
        (void)timeMs;
        (void)bytes;
    }
    // The channel's data have all been handed on.
    virtual void EndChannel(int channel) { (void)channel; }
    // The run completed: make the output whole. False when it could not be
    // written (the sink has reported why).
    virtual bool Finish() { return true; }
    // The run failed: leave nothing half-written under a final name.
    virtual void Abandon() {}
};

// The sinks of a run beside the channel text files (NetCDF, plots): each is
// handed every channel's samples and lines as the text files get them. Not
// owned; whoever starts the run sets them and clears them after it.
struct RunSinks {
    std::vector<SampleSink*> extra;
    // A sink maps logger time to calendar time (NetCDF): the date pre-pass
    // runs whatever the text files' time-stamp format.
    bool needsCalendar = false;
};

}  // namespace rix
