#include "Cli.h"

#include <unistd.h>

#include <cstring>
#include <map>
#include <set>

#include "Context.h"
#include "extract/Rix.h"
#include "merge/Files.h"
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
    "  merge       merge a previously extracted file\n"
    "  split       split an archive into one archive per logger ID\n"
    "  to-type2    convert an archive to calendar-time (type 2) packets\n"
    "  from-gomoos build an archive from a GOMOOS file\n"
    "  from-iop    build an archive from an IOP file\n"
    "\n"
    "Run 'rix COMMAND --help' for the options of a command.\n"
    "Exit status: 0 the operation ran to its end, 1 it stopped on a reported failure,\n"
    "2 usage error.\n";

const char* const kExtractHelp =
    "Usage: rix extract [--setup FILE.rix] [--isf FILE] [--esf FILE] [--msf FILE]\n"
    "                   [--devdir DIR] [--outdir DIR] [--from MS] [--to MS]\n"
    "                   [--daily BASE] [--debug] [--show-headers] [--verbose] [ARCHIVE]\n"
    "\n"
    "Extracts every configured channel of ARCHIVE into the output folder.\n"
    "  --setup FILE    main setup file: archive, setup files, folders and run mode\n"
    "                  (the options below override it)\n"
    "  --isf FILE      instrument setup file\n"
    "  --esf FILE      extraction setup file\n"
    "  --msf FILE      merge setup file (for merged output)\n"
    "  --devdir DIR    device file folder (default: the current folder)\n"
    "  --outdir DIR    output folder (default: the current folder)\n"
    "  --from MS       start of the extraction interval, milliseconds\n"
    "  --to MS         end of the extraction interval, milliseconds\n"
    "  --daily BASE    extract yesterday's archive BASEyy.ddd\n"
    "  --debug         write the debug log RIX.LOG in the current folder\n"
    "  --show-headers  show every packet header\n"
    "  --verbose       show the status lines as the run goes\n";

const char* const kMergeHelp =
    "Usage: rix merge --msf FILE [--devdir DIR] [--outdir DIR] MRGFILE\n"
    "\n"
    "Merges a previously extracted file (its _MRG working file) as the merge setup says,\n"
    "writing BASE_pair_NN.EXT for every active pair into the output folder.\n"
    "  --msf FILE      merge setup file\n"
    "  --devdir DIR    device file folder: correction and oxygen files (default: the current folder)\n"
    "  --outdir DIR    output folder (default: the current folder)\n"
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

void Write(std::FILE* f, const std::string& s) { std::fwrite(s.data(), 1, s.size(), f); }

// Options with values, flags and positional arguments of one command.
struct Parsed {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> positional;
    std::string error;
    bool help = false;
};

Parsed ParseArgs(const std::vector<std::string>& args, size_t first,
                 const std::set<std::string>& valueOptions, const std::set<std::string>& flagOptions) {
    Parsed p;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            p.help = true;
            continue;
        }
        if (a == "--") {
            for (++i; i < args.size(); ++i) p.positional.push_back(args[i]);
            break;
        }
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a, value;
            bool inlineValue = false;
            size_t eq = a.find('=');
            if (eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
                inlineValue = true;
            }
            if (valueOptions.count(name)) {
                if (!inlineValue) {
                    if (i + 1 >= args.size()) {
                        p.error = "option " + name + " needs a value";
                        return p;
                    }
                    value = args[++i];
                }
                p.values[name] = value;
            } else if (flagOptions.count(name) && !inlineValue) {
                p.flags.insert(name);
            } else {
                p.error = "unknown option " + a;
                return p;
            }
            continue;
        }
        p.positional.push_back(a);
    }
    return p;
}

