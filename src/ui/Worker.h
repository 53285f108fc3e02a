// Runs one long job (an extraction, a merge, a utility) at a time on its own
// thread, so that the windows stay alive while it runs.
#pragma once
#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>

namespace rixui {

class Worker : public QObject {
    Q_OBJECT
public:
    explicit Worker(QObject* parent = nullptr) : QObject(parent) {}
    ~Worker() override;

    // Starts job on a new thread; done runs in the window thread after it.
    // False when a job is already running.
    bool Start(std::function<void()> job, std::function<void()> done);
    bool Running() const { return thread_ != nullptr; }
    // Waits for the running job, serving the window thread's events meanwhile
    // (the job may be waiting for a message box).
    void Wait();

Q_SIGNALS:
    void runningChanged(bool running);

private:
    QThread* thread_ = nullptr;
};

}  // namespace rixui
