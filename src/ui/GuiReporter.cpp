#include "GuiReporter.h"

#include <QApplication>
#include <QThread>
#include <cstdio>

namespace rixui {

namespace {

void ToStandardError(const QString& title, const QString& text) {
    QByteArray line = (title + ": " + text).toLocal8Bit();
    if (!line.endsWith('\n')) line += '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

GuiReporter::GuiReporter(DialogHooks& hooks, QObject* parent) : QObject(parent), hooks_(hooks) {}

void GuiReporter::ShowError(const std::string& title, const std::string& text) {
    QString t = QString::fromStdString(title), x = QString::fromStdString(text);
    if (QThread::currentThread() == thread()) {
        ShowHere(t, x);
        return;
    }
    // The worker waits for the box, so boxes keep their order and the
    // decoders' latches see them as shown.
    QMetaObject::invokeMethod(this, [this, t, x] { ShowHere(t, x); },
                              Qt::BlockingQueuedConnection);
}

void GuiReporter::ShowHere(const QString& title, const QString& text) {
    if (open_ >= kMaxOpenBoxes) {
        // Too many boxes open: the report is not lost.
        ToStandardError(title, text);
        return;
    }
    QApplication::beep();
    ++open_;
    if (unattended_) {
        ToStandardError(title, text);
        QPointer<GuiReporter> self(this);
        hooks_.showBoxNoWait(parent_, title, text, [self] {
            if (self) --self->open_;
        });
        return;
    }
    hooks_.showBox(parent_, title, text);
    --open_;
}

void GuiReporter::SetStatus(const std::string& text) {
    QString full = "Status:  " + QString::fromStdString(text);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status_ = full;
    }
    Q_EMIT statusChanged(full);
}

void GuiReporter::Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

QString GuiReporter::StatusText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

}  // namespace rixui
