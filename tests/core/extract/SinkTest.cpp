// The sinks beside the channel text files: a recording sink in
// ctx.sinks.extra must receive, for every meter family of the example
// deployment, the columns the file titles and the values its rows show.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Context.h"
#include "TestSupport.h"
#include "extract/Channel.h"
#include "extract/Emit.h"
#include "extract/Rix.h"
#include "extract/TextSink.h"
#include "meters/Minor.h"
#include "setup/MeterType.h"

namespace {

using rixtest::TempDir;

const std::string kExamples = std::string(RIX_SOURCE_DIR) + "/examples";

struct Recorded {
    rix::ChannelDescription description;
    std::vector<rix::ColumnInfo> columns;
    int begins = 0;
    int ends = 0;
    struct Event {
        bool line = false;
        double time = 0;
        std::vector<double> values;
        std::vector<rix::ValueFormat> formats;
        std::string text;
    };
    std::vector<Event> events;
    std::string raw;
};

class RecordingSink : public rix::SampleSink {
public:
    std::map<int, Recorded> channels;
    void BeginChannel(const rix::ChannelDescription& d, const std::vector<rix::ColumnInfo>& c) override {
        Recorded& r = channels[d.channel];
        r.description = d;
        r.columns = c;
        ++r.begins;
    }
    void Row(const rix::Sample& s) override {
        Recorded::Event e;
        e.time = s.time;
        e.values.assign(s.values, s.values + s.count);
        e.formats.assign(s.formats, s.formats + s.count);
        channels[s.channel].events.push_back(std::move(e));
    }
    void Line(int channel, double time, std::string_view text) override {
        Recorded::Event e;
        e.line = true;
        e.time = time;
        e.text = std::string(text);
        channels[channel].events.push_back(std::move(e));
    }
    void Raw(int channel, double, std::string_view bytes) override { channels[channel].raw += bytes; }
    void EndChannel(int channel) override { ++channels[channel].ends; }
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

// The file of channel id in the output folder.
std::string ChannelFile(const std::string& folder, int id) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find("_" + std::to_string(id) + "_") != std::string::npos) return rixtest::ReadFile(entry.path().string());
    }
    return {};
}

class ExampleSinks : public ::testing::Test {
protected:
    // The example deployment with time stamps in milliseconds (format 1).
    void Run(bool engineering) {
        Run(engineering, kExamples, "deploy.000", "deploy.isf", kExamples + "/deploy.msf");
    }
    void Run(bool engineering, const std::string& folder, const std::string& archive,
             const std::string& isf, const std::string& msf = "") {
        out = work.file("out");
        std::filesystem::create_directory(out);
        rixtest::WriteFile(work.file("run.esf"), std::string("ESF Version=1.1\r\n0 ") + (engineering ? "1" : "0") +
                                                     " 0 0 0 0 1 1 21 0 250\r\n");
        rix::ExtractRequest request;
        request.archive = folder + "/" + archive;
        request.isfFile = folder + "/" + isf;
        request.esfFile = work.file("run.esf");
        request.msfFile = msf;
        request.deviceFolder = folder;
        request.outputFolder = out;
        ctx.sinks.extra.push_back(&sink);
        rix::ExtractButtonClick(ctx, request);
        ctx.sinks.extra.clear();
    }

    // Every value row of the channel against the file's data rows: the time
    // stamp and each value as printed.
    void ExpectRowsMatchFile(int id) {
        SCOPED_TRACE("channel " + std::to_string(id));
        const Recorded& r = sink.channels[id];
        const std::vector<std::string> lines = SplitLines(ChannelFile(out, id));
        ASSERT_GE(lines.size(), r.events.size());
        ASSERT_FALSE(r.events.empty());
        const size_t first = lines.size() - r.events.size();
        for (size_t i = 0; i < r.events.size(); ++i) {
            const Recorded::Event& e = r.events[i];
            if (e.line) {  // a text row among the values: the file's row ends with it
                const std::string& line = lines[first + i];
                ASSERT_GE(line.size(), e.text.size());
                EXPECT_EQ(line.substr(line.size() - e.text.size()), e.text);
                continue;
            }
            const std::vector<std::string> cells = Cells(lines[first + i]);
            ASSERT_EQ(cells.size(), e.values.size() + 1) << lines[first + i];
            EXPECT_EQ(std::strtod(cells[0].c_str(), nullptr), std::round(e.time)) << lines[first + i];
            for (size_t k = 0; k < e.values.size(); ++k) {
                const double shown = std::strtod(cells[k + 1].c_str(), nullptr);
                const double half = 0.5 * std::pow(10.0, -e.formats[k].precision) * 1.000001;
                ASSERT_NEAR(shown, e.values[k], half) << "column " << k << " of " << lines[first + i];
            }
        }
    }

