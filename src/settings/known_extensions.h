#pragma once
// The built-in extension tables: audio files, and audio files plus playlists.
#include <string>

namespace vl {

// The known table in its order: the six audio extensions, then "m3u", "pls".
inline constexpr int kKnownExtensionCount = 8;
extern const wchar_t* const kKnownExtensions[kKnownExtensionCount];

// extension without the dot, compared ignoring case.
bool IsKnownExtension(const std::wstring& extension, bool includePlaylists);

}  // namespace vl
