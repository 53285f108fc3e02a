// The NetCDF-4 / CF file of a run beside its text files: one group per
// channel ("ch15_SBE25CTD") with its own unlimited sample dimension `obs`,
// written as the samples arrive, a chunk of rows at a time, under a
// temporary name that takes the final name when the run completes.
// Built only with the NetCDF library (RIX_HAVE_NETCDF); without it Open
// says so and fails.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "extract/Sample.h"

namespace rix {

class Reporter;

// True when this program was built with the NetCDF library.
bool NetcdfBuiltIn();
// The library's version text, empty when not built in.
std::string NetcdfLibraryVersion();

// The global attributes: what the file came from and what made it.
struct NetcdfFileInfo {
    std::string title;
    std::vector<std::pair<std::string, std::string>> attributes;  // in order, after Conventions and title
    // Attributes whose values are made while the run goes on (the archive's
    // digest): asked for when the file is finished, left out when empty.
    std::vector<std::pair<std::string, std::function<std::string()>>> late;
};

// How the rows' logger times map to calendar time.
struct NetcdfTime {
    // Whether the run knows its days: asked when a channel begins (after the
    // date pre-pass). Null: never.
    std::function<bool()> known;
    // Seconds since 1970 of a revised logger time in ms; NaN before the first known day.
    std::function<double(double)> epochSeconds;
    // What logger time counts from, for logger_time's long_name.
    std::string loggerTimeMeaning = "time since logger power-on";
    // What calendar time is made from, for time's comment.
    std::string calendarComment =
        "From the logger time by the run's calendar days (type-2 packets or the date/time channel); rows "
        "before the first known day have the fill value. Times may repeat and step back within a channel.";
    // Without calendar time, whether logger_time is written (merged pairs
    // keep their key column as written instead).
    bool loggerTime = true;
};

class NetcdfSink : public SampleSink {
public:
    NetcdfSink(Reporter& reporter, std::string path, NetcdfFileInfo info, NetcdfTime time);
    ~NetcdfSink() override;  // a file not finished is removed
    NetcdfSink(const NetcdfSink&) = delete;
    NetcdfSink& operator=(const NetcdfSink&) = delete;

    // Creates the file under its temporary name. False (reported) on failure.
    bool Open();
    void BeginChannel(const ChannelDescription& channel, const std::vector<ColumnInfo>& columns) override;
    void Row(const Sample& sample) override;
    void Line(int channel, double timeMs, std::string_view text) override;
    void EndChannel(int channel) override;
    bool Finish() override;
    void Abandon() override;

    // A library error has stopped the writing (reported once).
    bool Failed() const;
    const std::string& Path() const;
    // The group of a channel id is named `name` instead of "ch<id>_<keyword>"
    // (merged pairs: "pair01"). Before its BeginChannel.
    void NameGroup(int channel, const std::string& name);
    // Rows buffered per variable before they are written (tests use small chunks).
    void SetChunkRows(size_t rows);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Whether a NetCDF file can be made in the folder: one is created under a
// temporary name and removed. why: the library's message when not.
bool NetcdfCanWrite(const std::string& folder, std::string& why);

// The file's name for an output base: BASE.nc.
std::string NetcdfPathFor(const std::string& folder, const std::string& base);

}  // namespace rix
