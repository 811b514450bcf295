// The option sheet driven through its widgets: typed values, spins, boxes, Done and a close
// without Done.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <filesystem>
#include <memory>

#include "gui/window_fixture.h"
#include "gui_dialogs/dialog_driver.h"
#include "lyrics/lyrics_settings.h"
#include "lyrics/qt/lyrics_option_pages.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "settings/file_types.h"
#include "settings/qt/settings_dialogs_qt.h"

namespace vl::test {
namespace {

class OptionSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        home = TempDir();
        setenv("VERSOLUNE_HOME", home.c_str(), 1);
        Registry::Get(HKEY_CURRENT_USER).Discard();
        Registry::Get(HKEY_CLASSES_ROOT).Discard();
    }
    // The sheet of settings, shown on its first page.
    void Open(PlayerSettings& settings) {
        sheet.reset(dialogs.CreateOptionSheet(settings, nullptr));
        ASSERT_NE(sheet, nullptr);
        sheet->show();
    }
    // Shows the page with that dialog id; null when the sheet has none.
    PropertyPage* Show(int dialogId) {
        for (int i = 0; i < sheet->PageCount(); ++i) {
            if (sheet->Page(i)->objectName() != QString::number(dialogId)) continue;
            sheet->SetCurrentPage(i);
            return sheet->Page(i);
        }
        ADD_FAILURE() << "no page " << dialogId;
        return nullptr;
    }
    template <class T>
    static T* Control(QWidget* page, int id) {
        T* control = page->findChild<T*>(QString::number(id));
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    static void Type(QWidget* page, int id, const QString& text) {
        auto* edit = Control<QLineEdit>(page, id);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    static QString Spin(QWidget* page, int editId, int spinId, const QString& from, const char* button) {
        Control<QLineEdit>(page, editId)->setText(from);
        QTest::mouseClick(Control<QWidget>(page, spinId)->findChild<QToolButton*>(button), Qt::LeftButton);
        return Control<QLineEdit>(page, editId)->text();
    }
    void Done() { QTest::mouseClick(sheet->findChild<QPushButton*>("1"), Qt::LeftButton); }

    std::string home;
    LyricsSettingsDialogsQt dialogs;
    std::unique_ptr<PropertySheet> sheet;
};

TEST_F(OptionSheetTest, EightPagesForTheLyricsSettingsSixForTheBase) {
    struct Row {
        std::unique_ptr<PlayerSettings> settings;
        QStringList titles;
    };
    const QStringList base = {"Preferences", "Decoder", "Streaming", "Skin", "Associations", "Plug-ins"};
    Row rows[] = {{std::make_unique<PlayerSettings>(), base},
                  {std::make_unique<LyricsSettings>(), base + QStringList{"Buttons", "Display"}}};
    for (Row& row : rows) {
        SCOPED_TRACE(row.titles.size());
        Open(*row.settings);
        QStringList titles;
        for (int i = 0; i < sheet->PageCount(); ++i) {
            titles << sheet->Tabs()->tabText(i);
            EXPECT_NE(sheet->Page(i)->findChild<QWidget*>("1029"), nullptr);
        }
        EXPECT_EQ(titles, row.titles);
        EXPECT_EQ(sheet->Tabs()->tabPosition(), QTabWidget::South);
        EXPECT_EQ(sheet->CurrentPage(), sheet->Page(0));
        EXPECT_EQ(sheet->size(), QSize(240, 320));
    }
}

// A page applies only when it was shown: the stored buffer length 7 is clamped to 20 by the
// Decoder page, but only after the page was opened.
TEST_F(OptionSheetTest, PagesNeverShownAreNeverApplied) {
    PlayerSettings settings;
    settings.output.bufferLenMs = 7;
    Open(settings);
    Done();
    EXPECT_EQ(settings.output.bufferLenMs, 7);
    Open(settings);
    Show(176);
    Done();
    EXPECT_EQ(settings.output.bufferLenMs, 20);
}

TEST_F(OptionSheetTest, ClosingWithoutDoneAppliesNothing) {
    PlayerSettings settings;
    Open(settings);
    Tick(Control<QCheckBox>(sheet->Page(0), 1005));
    Type(Show(176), 1049, "1000");
    sheet->reject();
    EXPECT_EQ(settings.scrollTitle, 0);
    EXPECT_EQ(settings.output.bufferLenMs, 500);
}

TEST_F(OptionSheetTest, PreferencesShowAndApplyTheirSwitches) {
    PlayerSettings settings;
    settings.resume = 1;
    settings.drawPeek = 1;
    Open(settings);
    PropertyPage* page = Show(115);
    EXPECT_TRUE(Control<QCheckBox>(page, 1036)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(page, 1038)->isVisible());
    Tick(Control<QCheckBox>(page, 1069));  // peak meter off
    Tick(Control<QCheckBox>(page, 1037));  // play on start on
    Done();
    EXPECT_EQ(settings.drawPeek, 0);
    EXPECT_EQ(settings.playOnStart, 1);
    EXPECT_EQ(settings.resume, 1);
}

TEST_F(OptionSheetTest, DecoderClampsTypedValues) {
    struct Row {
        const char* length;
        const char* prebuffer;
        int storedLength, storedPrebuffer;
    };
    const Row rows[] = {
        {"7", "150", 20, 100},
        {"abc", "x", 20, 0},
        {"99999", "55", 5000, 55},  // a fifth digit cannot be typed: 9999 is clamped
        {"1234", "0", 1234, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.length);
        PlayerSettings settings;
        Open(settings);
        PropertyPage* page = Show(176);
        EXPECT_EQ(Control<QLineEdit>(page, 1049)->text(), "500");
        Type(page, 1049, row.length);
        Type(page, 1050, row.prebuffer);
        Tick(Control<QCheckBox>(page, 1030));
        Done();
        EXPECT_EQ(settings.output.bufferLenMs, row.storedLength);
        EXPECT_EQ(settings.output.prebufferPercent, row.storedPrebuffer);
        EXPECT_EQ(settings.output.fade, 1);
    }
}

TEST_F(OptionSheetTest, SpinsStepAndStopAtTheirLimits) {
    struct Row {
        int page, edit, spin;
        const char* from;
        const char* button;
        const char* expected;
    };
    const Row rows[] = {
        {176, 1049, 1001, "4950", "up", "5000"}, {176, 1049, 1001, "4990", "up", "5000"},
        {176, 1049, 1001, "100", "up", "150"},   {176, 1049, 1001, "40", "down", "20"},
        {176, 1049, 1001, "100", "down", "50"},  {176, 1050, 1002, "95", "up", "100"},
        {176, 1050, 1002, "3", "down", "0"},     {175, 1000, 1002, "5", "down", "4"},
        {175, 1000, 1002, "1023", "up", "1024"}, {175, 1001, 1003, "64", "up", "66"},
    };
    PlayerSettings settings;
    Open(settings);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.edit) + " " + row.from + " " + row.button);
        EXPECT_EQ(Spin(Show(row.page), row.edit, row.spin, row.from, row.button), row.expected);
    }
}

