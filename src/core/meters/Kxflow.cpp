#include "meters/Kxflow.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Context.h"
#include "setup/SetupText.h"
#include "setup/SetupText.h"

namespace rix {

namespace {

constexpr int kLineLimit = 148;
constexpr int kMaxId = 49;
constexpr char kFileErrorTitle[] = "KXFLow.dev File Error";

// "%d %d %f": the number of items read.
int ScanSlotLine(const std::string& line, int& slot, int& id, float& volume) {
    const char* p = line.c_str();
    if (!setuptext::ScanInt(p, slot)) return 0;
    if (!setuptext::ScanInt(p, id)) return 1;
    char* end = nullptr;
    volume = std::strtof(p, &end);
    return end == p ? 2 : 3;
}

}  // namespace

int ReadFlowDeviceFile(Run& run, const DeviceFileCall& call) {
    Context& ctx = run.ctx;
    if (call.channel < 0 || call.channel > kMaxId) {
        ctx.reporter.ShowError(Format("ID Range: 1-%d", kMaxId),
                               Format("Invalid Channel ID %d for KXFlow Meter *.dev file", call.channel));
        return 0;
    }
    FlowSetup& flow = run.channelState.writers[call.channel].flow;
    for (FlowSlot& slot : flow.slots) slot = FlowSlot{};
    flow.averageCount = 2;
    if (!call.file) return 0;
    ctx.reporter.SetStatus("Read KXFLOW Device File");

    std::string line;
    int meterNumber = 0, averageCount = 2;
    const char* p = nullptr;
    if (!setuptext::ReadLineWithEnd(call.file, kLineLimit, line) || line.compare(0, 6, "KXFLOW") != 0 ||
        !setuptext::ScanInt(p = line.c_str() + 6, meterNumber)) {
        ctx.reporter.SetStatus("Invalid Meter ID in KXFLOW*.dev file");
        return 0;
    }
    setuptext::ReadLineWithEnd(call.file, kLineLimit, line);
    setuptext::ReadLineWithEnd(call.file, kLineLimit, line);
    if (!setuptext::ReadLineWithEnd(call.file, kLineLimit, line) || !setuptext::ScanInt(p = line.c_str(), averageCount)) {
        ctx.reporter.SetStatus("Invalid Average Count in KXFLOW*.dev file");
        return 0;
    }
    setuptext::ReadLineWithEnd(call.file, kLineLimit, line);

    while (setuptext::ReadLineWithEnd(call.file, kLineLimit, line)) {
        if (line.size() <= 2) continue;
        int slot = 0, id = 0;
        float volume = 0;
        if (ScanSlotLine(line, slot, id, volume) < 3) {
            ctx.reporter.ShowError(kFileErrorTitle, "Invalid Line in KXFLOW*.dev file channel");
            return 0;
        }
        if (slot < 0 || slot >= kFlowSlots) {
            std::string text = Format("Invalid Flow Meter ID '%d' in KXFLOW*.dev", slot);
            ctx.reporter.ShowError(kFileErrorTitle, text);
            ctx.reporter.SetStatus(text);
            return 0;
        }
        if (id < 0 || id > kMaxId) {
            ctx.reporter.ShowError(kFileErrorTitle, Format("Invalid ID '%d' in KXFLOW*.dev", id));
            return 0;
        }
        // A volume that is no number ("nan") is refused like a negative one.
        if (!(volume >= 0) || !std::isfinite(volume)) {
            ctx.reporter.ShowError(
                kFileErrorTitle,
                Format("Volume '%f' is Less that 0.0 in KXFLOW*.dev", static_cast<double>(volume)));
            return 0;
        }
        flow.meterNumber = meterNumber;
        flow.averageCount = averageCount;
        flow.slots[slot].id = id;
        flow.slots[slot].volume = volume;
        flow.loaded = true;
    }
    return 1;
}

}  // namespace rix
