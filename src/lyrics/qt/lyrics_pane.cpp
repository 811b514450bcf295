#include "lyrics/qt/lyrics_pane.h"

#include <QPainter>

#include "lyrics/qt/lyrics_window.h"

namespace vl {

LyricsPane::LyricsPane(LyricsWindow* window, int index) : QWidget(window), window_(window), index_(index) {
    setObjectName(index == 0 ? QStringLiteral("lyricsPane") : QStringLiteral("comparisonPane"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

QImage LyricsPane::Render() {
    const QSize inside(std::max(1, width() - 2), std::max(1, height() - 2));
    if (image_.size() != inside) image_ = QImage(inside, QImage::Format_RGB32);
    QPainter dc(&image_);
    window_->DrawLyricsPane(index_, dc, inside);
    return image_;
}

void LyricsPane::paintEvent(QPaintEvent*) {
    Render();
    QPainter dc(this);
    dc.drawImage(1, 1, image_);
    dc.setPen(Qt::black);
    dc.drawRect(0, 0, width() - 1, height() - 1);
}

}  // namespace vl
