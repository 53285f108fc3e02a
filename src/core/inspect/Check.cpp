// The check runs every reader of an extraction on a program of its own
// (a fresh Context with a recording reporter), so that each message a reader
// gives becomes a finding and nothing of a real run is disturbed. Device-file
// readers that copy their file into the channel's output get a scratch file.
#include "inspect/Check.h"

#include "extract/NetcdfSink.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "Context.h"
#include "archive/Archive.h"
#include "archive/Pump.h"
#include "extract/Channel.h"
#include "extract/Interval.h"
#include "extract/Misc.h"
#include "meters/Analog.h"
#include "meters/Devfile.h"
#include "meters/Drivers.h"
#include "meters/Sbe_hex.h"
#include "setup/Isf.h"
#include "setup/Mainsetup.h"
#include "setup/MeterType.h"
#include "setup/Msf.h"
#include "setup/SetupText.h"
#include "utilities/FileIo.h"

namespace rix {

namespace {

constexpr double kDefaultTo = 31536000000.0;  // the driver's default end: 365 days in ms
constexpr int kDateLineLimit = 1000;          // ParseDateTimeLine wants a 1024-byte buffer

class Checker {
public:
    explicit Checker(CheckReport& report) : r_(report) {}

    void Add(Severity s, const std::string& file, int line, const std::string& text) {
        r_.findings.push_back({s, file, line, text});
    }
    void Problem(const std::string& file, int line, const std::string& text) {
        Add(Severity::kProblem, file, line, text);
    }
    void Warning(const std::string& file, int line, const std::string& text) {
        Add(Severity::kWarning, file, line, text);
    }

