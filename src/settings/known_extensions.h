#pragma once
// The built-in extension tables: audio files, and audio files plus playlists.
#include <string>

namespace vl {

// extension without the dot, compared ignoring case.
bool IsKnownExtension(const std::wstring& extension, bool includePlaylists);

}  // namespace vl
