// The playlist model: adding, duplicates, folders, editing, walking and its files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "engine/player_engine.h"
#include "engine/input/plugin_host.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/test_support.h"
#include "ui/playlist.h"

namespace vl {
namespace {

class PlaylistTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = WidePath(test::TempDir());
        setenv("VERSOLUNE_HOME", NativePath(dir_).c_str(), 1);
        SetAnsiCodePage("UTF-8");
        engine_ = CreateEngine();
        list_ = std::make_unique<Playlist>(engine_);
        PlaylistHooks hooks;
        hooks.openEntry = [this](int index) {
            opened_.push_back(index);
            return Open(index);
        };
        hooks.stopCurrent = [this](bool close) { stops_.push_back(close); };
        hooks.changed = [this] { ++changes_; };
        list_->SetHooks(hooks);
    }
    void TearDown() override {
        list_.reset();
        DestroyEngine(engine_);
        SetAnsiCodePage("");
    }

    // What the window's OpenEntry does to the model.
    bool Open(int index) {
        list_->SetCurrentIndex(index);
        list_->MarkOpened(index);
        return list_->GetEntry(index) != nullptr;
    }
    // Creates an empty file (and its folders) under the test folder; its full path.
    std::wstring Touch(const std::wstring& relative) {
        std::wstring path = JoinPath(dir_, relative);
        for (size_t i = dir_.size() + 1; i < path.size(); ++i)
            if (path[i] == L'/') MakeDirectory(path.substr(0, i));
        EXPECT_TRUE(test::WriteFile(NativePath(path), ""));
        return path;
    }
    std::vector<std::wstring> Paths() const {
        std::vector<std::wstring> out;
        for (int i = 0; i < list_->GetEntryCount(); ++i) out.push_back(list_->GetEntry(i)->path);
        return out;
    }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> out;
        for (const auto& p : Paths()) out.push_back(p.compare(0, dir_.size(), dir_) == 0 ? p.substr(dir_.size() + 1) : p);
        return out;
    }
    void AddFiles(const std::vector<std::wstring>& names) {
        for (const auto& n : names) ASSERT_TRUE(list_->AddEntry(Touch(n))) << NativePath(n);
    }

    std::wstring dir_;
    PlayerEngine* engine_ = nullptr;
    std::unique_ptr<Playlist> list_;
    std::vector<int> opened_;
    std::vector<bool> stops_;
    int changes_ = 0;
};

TEST_F(PlaylistTest, AddEntryTestsPlayabilityAndOpensTheFirst) {
    std::wstring a = Touch(L"a.mp3");
    MakeDirectory(JoinPath(dir_, L"folder.mp3"));
    EXPECT_FALSE(list_->AddEntry(JoinPath(dir_, L"missing.mp3")));
    EXPECT_FALSE(list_->AddEntry(JoinPath(dir_, L"folder.mp3")));
    EXPECT_EQ(list_->GetCurrentIndex(), -1);
    EXPECT_TRUE(list_->AddEntry(a));
    EXPECT_TRUE(list_->AddEntry(L"http://127.0.0.1:9/stream", L"Radio"));
    EXPECT_FALSE(list_->AddEntry(L"HTTP://127.0.0.1:9/other"));  // the scheme test is case-sensitive
    EXPECT_EQ(opened_, std::vector<int>{0});
    EXPECT_EQ(list_->GetCurrentIndex(), 0);
    EXPECT_EQ(list_->GetEntry(1)->title, L"Radio");
    EXPECT_EQ(list_->GetEntry(2), nullptr);
    EXPECT_EQ(list_->GetEntry(-1), nullptr);

    Playlist noEngine(nullptr);
    EXPECT_FALSE(noEngine.AddEntry(a));
}

