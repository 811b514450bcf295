// M3U and PLS texts: reading and writing without a playlist around them.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "platform/text.h"
#include "ui/playlist_files.h"

namespace vl {
namespace {

struct Item {
    std::wstring path;
    std::wstring title;
};

void ExpectItems(const std::vector<PlaylistFileItem>& got, const std::vector<Item>& want, const std::string& label) {
    ASSERT_EQ(got.size(), want.size()) << label;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].path, want[i].path) << label << " item " << i;
        EXPECT_EQ(got[i].title, want[i].title) << label << " item " << i;
    }
}

class PlaylistFilesTest : public ::testing::Test {
protected:
    void SetUp() override { SetAnsiCodePage("UTF-8"); }
    void TearDown() override { SetAnsiCodePage(""); }
};

TEST_F(PlaylistFilesTest, M3uLines) {
    struct Row {
        const char* label;
        std::string text;
        std::vector<Item> want;
    };
    const Row rows[] = {
        {"header and extinf", "#EXTM3U\n#EXTINF:123,Artist - Song\nsong.mp3\n", {{L"song.mp3", L"Artist - Song"}}},
        {"spaces after comma", "#EXTINF:5,  Two spaces\na.mp3\n", {{L"a.mp3", L"Two spaces"}}},
        {"no comma", "#EXTINF:5\na.mp3\n", {{L"a.mp3", L""}}},
        {"nothing after comma", "#EXTINF:5,   \na.mp3\n", {{L"a.mp3", L""}}},
        {"comma inside title", "#EXTINF:-1,A, B\na.mp3\n", {{L"a.mp3", L"A, B"}}},
        {"lower-case extinf is a comment", "#extinf:1,T\na.mp3\n", {{L"a.mp3", L""}}},
        {"title is cleared after a path", "#EXTINF:1,T\na.mp3\nb.mp3\n", {{L"a.mp3", L"T"}, {L"b.mp3", L""}}},
        {"later extinf wins", "#EXTINF:1,T\n#EXTINF:2,U\na.mp3\n", {{L"a.mp3", L"U"}}},
        {"no header, CRLF, trailing blanks, comments, blank lines",
         "# a comment\r\n\r\nsub dir/a b.mp3  \r\n\n   \nhttp://127.0.0.1:8000/live\r\n",
         {{L"sub dir/a b.mp3", L""}, {L"http://127.0.0.1:8000/live", L""}}},
        {"last line without line end", "x.ogg", {{L"x.ogg", L""}}},
        {"windows separators kept as written", "Music\\Album\\t.mp3\n", {{L"Music\\Album\\t.mp3", L""}}},
        {"NUL ends a line", std::string("a.mp3\0junk\nb.mp3\n", 17), {{L"a.mp3", L""}, {L"b.mp3", L""}}},
        {"leading spaces belong to the path", "  a.mp3\n", {{L"  a.mp3", L""}}},
        {"empty", "", {}},
    };
    for (const Row& row : rows) ExpectItems(ParseM3u(row.text), row.want, row.label);
}

TEST_F(PlaylistFilesTest, M3uTextIsInTheAnsiCodePage) {
    SetAnsiCodePage("ISO-8859-1");
    ExpectItems(ParseM3u("#EXTINF:1,Caf\xE9\nd\xE9j\xE0.mp3\n"), {{L"d\u00E9j\u00E0.mp3", L"Caf\u00E9"}}, "latin1");
    std::string written = FormatM3u(L"/m", {{L"/m/d\u00E9j\u00E0.mp3", L"Caf\u00E9", 3}});
    EXPECT_EQ(written, "#EXTM3U\n#EXTINF:3,Caf\xE9\nd\xE9j\xE0.mp3\n");
    // What the code page cannot hold is written in UTF-8, never as '?', and reads back whole.
    written = FormatM3u(L"/m", {{L"/m/\u65E5\u672C.mp3", L"\u65E5\u672C", 1}});
    EXPECT_EQ(written, "#EXTM3U\n#EXTINF:1,\xE6\x97\xA5\xE6\x9C\xAC\n\xE6\x97\xA5\xE6\x9C\xAC.mp3\n");
    ExpectItems(ParseM3u(written), {{L"\u65E5\u672C.mp3", L"\u65E5\u672C"}}, "utf-8 in a latin1 list");
}

TEST_F(PlaylistFilesTest, CLocaleReadsAsUtf8) {
    SetAnsiCodePage("");
    const char* saved = std::getenv("VERSOLUNE_CODEPAGE");
    std::string keep = saved ? saved : "";
    unsetenv("VERSOLUNE_CODEPAGE");
    std::string locale = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    EXPECT_EQ(GetAnsiCodePage(), "UTF-8");
    ExpectItems(ParseM3u(FormatM3u(L"/m", {{L"/m/\u65E5\u672C.mp3", L"", -1}})), {{L"\u65E5\u672C.mp3", L""}}, "C locale");
    std::setlocale(LC_CTYPE, locale.c_str());
    if (saved) setenv("VERSOLUNE_CODEPAGE", keep.c_str(), 1);
}

