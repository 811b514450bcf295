// The lyrics search dialog on a player window, against the scripted lyrics service: what it
// sends, what it shows, what it stores, and that the window keeps running while it waits.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

#include "engine/input/tags.h"
#include "gui/window_fixture.h"
#include "lyrics/lyrics_search.h"
#include "lyrics/qt/lyrics_search_dialog.h"
#include "platform/registry.h"
#include "platform/screen_profile.h"
#include "support/lyrics_script_server.h"
#include "support/lyrics_service.h"
#include "support/shell_quote.h"
#include "ui/commands.h"

namespace vl::test {
namespace {

const std::string kLyrics = "[00:00.05]first line\n[00:00.10]second line\n";

// Answers every message box of the dialog (they run their own loops) and keeps their texts.
class MessageCatcher {
public:
    MessageCatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (!box || !box->isVisible() || box->objectName() != "LyricsMessage") continue;
                captions.push_back(box->windowTitle().toStdString());
                texts.push_back(box->text().toStdString());
                box->accept();
            }
        });
        timer_.start(20);
    }
    std::vector<std::string> captions, texts;

private:
    QTimer timer_;
};

class LyricsSearchDialogTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Registry::Get(HKEY_CURRENT_USER).Discard();
        served = TempDir();
        WriteFile(served + "/new.lrc", kLyrics);
        AddTones(2);
        window->openLyricsSearch = [this](int index) { OpenLyricsSearch(*window, index); };
    }
    void TearDown() override {
        WindowTest::TearDown();
        Registry::Get(HKEY_CURRENT_USER).Discard();
    }

    // The dialog for the entry, opened from the window's command; the service is server.
    LyricsSearchDialog* Open(int index, const LyricsScriptServer* server = nullptr) {
        if (server) {
            LyricsAccount account;
            account.server = server->WideUrl("");
            EXPECT_TRUE(SaveLyricsAccount(account));
        }
        window->OpenEntry(index);
        window->OnCommand(IDM_DOWNLOAD_LYRICS);
        auto* dialog = window->findChild<LyricsSearchDialog*>("168");
        EXPECT_TRUE(dialog && dialog->isVisible());
        return dialog;
    }
    template <typename T>
    T* Find(QWidget* dialog, const char* name) {
        T* widget = dialog->findChild<T*>(name);
        EXPECT_TRUE(widget) << name;
        return widget;
    }
    void Click(QWidget* dialog, const char* name) { QTest::mouseClick(Find<QPushButton>(dialog, name), Qt::LeftButton); }
    // Search or Download, then wait for the dialog to be idle again.
    void ClickAndWait(LyricsSearchDialog* dialog, const char* name) {
        Click(dialog, name);
        EXPECT_TRUE(PumpUntil([dialog] { return !dialog->IsBusy(); }, 60000));
        Pump(50);
    }
    std::vector<std::string> Rows(LyricsSearchDialog* dialog) {
        std::vector<std::string> rows;
        for (int i = 0; i < dialog->list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = dialog->list->topLevelItem(i);
            rows.push_back(row->text(0).toStdString() + "|" + row->text(1).toStdString());
        }
        return rows;
    }

    std::string served;
};

TEST_F(LyricsSearchDialogTest, OpensForTheEntryWithTheSpecifiedLayout) {
    LyricsSearchDialog* dialog = Open(1);
    ASSERT_TRUE(dialog);
    EXPECT_EQ("t1", Find<QLineEdit>(dialog, "1061")->text().toStdString());  // no title tag: the playlist title
    EXPECT_EQ("", Find<QLineEdit>(dialog, "1060")->text().toStdString());
    EXPECT_EQ(QSize(240, 320), dialog->size());
    EXPECT_EQ("Singer", dialog->list->headerItem()->text(0).toStdString());
    EXPECT_EQ("Song Name", dialog->list->headerItem()->text(1).toStdString());

    // Sizes follow the client area below the title.
    QWidget* client = dialog->list->parentWidget();
    int w = client->width(), h = client->height();
    QRect list = dialog->list->geometry();
    EXPECT_EQ(w - 2 * list.left(), list.width());
    EXPECT_EQ(h - list.top() - list.left(), list.height());
    EXPECT_EQ(w - 67, dialog->list->columnWidth(1));
    EXPECT_EQ(58, dialog->list->columnWidth(0));
    for (const char* button : {"1046", "1062"})
        EXPECT_EQ(w - 2, Find<QPushButton>(dialog, button)->geometry().right() + 1) << button;
    int searchLeft = Find<QPushButton>(dialog, "1046")->geometry().left();
    for (const char* edit : {"1060", "1061"})
        EXPECT_EQ(searchLeft - 4, Find<QLineEdit>(dialog, edit)->geometry().right() + 1) << edit;
    // Idle: no Cancel.
    EXPECT_FALSE(Find<QPushButton>(dialog, "2")->isVisible());
}

