#include "gui_app.h"

#include <QPainter>

namespace vl::test {

QApplication& GuiApp() {
    static int argc = 1;
    static char name[] = "test_gui_skin";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

bool SaveBmp(const QImage& image, const std::string& path) {
    return image.convertToFormat(QImage::Format_RGB888).save(QString::fromStdString(path), "BMP");
}

QImage MakeStrip(int cells, int cellWidth, int cellHeight) {
    QImage strip(cells * cellWidth, cellHeight, QImage::Format_RGB32);
    for (int i = 0; i < cells; ++i) {
        for (int y = 0; y < cellHeight; ++y)
            for (int x = 0; x < cellWidth; ++x) strip.setPixel(i * cellWidth + x, y, qRgb(i * 20, 100, 200 - i * 20));
        strip.setPixel(i * cellWidth, 0, qRgb(255, 0, 255));
    }
    return strip;
}

}  // namespace vl::test
