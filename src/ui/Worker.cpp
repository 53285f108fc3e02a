#include "Worker.h"

#include <QCoreApplication>

namespace rixui {

Worker::~Worker() { Wait(); }

bool Worker::Start(std::function<void()> job, std::function<void()> done) {
    if (thread_) return false;
    thread_ = QThread::create(std::move(job));
    QThread* thread = thread_;
    connect(thread, &QThread::finished, this, [this, thread, done] {
        thread->wait();
        thread->deleteLater();
        thread_ = nullptr;
        if (done) done();
        Q_EMIT runningChanged(false);
    });
    Q_EMIT runningChanged(true);
    thread->start();
    return true;
}

void Worker::Wait() {
    while (thread_) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (thread_ && thread_->isFinished()) QCoreApplication::sendPostedEvents(this);
        QThread::msleep(2);
    }
}

}  // namespace rixui
