#include "setup/Mainsetup.h"

#include <algorithm>
#include <ctime>

#include "setup/SetupText.h"

namespace rix {

namespace {

constexpr std::size_t kLineLimit = 499;
// A name line is its length prefix, one separator and up to 499 characters of name.
constexpr std::size_t kNameLineLimit = kLineLimit + 32;
constexpr int kNameCount = 7;

bool IsBlankLine(const std::string& line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return setuptext::IsBlank(c); });
}

}  // namespace

int SaveMainSetup(Reporter& reporter, const MainSetup& setup, const std::string& path) {
    const std::string* names[kNameCount] = {&setup.archiveFile, &setup.isfFile,     &setup.esfFile,
                                            &setup.mergeFile,   &setup.baseArchive, &setup.deviceFolder,
                                            &setup.outputFolder};
    std::string text = Format("%d\n", setup.mode);
    for (const std::string* name : names) {
        text += Format("%d ", static_cast<int>(name->size()));
        text += *name;
        text += '\n';
    }
    std::FILE* stream = std::fopen(path.c_str(), "wb");
    bool ok = stream != nullptr;
    if (stream) {
        ok = std::fwrite(text.data(), 1, text.size(), stream) == text.size();
        ok = (std::fclose(stream) == 0) && ok;
    }
    if (!ok) {
        reporter.ShowError("File Error", Format("Unable to open/create file '%s'", path.c_str()));
        return 0;
    }
    return 1;
}

int LoadMainSetup(MainSetup& setup, const std::string& path) {
    std::FILE* stream = setuptext::OpenForReading(path);
    if (!stream) return 0;

    std::string line;
    int mode = 0;
    const char* p = nullptr;
    if (!setuptext::ReadLine(stream, kLineLimit, line) || !setuptext::ScanInt(p = line.c_str(), mode)) {
        std::fclose(stream);
        return 0;
    }
    // Only the four modes of the Mode menu exist; anything else runs manually.
    setup.mode = (mode >= 0 && mode <= 3) ? mode : 0;

    std::string* names[kNameCount] = {&setup.archiveFile, &setup.isfFile,     &setup.esfFile,
                                      &setup.mergeFile,   &setup.baseArchive, &setup.deviceFolder,
                                      &setup.outputFolder};
    for (std::string* name : names) {
        bool found = false;
        while (setuptext::ReadLine(stream, kNameLineLimit, line)) {
            if (!IsBlankLine(line)) {
                found = true;
                break;
            }
        }
        if (!found) break;  // the names not in the file keep their texts

        // "%d%c": the length and the one separator after it; the rest of the
        // line is the name, cut after that many characters.
        p = line.c_str();
        int length = 0;
        if (!setuptext::ScanInt(p, length)) continue;  // no length: keep this name
        std::size_t start = static_cast<std::size_t>(p - line.c_str());
        if (start < line.size()) ++start;
        std::size_t available = std::min(line.size() - start, kLineLimit);
        std::size_t take = length < 0 ? 0 : std::min(static_cast<std::size_t>(length), available);
        name->assign(line, start, take);
    }
    std::fclose(stream);
    return 1;
}

std::string DailyArchiveName(const std::string& baseName, int year, int dayOfYear) {
    int shortYear = year - 1900;
    while (shortYear > 99) shortYear -= 100;
    while (shortYear < 0) shortYear += 100;
    int day = dayOfYear - 1;
    if (dayOfYear <= 1) {
        // Yesterday was the last day of the year before.
        shortYear = shortYear == 0 ? 99 : shortYear - 1;
        day = (shortYear % 4 == 0) ? 366 : 365;
    }
    return baseName + Format("%02d.%03d", shortYear, day);
}

void LocalToday(int& year, int& dayOfYear) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    year = local.tm_year + 1900;
    dayOfYear = local.tm_yday + 1;
}

}  // namespace rix
