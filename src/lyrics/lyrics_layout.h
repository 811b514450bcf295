#pragma once
// Where the lyrics window puts its parts: the player panel's values for the window's width,
// the content area below it and the three children of each show mode. Pure arithmetic on the
// screen (or, for a resized window, client width x client height + two bar heights) so that it
// is tested without a window. Every division is an integer division.
namespace vl {

struct ChildRect {
    bool visible = false;
    int x = 0, y = 0, width = 0, height = 0;
};

struct ContentArea {
    int left = 0, top = 0, width = 0, height = 0;
};

// The content area of a screenW x screenH screen at dpiX/dpiY (7, 68, 227, 171 at 240 x 320
// and 96 dpi).
ContentArea ComputeContentArea(int screenW, int screenH, int dpiX, int dpiY);

struct ShowModeLayout {
    ChildRect listView, lyricsPane, comparisonPane;
    // -1 where the mode leaves them unchanged (show mode 0).
    int paneHeight = -1;
    int scrollBase = -1;
};

// The children of show mode 0..4; any other mode shows what mode 1 shows.
ShowModeLayout ComputeShowMode(int showMode, const ContentArea& area);

// The base player panel's values for the full-width window.
struct PanelLayout {
    int clientWidth = 0, clientHeight = 0;
    int displayWidth = 0, displayHeight = 0;
    int buttonTop = 0, buttonCount = 7;
    int statusTop = 0, statusHeight = 0;
    int titleTop = 0, titleWidth = 0, titleHeight = 0;
    int seekTop = 0, seekWidth = 0;
    int streamTop = 0, streamWidth = 0, streamHeight = 0;
    int volumeLeft = 0, volumeTop = 0, volumeWidth = 0, volumeHeight = 0, volumeThumbWidth = 0;
    int barHeight = 0;  // the menu bar strip along the bottom edge
};

PanelLayout ComputePanelLayout(int screenW, int screenH, int dpiX, int dpiY);

// Whole seconds of a millisecond time, as the A-B range compares them.
inline int WholeSeconds(int ms) { return ms / 1000; }

}  // namespace vl
