// The equalizer's vertical slider: trackbar requests, keys, stylus and what it draws.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "gui_app.h"
#include "ui/qt/small_slider.h"

namespace vl {
namespace {

class SmallSliderTest : public ::testing::Test {
protected:
    // The slider member needs the application before the fixture is built.
    static void SetUpTestSuite() { test::GuiApp(); }
    void SetUp() override {
        test::GuiApp();
        slider_.resize(30, 100 + 11);  // a track of 100 pixels
        slider_.SetRange(0, 62);
        connect();
    }
    void connect() {
        QObject::connect(&slider_, &SmallSlider::vScroll, [this](quint32 wParam, SmallSlider* from) {
            EXPECT_EQ(from, &slider_);
            EXPECT_EQ(wParam & 0xFFFF, 4u);
            sent_.push_back(static_cast<int>(wParam >> 16));
        });
    }
    SmallSlider slider_;
    std::vector<int> sent_;
};

TEST_F(SmallSliderTest, KeysMoveByPagesAndStepsWithinTheRange) {
    struct Row {
        Qt::Key key;
        int expected;
    } rows[] = {
        {Qt::Key_PageDown, 12}, {Qt::Key_PageDown, 24}, {Qt::Key_Down, 25}, {Qt::Key_Left, 26}, {Qt::Key_Up, 25},
        {Qt::Key_Right, 24},    {Qt::Key_PageUp, 12},   {Qt::Key_End, 62},  {Qt::Key_Down, 62}, {Qt::Key_Home, 0},
        {Qt::Key_PageUp, 0},
    };
    std::vector<int> expectedSent;
    int last = 0;
    for (const Row& row : rows) {
        QTest::keyClick(&slider_, row.key);
        EXPECT_EQ(slider_.GetPos(), row.expected) << row.key;
        if (row.expected != last) expectedSent.push_back(row.expected);  // no change, no message
        last = row.expected;
    }
    EXPECT_EQ(sent_, expectedSent);
}

TEST_F(SmallSliderTest, TrackbarRequestsClampAndDoNotNotify) {
    slider_.SendTrackbarMessage(kTbmSetPos, 0, 100);
    EXPECT_EQ(slider_.SendTrackbarMessage(kTbmGetPos, 0, 0), 62);
    slider_.SendTrackbarMessage(kTbmSetPos, 1, -5);
    EXPECT_EQ(slider_.GetPos(), 0);
    slider_.SendTrackbarMessage(kTbmSetPos, 0, 40);
    slider_.SendTrackbarMessage(kTbmSetRange, 1, 10 | (20 << 16));
    EXPECT_EQ(slider_.SendTrackbarMessage(kTbmGetRangeMin, 0, 0), 10);
    EXPECT_EQ(slider_.SendTrackbarMessage(kTbmGetRangeMax, 0, 0), 20);
    EXPECT_EQ(slider_.GetPos(), 20);
    slider_.SendTrackbarMessage(kTbmSetTic, 0, 15);
    EXPECT_EQ(slider_.GetTic(), 15);
    EXPECT_EQ(slider_.SendTrackbarMessage(9999, 0, 0), 0);
    EXPECT_TRUE(sent_.empty());
}

TEST_F(SmallSliderTest, StylusPicksThePositionFromTheHeightAndDragsUntilReleased) {
    slider_.SetRange(0, 50);
    QTest::mousePress(&slider_, Qt::LeftButton, Qt::NoModifier, QPoint(15, 40));
    EXPECT_EQ(slider_.GetPos(), 20);  // 50 / 100 * 40
    EXPECT_TRUE(slider_.IsDragging());
    QTest::mouseMove(&slider_, QPoint(15, 500));
    EXPECT_EQ(slider_.GetPos(), 50);
    QTest::mouseMove(&slider_, QPoint(15, -30));
    EXPECT_EQ(slider_.GetPos(), 0);
    QTest::mouseRelease(&slider_, Qt::LeftButton, Qt::NoModifier, QPoint(15, -30));
    EXPECT_FALSE(slider_.IsDragging());
    QTest::mouseMove(&slider_, QPoint(15, 60));
    EXPECT_EQ(slider_.GetPos(), 0);
    EXPECT_EQ(sent_, (std::vector<int>{20, 50, 0}));

    slider_.SetRange(7, 7);  // an empty range: the thumb stays at the top
    QTest::mousePress(&slider_, Qt::LeftButton, Qt::NoModifier, QPoint(15, 80));
    EXPECT_EQ(slider_.GetPos(), 7);
    EXPECT_EQ(slider_.ThumbY(7), 0);
}

TEST_F(SmallSliderTest, DrawsTickGrooveThumbAndFocusOutline) {
    for (int dpi : {96, 192}) {
        SCOPED_TRACE(dpi);
        auto s = [dpi](int n) { return (n * dpi + 48) / 96; };
        SmallSlider slider(nullptr, dpi);
        slider.resize(s(30), 100 + s(11));
        slider.SetRange(0, 10);
        slider.SetTic(5);
        slider.SetPos(true, 10);
        const int c = slider.width() / 2;
        QImage shot = slider.grab().toImage();
        const int tickY = slider.ThumbY(5) + s(5);
        EXPECT_EQ(shot.pixel(c - s(7), tickY), qRgb(0, 0, 0));
        EXPECT_EQ(shot.pixel(c + s(8) - 1, tickY), qRgb(0, 0, 0));
        EXPECT_EQ(shot.pixel(c - s(8), tickY), qRgb(255, 255, 255));
        EXPECT_EQ(shot.pixel(c, 2), qRgb(192, 192, 192));  // groove above the thumb
        EXPECT_EQ(shot.pixel(c + s(6), 2), qRgb(255, 255, 255));
        // The thumb sits at the bottom: its centre is neither groove nor white.
        const QRgb centre = shot.pixel(c, slider.height() - s(6));
        EXPECT_NE(centre, qRgb(192, 192, 192));
        EXPECT_NE(centre, qRgb(255, 255, 255));
        EXPECT_EQ(slider.ThumbRect(10).bottom(), slider.height() - 1);
    }
    // With the focus the groove gets an outline.
    QWidget window;
    auto* slider = new SmallSlider(&window);
    slider->setGeometry(0, 0, 30, 111);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    slider->setFocus();
    ASSERT_TRUE(slider->hasFocus());
    QImage shot = slider->grab().toImage();
    EXPECT_EQ(shot.pixel(15 - 4, 50), qRgb(0, 0, 0));
    EXPECT_EQ(shot.pixel(15 + 4, 50), qRgb(0, 0, 0));
    slider->clearFocus();
    EXPECT_EQ(slider->grab().toImage().pixel(15 - 4, 50), qRgb(192, 192, 192));
}

}  // namespace
}  // namespace vl
