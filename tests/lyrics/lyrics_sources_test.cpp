// The lyrics source chain on files tagged by another tool.
#include "lyrics/lyrics_sources.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <string>

#include "engine/player_engine.h"
#include "platform/text.h"
#include "support/tag_fixtures.h"
#include "support/test_support.h"

namespace vl {
namespace {

// The first lines of the model as "time ms:text" ("-1:text" without times).
std::wstring FirstLines(const LyricsModel& m, int count) {
    std::wstring out;
    if (m.IsUnsynced()) {
        for (int i = 0; i < m.GetLineCount() && i < count; ++i) out += L"-1:" + m.GetLine(i).text + L";";
        return out;
    }
    for (int i = 0; i + 1 < m.GetTagCount() && i < count; ++i)
        out += std::to_wstring(std::lround(m.GetTag(i).time * 1000)) + L":" + m.GetLine(m.GetTag(i).lineIndex).text + L";";
    return out;
}

TEST(LyricsSources, ChainOnTaggedFiles) {
    ASSERT_FALSE(test::TagFixtures().empty());
    const std::string dir = test::TempDir();
    // Copies, so that a .lrc beside one of them does not touch the shared fixtures.
    for (const char* f : {"sylt_ms.mp3", "sylt_frames.mp3", "uslt_lrc.mp3", "uslt_plain.mp3", "folder_song.mp3",
                          "uslt_huge.mp3", "lyrics_comment.ogg", "v24_utf8.mp3"})
        test::WriteFile(dir + "/" + f, test::ReadFile(test::TagFixtures() + "/" + f));
    test::WriteFile(dir + "/v24_utf8.lrc", "[00:01.00]Beside\n");
    test::WriteFile(dir + "/uslt_plain.lrc.not", "[00:01.00]Not a lyric file\n");
    // The lyrics folder: accents decomposed (NFD) and other case than the tags ("Beyoncé",
    // "Café / Bar"), for the file of folder_song.mp3.
    const std::string folder = dir + "/lyrics";
    mkdir(folder.c_str(), 0755);
    test::WriteFile(folder + "/BEYONCE\xcc\x81 - cafe\xcc\x81 _ bar.LRC", "[00:03.00]From the folder\n");

    const struct {
        const char* file;
        LyricsSourceKind kind;
        const wchar_t* lines;
    } rows[] = {
        {"v24_utf8.mp3", LyricsSourceKind::kFile, L"1000:Beside;"},
        {"sylt_ms.mp3", LyricsSourceKind::kSylt, L"500:Line one;2500:Line two;4000:Line three;"},
        {"sylt_frames.mp3", LyricsSourceKind::kSylt, L"496:Hello world;2508:Second line;"},
        {"uslt_lrc.mp3", LyricsSourceKind::kUslt, L"500:Uslt one;2500:Uslt two;"},
        {"lyrics_comment.ogg", LyricsSourceKind::kComment, L"200:Ogg one;700:Ogg two;"},
        {"folder_song.mp3", LyricsSourceKind::kFolder, L"3000:From the folder;"},
        {"uslt_plain.mp3", LyricsSourceKind::kUslt, L"-1:Plain one;-1:Plain two;"},
        {"uslt_huge.mp3", LyricsSourceKind::kNone, L""},  // 10 MB: not read
    };
    PlayerEngine engine;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.file);
        const std::wstring path = WidePath(dir + "/" + r.file);
        TagInfo tags{};
        engine.ReadFileTags(path, tags);
        LyricsModel model;
        LyricsSource source = LoadLyricsFor(model, path, &tags, WidePath(folder));
        EXPECT_STREQ(LyricsSourceName(r.kind), LyricsSourceName(source.kind));
        EXPECT_EQ(std::wstring(r.lines), FirstLines(model, 3));
        EXPECT_EQ(r.kind != LyricsSourceKind::kNone, model.IsLoaded());
    }
    // The word form keeps its words.
    LyricsModel words;
    LoadLyricsFor(words, WidePath(dir + "/sylt_frames.mp3"), nullptr, WidePath(folder));
    ASSERT_EQ(2u, words.GetLine(0).words.size());
    EXPECT_EQ(L"world", WordText(words.GetLine(0).text, words.GetLine(0).words[1]));
}

TEST(LyricsSources, FolderNamesAndHostileFolders) {
    EXPECT_EQ(L"AC_DC - Back _ Black.lrc", LyricsFolderFileName(L"AC/DC", L"Back / Black"));
    EXPECT_EQ(L"", LyricsFolderFileName(L"", L""));
    const std::string folder = test::TempDir();
    // A link loop and a folder with the wanted name: neither is a lyric file.
    symlink((folder + "/loop").c_str(), (folder + "/loop").c_str());
    mkdir((folder + "/A - B.lrc").c_str(), 0755);
    EXPECT_EQ(L"", FindInLyricsFolder(WidePath(folder), L"A - B.lrc"));
    EXPECT_EQ(L"", FindInLyricsFolder(WidePath(folder), L"loop"));
    EXPECT_EQ(L"", FindInLyricsFolder(L"/nonexistent/folder", L"A - B.lrc"));
}

}  // namespace
}  // namespace vl
