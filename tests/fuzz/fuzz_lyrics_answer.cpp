// The lyrics service's search answer over arbitrary bytes, and the query escaping over the
// same bytes taken as text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "lyrics/lyrics_search.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const vl::LyricsHit& hit : vl::ParseSearchAnswer(bytes)) {
        if (hit.singer.find(L'`') != std::wstring::npos || hit.song.find(L'`') != std::wstring::npos)
            __builtin_trap();
        if (hit.singer.size() + hit.song.size() + hit.address.size() + 2 > vl::kMaxAnswerLineChars) __builtin_trap();
        for (const std::wstring* part : {&hit.singer, &hit.song, &hit.address})
            if (part->find_first_of(L"\r\n") != std::wstring::npos) __builtin_trap();
    }
    std::wstring escaped = vl::EscapeQueryValue(vl::AnsiToWide(bytes));
    if (escaped.size() > vl::kMaxEscapedBytes) __builtin_trap();
    auto isHex = [](wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'); };
    for (size_t i = 0; i < escaped.size(); ++i) {
        wchar_t c = escaped[i];
        bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
        if (c == L'%') {
            // A whole escape, never a cut one.
            if (i + 2 >= escaped.size() || !isHex(escaped[i + 1]) || !isHex(escaped[i + 2])) __builtin_trap();
            i += 2;
        } else if (!letter) {
            __builtin_trap();
        }
    }
    return 0;
}
