#include "Checkform.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "inspect/Check.h"

#include "Widgets.h"

namespace rixui {

namespace {

QString Count(int n, const char* what) {
    return QString("%1 %2%3").arg(n).arg(what).arg(n == 1 ? "" : "s");
}

}  // namespace

TCheckForm::TCheckForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("CheckForm");
    setWindowTitle("Check Setup");

    LBSummary = new QLabel(this);
    LBSummary->setObjectName("LBSummary");
    QFont bold = LBSummary->font();
    bold.setBold(true);
    LBSummary->setFont(bold);
    ReportText = new QPlainTextEdit(this);
    ReportText->setObjectName("ReportText");
    ReportText->setReadOnly(true);
    ReportText->setLineWrapMode(QPlainTextEdit::NoWrap);
    ReportText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    CloseButton = new QPushButton("&Close", this);
    CloseButton->setObjectName("CloseButton");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LBSummary);
    layout->addWidget(ReportText, 1);
    layout->addLayout(buttons);
    resize(900, 500);

    connect(CloseButton, &QPushButton::clicked, this, [this] { CloseButtonClick(); });
    CloseButton->setDefault(true);
    BindWindowKeys(this, [this] { CloseButtonClick(); }, [this] { CloseButtonClick(); });
}

void TCheckForm::SetReport(const rix::CheckReport& report) {
    ReportText->setPlainText(QString::fromStdString(report.text));
    LBSummary->setText(Summary(report.Problems(), report.Warnings()));
}

QString TCheckForm::Summary(int problems, int warnings) {
    if (problems > 0) return Count(problems, "problem") + ", " + Count(warnings, "warning");
    if (warnings > 0) return "No problems found, " + Count(warnings, "warning");
    return "No problems found";
}

void TCheckForm::ClearReport() {
    ReportText->clear();
    LBSummary->setText("Not checked");
}

void TCheckForm::CloseButtonClick() { close(); }

}  // namespace rixui
