// Every user-visible message of the core goes through one Reporter: the
// windows show message boxes, the command line prints, tests record.
#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace rix {

class Reporter {
public:
    virtual ~Reporter() = default;
    // A message box: title and text.
    virtual void ShowError(const std::string& title, const std::string& text) = 0;
    // The status line ("Status:  " + text).
    virtual void SetStatus(const std::string& text) = 0;
    // Text the program prints on standard output.
    virtual void Print(const std::string& text) = 0;
};

// printf-style formatting into a std::string (snprintf into a buffer).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args);

// The command-line printer: boxes as "title: text" on standard error, status
// lines only when verbose; the last status of a run is kept for the end.
class StreamReporter : public Reporter {
public:
    StreamReporter(std::FILE* out, std::FILE* err, bool verbose);
    void ShowError(const std::string& title, const std::string& text) override;
    void SetStatus(const std::string& text) override;
    void Print(const std::string& text) override;
    // Writes the last status text, unless it was already shown (verbose).
    void FinishRun();
    const std::string& LastStatus() const { return lastStatus_; }
    int ErrorCount() const { return errors_; }

private:
    std::FILE* out_;
    std::FILE* err_;
    bool verbose_;
    bool statusShown_ = true;
    int errors_ = 0;
    std::string lastStatus_;
};

// Passes every message on to its target and, while a list is attached, keeps
// a copy of the boxes ("title: text") and printed lines: the messages of one
// channel's pass for the run's summary.
class TapReporter : public Reporter {
public:
    explicit TapReporter(Reporter& target) : target_(target) {}
    void ShowError(const std::string& title, const std::string& text) override;
    void SetStatus(const std::string& text) override { target_.SetStatus(text); }
    void Print(const std::string& text) override;
    // Copies the first kMaxCopies messages; one more line counts the others.
    void Attach(std::vector<std::string>* copies) {
        copies_ = copies;
        dropped_ = 0;
    }
    static constexpr size_t kMaxCopies = 100;

private:
    void Copy(const std::string& text);
    Reporter& target_;
    std::vector<std::string>* copies_ = nullptr;
    long dropped_ = 0;
};

// A reporter that records everything, for tests.
class RecordingReporter : public Reporter {
public:
    struct Box {
        std::string title;
        std::string text;
    };
    void ShowError(const std::string& title, const std::string& text) override {
        boxes.push_back({title, text});
    }
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void Print(const std::string& text) override { out += text; }
    bool HasBox(const std::string& title, const std::string& text) const;
    bool HasStatus(const std::string& text) const;
    void Clear() {
        boxes.clear();
        statuses.clear();
        out.clear();
    }

    std::vector<Box> boxes;
    std::vector<std::string> statuses;
    std::string out;
};

}  // namespace rix
