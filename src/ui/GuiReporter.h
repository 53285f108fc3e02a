// The windows' Reporter: message boxes in the window thread, the status line
// at once. Safe to call from the worker thread that runs an extraction.
#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>

#include "Hooks.h"
#include "report/Reporter.h"

#include <QWidget>

namespace rixui {

class GuiReporter : public QObject, public rix::Reporter {
    Q_OBJECT
public:
    static constexpr int kMaxOpenBoxes = 10;
    static constexpr int kMaxRunMessages = 1000;  // kept for the list; the rest are counted

    explicit GuiReporter(DialogHooks& hooks, QObject* parent = nullptr);

    void ShowError(const std::string& title, const std::string& text) override;
    void SetStatus(const std::string& text) override;
    void Print(const std::string& text) override;

    // "Status:  " and the last status text.
    QString StatusText() const;
    // Unattended runs (daily mode): boxes do not wait and go to standard error too.
    void SetUnattended(bool on) { unattended_ = on; }
    bool Unattended() const { return unattended_; }
    void SetBoxParent(QWidget* parent) { parent_ = parent; }
    int OpenBoxes() const { return open_; }

    // While a run is on, its messages (those raised on the worker thread) do
    // not stop it for a box: each goes to standard error and to
    // messageRaised, and is kept for EndRun.
    void BeginRun();
    // Ends the run's collection and returns its messages ("title: text").
    QStringList EndRun();
    bool Collecting() const { return collecting_; }
    // One box for the messages of a run, shown the way ShowError shows a box.
    void ShowRunSummary(const QString& what, const QStringList& messages);

Q_SIGNALS:
    void statusChanged(const QString& statusText);
    void messageRaised(const QString& message);

private:
    void ShowHere(const QString& title, const QString& text, bool toStandardError = true);

    DialogHooks& hooks_;
    QPointer<QWidget> parent_;
    std::atomic<bool> unattended_{false};
    std::atomic<bool> collecting_{false};
    QStringList runMessages_;  // guarded by mutex_
    qsizetype runMessageCount_ = 0;
    int open_ = 0;  // window thread only
    mutable std::mutex mutex_;
    QString status_ = "Status:  Start Up";
};

}  // namespace rixui
