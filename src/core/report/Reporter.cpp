#include "report/Reporter.h"

#include <algorithm>

namespace rix {

std::string FormatV(const char* fmt, va_list args) {
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), fmt, args);
    big.resize(static_cast<size_t>(n));
    return big;
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string s = FormatV(fmt, args);
    va_end(args);
    return s;
}

StreamReporter::StreamReporter(std::FILE* out, std::FILE* err, bool verbose)
    : out_(out), err_(err), verbose_(verbose) {}

void StreamReporter::ShowError(const std::string& title, const std::string& text) {
    ++errors_;
    std::string line = title + ": " + text;
    if (line.empty() || line.back() != '\n') line += '\n';
    std::fwrite(line.data(), 1, line.size(), err_);
    std::fflush(err_);
}

void StreamReporter::SetStatus(const std::string& text) {
    lastStatus_ = text;
    statusShown_ = false;
    if (verbose_) {
        std::string line = "Status:  " + text + "\n";
        std::fwrite(line.data(), 1, line.size(), err_);
        std::fflush(err_);
        statusShown_ = true;
    }
}

void StreamReporter::Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

void StreamReporter::FinishRun() {
    if (!statusShown_ && !lastStatus_.empty()) {
        std::string line = "Status:  " + lastStatus_ + "\n";
        std::fwrite(line.data(), 1, line.size(), err_);
        std::fflush(err_);
        statusShown_ = true;
    }
}

namespace {

// A message without the blank lines and line ends around it.
std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of("\r\n ");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of("\r\n ");
    return text.substr(first, last - first + 1);
}

}  // namespace

void TapReporter::Copy(const std::string& text) {
    if (!copies_ || text.empty()) return;
    if (copies_->size() < kMaxCopies) {
        copies_->push_back(text);
        return;
    }
    const std::string count = Format("... and %ld further messages", ++dropped_);
    if (dropped_ == 1)
        copies_->push_back(count);
    else
        copies_->back() = count;
}

void TapReporter::ShowError(const std::string& title, const std::string& text) {
    Copy(Trimmed(title + ": " + text));
    target_.ShowError(title, text);
}

void TapReporter::Print(const std::string& text) {
    Copy(Trimmed(text));
    target_.Print(text);
}

bool RecordingReporter::HasBox(const std::string& title, const std::string& text) const {
    return std::any_of(boxes.begin(), boxes.end(),
                       [&](const Box& b) { return b.title == title && b.text == text; });
}

bool RecordingReporter::HasStatus(const std::string& text) const {
    return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
}

}  // namespace rix