std::vector<PlaylistFileItem> ParsePlsText(const std::string& text) {
    FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (!f) return {};
    auto items = ParsePls(f);
    std::fclose(f);
    return items;
}

TEST_F(PlaylistFilesTest, PlsKeys) {
    struct Row {
        const char* label;
        std::string text;
        std::vector<Item> want;
    };
    const Row rows[] = {
        {"titles, other keys ignored",
         "[playlist]\nNumberOfEntries=2\nFile1=a.mp3\nTitle1=First  \nLength1=10\nFile2=http://127.0.0.1/s\nVersion=2\n",
         {{L"a.mp3", L"First"}, {L"http://127.0.0.1/s", L""}}},
        {"gap stops the scan", "[playlist]\nFile1=a.mp3\nFile2=b.mp3\nFile4=d.mp3\n", {{L"a.mp3", L""}, {L"b.mp3", L""}}},
        {"capital section name", "[Playlist]\nFile1=a.mp3\n", {}},
        {"keys in any order, CRLF, empty title",
         "[playlist]\r\nTitle1=\r\nFile2=Dir\\b.mp3\r\nFile1=a.mp3\r\n",
         {{L"a.mp3", L""}, {L"Dir\\b.mp3", L""}}},
        {"other section before and after",
         "[other]\nFile1=no.mp3\n[playlist]\nFile1=a.mp3\n[next]\nFile2=no.mp3\n", {{L"a.mp3", L""}}},
        {"only the first section of the name", "[playlist]\nFile1=a.mp3\n[playlist]\nFile2=b.mp3\n", {{L"a.mp3", L""}}},
        {"comment and blank before key", "[playlist]\n;File1=no.mp3\n File1=no.mp3\nFile1 =no.mp3\n", {}},
        {"first of repeated keys", "[playlist]\nFile1=a.mp3\nFile1=b.mp3\n", {{L"a.mp3", L""}}},
        {"no section", "File1=a.mp3\n", {}},
        {"empty", "", {}},
    };
    for (const Row& row : rows) ExpectItems(ParsePlsText(row.text), row.want, row.label);
}

TEST_F(PlaylistFilesTest, M3uWriting) {
    std::vector<PlaylistFileItem> items = {
        {L"/card/music/a.mp3", L"Artist - A", 215},
        {L"/card/music/sub/b.ogg", L"b", -1},
        {L"/other/c.wav", L"100% pure %s %d", 1},
        {L"/card/musicx/d.mp3", L"d", 2},
        {L"http://127.0.0.1:8000/live", L"Radio", -1},
        {L"/card/music/e.mp3", L"two\nlines\r", 4},
        {L"/card/music/bad\nname.mp3", L"skipped", 5},
        {L"/card/music/#1 hit.mp3", L"hash", 6},
    };
    EXPECT_EQ(FormatM3u(L"/card/music", items),
              "#EXTM3U\n"
              "#EXTINF:215,Artist - A\na.mp3\n"
              "#EXTINF:-1,b\nsub/b.ogg\n"
              "#EXTINF:1,100% pure %s %d\n/other/c.wav\n"
              "#EXTINF:2,d\n/card/musicx/d.mp3\n"
              "#EXTINF:-1,Radio\nhttp://127.0.0.1:8000/live\n"
              "#EXTINF:4,two lines \ne.mp3\n"
              "#EXTINF:6,hash\n/card/music/#1 hit.mp3\n");
    EXPECT_EQ(FormatM3u(L"/card/music", {}), "#EXTM3U\n");
}

TEST_F(PlaylistFilesTest, WrittenM3uReadsBack) {
    std::vector<PlaylistFileItem> items = {{L"/p/a b.mp3", L"T1", 3}, {L"/q/c.ogg", L"", -1}};
    ExpectItems(ParseM3u(FormatM3u(L"/p", items)), {{L"a b.mp3", L"T1"}, {L"/q/c.ogg", L""}}, "round trip");
}

TEST_F(PlaylistFilesTest, PlaylistExtension) {
    struct Row {
        const wchar_t* path;
        const wchar_t* ext;
    };
    const Row rows[] = {{L"/a/list.m3u", L"m3u"}, {L"/a/LIST.M3U", L"m3u"}, {L"/a/list.m3u8", L"m3u"},
                        {L"/a/list.Pls", L"pls"}, {L"/a/list", L""},       {L"/a/x.mp3", L"mp3"},
                        {L"/a/x.", L""}};
    for (const Row& row : rows) EXPECT_EQ(PlaylistFileExtension(row.path), row.ext) << row.path;
}

}  // namespace
}  // namespace vl
