#include "lyricsd/text_fold.h"

#include <cwctype>

namespace vl::lyricsd {

namespace {

// U+00C0..U+017F (Latin-1 Supplement letters and Latin Extended-A) without their marks, one
// entry per character; "" keeps the character (the signs x and /).
const char* const kLatin[192] = {
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o", "", "o", "u", "u", "u", "u", "y", "th", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o", "", "o", "u", "u", "u", "u", "y", "th", "y",
    "a", "a", "a", "a", "a", "a", "c", "c", "c", "c", "c", "c", "c", "c", "d", "d",
    "d", "d", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e", "g", "g", "g", "g",
    "g", "g", "g", "g", "h", "h", "h", "h", "i", "i", "i", "i", "i", "i", "i", "i",
    "i", "i", "ij", "ij", "j", "j", "k", "k", "k", "l", "l", "l", "l", "l", "l", "l",
    "l", "l", "l", "n", "n", "n", "n", "n", "n", "n", "n", "n", "o", "o", "o", "o",
    "o", "o", "oe", "oe", "r", "r", "r", "r", "r", "r", "s", "s", "s", "s", "s", "s",
    "s", "s", "t", "t", "t", "t", "t", "t", "u", "u", "u", "u", "u", "u", "u", "u",
    "u", "u", "u", "u", "w", "w", "y", "y", "y", "z", "z", "z", "z", "z", "z", "s",
};

bool IsPunctuation(wchar_t c) {
    return (c >= 0xA0 && c <= 0xBF) || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c <= 0x206F) ||
           (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
           (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65) || c == 0xFEFF || c == 0xFFFD;
}

bool IsWordChar(wchar_t c) {
    if (c < 0x80) return (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9');
    return c > 0xBF && !IsPunctuation(c);
}

}  // namespace

std::wstring FoldText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c >= L'A' && c <= L'Z') {
            out.push_back(static_cast<wchar_t>(c + 32));
        } else if (c >= 0xC0 && c < 0x180) {
            const char* base = kLatin[c - 0xC0];
            if (!*base) out.push_back(c);
            for (; *base; ++base) out.push_back(static_cast<wchar_t>(*base));
        } else if (c >= 0x300 && c <= 0x36F) {
            // a combining mark: the accent of the letter before it
        } else {
            out.push_back(c < 0x80 ? c : static_cast<wchar_t>(std::towlower(c)));
        }
    }
    return out;
}

std::vector<std::wstring> FoldedWords(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wstring word;
    for (wchar_t c : FoldText(text)) {
        if (IsWordChar(c)) {
            word.push_back(c);
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

std::wstring FoldedKey(const std::wstring& text) {
    std::wstring key;
    for (const std::wstring& word : FoldedWords(text)) {
        if (!key.empty()) key.push_back(L' ');
        key += word;
    }
    return key;
}

}  // namespace vl::lyricsd