TEST_F(PlaylistTest, DuplicatesFollowAddExisting) {
    std::wstring lower = Touch(L"Dir/song.mp3");
    std::wstring upper = Touch(L"dir/SONG.MP3");  // another file, the same path ignoring case
    struct Row {
        bool addExisting;
        size_t expected;
    };
    for (Row row : {Row{false, 2}, Row{true, 3}}) {
        list_->ClearPlaylist();
        list_->SetOptions(PlaylistOptions{0, false, row.addExisting, false});
        list_->AddEntry(lower);
        list_->AddEntry(lower);
        list_->AddEntry(upper);
        EXPECT_EQ(Paths().size(), row.expected) << row.addExisting;
        EXPECT_EQ(list_->IsInPlaylist(upper), !row.addExisting);
    }
    // lower, lower, upper are in; with duplicates refused again, deleting one copy of lower
    // keeps the other known, and names that differ only in case never stand for each other.
    list_->SetOptions(PlaylistOptions{});
    list_->DeleteEntry(0);
    EXPECT_TRUE(list_->IsInPlaylist(lower));
    EXPECT_FALSE(list_->AddEntry(lower));
    list_->DeleteEntry(0);
    EXPECT_FALSE(list_->IsInPlaylist(lower));
    EXPECT_TRUE(list_->IsInPlaylist(upper));
    EXPECT_TRUE(list_->AddEntry(lower));
    EXPECT_FALSE(list_->IsInPlaylist(Touch(L"dir/song.mp3")));
}

TEST_F(PlaylistTest, NextAndPreviousWithoutShuffle) {
    AddFiles({L"0.mp3", L"1.mp3", L"2.mp3"});
    struct Row {
        int repeat;
        int current;
        bool autoAdvance;
        bool noWrap;
        int next;
    };
    const Row rows[] = {
        {0, 0, true, false, 1},  {0, 1, false, false, 2}, {0, 2, true, false, -1}, {0, 2, false, false, 0},
        {0, 2, false, true, -1}, {1, 2, true, false, 0},  {1, 2, true, true, -1},  {1, 2, false, false, 0},
        {2, 2, true, false, 0},  {2, 1, true, true, 2},   {1, -1, false, false, -1},
    };
    for (const Row& r : rows) {
        list_->SetOptions(PlaylistOptions{r.repeat, false, false, false});
        list_->SetCurrentIndex(r.current);
        EXPECT_EQ(list_->GetNextIndex(r.autoAdvance, r.noWrap), r.next)
            << "repeat " << r.repeat << " current " << r.current << " auto " << r.autoAdvance << " noWrap " << r.noWrap;
    }
    const int previous[][2] = {{-1, -1}, {0, 2}, {1, 0}, {2, 1}};
    for (const auto& p : previous) {
        list_->SetCurrentIndex(p[0]);
        EXPECT_EQ(list_->GetPreviousIndex(), p[1]) << "current " << p[0];
    }
}

TEST_F(PlaylistTest, ShufflePlaysEachOnceThenFollowsRepeat) {
    AddFiles({L"0.mp3", L"1.mp3", L"2.mp3", L"3.mp3"});
    struct Row {
        int repeat;
        bool autoAdvance;
        bool noWrap;
        bool continues;  // after a full pass
    };
    const Row rows[] = {
        {0, true, false, false}, {0, false, false, true}, {0, true, true, false}, {0, false, true, false},
        {1, true, false, true},  {1, false, false, true}, {1, true, true, false}, {2, true, false, true},
    };
    for (const Row& r : rows) {
        std::string label = "repeat " + std::to_string(r.repeat) + " auto " + std::to_string(r.autoAdvance) +
                            " noWrap " + std::to_string(r.noWrap);
        list_->SetOptions(PlaylistOptions{r.repeat, false, false, false});
        list_->SetCurrentIndex(2);
        list_->SetShuffle(true);
        std::set<int> seen{2};
        for (int step = 0; step < 3; ++step) {
            int next = list_->GetNextIndex(r.autoAdvance, r.noWrap);
            ASSERT_TRUE(next >= 0 && next < 4 && !seen.count(next)) << label << " step " << step << " gave " << next;
            seen.insert(next);
            Open(next);
        }
        int next = list_->GetNextIndex(r.autoAdvance, r.noWrap);
        if (r.continues) EXPECT_TRUE(next >= 0 && next < 4) << label;
        else EXPECT_EQ(next, -1) << label;
        // Every pass ends with all flags cleared.
        for (int i = 0; i < 4; ++i) EXPECT_EQ(list_->GetEntry(i)->played, 0) << label;
        EXPECT_EQ(list_->GetPreviousIndex(), list_->GetCurrentIndex()) << label;
        list_->SetShuffle(false);
    }
}

