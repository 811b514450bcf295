// The player window's skinned face: what each region shows, and the stylus on it.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <vector>

#include "engine/player_engine.h"
#include "gui_app.h"
#include "platform/screen_profile.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "settings/player_settings.h"
#include "support/test_support.h"
#include "support/wav_file.h"
#include "ui/qt/main_window.h"
#include "ui/qt/skin_info.h"
#include "ui/qt/window_message.h"

namespace vl {
namespace {

int S(int n, int dpi) { return (n * dpi + 48) / 96; }

struct Cell {
    int cell, x, y;
};

// Keeps the commands the window posts to itself instead of running them.
class CommandTrap : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != kCommandEvent) return false;
        commands.push_back(static_cast<int>(static_cast<WindowMessageEvent*>(event)->wParam));
        return true;
    }
    std::vector<int> commands;
};

class WindowDrawingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::GuiApp();
        home_ = test::TempDir();
        setenv("VERSOLUNE_HOME", home_.c_str(), 1);
        wav_ = home_ + "/tone.wav";
        // 125 s: the time shows 02:05 while stopped.
        ASSERT_TRUE(test::WriteWav(wav_, test::MakeTone(8000, 1, 125.0)));
    }
    void TearDown() override {
        window_.reset();
        SetScreenProfile(ScreenProfile());
        SetWaveVolume(0xFFFFFFFF);
        SetAudioBackend(std::string());
    }
    MainWindow& Open(int dpi, const std::string& skinFile = std::string()) {
        ScreenProfile profile;
        profile.dpiX = profile.dpiY = dpi;
        SetScreenProfile(profile);
        window_ = std::make_unique<MainWindow>();
        MainWindow& w = *window_;
        EXPECT_TRUE(w.Create(L"", 1));
        w.settings->saveDefPlayList = 0;
        if (!skinFile.empty()) {
            std::wcsncpy(w.settings->skinFile, WidePath(skinFile).c_str(), 259);
            w.UnloadSkin();
            w.LoadSkin();
        }
        w.installEventFilter(&trap_);
        return w;
    }
    // The window's background with `cells` of the skin strip `list` drawn at their points.
    QImage Expected(MainWindow& w, int list, const std::vector<Cell>& cells) {
        QImage image = w.backgroundImage.copy();
        QPainter painter(&image);
        for (const Cell& c : cells) w.skin->GetImageList(list)->Draw(painter, c.cell, c.x, c.y);
        return image;
    }
    static bool SameRegion(const QImage& a, const QImage& b, const QRect& r) {
        return a.copy(r).convertToFormat(QImage::Format_RGB32) == b.copy(r).convertToFormat(QImage::Format_RGB32);
    }
    // The window as the screen shows it.
    static QImage Shot(MainWindow& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    std::vector<int> Posted(MainWindow& w) {
        QCoreApplication::sendPostedEvents(&w, kCommandEvent);
        std::vector<int> out;
        out.swap(trap_.commands);
        return out;
    }

    static std::string home_;
    static std::string wav_;
    std::unique_ptr<MainWindow> window_;
    CommandTrap trap_;
};

std::string WindowDrawingTest::home_;
std::string WindowDrawingTest::wav_;

std::vector<Cell> TimeCells(const int digits[5], int dpi) {
    auto s = [dpi](int n) { return S(n, dpi); };
    const int xs[5] = {s(30) + s(5), s(30) + s(10) + s(5), s(30) + s(20) + s(5), s(30) + s(5) + s(24),
                       s(34) + s(30) + s(5)};
    std::vector<Cell> cells;
    for (int i = 0; i < 5; ++i) cells.push_back({digits[i], xs[i], 2 * s(5)});
    return cells;
}

