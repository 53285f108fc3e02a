// A whole extraction of the input as an archive, against a fixed setup with
// every meter type on a channel of its own, each with its device file. The
// input picks one to three of those channels, so that a run costs a few
// channel passes rather than 36:
//   byte 0     a channel: the (byte % count)-th configured channel of extract.isf
//   bytes 1-2  one more channel each, unless bit 7 is set
//   then       the archive
#include <string>
#include <vector>

#include "Context.h"
#include "FuzzSupport.h"
#include "extract/Rix.h"
#include "setup/Isf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const std::string setup = RIX_FUZZ_SETUP_DIR;
    rixfuzz::ContextScope scope;
    rix::Context& ctx = scope.context;
    static const rix::ChannelTable all = [&] {
        rix::ChannelTable table;
        rix::ReadIsfFile(ctx.reporter, table, setup + "/extract.isf");
        return table;
    }();
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (int id = 1; id < rix::kChannelCount; ++id)
            if (all[id].type != 0) v.push_back(id);
        return v;
    }();

    rix::ChannelTable chosen;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && (data[i] & 0x80)) continue;
        const int id = ids[data[i] % ids.size()];
        chosen[id] = all[id];
    }
    rix::ExtractRequest request;
    request.isfFile = rixfuzz::WriteScratch("fz.isf", rix::IsfText(chosen));
    request.archive = rixfuzz::WriteScratch("fz.000", data + 3, size - 3);
    request.esfFile = setup + "/extract.esf";
    request.deviceFolder = setup;
    request.outputFolder = rixfuzz::FreshFolder("extract");
    rix::ExtractButtonClick(ctx, request);
    return 0;
}
