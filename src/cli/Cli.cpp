#include "Cli.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <map>
#include <memory>
#include <new>

#include "CombineCommand.h"
#include "Context.h"
#include "CruiseCommand.h"
#include "Json.h"
#include "PlotCommand.h"
#include "extract/Rix.h"
#include "inspect/Check.h"
#include "inspect/Inventory.h"
#include "extract/NetcdfRun.h"
#include "extract/NetcdfSink.h"
#include "merge/Files.h"
#include "merge/MergeNetcdf.h"
#include "report/Reporter.h"
#include "setup/Mainsetup.h"
#include "utilities/Builders.h"
#include "utilities/Fileutils.h"

namespace rixcli {

namespace {

const char* const kMainHelp =
    "rix - extract logger archives of ocean instruments into one text file per channel\n"
    "\n"
    "Usage: rix COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  extract     extract every configured channel of an archive (the Extract button)\n"
    "  info        show what an archive holds: loggers, channels, times, damage\n"
    "  check       check that the setups, device files and folders fit an archive\n"
    "  merge       merge a previously extracted file\n"
    "  split       split an archive into one archive per logger ID\n"
    "  to-type2    convert an archive to calendar-time (type 2) packets\n"
    "  from-gomoos build an archive from a GOMOOS file\n"
    "  from-iop    build an archive from an IOP file\n"
    "  plot        draw a quick-look picture of an extracted or merged file\n"
    "  combine     join the NetCDF files of several archives into one\n"
    "\n"
    "Run 'rix COMMAND --help' for the options of a command, 'rix --version' for the version.\n"
    "Options take their value as '--option value' or '--option=value'.\n"
    "Exit status: 0 the operation ran to its end, 1 it stopped on a reported failure,\n"
    "2 usage error, 3 an extraction ran to its end but some channels produced nothing,\n"
    "130 an extraction stopped on Ctrl-C or SIGTERM.\n";

const char* const kExtractHelp =
    "Usage: rix extract [--setup FILE.rix] [--isf FILE] [--esf FILE] [--msf FILE]\n"
    "                   [--devdir DIR] [--outdir DIR] [--from WHEN] [--to WHEN]\n"
    "                   [--daily BASE [--days FROM..TO]] [--jobs N] [--debug] [--show-headers]\n"
    "                   [--verbose] [--json] [--netcdf] [ARCHIVE...]\n"
    "\n"
    "Extracts every configured channel of ARCHIVE into the output folder.\n"
    "Several archives (names, or patterns such as 'cruise/*.0*' that rix expands itself),\n"
    "or a range of daily archives, run N at a time, each exactly as a run of it alone;\n"
    "the run ends with one summary table on standard output (archive, status, channels\n"
    "complete, rows, seconds, why it failed) and the runs' messages go to standard error,\n"
    "each line behind its archive's name. One archive's failure never stops the others.\n"
    "  --setup FILE    main setup file: archive, setup files, folders and run mode\n"
    "                  (the options below override it)\n"
    "  --isf FILE      instrument setup file\n"
    "  --esf FILE      extraction setup file\n"
    "  --msf FILE      merge setup file (for merged output)\n"
    "  --devdir DIR    device file folder (default: the current folder)\n"
    "  --outdir DIR    output folder (default: the current folder)\n"
    "  --from WHEN     start of the extraction interval: milliseconds, or where the\n"
    "                  run knows dates, a date and time YYYY-MM-DD hh:mm:ss\n"
    "  --to WHEN       end of the extraction interval, likewise\n"
    "  --daily BASE    extract yesterday's archive BASEyy.ddd\n"
    "  --days FROM..TO with --daily: the daily archives BASEyy.ddd of the days FROM to TO\n"
    "                  (YYYY-MM-DD, both included)\n"
    "  --jobs N        archives at a time (default: the number of cores)\n"
    "  --debug         write the debug log RIX.LOG in the current folder\n"
    "  --show-headers  show every packet header\n"
    "  --verbose       show the status lines as the run goes\n"
    "  --json          print a summary of the run and of each channel as one JSON document\n"
    "                  (several archives: {\"exit\", \"archives\": [...]}, one entry per archive)\n"
    "  --netcdf        also write BASE.nc (NetCDF-4, CF) beside the text files, and\n"
    "                  BASE_pair.nc for merged output; needs engineering output\n"
    "Exit status: 0 every channel was written, 1 a failure stopped the run (no file is left\n"
    "half-written), 2 usage error, 3 the run ended but some channels produced nothing\n"
    "(their device or calibration file), 130 stopped by Ctrl-C or SIGTERM (the files\n"
    "written so far are complete and listed).\n"
    "Several archives: 0 every archive ran clean, 1 an archive failed or is missing, else 3\n"
    "some channels produced nothing, 130 stopped; 2 (before any run) for two archives of\n"
    "one file name, whose files would overwrite each other.\n";

const char* const kMergeHelp =
    "Usage: rix merge --msf FILE [--devdir DIR] [--outdir DIR] [--netcdf] MRGFILE\n"
    "\n"
    "Merges a previously extracted file (its _MRG working file) as the merge setup says,\n"
    "writing BASE_pair_NN.EXT for every active pair into the output folder.\n"
    "  --msf FILE      merge setup file\n"
    "  --devdir DIR    device file folder: correction and oxygen files (default: the current folder)\n"
    "  --outdir DIR    output folder (default: the current folder)\n"
    "  --netcdf        also write BASE_pair.nc (NetCDF-4, CF) with one group per pair\n"
    "Exit status: 0 the merge ran to its end (warnings included), 1 a failure ended it,\n"
    "2 usage error.\n";

const char* const kSplitHelp =
    "Usage: rix split ARCHIVE\n"
    "\n"
    "Writes one archive per logger ID found in ARCHIVE, named with _ID before the extension.\n";

const char* const kToType2Help =
    "Usage: rix to-type2 [--channel N] [--utc-offset H] INPUT OUTPUT\n"
    "\n"
    "Converts INPUT to calendar-time packets, dated from the date/time channel N\n"
    "(default 21) with the UTC offset H hours (default 0).\n";

const char* const kFromGomoosHelp =
    "Usage: rix from-gomoos INPUT OUTPUT\n"
    "\n"
    "Builds the archive OUTPUT from the GOMOOS file INPUT.\n";

const char* const kFromIopHelp =
    "Usage: rix from-iop INPUT OUTPUT\n"
    "\n"
    "Builds the archive OUTPUT from the IOP file INPUT.\n";

const char* const kInfoHelp =
    "Usage: rix info [--json] ARCHIVE\n"
    "\n"
    "Reads ARCHIVE once and shows, per logger, its packets, packet types, first and last\n"
    "time, span, median packet interval and missing packets (calendar times of type-2\n"
    "packets too); per channel its bytes, packets and first bytes; and the bad headers,\n"
    "skipped bytes and a truncated last packet. Nothing is written.\n"
    "  --json          the same facts as one JSON document\n"
    "Exit status: 0 the archive was read, 1 it cannot be opened, 2 usage error.\n";

const char* const kCheckHelp =
    "Usage: rix check [--setup FILE.rix] [--isf FILE] [--esf FILE] [--msf FILE]\n"
    "                 [--devdir DIR] [--outdir DIR] [--from WHEN] [--to WHEN]\n"
    "                 [--daily BASE] [--json] [--netcdf] [ARCHIVE]\n"
    "\n"
    "Checks what 'rix extract' with the same options would run, writing nothing: the\n"
    "setups' messages, each channel's device file through its reader, the channels'\n"
    "data in ARCHIVE, the clock logger, the date/time lines, the interval, the output\n"
    "folder and the merge pairs. One line per finding, 'problem:' or 'warning:'.\n"
    "  --json          the report as one JSON document\n"
    "  --netcdf        check that NetCDF output can be written as well\n"
    "  (the other options as for 'rix extract')\n"
    "Exit status: 0 no problem found (warnings may stand), 1 a problem found,\n"
    "2 usage error.\n";

void Write(std::FILE* f, const std::string& s) { std::fwrite(s.data(), 1, s.size(), f); }

// A command's report on standard output; false (said on standard error) when
// it cannot be written whole.
bool WriteReport(std::FILE* out, std::FILE* err, const std::string& command, const std::string& text) {
    errno = 0;
    bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    int error = errno;
    if (ok) {
        ok = std::fflush(out) == 0 && !std::ferror(out);
        error = errno;
    }
    if (ok) return true;
    Write(err, "rix " + command + ": cannot write the standard output: " +
                   std::strerror(error != 0 ? error : EIO) + "\n");
    return false;
}

// Ctrl-C and SIGTERM during an extraction ask it to stop, as the window's
// "Reset Status" does: the run ends on a whole row with its files complete.
// A second signal, or a signal during any other command, removes the
// temporary files of the outputs under way and ends the program at once.
std::atomic<std::atomic<bool>*> gStopRequest{nullptr};

extern "C" void OnSignal(int signal) {
    std::atomic<bool>* stop = gStopRequest.load();
    if (stop && !stop->exchange(true)) return;
    rix::RemoveTemporaryOutputs();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

class Signals {
public:
    // stop: the run's stop request, or null when a signal ends the command.
    explicit Signals(std::atomic<bool>* stop) {
        gStopRequest.store(stop);
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
        // A signal the caller ignores (nohup, a shell's background job) stays ignored.
        if (oldInt_.sa_handler == SIG_IGN) sigaction(SIGINT, &oldInt_, nullptr);
        if (oldTerm_.sa_handler == SIG_IGN) sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    ~Signals() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        gStopRequest.store(nullptr);
    }
    Signals(const Signals&) = delete;
    Signals& operator=(const Signals&) = delete;

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

// The command as typed, for the history of the files it writes.
std::string CommandLine(const std::vector<std::string>& args) {
    std::string line = "rix";
    for (const std::string& a : args) {
        const bool plain = !a.empty() && a.find_first_of(" \t'\"\\$") == std::string::npos;
        line += " " + (plain ? a : "'" + a + "'");
    }
    return line;
}

int Usage(std::FILE* err, const std::string& command, const std::string& message, const char* help) {
    Write(err, (command.empty() ? "rix: " : "rix " + command + ": ") + message + "\n");
    Write(err, help);
    return 2;
}

bool ParseInt(const std::string& text, int& value) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < -100000 || v > 100000) return false;
    value = static_cast<int>(v);
    return true;
}

bool IsPlaceholder(const std::string& text) {
    return text.empty() || text == "*.000 to *.999" || text == "*.ISF" || text == "*.ESF" ||
           text == "*.MSF" || text == "*.*" || text == "*****";
}

// One line on a terminal, rewritten as the run goes.
struct ProgressLine {
    std::FILE* err;
    std::string last;
    void Show(const rix::RunProgress& p) {
        // One read serves every channel: the share of the archive read.
        std::string line = rix::Format("Reading the archive %3d%%", rix::RunPercent(p));
        if (line == last) return;
        last = line;
        Write(err, "\r" + line);
        std::fflush(err);
    }
    void End() {
        if (last.empty()) return;
        Write(err, "\r" + std::string(last.size(), ' ') + "\r");
        std::fflush(err);
        last.clear();
    }
};

// A text option: its value, and whether it was given.
struct Text {
    std::string value;
    CLI::Option* option = nullptr;
    bool given() const { return option && option->count() > 0; }
};

void AddText(CLI::App* app, Text& t, const std::string& name) { t.option = app->add_option(name, t.value); }

// The options extract and check share: what the Extract button gathers.
struct RequestOptions {
    Text setup, isf, esf, msf, devdir, outdir, from, to, daily, archive;
    std::vector<std::string> archives;  // extract takes several

