#include "setup/Isf.h"

#include <cstring>

#include "setup/MeterType.h"
#include "setup/SetupText.h"

namespace rix {

namespace {

constexpr std::size_t kLineLimit = 198;
constexpr std::size_t kKeywordLimit = 40;
constexpr std::size_t kDeviceFileLimit = 39;

// Keywords the reader knows but refuses: they end as a bad type.
constexpr const char* kRefusedKeywords[] = {"HYDROSCAT2", "EZ-TILT"};

bool EqualIgnoringCase(const std::string& a, const char* b) {
    std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// Upper-cases the token and tells whether it starts with the four-character prefix.
bool HasOptionPrefix(std::string& token, const char* prefix) {
    setuptext::ToUpperAscii(token);
    return token.compare(0, 4, prefix) == 0;
}

bool IsBlankText(const std::string& text) {
    for (char c : text) {
        if (!setuptext::IsBlank(c)) return false;
    }
    return true;
}

}  // namespace

void ResetChannelSetup(ChannelSetup& record) { record = ChannelSetup(); }

void MatchMeterKeyword(ChannelSetup& record, const std::string& token) {
    record.type = kOff;
    if (token.size() > kKeywordLimit) return;
    for (const char* refused : kRefusedKeywords) {
        if (EqualIgnoringCase(token, refused)) return;
    }
    for (int code = 1; code < kMeterTypeCount; ++code) {
        const MeterTypeInfo& info = MeterTypeByCode(code);
        if (info.readerAccepts && EqualIgnoringCase(token, info.keyword)) {
            record.type = code;
            record.keyword = token;
            return;
        }
    }
}

void ParseLagOption(ChannelSetup& record, std::string& token) {
    if (!HasOptionPrefix(token, "LAG=")) return;
    const char* p = token.c_str() + 4;
    int value = 0;
    record.lag = setuptext::ScanInt(p, value) ? value : 0;
}

void ParseHadOption(ChannelSetup& record, std::string& token) {
    if (!HasOptionPrefix(token, "HAD=")) return;
    const char* p = token.c_str() + 4;
    int value = 0;
    if (setuptext::ScanInt(p, value)) record.had = value;
}

void ParseDeviceOption(ChannelSetup& record, std::string& token) {
    if (!HasOptionPrefix(token, "DEV=")) return;
    const char* p = token.c_str() + 4;
    std::string name;
    if (setuptext::ScanWord(p, name) && name.size() <= kDeviceFileLimit) {
        record.deviceFile = name;
    } else {
        record.deviceFile.clear();
    }
}

int ReadIsfFile(Reporter& reporter, ChannelTable& table, const std::string& path) {
    std::FILE* stream = setuptext::OpenForReading(path);
    if (!stream) {
        reporter.ShowError("ISF File Error", Format("Error reading config file <%s>\n", path.c_str()));
        return 0;
    }
    for (ChannelSetup& record : table) ResetChannelSetup(record);

    std::string line;
    int lineNumber = 0;
    while (setuptext::ReadLine(stream, kLineLimit, line)) {
        ++lineNumber;
        // "%d%s%s%s%s": the id, the type keyword and up to three options.
        const char* p = line.c_str();
        int id = 0;  // a line without a number names channel 0
        std::string tokens[4];
        int fields = 0;
        if (setuptext::ScanInt(p, id)) {
            fields = 1;
            while (fields < 5 && setuptext::ScanWord(p, tokens[fields - 1])) ++fields;
        }
        if (id <= 0 || id >= kChannelCount || fields < 2) {
            reporter.ShowError("ISF File Error", Format("Channel %d Out of Bounds (1-%d)\n", id, kChannelCount));
            continue;
        }
        ChannelSetup& record = table[static_cast<std::size_t>(id)];
        MatchMeterKeyword(record, tokens[0]);
        if (record.type == kOff) {
            reporter.ShowError("ISF File ERROR",
                               Format("Bad Type in *.isf, Line %d type <%s>\n", lineNumber, tokens[0].c_str()));
            continue;
        }
        for (int i = 1; i < fields - 1; ++i) {
            ParseLagOption(record, tokens[i]);
            ParseHadOption(record, tokens[i]);
            ParseDeviceOption(record, tokens[i]);
        }
    }
    std::fclose(stream);
    return 1;
}

std::string IsfText(const ChannelTable& table) {
    std::string text;
    for (int id = 1; id < kChannelCount; ++id) {
        const ChannelSetup& r = table[static_cast<std::size_t>(id)];
        if (r.type == kOff) continue;
        // A record whose type was set without its keyword still needs a
        // keyword in the file, or the line would not read back.
        const char* keyword = IsBlankText(r.keyword) ? MeterTypeByCode(r.type).keyword : r.keyword.c_str();
        long lag = IsCtdType(r.type) ? 0L : static_cast<long>(r.lag);
        text += Format("%1d %s LAG=%1ld HAD=%1d DEV=%s ", id, keyword, lag, r.had, r.deviceFile.c_str());
        for (int slot = 0; slot < 2; ++slot) {
            if (r.flowMeter[slot] > 0) {
                text += Format("FLOW%1d=%1d PFLOW%1d=%1d ", slot, r.flowMeter[slot], slot, r.flowPercent[slot]);
            }
        }
        text += "\r\n";
    }
    return text;
}

void WriteIsfFile(const ChannelTable& table, std::FILE* stream) {
    std::string text = IsfText(table);
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace rix
