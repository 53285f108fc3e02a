// The raw-file window: the fields of a single raw-file run, without actions.
// Raw files are processed through the extraction setup's "Raw File" input.
#pragma once
#include <QWidget>

namespace rixui {

class TRawFileForm : public QWidget {
    Q_OBJECT
public:
    explicit TRawFileForm(QWidget* parent = nullptr);
};

}  // namespace rixui
