#include "settings/known_extensions.h"

#include <cwctype>

namespace vl {

const wchar_t* const kKnownExtensions[kKnownExtensionCount] = {L"rmp", L"mp3", L"mp2", L"mpa",
                                                                 L"ogg", L"wav", L"m3u", L"pls"};

namespace {
constexpr int kAudioCount = 6;

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return i == a.size() && b[i] == 0;
}
}  // namespace

bool IsKnownExtension(const std::wstring& extension, bool includePlaylists) {
    int count = includePlaylists ? kKnownExtensionCount : kAudioCount;
    for (int i = 0; i < count; ++i)
        if (EqualsIgnoringCase(extension, kKnownExtensions[i])) return true;
    return false;
}

}  // namespace vl
