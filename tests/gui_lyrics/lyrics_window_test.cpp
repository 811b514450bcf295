// The lyrics window's frame, menus, keys, hold and playlist list.
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "lyrics/hardware_buttons.h"
#include "lyrics/lyrics_commands.h"
#include "lyrics_fixture.h"
#include "ui/commands.h"

namespace vl::test {
namespace {

TEST_F(LyricsWindowTest, FillsTheScreenWithTheBarAlongTheBottom) {
    EXPECT_EQ(QSize(240, 294), window->size());
    EXPECT_EQ(QRect(0, 268, 240, 26), window->menuBar->geometry());
    EXPECT_EQ(1, settings->showMode) << "the default mode: list and lyrics";
    EXPECT_EQ(QRect(7, 68, 227, 84), window->listView->geometry());
    EXPECT_EQ(QRect(7, 154, 227, 84), window->lyricsPane->geometry());
    EXPECT_FALSE(window->comparisonPane->isVisible());
    // A larger window keeps the layout's rules with the client size as the screen.
    window->resize(300, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(QRect(0, 374, 300, 26), window->menuBar->geometry());
    const ContentArea a = ComputeContentArea(300, 426, 96, 96);
    EXPECT_EQ(QRect(a.left, a.top, a.width, a.height / 2 - 1), window->listView->geometry());
}

TEST_F(LyricsWindowTest, SkinWithoutPlaylistHidesTheList) {
    const std::string skin = home + "/plain.gps";
    ASSERT_TRUE(WriteFile(skin, "[Versolune Skin PocketPC]\nPlaylist=0\n"));
    SetText(settings->skinFile, WidePath(skin));
    for (int mode : {0, 1, 4}) {
        Command(kShowModeCommands[mode]);
        window->OnSize(0, window->width(), window->height());
        EXPECT_FALSE(window->listView->isVisible()) << "mode " << mode;
    }
    SetText(settings->skinFile, L"");
    window->OnSize(0, window->width(), window->height());
    EXPECT_TRUE(window->listView->isVisible());
}

TEST_F(LyricsWindowTest, LyricsModeCommandStepsAndIsStored) {
    settings->showMode = 7;
    const int expected[] = {1, 2, 3, 4, 0, 1};
    for (int mode : expected) {
        Command(IDM_LYRICS_MODE);
        EXPECT_EQ(mode, settings->showMode);
    }
    Command(IDM_SCROLL_SENTENCE);
    Open();
    EXPECT_EQ(1, settings->showMode);
    EXPECT_EQ(1, settings->sentenceMode);
}

// The action of a menu by its command id, in any sub-menu.
QAction* Item(QMenu* menu, int id) { return menu->findChild<QAction*>(QString::number(id)); }

TEST_F(LyricsWindowTest, MenusCarryTheirCheckMarksAndReleaseTheButtons) {
    auto* bar = window->findChild<QMenuBar*>(QStringLiteral("133"));
    ASSERT_NE(nullptr, bar);
    QStringList titles;
    for (QAction* a : bar->actions()) titles << a->text();
    EXPECT_EQ(QStringList({"File", "List", "Play", "Tool"}), titles);
    settings->showMode = 3;
    settings->sentenceMode = 2;
    settings->repeat = 2;
    settings->shuffle = 1;
    auto* tool = window->findChild<QMenu*>(QStringLiteral("Tool"));
    auto* play = window->findChild<QMenu*>(QStringLiteral("Play"));
    window->OnInitMenuPopup(tool, kToolPopupId);
    EXPECT_EQ(1, window->menuOpen);
    EXPECT_EQ(0, window->buttonsRegistered);
    for (int mode = 0; mode < 5; ++mode) EXPECT_EQ(mode == 3, Item(tool, kShowModeCommands[mode])->isChecked());
    for (int mode = 0; mode < 3; ++mode) EXPECT_EQ(mode == 2, Item(tool, kSentenceModeCommands[mode])->isChecked());
    window->OnInitMenuPopup(play, kPlayPopupId);
    EXPECT_TRUE(Item(play, IDM_REPEAT_ONE)->isChecked());
    EXPECT_FALSE(Item(play, IDM_REPEAT_NONE)->isChecked());
    EXPECT_TRUE(Item(play, IDM_SHUFFLE)->isChecked());
    // Labels tell what the command does.
    EXPECT_EQ(QStringLiteral("Show Lyrics and Comparison"), Item(tool, IDM_SHOW_LYRICS_COMPARISON)->text());
    EXPECT_EQ(QStringLiteral("Volume"), tool->findChild<QMenu*>(QStringLiteral("Volume"))->title());
}

// A key press sent to the list (where the focus is).
void Press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    // Sent like a real key (QTest cannot type the media keys): the application's filters see it.
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    QCoreApplication::processEvents();
}

TEST_F(LyricsWindowTest, CtrlAcceleratorsActInTheListAndLettersDoNot) {
    window->runCommands = false;
    window->listView->setFocus();
    Press(window->listView, Qt::Key_E, Qt::ControlModifier);
    Press(window->listView, Qt::Key_F, Qt::ControlModifier);
    Press(window->listView, Qt::Key_Y, Qt::ControlModifier);
    Press(window->listView, Qt::Key_E);  // the base window's single-letter key
    Press(window->listView, Qt::Key_Z);
    EXPECT_EQ(std::vector<int>({IDM_EFFECTS, IDM_LYRICS_MODE, IDM_VOLUME_UP}), window->commands);
}

class HotKeys : public LyricsWindowTest {
protected:
    void SetUp() override {
        LyricsWindowTest::SetUp();
        settings->ClearKeyMap();
        settings->AddKeyMapping({0x21, 0xC1, IDM_PLAY_PAUSE});  // F1
        settings->AddKeyMapping({0x01, 0x8E, IDM_PLAY_PAUSE});  // the media key
        settings->AddKeyMapping({0x01, 0x26, IDM_HOLD});        // Up
        settings->AddKeyMapping({0x21, 0xC2, IDM_OPEN_FILE});   // F2
        window->UnregisterButtons();
        window->RegisterButtons();
        window->runCommands = false;
        window->listView->setFocus();
    }
    std::vector<int> After(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        window->commands.clear();
        Press(window->listView, key, modifiers);
        QCoreApplication::processEvents();
        return window->commands;
    }
};

TEST_F(HotKeys, MappedKeysRunTheirFunctionsAndHoldStopsTheStandardOnes) {
    const std::vector<int> play{IDM_PLAY_PAUSE}, none;
    EXPECT_EQ(play, After(Qt::Key_F1));
    EXPECT_EQ(play, After(Qt::Key_MediaTogglePlayPause));
    EXPECT_EQ(none, After(Qt::Key_F1, Qt::ControlModifier)) << "Ctrl+F1 is another key";
    EXPECT_EQ(none, After(Qt::Key_F3)) << "not mapped";
    window->runCommands = true;
    EXPECT_EQ(std::vector<int>({IDM_HOLD}), After(Qt::Key_Up));
    ASSERT_EQ(1, window->holdOn);
    EXPECT_EQ(1, window->holdNoticeShown);
    window->runCommands = false;
    window->holdNoticeShown = 0;
    EXPECT_EQ(none, After(Qt::Key_F1)) << "a standard button under hold";
    EXPECT_EQ(1, window->holdNoticeShown);
    EXPECT_EQ(play, After(Qt::Key_MediaTogglePlayPause)) << "a remote key still plays";
    EXPECT_EQ(none, After(Qt::Key_F2)) << "not an always-allowed command";
    window->holdNoticeShown = 0;
    EXPECT_EQ(none, After(Qt::Key_Down)) << "an unmapped standard button";
    EXPECT_EQ(1, window->holdNoticeShown);
    window->runCommands = true;
    EXPECT_EQ(std::vector<int>({IDM_HOLD}), After(Qt::Key_Up)) << "the hold button releases the lock";
    EXPECT_EQ(0, window->holdOn);
    // Without hold an unmapped arrow is a plain key of the list again.
    EXPECT_EQ(none, After(Qt::Key_Down));
}

TEST_F(HotKeys, HoldSwallowsPointerInput) {
    window->runCommands = true;
    Command(IDM_HOLD);
    ASSERT_EQ(1, window->holdOn);
    const QPoint playButton(5 + 25 + 12, window->buttonTop + 10);
    window->commands.clear();
    QTest::mouseClick(window.get(), Qt::LeftButton, Qt::NoModifier, playButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->commands.empty());
    Command(IDM_HOLD);
    window->runCommands = false;
    window->commands.clear();
    QTest::mouseClick(window.get(), Qt::LeftButton, Qt::NoModifier, playButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::vector<int>({IDM_PLAY_PAUSE}), window->commands);
}

TEST_F(HotKeys, OpenMenuLetsOnlyAlwaysAllowedCommandsThroughAndBurstsActOnce) {
    window->menuOpen = 1;
    window->commands.clear();
    window->OnHotKey(0, 0, 0xC2);
    window->OnHotKey(0, 0, 0xC1);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::vector<int>({IDM_PLAY_PAUSE}), window->commands);
    window->menuOpen = 0;
    window->commands.clear();
    for (int i = 0; i < 3; ++i) window->PostHotKey(MOD_WIN, 0xC1);
    Pump(50);
    EXPECT_EQ(std::vector<int>({IDM_PLAY_PAUSE}), window->commands);
}

TEST_F(HotKeys, AKeyAfterAMenuBringsTheButtonsBack) {
    window->UnregisterButtons();
    window->menuOpen = 1;
    EXPECT_EQ(std::vector<int>({IDM_PLAY_PAUSE}), After(Qt::Key_F1));
    EXPECT_EQ(0, window->menuOpen);
    EXPECT_EQ(1, window->buttonsRegistered);
}

}  // namespace
}  // namespace vl::test
