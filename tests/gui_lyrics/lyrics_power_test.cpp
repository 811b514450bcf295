// Display and power at run time: the idle turn-off through the window with its own clock and
// battery folder, the black screen that a press lights up again, the screen-saver and sleep
// inhibits that follow playback, and the end of the sleep timer.
#include <QTest>

#include <sys/stat.h>

#include "lyrics/lyrics_commands.h"
#include "lyrics_fixture.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "settings/registry_keys.h"

namespace vl::test {
namespace {

struct FakeDesktop : DesktopPower {
    std::vector<std::string> calls;
    void InhibitScreenSaver(bool on) override { calls.push_back(on ? "screen on" : "screen off"); }
    void InhibitIdleSleep(bool on) override { calls.push_back(on ? "sleep on" : "sleep off"); }
    bool Suspend() override {
        calls.push_back("suspend");
        return true;
    }
};

// A power-supply folder with a mains supply (online or not) and a system battery.
std::wstring Supplies(bool mainsOnline) {
    const std::string dir = TempDir();
    mkdir((dir + "/AC").c_str(), 0755);
    mkdir((dir + "/BAT0").c_str(), 0755);
    WriteFile(dir + "/AC/type", "Mains\n");
    WriteFile(dir + "/AC/online", mainsOnline ? "1\n" : "0\n");
    WriteFile(dir + "/BAT0/type", "Battery\n");
    return WidePath(dir);
}

class PowerTest : public LyricsWindowTest {
protected:
    void SetUp() override {
        LyricsWindowTest::SetUp();
        UseSupplies(false);
        window->clock = [this] { return now; };
    }
    void UseSupplies(bool mainsOnline) {
        window->UsePower(std::make_unique<Power>(&desktop, Supplies(mainsOnline)));
    }
    void PlayTone() {
        SetAudioBackend("null");
        AddTones(1, 30.0);
        ASSERT_TRUE(window->Play(0));
        ASSERT_TRUE(PumpUntil([&] { return engine->GetState() == kPlaying; }));
    }
    // Timer 10 every 2.5 s from the last input until `seconds` have passed.
    void IdleFor(int seconds) {
        window->NoteActivity();
        const uint32_t start = now;
        while (now + 2500 - start <= uint32_t(seconds) * 1000) {
            now += 2500;
            window->OnTimer(10);
        }
    }
    bool ScreenIsBlack() {
        const QImage shot = window->grab().toImage();
        for (QPoint p : {QPoint(5, 5), QPoint(shot.width() / 2, shot.height() / 2), QPoint(5, shot.height() - 3)})
            if (shot.pixelColor(p) != Qt::black) return false;
        return true;
    }

    FakeDesktop desktop;
    uint32_t now = 100000;
};

TEST_F(PowerTest, IdlePlayTurnsTheScreenBlackByTheRules) {
    struct Row {
        const char* what;
        bool play, active, mainsOnline;
        int idleSeconds;
        bool off;
    } rows[] = {
        {"idle long enough while playing on battery", true, true, false, 13, true},
        {"not yet idle long enough", true, true, false, 8, false},
        {"on external power", true, true, true, 30, false},
        {"another window in front", true, false, false, 30, false},
        {"stopped", false, true, false, 30, false},
    };
    settings->dispAutoOff = 10;
    settings->dispEnableBattery = 1;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        UseSupplies(r.mainsOnline);
        if (r.play && engine->GetState() != kPlaying) PlayTone();
        if (!r.play) window->Stop();
        window->OnActivate(r.active ? 1 : 0, 0, 0);
        IdleFor(r.idleSeconds);
        EXPECT_EQ(r.off ? 0 : 1, window->displayOn);
        EXPECT_EQ(r.off, ScreenIsBlack());
        window->DisplayOn();
    }
}

TEST_F(PowerTest, APressOnTheBlackScreenOnlyLightsItUpAlsoUnderHold) {
    window->runCommands = true;
    for (bool hold : {false, true}) {
        SCOPED_TRACE(hold ? "under hold" : "without hold");
        if (hold) Command(IDM_HOLD);
        Command(IDM_DISPLAY_OFF);
        ASSERT_EQ(0, window->displayOn);
        ASSERT_TRUE(ScreenIsBlack());
        window->commands.clear();
        const QPoint playButton(5 + 25 + 12, window->buttonTop + 10);
        // The press goes to whatever lies on top there.
        QWidget* top = window->childAt(playButton);
        if (!top) top = window.get();
        QTest::mouseClick(top, Qt::LeftButton, Qt::NoModifier, top->mapFrom(window.get(), playButton));
        QCoreApplication::processEvents();
        EXPECT_TRUE(window->commands.empty()) << "the press did not reach the panel";
        EXPECT_EQ(1, window->displayOn);
        EXPECT_FALSE(ScreenIsBlack());
    }
    // "Display OFF" twice: off, then on again.
    Command(IDM_DISPLAY_OFF);
    Command(IDM_DISPLAY_OFF);
    EXPECT_EQ(1, window->displayOn);
}

TEST_F(PowerTest, TheScreenSaverIsHeldOnlyWhilePlayingWithTheBacklightOption) {
    for (bool backlight : {false, true}) {
        SCOPED_TRACE(backlight ? "backlight on" : "backlight off");
        desktop.calls.clear();
        settings->alwaysTurnOnBacklight = backlight;
        settings->setBacklightRequirement(backlight);
        EXPECT_TRUE(desktop.calls.empty()) << "nothing held while stopped";
        PlayTone();
        std::vector<std::string> playing{"sleep on"};
        if (backlight) playing.insert(playing.begin(), "screen on");
        PumpUntil([&] { return desktop.calls.size() >= playing.size(); }, 2000);
        EXPECT_EQ(playing, desktop.calls);
        desktop.calls.clear();
        window->Pause();
        std::vector<std::string> paused{"sleep off"};
        if (backlight) paused.insert(paused.begin(), "screen off");
        PumpUntil([&] { return desktop.calls.size() >= paused.size(); }, 2000);
        EXPECT_EQ(paused, desktop.calls);
        window->Stop();
        window->ClearPlaylist();
    }
}

TEST_F(PowerTest, TheSleepTimerSuspendsOnlyWithPowerOffAndSavesEitherWay) {
    for (bool powerOff : {false, true}) {
        SCOPED_TRACE(powerOff ? "power off" : "stop only");
        PlayTone();
        desktop.calls.clear();
        settings->showMode = powerOff ? 3 : 4;
        settings->sleepPowerOff = powerOff;
        settings->sleepMinutes = 1;
        settings->sleepElapsed = 60001;
        settings->sleepLastTick = static_cast<int32_t>(GetTickCount());
        window->OnTimer(8);
        EXPECT_EQ(kStopped, engine->GetState());
        EXPECT_EQ(powerOff, std::find(desktop.calls.begin(), desktop.calls.end(), "suspend") != desktop.calls.end());
        RegKey key;
        int32_t showMode = 0;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kSettingsKey));
        EXPECT_TRUE(key.QueryDword(L"ShowMode", showMode));
        EXPECT_EQ(settings->showMode, showMode);
        struct stat st;
        EXPECT_EQ(0, stat(WideToUtf8(window->GetDefaultPlaylistPath()).c_str(), &st)) << "the playlist is kept";
        window->ClearPlaylist();
    }
}

}  // namespace
}  // namespace vl::test
