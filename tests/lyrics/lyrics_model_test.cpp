#include "lyrics/lyrics_model.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/test_support.h"

namespace vl {
namespace {

struct TagRow {
    double time;
    int line;
};
struct LineRow {
    std::wstring text;
    std::optional<std::wstring> second;
};
struct LrcCase {
    const char* name;
    std::string file;
    std::vector<TagRow> tags;  // without the end marker
    std::vector<LineRow> lines;
};

void ExpectModel(const LyricsModel& m, const LrcCase& c) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(m.IsLoaded());
    ASSERT_EQ(m.GetTagCount(), static_cast<int>(c.tags.size()) + 1);
    for (size_t i = 0; i < c.tags.size(); ++i) {
        EXPECT_NEAR(m.GetTag(static_cast<int>(i)).time, c.tags[i].time, 1e-9) << "tag " << i;
        EXPECT_EQ(m.GetTag(static_cast<int>(i)).lineIndex, c.tags[i].line) << "tag " << i;
    }
    EXPECT_EQ(m.GetTag(m.GetTagCount() - 1).time, kLyricEndTime);
    ASSERT_EQ(m.GetLineCount(), static_cast<int>(c.lines.size()));
    for (size_t i = 0; i < c.lines.size(); ++i) {
        EXPECT_EQ(m.GetLine(static_cast<int>(i)).text, c.lines[i].text) << "line " << i;
        EXPECT_EQ(m.GetLine(static_cast<int>(i)).secondText, c.lines[i].second) << "line " << i;
    }
}

TEST(LyricsModel, LinesAndTags) {
    const std::vector<LrcCase> cases = {
        {"one line, two tags", "[00:12.00][01:30.50]Chorus", {{12.0, 0}, {90.5, 0}}, {{L"Chorus", std::nullopt}}},
        {"non-time tags and blank lines", "[ti:Song]\n[ar:Singer]\n\n[00:01.00]A\n", {{1.0, 0}}, {{L"A", std::nullopt}}},
        {"time tag alone", "[00:05.00]", {{5.0, 0}}, {{L" ", std::nullopt}}},
        {"second language", "[00:05.00]Hello`Bonjour", {{5.0, 0}}, {{L"Hello", L"Bonjour"}}},
        {"graves: leading skipped, third piece ignored", "[00:05.00]``Hello``Bonjour`Hallo",
         {{5.0, 0}}, {{L"Hello", L"Bonjour"}}},
        {"only graves", "[00:05.00]```", {{5.0, 0}}, {{L" ", std::nullopt}}},
        {"brackets inside text", "[00:01.00]Hello [World] again", {{1.0, 0}}, {{L"Hello World again", std::nullopt}}},
        {"blank between tags eats the second tag", "[00:01.00] [00:02.00]Hi", {{1.0, 0}},
         {{L" 00:02.00Hi", std::nullopt}}},
        {"text before a tag", "noTag[00:01.00]x\n[00:02.00]y", {{2.0, 0}}, {{L"y", std::nullopt}}},
        {"offset applies to later tags only", "[00:01.00]a\n[offset:500]\n[00:02.00]b",
         {{1.0, 0}, {1.5, 1}}, {{L"a", std::nullopt}, {L"b", std::nullopt}}},
        {"negative offset, upper case", "[OFFSET:-250]\n[00:02.00]b", {{2.25, 0}}, {{L"b", std::nullopt}}},
        {"equal times keep file order", "[00:03.00]first\n[00:03.00]second", {{3.0, 0}, {3.0, 1}},
         {{L"first", std::nullopt}, {L"second", std::nullopt}}},
        {"out of order tags are sorted", "[00:05.00]b\n[00:01.00]a\n[00:03.00][00:00.50]c",
         {{0.5, 2}, {1.0, 1}, {3.0, 2}, {5.0, 0}},
         {{L"b", std::nullopt}, {L"a", std::nullopt}, {L"c", std::nullopt}}},
        {"CR LF line ends, last break not doubled", "[00:01.00]a\r\n[00:02.00]b\r\n",
         {{1.0, 0}, {2.0, 1}}, {{L"a", std::nullopt}, {L"b", std::nullopt}}},
        {"no time tags at all", "just text\n[ar:x]\n", {}, {}},
        {"seconds not a number count as minutes", "[02:xx]m", {{120.0, 0}}, {{L"m", std::nullopt}}},
        {"NUL ends a line's text", std::string("[00:01.00]ab\0[00:02.00]cd\n[00:03.00]e", 37),
         {{1.0, 0}, {3.0, 1}}, {{L"ab", std::nullopt}, {L"e", std::nullopt}}},
        {"huge time is not a time", "[00:1e40]x\n[99999999999999999999999999999999:00]y\n[00:04]z",
         {{4.0, 0}}, {{L"z", std::nullopt}}},
    };
    SetAnsiCodePage("ISO-8859-1");
    for (const auto& c : cases) {
        LyricsModel m;
        m.LoadBytes(c.file);
        ExpectModel(m, c);
    }
    SetAnsiCodePage("");
}

TEST(LyricsModel, IdentificationTags) {
    SetAnsiCodePage("ISO-8859-1");
    LyricsModel m;
    m.LoadBytes("[ti: Fr\xE8re Jacques ]\n[AR:Versolune][ti:later]\n[al:]\n[length: 03:25]\n[00:01.00]a\n[x:y]\n[00:02:00]b");
    struct Row {
        const wchar_t* key;
        const wchar_t* value;
    };
    for (Row row : {Row{L"ti", L"Fr\u00E8re Jacques"}, Row{L"ar", L"Versolune"}, Row{L"al", L""},
                    Row{L"length", L"03:25"}, Row{L"x", L"y"}, Row{L"00", L""}, Row{L"re", L""}})
        EXPECT_EQ(m.GetIdTag(row.key), row.value) << row.key;
    EXPECT_EQ(m.GetLineCount(), 2);
    m.LoadBytes("[00:01.00]a");
    EXPECT_EQ(m.GetIdTag(L"ti"), L"") << "a new file forgets the old tags";
    SetAnsiCodePage("");
}

TEST(LyricsModel, TimeParsing) {
    const struct {
        std::wstring tag;
        double seconds;
    } rows[] = {
        {L"01:23.45", 83.45}, {L"1:05", 65.0},  {L"01:23:45", 83.0}, {L"02:", 120.0},
        {L"-1:00", -1.0},     {L" 1:00", -1.0}, {L"ti:song", -1.0},  {L"12", 0.0},
        {L"3.5", 0.0},        {L"1.5:00", 90.0}, {L":30", 30.0},     {L"00: 7", 7.0},
        {L"00:1e1", 10.0},    {L"00:-1", -1.0},
        // Only the first 99 characters are read.
        {std::wstring(120, L'0') + L":30", 0.0},
        {L"01:2." + std::wstring(200, L'0') + L"9", 62.0},
    };
    for (const auto& r : rows) EXPECT_NEAR(ParseLyricTime(r.tag), r.seconds, 1e-9) << std::string(r.tag.begin(), r.tag.end());
}

TEST(LyricsModel, LyricFileName) {
    const std::pair<std::wstring, std::wstring> rows[] = {
        {L"/m/Song.mp3", L"/m/Song.lrc"},
        {L"/m/Song", L"/m/Song.lrc"},
        {L"/my.music/Song", L"/my.music/Song.lrc"},
        {L"/m/a.tar.gz", L"/m/a.tar.lrc"},
        {L"Song.ogg", L"Song.lrc"},
    };
    for (const auto& r : rows) EXPECT_EQ(LyricsModel::LyricFileName(r.first), r.second);
}

// Tags: 10 A, 20 B, 20 C, 30 D.
const char kTies[] = "[00:10.00]A\n[00:20.00]B\n[00:20.00]C\n[00:30.00]D\n";

std::wstring Slot(const LyricsModel& m, int slot) {
    const LyricLine* line = m.GetVisibleLine(slot).line;
    return line ? line->text : L"-";
}

std::wstring Window(const LyricsModel& m) {
    std::wstring s;
    for (int i = 0; i < kLyricWindowSlots; ++i) s += Slot(m, i);
    return s;
}

TEST(LyricsModel, LocateSequence) {
    LyricsModel m;
    EXPECT_FALSE(m.Locate(1.0, false, true));  // not loaded
    m.LoadBytes(kTies);
    const struct {
        double p;
        bool incremental, whole, result;
        const wchar_t* window;  // slots 0..10, '-' = empty
    } steps[] = {
        {0.3, true, true, true, L"-----------"},   // before the first tag: unchanged
        {0.0, false, true, true, L"-----ABCD--"},  // full search before the first tag: A
        {10.0, true, true, true, L"-----ABCD--"},  // a tag's own time makes it current
        {20.0, false, true, true, L"---ABCD----"}, // tie: the later-read tag is current
        {29.9, true, false, true, L"---ABCD----"},
        {30.0, true, false, true, L"---ABDD----"}, // only slot 5 changes
        {1e6, false, true, true, L"--ABCD-----"},  // after the last tag: the last line
        {1e31, true, true, false, L"--ABCD-----"}, // past the end marker
        {1e31, false, true, false, L"--ABCD-----"},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(m.Locate(s.p, s.incremental, s.whole), s.result) << s.p;
        EXPECT_EQ(Window(m), s.window) << s.p;
    }
    EXPECT_EQ(m.GetVisibleLine(5).time, 30.0);
    EXPECT_EQ(m.GetVisibleLine(-1).line, nullptr);
    EXPECT_EQ(m.GetVisibleLine(11).line, nullptr);
}

TEST(LyricsModel, WindowAroundCurrent) {
    std::string file;
    for (int i = 0; i < 20; ++i) file += "[00:" + std::to_string(10 + i) + ".00]" + std::string(1, char('a' + i)) + "\n";
    LyricsModel m;
    m.LoadBytes(file);
    ASSERT_TRUE(m.Locate(20.5, false, true));
    EXPECT_EQ(Window(m), L"fghijklmnop");
    EXPECT_EQ(m.GetVisibleLine(4).time, 19.0);
    EXPECT_EQ(m.GetVisibleLine(6).time, 21.0);
    ASSERT_TRUE(m.Locate(10.0, true, true));
    EXPECT_EQ(Window(m), L"-----abcdef");
    ASSERT_TRUE(m.Locate(29.0, true, true));
    EXPECT_EQ(Window(m), L"opqrst-----");
}

TEST(LyricsModel, NoTimeTags) {
    LyricsModel m;
    m.LoadBytes("[ti:x]\nplain\n");
    EXPECT_TRUE(m.IsLoaded());
    EXPECT_FALSE(m.Locate(5.0, false, true));
    EXPECT_EQ(Window(m), L"-----------");
}

TEST(LyricsModel, ShiftTimesAndReload) {
    std::string dir = test::TempDir();
    ASSERT_TRUE(test::WriteFile(dir + "/song.lrc", kTies));
    std::wstring music = WidePath(dir + "/song.mp3");
    LyricsModel m;
    ASSERT_TRUE(m.Load(music));
    m.ShiftTimes(-0.5);
    EXPECT_EQ(m.GetTag(0).time, 9.5);
    EXPECT_EQ(m.GetTag(m.GetTagCount() - 1).time, kLyricEndTime - 0.5);
    ASSERT_TRUE(m.Locate(9.6, false, false));
    EXPECT_EQ(Slot(m, 5), L"A");
    ASSERT_TRUE(m.Locate(19.6, false, false));
    EXPECT_EQ(Slot(m, 5), L"C");
    ASSERT_TRUE(m.Load(music));
    EXPECT_EQ(m.GetTag(0).time, 10.0);
    EXPECT_EQ(Window(m), L"-----------");  // a load empties the window
}

TEST(LyricsModel, FilesAndEncodings) {
    std::string dir = test::TempDir();
    LyricsModel m;
    // Missing file: unloaded, only the end marker.
    EXPECT_FALSE(m.Load(WidePath(dir + "/none.mp3")));
    EXPECT_FALSE(m.IsLoaded());
    EXPECT_EQ(m.GetTagCount(), 1);
    EXPECT_FALSE(m.Locate(1.0, false, true));

    // UTF-16LE with its mark, a character outside the basic plane included.
    std::wstring text = L"[offset:100]\r\n[00:01.00]H\u00e9llo`Bonjour\r\n[00:02.00]\U0001D11E\r\n";
    std::string utf16 = "\xFF\xFE";
    for (wchar_t c : text) {
        auto unit = [&](unsigned u) { utf16 += char(u & 0xFF); utf16 += char(u >> 8); };
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(static_cast<unsigned>(c));
        }
    }
    ASSERT_TRUE(test::WriteFile(dir + "/wide.lrc", utf16));
    ASSERT_TRUE(m.Load(WidePath(dir + "/wide.mp3")));
    ExpectModel(m, {"utf-16", "", {{0.9, 0}, {1.9, 1}}, {{L"H\u00e9llo", L"Bonjour"}, {L"\U0001D11E", std::nullopt}}});

