#include "Widgets.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyle>
#include <algorithm>

#include "setup/MeterType.h"

namespace rixui {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent, Qt::TextElideMode mode)
    : QLabel(text, parent), mode_(mode) {
    setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
}

QSize ElidedLabel::minimumSizeHint() const {
    QSize s = QLabel::minimumSizeHint();
    s.setWidth(std::min(s.width(), fontMetrics().averageCharWidth() * 6));
    return s;
}

QSize ElidedLabel::sizeHint() const {
    QSize s = QLabel::sizeHint();
    s.setWidth(std::min(s.width(), fontMetrics().averageCharWidth() * 40));
    return s;
}

QString ElidedLabel::ShownText() const {
    return fontMetrics().elidedText(text(), mode_, contentsRect().width());
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    const QString shown = ShownText();
    const QString tip = shown == text() ? QString() : text();
    if (toolTip() != tip) setToolTip(tip);
    if (shown == text()) {
        // Fits: the label as it is, selectable where it allows it.
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(),
                          isEnabled(), shown, foregroundRole());
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    update();
}

namespace {

class WindowKeys : public QObject {
public:
    WindowKeys(QWidget* window, std::function<void()> escape, std::function<void()> enter)
        : QObject(window), window_(window), escape_(std::move(escape)), enter_(std::move(enter)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        // Key presses reach the window when no control of it took them.
        if (watched != window_ || event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers != Qt::NoModifier) return false;
        if (key->key() == Qt::Key_Escape && escape_) {
            escape_();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && enter_) {
            enter_();
            return true;
        }
        return false;
    }

private:
    QWidget* window_;
    std::function<void()> escape_;
    std::function<void()> enter_;
};

QString RefusedTypeTip(const rix::MeterTypeInfo& info) {
    return QString("%1 cannot be saved: instrument setup files do not accept its keyword %2")
        .arg(QString::fromLatin1(info.listName), QString::fromLatin1(info.keyword));
}

}  // namespace

void BindWindowKeys(QWidget* window, std::function<void()> escape, std::function<void()> enter) {
    window->installEventFilter(new WindowKeys(window, std::move(escape), std::move(enter)));
}

void FillMeterTypeList(QComboBox* list) {
    for (int code = 0; code < rix::kMeterTypeCount; ++code)
        list->addItem(QString::fromLatin1(rix::MeterTypeByCode(code).listName));
    auto* model = qobject_cast<QStandardItemModel*>(list->model());
    for (int code = 1; code < rix::kMeterTypeCount; ++code) {
        const rix::MeterTypeInfo& info = rix::MeterTypeByCode(code);
        if (info.readerAccepts) continue;
        if (model && model->item(code)) model->item(code)->setEnabled(false);
        list->setItemData(code, RefusedTypeTip(info), Qt::ToolTipRole);
    }
}

bool MeterTypeSelectable(const QComboBox* list, int index) {
    if (index < 0 || index >= list->count()) return false;
    const QModelIndex i = list->model()->index(index, list->modelColumn(), list->rootModelIndex());
    return (list->model()->flags(i) & Qt::ItemIsEnabled) != 0;
}

}  // namespace rixui