    void Add(CLI::App* app, bool many = false) {
        AddText(app, setup, "--setup");
        AddText(app, isf, "--isf");
        AddText(app, esf, "--esf");
        AddText(app, msf, "--msf");
        AddText(app, devdir, "--devdir");
        AddText(app, outdir, "--outdir");
        AddText(app, from, "--from");
        AddText(app, to, "--to");
        AddText(app, daily, "--daily");
        if (many)
            archive.option = app->add_option("ARCHIVE", archives);
        else
            AddText(app, archive, "ARCHIVE");
    }

    // 0 ready, 1 the main setup cannot be read, 2 usage error (reported).
    int Build(rix::ExtractRequest& request, const std::string& command, const char* help, bool needArchive,
              std::FILE* err) const {
        if (setup.given()) {
            rix::MainSetup main;
            if (!rix::LoadMainSetup(main, setup.value)) {
                Write(err, "rix " + command + ": cannot read the main setup file '" + setup.value + "'\n");
                return 1;
            }
            request.runMode = main.mode == 1 ? 1 : 0;
            if (!IsPlaceholder(main.archiveFile)) request.archive = main.archiveFile;
            if (!IsPlaceholder(main.isfFile)) request.isfFile = main.isfFile;
            if (!IsPlaceholder(main.esfFile)) request.esfFile = main.esfFile;
            if (!IsPlaceholder(main.mergeFile)) request.msfFile = main.mergeFile;
            if (!IsPlaceholder(main.baseArchive)) request.baseArchive = main.baseArchive;
            if (!IsPlaceholder(main.deviceFolder)) request.deviceFolder = main.deviceFolder;
            if (!IsPlaceholder(main.outputFolder)) request.outputFolder = main.outputFolder;
        }
        if (isf.given()) request.isfFile = isf.value;
        if (esf.given()) request.esfFile = esf.value;
        if (msf.given()) request.msfFile = msf.value;
        if (devdir.given()) request.deviceFolder = devdir.value;
        if (outdir.given()) request.outputFolder = outdir.value;
        if (from.given()) request.fromText = from.value;
        if (to.given()) request.toText = to.value;
        if (archive.given()) {
            request.archive = archives.empty() ? archive.value : archives.front();
            request.runMode = 0;
        }
        if (daily.given()) {
            request.runMode = 1;
            request.baseArchive = daily.value;
        }
        if (needArchive && request.runMode != 1 && request.archive.empty())
            return Usage(err, command, "no archive given", help);
        if (request.isfFile.empty())
            return Usage(err, command, "no instrument setup file given (--isf)", help);
        if (request.esfFile.empty())
            return Usage(err, command, "no extraction setup file given (--esf)", help);
        return 0;
    }
};

}  // namespace

int Main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return Run(args, stdout, stderr);
}

