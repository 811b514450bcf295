// Where the lyrics window puts its parts, at the default screen and at double resolution.
#include <gtest/gtest.h>

#include "lyrics/lyrics_commands.h"
#include "lyrics/lyrics_layout.h"

namespace vl {
namespace {

struct Rect {
    int x, y, w, h;  // h 0 = hidden
};

struct ModeCase {
    int screenW, screenH, dpi, mode;
    Rect list, lyrics, comparison;
    int paneHeight, scrollBase;
};

void ExpectRect(const Rect& want, const ChildRect& got, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(want.h != 0, got.visible);
    if (want.h == 0) return;
    EXPECT_EQ(want.x, got.x);
    EXPECT_EQ(want.y, got.y);
    EXPECT_EQ(want.w, got.width);
    EXPECT_EQ(want.h, got.height);
}

TEST(LyricsLayout, ContentAreaAtTheDefaultScreen) {
    const ContentArea a = ComputeContentArea(240, 320, 96, 96);
    EXPECT_EQ(7, a.left);
    EXPECT_EQ(68, a.top);
    EXPECT_EQ(227, a.width);
    EXPECT_EQ(171, a.height);
}

TEST(LyricsLayout, ShowModes) {
    const ModeCase cases[] = {
        {240, 320, 96, 0, {7, 68, 227, 171}, {}, {}, -1, -1},
        {240, 320, 96, 1, {7, 68, 227, 84}, {7, 154, 227, 84}, {}, 85, 42},
        {240, 320, 96, 2, {}, {7, 68, 227, 171}, {}, 171, 85},
        {240, 320, 96, 3, {}, {7, 68, 227, 84}, {7, 154, 227, 84}, 85, 42},
        {240, 320, 96, 4, {7, 68, 227, 56}, {7, 126, 227, 56}, {7, 183, 227, 56}, 57, 28},
        {240, 320, 96, 7, {7, 68, 227, 84}, {7, 154, 227, 84}, {}, 85, 42},  // a stored value out of range
        // 480 x 640 at 192 dpi: area (14, 136, 454, 342)
        {480, 640, 192, 1, {14, 136, 454, 170}, {14, 308, 454, 170}, {}, 171, 85},
        {480, 640, 192, 2, {}, {14, 136, 454, 342}, {}, 342, 171},
        {480, 640, 192, 4, {14, 136, 454, 113}, {14, 251, 454, 113}, {14, 365, 454, 113}, 114, 57},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screenW << "x" << c.screenH << "@" << c.dpi << " mode " << c.mode);
        const ShowModeLayout m = ComputeShowMode(c.mode, ComputeContentArea(c.screenW, c.screenH, c.dpi, c.dpi));
        ExpectRect(c.list, m.listView, "list");
        ExpectRect(c.lyrics, m.lyricsPane, "lyrics");
        ExpectRect(c.comparison, m.comparisonPane, "comparison");
        EXPECT_EQ(c.paneHeight, m.paneHeight);
        EXPECT_EQ(c.scrollBase, m.scrollBase);
    }
}

TEST(LyricsLayout, PlayerPanelAcrossTheScreen) {
    const PanelLayout p = ComputePanelLayout(240, 320, 96, 96);
    EXPECT_EQ(240, p.clientWidth);
    EXPECT_EQ(268, p.clientHeight);
    EXPECT_EQ(26, p.barHeight);
    EXPECT_EQ(231, p.displayWidth);
    EXPECT_EQ(236, p.displayHeight);
    EXPECT_EQ(245, p.buttonTop);
    EXPECT_EQ(28, p.titleTop);
    EXPECT_EQ(202, p.titleWidth);
    EXPECT_EQ(15, p.titleHeight);
    EXPECT_EQ(48, p.seekTop);
    EXPECT_EQ(229, p.seekWidth);
    EXPECT_EQ(44, p.streamTop);
    EXPECT_EQ(182, p.volumeLeft);
    EXPECT_EQ(245, p.volumeTop);
    const PanelLayout big = ComputePanelLayout(480, 640, 192, 192);
    EXPECT_EQ(536, big.clientHeight);
    EXPECT_EQ(490, big.buttonTop);
    EXPECT_EQ(458, big.seekWidth);
    EXPECT_EQ(96, big.seekTop);
}

TEST(LyricsLayout, LyricsModeSteps) {
    const int steps[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 0}, {7, 1}, {-1, 1}};
    for (const auto& s : steps) EXPECT_EQ(s[1], NextShowMode(s[0])) << "from " << s[0];
}

}  // namespace
}  // namespace vl