    TempDir work;
    std::string out;
    rix::RecordingReporter reporter;
    rix::Context ctx{reporter};
    RecordingSink sink;
};

std::vector<std::string> Titles(const std::vector<rix::ColumnInfo>& columns) {
    std::vector<std::string> titles;
    for (const rix::ColumnInfo& c : columns) titles.push_back(c.title);
    return titles;
}

TEST_F(ExampleSinks, EveryChannelIsDescribedOnceAndEnded) {
    Run(true);
    for (int id : {11, 12, 13, 14, 15, 16, 17, 21, 22, 23, 24, 25, 26}) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(sink.channels.count(id));
        const Recorded& r = sink.channels[id];
        EXPECT_EQ(r.begins, 1);
        EXPECT_EQ(r.ends, 1);
        EXPECT_EQ(r.description.channel, id);
        EXPECT_EQ(r.description.logger, id / 10);
        EXPECT_EQ(r.description.port, id % 10);
        EXPECT_EQ(r.description.meterType, ctx.channels[static_cast<size_t>(id)].type);
    }
    EXPECT_EQ(sink.channels[15].description.keyword, "SBE25CTD");
    EXPECT_NE(sink.channels[15].description.deviceFile.find("SBE25.CON"), std::string::npos);
    EXPECT_FALSE(sink.channels[15].description.serialNumber.empty());
    EXPECT_NE(sink.channels[23].description.deviceFile.find("NX9EX.DEV"), std::string::npos);
    EXPECT_FALSE(sink.channels[23].description.serialNumber.empty());
    EXPECT_TRUE(sink.channels[11].description.deviceFile.empty());
    EXPECT_TRUE(sink.channels[11].description.textRows);
    EXPECT_FALSE(sink.channels[15].description.textRows);
}

TEST_F(ExampleSinks, CtdColumnsCarryTheirUnitsAndRowsTheirValues) {
    Run(true);
    const Recorded& r = sink.channels[15];
    ASSERT_GE(r.columns.size(), 4u);
    const std::vector<std::string> fileTitles = Cells(SplitLines(ChannelFile(out, 15))[0]);
    std::vector<std::string> expected(fileTitles.begin() + 1, fileTitles.end());
    EXPECT_EQ(Titles(r.columns), expected);
    EXPECT_EQ(r.columns[0].unit, "dbar");
    EXPECT_EQ(r.columns[1].unit, "degree_Celsius");
    EXPECT_EQ(r.columns[2].unit, "S m-1");
    EXPECT_EQ(r.columns[3].unit, "1");
    EXPECT_EQ(r.columns[0].format.precision, 3);
    ExpectRowsMatchFile(15);
}

TEST_F(ExampleSinks, LineMeterColumnsAreTheTitleLine) {
    Run(true);
    for (int id : {16, 17, 26}) {  // ORB (device-file columns), GPS, DMM
        SCOPED_TRACE(id);
        const std::vector<std::string> fileTitles = Cells(SplitLines(ChannelFile(out, id))[0]);
        std::vector<std::string> expected(fileTitles.begin() + 1, fileTitles.end());
        EXPECT_EQ(Titles(sink.channels[id].columns), expected);
        ExpectRowsMatchFile(id);
    }
    EXPECT_EQ(sink.channels[26].columns[0].unit, "mA");
}

