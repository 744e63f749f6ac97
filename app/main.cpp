// Plask, the desktop program: photon stream analysis for single-molecule
// fluorescence and FCS recordings.

#include "ui/startup.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return plask::ui::runProgram(app, QApplication::arguments());
}
