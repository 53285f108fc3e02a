#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

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
        const char* tmp = std::getenv("TMPDIR");
        std::string base = tmp && *tmp ? tmp : "/tmp";
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

}  // namespace rixfuzz

#include "Context.h"
#include "meters/Devfile.h"

namespace rixfuzz {

void FuzzDeviceFile(int meterType, const uint8_t* data, size_t size) {
    NullReporter reporter;
    auto ctx = std::make_unique<rix::Context>(reporter);
    const std::string folder = FreshFolder("dev");
    WriteScratch("dev/FUZZ.DEV", data, size);
    rix::ChannelSetup setup;
    setup.type = meterType;
    setup.deviceFile = "FUZZ.DEV";
    ctx->channels[11] = setup;
    std::FILE* out = std::fopen(ScratchPath("dev.out").c_str(), "wb");
    rix::ReadChannelDeviceFile(*ctx, 1, 11, folder, setup, out);
    if (out) std::fclose(out);
}

}  // namespace rixfuzz