TEST_F(PlaylistTest, SortKeepsTheCurrentEntry) {
    AddFiles({L"z/b.mp3", L"a/C.mp3", L"y/a.mp3"});
    ASSERT_TRUE(list_->AddEntry(L"http://127.0.0.1/zzz"));
    list_->SetCurrentIndex(1);  // a/C.mp3
    list_->SortPlaylist(0);
    // By name; a URL sorts by its whole text ("h...") rather than by what follows its last '/'.
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"y/a.mp3", L"z/b.mp3", L"a/C.mp3", L"http://127.0.0.1/zzz"}));
    EXPECT_EQ(list_->GetCurrentIndex(), 2);
    list_->SortPlaylist(1);
    std::vector<std::wstring> byPath = Paths();
    EXPECT_TRUE(std::is_sorted(byPath.begin(), byPath.end(), [](const std::wstring& a, const std::wstring& b) {
        return wcscasecmp(a.c_str(), b.c_str()) < 0;
    }));
    EXPECT_EQ(list_->GetEntry(list_->GetCurrentIndex())->path, JoinPath(dir_, L"a/C.mp3"));
    for (int i = 0; i < list_->GetEntryCount(); ++i) EXPECT_EQ(list_->GetEntry(i)->currentMark, 0);
}

TEST_F(PlaylistTest, DeleteKeepsOrReopensTheCurrentEntry) {
    AddFiles({L"0.mp3", L"1.mp3", L"2.mp3", L"3.mp3"});
    opened_.clear();
    list_->SetCurrentIndex(2);
    EXPECT_FALSE(list_->DeleteEntry(4));
    EXPECT_FALSE(list_->DeleteEntry(-1));
    EXPECT_TRUE(list_->DeleteEntry(0));  // before the current one
    EXPECT_EQ(list_->GetCurrentIndex(), 1);
    EXPECT_TRUE(stops_.empty());
    EXPECT_TRUE(list_->DeleteEntry(1));  // the current one: the entry now at its place opens
    EXPECT_EQ(opened_, std::vector<int>{1});
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"1.mp3", L"3.mp3"}));
    EXPECT_EQ(list_->GetCurrentIndex(), 1);
    EXPECT_TRUE(list_->DeleteEntry(1));  // the current, last one: entry 0 opens
    EXPECT_EQ(opened_, (std::vector<int>{1, 0}));
    EXPECT_EQ(list_->GetCurrentIndex(), 0);
    EXPECT_TRUE(list_->DeleteEntry(0));  // the only one: the track closes
    EXPECT_EQ(list_->GetCurrentIndex(), -1);
    EXPECT_EQ(stops_, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(list_->GetEntryCount(), 0);
}

TEST_F(PlaylistTest, MovesAndInsertsKeepTheCurrentEntry) {
    AddFiles({L"0.mp3", L"1.mp3", L"2.mp3"});
    list_->SetCurrentIndex(1);
    EXPECT_FALSE(list_->MoveUp(0));
    EXPECT_FALSE(list_->MoveDown(2));
    EXPECT_FALSE(list_->MoveUp(3));
    EXPECT_TRUE(list_->MoveUp(1));
    EXPECT_EQ(list_->GetCurrentIndex(), 0);
    EXPECT_TRUE(list_->MoveDown(1));  // two neighbours of the current entry swap
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"1.mp3", L"2.mp3", L"0.mp3"}));
    EXPECT_EQ(list_->GetCurrentIndex(), 0);
    EXPECT_TRUE(list_->MoveDown(0));
    EXPECT_EQ(list_->GetCurrentIndex(), 1);
    EXPECT_TRUE(list_->InsertEntry(Touch(L"new.mp3"), 0));
    EXPECT_EQ(list_->GetCurrentIndex(), 2);
    EXPECT_EQ(list_->GetEntry(2)->path, JoinPath(dir_, L"1.mp3"));
    EXPECT_TRUE(list_->InsertEntry(JoinPath(dir_, L"new.mp3"), 4));  // no duplicate test
    EXPECT_FALSE(list_->InsertEntry(JoinPath(dir_, L"new.mp3"), 6));
    EXPECT_EQ(list_->GetCurrentIndex(), 2);
    EXPECT_EQ(list_->GetEntryCount(), 5);
}

