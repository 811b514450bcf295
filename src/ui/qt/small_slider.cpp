#include "ui/qt/small_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/qt/bitmap_stretch.h"
#include "ui/qt/image_list.h"
#include "ui/qt/skin_info.h"

namespace vl {

SmallSlider::SmallSlider(QWidget* parent, int dpi) : QWidget(parent), dpi_(dpi > 0 ? dpi : 96) {
    setObjectName(QStringLiteral("SmallSlider"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QImage thumb = LoadResourceBitmap(kResSliderThumb);
    if (StretchBitmap(thumb, S(11), S(11), 1, 1)) {
        ImageList keyed(S(11), S(11));
        if (keyed.AddMasked(thumb)) thumb_ = keyed.Cell(0);
    }
    DrawBackground();
}

SmallSlider::~SmallSlider() = default;

int SmallSlider::S(int n) const { return ScalePixels(n, dpi_); }

int SmallSlider::Clamp(int value) const {
    if (value > maximum_) value = maximum_;
    if (value < minimum_) value = minimum_;
    return value;
}

int SmallSlider::ThumbY(int value) const {
    if (maximum_ == minimum_) return 0;
    return static_cast<int>(static_cast<double>(Track()) / (maximum_ - minimum_) * (value - minimum_));
}

QRect SmallSlider::ThumbRect(int value) const { return QRect(Centre() - S(5), ThumbY(value), S(11), S(11)); }

int SmallSlider::ValueFromY(int y) const {
    if (maximum_ == minimum_ || Track() <= 0) return minimum_;
    return static_cast<int>(static_cast<double>(maximum_ - minimum_) / Track() * y + minimum_);
}

void SmallSlider::SetPos(bool redraw, int position) {
    position_ = Clamp(position);
    if (redraw) update();
}

void SmallSlider::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    position_ = Clamp(position_);
    DrawBackground();
    update();
}

void SmallSlider::SetTic(int value) {
    tick_ = value;
    DrawBackground();
    update();
}

intptr_t SmallSlider::SendTrackbarMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case kTbmGetPos: return position_;
    case kTbmGetRangeMin: return minimum_;
    case kTbmGetRangeMax: return maximum_;
    case kTbmSetTic: SetTic(static_cast<int>(lParam)); return 0;
    case kTbmSetPos: SetPos(wParam != 0, static_cast<int>(lParam)); return 0;
    case kTbmSetRange:
        SetRange(static_cast<int>(lParam & 0xFFFF), static_cast<int>((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFF));
        return 0;
    default: return 0;
    }
}

void SmallSlider::UserSetPos(int position) {
    position = Clamp(position);
    if (position == position_) return;
    QRect dirty = ThumbRect(position_).united(ThumbRect(position));
    position_ = position;
    update(dirty);
    emit vScroll(static_cast<quint32>(position) * 65536u + kSbThumbPosition, this);
}

void SmallSlider::DrawBackground() {
    QSize size = this->size().expandedTo(QSize(1, 1));
    background_ = QImage(size, QImage::Format_RGB32);
    background_.fill(Qt::white);
    QPainter painter(&background_);
    const int c = Centre();
    if (maximum_ != minimum_) {
        painter.setPen(Qt::black);
        const int y = ThumbY(tick_) + S(5);
        painter.drawLine(c - S(7), y, c + S(8) - 1, y);  // the end point is not drawn
    }
    const int half = ((dpi_ + 12) * 4) / 96;
    painter.fillRect(QRect(c - half, 0, half + S(5), size.height()), QColor(192, 192, 192));
}

void SmallSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
    const int c = Centre();
    const int bottom = height();
    if (hasFocus()) {
        painter.setPen(Qt::black);
        const QPoint outline[] = {{c - S(4), 0}, {c - S(4), bottom - S(1)}, {c + S(5) - S(1), bottom - S(1)},
                                  {c + S(5) - S(1), 0}, {c - S(4), 0}};
        painter.drawPolyline(outline, 5);
    }
    if (!thumb_.isNull()) painter.drawImage(c - S(5), ThumbY(position_), thumb_);
}

void SmallSlider::resizeEvent(QResizeEvent*) { DrawBackground(); }
void SmallSlider::focusInEvent(QFocusEvent*) { update(); }
void SmallSlider::focusOutEvent(QFocusEvent*) { update(); }

void SmallSlider::keyPressEvent(QKeyEvent* event) {
    const int page = (maximum_ - minimum_) / 5;
    switch (event->key()) {
    case Qt::Key_PageUp: UserSetPos(position_ - page); break;
    case Qt::Key_PageDown: UserSetPos(position_ + page); break;
    case Qt::Key_End: UserSetPos(maximum_); break;
    case Qt::Key_Home: UserSetPos(minimum_); break;
    case Qt::Key_Left:
    case Qt::Key_Down: UserSetPos(position_ + 1); break;
    case Qt::Key_Up:
    case Qt::Key_Right: UserSetPos(position_ - 1); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void SmallSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    setFocus(Qt::MouseFocusReason);
    UserSetPos(ValueFromY(event->position().toPoint().y()));
}

void SmallSlider::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) UserSetPos(ValueFromY(event->position().toPoint().y()));
}

void SmallSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
}

}  // namespace vl
