// Raw files: the first byte picks channel 11's meter type (each with its
// device file from the fixed setup), the rest is the captured serial data.
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
    rixfuzz::ContextScope scope;
    rix::Context& ctx = scope.context;
    rix::Run& run = scope.run;
    static const rix::ChannelTable table = [&] {
        rix::ChannelTable t;
        rix::ReadIsfFile(ctx.reporter, t, setup + "/raw.isf");
        return t;
    }();
    // The configured channels in id order; the first byte picks one.
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (int id = 1; id < rix::kChannelCount; ++id)
            if (table[id].type != 0) v.push_back(id);
        return v;
    }();
    ctx.channels[11] = table[ids[data[0] % ids.size()]];
    ctx.extraction.dataOutput = 1;
    ctx.extraction.inputFormat = 4;
    ctx.extraction.timeStampFormat = data[0] / ids.size() % 8;
    const std::string path = rixfuzz::WriteScratch("capture.raw", data + 1, size - 1);
    static rix::ArchiveStream input;  // keeps its 1 MB buffer from one input to the next
    if (!input.Open(path)) return 0;
    rix::RunPaths paths;
    paths.outputFolder = rixfuzz::FreshFolder("raw");
    paths.deviceFolder = setup;
    paths.baseName = "capture";
    paths.extension = ".raw";
    rix::ProcessRawFile(run, input, paths);
    input.Close();  // within the input, as libFuzzer balances its allocations
    return 0;
}
