#include "meters/Devfile.h"

#include <filesystem>
#include <strings.h>
#include <system_error>

#include "Context.h"
#include "meters/Drivers.h"
#include "setup/MeterType.h"
#include "setup/SetupText.h"
#include "utilities/FileIo.h"

namespace rix {

namespace {

bool BlankName(const std::string& name) {
    return name.find_first_not_of(' ') == std::string::npos;
}

}  // namespace

std::string DeviceFilePath(const std::string& folder, const std::string& name) {
    if (!name.empty() && name[0] == '/') return name;
    return JoinPath(folder, name);
}

namespace {

// The entry of folder whose name matches name ignoring case ("" for none).
std::string EntryIgnoringCase(const std::string& folder, const std::string& name) {
    std::error_code ec;
    const std::filesystem::path dir(folder.empty() ? std::string(".") : folder);
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (entry.size() == name.size() && strcasecmp(entry.c_str(), name.c_str()) == 0) return entry;
    }
    return "";
}

// An absolute path resolved one folder at a time; the path as given when
// some part of it matches nothing.
std::string ResolveIgnoringCase(const std::string& path) {
    std::error_code ec;
    std::string resolved;
    size_t pos = 1;
    while (pos <= path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty()) continue;
        std::string next = resolved + "/" + part;
        if (!std::filesystem::exists(next, ec)) {
            const std::string entry = EntryIgnoringCase(resolved.empty() ? "/" : resolved, part);
            if (entry.empty()) return path;
            next = resolved + "/" + entry;
        }
        resolved = next;
    }
    return resolved.empty() ? path : resolved;
}

}  // namespace

std::string FindDeviceFile(const std::string& folder, const std::string& name) {
    std::string exact = DeviceFilePath(folder, name);
    std::error_code ec;
    if (std::filesystem::exists(exact, ec)) return exact;
    // Names arrive upper-cased from the instrument setup; on a file system that
    // tells case apart, the file may be stored in another case.
    if (exact != JoinPath(folder, name)) return ResolveIgnoringCase(exact);
    const std::string entry = EntryIgnoringCase(folder, name);
    return entry.empty() ? exact : JoinPath(folder, entry);
}

int ReadChannelDeviceFile(Run& run, int dataOutput, int channel, const std::string& deviceFolder,
                          const ChannelSetup& setup, std::FILE* stream, std::string* problem) {
    Context& ctx = run.ctx;
    if (channel < 0 || channel >= kChannelCount) return 1;
    const std::string& name = setup.deviceFile;
    if (BlankName(name)) return 1;
    const std::string path = FindDeviceFile(deviceFolder.substr(0, 512), name.substr(0, 512));
    std::FILE* f = setuptext::OpenForReading(path);
    if (!f) {
        ctx.reporter.ShowError("Read Device File File Error", Format("Unable to open %s", path.c_str()));
        if (problem) *problem = "device file " + path + " cannot be opened";
        return 0;
    }
    run.channelState.writers[channel].sinks.deviceFile = path;
    DeviceFileCall call;
    call.dataOutput = dataOutput;
    call.channel = channel;
    call.meterType = setup.type;
    call.path = path;
    call.file = f;
    call.stream = stream;
    int read = 1;
    const MeterDriver& driver = DriverFor(setup.type);
    switch (driver.deviceUse) {
        case DeviceFileUse::kRead:
            read = driver.readDevice(run, call);
            // A Sea-Bird .CON names the instrument by its temperature sensor.
            if (read && driver.kind == WriterKind::kSbe && ctx.shared.sbe.cal.temperatureSerial != 0)
                run.channelState.writers[channel].sinks.serialNumber = std::to_string(ctx.shared.sbe.cal.temperatureSerial);
            break;
        case DeviceFileUse::kUnread:
            break;  // opened and closed unread
        case DeviceFileUse::kUnsupported:
            ctx.reporter.ShowError("Device File Error",
                                   Format("Unsupported Device File for Channel %d Type %d\n", channel,
                                          setup.type));
            break;
    }
    std::fclose(f);
    if (read == 0 && problem) *problem = "device file " + path + " is refused by its reader";
    return read != 0 ? 1 : 0;
}

int DecodeColumnLine(Run& run, LineRecord& record, RowValues& values) {
    Context& ctx = run.ctx;
    if (record.channel < 0 || record.channel >= kChannelCount) return 0;
    return ConvertColumnRecord(ctx, run.channelState.writers[record.channel].device, record.line, values);
}

}  // namespace rix
