#include "app/download_lyrics.h"

#include <cstdio>

#include "lyrics/lyrics_search.h"
#include "lyrics/lyrics_sources.h"
#include "platform/files.h"
#include "platform/text.h"
#include "ui/playlist.h"

namespace vl {

namespace {

void PrintLine(const char* what, const std::wstring& path) {
    std::printf("%s %s\n", what, NativePath(path).c_str());
    std::fflush(stdout);
}

}  // namespace

int DownloadLyrics(Playlist& playlist, const std::wstring& server, bool replace) {
    // The account only: the search address is fetched once for this run and never stored.
    LyricsAccount account;
    LoadLyricsAccount(account);
    if (!server.empty()) account.server = server;
    const std::wstring lyricsFolder = LyricsFolderSetting();
    LyricsSearchClient client;
    std::wstring searchAddress;
    bool fetched = false;
    int fetchResult = 0;
    std::string fetchError;

    int status = 0;
    for (int i = 0; i < playlist.GetEntryCount(); ++i) {
        const PlaylistEntry& entry = *playlist.GetEntry(i);
        if (Playlist::IsUrl(entry.path)) {
            std::fprintf(stderr, "versolune-play: %s is not a local file\n", NativePath(entry.path).c_str());
            status = 1;
            continue;
        }
        std::vector<std::wstring> targets = LyricsDownloadTargets(entry.path, entry.tags, lyricsFolder);
        // The lyrics folder holds the lyrics of music whose own folder cannot be written.
        bool besideUsable = FileExists(targets[0]) || IsWritableDirectory(DirName(targets[0]));
        const std::wstring& existing = besideUsable || targets.size() < 2 ? targets[0] : targets[1];
        if (!replace && FileExists(existing)) {
            PrintLine("kept", existing);
            continue;
        }
        if (!fetched) {
            fetched = true;
            fetchResult = client.FetchSearchAddress(account.server, searchAddress);
            fetchError = client.LastError();
        }
        std::wstring stored;
        int result = fetchResult;
        std::string error = fetchError;
        if (result == 0) {
            // Without a title tag: the playlist's title, which is the file name without its
            // extension unless a playlist file named it.
            std::wstring name;
            playlist.GetEntryTitle(i, name);
            LyricsQuery query = QueryForEntry(entry, name);
            std::vector<LyricsHit> hits;
            result = client.SearchAt(searchAddress, query.singer, query.title, account, hits);
            if (result == 0) result = client.Download(hits[0].address, targets, &stored);
            error = client.LastError();
        }
        if (result != 0) {
            std::fprintf(stderr, "versolune-play: no lyrics for %s: %s\n", NativePath(entry.path).c_str(), error.c_str());
            PrintLine("no-lyrics", entry.path);
            status = 1;
        } else {
            PrintLine("lyrics", stored);
        }
    }
    return status;
}

}  // namespace vl
