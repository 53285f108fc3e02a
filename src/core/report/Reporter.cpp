#include "report/Reporter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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
    // The count line after the kept copies says how many more there were; the
    // count is kept in the line itself, so a list may be attached again later
    // (one read hands the tap from channel to channel) and counts on.
    constexpr size_t kPrefix = sizeof("... and ") - 1;
    long dropped = 1;
    if (copies_->size() > kMaxCopies) dropped = std::strtol(copies_->back().c_str() + kPrefix, nullptr, 10) + 1;
    const std::string count = Format("... and %ld further messages", dropped);
    if (dropped == 1)
        copies_->push_back(count);
    else
        copies_->back() = count;
}

void TapReporter::ShowError(const std::string& title, const std::string& text) {
    Copy(Trimmed(title + ": " + text));
    if (deferTo_ >= 0)
        Defer('E', title, text);
    else
        target_.ShowError(title, text);
}

void TapReporter::Print(const std::string& text) {
    Copy(Trimmed(text));
    if (deferTo_ >= 0)
        Defer('P', std::string(), text);
    else
        target_.Print(text);
}

void TapReporter::SetStatus(const std::string& text) {
    if (deferTo_ >= 0)
        Defer('S', std::string(), text);
    else
        target_.SetStatus(text);
}

TapReporter::~TapReporter() { DropQueues(); }

void TapReporter::DeferTo(int queue) { deferTo_ = queue >= 0 && queue < kQueues ? queue : -1; }

namespace {

constexpr size_t kQueueMemory = size_t{1} << 18;  // per queue; beyond it, to a file

void AppendField(std::string& out, const std::string& field) {
    const uint32_t n = static_cast<uint32_t>(field.size());
    out.append(reinterpret_cast<const char*>(&n), sizeof n);
    out += field;
}

// Reads one encoded message at p (within end) and moves p past it; false,
// with p where it was, when no whole message is left.
bool NextMessage(const char*& p, const char* end, char& kind, std::string& title, std::string& text) {
    const char* q = p;
    auto field = [&](std::string& out) {
        uint32_t n = 0;
        if (static_cast<size_t>(end - q) < sizeof n) return false;
        std::memcpy(&n, q, sizeof n);
        q += sizeof n;
        if (static_cast<size_t>(end - q) < n) return false;
        out.assign(q, n);
        q += n;
        return true;
    };
    if (q >= end) return false;
    kind = *q++;
    if (!field(title) || !field(text)) return false;
    p = q;
    return true;
}

}  // namespace

void TapReporter::Defer(char kind, const std::string& title, const std::string& text) {
    Queue& q = queues_[deferTo_];
    q.memory += kind;
    AppendField(q.memory, title);
    AppendField(q.memory, text);
    if (q.memory.size() < kQueueMemory) return;
    if (!q.spill) q.spill = std::tmpfile();
    // Without a temporary file the queue stays in memory: nothing is lost.
    if (q.spill && std::fwrite(q.memory.data(), 1, q.memory.size(), q.spill) == q.memory.size())
        q.memory.clear();
}

void TapReporter::PassOn(int queue) {
    if (queue < 0 || queue >= kQueues) return;
    Queue& q = queues_[queue];
    // Passes on the whole messages at the start of block; returns the bytes used.
    auto pass = [&](const std::string& block) {
        const char* start = block.data();
        const char* p = start;
        const char* end = p + block.size();
        char kind = 0;
        std::string title, text;
        while (NextMessage(p, end, kind, title, text)) {
            if (kind == 'E') target_.ShowError(title, text);
            else if (kind == 'P') target_.Print(text);
            else target_.SetStatus(text);
        }
        return static_cast<size_t>(p - start);
    };
    if (q.spill) {
        std::rewind(q.spill);
        std::string block;
        char buffer[1 << 16];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, q.spill)) > 0) {
            block.append(buffer, n);
            block.erase(0, pass(block));
        }
        std::fclose(q.spill);
        q.spill = nullptr;
    }
    pass(q.memory);
    q.memory.clear();
    q.memory.shrink_to_fit();
}

void TapReporter::DropQueues() {
    deferTo_ = -1;
    for (Queue& q : queues_) {
        if (q.spill) std::fclose(q.spill);
        q.spill = nullptr;
        q.memory.clear();
    }
}

bool RecordingReporter::HasBox(const std::string& title, const std::string& text) const {
    return std::any_of(boxes.begin(), boxes.end(),
                       [&](const Box& b) { return b.title == title && b.text == text; });
}

bool RecordingReporter::HasStatus(const std::string& text) const {
    return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
}

}  // namespace rix
