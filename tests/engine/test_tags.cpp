// ID3v1 tags and the genre table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/input/tags.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace vl {
namespace {

// A 128-byte ID3v1 tag; fields are copied as given (callers pad them).
std::string Tag(const std::string& title, const std::string& comment, const std::string& year, int genre,
                int byte125 = -1, int byte126 = -1) {
    std::string t(128, '\0');
    std::memcpy(&t[0], "TAG", 3);
    std::memcpy(&t[3], title.data(), std::min<size_t>(title.size(), 30));
    std::memcpy(&t[33], "Artist", 6);
    std::memcpy(&t[63], "Album", 5);
    std::memcpy(&t[93], year.data(), std::min<size_t>(year.size(), 4));
    std::memcpy(&t[97], comment.data(), std::min<size_t>(comment.size(), 30));
    if (byte125 >= 0) t[125] = char(byte125);
    if (byte126 >= 0) t[126] = char(byte126);
    t[127] = char(genre);
    return t;
}

std::string Write(const std::string& bytes) {
    static std::string dir = test::TempDir();
    static int n = 0;
    std::string path = dir + "/tag" + std::to_string(n++) + ".mp3";
    test::WriteFile(path, bytes);
    return path;
}

TEST(Id3v1, ReadsFieldsTrackAndGenre) {
    const std::string comment30 = "abcdefghijklmnopqrstuvwxyz0123";
    struct Row {
        const char* name;
        std::string tag;
        std::wstring title, comment, genre;
        int year, track;
    } rows[] = {
        {"v1.1 track", Tag("Song", "short", "1999", 17, 0, 5), L"Song", L"short", L"Rock", 1999, 5},
        {"v1.1 comment keeps 28 bytes", Tag("Song", comment30.substr(0, 28), "2001", 0, 0, 12), L"Song",
         L"abcdefghijklmnopqrstuvwxyz01", L"Blues", 2001, 12},
        {"v1.0 comment of 30 bytes", Tag("Song", comment30, "2001", 147), L"Song",
         std::wstring(comment30.begin(), comment30.end()), L"Synthpop", 2001, 0},
        {"space padding is dropped", Tag("Padded" + std::string(24, ' '), "c" + std::string(29, ' '), "1", 85), L"Padded",
         L"c", L"Bebob", 1, 0},
        {"inner spaces stay", Tag("A  B" + std::string(26, ' '), "", "", 123), L"A  B", L"", L"Acapella", 0, 0},
        {"unset genre", Tag("x", "", "abcd", 255), L"x", L"", L"", 0, 0},
        {"first genre past the table", Tag("x", "", "0042", 148), L"x", L"", L"", 42, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TagInfo tags;
        std::memset(&tags, 0x55, sizeof(tags));
        ASSERT_TRUE(ReadId3v1(WidePath(Write(std::string(300, 'a') + row.tag)), tags));
        EXPECT_EQ(std::wstring(tags.title), row.title);
        EXPECT_EQ(std::wstring(tags.artist), L"Artist");
        EXPECT_EQ(std::wstring(tags.album), L"Album");
        EXPECT_EQ(std::wstring(tags.comment), row.comment);
        EXPECT_EQ(std::wstring(tags.genre), row.genre);
        EXPECT_EQ(tags.year, row.year);
        EXPECT_EQ(tags.track, row.track);
    }
}

TEST(Id3v1, MissingOrShortTagFailsAndLeavesTheRestAlone) {
    for (const std::string& bytes : {std::string(), std::string("TAG") + std::string(100, 'x'),
                                     std::string(500, 'x'), "TAX" + std::string(125, 'x')}) {
        TagInfo tags;
        std::memset(&tags, 0, sizeof(tags));
        CopyText(tags.title, 255, L"old title");
        CopyText(tags.album, 255, L"old album");
        tags.year = 7;
        EXPECT_FALSE(ReadId3v1(WidePath(Write(bytes)), tags));
        EXPECT_EQ(tags.title[0], 0);
        EXPECT_EQ(std::wstring(tags.album), L"old album");
        EXPECT_EQ(tags.year, 7);
    }
    TagInfo tags;
    EXPECT_FALSE(ReadId3v1(L"/nonexistent/song.mp3", tags));
}

TEST(Id3v1, TextFollowsTheAnsiCodePage) {
    SetAnsiCodePage("CP1252");
    TagInfo tags;
    ASSERT_TRUE(ReadId3v1(WidePath(Write(Tag("Caf\xE9 \x80", "", "", 0))), tags));
    EXPECT_EQ(std::wstring(tags.title), L"Caf\u00E9 \u20AC");
    SetAnsiCodePage("");
}

TEST(Id3v1, EncoderWrittenTag) {
    TagInfo tags;
    ASSERT_TRUE(ReadId3v1(WidePath(test::SourceDir() + "/tests/fixtures/id3v1.mp3"), tags));
    EXPECT_EQ(std::wstring(tags.title), L"Tagged Title");
    EXPECT_EQ(std::wstring(tags.artist), L"Tagged Artist");
    EXPECT_EQ(std::wstring(tags.album), L"An Album");
    EXPECT_EQ(std::wstring(tags.comment), L"a comment");
    EXPECT_EQ(std::wstring(tags.genre), L"Rock");
    EXPECT_EQ(tags.year, 1999);
    EXPECT_EQ(tags.track, 5);
}

TEST(Genres, TableNamesAndBounds) {
    struct Row {
        int index;
        const wchar_t* name;
    } rows[] = {{0, L"Blues"},    {17, L"Rock"},      {67, L"Psychadelic"}, {79, L"Hard Rock"},
                {80, L"Folk"},    {85, L"Bebob"},     {123, L"Acapella"},   {132, L"BritPop"},
                {146, L"Jpop"},   {147, L"Synthpop"}};
    for (const Row& row : rows) {
        ASSERT_NE(GenreName(row.index), nullptr);
        EXPECT_STREQ(GenreName(row.index), row.name);
        std::wstring out = L"before";
        GetGenreName(row.index, out);
        EXPECT_EQ(out, row.name);
    }
    for (int i = 0; i < kGenreCount; ++i) EXPECT_NE(GenreName(i)[0], 0) << i;
    for (int bad : {-1, 148, 255, 1 << 30}) {
        EXPECT_EQ(GenreName(bad), nullptr);
        std::wstring out = L"unchanged";
        GetGenreName(bad, out);
        EXPECT_EQ(out, L"unchanged");
    }
    wchar_t small[4];
    CopyText(small, 4, L"abcdef");
    EXPECT_EQ(std::wstring(small), L"abc");
}

}  // namespace
}  // namespace vl
