#pragma once
// A lyric pane of the lyrics window: a plain child with a one-pixel border that only paints
// (a tap on it does nothing). Its inside is drawn by the window, through an off-screen image
// so that scrolling never flickers.
#include <QImage>
#include <QWidget>

namespace vl {

class LyricsWindow;

class LyricsPane : public QWidget {
    Q_OBJECT

public:
    // index 0: the lyrics pane (a line's text); 1: the comparison pane (its second text).
    LyricsPane(LyricsWindow* window, int index);
    int Index() const { return index_; }
    // The pane's inside as the window draws it now.
    QImage Render();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    LyricsWindow* window_;
    int index_;
    QImage image_;
};

}  // namespace vl