    // Every message a reader gave, as problems on its file. A message that
    // names a line ("Line %d") keeps it. Progress statuses ("Read ...") are no
    // findings.
    void TakeMessages(RecordingReporter& rec, const std::string& file) {
        auto add = [&](const std::string& raw) {
            std::string text = raw;
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
                text.pop_back();
            int line = 0;
            const size_t at = text.find("Line ");
            if (at != std::string::npos) line = std::atoi(text.c_str() + at + 5);
            Problem(file, line, text);
        };
        for (const RecordingReporter::Box& b : rec.boxes) add(b.title + ": " + b.text);
        for (const std::string& s : rec.statuses)
            if (s.compare(0, 5, "Read ") != 0) add(s);
        const size_t printed = rec.out.find_first_not_of('\n');
        if (printed != std::string::npos) add(rec.out.substr(printed));
        rec.Clear();
    }

private:
    CheckReport& r_;
};

bool Exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

bool Blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// The line of the instrument setup file that last names each channel (the
// reader lets a later line win).
std::map<int, int> IsfLines(const std::string& path) {
    std::map<int, int> lines;
    std::FILE* f = setuptext::OpenForReading(path);
    if (!f) return lines;
    std::string line;
    int number = 0;
    while (setuptext::ReadLine(f, 198, line)) {
        ++number;
        const char* p = line.c_str();
        int id = 0;
        if (setuptext::ScanInt(p, id) && id > 0 && id < kChannelCount) lines[id] = number;
    }
    std::fclose(f);
    return lines;
}

// How many numbers the extraction setup's second line holds.
int EsfValueCount(const std::string& path) {
    std::FILE* f = setuptext::OpenForReading(path);
    if (!f) return 0;
    std::string line;
    setuptext::ReadLine(f, 198, line);
    int count = 0;
    if (setuptext::ReadLine(f, 198, line)) {
        const char* p = line.c_str();
        int v = 0;
        while (count < 11 && setuptext::ScanInt(p, v)) ++count;
    }
    std::fclose(f);
    return count;
}

bool HasDeviceReader(int type) { return DriverFor(type).deviceUse == DeviceFileUse::kRead; }

std::string LoggerList(const ArchiveInventory& inv) {
    std::string s;
    for (const LoggerInventory& l : inv.loggers) s += (s.empty() ? "" : ", ") + std::to_string(l.id);
    return s.empty() ? "none" : s;
}

// The second pass: re-timed packets of the clock logger's time base, and
// the date/time channel's lines offered to the date/time line parser.
struct TimedPass {
    bool anyTimed = false;
    double first = 0, last = 0;  // lowest and highest re-timed packet time
    bool inside = false;         // a packet falls inside the interval
    int dateLines = 0;
};

TimedPass RunTimedPass(Run& run, const std::string& path, const ExtractionSetup& es, double from,
                       double to) {
    TimedPass pass;
    ArchiveStream stream;
    if (!stream.Open(path)) return pass;
    const bool julian = IsJulianFormat(es.timeStampFormat);
    int sender = 0, port = -1;
    ChannelToSenderPort(es.dateTimeChannel, sender, port);
    std::string line;
    double lineTime = 0;
    std::vector<char> buffer(static_cast<size_t>(std::max(kRecordSize, 1024)));
    auto offer = [&]() {
        if (line.empty()) return;
        std::memcpy(buffer.data(), line.data(), line.size());
        buffer[line.size()] = '\0';
        int length = static_cast<int>(line.size());
        RowValues values;
        if (ParseDateTimeLine(run, buffer.data(), length, lineTime, es.timeOffsetHours, values) > 0) ++pass.dateLines;
        line.clear();
    };
    PumpOptions options;
    options.clockSource = es.clockSource;
    options.format = es.timeStampFormat;
    options.honourStop = false;
    PacketPump pump(run, stream, options);
    pump.Run([&](const PumpedPacket& p) {
        const ArchivePacket& packet = p.packet;
        const double time = p.time;
        if (run.clock.started) {
            if (!pass.anyTimed) pass.first = pass.last = time;
            pass.anyTimed = true;
            pass.first = std::min(pass.first, time);
            pass.last = std::max(pass.last, time);
            if (time >= from && time <= to) pass.inside = true;
        }
        if (!julian || packet.sender != sender) return true;
        const uint8_t* bytes = nullptr;
        const int count = PortBytes(packet, port, bytes);
        for (int i = 0; i < count; ++i) {
            const char c = static_cast<char>(bytes[i]);
            if (c == '\r' || c == '\n') {
                offer();
            } else if (line.size() < static_cast<size_t>(kDateLineLimit)) {
                if (line.empty()) lineTime = time;
                line += c;
            }
        }
        return true;
    });
    offer();
    return pass;
}

void CheckMerge(Checker& ck, CheckReport& r, const ChannelTable& channels) {
    const std::string& path = r.msfFile;
    if (!Exists(path)) {
        ck.Problem(path, 0, "File Error - Can not Find Merge Setup File");
        return;
    }
    std::FILE* f = setuptext::OpenForReading(path);
    if (!f) {
        ck.Problem(path, 0, "Setup Merge File Error: Unable to open " + path);
        return;
    }
    RecordingReporter rec;
    auto setup = std::make_unique<MergeSetup>();
    const int ok = ReadMsfFile(rec, *setup, f);
    std::fclose(f);
    ck.TakeMessages(rec, path);
    if (!ok) return;
    int active = 0;
    for (int index = 0; index < kMergePairs; ++index) {
        const MergePair& pair = setup->pairs[static_cast<size_t>(index)];
        if (pair.mergeMode == 0) continue;
        ++active;
        const int number = index + 1;
        for (int which = 0; which < 2; ++which) {
            const MergeSide& side = which == 0 ? pair.base : pair.merge;
            const char* name = which == 0 ? "base" : "merge";
            if (side.sourceKind == 0) {
                const int c = side.channelId;
                if (c <= 0 || c >= kChannelCount || channels[static_cast<size_t>(c)].type == kOff)
                    ck.Problem(path, 0,
                               Format("merge pair %d: the %s channel %d is not configured in the instrument setup",
                                      number, name, c));
            } else if (side.sourceKind == 1) {
                const int p = side.pairNumber;
                if (p < 1 || p >= number || setup->pairs[static_cast<size_t>(p - 1)].mergeMode == 0)
                    ck.Problem(path, 0,
                               Format("merge pair %d: the %s is the output of pair %d, which is no earlier active pair",
                                      number, name, p));
            } else if (side.sourceKind == 2) {
                if (!Exists(side.fileName))
                    ck.Problem(path, 0,
                               Format("merge pair %d: the %s file '%s' does not exist", number, name,
                                      side.fileName.c_str()));
            } else {
                ck.Problem(path, 0, Format("merge pair %d: the %s source %d is unknown", number, name, side.sourceKind));
            }
        }
        const struct {
            int bit;
            const std::string& file;
        } tables[] = {{kCorrectCleanWater, pair.cleanWaterFile},
                      {kCorrectTemperature, pair.tCorFile},
                      {kCorrectSalinity, pair.sCorFile}};
        for (const auto& t : tables)
            if ((pair.correctionFlags & t.bit) && !Exists(JoinPath(r.deviceFolder, t.file)))
                ck.Problem(path, 0,
                           Format("merge pair %d: the correction file '%s' is not in the device folder", number,
                                  t.file.c_str()));
    }
    if (active == 0) ck.Warning(path, 0, "no merge pair is active: the merge would write nothing");
}

std::string ReportText(const CheckReport& r) {
    std::string out;
    out += "Archive: " + (r.archive.empty() ? std::string("none given") : r.archive);
    if (r.archiveRead)
        out += Format(" (%lld bytes, %ld packets, loggers %s)", r.inventory.fileBytes, r.inventory.packets,
                      LoggerList(r.inventory).c_str());
    out += "\nInstrument setup: " + r.isfFile + "\nExtraction setup: " + r.esfFile;
    if (r.esfRead) {
        const ExtractionSetup& es = r.extraction;
        out += Format(" (%s, clock logger %s, time-stamp format %d", es.dataOutput == 0 ? "raw data" : "engineering units",
                      es.clockSource == 0 ? "any" : std::to_string(es.clockSource).c_str(), es.timeStampFormat);
        if (IsJulianFormat(es.timeStampFormat))
            out += Format(", date/time channel %d", es.dateTimeChannel);
        out += ")";
    }
    if (!r.msfFile.empty()) out += "\nMerge setup: " + r.msfFile;
    out += "\nDevice folder: " + r.deviceFolder + "\nOutput folder: " + r.outputFolder + "\n";
    if (!r.channels.empty()) {
        out += "\nChannel  Type          Device file                     Bytes\n";
        for (const ChannelCheck& c : r.channels) {
            std::string device = c.deviceFile.empty() ? "-" : c.deviceFile;
            if (!c.deviceFile.empty())
                device += !c.deviceFound ? " (missing)"
                          : !c.deviceRead ? " (unreadable)"
                          : c.caseInsensitive ? " (case differs)"
                                              : " (read)";
            out += Format("%-7d  %-12s  %-30s  %6s\n", c.id, c.keyword.c_str(), device.c_str(),
                          c.archiveBytes < 0 ? "-" : std::to_string(c.archiveBytes).c_str());
        }
    }
    if (r.dateLines >= 0) out += Format("Date/time lines accepted: %d\n", r.dateLines);
    if (!r.findings.empty()) out += "\n";
    for (const Finding& f : r.findings) out += FindingLine(f) + "\n";
    const int problems = r.Problems(), warnings = r.Warnings();
    out += Format("\n%d problem%s, %d warning%s: %s\n", problems, problems == 1 ? "" : "s", warnings,
                  warnings == 1 ? "" : "s",
                  problems == 0 ? "the extraction would run." : "the extraction would not run as set up.");
    return out;
}

}  // namespace

int CheckReport::Problems() const {
    return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                          [](const Finding& f) { return f.severity == Severity::kProblem; }));
}

