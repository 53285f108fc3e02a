// The desktop program's plot window: a file of the last run (or one chosen
// in a dialog), its columns, the four kinds of plot, zoom with a rubber band,
// pan, reset, and saving the picture as PNG or SVG. Files are read on a
// thread of their own.
#pragma once
#include <QChartView>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "PlotModel.h"
#include "inspect/ExtractedFile.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QThread;

namespace rix {
class Reporter;
}

namespace rixplot {

class PlotChart;

// A chart view that zooms with a rubber band (left button), pans with the
// middle button, Shift and the left button, or the arrow keys.
class PanningChartView : public QChartView {
    Q_OBJECT
public:
    explicit PanningChartView(QChart* chart, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool panning_ = false;
    QPoint last_;
};

struct PlotDialogs {
    // The file to plot, or empty when cancelled.
    std::function<QString(QWidget* parent)> chooseFile;
    // Where to save the picture (.png or .svg), or empty when cancelled.
    std::function<QString(QWidget* parent)> chooseSave;
};

class PlotWindow : public QWidget {
    Q_OBJECT
public:
    PlotWindow(rix::Reporter& reporter, PlotDialogs dialogs, QWidget* parent = nullptr);
    ~PlotWindow() override;

    // The files offered in the file list (the channel and merged files of a run).
    void SetFiles(const QStringList& files);
    // Reads a file (on the reader thread) and draws its default plot.
    void OpenFile(const QString& path);
    // Waits for the reader thread (tests).
    void WaitIdle();

    // The channel files a run's working file (_MRG) lists, and the merged
    // files next to it, that exist.
    static QStringList RunFiles(const QString& workingFile);
    // The newest working file (*_MRG.*) in a folder, or empty.
    static QString NewestWorkingFile(const QString& folder);

    PlotChart* Chart() const { return chart_; }
    PanningChartView* View() const { return view_; }
    QComboBox* FileBox() const { return files_; }
    QComboBox* KindBox() const { return kind_; }
    QComboBox* XBox() const { return x_; }
    QListWidget* YList() const { return y_; }
    QSlider* RowSlider() const { return row_; }
    QPushButton* ResetButton() const { return reset_; }
    QPushButton* SaveButton() const { return save_; }

    void OpenClick();
    void SaveClick();
    // Draws the file again with the kind and columns the controls show.
    void Redraw();

private:
    void Load(const QString& path, const PlotRequest& request, bool fillControls);
    void Loaded(bool ok, const QString& message, bool fillControls);
    void FillControls();
    PlotRequest CurrentRequest() const;
    void SetBusy(bool busy);

    rix::Reporter& reporter_;
    PlotDialogs dialogs_;
    PlotChart* chart_;
    PanningChartView* view_;
    QComboBox* files_;
    QComboBox* kind_;
    QComboBox* x_;
    QListWidget* y_;
    QSlider* row_;
    QLabel* rowLabel_;
    QPushButton* open_;
    QPushButton* draw_;
    QPushButton* reset_;
    QPushButton* save_;
    QThread* thread_ = nullptr;

    // What the reader thread hands back.
    QString path_;
    rix::ExtractedLayout layout_;
    std::shared_ptr<PlotData> pending_;
    bool updating_ = false;
};

}  // namespace rixplot
