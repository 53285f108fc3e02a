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
//
// While it defers, the messages (boxes, printed lines and status lines) wait
// in a queue of their own, in order, until they are passed on: one read of
// an archive serves every channel at once, and each channel's messages are
// then passed on together, channel after channel, as a run that read the
// archive once per channel gave them. A long queue waits in a temporary file.
class TapReporter : public Reporter {
public:
    explicit TapReporter(Reporter& target) : target_(target) {}
    ~TapReporter() override;
    TapReporter(const TapReporter&) = delete;
    TapReporter& operator=(const TapReporter&) = delete;
    void ShowError(const std::string& title, const std::string& text) override;
    void SetStatus(const std::string& text) override;
    void Print(const std::string& text) override;
    // Messages from now on wait in queue (0 .. kQueues - 1); -1 passes them on.
    void DeferTo(int queue);
    // Passes on the messages waiting in the queue, in order, and empties it.
    void PassOn(int queue);
    // Empties every queue without passing anything on.
    void DropQueues();
    static constexpr int kQueues = 64;
    // Copies the first kMaxCopies messages; one more line counts the others.
    void Attach(std::vector<std::string>* copies) { copies_ = copies; }
    static constexpr size_t kMaxCopies = 100;

private:
    struct Queue {
        std::string memory;           // the newest messages, encoded
        std::FILE* spill = nullptr;   // the older ones, when there were many
    };
    void Copy(const std::string& text);
    void Defer(char kind, const std::string& title, const std::string& text);
    Reporter& target_;
    std::vector<std::string>* copies_ = nullptr;
    int deferTo_ = -1;
    Queue queues_[kQueues];
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
