#include "Cruiseform.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <map>

#include "Widgets.h"
#include "extract/Cruise.h"

namespace rixui {

TCruiseForm::TCruiseForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("CruiseForm");
    setWindowTitle("Process Several Archives");

    LBSummary = new QLabel(this);
    LBSummary->setObjectName("LBSummary");
    QFont bold = LBSummary->font();
    bold.setBold(true);
    LBSummary->setFont(bold);
    Archives = new QTableWidget(0, 6, this);
    Archives->setObjectName("Archives");
    Archives->setHorizontalHeaderLabels({"Archive", "Status", "Channels", "Rows", "Seconds", "Reason"});
    Archives->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Archives->setSelectionBehavior(QAbstractItemView::SelectRows);
    Archives->verticalHeader()->hide();
    Archives->horizontalHeader()->setStretchLastSection(true);
    Messages = new QPlainTextEdit(this);
    Messages->setObjectName("Messages");
    Messages->setReadOnly(true);
    Messages->setLineWrapMode(QPlainTextEdit::NoWrap);
    Messages->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Its own letter: the main window, its parent, holds the check window's &Close.
    CloseButton = new QPushButton("Cl&ose", this);
    CloseButton->setObjectName("CloseButton");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LBSummary);
    layout->addWidget(Archives, 3);
    layout->addWidget(new QLabel("Messages:", this));
    layout->addWidget(Messages, 1);
    layout->addLayout(buttons);
    resize(1000, 560);

    connect(CloseButton, &QPushButton::clicked, this, [this] { close(); });
    CloseButton->setDefault(true);
    BindWindowKeys(this, [this] { close(); }, [this] { close(); });
}

QString TCruiseForm::Summary(const rix::CruiseOutcome& outcome) {
    std::map<rix::ArchiveStatus, int> counts;
    for (const rix::ArchiveRun& a : outcome.archives) ++counts[a.status];
    const int total = static_cast<int>(outcome.archives.size());
    QString text = QString("%1 archive%2").arg(total).arg(total == 1 ? "" : "s");
    QStringList parts;
    for (const auto& [status, n] : counts) parts << QString("%1 %2").arg(n).arg(rix::ArchiveStatusName(status));
    if (!parts.isEmpty()) text += ": " + parts.join(", ");
    return text;
}

void TCruiseForm::SetOutcome(const rix::CruiseOutcome& outcome, const QStringList& messages) {
    LBSummary->setText(Summary(outcome));
    Archives->setRowCount(static_cast<int>(outcome.archives.size()));
    int row = 0;
    for (const rix::ArchiveRun& a : outcome.archives) {
        const bool ran = a.status != rix::ArchiveStatus::kMissing && a.status != rix::ArchiveStatus::kNotRun;
        const QStringList cells = {QString::fromStdString(a.archive),
                                   rix::ArchiveStatusName(a.status),
                                   ran ? QString("%1/%2").arg(a.channelsComplete).arg(a.channels) : "-",
                                   ran ? QString::number(a.rows) : "-",
                                   ran ? QString::number(a.seconds, 'f', 1) : "-",
                                   QString::fromStdString(a.reason)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 2 && c <= 4) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            Archives->setItem(row, c, item);
        }
        ++row;
    }
    Archives->resizeColumnsToContents();
    Messages->setPlainText(messages.join('\n'));
}

}  // namespace rixui
