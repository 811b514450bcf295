#pragma once
// Word times of enhanced LRC lines: "<mm:ss.xx>" inside a line's text starts a word that is sung
// from that time. The display text is the line without these tags; each timed word is a span of
// it. A tag that opens like a word time ('<' and a digit) but does not read as one is broken:
// it is cut out of the text and times nothing. Any other '<' is ordinary text.
#include <cstddef>
#include <string>
#include <vector>

namespace vl {

struct LyricWord {
    double time = 0.0;   // seconds as written (the model applies its offset)
    size_t start = 0;    // span of the display text, blanks around the word included
    size_t length = 0;
};

// The display text of text and its timed words in text order (times as written, not sorted).
// Text before the first word time is not a timed word. Bounded: at most kMaxLyricWords words.
constexpr size_t kMaxLyricWords = 4096;
std::wstring ParseWordTimes(const std::wstring& text, std::vector<LyricWord>* words);

// The word's text without surrounding blanks.
std::wstring WordText(const std::wstring& displayText, const LyricWord& word);

}  // namespace vl