TEST_F(OptionSheetTest, StreamingStoresKilobytesAsBlocks) {
    struct Row {
        const char* typed;
        int blocks;
    };
    // 3 or less, or no number, keeps the stored 20 blocks.
    const Row rows[] = {{"65", 32}, {"3", 20}, {"2000", 512}, {"4", 2}, {"abc", 20}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        PlayerSettings settings;
        settings.stream.bufferBlocks = 20;
        Open(settings);
        PropertyPage* page = Show(175);
        EXPECT_EQ(Control<QLineEdit>(page, 1000)->text(), "40");
        Type(page, 1000, row.typed);
        Type(page, 1016, "proxy.example:3128");
        Tick(Control<QCheckBox>(page, 1005));
        Done();
        EXPECT_EQ(settings.stream.bufferBlocks, row.blocks);
        EXPECT_EQ(settings.stream.prebufferBlocks, 16);
        EXPECT_EQ(GetText(settings.stream.proxy), L"proxy.example:3128");
        EXPECT_EQ(settings.stream.useProxy, 1);
    }
}

TEST_F(OptionSheetTest, SkinFileAndPluginList) {
    PlayerSettings settings;
    SetText(settings.skinFile, L"/skins/old.gps");
    Open(settings);
    PropertyPage* skin = Show(178);
    EXPECT_EQ(Control<QLineEdit>(skin, 1040)->text(), "/skins/old.gps");
    Type(skin, 1040, "/skins/new.gps");
    // No engine, no plug-ins: nothing to configure.
    PropertyPage* plugins = Show(171);
    EXPECT_EQ(Control<QListWidget>(plugins, 1084)->count(), 0);
    EXPECT_FALSE(Control<QPushButton>(plugins, 1083)->isEnabled());
    Done();
    EXPECT_EQ(GetText(settings.skinFile), L"/skins/new.gps");
}

