// The summary window of Utilities -> Process Several Archives: one row per
// archive (status, channels complete, rows, seconds, why it failed), a
// one-line total and the runs' messages.
#pragma once
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace rix {
struct CruiseOutcome;
}

namespace rixui {

class TCruiseForm : public QWidget {
    Q_OBJECT
public:
    explicit TCruiseForm(QWidget* parent = nullptr);

    // Puts a run's outcome and messages in the window (it does not show it).
    void SetOutcome(const rix::CruiseOutcome& outcome, const QStringList& messages);
    // "3 archives: 2 complete, 1 failed".
    static QString Summary(const rix::CruiseOutcome& outcome);

    QLabel* LBSummary;
    QTableWidget* Archives;
    QPlainTextEdit* Messages;
    QPushButton* CloseButton;
};

}  // namespace rixui
