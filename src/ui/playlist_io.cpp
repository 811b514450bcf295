#include "ui/playlist.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/text.h"
#include "ui/playlist_files.h"

namespace vl {

namespace {
// Playlists beyond this size are not read (a bound on what the reader holds in memory).
constexpr size_t kMaxPlaylistBytes = 64u << 20;
}  // namespace

bool Playlist::IsPlaylistFile(const std::wstring& path) {
    std::wstring ext = PlaylistFileExtension(path);
    return ext == L"m3u" || ext == L"pls";
}

void Playlist::LoadPlaylist(const std::wstring& path) {
    std::wstring ext = PlaylistFileExtension(path);
    if (ext == L"m3u") ReadM3u(path);
    else if (ext == L"pls") ReadPls(path);
}

void Playlist::ReadM3u(const std::wstring& path) {
    std::string bytes;
    if (GetFileSize(path) > static_cast<int64_t>(kMaxPlaylistBytes)) return;
    if (!ReadFileBytes(path, bytes, kMaxPlaylistBytes)) return;
    std::wstring folder = DirName(path);
    BeginBatch();
    for (const PlaylistFileItem& item : ParseM3u(bytes)) AddRelative(folder, item.path, item.title);
    EndBatch();
}

void Playlist::ReadPls(const std::wstring& path) {
    FILE* file = std::fopen(NativePath(path).c_str(), "r");
    if (!file) return;
    std::vector<PlaylistFileItem> items = ParsePls(file);
    std::fclose(file);
    std::wstring folder = DirName(path);
    BeginBatch();
    for (const PlaylistFileItem& item : items) AddRelative(folder, item.path, item.title);
    EndBatch();
}

bool Playlist::WriteM3u(const std::wstring& path) {
    std::vector<PlaylistFileItem> items;
    items.reserve(static_cast<size_t>(GetEntryCount()));
    for (int i = 0; i < GetEntryCount(); ++i) {
        PlaylistEntry* entry = GetEntry(i);
        PlaylistFileItem item;
        GetEntryTitle(i, item.title);
        item.path = entry->path;
        item.seconds = entry->trackInfo.duration == 0 ? -1 : entry->trackInfo.duration / 1000;
        items.push_back(std::move(item));
    }
    return WriteFileAtomic(path, FormatM3u(DirName(path), items));
}

bool Playlist::SavePlaylist(const std::wstring& path) {
    if (GetEntryCount() == 0) return DeleteFile(path) || GetFileSize(path) < 0;
    return WriteM3u(path);
}

}  // namespace vl