TEST_F(LyricsSearchDialogTest, SearchesDownloadsAndReloadsOnlyTheCurrentEntry) {
    LyricsScriptServer server("Someone`Tone 1`{base}/files/new.lrc\nOther`Tone`{base}/files/new.lrc\n", served);
    ASSERT_TRUE(server.Started());
    MessageCatcher messages;
    LyricsSearchDialog* dialog = Open(1, &server);
    ASSERT_TRUE(dialog);

    // The first search asks the bootstrap page, the next one only searches.
    ClickAndWait(dialog, "1046");
    EXPECT_EQ((std::vector<std::string>{"Someone|Tone 1", "Other|Tone"}), Rows(dialog));
    EXPECT_TRUE(dialog->list->topLevelItem(0)->isSelected());
    EXPECT_EQ(2u, server.Requests().size());
    EXPECT_EQ(server.WideUrl("/search"), std::wstring(dialog->searchUrl));
    ClickAndWait(dialog, "1046");
    EXPECT_EQ(3u, server.Requests().size());
    EXPECT_TRUE(messages.texts.empty());

    // Downloaded for entry 1 while entry 0 became current: closing does not load it.
    window->OpenEntry(0);
    ClickAndWait(dialog, "1062");
    EXPECT_EQ(std::vector<std::string>{"Lyrics downloaded successfully!"}, messages.texts);
    EXPECT_EQ(std::vector<std::string>{"Versolune"}, messages.captions);
    EXPECT_EQ(kLyrics, ReadFile(home + "/t1.lrc"));
    Click(dialog, "1");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(window->lyrics.IsLoaded());

    // For the current entry it does; the rows stay for the same entry and go for another.
    dialog = Open(1);
    EXPECT_EQ(2u, Rows(dialog).size());
    dialog = Open(0);
    EXPECT_TRUE(Rows(dialog).empty());
    ClickAndWait(dialog, "1046");
    ClickAndWait(dialog, "1062");
    ASSERT_EQ(2u, messages.texts.size());
    EXPECT_FALSE(window->lyrics.IsLoaded());
    dialog->close();
    EXPECT_TRUE(window->lyrics.IsLoaded());
    EXPECT_EQ(L"first line", window->lyrics.GetLine(0).text);
}

// The real service over a small library: the entry's tags find the hit, the file lands beside
// the music, or in the lyrics folder when it cannot be written there, and the window shows it.
TEST_F(LyricsSearchDialogTest, RealServiceFindsDownloadsAndTheWindowShowsIt) {
    std::string library = TempDir();
    const std::string lyrics = "[ar:Singer One]\n[ti:Song One]\n[00:00.05]from the service\n";
    WriteFile(library + "/a.lrc", lyrics);
    WriteFile(library + "/b.lrc", "[ar:Singer Two]\n[ti:Song One]\n[00:00.05]not this one\n");
    LyricsService service(library);
    ASSERT_TRUE(service.Started()) << service.FirstLine();
    LyricsAccount account;
    account.server = WidePath(service.Url());
    ASSERT_TRUE(SaveLyricsAccount(account));
    MessageCatcher messages;
    // The .lrc beside the second entry cannot be written: a folder holds its name.
    ASSERT_EQ(0, RunCommand("mkdir " + ShellQuote(home + "/t1.lrc")));

    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        window->OpenEntry(index);
        PlaylistEntry* entry = window->GetEntry(index);
        CopyText(entry->tags.artist, 255, L"Singer One");
        CopyText(entry->tags.title, 255, L"Song One");
        window->OnCommand(IDM_DOWNLOAD_LYRICS);
        auto* dialog = window->findChild<LyricsSearchDialog*>("168");
        ASSERT_TRUE(dialog && dialog->isVisible());
        EXPECT_EQ("Singer One", Find<QLineEdit>(dialog, "1060")->text().toStdString());
        ClickAndWait(dialog, "1046");
        EXPECT_EQ((std::vector<std::string>{"Singer One|Song One", "Singer Two|Song One"}), Rows(dialog));
        ClickAndWait(dialog, "1062");
        dialog->close();
        EXPECT_EQ(L"from the service", window->lyrics.GetLine(0).text);
    }
    EXPECT_EQ(lyrics, ReadFile(home + "/t0.lrc"));
    const std::string inFolder = home + "/lyrics/Singer One - Song One.lrc";
    EXPECT_EQ(lyrics, ReadFile(inFolder));
    std::vector<std::string> expected = {"Lyrics downloaded successfully!",
                                         "Lyrics downloaded successfully!\nSaved in the lyrics folder as " + inFolder};
    EXPECT_EQ(expected, messages.texts);
}

