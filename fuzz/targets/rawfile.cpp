// Raw files: the first byte picks channel 11's meter type (each with its
// device file from the fixed setup), the rest is the captured serial data.
#include <memory>
#include <vector>
#include <string>

#include "Context.h"
#include "FuzzSupport.h"
#include "archive/Archive.h"
#include "extract/Rawproc.h"
#include "extract/Rix.h"
#include "setup/Isf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string setup = RIX_FUZZ_SETUP_DIR;
    rixfuzz::NullReporter reporter;
    auto ctx = std::make_unique<rix::Context>(reporter);
    rix::ChannelTable table;
    rix::ReadIsfFile(reporter, table, setup + "/raw.isf");
    // The configured channels in id order; the first byte picks one.
    std::vector<int> ids;
    for (int id = 1; id < rix::kChannelCount; ++id)
        if (table[id].type != 0) ids.push_back(id);
    ctx->channels[11] = table[ids[data[0] % ids.size()]];
    ctx->extraction.dataOutput = 1;
    ctx->extraction.inputFormat = 4;
    ctx->extraction.timeStampFormat = data[0] / ids.size() % 8;
    const std::string path = rixfuzz::WriteScratch("capture.raw", data + 1, size - 1);
    rix::ArchiveStream input;
    if (!input.Open(path)) return 0;
    rix::RunPaths paths;
    paths.outputFolder = rixfuzz::FreshFolder("raw");
    paths.deviceFolder = setup;
    paths.baseName = "capture";
    paths.extension = ".raw";
    rix::ProcessRawFile(*ctx, input, paths);
    return 0;
}
