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
    // The run's own messages come from the worker; what the window thread
    // reports meanwhile answers something the person did, and is a box.
    if (collecting_ && QThread::currentThread() != thread()) {
        QString message = t + ": " + x;
        while (message.endsWith('\n')) message.chop(1);
        ToStandardError(t, x);
        qsizetype count = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (runMessages_.size() < kMaxRunMessages) runMessages_ << message;
            count = ++runMessageCount_;
        }
        if (count <= kMaxRunMessages)
            Q_EMIT messageRaised(message);
        else if (count == kMaxRunMessages + 1)
            Q_EMIT messageRaised("... further messages of this run on standard error only");
        return;
    }
    if (QThread::currentThread() == thread()) {
        ShowHere(t, x);
        return;
    }
    // The worker waits for the box, so boxes keep their order and the
    // decoders' latches see them as shown.
    QMetaObject::invokeMethod(this, [this, t, x] { ShowHere(t, x); },
                              Qt::BlockingQueuedConnection);
}

void GuiReporter::ShowHere(const QString& title, const QString& text, bool toStandardError) {
    if (open_ >= kMaxOpenBoxes) {
        // Too many boxes open: the report is not lost.
        if (toStandardError) ToStandardError(title, text);
        return;
    }
    QApplication::beep();
    ++open_;
    if (unattended_) {
        if (toStandardError) ToStandardError(title, text);
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

void GuiReporter::BeginRun() {
    std::lock_guard<std::mutex> lock(mutex_);
    runMessages_.clear();
    runMessageCount_ = 0;
    collecting_ = true;
}

QStringList GuiReporter::EndRun() {
    std::lock_guard<std::mutex> lock(mutex_);
    collecting_ = false;
    QStringList messages = runMessages_;
    if (runMessageCount_ > runMessages_.size())
        messages << QString("... and %1 more on standard error")
                        .arg(runMessageCount_ - runMessages_.size());
    runMessages_.clear();
    runMessageCount_ = 0;
    return messages;
}

void GuiReporter::ShowRunSummary(const QString& what, const QStringList& messages) {
    if (messages.isEmpty()) return;
    constexpr int kShown = 20;
    QString text = messages.size() == 1
                       ? QString("One message during the %1:\n\n").arg(what)
                       : QString("%1 messages during the %2:\n\n").arg(messages.size()).arg(what);
    text += messages.mid(0, kShown).join('\n');
    if (messages.size() > kShown)
        text += QString("\n... and %1 more in the message list").arg(messages.size() - kShown);
    QString title = what.left(1).toUpper() + what.mid(1) + " Messages";
    // Not through ShowError: the summary itself goes nowhere else.
    ShowHere(title, text, false);
}

QString GuiReporter::StatusText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

}  // namespace rixui