int CheckReport::Warnings() const { return static_cast<int>(findings.size()) - Problems(); }

std::string FindingLine(const Finding& f) {
    std::string s = f.severity == Severity::kProblem ? "problem: " : "warning: ";
    if (!f.file.empty()) {
        s += f.file;
        if (f.line > 0) {
            s += ':';
            s += std::to_string(f.line);
        }
        s += ": ";
    }
    return s + f.text;
}

CheckReport CheckSetup(const ExtractRequest& request) {
    CheckReport r;
    Checker ck(r);
    r.isfFile = request.isfFile;
    r.esfFile = request.esfFile;
    r.msfFile = request.msfFile;
    r.deviceFolder = request.deviceFolder;
    r.outputFolder = request.outputFolder;
    r.archive = RequestArchive(request);

    RecordingReporter rec;
    auto ctx = std::make_unique<Context>(rec);

    // The setups, read as the run reads them.
    r.esfRead = ReadEsfFile(rec, r.extraction, r.esfFile) != 0;
    ck.TakeMessages(rec, r.esfFile);
    const ExtractionSetup& es = r.extraction;
    if (r.esfRead) {
        if (EsfValueCount(r.esfFile) < 11)
            ck.Warning(r.esfFile, 2, "fewer than eleven numbers: every option keeps its default");
        if (es.outputFiles == 2) ck.Problem(r.esfFile, 2, "Programming Error: Unable to Create Time Series File");
        if (es.clockSource < 0 || es.clockSource > 4)
            ck.Problem(r.esfFile, 2, Format("clock source %d names no logger (0 to 4)", es.clockSource));
        if (es.timeStampFormat < 0 || es.timeStampFormat > kIsoTimeFormat)
            ck.Warning(r.esfFile, 2, Format("time-stamp format %d is none of 0 to 8", es.timeStampFormat));
        if (es.inputFormat == 4 && IsJulianFormat(es.timeStampFormat))
            ck.Problem(r.esfFile, 2,
                       Format("time-stamp format %d needs calendar days, but a raw file carries no dates: "
                              "the time stamps would have no date",
                              es.timeStampFormat));
    }
    const bool isfRead = ReadIsfFile(rec, ctx->channels, r.isfFile) != 0;
    ck.TakeMessages(rec, r.isfFile);
    const std::map<int, int> isfLines = IsfLines(r.isfFile);
    auto lineOf = [&](int id) {
        auto it = isfLines.find(id);
        return it == isfLines.end() ? 0 : it->second;
    };
    if (isfRead && std::none_of(ctx->channels.begin(), ctx->channels.end(),
                                [](const ChannelSetup& c) { return c.type != kOff; }))
        ck.Problem(r.isfFile, 0, "no channel is configured: the run would extract nothing");

    // The archive.
    const bool rawInput = r.esfRead && es.inputFormat == 4;
    if (!r.archive.empty()) {
        std::string base, extension;
        if (!Exists(r.archive) || IsFolder(r.archive)) {
            ck.Problem(r.archive, 0, "File Error - Can not open Archive file");
        } else if (!SplitArchiveName(r.archive, base, extension)) {
            ck.Problem(r.archive, 0, "File Name Error: Can not Parse Archive File Name");
        } else if (!rawInput) {
            if (!TakeInventory(r.archive, r.inventory)) {
                if (r.inventory.opened)
                    ck.Problem(r.archive, 0, "File Error - Can not read Archive file: " + r.inventory.fault);
                else if (!r.inventory.fault.empty())
                    ck.Problem(r.archive, 0, "File Error - Can not open Archive file: " + r.inventory.fault);
                else
                    ck.Problem(r.archive, 0, "File Error - Can not open Archive file");
            } else {
                r.archiveRead = true;
                const ArchiveInventory& inv = r.inventory;
                if (inv.packets == 0)
                    ck.Problem(r.archive, 0, "no packet found: this is no logger archive, or it is damaged throughout");
                else if (inv.badHeaders > 0)
                    ck.Warning(r.archive, 0,
                               Format("%ld bad headers, %ld bytes skipped while resynchronising", inv.badHeaders,
                                      inv.skippedBytes));
                if (inv.truncatedEnd) ck.Warning(r.archive, 0, "the last packet is truncated");
            }
        }
    }

    // Each configured channel: its device file through its own reader, its data.
    Run run(*ctx);
    ResetMeterRunState(run);
    ResetAllChannels(run);
    for (int c = 1; c < kChannelCount && isfRead; ++c) {
        const ChannelSetup& setup = ctx->channels[static_cast<size_t>(c)];
        if (setup.type == kOff) continue;
        ChannelCheck cc;
        cc.id = c;
        cc.meterType = setup.type;
        cc.keyword = setup.keyword;
        const int line = lineOf(c);
        if (c < 11 || c % 10 == 0)
            ck.Warning(r.isfFile, line, Format("channel %d names no logger port: its file would stay empty", c));
        if (RouteOf(setup.type) == WriterKind::kNone)
            ck.Warning(r.isfFile, line,
                       Format("channel %d: meter type %s has no decoder: its file would have no rows", c,
                              setup.keyword.c_str()));
        if (!Blank(setup.deviceFile)) {
            cc.deviceFile = setup.deviceFile;
            cc.devicePath = FindDeviceFile(r.deviceFolder, setup.deviceFile);
            cc.deviceFound = Exists(cc.devicePath) && !IsFolder(cc.devicePath);
            cc.caseInsensitive = cc.deviceFound && cc.devicePath != DeviceFilePath(r.deviceFolder, setup.deviceFile);
            if (!cc.deviceFound) {
                ck.Problem(r.isfFile, line,
                           Format("channel %d: device file %s not found in %s", c, setup.deviceFile.c_str(),
                                  r.deviceFolder.c_str()));
            } else {
                // A name in another case is no finding: the extraction finds
                // the file the same way (the table says "case differs").
                if (c < kAnalogSlots) ResetAnalogSlot(*ctx, c);
                std::FILE* scratch = std::tmpfile();
                ReadChannelDeviceFile(run, es.dataOutput, c, r.deviceFolder, setup, scratch);
                if (scratch) std::fclose(scratch);
                cc.deviceRead = rec.boxes.empty() && rec.out.empty() &&
                                std::all_of(rec.statuses.begin(), rec.statuses.end(),
                                            [](const std::string& s) { return s.compare(0, 5, "Read ") == 0; });
                ck.TakeMessages(rec, cc.devicePath);
                const char* model = nullptr;
                if (cc.deviceRead && SbeConIsForAnotherModel(*ctx, setup.type)) {
                    SbeRequiredCode(setup.type, &model);
                    ck.Problem(cc.devicePath, 0,
                               Format(".CON file is not selected as %s: the scans of channel %d would not be "
                                      "decoded",
                                      model, c));
                }
            }
        } else if (HasDeviceReader(setup.type) && es.dataOutput == 1) {
            ck.Warning(r.isfFile, line,
                       Format("channel %d: %s names no device file (DEV=): no engineering units", c,
                              setup.keyword.c_str()));
        }
        if (r.archiveRead) {
            const ChannelInventory* data = r.inventory.Channel(c);
            cc.archiveBytes = data ? data->bytes : 0;
            if (!data && c >= 11 && c % 10 != 0)
                ck.Warning(r.isfFile, line,
                           Format("channel %d (%s) carries no data in the archive: its file would have no rows", c,
                                  setup.keyword.c_str()));
        }
        r.channels.push_back(cc);
    }
    rec.Clear();

    // The archive against the setups.
    if (r.archiveRead && r.esfRead && isfRead && r.inventory.packets > 0) {
        for (const ChannelInventory& data : r.inventory.channels)
            if (ctx->channels[static_cast<size_t>(data.id)].type == kOff) {
                r.unconfiguredPorts.push_back(data.id);
                ck.Warning(r.archive, 0,
                           Format("channel %d carries %ld bytes but is not configured: the run would not extract them",
                                  data.id, data.bytes));
            }
        if (es.clockSource >= 1 && es.clockSource <= 4 && !r.inventory.Logger(es.clockSource))
            ck.Problem(r.esfFile, 2,
                       Format("No data packets were found for the KX Logger ID selected as the Clock Source "
                              "(logger %d; the archive holds loggers %s)",
                              es.clockSource, LoggerList(r.inventory).c_str()));

        double from = 0, to = kDefaultTo;
        // The interval fields as the run reads them: milliseconds, or dates
        // placed once the pass below has read the days.
        RecordingReporter intervalMessages;
        IntervalFields dates;
        const bool intervalRead = ReadIntervalFields(intervalMessages, request.fromText, request.toText,
                                                     es.timeStampFormat, from, to, dates);
        auto timedContext = std::make_unique<Context>(rec);
        Run timed(*timedContext);
        TimedPass pass = RunTimedPass(timed, r.archive, es, from, to);
        if (intervalRead && (dates.fromIsDate || dates.toIsDate)) {
            Context placingContext(intervalMessages);
            placingContext.extraction = es;
            Run placing(placingContext);
            placing.julian = timed.julian;
            if (PlaceIntervalDates(placing, dates, from, to))
                pass.inside = pass.anyTimed && from <= pass.last && to >= pass.first;
        }
        for (const RecordingReporter::Box& box : intervalMessages.boxes) ck.Problem("", 0, box.text);
        if (intervalMessages.boxes.empty() && pass.anyTimed && !pass.inside)
            ck.Problem("", 0,
                       Format("the interval %.0f to %.0f ms holds no packet: the time stamps run from %.0f to %.0f ms",
                              from, to, pass.first, pass.last));
        if (IsJulianFormat(es.timeStampFormat)) {
            r.dateLines = pass.dateLines;
            bool type2 = false;
            for (const LoggerInventory& l : r.inventory.loggers)
                type2 = type2 || std::find(l.types.begin(), l.types.end(), 2) != l.types.end();
            if (timed.julian.setCodes.empty() && timed.julian.dateLinesRefused > 0)
                ck.Problem(r.esfFile, 2,
                           Format("the date/time channel %d carries %ld date line(s), all refused (impossible "
                                  "dates or times, or years outside 2000 to 2099): the time stamps would have "
                                  "no date",
                                  es.dateTimeChannel, timed.julian.dateLinesRefused));
            else if (pass.dateLines == 0 && type2 && !timed.julian.setCodes.empty())
                ck.Warning(r.esfFile, 2,
                           Format("the date/time channel %d carries no date line the parser accepts; the days "
                                  "come from the type-2 packet headers",
                                  es.dateTimeChannel));
            else if (pass.dateLines == 0)
                ck.Problem(r.esfFile, 2,
                           Format("the date/time channel %d carries no date line the parser accepts: the Julian "
                                  "time stamps would be 0",
                                  es.dateTimeChannel));
        }
        rec.Clear();
    }

    // The CTD channel.
    if (r.esfRead && isfRead && es.ctdChannel != 0) {
        const int c = es.ctdChannel;
        const int type = c >= 11 && c < kChannelCount ? ctx->channels[static_cast<size_t>(c)].type : kOff;
        if (type != kSbe19)
            ck.Warning(r.esfFile, 2,
                       Format("the CTD channel %d is %s, not an SBE19: the CTD pre-pass would not run", c,
                              type == kOff ? "not configured" : ctx->channels[static_cast<size_t>(c)].keyword.c_str()));
    }

    // The output folder.
    if (!IsFolder(r.outputFolder))
        ck.Problem(r.outputFolder, 0,
                   Format("Please Select a Valid Output Directory: Directory/Folder '%s' Does NOT Exist",
                          r.outputFolder.c_str()));
    else if (access(r.outputFolder.c_str(), W_OK | X_OK) != 0)
        ck.Problem(r.outputFolder, 0, "the output folder is not writable");

    // NetCDF output: the library, the setup's data output, a file in the folder.
    if (request.netcdf) {
        std::string why;
        if (!NetcdfBuiltIn())
            ck.Problem("", 0, "NetCDF output is not built into this program");
        else if (r.esfRead && !(why = NetcdfRequestProblem(es)).empty())
            ck.Problem(r.esfFile, 2, why);
        else if (IsFolder(r.outputFolder) && !NetcdfCanWrite(r.outputFolder, why))
            ck.Problem(r.outputFolder, 0, "no NetCDF file can be written in the output folder: " + why);
    }

    // The merge.
    if (r.esfRead && es.outputFiles == 1)
        CheckMerge(ck, r, ctx->channels);
    else if (!r.msfFile.empty() && r.esfRead)
        ck.Warning(r.msfFile, 0, "the merge setup is not used: the extraction setup asks for individual files");

    r.text = ReportText(r);
    return r;
}

}  // namespace rix
