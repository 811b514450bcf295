// Open URL through the window's command, the About box's buffer text, and pictures of dialogs
// taken by the program itself.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "gui/window_fixture.h"
#include "gui_dialogs/dialog_driver.h"
#include "settings/qt/about_box.h"
#include "settings/qt/settings_dialogs_qt.h"
#include "settings/url_history.h"
#include "ui/commands.h"

namespace vl::test {
namespace {

class OpenUrlTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        SetSettingsDialogs(&dialogs);
        AddTones(1);
    }
    void TearDown() override {
        SetSettingsDialogs(nullptr);
        WindowTest::TearDown();
    }
    // Runs Open URL with drive() working on the dialog.
    void OpenUrl(const std::function<void(QDialog&)>& drive) {
        DialogDriver driver("119", drive);
        window->OnCommand(IDM_OPEN_URL);
    }
    static QComboBox* Combo(QDialog& d) { return d.findChild<QComboBox*>("1012"); }
    static void Click(QDialog& d, const char* id) { QTest::mouseClick(d.findChild<QPushButton*>(id), Qt::LeftButton); }

    SettingsDialogsQt dialogs;
};

TEST_F(OpenUrlTest, TypedAddressGetsItsSchemeAndGoesToTheHistory) {
    struct Row {
        const char* typed;
        const wchar_t* url;
        const wchar_t* playlist;  // a scheme the player does not play keeps the playlist
    };
    const Row rows[] = {
        {"127.0.0.1:9/live", L"http://127.0.0.1:9/live", L"http://127.0.0.1:9/live"},
        {"https://127.0.0.1:9/x", L"https://127.0.0.1:9/x", L"http://127.0.0.1:9/live"},
    };
    std::vector<std::wstring> expected;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        OpenUrl([&row](QDialog& d) {
            QTest::keyClicks(Combo(d)->lineEdit(), row.typed);
            Click(d, "1");
        });
        ASSERT_EQ(window->GetEntryCount(), 1);
        EXPECT_EQ(window->GetEntry(0)->path, row.playlist);
        window->Stop();
        expected.insert(expected.begin(), row.url);
        EXPECT_EQ(ReadUrlHistory(), expected);
    }
}

TEST_F(OpenUrlTest, ListedEntryIsTakenWithoutReorderingTheHistory) {
    for (const wchar_t* url : {L"http://127.0.0.1:9/1", L"http://127.0.0.1:9/2"}) AddUrlToHistory(url);
    OpenUrl([](QDialog& d) {
        ASSERT_EQ(Combo(d)->count(), 2);
        EXPECT_EQ(Combo(d)->itemText(0), "http://127.0.0.1:9/2");
        EXPECT_TRUE(Combo(d)->currentText().isEmpty());
        Combo(d)->setFocus();
        QTest::keyClick(Combo(d), Qt::Key_Down);  // the second entry
        QTest::keyClick(Combo(d), Qt::Key_Down);
        EXPECT_EQ(Combo(d)->currentText(), "http://127.0.0.1:9/1");
        Click(d, "1");
    });
    ASSERT_EQ(window->GetEntryCount(), 1);
    EXPECT_EQ(window->GetEntry(0)->path, L"http://127.0.0.1:9/1");
    window->Stop();
    EXPECT_EQ(ReadUrlHistory(), (std::vector<std::wstring>{L"http://127.0.0.1:9/2", L"http://127.0.0.1:9/1"}));
}

// Cancel, or Done on empty text, never touches the playlist or the history.
TEST_F(OpenUrlTest, CancelAndEmptyTextChangeNothing) {
    std::wstring before = window->GetEntry(0)->path;
    OpenUrl([](QDialog& d) {
        Click(d, "1");
        EXPECT_TRUE(d.isVisible());
        QTest::keyClicks(Combo(d)->lineEdit(), "radio.example");
        Click(d, "2");
    });
    ASSERT_EQ(window->GetEntryCount(), 1);
    EXPECT_EQ(window->GetEntry(0)->path, before);
    EXPECT_TRUE(ReadUrlHistory().empty());
}

TEST(AboutBox, BufferTextWithoutAStream) {
    EnsureApplication();
    PlayerEngine engine;
    QString text = BufferInfoText(engine);
    EXPECT_TRUE(text.startsWith("Buffer information\nStreaming:\t0 KB / 0 KB (0 %)\nAudio :\t\t")) << text.toStdString();
    AboutBox box(engine, nullptr);
    EXPECT_EQ(box.findChild<QLabel*>("1079")->text(), text);
    EXPECT_TRUE(box.findChild<QLabel*>("1029")->text().startsWith("Versolune V"));
}

// The program opens a dialog as the user would, saves its picture and closes without applying.
TEST(DialogScreenshot, SavesThePictureOrRefusesAnUnknownName) {
    EnsureApplication();
    std::string home = TempDir();
    struct Row {
        const char* name;
        const char* screen;
        int exitCode;
        QSize size;
        std::string file;  // played first, when given
    };
    const std::string song = SourceDir() + "/tests/fixtures/id3v1.mp3";
    const Row rows[] = {
        {"options", "240x320@96", 0, {240, 320}, ""},
        {"sleep", "480x640@192", 0, {480, 640}, ""},
        {"effects", "240x320@96", 0, {240, 320}, ""},
        {"search", "240x320@96", 0, {240, 320}, song},  // modeless, for the first entry
        {"nonsense", "240x320@96", 2, {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QString png = QString::fromStdString(home + "/" + row.name + ".png");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VERSOLUNE_HOME", QString::fromStdString(home));
        process.setProcessEnvironment(env);
        QStringList args = {"--screenshot-dialog", row.name, "--screenshot", png, "--screen", row.screen};
        if (!row.file.empty()) args << QString::fromStdString(row.file);
        process.start(QStringLiteral(VERSOLUNE_BINARY_DIR "/versolune"), args);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), row.exitCode) << process.readAllStandardError().toStdString();
        EXPECT_EQ(QImage(png).size(), row.exitCode == 0 ? row.size : QSize(0, 0));
    }
}

}  // namespace
}  // namespace vl::test
