#pragma once
// The lyrics service as the program speaks to it, without a window: the search address from
// the service's bootstrap page, the search request with its %-escaped values, the grave-accent
// answer, and the download of a lyric file. The search dialog and the terminal player share it.
//
// Outcomes are the ids of the messages the dialog shows (0 = success). Every call is
// synchronous on the calling thread; Cancel may come from any other thread. A lyric file is
// written whole, through a temporary file renamed into place, or not at all: a failed download
// never touches an existing file.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/http_client.h"
#include "ui/playlist.h"

namespace vl {

// Message and text ids.
enum LyricsMessage : int {
    IDS_LYRICS_CAPTION = 40090,       // "Versolune"
    IDS_LYRICS_NO_CONNECTION = 40114, // "Can't connect to Internet"
    IDS_LYRICS_LANGUAGE = 40115,      // "ENG"
    IDS_LYRICS_SINGER = 40116,        // column "Singer"
    IDS_LYRICS_SONG_NAME = 40117,     // column "Song Name"
    IDS_LYRICS_DOWNLOADED = 40118,
    IDS_LYRICS_CREATE_ERROR = 40119,
    IDS_LYRICS_NO_HITS = 40120,
    IDS_LYRICS_NO_TITLE = 40121,
};

constexpr const char* kLyricsAgent = "Versolune (WindowsCE)";
constexpr const wchar_t* kBootstrapPath = L"/songsearch.htm";
constexpr const wchar_t* kDefaultLyricsServer = L"http://127.0.0.1:8731";
constexpr size_t kMaxEscapedBytes = 259;        // an escaped value, whole characters only
constexpr size_t kMaxSearchRequestChars = 1023; // a longer request is not sent
constexpr size_t kMaxSearchAddressBytes = 1023; // of the bootstrap page
constexpr size_t kMaxAnswerBytes = 9999;        // of the search answer
constexpr size_t kMaxAnswerLineChars = 1023;
constexpr size_t kDownloadPieceBytes = 10000;

// The service's host and the user's account with it: "LyricsServer", "LyricsUser" and
// "LyricsPass" in the settings key.
struct LyricsAccount {
    std::wstring server = kDefaultLyricsServer;
    std::wstring user;
    std::wstring pass;
};
// Missing values keep what the record holds.
void LoadLyricsAccount(LyricsAccount& account);
// Written at once; false when the settings file could not be saved.
bool SaveLyricsAccount(const LyricsAccount& account);

struct LyricsHit {
    std::wstring singer;
    std::wstring song;
    std::wstring address;  // of the lyric file; may be empty
};

// What a search for an entry starts from: its title tag (else fallbackTitle) and artist tag.
struct LyricsQuery {
    std::wstring singer;
    std::wstring title;
};
LyricsQuery QueryForEntry(const PlaylistEntry& entry, const std::wstring& fallbackTitle);

// A query value in the ANSI code page: letters A-Z and a-z as they are, every other byte as
// %XX (upper-case hex); cut before the first character whose bytes would pass 259.
std::wstring EscapeQueryValue(const std::wstring& value);
// The search request for the address, or an empty text when it would pass 1023 characters.
std::wstring BuildSearchRequest(const std::wstring& searchAddress, const std::wstring& singer,
                                const std::wstring& title, const LyricsAccount& account);
// The hits of an answer: lines split at any run of CR and LF, each "singer`song`address";
// lines with fewer than two grave accents are skipped.
std::vector<LyricsHit> ParseSearchAnswer(const std::string& body);

class LyricsSearchClient {
public:
    LyricsSearchClient() = default;
    void SetTimeouts(const HttpTimeouts& timeouts) { timeouts_ = timeouts; }

    // The search address from the server's bootstrap page: 0 or IDS_LYRICS_NO_CONNECTION.
    int FetchSearchAddress(const std::wstring& server, std::wstring& address);
    // One search request: 0 with hits, IDS_LYRICS_NO_HITS, or IDS_LYRICS_NO_CONNECTION.
    int SearchAt(const std::wstring& address, const std::wstring& singer, const std::wstring& title,
                 const LyricsAccount& account, std::vector<LyricsHit>& hits);
    // The dialog's search: fetches searchUrl first when it is empty, and empties it when the
    // search request fails so that the next search asks the bootstrap page again.
    int Search(const LyricsAccount& account, std::wstring& searchUrl, const std::wstring& singer,
               const std::wstring& title, std::vector<LyricsHit>& hits);
    // Stores the file at address as the first of targets that can be written (the missing
    // folder of a later target, a fallback place, is made), its path in *stored: 0, IDS_LYRICS_CREATE_ERROR (none can be written) or
    // IDS_LYRICS_NO_CONNECTION (empty address, failed request, larger than a lyric file may be).
    int Download(const std::wstring& address, const std::vector<std::wstring>& targets,
                 std::wstring* stored = nullptr);
    int Download(const std::wstring& address, const std::wstring& lrcPath) {
        return Download(address, std::vector<std::wstring>{lrcPath});
    }

    // From any thread: the call in progress fails soon with IDS_LYRICS_NO_CONNECTION.
    void Cancel() { http_.Cancel(); }
    bool IsCancelled() const { return http_.IsCancelled(); }
    // Why the last call failed, for people.
    const std::string& LastError() const { return error_; }

private:
    std::unique_ptr<HttpRequest> OpenUrl(const std::wstring& url);
    // Reads the body up to limit bytes; tooLong is set when more would have followed.
    bool ReadBody(HttpRequest& request, size_t limit, size_t piece, std::string& body, bool* tooLong);
    int Fail(const std::string& error);

    HttpClient http_;
    HttpTimeouts timeouts_;
    std::string error_;
};

}  // namespace vl