    // The same text without the mark is read as ANSI: every NUL byte ends a line's text.
    ASSERT_TRUE(test::WriteFile(dir + "/wide.lrc", utf16.substr(2)));
    ASSERT_TRUE(m.Load(WidePath(dir + "/wide.mp3")));
    EXPECT_EQ(m.GetLineCount(), 0);
    EXPECT_EQ(m.GetOffset(), 0.0);

    // ANSI in the configured code page.
    ASSERT_TRUE(test::WriteFile(dir + "/latin.lrc", "[00:01.00]Caf\xE9\n"));
    ASSERT_TRUE(test::WriteFile(dir + "/utf8.lrc", "[00:01.00]Caf\xC3\xA9\n"));
    SetAnsiCodePage("ISO-8859-1");
    ASSERT_TRUE(m.Load(WidePath(dir + "/latin.wav")));
    EXPECT_EQ(m.GetLine(0).text, L"Caf\u00e9");
    SetAnsiCodePage("UTF-8");
    ASSERT_TRUE(m.Load(WidePath(dir + "/utf8.ogg")));
    EXPECT_EQ(m.GetLine(0).text, L"Caf\u00e9");
    SetAnsiCodePage("");
}

TEST(LyricsModel, LongLinesComeInPieces) {
    SetAnsiCodePage("ISO-8859-1");
    LyricsModel m;
    // One 1 MB line: the first piece holds the tag and 2037 letters; the other pieces have no tag.
    m.LoadBytes("[00:01.00]" + std::string(1 << 20, 'a'));
    ASSERT_EQ(m.GetLineCount(), 1);
    EXPECT_EQ(m.GetLine(0).text, std::wstring(kLyricPieceChars - 10, L'a'));
    // A tag that starts a later piece is read from that piece.
    m.LoadBytes(std::string(kLyricPieceChars, 'x') + "[00:02.00]b\n");
    ASSERT_EQ(m.GetLineCount(), 1);
    EXPECT_EQ(m.GetTag(0).time, 2.0);
    EXPECT_EQ(m.GetLine(0).text, L"b");
    SetAnsiCodePage("");
}

