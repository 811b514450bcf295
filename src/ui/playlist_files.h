#pragma once
// Playlist file formats: M3U (read and written) and PLS (read). Texts are 8-bit in the ANSI
// code page. The parsers only turn bytes into items; the playlist adds them (Playlist::ReadM3u,
// ReadPls, WriteM3u in playlist_io.cpp).
#include <cstdio>
#include <string>
#include <vector>

namespace vl {

struct PlaylistFileItem {
    std::wstring path;   // as written in the file (may be relative)
    std::wstring title;  // empty: none
    int seconds = -1;    // duration for "#EXTINF" when writing; -1 unknown
};

// Items of an M3U text. "#EXTINF" lines give the title of the next path; other lines that
// begin with '#' and empty lines are ignored.
std::vector<PlaylistFileItem> ParseM3u(const std::string& bytes);
// Items of the "playlist" section of an open PLS file: File1, File2, ... up to the first
// missing number, each with its optional Title<n>.
std::vector<PlaylistFileItem> ParsePls(FILE* file);
// The M3U text for items; paths that begin with folder + '/' are written relative to it,
// unless the rest begins with '#' (it would read back as a comment). Line breaks inside a
// title become spaces; an item whose path holds a line feed cannot be written as one line and
// is left out.
std::string FormatM3u(const std::wstring& folder, const std::vector<PlaylistFileItem>& items);
// Lower-cased copy, character by character: paths equal ignoring case are equal copies.
std::wstring LowerPath(const std::wstring& path);
// The first three characters after the last dot, lower-cased; empty without a dot.
std::wstring PlaylistFileExtension(const std::wstring& path);

}  // namespace vl
