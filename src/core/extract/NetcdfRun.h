// The NetCDF output of an extraction: its sink made and attached to the run
// before the run, finished or abandoned with the run's outcome after it.
#pragma once
#include <memory>
#include <string>

#include "extract/NetcdfSink.h"

namespace rix {

struct Context;
struct Run;
struct ExtractRequest;
struct ExtractionSetup;
struct RunPaths;

// The global attributes of a run's NetCDF files: title, archive (name, size,
// SHA-256), setup files, program, history, library.
NetcdfFileInfo RunFileInfo(const ExtractRequest& request, const std::string& archivePath);
// The same for a merge on its own: the working file instead of the archive.
NetcdfFileInfo MergeFileInfo(const std::string& mergeSetupPath, const std::string& workingFile,
                             const std::string& program, const std::string& command);

class NetcdfRun {
public:
    NetcdfRun() = default;
    ~NetcdfRun();  // detached, and abandoned unless ended
    NetcdfRun(const NetcdfRun&) = delete;
    NetcdfRun& operator=(const NetcdfRun&) = delete;

    // Makes BASE.nc's sink, opens it under its temporary name and attaches it
    // to ctx.sinks (the date pre-pass then runs). When it cannot be opened
    // (reported) the run goes on without it and End says it failed.
    void Start(Run& run, const ExtractRequest& request, const std::string& archivePath, const RunPaths& paths);
    // Detaches the sink and finishes it when the run completed (ok), else
    // abandons it. False when the file could not be written: it is then
    // noted as the run's failed output.
    bool End(Run& run, bool ok);
    bool Active() const { return started_; }
    const NetcdfFileInfo& Info() const { return info_; }

private:
    void Detach();
    Context* ctx_ = nullptr;
    std::unique_ptr<NetcdfSink> sink_;
    NetcdfFileInfo info_;
    std::string path_;
    bool started_ = false;
};

}  // namespace rix
