// A whole merge of fuzzed data rows against a fixed merge setup: the input is
// two data files ("\n@@\n" between them) merged on time and on depth, with
// every correction, oxygen and analog column, appended, and as a time series.
#include <string>

#include "Context.h"
#include "FuzzSupport.h"
#include "merge/Files.h"
#include "setup/Msf.h"

namespace {

const std::string kSetup = RIX_FUZZ_SETUP_DIR;

void Side(rix::MergeSide& s, int kind, const std::string& file, int key, int units) {
    s.sourceKind = kind;
    s.fileName = file;
    s.keyColumn = key;
    s.offsetUnits = units;
    s.headerRows = 1;
    s.headerUse = 1;
}

std::string SetupText(const std::string& base, const std::string& merge) {
    rix::MergeSetup setup;
    rix::ResetMergeSetup(setup);
    setup.castDirection = 1;
    const std::string all = "B1 B2 B3 B4 M1 M2 M3 M4 iBTIME iMTIME iBSECS iMSECS iCOND iTEMP iPRES "
                            "iSAL iDEN iSIGMA-T iZERO iSBE43 iSBE23 iV1 iV2 iPID iJDAY";
    for (int i = 0; i < 6; ++i) {
        rix::MergePair& p = setup.pairs[i];
        p.mergeMode = i < 4 ? i + 1 : 2;
        const int units = p.mergeMode == 1 ? 0 : 1;
        Side(p.base, 2, base, 1, units);
        Side(p.merge, 2, merge, 1, units);
        p.merge.channelId = 21;
        p.displayOrder = all;
        p.condColumn = 5002;
        p.tempColumn = 5003;
        p.presColumn = 5004;
        p.salColumn = -1;
        p.oxTempColumn = 5003;
        p.oxCurrentColumn = 2;
        p.analogColumn[0] = 2;
        p.analogColumn[1] = 5002;
        p.analogDeviceFile[0] = p.analogDeviceFile[1] = kSetup + "/ANALOG.DEV";
        p.oxDeviceFile = i % 2 ? kSetup + "/SBE23.DEV" : "SBE43.DEV";
        p.correctionFlags = 15;
        p.scatterMethod = i % 3;
        p.tCorFile = kSetup + "/t.cor";
        p.sCorFile = kSetup + "/s.cor";
        p.cleanWaterFile = kSetup + "/ch2o.cor";
    }
    setup.pairs[1].base.meterType = 1;   // NX9 base, CTD-Analog-DO merge
    setup.pairs[1].merge.meterType = 1;
    setup.pairs[1].base.headerRows = 31;
    setup.pairs[2].base.meterType = 2;
    setup.pairs[4].base.sourceKind = 1;  // the first pair's output against the merge file
    setup.pairs[4].base.pairNumber = 1;
    setup.pairs[5].base.sourceKind = 0;  // the working file's channel 11
    setup.pairs[5].base.channelId = 11;
    setup.pairs[5].outputFormat = 1;
    return rix::MsfText(setup);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parts = rixfuzz::SplitInput(data, size, 2);
    const std::string base = rixfuzz::WriteScratch("base.txt", parts[0]);
    const std::string merge = rixfuzz::WriteScratch("merge.txt", parts[1]);
    static const std::string msf = rixfuzz::WriteScratch("setup.msf", SetupText(base, merge));
    const std::string mrg = rixfuzz::WriteScratch(
        "cast_MRG.007", rix::Format("007 4 cast \r\n11 %d %s KEY 0 0\r\n", static_cast<int>(base.size()),
                                    base.c_str()));
    rixfuzz::ContextScope scope;
    rix::Context& ctx = scope.context;
    rix::MergeFiles(ctx, msf, mrg, kSetup, rixfuzz::FreshFolder("merge"));
    return 0;
}