TEST_F(PlaylistTest, AddFolderSortsAndDescends) {
    for (const wchar_t* n : {L"root/b.mp3", L"root/A.ogg", L"root/c.txt", L"root/d.WAV", L"root/noext", L"root/e.mp3x",
                             L"root/sub1/x.mp3", L"root/sub2/y.rmp", L"root/sub2/deeper/z.mpa", L"root/sub2/deeper/w.mp2"})
        Touch(n);
    MakeDirectory(JoinPath(dir_, L"root/dir.mp3"));
    list_->AddFolder(JoinPath(dir_, L"root"));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"root/A.ogg", L"root/b.mp3", L"root/d.WAV"}));
    EXPECT_EQ(changes_, 1) << "one report for the whole folder";

    list_->ClearPlaylist();
    list_->SetOptions(PlaylistOptions{0, false, false, true});
    list_->AddFolder(JoinPath(dir_, L"root") + L"/");
    std::vector<std::wstring> names = Names();
    ASSERT_EQ(names.size(), 7u);
    EXPECT_EQ(std::vector<std::wstring>(names.begin(), names.begin() + 3),
              (std::vector<std::wstring>{L"root/A.ogg", L"root/b.mp3", L"root/d.WAV"}));
    auto at = [&](const wchar_t* n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
    EXPECT_LT(at(L"root/sub2/y.rmp"), at(L"root/sub2/deeper/w.mp2"));
    EXPECT_EQ(at(L"root/sub2/deeper/w.mp2") + 1, at(L"root/sub2/deeper/z.mpa"));
    EXPECT_LT(at(L"root/sub1/x.mp3"), 7);
}

// A decoder record that reports extensions: a new one, a built-in one in capitals, an empty one.
int32_t TestExtensionCount() { return 3; }
int32_t TestExtension(int32_t index, wchar_t* extension, wchar_t* description) {
    const wchar_t* const names[] = {L"xyz", L"MP3", L""};
    wcscpy(extension, names[index]);
    wcscpy(description, L"test");
    return 1;
}

TEST_F(PlaylistTest, AddFolderTakesPluginExtensions) {
    VlDecoderRecord record{};
    record.GetExtensionCount = TestExtensionCount;
    record.GetExtension = TestExtension;
    // Two plug-ins claim the same extension: its files are still added once.
    for (int i = 0; i < 2; ++i) engine_->plugins.push_back(new PluginEntry{nullptr, &record, 0});
    for (const wchar_t* n : {L"p/a.xyz", L"p/B.XyZ", L"p/c.mp3", L"p/d.xy", L"p/e"}) Touch(n);
    list_->SetOptions(PlaylistOptions{0, false, true, false});
    list_->AddFolder(JoinPath(dir_, L"p"));
    for (PluginEntry* entry : engine_->plugins) delete entry;
    engine_->plugins.clear();
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"p/a.xyz", L"p/B.XyZ", L"p/c.mp3"}));
}