TEST_F(ExampleSinks, AcMeterColumnsAreTheHeaderTitlesTheMergeReads) {
    Run(true);
    const Recorded& r = sink.channels[23];
    ASSERT_GT(r.columns.size(), 5u);
    // The a and c lines of the copied device file, in their order.
    std::vector<std::string> acTitles;
    for (const std::string& line : SplitLines(ChannelFile(out, 23))) {
        if (line.empty() || (line[0] != 'a' && line[0] != 'c')) {
            if (!acTitles.empty()) break;
            continue;
        }
        acTitles.push_back(line.substr(0, line.find_first_of(" \t")));
    }
    ASSERT_FALSE(acTitles.empty());
    std::vector<std::string> titles = Titles(r.columns);
    EXPECT_EQ(std::vector<std::string>(titles.begin(), titles.begin() + static_cast<long>(acTitles.size())), acTitles);
    EXPECT_EQ(r.columns[0].unit, "m-1");
    EXPECT_EQ(titles[acTitles.size()], "I-Temp");
    EXPECT_EQ(titles[acTitles.size() + 2], "P(dbars)");
    ExpectRowsMatchFile(23);
}

TEST_F(ExampleSinks, SatlanticAndThermometerRows) {
    Run(true);
    const Recorded& sat = sink.channels[24];
    ASSERT_FALSE(sat.columns.empty());
    EXPECT_EQ(sat.columns[0].title, "Depth(m)");
    EXPECT_EQ(sat.columns[0].unit, "m");
    ExpectRowsMatchFile(24);
    const Recorded& bath = sink.channels[25];
    ASSERT_EQ(bath.columns.size(), 2u);
    EXPECT_EQ(bath.columns[0].unit, "degree_Celsius");
    ExpectRowsMatchFile(25);
}

TEST_F(ExampleSinks, TextRowsReachTheSinksWithoutStampOrLineEnd) {
    Run(true);
    for (int id : {11, 12, 13, 14, 21, 22}) {
        SCOPED_TRACE(id);
        const Recorded& r = sink.channels[id];
        EXPECT_TRUE(r.columns.empty());
        const std::vector<std::string> lines = SplitLines(ChannelFile(out, id));
        ASSERT_FALSE(r.events.empty());
        ASSERT_GE(lines.size(), r.events.size());
        size_t matched = 0;
        for (const Recorded::Event& e : r.events) {
            ASSERT_TRUE(e.line);
            EXPECT_EQ(e.text.find('\n'), std::string::npos);
            // The file's text holds the row: after its stamp (T_ASCII, hex), before
            // the time appended to it (ASCII_T), or as it is.
            bool found = false;
            for (size_t k = matched; k < lines.size() && !found; ++k) {
                if (lines[k] == e.text || lines[k].find("\t" + e.text) != std::string::npos ||
                    lines[k].rfind(e.text + "\t", 0) == 0 || lines[k].rfind(e.text + ",\t", 0) == 0) {
                    found = true;
                    matched = k + 1;
                }
            }
            EXPECT_TRUE(found) << e.text;
        }
    }
}

TEST_F(ExampleSinks, AsciiTLinesReachTheSinksWithoutTheTimeTheFileAppends) {
    Run(true);
    for (int id : {13, 22}) {
        SCOPED_TRACE(id);
        const Recorded& r = sink.channels[id];
        const std::vector<std::string> lines = SplitLines(ChannelFile(out, id));
        ASSERT_FALSE(r.events.empty());
        ASSERT_EQ(lines.size(), r.events.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            char stamp[64];
            std::snprintf(stamp, sizeof stamp, "%1.0f", r.events[i].time);
            const std::string& text = r.events[i].text;
            EXPECT_TRUE(lines[i] == text + "\t" + stamp || lines[i] == text + ",\t" + stamp)
                << lines[i] << " / " << text;
        }
    }
}

TEST_F(ExampleSinks, RawOutputPassesTheBytesOn) {
    Run(false);
    // The NX9's raw frames and the Satlantic's: every byte of the file is passed on.
    for (int id : {23, 24}) {
        SCOPED_TRACE(id);
        const std::string file = ChannelFile(out, id);
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(sink.channels[id].raw, file);
    }
}

// A sink that is told nothing of channels it never receives rows for, and
// the text file written the same with or without sinks.
TEST_F(ExampleSinks, FilesAreTheSameWithAndWithoutSinks) {
    Run(true);
    std::map<int, std::string> withSinks;
    for (int id : {11, 14, 15, 16, 17, 23, 24, 25, 26}) withSinks[id] = ChannelFile(out, id);
    std::filesystem::remove_all(out);
    rix::RecordingReporter otherReporter;
    rix::Context plain(otherReporter);
    std::filesystem::create_directory(out);
    rix::ExtractRequest request;
    request.archive = kExamples + "/deploy.000";
    request.isfFile = kExamples + "/deploy.isf";
    request.esfFile = work.file("run.esf");
    request.msfFile = kExamples + "/deploy.msf";
    request.deviceFolder = kExamples;
    request.outputFolder = out;
    rix::ExtractButtonClick(plain, request);
    for (const auto& [id, bytes] : withSinks) EXPECT_TRUE(ChannelFile(out, id) == bytes) << id;
}

