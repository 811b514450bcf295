#include "lyrics/lyrics_layout.h"

namespace vl {

namespace {
int S(int n, int dpi) { return (n * dpi + 48) / 96; }
}  // namespace

ContentArea ComputeContentArea(int screenW, int screenH, int dpiX, int dpiY) {
    ContentArea a;
    a.left = S(5, dpiX) + S(2, dpiX);
    a.top = S(68, dpiY);
    a.width = screenW - S(4, dpiX) - S(9, dpiX);
    a.height = screenH - S(97, dpiY) - 2 * S(26, dpiY);
    return a;
}

ShowModeLayout ComputeShowMode(int showMode, const ContentArea& a) {
    ShowModeLayout m;
    const int H = a.height;
    auto at = [&a](int y, int height) { return ChildRect{true, a.left, a.top + y, a.width, height}; };
    switch (showMode) {
    case 0:
        m.listView = at(0, H);
        break;
    case 2:
        m.lyricsPane = at(0, H);
        m.paneHeight = H;
        m.scrollBase = H / 2;
        break;
    case 3:
        m.lyricsPane = at(0, H / 2 - 1);
        m.comparisonPane = at(H / 2 + 1, H / 2 - 1);
        m.paneHeight = H / 2;
        m.scrollBase = H / 4;
        break;
    case 4:
        m.listView = at(0, H / 3 - 1);
        m.lyricsPane = at(H / 3 + 1, H / 3 - 1);
        m.comparisonPane = at(2 * (H / 3) + 1, H / 3 - 1);
        m.paneHeight = H / 3;
        m.scrollBase = H / 6;
        break;
    default:
        m.listView = at(0, H / 2 - 1);
        m.lyricsPane = at(H / 2 + 1, H / 2 - 1);
        m.paneHeight = H / 2;
        m.scrollBase = H / 4;
        break;
    }
    return m;
}

PanelLayout ComputePanelLayout(int screenW, int screenH, int dpiX, int dpiY) {
    auto X = [dpiX](int n) { return S(n, dpiX); };
    auto Y = [dpiY](int n) { return S(n, dpiY); };
    PanelLayout p;
    p.barHeight = Y(26);
    p.clientWidth = screenW;
    p.clientHeight = screenH - 2 * Y(26);
    p.displayWidth = screenW - X(9);
    p.displayHeight = screenH - Y(32) - 2 * Y(26);
    p.buttonTop = screenH - Y(23) - 2 * Y(26);
    p.buttonCount = 7;
    p.statusTop = Y(20) + Y(5) + Y(3);
    p.statusHeight = Y(15);
    p.titleTop = Y(20) + Y(5) + Y(3);
    p.titleWidth = screenW - X(10) - 2 * X(9) - X(5) - Y(5);
    p.titleHeight = Y(15);
    p.seekTop = Y(20) + 2 * Y(5) + Y(15) + Y(3);
    p.seekWidth = screenW - X(2) - X(9);
    p.streamTop = Y(20) + Y(15) + Y(5) + Y(3) + Y(1);
    p.streamWidth = p.titleWidth;
    p.streamHeight = Y(15);
    p.volumeLeft = 7 * X(25) + X(5) + X(2);
    p.volumeTop = p.buttonTop;
    p.volumeWidth = X(51);
    p.volumeHeight = Y(20);
    p.volumeThumbWidth = X(10);
    return p;
}

}  // namespace vl