TEST_F(WindowDrawingTest, BuiltInSkinRegionsHoldTheirValues) {
    for (int dpi : {96, 192}) {
        SCOPED_TRACE(dpi);
        auto s = [dpi](int n) { return S(n, dpi); };
        MainWindow& w = Open(dpi);
        EXPECT_EQ(w.buttonCount, 7);
        EXPECT_EQ(w.volumeWidth, s(51));
        const QRect number(2 * s(5), 2 * s(5), s(20), s(15));
        const QRect time(s(30) + s(5), 2 * s(5), s(45), s(15));

        // No entry: track 00 and time 00:00.
        QImage shot = Shot(w);
        ASSERT_EQ(shot.size(), QSize(s(238), s(80)));
        const int zeros[5] = {0, 0, 10, 0, 0};
        EXPECT_TRUE(SameRegion(shot, Expected(w, kSkinNumber, {{0, 2 * s(5), 2 * s(5)}, {0, s(10) + 2 * s(5), 2 * s(5)}}),
                               number));
        EXPECT_TRUE(SameRegion(shot, Expected(w, kSkinNumber, TimeCells(zeros, dpi)), time));

        // A 125 s track, stopped: track 01, its length 02:05, and half of the seek bar at 62.5 s.
        ASSERT_TRUE(w.AddEntry(WidePath(wav_)));
        ASSERT_EQ(w.GetCurrentIndex(), 0);
        ASSERT_TRUE(w.engine->Seek(62500));
        shot = Shot(w);
        EXPECT_TRUE(SameRegion(shot, Expected(w, kSkinNumber, {{0, 2 * s(5), 2 * s(5)}, {1, s(10) + 2 * s(5), 2 * s(5)}}),
                               number));
        const int length[5] = {0, 2, 10, 0, 5};
        EXPECT_TRUE(SameRegion(shot, Expected(w, kSkinNumber, TimeCells(length, dpi)), time));
        const QColor seek = ColorFromRef(w.skin->GetColor(kSeekColor));
        const int seekLeft = s(5) + s(1);
        const int half = 62500 * (s(228) - s(2)) / 125000;
        EXPECT_EQ(QColor(shot.pixel(seekLeft, w.seekTop)), seek);
        EXPECT_EQ(QColor(shot.pixel(seekLeft + half - 1, w.seekTop + ((dpi + 12) * 4) / 96 - 1)), seek);
        EXPECT_NE(QColor(shot.pixel(seekLeft + half, w.seekTop)), seek);

        // Format info: "<kbps> kbps 8 kHz MONO" in InfoColor over the background.
        const TrackInfo& info = w.GetEntry(0)->trackInfo;
        ASSERT_EQ(info.sampleRate, 8000);
        ASSERT_EQ(info.channels, 1);
        const QRect format(s(96) + s(5), s(5) + s(12), s(120), s(9));
        QImage text = w.backgroundImage.copy();
        {
            QPainter painter(&text);
            painter.setClipRect(format);
            painter.setFont(w.textFont);
            painter.setPen(ColorFromRef(w.skin->GetColor(kInfoColor)));
            painter.drawText(format, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
                             QStringLiteral("%1 kbps 8 kHz MONO").arg(info.bitrate));
        }
        EXPECT_FALSE(SameRegion(shot, w.backgroundImage, format));
        EXPECT_TRUE(SameRegion(shot, text, format));

        // Peak meter: half and full width bars, two pixels high, three apart.
        w.OnEnginePeaks(50, 100);
        shot = Shot(w);
        const QColor left = ColorFromRef(w.skin->GetColor(kPeekColorL));
        const int px = s(96) + s(5), py = 2 * s(5);
        EXPECT_EQ(QColor(shot.pixel(px, py)), left);
        EXPECT_EQ(QColor(shot.pixel(px + s(120) / 2 - 1, py + 1)), left);
        EXPECT_NE(QColor(shot.pixel(px + s(120) / 2, py)), left);
        EXPECT_NE(QColor(shot.pixel(px, py + 2)), left);
        EXPECT_EQ(QColor(shot.pixel(px + s(120) - 1, py + 4)), ColorFromRef(w.skin->GetColor(kPeekColorR)));

        // Play options: repeat one and shuffle.
        w.settings->repeat = 2;
        w.settings->shuffle = 1;
        shot = Shot(w);
        const int ox = s(30) + s(48) + s(5);
        EXPECT_TRUE(SameRegion(shot, Expected(w, kSkinPlayOption, {{2, ox, 2 * s(5)}, {1, ox, 2 * (s(5) + 4)}}),
                               QRect(ox, 2 * s(5), s(10), s(15))));
        w.settings->repeat = 0;
        w.settings->shuffle = 0;
        window_.reset();
    }
}

