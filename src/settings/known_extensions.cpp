#include "settings/known_extensions.h"

#include <cwctype>

namespace vl {

namespace {
const wchar_t* const kAudio[] = {L"rmp", L"mp3", L"mp2", L"mpa", L"ogg", L"wav"};
const wchar_t* const kPlaylists[] = {L"m3u", L"pls"};

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return i == a.size() && b[i] == 0;
}
}  // namespace

bool IsKnownExtension(const std::wstring& extension, bool includePlaylists) {
    for (const wchar_t* e : kAudio)
        if (EqualsIgnoringCase(extension, e)) return true;
    if (includePlaylists)
        for (const wchar_t* e : kPlaylists)
            if (EqualsIgnoringCase(extension, e)) return true;
    return false;
}

}  // namespace vl