const std::string kCases = std::string(RIX_SOURCE_DIR) + "/tests/regress/cases";

// The titles of the file's title line (the first that starts with the
// time title, after any device-file header) without the time title.
std::vector<std::string> FileTitles(const std::string& file) {
    for (const std::string& line : SplitLines(file)) {
        if (line.rfind("Time(ms)", 0) != 0) continue;
        const std::vector<std::string> cells = Cells(line);
        return std::vector<std::string>(cells.begin() + 1, cells.end());
    }
    return {};
}

TEST_F(ExampleSinks, NxsColumnsAreItsTitleLineAndRowsItsValues) {
    Run(true, kCases + "/meter-nxs", "test.000", "test.isf");
    const Recorded& r = sink.channels[11];
    const std::string file = ChannelFile(out, 11);
    // The device-file header, then the title line.
    EXPECT_EQ(Titles(r.columns), FileTitles(file));
    EXPECT_EQ(r.columns[0].title.substr(0, 1), "c");
    EXPECT_EQ(r.columns[0].unit, "m-1");
    EXPECT_EQ(r.description.serialNumber, "0x53");
    // The header copy reached the sink before the rows.
    EXPECT_EQ(r.raw, file.substr(0, r.raw.size()));
    EXPECT_EQ(r.raw.find("MorView"), 0u);
    ExpectRowsMatchFile(11);
}

TEST_F(ExampleSinks, PrismaColumnsAreItsTitleLineAndRowsItsValues) {
    Run(true, kCases + "/meter-prisma", "test.000", "test.isf");
    int checked = 0;
    for (auto& [id, r] : sink.channels) {
        if (r.events.empty()) continue;
        SCOPED_TRACE(id);
        ASSERT_FALSE(r.columns.empty());
        EXPECT_EQ(Titles(r.columns), FileTitles(ChannelFile(out, id)));
        EXPECT_EQ(r.columns.back().title, "Depth(m)");
        EXPECT_EQ(r.columns.back().unit, "m");
        ExpectRowsMatchFile(id);
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST_F(ExampleSinks, MinorMetersRowsAndLines) {
    Run(true, kCases + "/meter-minor", "test.000", "test.isf");
    // Thermometer bath and XMF: values (the XMF's gap lines among them); SBE32: one line a byte.
    ASSERT_EQ(sink.channels[11].columns.size(), 2u);
    ExpectRowsMatchFile(11);
    const Recorded& xmf = sink.channels[13];
    ASSERT_EQ(xmf.columns.size(), 9u + rix::kXmfSamples);
    EXPECT_TRUE(xmf.columns[0].format.zeroPad);
    bool gap = false;
    for (const Recorded::Event& e : xmf.events) gap = gap || (e.line && e.text.rfind("MISSING Mod", 0) == 0);
    EXPECT_TRUE(gap);
    ExpectRowsMatchFile(13);
    const Recorded& carousel = sink.channels[12];
    ASSERT_FALSE(carousel.events.empty());
    EXPECT_TRUE(carousel.description.textRows);
    for (const Recorded::Event& e : carousel.events) EXPECT_EQ(e.text.size(), 1u);
}

TEST(UnitOfTitle, ParenthesisedUnitsInUdunitsForm) {
    EXPECT_EQ(rix::UnitOfTitle("Temp(C)"), "degree_Celsius");
    EXPECT_EQ(rix::UnitOfTitle("P(dbars)"), "dbar");
    EXPECT_EQ(rix::UnitOfTitle("Sal(PSU)"), "1");
    EXPECT_EQ(rix::UnitOfTitle("CHL(ug/l)"), "ug L-1");
    EXPECT_EQ(rix::UnitOfTitle("Depth(m)"), "m");
    EXPECT_EQ(rix::UnitOfTitle("Conduct"), "");
    EXPECT_EQ(rix::UnitOfTitle("X(furlongs)"), "");
    EXPECT_EQ(rix::UnitOfTitle(")("), "");
}

}  // namespace
