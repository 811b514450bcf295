#pragma once
// "SmallSlider": the compact vertical slider of the equalizer page. It answers the trackbar
// requests the page makes (range, position, tick) and reports every change made with the keys
// or the stylus, like a trackbar's WM_VSCROLL.
#include <QImage>
#include <QWidget>
#include <cstdint>

namespace vl {

// Trackbar request numbers the slider answers through SendTrackbarMessage.
constexpr unsigned kTbmGetPos = 1024;
constexpr unsigned kTbmGetRangeMin = 1025;
constexpr unsigned kTbmGetRangeMax = 1026;
constexpr unsigned kTbmSetTic = 1028;
constexpr unsigned kTbmSetPos = 1029;
constexpr unsigned kTbmSetRange = 1030;
constexpr int kSbThumbPosition = 4;

class SmallSlider : public QWidget {
    Q_OBJECT
public:
    // `dpi`: the screen's horizontal resolution, for the thumb and groove sizes.
    explicit SmallSlider(QWidget* parent = nullptr, int dpi = 96);
    ~SmallSlider() override;

    int GetPos() const { return position_; }
    int GetRangeMin() const { return minimum_; }
    int GetRangeMax() const { return maximum_; }
    int GetTic() const { return tick_; }
    bool IsDragging() const { return dragging_; }
    // Stores the position clamped to the range; repaints only with `redraw`; never notifies.
    void SetPos(bool redraw, int position);
    // New range (the position is clamped to it); redraws the background.
    void SetRange(int minimum, int maximum);
    void SetTic(int value);
    // The trackbar requests by number (TBM_SETRANGE packs the minimum in the low word and the
    // maximum in the high word of lParam); 0 for requests it does not know.
    intptr_t SendTrackbarMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

    // Top of the thumb for a value; the minimum is at the top.
    int ThumbY(int value) const;
    QRect ThumbRect(int value) const;

signals:
    // A change made with the keys or the stylus: wParam = position * 65536 + SB_THUMBPOSITION.
    void vScroll(quint32 wParam, vl::SmallSlider* slider);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int S(int n) const;
    int Centre() const { return width() / 2; }
    int Track() const { return height() - S(11); }
    int Clamp(int value) const;
    int ValueFromY(int y) const;
    // Sets a position chosen by the user: repaints the thumb and notifies when it changed.
    void UserSetPos(int position);
    void DrawBackground();

    int position_ = 0;
    int minimum_ = 0;
    int maximum_ = 0;
    int tick_ = 0;
    bool dragging_ = false;
    int dpi_;
    QImage thumb_;
    QImage background_;  // each slider keeps its own, so none can free another's
};

}  // namespace vl
