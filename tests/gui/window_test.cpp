// The player window on the real engine: the automatic advance, the player commands, the
// sleep timer, snapping and the volume keys.
#include <QMenu>
#include <QScreen>
#include <QTest>

#include "platform/clock.h"
#include "platform/files.h"
#include "ui/commands.h"
#include "window_fixture.h"

namespace vl::test {
namespace {

// What the window does at the end of a track, by repeat mode and how the track ended.
struct EndCase {
    const char* name;
    int repeat;
    int playIndex;      // the entry that plays (of three)
    bool error;         // the run fails (the audio device cannot open)
    int expectPlayed;   // Play(index) called by the handler; -2 = none
    int expectCurrent;  // the current entry afterwards
};

class EndOfTrack : public WindowTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(EndOfTrack, PicksTheNextEntry) {
    const EndCase& c = GetParam();
    AddTones(3);
    settings->repeat = c.repeat;
    if (c.error) SetAudioBackend("wav-fast:" + home + "/no/such/folder/out.wav");
    ASSERT_TRUE(window->Play(c.playIndex));
    window->Forget();
    window->freezeAtEnd = true;
    ASSERT_TRUE(PumpUntil([&] { return window->ends > 0; }));
    if (c.expectPlayed == -2) {
        EXPECT_TRUE(window->played.empty()) << "played " << window->played.front();
    } else {
        ASSERT_EQ(1u, window->played.size());
        EXPECT_EQ(c.expectPlayed, window->played.front());
    }
    EXPECT_EQ(c.expectCurrent, window->GetCurrentIndex());
    // Whatever the end, the current entry is open again and can be played.
    EXPECT_EQ(window->GetEntry(c.expectCurrent)->path, engine->GetPath());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, EndOfTrack,
    ::testing::Values(EndCase{"NoneMiddle", 0, 0, false, 1, 1},
                      EndCase{"NoneLastOpensFirst", 0, 2, false, -2, 0},
                      EndCase{"AllLastWraps", 1, 2, false, 0, 0},
                      EndCase{"OneReplays", 2, 1, false, -1, 1},
                      EndCase{"ErrorSelectsNext", 0, 0, true, -2, 1},
                      EndCase{"ErrorAtLastDoesNotWrap", 1, 2, true, -2, 0},
                      EndCase{"ErrorWithRepeatOneStays", 2, 1, true, -2, 1}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST_F(WindowTest, FirstFileAddedIsOpenedButNotPlayed) {
    std::wstring path = Tone("first.wav", 2.0);
    ASSERT_TRUE(window->AddEntry(path));
    EXPECT_EQ(0, window->GetCurrentIndex());
    EXPECT_EQ(path, engine->GetPath());
    EXPECT_GT(engine->GetDuration(), 1900);
    Pump(200);
    EXPECT_EQ(kStopped, engine->GetState());
    EXPECT_TRUE(window->played.empty());
}

TEST_F(WindowTest, SecondStopReleasesTheOutput) {
    settings->output.alwaysOpenDev = 1;  // the device stays open between runs
    SetAudioBackend("null");
    AddTones(1, 5.0);
    ASSERT_TRUE(window->Play(-1));
    ASSERT_TRUE(PumpUntil([&] { return engine->GetState() == kPlaying; }));
    window->OnCommand(IDM_STOP);
    EXPECT_EQ(kStopped, engine->GetState());
    EXPECT_TRUE(engine->output.IsOpen());
    window->OnCommand(IDM_STOP);
    EXPECT_FALSE(engine->output.IsOpen());
}

TEST_F(WindowTest, StopWithResumeKeepsThePosition) {
    settings->resume = 1;
    SetAudioBackend("null");
    AddTones(1, 5.0);
    ASSERT_TRUE(window->Play(-1));
    ASSERT_TRUE(PumpUntil([&] { return engine->GetPosition() >= 600; }));
    window->OnCommand(IDM_STOP);
    int stoppedAt = engine->GetPosition();
    EXPECT_GE(stoppedAt, 600);
    EXPECT_EQ(0, settings->resumeTime);
    window->OnCommand(IDM_PLAY_PAUSE);
    ASSERT_TRUE(PumpUntil([&] { return engine->GetState() == kPlaying; }));
    EXPECT_GE(engine->GetPosition(), stoppedAt - 100);
    // Without resume the next play starts at the beginning.
    settings->resume = 0;
    window->OnCommand(IDM_STOP);
    EXPECT_EQ(0, engine->GetPosition());
}

TEST_F(WindowTest, PreviousAndNextWrap) {
    AddTones(3);
    settings->repeat = 0;
    window->OpenEntry(2);
    window->OnCommand(IDM_NEXT);
    EXPECT_EQ(0, window->GetCurrentIndex());
    window->OnCommand(IDM_PREVIOUS);
    EXPECT_EQ(2, window->GetCurrentIndex());
    window->OnCommand(IDM_PREVIOUS);
    EXPECT_EQ(1, window->GetCurrentIndex());
    // Stopped, they only select.
    EXPECT_TRUE(window->played.empty());
    EXPECT_EQ(kStopped, engine->GetState());
}

TEST_F(WindowTest, VolumeStepsClamp) {
    struct Row {
        uint32_t left, right;
        int command;
        uint32_t expectLeft, expectRight;
    } rows[] = {
        {65000, 1000, IDM_VOLUME_UP, 65535, 2311},
        {1000, 65000, IDM_VOLUME_DOWN, 0, 63690},
        {65535, 65535, IDM_VOLUME_UP, 65535, 65535},
        {0, 0, IDM_VOLUME_DOWN, 0, 0},
    };
    for (const Row& r : rows) {
        SetWaveVolume(r.right << 16 | r.left);
        window->OnCommand(r.command);
        uint32_t v = GetWaveVolume();
        EXPECT_EQ(r.expectLeft, v & 0xFFFF) << r.left;
        EXPECT_EQ(r.expectRight, v >> 16) << r.right;
        EXPECT_TRUE(window->volumeDisplay);
        EXPECT_TRUE(window->IsTimerActive(3));
    }
}

TEST_F(WindowTest, SleepTimerStopsPlayback) {
    for (int powerOff : {0, 1}) {
        SCOPED_TRACE(powerOff);
        window->ClearPlaylist();
        SetAudioBackend("null");
        AddTones(1, 5.0);
        settings->sleepMinutes = 1;
        settings->sleepPowerOff = powerOff;
        ASSERT_TRUE(window->Play(-1));
        ASSERT_TRUE(PumpUntil([&] { return engine->GetState() == kPlaying; }));
        settings->sleepElapsed = 0;
        settings->sleepLastTick = static_cast<int32_t>(GetTickCount());
        window->SetTimer(8, 5000);
        window->OnTimer(8);  // not a minute yet
        EXPECT_EQ(kPlaying, engine->GetState());
        settings->sleepLastTick = static_cast<int32_t>(GetTickCount() - 60001);
        window->OnTimer(8);
        EXPECT_EQ(kStopped, engine->GetState());
        EXPECT_EQ(-1, settings->sleepElapsed);
        EXPECT_FALSE(window->IsTimerActive(8));
        // Switching off also lets go of the audio device.
        if (powerOff) {
            EXPECT_FALSE(engine->output.IsOpen());
        }
    }
}

TEST_F(WindowTest, SnapsToTheWorkAreaWithinEightPixels) {
    QRect work = window->screen()->availableGeometry();
    QSize size = window->frameGeometry().size();
    struct Row {
        int x, y, expectX, expectY;
    } rows[] = {
        {work.x() + 5, work.y() + 100, work.x(), work.y() + 100},
        {work.x() + 8, work.y() + 100, work.x() + 8, work.y() + 100},
        {work.x() + 100, work.y() + 7, work.x() + 100, work.y()},
        {work.right() + 1 - size.width() - 5, work.bottom() + 1 - size.height() - 3,
         work.right() + 1 - size.width(), work.bottom() + 1 - size.height()},
    };
    for (const Row& r : rows) {
        window->move(r.x, r.y);
        window->OnMove(r.x, r.y);
        Pump(20);
        EXPECT_EQ(QPoint(r.expectX, r.expectY), window->pos()) << r.x << "," << r.y;
    }
}

TEST_F(WindowTest, AcceleratorsDriveCommandsOnlyFromTheWindow) {
    AddTones(3);
    EXPECT_TRUE(window->TranslateAccelerator(Qt::Key_Right, Qt::NoModifier));
    EXPECT_EQ(1, window->GetCurrentIndex());
    EXPECT_TRUE(window->TranslateAccelerator(Qt::Key_N, Qt::NoModifier));
    EXPECT_EQ(2, window->GetCurrentIndex());
    // F has no command; Q needs Ctrl; a held Shift is another key.
    EXPECT_TRUE(window->TranslateAccelerator(Qt::Key_F, Qt::NoModifier));
    EXPECT_FALSE(window->TranslateAccelerator(Qt::Key_Q, Qt::NoModifier));
    EXPECT_FALSE(window->TranslateAccelerator(Qt::Key_N, Qt::ShiftModifier));
    EXPECT_EQ(27u, window->GetAccelerators().size());
}

TEST_F(WindowTest, KeysOfAChildControlAreNotCommands) {
    AddTones(3);
    QTest::keyClick(window.get(), Qt::Key_N);
    EXPECT_EQ(1, window->GetCurrentIndex());
    // A child with the focus that leaves the key alone: the key reaches the window, which
    // does not take it for an accelerator.
    QWidget child(window.get());
    child.setFocusPolicy(Qt::StrongFocus);
    child.show();
    child.setFocus();
    ASSERT_EQ(&child, window->focusWidget());
    QTest::keyClick(&child, Qt::Key_N);
    EXPECT_EQ(1, window->GetCurrentIndex());
}

TEST_F(WindowTest, MenusCarryTheCheckMarks) {
    settings->repeat = 2;
    settings->shuffle = 1;
    settings->windowTopMost = 0;
    for (MenuKind kind : {kWindowMenu, kTrayMenu}) {
        std::unique_ptr<QMenu> menu(window->BuildMenu(kind));
        auto checked = [&](int id) {
            QAction* a = menu->findChild<QAction*>(QString::number(id));
            return a && a->isChecked();
        };
        EXPECT_TRUE(checked(IDM_REPEAT_ONE));
        EXPECT_FALSE(checked(IDM_REPEAT_NONE));
        EXPECT_TRUE(checked(IDM_SHUFFLE));
        EXPECT_FALSE(checked(IDM_TOP_MOST));
    }
}

TEST_F(WindowTest, CloseSavesPlaylistResumePointAndVolume) {
    AddTones(2);
    settings->resume = 1;
    window->OpenEntry(1);
    SetWaveVolume(0x40004000);
    window->close();
    EXPECT_TRUE(FileExists(window->GetDefaultPlaylistPath()));
    window.reset();
    SetWaveVolume(0xFFFFFFFF);

    // The next start restores the list, the entry and the volume.
    window = std::make_unique<RecordingWindow>();
    ASSERT_TRUE(window->Create(std::wstring(), 1));
    EXPECT_EQ(2, window->GetEntryCount());
    EXPECT_EQ(1, window->GetCurrentIndex());
    EXPECT_EQ(std::vector<int>{1}, window->opened) << "loading the list opens nothing";
    EXPECT_EQ(0x40004000u, GetWaveVolume());
}

}  // namespace
}  // namespace vl::test