TEST_F(PlaylistTest, AddFolderSurvivesLoopsDeepTreesAndUnreadableFolders) {
    std::wstring deep = L"root";
    for (int i = 0; i < 200; ++i) deep += L"/d";
    Touch(deep + L"/bottom.mp3");
    Touch(L"root/top.mp3");
    Touch(L"root/locked/hidden.mp3");
    std::wstring root = JoinPath(dir_, L"root");
    ASSERT_EQ(symlink(NativePath(root).c_str(), NativePath(root + L"/loop").c_str()), 0);
    ASSERT_EQ(symlink("..", NativePath(root + L"/d/d/up").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", NativePath(root + L"/dangling.mp3").c_str()), 0);
    chmod(NativePath(root + L"/locked").c_str(), 0);
    // Duplicates allowed: a folder entered twice would show up twice.
    list_->SetOptions(PlaylistOptions{0, false, true, true});
    list_->AddFolder(root);
    chmod(NativePath(root + L"/locked").c_str(), 0755);
    std::multiset<std::wstring> names;
    for (const auto& p : Paths()) names.insert(BaseName(p));
    bool rootReadsAnything = geteuid() == 0;  // root reads folders without permission
    std::multiset<std::wstring> want{L"top.mp3", L"bottom.mp3"};
    if (rootReadsAnything) want.insert(L"hidden.mp3");
    EXPECT_EQ(names, want);
}

TEST_F(PlaylistTest, EntryTitles) {
    AddFiles({L"My.Band - Song.mp3", L".mp3"});
    ASSERT_TRUE(list_->AddEntry(Touch(L"t.ogg"), L"Given"));
    ASSERT_TRUE(list_->AddEntry(L"http://127.0.0.1:9/live"));
    ASSERT_TRUE(list_->AddEntry(L"http://127.0.0.1:9/named", L"Station"));
    PlaylistEntry* tagged = list_->GetEntry(2);
    std::wstring title;
    EXPECT_TRUE(list_->GetEntryTitle(0, title));
    EXPECT_EQ(title, L"My.Band - Song");
    EXPECT_EQ(list_->GetEntry(0)->title, L"My.Band - Song");  // cached
    EXPECT_TRUE(list_->GetEntryTitle(1, title));
    EXPECT_EQ(title, L".mp3");
    EXPECT_TRUE(list_->GetEntryTitle(2, title));
    EXPECT_EQ(title, L"Given");
    wcscpy(tagged->tags.title, L"Tagged");
    EXPECT_TRUE(list_->GetEntryTitle(2, title));
    EXPECT_EQ(title, L"Tagged");
    wcscpy(tagged->tags.artist, L"Artist");
    EXPECT_TRUE(list_->GetEntryTitle(2, title));
    EXPECT_EQ(title, L"Artist - Tagged");
    EXPECT_TRUE(list_->GetEntryTitle(3, title));
    EXPECT_EQ(title, L"http://127.0.0.1:9/live");
    EXPECT_TRUE(list_->GetEntryTitle(4, title));
    EXPECT_EQ(title, L"Station");
    EXPECT_FALSE(list_->GetEntryTitle(5, title));
}

TEST_F(PlaylistTest, TagsAreReadOnlyWithoutAGivenTitle) {
    std::string tagged = test::ReadFile(test::SourceDir() + "/tests/fixtures/id3v1.mp3");
    ASSERT_FALSE(tagged.empty());
    std::wstring a = Touch(L"a.mp3");
    std::wstring b = Touch(L"b.mp3");
    test::WriteFile(NativePath(a), tagged);
    test::WriteFile(NativePath(b), tagged);
    ASSERT_TRUE(list_->AddEntry(a));
    ASSERT_TRUE(list_->AddEntry(b, L"From the list"));
    std::wstring title;
    EXPECT_TRUE(list_->GetEntryTitle(0, title));
    EXPECT_EQ(title, L"Tagged Artist - Tagged Title");
    EXPECT_TRUE(list_->GetEntryTitle(1, title));
    EXPECT_EQ(title, L"From the list");
    EXPECT_EQ(list_->GetEntry(1)->tags.title[0], L'\0');
}

TEST_F(PlaylistTest, ReadsM3uAndPlsRelativeToTheirFolder) {
    std::wstring a = Touch(L"lists/a.mp3");
    Touch(L"lists/sub dir/b.ogg");
    Touch(L"lists/sub dir/c d.wav");
    std::wstring other = Touch(L"elsewhere/e.mp3");
    std::string m3u = "#EXTM3U\r\n#EXTINF:10,  Song A\r\na.mp3\r\n#EXTINF:-1\r\nsub dir\\b.ogg\r\n" +
                      NativePath(other) + "\r\nmissing.mp3\r\nhttp://127.0.0.1:9/s\r\n";
    test::WriteFile(NativePath(JoinPath(dir_, L"lists/list.M3U")), m3u);
    list_->LoadPlaylist(JoinPath(dir_, L"lists/list.M3U"));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"lists/a.mp3", L"lists/sub dir/b.ogg", L"elsewhere/e.mp3",
                                                  L"http://127.0.0.1:9/s"}));
    EXPECT_EQ(list_->GetEntry(0)->title, L"Song A");
    EXPECT_EQ(list_->GetEntry(1)->title, L"");
    EXPECT_EQ(changes_, 1);

    list_->ClearPlaylist();
    std::string pls = "[playlist]\nFile1=sub dir/c d.wav\nTitle1=C\nFile2=" + NativePath(a) +
                      "\nFile3=sub dir\\b.ogg\nFile5=a.mp3\n";
    test::WriteFile(NativePath(JoinPath(dir_, L"lists/list.pls")), pls);
    list_->LoadPlaylist(JoinPath(dir_, L"lists/list.pls"));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"lists/sub dir/c d.wav", L"lists/a.mp3", L"lists/sub dir/b.ogg"}));
    EXPECT_EQ(list_->GetEntry(0)->title, L"C");

    // Relative entries name files beside the playlist, never files of the working folder.
    list_->ClearPlaylist();
    Touch(L"a.mp3");
    Touch(L"only-here.mp3");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
    ASSERT_EQ(chdir(NativePath(dir_).c_str()), 0);
    test::WriteFile(NativePath(JoinPath(dir_, L"lists/cwd.m3u")), "a.mp3\nonly-here.mp3\n");
    list_->LoadPlaylist(JoinPath(dir_, L"lists/cwd.m3u"));
    ASSERT_EQ(chdir(cwd), 0);
    EXPECT_EQ(Paths(), std::vector<std::wstring>{a});

    list_->ClearPlaylist();
    test::WriteFile(NativePath(JoinPath(dir_, L"lists/list.txt")), "a.mp3\n");
    list_->LoadPlaylist(JoinPath(dir_, L"lists/list.txt"));
    list_->LoadPlaylist(JoinPath(dir_, L"lists/none.m3u"));
    list_->LoadPlaylist(JoinPath(dir_, L"lists/none.pls"));
    EXPECT_EQ(list_->GetEntryCount(), 0);
}

