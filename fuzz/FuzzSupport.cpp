#include "FuzzSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "Context.h"
#include "extract/Channel.h"
#include "extract/Rix.h"
#include "meters/Analog.h"
#include "meters/Devfile.h"
#include "meters/Satlantic.h"
#include "setup/MeterType.h"

namespace rixfuzz {

namespace {

void RemoveScratch() {
    std::error_code ec;
    std::filesystem::remove_all(ScratchDir(), ec);
}

}  // namespace

const std::string& ScratchDir() {
    // Never destroyed: the exit handler below still needs it.
    static const std::string* dir = new std::string([] {
        // The readers open, write and remove files for every input: on the
        // memory file system that costs a fraction of a disk's file system.
        std::string base = "/dev/shm";
        if (access(base.c_str(), W_OK | X_OK) != 0) {
            const char* tmp = std::getenv("TMPDIR");
            base = tmp && *tmp ? tmp : "/tmp";
        }
        std::string path = base + "/rix-fuzz-" + std::to_string(static_cast<long>(getpid()));
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
        std::filesystem::create_directories(path, ec);
        if (ec) {
            std::fprintf(stderr, "cannot create %s\n", path.c_str());
            std::abort();
        }
        return path;
    }());
    static const int registered = std::atexit(RemoveScratch);
    (void)registered;
    return *dir;
}

std::string ScratchPath(const std::string& name) { return ScratchDir() + "/" + name; }

std::string WriteScratch(const std::string& name, std::string_view bytes) {
    const std::string path = ScratchPath(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::abort();
    }
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

std::string WriteScratch(const std::string& name, const uint8_t* data, size_t size) {
    return WriteScratch(name, std::string_view(reinterpret_cast<const char*>(data), size));
}

std::FILE* OpenScratch(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = WriteScratch(name, data, size);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) std::abort();
    return f;
}

std::string FreshFolder(const std::string& name) {
    const std::string path = ScratchPath(name);
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    std::filesystem::create_directories(path, ec);
    return path;
}

std::string ScratchFolder(const std::string& name) {
    const std::string path = ScratchPath(name);
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return path;
}

namespace {

rix::Context& SharedContext() {
    static NullReporter* reporter = new NullReporter;
    static rix::Context* context = new rix::Context(*reporter);
    return *context;
}

rix::Run& SharedRun() {
    // Never destroyed: a run holds 1 MB of writer records, and the exit
    // handlers need none of it.
    static rix::Run* run = new rix::Run(SharedContext());
    return *run;
}

}  // namespace

ContextScope::ContextScope() : context(SharedContext()), run(SharedRun()) {}

ContextScope::~ContextScope() {
    run.Reset();
    context.Reset();
}

std::vector<std::string_view> SplitInput(const uint8_t* data, size_t size, size_t parts) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> out;
    while (out.size() + 1 < parts) {
        size_t at = rest.find("\n@@\n");
        if (at == std::string_view::npos) break;
        out.push_back(rest.substr(0, at + 1));
        rest.remove_prefix(at + 4);
    }
    out.push_back(rest);
    out.resize(parts);
    return out;
}

void FuzzDeviceFile(int meterType, const uint8_t* data, size_t size) {
    ContextScope scope;
    rix::Context& ctx = scope.context;
    rix::Run& run = scope.run;
    // FUZZ.DEV is the folder's only file: it is overwritten, not re-created.
    static const std::string folder = ScratchFolder("dev");
    WriteScratch("dev/FUZZ.DEV", data, size);
    rix::ChannelSetup setup;
    setup.type = meterType;
    setup.deviceFile = "FUZZ.DEV";
    ctx.channels[11] = setup;
    // What the step copies into the channel file goes nowhere: one stream,
    // opened once, instead of a file made anew for every input.
    static std::FILE* const out = std::fopen("/dev/null", "wb");
    rix::ReadChannelDeviceFile(run, 1, 11, folder, setup, out);
}

void FuzzWriter(const WriterMeter* meters, size_t count, const uint8_t* data, size_t size) {
    if (size < 3 || count == 0) return;
    const WriterMeter& meter = meters[data[0] % count];
    const int dataOutput = data[1] & 1;
    const int format = (data[1] >> 1) & 7;
    const double step = 10.0 * data[2];
    data += 3;
    size -= 3;

    ContextScope scope;
    rix::Context& ctx = scope.context;
    rix::Run& run = scope.run;
    static const std::string outputs = ScratchFolder("writer");
    const int c = meter.channel;
    rix::ChannelSetup& setup = ctx.channels[c];
    setup.type = meter.type;
    setup.keyword = rix::MeterTypeByCode(meter.type).keyword;
    setup.deviceFile = *meter.deviceFile ? meter.deviceFile : " ";
    ctx.extraction.dataOutput = dataOutput;
    ctx.extraction.timeStampFormat = format;

    // What the run and the channel pass do before the first packet; of the
    // writer records only this channel's is used.
    rix::ResetMeterRunState(run);
    rix::ResetChannel(run, c);
    if (!rix::OpenChannelFile(run, c, setup.keyword, outputs, "fz", ".000")) return;
    std::FILE* stream = run.channelState.outputs.streams[c];
    if (c < rix::kAnalogSlots) rix::ResetAnalogSlot(ctx, c);
    rix::ReadChannelDeviceFile(run, dataOutput, c, RIX_FUZZ_SETUP_DIR, setup, stream);

    double time = 1000;
    while (size > 0) {
        size_t n = data[0] ? data[0] : static_cast<size_t>(rix::kMaxPayload);
        ++data;
        --size;
        n = std::min(n, size);
        if (n == 0) break;
        // A copy of the packet's own size, so that a read past its end is caught.
        std::vector<uint8_t> packet(data, data + n);
        rix::DispatchRecord(run, c, setup, dataOutput, format, 0, time, static_cast<int>(n),
                            packet.data(), stream);
        data += n;
        size -= n;
        time += step;
    }

    const rix::ChannelWriter& w = run.channelState.writers[c];
    rix::FinishChannelEntry(run, w.headerLines, w.columnCount);
    rix::CloseChannelFile(run, c);
    if (meter.type == rix::kSatlantic) rix::EndSatlanticExtraction(run, c);
}

}  // namespace rixfuzz
