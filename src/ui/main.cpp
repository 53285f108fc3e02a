#include <QApplication>

#include "RixProgram.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("rix-gui");
    rixui::RixProgram program;
    program.Show();
    return QApplication::exec();
}
