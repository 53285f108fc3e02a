#include "extract/NetcdfRun.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <thread>

#include "Context.h"
#include "extract/CfNames.h"
#include "extract/Rix.h"
#include "utilities/FileIo.h"
#include "utilities/Sha256.h"

namespace rix {

namespace {

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char out[40];
    std::strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return out;
}

// The archive's SHA-256, read on a thread of its own while the extraction
// runs (a quarter of a second per 100 MB that would otherwise lengthen the
// run). Given up when the run is: the destructor stops the reading.
class FileDigest {
public:
    explicit FileDigest(std::string path)
        : thread_([this, path = std::move(path)] { ok_ = Sha256File(path, hex_, &cancel_); }) {}
    ~FileDigest() {
        cancel_ = true;
        if (thread_.joinable()) thread_.join();
    }
    FileDigest(const FileDigest&) = delete;
    FileDigest& operator=(const FileDigest&) = delete;
    // The digest in hexadecimal, empty when the file could not be read.
    std::string Get() {
        if (thread_.joinable()) thread_.join();
        return ok_ ? hex_ : std::string();
    }

private:
    std::atomic<bool> cancel_{false};
    bool ok_ = false;
    std::string hex_;
    std::thread thread_;  // last: starts when the rest is made
};

}  // namespace

std::string NetcdfRequestProblem(const ExtractionSetup& setup) {
    if (!NetcdfBuiltIn()) return "NetCDF output is not built into this program";
    if (setup.inputFormat == 4)
        return "NetCDF needs engineering output and the extraction setup asks for a raw file";
    if (setup.dataOutput == 0) return "NetCDF needs engineering output and the extraction setup asks for raw data";
    return "";
}

NetcdfFileInfo RunFileInfo(const ExtractRequest& request, const std::string& archivePath) {
    NetcdfFileInfo info;
    const std::string archive = BaseName(archivePath);
    info.title = "Logger archive " + archive + " extracted by RIX";
    auto add = [&info](const std::string& name, const std::string& value) {
        if (!value.empty()) info.attributes.emplace_back(name, value);
    };
    add("source_archive", archive);
    std::error_code ec;
    const auto size = std::filesystem::file_size(archivePath, ec);
    if (!ec) add("source_archive_size_bytes", std::to_string(size));
    auto digest = std::make_shared<FileDigest>(archivePath);
    info.late.emplace_back("source_archive_sha256", [digest] { return digest->Get(); });
    add("instrument_setup_file", BaseName(request.isfFile));
    add("extraction_setup_file", BaseName(request.esfFile));
    if (!request.msfFile.empty()) add("merge_setup_file", BaseName(request.msfFile));
    add("program", request.program);
    add("history", UtcNow() + " " + (request.command.empty() ? request.program + " extract" : request.command));
    add("date_created", UtcNow());
    add("netcdf_library_version", NetcdfLibraryVersion());
    return info;
}

NetcdfFileInfo MergeFileInfo(const std::string& mergeSetupPath, const std::string& workingFile,
                             const std::string& program, const std::string& command) {
    NetcdfFileInfo info;
    auto add = [&info](const std::string& name, const std::string& value) {
        if (!value.empty()) info.attributes.emplace_back(name, value);
    };
    add("merge_working_file", BaseName(workingFile));
    add("merge_setup_file", BaseName(mergeSetupPath));
    add("program", program);
    add("history", UtcNow() + " " + command);
    add("date_created", UtcNow());
    add("netcdf_library_version", NetcdfLibraryVersion());
    return info;
}

NetcdfRun::~NetcdfRun() {
    Detach();
    if (sink_) sink_->Abandon();
}

void NetcdfRun::Detach() {
    if (!ctx_) return;
    std::vector<SampleSink*>& extra = ctx_->sinks.extra;
    extra.erase(std::remove(extra.begin(), extra.end(), static_cast<SampleSink*>(sink_.get())), extra.end());
    ctx_->sinks.needsCalendar = false;
    ctx_ = nullptr;
}

void NetcdfRun::Start(Run& run, const ExtractRequest& request, const std::string& archivePath,
                      const RunPaths& paths) {
    Context& ctx = run.ctx;
    started_ = true;
    info_ = RunFileInfo(request, archivePath);
    path_ = NetcdfPathFor(paths.outputFolder, paths.baseName);
    NetcdfTime time;
    const JulianState* julian = &run.julian;
    time.known = [julian]() { return !julian->setCodes.empty(); };
    time.epochSeconds = [julian](double ms) { return EpochSecondsOf(*julian, ms); };
    const int format = ctx.extraction.timeStampFormat;
    time.loggerTimeMeaning = format == 0 || format == 2
                                 ? "time since the start of the file (the clock logger's first packet)"
                                 : "time since logger power-on";
    sink_ = std::make_unique<NetcdfSink>(ctx.reporter, path_, info_, time);
    if (!sink_->Open()) return;  // reported; the text files are written all the same
    ctx.sinks.extra.push_back(sink_.get());
    ctx.sinks.needsCalendar = true;
    ctx_ = &ctx;
}

bool NetcdfRun::End(Run& run, bool ok) {
    if (!started_) return true;
    Detach();
    bool written = false;
    if (sink_ && !sink_->Failed()) {
        if (ok) written = sink_->Finish();
        else sink_->Abandon();
    }
    sink_.reset();
    started_ = false;
    if (ok && !written) {
        NoteFailedOutput(run, path_);
        return false;
    }
    return true;
}

}  // namespace rix
