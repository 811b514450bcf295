#include "app/download_lyrics.h"

#include <cstdio>

#include "lyrics/lyrics_model.h"
#include "lyrics/lyrics_search.h"
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
        std::wstring lrcPath = LyricsModel::LyricFileName(entry.path);
        if (!replace && FileExists(lrcPath)) {
            PrintLine("kept", lrcPath);
            continue;
        }
        if (!fetched) {
            fetched = true;
            fetchResult = client.FetchSearchAddress(account.server, searchAddress);
            fetchError = client.LastError();
        }
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
            if (result == 0) result = client.Download(hits[0].address, lrcPath);
            error = client.LastError();
        }
        if (result != 0) {
            std::fprintf(stderr, "versolune-play: no lyrics for %s: %s\n", NativePath(entry.path).c_str(), error.c_str());
            PrintLine("no-lyrics", entry.path);
            status = 1;
        } else {
            PrintLine("lyrics", lrcPath);
        }
    }
    return status;
}

}  // namespace vl