// "Browse..." opens the player's own browser in the last folder, offering the skin files only.
TEST_F(OptionSheetTest, SkinBrowseTakesTheTickedFileAndItsFolder) {
    std::string folder = home + "/skins";
    ASSERT_TRUE(MakeDirectory(WidePath(folder)));
    ASSERT_TRUE(WriteFileAtomic(WidePath(folder + "/night.GPS"), "x"));
    ASSERT_TRUE(WriteFileAtomic(WidePath(folder + "/notes.txt"), "x"));
    PlayerSettings settings;
    SetText(settings.lastDir, WidePath(folder));
    Open(settings);
    PropertyPage* skin = Show(178);
    {
        DialogDriver driver("164", [](QDialog& d) {
            auto* files = d.findChild<QTreeWidget*>("FileList");
            ASSERT_EQ(files->topLevelItemCount(), 1);
            EXPECT_EQ(files->topLevelItem(0)->text(0), "night.GPS");
            files->topLevelItem(0)->setCheckState(0, Qt::Checked);
            QTest::mouseClick(d.findChild<QPushButton*>("1"), Qt::LeftButton);
        });
        QTest::mouseClick(Control<QPushButton>(skin, 1041), Qt::LeftButton);
    }
    EXPECT_EQ(Control<QLineEdit>(skin, 1040)->text().toStdString(), folder + "/night.GPS");
    EXPECT_EQ(GetText(settings.lastDir), WidePath(folder));
}

// Two fake plug-ins, one with settings of its own (caps 0x21) and one without (0x01); both
// offer the extension "fake".
TEST_F(OptionSheetTest, PluginsAndTheirExtensionsComeFromTheEngine) {
    std::string folder = home + "/plugins";
    std::filesystem::create_directories(folder);
    for (const char* name : {"conf-v1-c21", "plain-v1-c01"})
        std::filesystem::copy_file(PLUGIN_FAKES_DIR "/good.so", folder + "/" + name + ".so");
    setenv("VERSOLUNE_PLUGIN_PATH", folder.c_str(), 1);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) setenv(name, home.c_str(), 1);
    {
        PlayerEngine engine;
        PlayerSettings settings;
        settings.optionsEngine = &engine;
        Open(settings);
        PropertyPage* page = Show(171);
        auto* list = Control<QListWidget>(page, 1084);
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(0)->text(), "conf");
        auto* configure = Control<QPushButton>(page, 1083);
        list->setCurrentRow(1);
        EXPECT_FALSE(configure->isEnabled());
        list->setCurrentRow(0);
        ASSERT_TRUE(configure->isEnabled());
        QTest::mouseClick(configure, Qt::LeftButton);
        std::string trace;
        EXPECT_TRUE(ReadFileBytes(WidePath(home + "/configured-conf"), trace));
        EXPECT_EQ(trace, "owner");

        page = Show(177);
        auto* types = Control<QListWidget>(page, 1080);
        QStringList rows;
        for (int i = 0; i < types->count(); ++i) rows << types->item(i)->text();
        EXPECT_EQ(rows, (QStringList{"fake", "m3u", "mp2", "mp3", "mpa", "ogg", "pls", "rmp", "wav"}));
        QTest::mouseClick(Control<QPushButton>(page, 1081), Qt::LeftButton);
        types->item(0)->setCheckState(Qt::Unchecked);
        Done();
        Open(settings);
        page = Show(177);
        types = Control<QListWidget>(page, 1080);
        EXPECT_EQ(types->item(0)->checkState(), Qt::Unchecked);
        EXPECT_EQ(types->item(1)->checkState(), Qt::Checked);
        sheet.reset();
    }
    EXPECT_TRUE(IsFileTypeRegistered(L"pls", kPlaylistClass));
    EXPECT_TRUE(IsFileTypeRegistered(L"rmp", kAudioFileClass));
    EXPECT_FALSE(IsFileTypeRegistered(L"fake", kAudioFileClass));
    std::string mimeApps;
    EXPECT_TRUE(ReadFileBytes(WidePath(home + "/mimeapps.list"), mimeApps));
    EXPECT_NE(mimeApps.find("audio/x-scpls=versolune.desktop\n"), std::string::npos) << mimeApps;
    setenv("VERSOLUNE_PLUGIN_PATH", "", 1);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) unsetenv(name);
}

// ---------------------------------------------------------------- Display

