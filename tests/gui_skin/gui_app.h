#pragma once
// The one QApplication the GUI tests of this program share (offscreen platform).
#include <QApplication>
#include <QImage>
#include <string>

namespace vl::test {

QApplication& GuiApp();

// Writes `image` as a Windows bitmap; false when it could not be written.
bool SaveBmp(const QImage& image, const std::string& path);

// A strip of `cells` cells of the given size, cell i filled with (i * 20, 100, 200 - i * 20)
// and its top-left pixel magenta.
QImage MakeStrip(int cells, int cellWidth, int cellHeight);

}  // namespace vl::test
