#include "utilities/FileIo.h"

#include "Context.h"
#include "archive/Archive.h"
#include "extract/Channel.h"
#include "report/Reporter.h"

namespace rix {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}


namespace {

void ReportOpenFailure(Context& ctx, const std::string& path, const char* purpose) {
    ctx.reporter.ShowError(Format("%s File Error", purpose),
                           Format("Unable to open %s", path.c_str()));
}

}  // namespace

bool LoadWholeFile(Context& ctx, const std::string& path, const char* purpose,
                   std::vector<uint8_t>& data) {
    data.clear();
    // Inputs are only read: a read-only input must not be refused.
    std::FILE* in = OpenFile(ctx, path, "rb", purpose);
    if (!in) return false;
    std::vector<uint8_t> chunk(1 << 20);
    bool ok = true;
    for (;;) {
        size_t n = std::fread(chunk.data(), 1, chunk.size(), in);
        data.insert(data.end(), chunk.begin(), chunk.begin() + static_cast<long>(n));
        if (n < chunk.size()) {
            ok = !std::ferror(in);
            break;
        }
    }
    std::fclose(in);
    if (!ok) ReportOpenFailure(ctx, path, purpose);
    return ok;
}

bool OpenArchiveInput(Context& ctx, ArchiveStream& stream, const std::string& path,
                      const char* purpose) {
    if (stream.Open(path)) return true;
    ctx.reporter.ShowError(Format("%s File Error", purpose),
                           "Unable to open " + OpenFaultText(stream, path));
    return false;
}

bool CloseOutput(Context& ctx, std::FILE* file, const std::string& path, const char* purpose) {
    if (!file) return false;
    bool ok = std::fflush(file) == 0 && !std::ferror(file);
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        ctx.reporter.ShowError(Format("%s File Error", purpose),
                               Format("Unable to write %s", path.c_str()));
    }
    return ok;
}

}  // namespace rix