TEST_F(WindowDrawingTest, TimeShowsThePositionOrWhatRemains) {
    SetAudioBackend("null");  // paced in real time, so the track cannot end before the pause
    MainWindow& w = Open(96);
    ASSERT_TRUE(w.AddEntry(WidePath(wav_)));
    ASSERT_TRUE(w.Play(-1));
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w.engine->GetState() == kPlaying; }, 5000));
    w.Pause();
    ASSERT_EQ(w.engine->GetState(), kPaused);
    ASSERT_TRUE(w.engine->Seek(83400));
    const QRect time(35, 10, 45, 15);
    const int position[5] = {0, 1, 10, 2, 3};  // 01:23
    EXPECT_TRUE(SameRegion(Shot(w), Expected(w, kSkinNumber, TimeCells(position, 96)), time));
    w.settings->timeReverse = 1;  // 125 - 83.4 s left: 00:41
    const int remaining[5] = {0, 0, 10, 4, 1};
    EXPECT_TRUE(SameRegion(Shot(w), Expected(w, kSkinNumber, TimeCells(remaining, 96)), time));
    w.Stop();
}

TEST_F(WindowDrawingTest, VersionOneSkinHasEightButtonsAndNoSlider) {
    const std::string gps = home_ + "/old.gps";
    ASSERT_TRUE(test::WriteFile(gps, "[Versolune Skin]\nVersion=1\n"));
    MainWindow& w = Open(96, gps);
    EXPECT_EQ(w.buttonCount, 8);
    EXPECT_EQ(w.volumeWidth, 0);
    QImage shot = Shot(w);
    // Button 7 (180..204) holds its 16 x 16 cell centred; the slider's place beyond it is bare.
    EXPECT_TRUE(SameRegion(shot, Expected(w, kSkinButton, {{7, 180 + 4, 57 + 2}}), QRect(180, 57, 25, 20)));
    EXPECT_TRUE(SameRegion(shot, w.backgroundImage, QRect(205, 57, 28, 20)));
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(190, 65));
    EXPECT_EQ(Posted(w), std::vector<int>{104});
    // No slider to hit: a tap there is outside the panel and opens the window menu.
    bool menuShown = false;
    QTimer::singleShot(0, [&menuShown] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            menuShown = true;
            menu->close();
        }
    });
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(220, 65));
    EXPECT_TRUE(menuShown);
    EXPECT_EQ(GetWaveVolume(), 0xFFFFFFFFu);
}

TEST_F(WindowDrawingTest, ButtonsPostTheirCommandOnlyWhenReleasedInside) {
    MainWindow& w = Open(96);
    const QPoint play(5 + 25 + 12, 60);
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, play);
    EXPECT_EQ(w.pressedIndex, 1);
    QImage pressed = Shot(w);
    EXPECT_TRUE(SameRegion(pressed, Expected(w, kSkinButtonPush, {{1, 30, 57}}), QRect(30, 57, 25, 20)));
    QTest::mouseMove(&w, QPoint(120, 60));
    EXPECT_EQ(w.buttonPressed, 0);
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, QPoint(120, 60));
    EXPECT_TRUE(Posted(w).empty());
    // Released elsewhere without a move in between: still nothing.
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, play);
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, QPoint(200, 70));
    EXPECT_TRUE(Posted(w).empty());
    EXPECT_EQ(w.pressedIndex, -1);

    const int commands[7] = {40018, 40027, 40036, 40037, 40074, 40075, 40038};
    for (int i = 0; i < 7; ++i) {
        QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(5 + 25 * i + 3, 70));
        EXPECT_EQ(Posted(w), std::vector<int>{commands[i]}) << i;
    }
    EXPECT_TRUE(SameRegion(Shot(w), Expected(w, kSkinButtonNormal, {{1, 30, 57}}), QRect(30, 57, 25, 20)));
}

