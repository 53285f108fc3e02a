#include "Rawfile.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Widgets.h"

namespace rixui {

TRawFileForm::TRawFileForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("RawFileForm");
    setWindowTitle("Process a Single Raw File");

    auto* group = new QGroupBox("Process a Single Raw File", this);
    auto* types = new QComboBox(group);
    types->setObjectName("RawFileMeterTypeCB");
    FillMeterTypeList(types);
    auto* device = new QLineEdit("     *.DEV  *.CON  *.CAL     ", group);
    device->setObjectName("RawDevFileEdit");
    auto* interval = new QLineEdit("0", group);
    interval->setObjectName("RawFileTimeME");
    interval->setToolTip("Set to Time Interval to Zero \nTo Use Meter Interval Time");
    auto* rawName = new QLineEdit(group);
    rawName->setObjectName("RawFileEdit");
    auto* status = new QLabel("Status:  ", group);
    status->setObjectName("RawFileStatus");
    auto* process = new QPushButton("&Process File", group);
    process->setObjectName("ProcessRawBT");

    auto* form = new QFormLayout(group);
    form->addRow(types);
    form->addRow("Device File", device);
    form->addRow("_Time Interval  (ms)  ", interval);
    form->addRow("            Raw File Name            ", rawName);
    form->addRow(status);
    form->addRow(process);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    resize(460, 260);
    BindWindowKeys(this, [this] { hide(); });
}

}  // namespace rixui