int Guarded(std::FILE* err, const std::function<int()>& command) {
    try {
        return command();
    } catch (const std::bad_alloc&) {
        Write(err, "rix: out of memory: the operation was stopped and its outputs removed\n");
    } catch (const std::exception& e) {
        Write(err, std::string("rix: the operation was stopped by an error: ") + e.what() + "\n");
    } catch (...) {
        Write(err, "rix: the operation was stopped by an unknown error\n");
    }
    return 1;
}

int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    return Guarded(err, [&]() { return RunCommand(args, out, err); });
}

int RunCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    CLI::App app("rix", "rix");
    const std::map<std::string, const char*> helps = {
        {"rix", kMainHelp},           {"extract", kExtractHelp},   {"merge", kMergeHelp},
        {"split", kSplitHelp},        {"to-type2", kToType2Help},  {"from-gomoos", kFromGomoosHelp},
        {"from-iop", kFromIopHelp},   {"info", kInfoHelp},         {"check", kCheckHelp},
        {"help", kMainHelp},          {"plot", kPlotHelp},         {"combine", kCombineHelp}};
    auto helpOf = [&](const CLI::App* a) {
        auto it = helps.find(a ? a->get_name() : "rix");
        return it == helps.end() ? kMainHelp : it->second;
    };
    app.formatter(std::make_shared<CLI::FormatterLambda>(
        [&](const CLI::App* a, std::string, CLI::AppFormatMode) { return std::string(helpOf(a)); }));
    app.set_version_flag("--version", "rix " RIX_VERSION);
    app.require_subcommand(1, 1);
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    CLI::App* extract = app.add_subcommand("extract");
    RequestOptions extractOptions;
    extractOptions.Add(extract, true);
    bool debug = false, showHeaders = false, verbose = false, extractJson = false, extractNetcdf = false;
    Text days, jobs;
    AddText(extract, days, "--days");
    AddText(extract, jobs, "--jobs");
    extract->add_flag("--debug", debug);
    extract->add_flag("--show-headers", showHeaders);
    extract->add_flag("--verbose", verbose);
    extract->add_flag("--json", extractJson);
    extract->add_flag("--netcdf", extractNetcdf);

    CLI::App* check = app.add_subcommand("check");
    RequestOptions checkOptions;
    checkOptions.Add(check);
    bool checkJson = false, checkNetcdf = false;
    check->add_flag("--json", checkJson);
    check->add_flag("--netcdf", checkNetcdf);

    CLI::App* info = app.add_subcommand("info");
    Text infoArchive;
    AddText(info, infoArchive, "ARCHIVE");
    bool infoJson = false;
    info->add_flag("--json", infoJson);

    CLI::App* merge = app.add_subcommand("merge");
    Text msf, devdir, outdir, mrg;
    AddText(merge, msf, "--msf");
    AddText(merge, devdir, "--devdir");
    AddText(merge, outdir, "--outdir");
    AddText(merge, mrg, "MRGFILE");
    bool mergeNetcdf = false;
    merge->add_flag("--netcdf", mergeNetcdf);

    CLI::App* split = app.add_subcommand("split");
    Text splitArchive;
    AddText(split, splitArchive, "ARCHIVE");

    CLI::App* toType2 = app.add_subcommand("to-type2");
    Text channelText, offsetText;
    std::vector<std::string> convertFiles, gomoosFiles, iopFiles;
    AddText(toType2, channelText, "--channel");
    AddText(toType2, offsetText, "--utc-offset");
    toType2->add_option("FILES", convertFiles);

    CLI::App* fromGomoos = app.add_subcommand("from-gomoos");
    fromGomoos->add_option("FILES", gomoosFiles);
    CLI::App* fromIop = app.add_subcommand("from-iop");
    fromIop->add_option("FILES", iopFiles);
    CLI::App* combine = app.add_subcommand("combine");
    std::vector<std::string> combineFiles;
    combine->add_option("FILES", combineFiles);
    CLI::App* help = app.add_subcommand("help")->group("");
    PlotOptions plotOptions;
    AddPlotCommand(app, plotOptions);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForVersion& e) {
        Write(out, std::string(e.what()) + "\n");
        return 0;
    } catch (const CLI::ParseError& e) {
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        const CLI::App* command = chosen.empty() ? nullptr : chosen.front();
        if (e.get_exit_code() == 0) {  // --help
            Write(out, helpOf(command));
            return 0;
        }
        if (args.empty()) {
            Write(err, kMainHelp);
            return 2;
        }
        if (!command && args[0].compare(0, 1, "-") != 0)
            return Usage(err, "", "unknown command '" + args[0] + "'", kMainHelp);
        return Usage(err, command ? command->get_name() : "", e.what(), helpOf(command));
    }

    if (*help) {
        Write(out, kMainHelp);
        return 0;
    }
    // Outputs of the other commands are removed when a signal ends them.
    std::unique_ptr<Signals> signals;
    if (!*extract) signals = std::make_unique<Signals>(nullptr);
    if (*plotOptions.command) return RunPlotCommand(plotOptions, out, err);
    if (*combine) return RunCombineCommand(combineFiles, out, err);
    if (*extract) {
        rix::ExtractRequest request;
        if (int code = extractOptions.Build(request, "extract", kExtractHelp, true, err)) return code;
        request.showHeaders = showHeaders;
        request.netcdf = extractNetcdf;
        request.program = "rix " RIX_VERSION;
        request.command = CommandLine(args);
        if (extractNetcdf && !rix::NetcdfBuiltIn())
            return Usage(err, "extract", "NetCDF output is not built into this program", kExtractHelp);
        CruiseOptions cruise;
        cruise.archives = extractOptions.archives;
        cruise.days = days.value;
        cruise.jobs = jobs.value;
        cruise.json = extractJson;
        cruise.verbose = verbose;
        cruise.debug = debug;
        if (days.given() && !extractOptions.daily.given() && request.baseArchive.empty())
            return Usage(err, "extract", "--days needs the base name of the daily archives (--daily BASE)",
                         kExtractHelp);
        if (IsCruise(cruise, jobs.given())) {
            if (days.given()) cruise.dailyBase = request.baseArchive;
            if (!days.given() && extractOptions.daily.given())
                return Usage(err, "extract", "--daily without --days names one archive: give no other", kExtractHelp);
            // Ctrl-C and SIGTERM stop every run under way on a whole row.
            std::atomic<bool> stop{false};
            Signals stopOnSignal(&stop);
            return RunCruiseCommand(cruise, request, stop, out, err, kExtractHelp);
        }
        // With --json standard output holds the summary alone.
        rix::StreamReporter reporter(extractJson ? err : out, err, verbose);
        rix::Context ctx(reporter);
        ctx.log.enabled = debug;
        // On a terminal, without --verbose, one line follows the run.
        ProgressLine progress{err, {}};
        if (!verbose && isatty(fileno(err)))
            ctx.control.progress = [&progress](const rix::RunProgress& rp) { progress.Show(rp); };
        rix::ExtractResult result;
        {
            Signals signals(&ctx.control.stopRequested);
            rix::ExtractButtonClick(ctx, request, &result);
        }
        progress.End();
        if (result.archiveLabel == "No Archive File Name") Write(err, "rix extract: No Archive File Name\n");
        reporter.FinishRun();
        int code = result.summary.exitCode;
        if (result.usageError) return 2;
        if (extractJson && !WriteReport(out, err, "extract", JsonText(RunJson(result.summary)))) code = 1;
        return code;
    }
    if (*check) {
        rix::ExtractRequest request;
        if (int code = checkOptions.Build(request, "check", kCheckHelp, false, err)) return code;
        request.netcdf = checkNetcdf;
        const rix::CheckReport report = rix::CheckSetup(request);
        if (!WriteReport(out, err, "check", checkJson ? JsonText(CheckJson(report)) : report.text)) return 1;
        return report.Clean() ? 0 : 1;
    }
    if (*info) {
        if (!infoArchive.given()) return Usage(err, "info", "one archive is needed", kInfoHelp);
        rix::ArchiveInventory inventory;
        if (!rix::TakeInventory(infoArchive.value, inventory)) {
            const char* what = inventory.opened ? "read" : "open";
            Write(err, std::string("rix info: cannot ") + what + " the archive '" + infoArchive.value + "'" +
                           (inventory.fault.empty() ? "" : ": " + inventory.fault) + "\n");
            return 1;
        }
        if (!WriteReport(out, err, "info", infoJson ? JsonText(InventoryJson(inventory)) : rix::InventoryText(inventory)))
            return 1;
        return 0;
    }
    if (*merge) {
        if (!mrg.given()) return Usage(err, "merge", "one merge working file (MRGFILE) is needed", kMergeHelp);
        if (!msf.given()) return Usage(err, "merge", "no merge setup file given (--msf)", kMergeHelp);
        if (mergeNetcdf && !rix::NetcdfBuiltIn())
            return Usage(err, "merge", "NetCDF output is not built into this program", kMergeHelp);
        rix::StreamReporter reporter(out, err, false);
        rix::Context ctx(reporter);
        const std::string outputFolder = outdir.given() ? outdir.value : ".";
        int ok = rix::MergeFiles(ctx, msf.value, mrg.value, devdir.given() ? devdir.value : ".", outputFolder);
        if (ok && mergeNetcdf) {
            const rix::NetcdfFileInfo info =
                rix::MergeFileInfo(msf.value, mrg.value, "rix " RIX_VERSION, CommandLine(args));
            // The year of day-of-year keys is not known to a merge on its own.
            if (!rix::WriteMergedNetcdf(ctx, outputFolder, info, 0)) ok = 0;
        }
        reporter.FinishRun();
        return ok ? 0 : 1;
    }
    if (*split) {
        if (!splitArchive.given()) return Usage(err, "split", "one archive is needed", kSplitHelp);
        rix::StreamReporter reporter(out, err, false);
        rix::Context ctx(reporter);
        return rix::SplitByLoggerId(ctx, splitArchive.value) ? 0 : 1;
    }
    if (*toType2) {
        if (convertFiles.size() != 2) return Usage(err, "to-type2", "INPUT and OUTPUT are needed", kToType2Help);
        int channel = 21, offset = 0;
        if (channelText.given() && (!ParseInt(channelText.value, channel) || channel < 11 || channel > 49))
            return Usage(err, "to-type2", "the channel must be 11 to 49", kToType2Help);
        if (offsetText.given() && (!ParseInt(offsetText.value, offset) || offset < -12 || offset > 12))
            return Usage(err, "to-type2", "the UTC offset must be -12 to 12", kToType2Help);
        rix::StreamReporter reporter(out, err, false);
        rix::Context ctx(reporter);
        return rix::ConvertToType2(ctx, channel, offset, convertFiles[0], convertFiles[1]) ? 0 : 1;
    }
    const bool iop = static_cast<bool>(*fromIop);
    const std::vector<std::string>& files = iop ? iopFiles : gomoosFiles;
    const char* buildHelp = iop ? kFromIopHelp : kFromGomoosHelp;
    const std::string name = iop ? "from-iop" : "from-gomoos";
    if (files.size() != 2) return Usage(err, name, "INPUT and OUTPUT are needed", buildHelp);
    rix::StreamReporter reporter(out, err, false);
    rix::Context ctx(reporter);
    int ok = iop ? rix::BuildFromIop(ctx, files[0], files[1]) : rix::BuildFromGomoos(ctx, files[0], files[1]);
    return ok ? 0 : 1;
}

}  // namespace rixcli