TEST_F(PlaylistTest, SavesRelativePathsAndReadsThemBack) {
    AddFiles({L"music/a.mp3", L"music/sub/b.mp3", L"other/c.mp3"});
    ASSERT_TRUE(list_->AddEntry(L"http://127.0.0.1:9/s", L"Radio"));
    list_->GetEntry(0)->trackInfo.duration = 61999;
    std::wstring file = JoinPath(dir_, L"music/list.m3u");
    ASSERT_TRUE(list_->SavePlaylist(file));
    EXPECT_EQ(test::ReadFile(NativePath(file)),
              "#EXTM3U\n#EXTINF:61,a\na.mp3\n#EXTINF:-1,b\nsub/b.mp3\n#EXTINF:-1,c\n" +
                  NativePath(JoinPath(dir_, L"other/c.mp3")) + "\n#EXTINF:-1,Radio\nhttp://127.0.0.1:9/s\n");

    Playlist again(engine_);
    again.ReadM3u(file);
    ASSERT_EQ(again.GetEntryCount(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(again.GetEntry(i)->path, list_->GetEntry(i)->path);
    EXPECT_EQ(again.GetEntry(3)->title, L"Radio");

    list_->ClearPlaylist();
    EXPECT_TRUE(list_->SavePlaylist(file));
    EXPECT_LT(GetFileSize(file), 0) << "an empty playlist leaves no file";
    EXPECT_TRUE(list_->SavePlaylist(file));
}

TEST_F(PlaylistTest, FailedSaveKeepsTheOldFile) {
    AddFiles({L"a.mp3"});
    std::wstring file = JoinPath(dir_, L"gone/list.m3u");  // its folder does not exist
    EXPECT_FALSE(list_->SavePlaylist(file));
    std::wstring kept = JoinPath(dir_, L"kept.m3u");
    test::WriteFile(NativePath(kept), "old");
    MakeDirectory(JoinPath(dir_, L"kept.m3u.tmp" + std::to_wstring(getpid())));  // the temporary file cannot be made
    EXPECT_FALSE(list_->SavePlaylist(kept));
    EXPECT_EQ(test::ReadFile(NativePath(kept)), "old");
}

TEST_F(PlaylistTest, StreamStatusFollowsTheStreamState) {
    const std::pair<int, const wchar_t*> rows[] = {
        {kStreamNone, L""}, {kStreamIdle, L""}, {kStreamConnecting, L"Connecting..."},
        {kStreamBuffering, L"Buffering...   0%"}, {kStreamReceiving, L""}};
    std::wstring status = L"old";
    for (const auto& row : rows) {
        engine_->streamState = row.first;
        list_->GetStreamStatus(status);
        EXPECT_EQ(status, row.second) << "state " << row.first;
    }
    engine_->streamState = kStreamNone;
}

TEST_F(PlaylistTest, NothingOpensWhileOpeningIsHeld) {
    AddFiles({L"a.mp3", L"b.mp3"});
    std::wstring file = JoinPath(dir_, L"list.m3u");
    ASSERT_TRUE(list_->SavePlaylist(file));
    list_->ClearPlaylist();
    opened_.clear();
    list_->SetOptions(PlaylistOptions{0, true, false, false});
    list_->HoldOpening(true);
    list_->LoadPlaylist(file);
    list_->HoldOpening(false);
    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(list_->GetCurrentIndex(), -1);
    EXPECT_EQ(list_->GetEntry(0)->played, 0);
    list_->EnsureCurrent();
    EXPECT_EQ(opened_, std::vector<int>{0});
}

TEST_F(PlaylistTest, DefaultPlaylistLivesInTheDataFolder) {
    EXPECT_EQ(Playlist::GetDefaultPlaylistPath(), JoinPath(dir_, L"versolune.m3u"));
}

}  // namespace
}  // namespace vl