TEST_F(OptionSheetTest, DisplayDelayComboAndApplyRule) {
    LyricsSettings settings;
    settings.dispAutoOff = 30;
    std::vector<bool> backlight;
    settings.setBacklightRequirement = [&backlight](bool on) { backlight.push_back(on); };
    Open(settings);
    PropertyPage* page = Show(180);
    auto* combo = Control<QComboBox>(page, 1010);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
    EXPECT_EQ(items, (QStringList{"Select", "5 sec.", "10 sec.", "15 sec.", "20 sec.", "30 sec.", "60 sec.",
                                  "90 sec.", "120 sec.", "180 sec.", "300 sec."}));
    EXPECT_EQ(combo->currentText(), "30 sec.");
    combo->setCurrentIndex(0);
    Tick(Control<QCheckBox>(page, 1005));
    Tick(Control<QCheckBox>(page, 1090));
    Done();
    EXPECT_EQ(settings.dispAutoOff, 0);
    EXPECT_EQ(settings.dispAutoOn, 1);
    EXPECT_EQ(settings.alwaysTurnOnBacklight, 1);
    EXPECT_EQ(backlight, std::vector<bool>{true});

    // A stored delay that is not in the list selects nothing, and then nothing is stored.
    settings.dispAutoOff = 7;
    Open(settings);
    page = Show(180);
    EXPECT_EQ(Control<QComboBox>(page, 1010)->currentIndex(), -1);
    Tick(Control<QCheckBox>(page, 1005));
    Done();
    EXPECT_EQ(settings.dispAutoOff, 7);
    EXPECT_EQ(settings.dispAutoOn, 1);
    EXPECT_EQ(backlight.size(), 1u);
}

// ---------------------------------------------------------------- Buttons

class ButtonsPageTest : public OptionSheetTest {
protected:
    void SetUp() override {
        OptionSheetTest::SetUp();
        settings.AddKeyMapping(KeyMapping{0x01, 0x26, 40038});  // Up: Next
        Open(settings);
        page = Show(179);
        ASSERT_NE(page, nullptr);
    }
    void Choose(int command) {
        auto* combo = Control<QComboBox>(page, 1009);
        combo->setCurrentIndex(combo->findData(command));
    }
    void Press(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Control<QWidget>(page, 1009), static_cast<Qt::Key>(qtKey), modifiers);
    }
    QStringList Rows() {
        QStringList rows;
        auto* list = Control<QTreeWidget>(page, 1004);
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(0) + "=" + list->topLevelItem(i)->text(1);
        return rows;
    }
    std::vector<std::tuple<int, int, int>> KeyMap() {
        std::vector<std::tuple<int, int, int>> map;
        for (int i = 0; i < settings.keyMap.GetCount(); ++i) {
            const KeyMapping* m = settings.GetKeyMapping(i);
            map.emplace_back(m->virtFlags, m->keyCode, m->command);
        }
        return map;
    }

    LyricsSettings settings;
    PropertyPage* page = nullptr;
};

TEST_F(ButtonsPageTest, PressedButtonsAreMappedWithTheirFlags) {
    EXPECT_EQ(Rows(), QStringList{"Up=Next"});
    Choose(40027);
    Press(Qt::Key_F1);
    EXPECT_EQ(Control<QComboBox>(page, 1009)->currentIndex(), 0);
    Choose(40036);
    Press(Qt::Key_F1, Qt::ControlModifier);
    // The same button and flags again replaces the function.
    Choose(40038);
    Press(Qt::Key_F1);
    // "Select" maps nothing.
    Press(Qt::Key_F2);
    EXPECT_EQ(Rows(), (QStringList{"Up=Next", "Button1=Next", "Button1=Stop"}));
    Choose(40025);  // <Un-map>
    Press(Qt::Key_Up);
    Tick(Control<QCheckBox>(page, 1005));
    Done();
    EXPECT_EQ(KeyMap(), (std::vector<std::tuple<int, int, int>>{{0x21, 0xC1, 40038}, {0x29, 0xC1, 40036}}));
    EXPECT_EQ(settings.releaseKeyMap, 0);
}

TEST_F(ButtonsPageTest, KeysAreCapturedOnlyWhileThePageIsShown) {
    Show(180);
    Choose(40027);
    Press(Qt::Key_F3);
    EXPECT_EQ(Rows(), QStringList{"Up=Next"});
    sheet->reject();
    EXPECT_EQ(KeyMap(), (std::vector<std::tuple<int, int, int>>{{0x01, 0x26, 40038}}));
}

}  // namespace
}  // namespace vl::test
