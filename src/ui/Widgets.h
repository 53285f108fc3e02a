// Small pieces the windows share: labels that never widen their window,
// the keys of a dialog, and the meter-type lists.
#pragma once
#include <QLabel>
#include <functional>

class QComboBox;

namespace rixui {

// A one-line label whose text may be any length: when it does not fit, the
// label shows it shortened with "..." and the whole text as its tool tip,
// so that a long path or status never makes its window wider.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    ElidedLabel(const QString& text, QWidget* parent, Qt::TextElideMode mode = Qt::ElideMiddle);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    // The text as the label shows it at its present width.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Qt::TextElideMode mode_;
};

// Escape runs escape (closing the window the way its own Exit or Close does);
// Enter and Return run enter, the window's default button, when there is one.
// Keys that a control of the window takes for itself are left to it.
void BindWindowKeys(QWidget* window, std::function<void()> escape,
                    std::function<void()> enter = nullptr);

// Fills a meter-type list with "OFF" and the type names; the types that an
// instrument setup file cannot hold stay in their places (the index is the
// type code) but cannot be chosen, and their tool tip says why.
void FillMeterTypeList(QComboBox* list);

// Whether the type at this index of such a list can be chosen.
bool MeterTypeSelectable(const QComboBox* list, int index);

}  // namespace rixui
