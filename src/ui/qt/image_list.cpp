#include "ui/qt/image_list.h"

#include <QPainter>

namespace vl {

QImage LoadResourceBitmap(int id) {
    return QImage(QStringLiteral(":/bitmaps/%1").arg(id));
}

bool ImageList::AddMasked(const QImage& strip, QRgb mask) {
    if (strip.isNull() || cellWidth_ <= 0 || cellHeight_ <= 0) return false;
    const int added = strip.width() / cellWidth_;
    if (added <= 0) return false;
    QImage keyed = strip.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = mask & 0xFFFFFF;
    for (int y = 0; y < keyed.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    QImage grown(cellWidth_ * (count_ + added), cellHeight_, QImage::Format_ARGB32_Premultiplied);
    grown.fill(Qt::transparent);
    QPainter painter(&grown);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (count_ > 0) painter.drawImage(0, 0, cells_);
    // Each cell is cut to the list's cell size; a strip taller than a cell keeps its top.
    painter.drawImage(cellWidth_ * count_, 0, keyed, 0, 0, cellWidth_ * added, cellHeight_);
    painter.end();
    cells_ = grown;
    count_ += added;
    return true;
}

void ImageList::Draw(QPainter& painter, int index, int x, int y) const {
    if (index < 0 || index >= count_) return;
    painter.drawImage(x, y, cells_, index * cellWidth_, 0, cellWidth_, cellHeight_);
}

QImage ImageList::Cell(int index) const {
    if (index < 0 || index >= count_) return QImage();
    return cells_.copy(index * cellWidth_, 0, cellWidth_, cellHeight_);
}

}  // namespace vl
