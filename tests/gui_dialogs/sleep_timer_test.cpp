// The sleep-timer dialog, driven as the user would: typed minutes, clicked boxes and buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

#include "gui/window_fixture.h"
#include "gui_dialogs/dialog_driver.h"
#include "platform/screen_profile.h"
#include "settings/qt/settings_dialogs_qt.h"
#include "ui/commands.h"

namespace vl::test {
namespace {

class SleepTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        home = TempDir();
        setenv("VERSOLUNE_HOME", home.c_str(), 1);
    }

    // Opens the dialog through the settings object and lets drive() work on it while it runs.
    bool Show(const std::function<void(QDialog&)>& drive) {
        SettingsDialogsQt dialogs;
        SetSettingsDialogs(&dialogs);
        DialogDriver driver("155", drive);
        bool ok = settings.ShowSleepTimer(nullptr);
        SetSettingsDialogs(nullptr);
        return ok;
    }

    static QLineEdit* Minutes(QDialog& d) { return d.findChild<QLineEdit*>("1076"); }
    static QCheckBox* Box(QDialog& d, const char* id) { return d.findChild<QCheckBox*>(id); }
    static QPushButton* Button(QDialog& d, const char* id) { return d.findChild<QPushButton*>(id); }
    static void Type(QDialog& d, const QString& text) {
        Minutes(d)->clear();
        QTest::keyClicks(Minutes(d), text);
    }

    std::string home;
    PlayerSettings settings;
};

// The same edits closed with OK start the timer with them, closed with Cancel change nothing.
TEST_F(SleepTimerTest, OkStoresTheEditsCancelDropsThem) {
    struct Row {
        const char* button;
        bool result;
        int minutes, elapsed, powerOff;
    };
    for (const Row& row : {Row{"1", true, 15, 0, 0}, Row{"2", false, 30, -1, 1}}) {
        SCOPED_TRACE(row.button);
        settings.sleepMinutes = 30;
        settings.sleepElapsed = -1;
        settings.sleepPowerOff = 1;
        bool ok = Show([&row](QDialog& d) {
            const ScreenProfile& screen = GetScreenProfile();
            EXPECT_EQ(d.size(), QSize(screen.width, screen.height));
            EXPECT_NE(d.findChild<QWidget*>("1029"), nullptr);
            EXPECT_EQ(Minutes(d)->text(), "30");
            EXPECT_FALSE(Box(d, "1047")->isChecked());
            EXPECT_TRUE(Box(d, "1027")->isChecked());
            Type(d, "1500");  // three characters at most
            EXPECT_EQ(Minutes(d)->text(), "150");
            Type(d, "15");
            Tick(Box(d, "1047"));
            Tick(Box(d, "1027"));
            QTest::mouseClick(Button(d, row.button), Qt::LeftButton);
        });
        EXPECT_EQ(ok, row.result);
        EXPECT_EQ(settings.sleepMinutes, row.minutes);
        EXPECT_EQ(settings.sleepElapsed, row.elapsed);
        EXPECT_EQ(settings.sleepPowerOff, row.powerOff);
    }
}

TEST_F(SleepTimerTest, RunningTimerIsLockedUntilUntickedThenOkStopsIt) {
    settings.sleepElapsed = 120000;
    bool ok = Show([](QDialog& d) {
        EXPECT_TRUE(Box(d, "1047")->isChecked());
        EXPECT_TRUE(Box(d, "1047")->isEnabled());
        EXPECT_FALSE(Minutes(d)->isEnabled());
        EXPECT_FALSE(Box(d, "1027")->isEnabled());
        EXPECT_FALSE(Button(d, "1")->isEnabled());
        EXPECT_FALSE(d.findChild<QWidget*>("1078")->isEnabled());
        // Return on a locked dialog does not close it.
        QTest::keyClick(&d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        Tick(Box(d, "1047"));
        EXPECT_FALSE(Box(d, "1047")->isChecked());
        EXPECT_TRUE(Minutes(d)->isEnabled());
        EXPECT_TRUE(Box(d, "1027")->isEnabled());
        QTest::mouseClick(Button(d, "1"), Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(settings.sleepElapsed, -1);
    EXPECT_EQ(settings.sleepMinutes, 30);
}

TEST_F(SleepTimerTest, NoTimeIsRefusedWithTheFocusOnTheMinutes) {
    // Text that is not a number reads as 0; a negative time would end playback at once.
    for (const char* typed : {"0", "", "abc", "-5"}) {
        SCOPED_TRACE(typed);
        bool ok = Show([typed](QDialog& d) {
            Type(d, typed);
            Tick(Box(d, "1047"));
            Button(d, "2")->setFocus();
            QTest::mouseClick(Button(d, "1"), Qt::LeftButton);
            EXPECT_TRUE(d.isVisible());
            EXPECT_EQ(d.focusWidget(), Minutes(d));
            QTest::mouseClick(Button(d, "2"), Qt::LeftButton);
        });
        EXPECT_FALSE(ok);
        EXPECT_EQ(settings.sleepMinutes, 30);
        EXPECT_EQ(settings.sleepElapsed, -1);
    }
}

TEST_F(SleepTimerTest, SpinStaysWithinOneTo999) {
    struct Row {
        const char* from;
        const char* button;
        const char* expected;
    };
    const Row rows[] = {
        {"5", "up", "6"},   {"998", "up", "999"}, {"999", "up", "999"},
        {"5", "down", "4"}, {"1", "down", "1"},   {"", "down", "1"},
    };
    SleepTimerDialog dialog(settings, nullptr);
    dialog.show();
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.from) + " " + row.button);
        dialog.findChild<QLineEdit*>("1076")->setText(row.from);
        QTest::mouseClick(dialog.findChild<QWidget*>("1078")->findChild<QToolButton*>(row.button), Qt::LeftButton);
        EXPECT_EQ(dialog.findChild<QLineEdit*>("1076")->text(), row.expected);
    }
}

using SleepTimerWindowTest = WindowTest;

// The window's command opens the dialog over the window and runs its sleep timer by the answer.
TEST_F(SleepTimerWindowTest, CommandStartsAndStopsTheWindowsTimer) {
    SettingsDialogsQt dialogs;
    SetSettingsDialogs(&dialogs);
    for (bool start : {true, false}) {
        SCOPED_TRACE(start);
        DialogDriver driver("155", [this](QDialog& d) {
            EXPECT_EQ(d.parentWidget(), window.get());
            Tick(d.findChild<QCheckBox*>("1047"));
            QTest::mouseClick(d.findChild<QPushButton*>("1"), Qt::LeftButton);
        });
        window->OnCommand(IDM_SLEEP_TIMER);
        EXPECT_EQ(settings->sleepElapsed, start ? 0 : -1);
        EXPECT_EQ(window->IsTimerActive(8), start);
    }
    SetSettingsDialogs(nullptr);
}

}  // namespace
}  // namespace vl::test
