// The check window: the report of Setup -> Check Setup, read-only, with a
// one-line summary of its problems and warnings.
#pragma once
#include <QString>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace rix {
struct CheckReport;
}

namespace rixui {

class TCheckForm : public QWidget {
    Q_OBJECT
public:
    explicit TCheckForm(QWidget* parent = nullptr);

    // Puts the report and its summary in the window (it does not show it).
    void SetReport(const rix::CheckReport& report);
    // Empties the window: its report no longer stands for the setup in use.
    void ClearReport();
    // "No problems found", "No problems found, 1 warning", "2 problems, 1 warning".
    static QString Summary(int problems, int warnings);

    void CloseButtonClick();

    QLabel* LBSummary;
    QPlainTextEdit* ReportText;
    QPushButton* CloseButton;
};

}  // namespace rixui