TEST(LyricsModel, HostileInput) {
    LyricsModel m;
    // 100 000 lines in descending time order: sorted, nothing lost.
    std::string file;
    for (int i = 100000; i > 0; --i) file += "[" + std::to_string(i / 60) + ":" + std::to_string(i % 60) + "]l\n";
    m.LoadBytes(file);
    ASSERT_EQ(m.GetTagCount(), 100001);
    for (int i = 1; i < m.GetTagCount(); ++i) ASSERT_LE(m.GetTag(i - 1).time, m.GetTag(i).time);
    EXPECT_EQ(m.GetTag(0).lineIndex, 99999);
    ASSERT_TRUE(m.Locate(50000.5, false, true));
    EXPECT_EQ(m.GetVisibleLine(5).time, 50000.0);

    // More tags than kept: the rest are dropped.
    std::string many;
    for (size_t i = 0; i < kMaxLyricTags / 100 + 10; ++i) {
        for (int k = 0; k < 100; ++k) many += "[1]";
        many += "x\n";
    }
    m.LoadBytes(many);
    EXPECT_EQ(m.GetTagCount(), static_cast<int>(kMaxLyricTags) + 1);

    // Only the first kMaxLyricFileBytes are read.
    m.LoadBytes(std::string(kMaxLyricFileBytes - 3, 'x') + "\n[00:01]late\n");
    EXPECT_EQ(m.GetLineCount(), 0);

    // Binary garbage loads, in both modes, and locates without trouble.
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(rng() % 20000, '\0');
        for (auto& b : bytes) b = static_cast<char>(rng() % 3 == 0 ? "[]:.0123456789`\n"[rng() % 16] : rng());
        if (round % 2) bytes.insert(0, "\xFF\xFE");
        m.LoadBytes(bytes);
        for (int i = 1; i < m.GetTagCount(); ++i) ASSERT_LE(m.GetTag(i - 1).time, m.GetTag(i).time);
        for (int i = 0; i + 1 < m.GetTagCount(); ++i) ASSERT_LT(m.GetTag(i).lineIndex, m.GetLineCount());
        m.Locate(double(rng() % 1000), round % 3 == 0, true);
        m.Locate(-1.0, false, true);
    }
}

TEST(LyricsModel, LoadDoesNotMixFiles) {
    std::string dir = test::TempDir();
    ASSERT_TRUE(test::WriteFile(dir + "/a.lrc", "[offset:500]\n[00:02.00]a\n"));
    ASSERT_TRUE(test::WriteFile(dir + "/b.lrc", "[00:02.00]b\n"));
    LyricsModel m;
    ASSERT_TRUE(m.Load(WidePath(dir + "/a.mp3")));
    ASSERT_TRUE(m.Locate(5.0, false, true));
    ASSERT_TRUE(m.Load(WidePath(dir + "/b.mp3")));
    EXPECT_EQ(m.GetOffset(), 0.0);
    EXPECT_EQ(m.GetTag(0).time, 2.0);
    EXPECT_EQ(Window(m), L"-----------");
    EXPECT_FALSE(m.Load(WidePath(dir + "/c.mp3")));
    EXPECT_EQ(m.GetLineCount(), 0);
}

}  // namespace
}  // namespace vl