TEST_F(LyricsSearchDialogTest, TellsWhatWentWrong) {
    LyricsScriptServer server("Someone`Tone`{base}/files/missing.lrc\n", served, {"/search?body="});
    ASSERT_TRUE(server.Started());
    MessageCatcher messages;
    LyricsSearchDialog* dialog = Open(0, &server);
    ASSERT_TRUE(dialog);
    WriteFile(home + "/t0.lrc", kLyrics);

    Find<QLineEdit>(dialog, "1061")->clear();
    Click(dialog, "1046");  // no title
    EXPECT_TRUE(server.Requests().empty());
    QTest::keyClicks(Find<QLineEdit>(dialog, "1061"), "Tone");
    ClickAndWait(dialog, "1046");  // an empty answer
    std::vector<std::string> expected = {"Please input title!",
                                         "Can't find any lyrics! Please change title or singer to try again."};
    EXPECT_EQ(expected, messages.texts);

    // A hit whose file is missing leaves the old lyric file as it was.
    LyricsScriptServer other("Someone`Tone`{base}/files/missing.lrc\n", served);
    ASSERT_TRUE(other.Started());
    dialog->searchUrl[0] = 0;
    LyricsAccount account;
    account.server = other.WideUrl("");
    SaveLyricsAccount(account);
    ClickAndWait(dialog, "1046");
    ClickAndWait(dialog, "1062");
    EXPECT_EQ("Can't connect to Internet", messages.texts.back());
    EXPECT_EQ(kLyrics, ReadFile(home + "/t0.lrc"));
    EXPECT_EQ(0, dialog->downloaded);
}

TEST_F(LyricsSearchDialogTest, WaitsWithoutFreezingTheWindowAndCancels) {
    LyricsScriptServer server("A`B`u\n", served, {"/search?stall=120"});
    ASSERT_TRUE(server.Started());
    MessageCatcher messages;
    LyricsSearchDialog* dialog = Open(0, &server);
    ASSERT_TRUE(dialog);
    QPushButton* cancel = Find<QPushButton>(dialog, "2");

    // While the answer stalls, the window's own events go on and the dialog offers Cancel.
    Click(dialog, "1046");
    EXPECT_TRUE(dialog->IsBusy());
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(10);
    EXPECT_TRUE(PumpUntil([&] { return server.Requests().size() == 2 && ticks >= 3; }, 30000));
    EXPECT_TRUE(dialog->IsBusy());
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_FALSE(Find<QPushButton>(dialog, "1046")->isEnabled());
    EXPECT_FALSE(Find<QLabel>(dialog, "Busy")->text().isEmpty());
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(dialog->IsBusy());
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(Find<QPushButton>(dialog, "1046")->isEnabled());
    Pump(100);
    EXPECT_TRUE(messages.texts.empty());

    // A stall longer than the request may take ends with the connection message, and the
    // search address is asked again next time.
    dialog->SetTimeouts(HttpTimeouts{10000, 1500});
    ClickAndWait(dialog, "1046");
    EXPECT_EQ(std::vector<std::string>{"Can't connect to Internet"}, messages.texts);
    EXPECT_EQ(L"", std::wstring(dialog->searchUrl));

    // Done while it waits cancels too.
    dialog->SetTimeouts(HttpTimeouts{});
    Click(dialog, "1046");
    EXPECT_TRUE(dialog->IsBusy());
    Click(dialog, "1");
    EXPECT_FALSE(dialog->IsBusy());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(LyricsSearchDialogTest, AccountDialogStoresTheServiceAccount) {
    LyricsSearchDialog* dialog = Open(0);
    ASSERT_TRUE(dialog);
    wcscpy(dialog->searchUrl, L"http://old/search");
    QTimer::singleShot(0, [] {
        auto* account = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(account);
        account->findChild<QLineEdit*>("LyricsServer")->setText("http://127.0.0.1:9999");
        account->findChild<QLineEdit*>("LyricsUser")->setText("me");
        account->findChild<QLineEdit*>("LyricsPass")->setText("secret");
        EXPECT_EQ(QLineEdit::Password, account->findChild<QLineEdit*>("LyricsPass")->echoMode());
        account->accept();
    });
    Click(dialog, "Account");
    LyricsAccount stored;
    Registry::Get(HKEY_CURRENT_USER).Discard();
    LoadLyricsAccount(stored);
    EXPECT_EQ(L"http://127.0.0.1:9999", stored.server);
    EXPECT_EQ(L"me", stored.user);
    EXPECT_EQ(L"secret", stored.pass);
    // The address came from the old service.
    EXPECT_EQ(L"", std::wstring(dialog->searchUrl));
}

}  // namespace
}  // namespace vl::test
