// Instrument setup file (*.isf): which meter sits on which logger channel.
#pragma once
#include <array>
#include <cstdio>
#include <string>

#include "report/Reporter.h"

namespace rix {

constexpr int kChannelCount = 50;  // ids 0..49, 0 never used

struct ChannelSetup {
    int type = 0;
    int had = 0;
    int flowMeter[2] = {0, 0};
    int flowPercent[2] = {100, 100};
    int lag = 0;
    std::string keyword = " ";     // at most 40 characters
    std::string deviceFile = " ";  // at most 39 characters
};

using ChannelTable = std::array<ChannelSetup, kChannelCount>;

void ResetChannelSetup(ChannelSetup& record);

// Resets the table, then fills it from the file. 0 only when it cannot be opened.
int ReadIsfFile(Reporter& reporter, ChannelTable& table, const std::string& path);

// One line per channel whose type is not 0, ids ascending, CR LF line ends.
void WriteIsfFile(const ChannelTable& table, std::FILE* stream);
std::string IsfText(const ChannelTable& table);

// Sets the type to 0, then to the keyword's code on a match (keeping the token's spelling).
void MatchMeterKeyword(ChannelSetup& record, const std::string& token);

// Option parsers: each does nothing unless the token starts with its prefix.
// The token is upper-cased in place.
void ParseLagOption(ChannelSetup& record, std::string& token);
void ParseHadOption(ChannelSetup& record, std::string& token);
void ParseDeviceOption(ChannelSetup& record, std::string& token);

}  // namespace rix