TEST_F(WindowDrawingTest, SeekAreaAndVolumeSliderFollowTheStylus) {
    MainWindow& w = Open(96);
    ASSERT_TRUE(w.AddEntry(WidePath(wav_)));
    ASSERT_TRUE(w.engine->Seek(50000));
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(6, 40));  // the bar's left edge
    EXPECT_EQ(w.engine->GetPosition(), 0);
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(6 + 113, 46));
    EXPECT_NEAR(w.engine->GetPosition(), 62500, 5);

    // Volume: the thumb dragged past both ends clamps at 0 and full.
    QTest::mousePress(&w, Qt::LeftButton, Qt::NoModifier, QPoint(w.volumeLeft + 25, 65));
    EXPECT_EQ(w.volumeDrag, 1);
    EXPECT_EQ(w.volumeDisplay, 1);
    EXPECT_TRUE(w.IsTimerActive(3));
    QTest::mouseMove(&w, QPoint(-40, 65));
    EXPECT_EQ(GetWaveVolume(), 0u);
    QTest::mouseMove(&w, QPoint(500, 65));
    EXPECT_EQ(GetWaveVolume(), 0xFFFFFFFFu);
    QTest::mouseMove(&w, QPoint(w.volumeLeft + 5 + 20, 65));  // thumb centre at half the travel
    EXPECT_EQ(GetWaveVolume() & 0xFFFF, static_cast<uint32_t>(20 * 100.0 / 41 * 655.35));
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, QPoint(500, 65));
    EXPECT_EQ(w.volumeDrag, 0);

    // Taps on the time flip the countdown; on the peak meter they switch it off.
    const int reverse = w.settings->timeReverse;
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(40, 12));
    EXPECT_NE(w.settings->timeReverse, reverse);
    const int peaks = w.settings->drawPeek;
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(150, 11));
    EXPECT_NE(w.settings->drawPeek, peaks);
}

TEST_F(WindowDrawingTest, OnlyATitleWiderThanItsLineScrolls) {
    MainWindow& w = Open(96);
    ASSERT_TRUE(w.AddEntry(WidePath(wav_), L"Short"));
    Shot(w);
    EXPECT_FALSE(w.IsTimerActive(5));
    w.GetEntry(0)->title = L"A title far too long for the line of the panel, so it has to move";
    Shot(w);
    EXPECT_TRUE(w.IsTimerActive(5));
    EXPECT_GT(w.titleExtent - 25, w.titleWidth);

    // Scrolled so far that the end of the text is in view: the start follows after a gap.
    w.settings->scrollTitle = 1;
    const QRect line(24, w.titleTop, w.titleWidth, w.titleHeight);
    const QImage still = Shot(w);
    w.titleOffset = w.titleExtent - 40;  // the last 40 pixels: 15 of text end, 25 of gap
    const QImage moved = Shot(w);
    EXPECT_FALSE(SameRegion(still, moved, line));
    EXPECT_TRUE(SameRegion(moved, w.backgroundImage, QRect(24 + 15, w.titleTop + 1, 25, w.titleHeight - 1)));
    // (The line's top row is shared with the format info above it.)
    EXPECT_TRUE(SameRegion(moved.copy(24 + 40, w.titleTop + 1, 100, w.titleHeight - 1),
                           still.copy(24, w.titleTop + 1, 100, w.titleHeight - 1), QRect(0, 0, 100, w.titleHeight - 1)));
}

TEST_F(WindowDrawingTest, VolumeDisplayShowsTheLevelWithABar) {
    MainWindow& w = Open(96);
    SetWaveVolume(0x8000 | 0x4000 << 16);  // the louder channel counts: 50 %
    w.ShowVolumeChange();
    const QImage shot = Shot(w);
    const QColor title = ColorFromRef(w.skin->GetColor(kTitleColor));
    const int bottom = w.titleTop + w.titleHeight;
    const int barWidth = 50 * 125 / 100;
    EXPECT_EQ(QColor(shot.pixel(104, bottom - 1)), title);
    EXPECT_EQ(QColor(shot.pixel(104 + barWidth - 1, bottom - 2)), title);
    EXPECT_NE(QColor(shot.pixel(104 + barWidth, bottom - 1)), title);
    EXPECT_FALSE(SameRegion(shot, w.backgroundImage, QRect(24, w.titleTop, 80, w.titleHeight)));  // "Volume 50"
    w.OnTimer(3);
    EXPECT_EQ(w.volumeDisplay, 0);
    EXPECT_NE(QColor(Shot(w).pixel(104 + barWidth - 1, bottom - 2)), title);
}

}  // namespace
}  // namespace vl
