#include "lyrics/lyric_words.h"

#include <cmath>

#include "lyrics/lyrics_model.h"

namespace vl {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\u3000'; }
// Longest tag read as a word time; a longer one is broken.
constexpr size_t kWordTagChars = 16;

}  // namespace

std::wstring ParseWordTimes(const std::wstring& text, std::vector<LyricWord>* words) {
    std::wstring out;
    out.reserve(text.size());
    if (words) words->clear();
    bool open = false;  // the last word still grows
    for (size_t i = 0; i < text.size();) {
        if (text[i] != L'<' || i + 1 >= text.size() || !IsDigit(text[i + 1])) {
            out += text[i++];
            continue;
        }
        size_t close = text.find(L'>', i + 1);
        size_t end = close == std::wstring::npos ? text.size() : close;
        // Without '>' the tag runs as far as digits, ':' and '.' go.
        if (close == std::wstring::npos) {
            end = i + 1;
            while (end < text.size() && (IsDigit(text[end]) || text[end] == L':' || text[end] == L'.')) ++end;
        }
        std::wstring inner = text.substr(i + 1, end - i - 1);
        i = close == std::wstring::npos ? end : close + 1;
        double t = -1.0;
        if (close != std::wstring::npos && inner.size() <= kWordTagChars && inner.find(L':') != std::wstring::npos)
            t = ParseLyricTime(inner);
        if (t < 0.0 || !std::isfinite(t)) continue;  // broken: cut out
        if (!words || words->size() >= kMaxLyricWords) continue;
        if (open) words->back().length = out.size() - words->back().start;
        words->push_back(LyricWord{t, out.size(), 0});
        open = true;
    }
    if (open) words->back().length = out.size() - words->back().start;
    // A time tag at the end of the line times nothing.
    if (words && !words->empty() && words->back().length == 0) words->pop_back();
    return out;
}

std::wstring WordText(const std::wstring& displayText, const LyricWord& word) {
    if (word.start >= displayText.size()) return std::wstring();
    size_t begin = word.start;
    size_t end = std::min(displayText.size(), word.start + word.length);
    while (begin < end && IsBlank(displayText[begin])) ++begin;
    while (end > begin && IsBlank(displayText[end - 1])) --end;
    return displayText.substr(begin, end - begin);
}

}  // namespace vl
