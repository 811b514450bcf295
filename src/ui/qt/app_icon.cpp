#include "ui/qt/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace vl {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2f, 0x5d, 0x9e));
        p.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
        // A crescent over a note stem: the moon of the name.
        p.setBrush(QColor(0xf3, 0xe0, 0x8a));
        p.drawEllipse(QRectF(size * 0.2, size * 0.2, size * 0.5, size * 0.5));
        p.setBrush(QColor(0x2f, 0x5d, 0x9e));
        p.drawEllipse(QRectF(size * 0.32, size * 0.14, size * 0.45, size * 0.45));
        p.setBrush(QColor(0xf3, 0xe0, 0x8a));
        p.drawRect(QRectF(size * 0.66, size * 0.35, size * 0.08, size * 0.4));
        p.drawEllipse(QRectF(size * 0.52, size * 0.66, size * 0.22, size * 0.16));
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace vl
