#include "setup/Isf.h"
namespace rix {
// stub: to be written
void ResetChannelSetup(ChannelSetup& r) { r = ChannelSetup(); }
int ReadIsfFile(Reporter&, ChannelTable&, const std::string&) { return 0; }
void WriteIsfFile(const ChannelTable&, std::FILE*) {}
std::string IsfText(const ChannelTable&) { return {}; }
void MatchMeterKeyword(ChannelSetup& r, const std::string&) { r.type = 0; }
void ParseLagOption(ChannelSetup&, std::string&) {}
void ParseHadOption(ChannelSetup&, std::string&) {}
void ParseDeviceOption(ChannelSetup&, std::string&) {}
}  // namespace rix
