#include "Json.h"

namespace rixcli {

using json = nlohmann::ordered_json;

namespace {

json OrNull(double value) { return value < 0 ? json() : json(value); }
json OrNull(const std::string& text) { return text.empty() ? json() : json(text); }
std::string Unquoted(const std::string& text) { return text.size() >= 2 ? text.substr(1, text.size() - 2) : text; }

}  // namespace

json InventoryJson(const rix::ArchiveInventory& inv) {
    json loggers = json::array();
    for (const rix::LoggerInventory& l : inv.loggers)
        loggers.push_back({{"id", l.id},
                           {"packets", l.packets},
                           {"packetTypes", l.types},
                           {"firstTime", l.firstTime},
                           {"lastTime", l.lastTime},
                           {"span", l.Span()},
                           {"medianInterval", OrNull(l.medianInterval)},
                           {"missingPackets", l.missing},
                           {"firstCalendar", OrNull(l.firstCalendar)},
                           {"lastCalendar", OrNull(l.lastCalendar)}});
    json channels = json::array();
    for (const rix::ChannelInventory& c : inv.channels)
        channels.push_back({{"id", c.id},
                            {"logger", c.id / 10},
                            {"port", c.id % 10 - 1},
                            {"bytes", c.bytes},
                            {"packets", c.packets},
                            {"sampleKind", c.sampleIsText ? "text" : "binary"},
                            {"sample", c.sampleIsText ? Unquoted(rix::SampleText(c)) : rix::SampleText(c)},
                            {"sampleHex", rix::HexBytes(c.sample)}});
    return {{"archive", inv.path},
            {"bytes", inv.fileBytes},
            {"packets", inv.packets},
            {"loggers", loggers},
            {"channels", channels},
            {"reader",
             {{"badHeaders", inv.badHeaders},
              {"skippedBytes", inv.skippedBytes},
              {"truncatedLastPacket", inv.truncatedEnd}}}};
}

json CheckJson(const rix::CheckReport& r) {
    json channels = json::array();
    for (const rix::ChannelCheck& c : r.channels)
        channels.push_back({{"id", c.id},
                            {"meterType", c.meterType},
                            {"keyword", c.keyword},
                            {"deviceFile", OrNull(c.deviceFile)},
                            {"devicePath", OrNull(c.devicePath)},
                            {"deviceFound", c.deviceFound},
                            {"caseInsensitiveMatch", c.caseInsensitive},
                            {"deviceRead", c.deviceRead},
                            {"archiveBytes", c.archiveBytes < 0 ? json() : json(c.archiveBytes)}});
    json findings = json::array();
    for (const rix::Finding& f : r.findings)
        findings.push_back({{"severity", f.severity == rix::Severity::kProblem ? "problem" : "warning"},
                            {"file", OrNull(f.file)},
                            {"line", f.line > 0 ? json(f.line) : json()},
                            {"text", f.text}});
    return {{"archive", OrNull(r.archive)},
            {"isf", r.isfFile},
            {"esf", r.esfFile},
            {"msf", OrNull(r.msfFile)},
            {"deviceFolder", r.deviceFolder},
            {"outputFolder", r.outputFolder},
            {"problems", r.Problems()},
            {"warnings", r.Warnings()},
            {"clean", r.Clean()},
            {"channels", channels},
            {"unconfiguredChannels", r.unconfiguredPorts},
            {"dateLines", r.dateLines < 0 ? json() : json(r.dateLines)},
            {"findings", findings}};
}

std::string JsonText(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

json RunJson(const rix::RunOutcome& o) {
    json channels = json::array();
    for (const rix::ChannelOutcome& c : o.channels)
        channels.push_back({{"channel", c.channel},
                            {"meter", c.meter},
                            {"file", c.file},
                            {"rows", c.rows},
                            {"status", rix::ChannelStatusName(c.status)},
                            {"reason", OrNull(c.reason)},
                            {"messages", c.messages}});
    return {{"archive", o.archive},
            {"status", rix::RunStatusName(o.status)},
            {"exit", o.exitCode},
            {"failedFile", OrNull(o.failedFile)},
            {"filesCompleted", o.filesCompleted},
            {"channels", channels}};
}

}  // namespace rixcli
