#pragma once
// versolune-play --download-lyrics: fills in the lyric files of a playlist's local files from
// the lyrics service, one printed line per file.
#include <string>

namespace vl {

class Playlist;

// server: the service's address (empty: the "LyricsServer" setting). Returns the exit status:
// 0 when every file has its lyric file at the end (beside it, or in the lyrics folder when its
// own folder cannot be written), else 1.
int DownloadLyrics(Playlist& playlist, const std::wstring& server, bool replace);

}  // namespace vl
