// Word times of enhanced LRC lines and the lines of synchronized lyrics frames.
#include "lyrics/lyric_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lyrics/lyrics_model.h"
#include "lyrics/synced_lyrics.h"

namespace vl {
namespace {

// Words as "time:text|time:text" with times in ms, for compact expectations.
std::wstring Describe(const std::wstring& shown, const std::vector<LyricWord>& words) {
    std::wstring out;
    for (const LyricWord& w : words) {
        if (!out.empty()) out += L'|';
        out += std::to_wstring(static_cast<long>(w.time * 1000 + 0.5)) + L":" + WordText(shown, w);
    }
    return out;
}

TEST(LyricWords, ParseTable) {
    const struct {
        const wchar_t* text;
        const wchar_t* shown;
        const wchar_t* words;
    } rows[] = {
        {L"<00:10.00>Hello <00:10.50>world", L"Hello world", L"10000:Hello|10500:world"},
        {L"Intro <01:00.25>sung", L"Intro sung", L"60250:sung"},
        {L"plain text", L"plain text", L""},
        {L"a < b and <tag>", L"a < b and <tag>", L""},                        // not word times
        {L"<00:01.00>One <0x:zz>two", L"One two", L"1000:One two"},          // broken tag cut out
        {L"<00:01.00>One <00:02.0", L"One ", L"1000:One"},                   // unclosed at the end
        {L"<12>x", L"x", L""},                                               // no minutes: broken
        {L"<00:01.00>end<00:02.00>", L"end", L"1000:end"},                   // a last tag times nothing
        {L"<00:02.00>b<00:01.00>a", L"ba", L"2000:b|1000:a"},                // kept in text order
        {L"<00:01.00>  spaced  <00:02.00>x", L"  spaced  x", L"1000:spaced|2000:x"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << static_cast<const void*>(r.text));
        std::vector<LyricWord> words;
        std::wstring shown = ParseWordTimes(r.text, &words);
        EXPECT_EQ(std::wstring(r.shown), shown);
        EXPECT_EQ(std::wstring(r.words), Describe(shown, words));
        EXPECT_EQ(shown, ParseWordTimes(r.text, nullptr));
    }
}

TEST(LyricWords, ModelKeepsWordTimesApartFromTheText) {
    LyricsModel m;
    m.LoadBytes("[offset:500]\n[00:10.00]<00:10.00>Hi <00:10.60>there`<00:10.00>Salut <00:11.00>toi\n"
                "[00:12.00]no words\n");
    ASSERT_EQ(2, m.GetLineCount());
    const LyricLine& line = m.GetLine(0);
    EXPECT_EQ(L"Hi there", line.text);
    ASSERT_TRUE(line.secondText);
    EXPECT_EQ(L"Salut toi", *line.secondText);  // dropped, not highlighted
    EXPECT_EQ(L"9500:Hi|10100:there", Describe(line.text, line.words));
    EXPECT_TRUE(m.GetLine(1).words.empty());
    m.ShiftTimes(1.0);
    EXPECT_EQ(L"10500:Hi|11100:there", Describe(line.text, m.GetLine(0).words));
}

TEST(SyncedLyrics, EntriesToLines) {
    const struct {
        const char* what;
        std::vector<SyncedText> entries;
        int unit;
        std::vector<std::wstring> lines;  // "time ms:text[/words]"
    } rows[] = {
        {"milliseconds, one line an entry", {{500, L"One"}, {2500, L"Two"}}, kSyncedMilliseconds,
         {L"500:One", L"2500:Two"}},
        {"every entry with a line feed", {{500, L"\nOne"}, {900, L"\nTwo"}}, kSyncedMilliseconds,
         {L"500:One", L"900:Two"}},
        {"word form", {{500, L"\nHello "}, {900, L"world"}, {2500, L"\nNext "}, {3000, L"line"}}, kSyncedMilliseconds,
         {L"500:Hello world/500:Hello|900:world", L"2500:Next line/2500:Next|3000:line"}},
        {"word form without a first line feed", {{100, L"A"}, {200, L"b"}, {300, L"\nC"}}, kSyncedMilliseconds,
         {L"100:Ab/100:A|200:b", L"300:C/300:C"}},
        {"frames of 26 ms", {{19, L"F"}}, kSyncedMpegFrames, {L"496:F"}},
        {"unknown unit", {{19, L"F"}}, 7, {}},
        {"unsorted and repeated times", {{900, L"B"}, {100, L"A"}, {100, L"A2"}}, kSyncedMilliseconds,
         {L"900:B", L"100:A", L"100:A2"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::wstring> got;
        for (const TimedLine& line : ConvertSynced(r.entries, r.unit, 1152 * 1000.0 / 44100)) {
            std::wstring s = std::to_wstring(static_cast<long>(line.time * 1000)) + L":" + line.text;
            if (!line.words.empty()) s += L"/" + Describe(line.text, line.words);
            got.push_back(s);
        }
        EXPECT_EQ(r.lines, got);
    }
}

TEST(SyncedLyrics, ModelSortsTimedLinesAndHoldsUnsyncedText) {
    LyricsModel m;
    m.LoadTimedLines(ConvertSynced({{900, L"B"}, {100, L"A"}}, kSyncedMilliseconds, 0));
    ASSERT_EQ(3, m.GetTagCount());
    EXPECT_EQ(L"A", m.GetLine(m.GetTag(0).lineIndex).text);
    ASSERT_TRUE(m.Locate(1.0, false, true));
    EXPECT_EQ(L"B", m.GetVisibleLine(kLyricCurrentSlot).line->text);
    EXPECT_FALSE(m.IsUnsynced());

    m.LoadUnsynced(L"First\r\n\n  \nSecond <00:01.00>word\n");
    EXPECT_TRUE(m.IsLoaded());
    EXPECT_TRUE(m.IsUnsynced());
    ASSERT_EQ(2, m.GetLineCount());
    EXPECT_EQ(L"First", m.GetLine(0).text);
    EXPECT_EQ(L"Second word", m.GetLine(1).text);
    EXPECT_EQ(1, m.GetTagCount());  // only the end marker: nothing is ever located
    EXPECT_FALSE(m.Locate(5.0, false, true));
    EXPECT_EQ(nullptr, m.GetVisibleLine(kLyricCurrentSlot).line);
}

}  // namespace
}  // namespace vl
