#pragma once
// The history of stream addresses entered in the Open URL dialog: values "Location0" (newest)
// to "Location4" are shown; adding moves every value up by one, so "Location5" is kept too.
#include <string>
#include <vector>

namespace vl {

inline constexpr int kUrlHistoryShown = 5;
inline constexpr int kUrlMaxLength = 259;  // the dialog's result buffer holds 260 with the zero

// The shown entries that can be read, newest first.
std::vector<std::wstring> ReadUrlHistory();
// Puts url at index 0 after moving the others up; false when the key cannot be created.
bool AddUrlToHistory(const std::wstring& url);
// The address the dialog produces from typed text: "http://" is put in front unless the text
// begins with a scheme of its own ("http://", "https://", "HTTP://": letters, digits, '+', '-'
// and '.' before "://"). Empty for empty text; cut to kUrlMaxLength.
bool HasScheme(const std::wstring& text);
std::wstring MakeUrlFromTyped(const std::wstring& typed);

}  // namespace vl
