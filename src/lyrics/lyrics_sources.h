#pragma once
// Where the lyrics of a track come from, tried in this order when a track opens:
//  1. file:    the .lrc beside the music file (LyricsModel::Load);
//  2. sylt:    an ID3v2 "SYLT" frame (of several, the first with content type lyrics, else
//              the first); uslt / comment: an ID3v2 "USLT" frame or the Vorbis comment
//              "LYRICS" (Ogg, FLAC) whose text is LRC (has time tags);
//  3. folder:  "Artist - Title.lrc" in the lyrics folder (names compared ignoring case after
//              Unicode NFC normalisation; a '/' in a tag becomes '_');
//  4. uslt / comment without time tags ("UNSYNCEDLYRICS" too): lines without times.
// A damaged or hostile file gives no lyrics from it, never a crash or a write.
#include <string>
#include <vector>

#include "engine/types.h"
#include "lyrics/lyrics_model.h"

namespace vl {

enum class LyricsSourceKind { kNone, kFile, kSylt, kUslt, kComment, kFolder };

struct LyricsSource {
    LyricsSourceKind kind = LyricsSourceKind::kNone;
    std::wstring path;  // the file the lyrics came from; empty for none
};

// "file", "sylt", "uslt", "comment", "folder", "none".
const char* LyricsSourceName(LyricsSourceKind kind);

// The lyrics folder when the setting is empty: "lyrics" in the program's data folder.
std::wstring DefaultLyricsFolder();
// The "LyricsFolder" value of the main settings key; empty when there is none.
std::wstring LyricsFolderSetting();
// "Artist - Title.lrc", '/' in either replaced by '_'; empty when both are empty.
std::wstring LyricsFolderFileName(const std::wstring& artist, const std::wstring& title);
// The file of the folder whose name matches name (case and Unicode normalisation aside), or
// empty. Only regular files count.
std::wstring FindInLyricsFolder(const std::wstring& folder, const std::wstring& name);

// Where downloaded lyrics for the music may go, in order: the .lrc beside it, then (when the
// tags give a name) the lyrics folder's file for the tags: the one the folder lookup finds, else
// a new "Artist - Title.lrc" there. lyricsFolder empty = the default.
std::vector<std::wstring> LyricsDownloadTargets(const std::wstring& musicPath, const TagInfo& tags,
                                                const std::wstring& lyricsFolder);

// Loads the first source that has lyrics into model (unloaded when none has). tags: the
// track's tags for the lyrics folder (null = none); lyricsFolder empty = the default.
LyricsSource LoadLyricsFor(LyricsModel& model, const std::wstring& musicPath, const TagInfo* tags,
                           const std::wstring& lyricsFolder);

}  // namespace vl
