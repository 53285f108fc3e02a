#include "setup/Esf.h"

#include <cstdint>

#include "setup/SetupText.h"

namespace rix {

namespace {

constexpr std::size_t kLineLimit = 198;
constexpr int kValueCount = 11;
constexpr int kReservedIndex = 5;  // always written as 0, ignored on reading

// The file keeps every value as a 16-bit signed number.
int As16Bit(int value) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<unsigned>(value))); }

}  // namespace

void ResetExtractionSetup(ExtractionSetup& setup) { setup = ExtractionSetup(); }

int ReadEsfFile(Reporter& reporter, ExtractionSetup& setup, const std::string& path) {
    std::FILE* stream = setuptext::OpenForReading(path);
    if (!stream) {
        reporter.ShowError("ESF File Error", Format("Error reading ESF file <%s>\n", path.c_str()));
        return 0;
    }
    ResetExtractionSetup(setup);

    std::string line;
    setuptext::ReadLine(stream, kLineLimit, line);  // the version line, not checked
    bool taken = false;
    if (setuptext::ReadLine(stream, kLineLimit, line)) {
        int values[kValueCount];
        int scanned = 0;
        const char* p = line.c_str();
        while (scanned < kValueCount && setuptext::ScanInt(p, values[scanned])) {
            values[scanned] = As16Bit(values[scanned]);
            ++scanned;
        }
        // A short line leaves the whole record at its defaults.
        if (scanned == kValueCount) {
            int* fields[kValueCount] = {&setup.inputFormat,  &setup.dataOutput,      &setup.depthProcessing,
                                        &setup.ctdChannel,   &setup.outputFiles,     nullptr,
                                        &setup.clockSource,  &setup.timeStampFormat, &setup.dateTimeChannel,
                                        &setup.timeOffsetHours, &setup.timeIncrementMs};
            for (int i = 0; i < kValueCount; ++i) {
                if (i != kReservedIndex) *fields[i] = values[i];
            }
            taken = true;
        }
    }
    std::fclose(stream);
    // A typo must not turn a run in engineering units with Julian stamps
    // into raw data with millisecond stamps unnoticed.
    if (!taken)
        reporter.ShowError("ESF File Error",
                           Format("Can not read the settings line of ESF file <%s>: the default settings "
                                  "are used",
                                  path.c_str()));
    return 1;
}

std::string EsfText(const ExtractionSetup& s) {
    return Format("ESF Version=1.1\r\n%1d %1d %1d %1d %1d %1d %1d %1d %1d %1d %1d\r\n", s.inputFormat, s.dataOutput,
                  s.depthProcessing, s.ctdChannel, s.outputFiles, 0, s.clockSource, s.timeStampFormat,
                  s.dateTimeChannel, s.timeOffsetHours, s.timeIncrementMs);
}

void WriteEsfFile(const ExtractionSetup& setup, std::FILE* stream) {
    std::string text = EsfText(setup);
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace rix
