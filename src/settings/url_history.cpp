#include "settings/url_history.h"

#include <cwctype>

#include "platform/registry.h"
#include "settings/registry_keys.h"

namespace vl {

namespace {
std::wstring LocationName(int index) { return L"Location" + std::to_wstring(index); }
}  // namespace

std::vector<std::wstring> ReadUrlHistory() {
    std::vector<std::wstring> out;
    RegKey key;
    if (!key.Open(HKEY_CURRENT_USER, kUrlHistoryKey)) return out;
    for (int i = 0; i < kUrlHistoryShown; ++i) {
        std::wstring url;
        if (key.QueryString(LocationName(i), url, 520)) out.push_back(url);
    }
    return out;
}

bool AddUrlToHistory(const std::wstring& url) {
    RegKey key;
    if (!key.Create(HKEY_CURRENT_USER, kUrlHistoryKey)) return false;
    // Whole values move, whatever their size, so no entry is left behind twice.
    for (int i = kUrlHistoryShown - 1; i >= 0; --i) {
        uint32_t type = REG_NONE, size = 0;
        if (!key.QueryValue(LocationName(i), &type, nullptr, &size)) continue;
        std::string data(size, '\0');
        if (key.QueryValue(LocationName(i), &type, data.data(), &size))
            key.SetValue(LocationName(i + 1), type, data.data(), size);
    }
    key.SetString(LocationName(0), url);
    return key.Close();
}

bool HasScheme(const std::wstring& text) {
    size_t end = text.find(L"://");
    if (end == std::wstring::npos || end == 0 || !std::iswalpha(text[0])) return false;
    for (size_t i = 1; i < end; ++i)
        if (!std::iswalnum(text[i]) && text[i] != L'+' && text[i] != L'-' && text[i] != L'.') return false;
    return true;
}

std::wstring MakeUrlFromTyped(const std::wstring& typed) {
    if (typed.empty()) return std::wstring();
    // An address with a scheme of its own ("https://...") is taken as typed, not prefixed again.
    std::wstring url = HasScheme(typed) ? typed : L"http://" + typed;
    if (url.size() > static_cast<size_t>(kUrlMaxLength)) url.resize(kUrlMaxLength);
    return url;
}

}  // namespace vl
