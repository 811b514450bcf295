#pragma once
// How the lyrics service compares names: case and accents folded, split into words.
#include <string>
#include <vector>

namespace vl::lyricsd {

// Lower case without accents ("Frère" -> "frere", "Straße" -> "strasse"); characters outside
// the Latin letters are kept as they are (lower-cased where they have a case).
std::wstring FoldText(const std::wstring& text);
// The words of the folded text: runs of letters and digits (any character above U+00BF that
// is not punctuation counts as a letter). ASCII punctuation and blanks separate words.
std::vector<std::wstring> FoldedWords(const std::wstring& text);
// The words joined by single blanks: the form the index keeps and compares.
std::wstring FoldedKey(const std::wstring& text);

}  // namespace vl::lyricsd
