#include "ui/qt/bitmap_stretch.h"

#include <QPainter>
#include <cstdlib>

namespace vl {

int ScalePixels(int n, int dpi) {
    int scaled = (std::abs(n) * dpi + 48) / 96;
    return n < 0 ? -scaled : scaled;
}

bool StretchBitmap(QImage& bitmap, int width, int height, int columns, int rows) {
    if (bitmap.isNull() || (width == 0 && height == 0) || columns <= 0 || rows <= 0) return false;
    const int cellWidth = bitmap.width() / columns;
    const int cellHeight = bitmap.height() / rows;
    if (cellWidth <= 0 || cellHeight <= 0) return false;
    if (width == cellWidth && height == cellHeight) return true;
    auto sign = [](int v) { return v < 0 ? -1 : 1; };
    if (width == 0)
        width = sign(height) * ((cellWidth * std::abs(height) + cellHeight / 2) / cellHeight);
    else if (height == 0)
        height = sign(width) * ((cellHeight * std::abs(width) + cellWidth / 2) / cellWidth);
    // Negative sizes would mirror; a bitmap cannot have them, so they count as their size.
    width = std::abs(width);
    height = std::abs(height);
    if (width == 0 || height == 0) return false;

    QImage out(columns * width, rows * height, QImage::Format_RGB32);
    if (bitmap.hasAlphaChannel()) out = out.convertToFormat(QImage::Format_ARGB32);
    out.fill(0);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            painter.drawImage(QRect(c * width, r * height, width, height), bitmap,
                              QRect(c * cellWidth, r * cellHeight, cellWidth, cellHeight));
    painter.end();
    bitmap = out;
    return true;
}

}  // namespace vl