int Usage(std::FILE* err, const std::string& command, const std::string& message, const char* help) {
    Write(err, "rix " + command + ": " + message + "\n");
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
        std::string line = rix::Format("Channel %d (%d of %d) %3d%%", p.channel, p.index, p.count,
                                       rix::RunPercent(p));
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

int Extract(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    Parsed p = ParseArgs(args, 1,
                         {"--setup", "--isf", "--esf", "--msf", "--devdir", "--outdir", "--from",
                          "--to", "--daily"},
                         {"--debug", "--show-headers", "--verbose"});
    if (p.help) {
        Write(out, kExtractHelp);
        return 0;
    }
    if (!p.error.empty()) return Usage(err, "extract", p.error, kExtractHelp);
    if (p.positional.size() > 1) return Usage(err, "extract", "more than one archive given", kExtractHelp);

    rix::ExtractRequest request;
    if (p.values.count("--setup")) {
        rix::MainSetup setup;
        const std::string& path = p.values["--setup"];
        if (!rix::LoadMainSetup(setup, path)) {
            Write(err, "rix extract: cannot read the main setup file '" + path + "'\n");
            return 1;
        }
        request.runMode = setup.mode == 1 ? 1 : 0;
        if (!IsPlaceholder(setup.archiveFile)) request.archive = setup.archiveFile;
        if (!IsPlaceholder(setup.isfFile)) request.isfFile = setup.isfFile;
        if (!IsPlaceholder(setup.esfFile)) request.esfFile = setup.esfFile;
        if (!IsPlaceholder(setup.mergeFile)) request.msfFile = setup.mergeFile;
        if (!IsPlaceholder(setup.baseArchive)) request.baseArchive = setup.baseArchive;
        if (!IsPlaceholder(setup.deviceFolder)) request.deviceFolder = setup.deviceFolder;
        if (!IsPlaceholder(setup.outputFolder)) request.outputFolder = setup.outputFolder;
    }
    if (p.values.count("--isf")) request.isfFile = p.values["--isf"];
    if (p.values.count("--esf")) request.esfFile = p.values["--esf"];
    if (p.values.count("--msf")) request.msfFile = p.values["--msf"];
    if (p.values.count("--devdir")) request.deviceFolder = p.values["--devdir"];
    if (p.values.count("--outdir")) request.outputFolder = p.values["--outdir"];
    if (p.values.count("--from")) request.fromText = p.values["--from"];
    if (p.values.count("--to")) request.toText = p.values["--to"];
    if (!p.positional.empty()) {
        request.archive = p.positional[0];
        request.runMode = 0;
    }
    if (p.values.count("--daily")) {
        request.runMode = 1;
        request.baseArchive = p.values["--daily"];
    }
    request.showHeaders = p.flags.count("--show-headers") > 0;

    if (request.runMode != 1 && request.archive.empty())
        return Usage(err, "extract", "no archive given", kExtractHelp);
    if (request.isfFile.empty())
        return Usage(err, "extract", "no instrument setup file given (--isf)", kExtractHelp);
    if (request.esfFile.empty())
        return Usage(err, "extract", "no extraction setup file given (--esf)", kExtractHelp);

    rix::StreamReporter reporter(out, err, p.flags.count("--verbose") > 0);
    rix::Context ctx(reporter);
    ctx.log.enabled = p.flags.count("--debug") > 0;
    ProgressLine progress{err, {}};
    if (p.flags.count("--verbose") == 0 && isatty(fileno(err)))
        ctx.run.progress = [&progress](const rix::RunProgress& rp) { progress.Show(rp); };
    rix::ExtractResult result;
    rix::ExtractButtonClick(ctx, request, &result);
    progress.End();
    if (result.archiveLabel == "No Archive File Name") Write(err, "rix extract: No Archive File Name\n");
    reporter.FinishRun();
    return result.outcome == rix::ExtractOutcome::kDone ? 0 : 1;
}

int Merge(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    Parsed p = ParseArgs(args, 1, {"--msf", "--devdir", "--outdir"}, {});
    if (p.help) {
        Write(out, kMergeHelp);
        return 0;
    }
    if (!p.error.empty()) return Usage(err, "merge", p.error, kMergeHelp);
    if (p.positional.size() != 1) return Usage(err, "merge", "one merge working file (MRGFILE) is needed", kMergeHelp);
    if (!p.values.count("--msf")) return Usage(err, "merge", "no merge setup file given (--msf)", kMergeHelp);
    rix::StreamReporter reporter(out, err, false);
    rix::Context ctx(reporter);
    const std::string deviceFolder = p.values.count("--devdir") ? p.values["--devdir"] : ".";
    const std::string outputFolder = p.values.count("--outdir") ? p.values["--outdir"] : ".";
    int ok = rix::MergeFiles(ctx, p.values["--msf"], p.positional[0], deviceFolder, outputFolder);
    reporter.FinishRun();
    return ok ? 0 : 1;
}

int Split(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    Parsed p = ParseArgs(args, 1, {}, {});
    if (p.help) {
        Write(out, kSplitHelp);
        return 0;
    }
    if (!p.error.empty()) return Usage(err, "split", p.error, kSplitHelp);
    if (p.positional.size() != 1) return Usage(err, "split", "one archive is needed", kSplitHelp);
    const std::string& input = p.positional[0];
    std::FILE* probe = std::fopen(input.c_str(), "rb");
    bool readable = probe != nullptr;
    if (probe) std::fclose(probe);
    rix::StreamReporter reporter(out, err, false);
    rix::Context ctx(reporter);
    rix::SplitByLoggerId(ctx, input);
    return readable ? 0 : 1;
}

int ToType2(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    Parsed p = ParseArgs(args, 1, {"--channel", "--utc-offset"}, {});
    if (p.help) {
        Write(out, kToType2Help);
        return 0;
    }
    if (!p.error.empty()) return Usage(err, "to-type2", p.error, kToType2Help);
    if (p.positional.size() != 2) return Usage(err, "to-type2", "INPUT and OUTPUT are needed", kToType2Help);
    int channel = 21, offset = 0;
    if (p.values.count("--channel") &&
        (!ParseInt(p.values["--channel"], channel) || channel < 11 || channel > 49))
        return Usage(err, "to-type2", "the channel must be 11 to 49", kToType2Help);
    if (p.values.count("--utc-offset") &&
        (!ParseInt(p.values["--utc-offset"], offset) || offset < -12 || offset > 12))
        return Usage(err, "to-type2", "the UTC offset must be -12 to 12", kToType2Help);
    rix::StreamReporter reporter(out, err, false);
    rix::Context ctx(reporter);
    return rix::ConvertToType2(ctx, channel, offset, p.positional[0], p.positional[1]) ? 0 : 1;
}

int Build(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, bool iop) {
    const char* help = iop ? kFromIopHelp : kFromGomoosHelp;
    const std::string name = iop ? "from-iop" : "from-gomoos";
    Parsed p = ParseArgs(args, 1, {}, {});
    if (p.help) {
        Write(out, help);
        return 0;
    }
    if (!p.error.empty()) return Usage(err, name, p.error, help);
    if (p.positional.size() != 2) return Usage(err, name, "INPUT and OUTPUT are needed", help);
    rix::StreamReporter reporter(out, err, false);
    rix::Context ctx(reporter);
    int ok = iop ? rix::BuildFromIop(ctx, p.positional[0], p.positional[1])
                 : rix::BuildFromGomoos(ctx, p.positional[0], p.positional[1]);
    return ok ? 0 : 1;
}

}  // namespace

int Main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return Run(args, stdout, stderr);
}

int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    if (args.empty()) {
        Write(err, kMainHelp);
        return 2;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        Write(out, kMainHelp);
        return 0;
    }
    if (command == "extract") return Extract(args, out, err);
    if (command == "merge") return Merge(args, out, err);
    if (command == "split") return Split(args, out, err);
    if (command == "to-type2") return ToType2(args, out, err);
    if (command == "from-gomoos") return Build(args, out, err, false);
    if (command == "from-iop") return Build(args, out, err, true);
    Write(err, "rix: unknown command '" + command + "'\n");
    Write(err, kMainHelp);
    return 2;
}

}  // namespace rixcli
