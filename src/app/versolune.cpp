// versolune: the player window.
#include <QApplication>
#include <QLabel>

#include "ui/qt/gui_version.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(vl::GuiVersionText());
    label.show();
    return app.exec();
}
