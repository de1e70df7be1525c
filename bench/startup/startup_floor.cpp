// veldo-startup-floor: the least a Qt Widgets program does to show a 580 x 200 window, measured
// like the player's start-up probe. The floor of the start-up figure.
#include <QApplication>
#include <QWidget>

#include "first_paint_report.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(580, 200);
    veldo::bench::FirstPaintReport report(&window);
    window.show();
    return app.exec();
}
