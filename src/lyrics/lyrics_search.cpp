#include "lyrics/lyrics_search.h"

#include <cwchar>

#include "engine/input/tags.h"
#include "lyrics/lyrics_model.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/registry_keys.h"
#include "ui/string_table.h"

namespace vl {

namespace {

// Settings texts are read with the buffer "SearchURL" has.
constexpr uint32_t kAccountValueBytes = 2048;

const struct {
    const wchar_t* name;
    std::wstring LyricsAccount::*field;
} kAccountValues[] = {
    {L"LyricsServer", &LyricsAccount::server},
    {L"LyricsUser", &LyricsAccount::user},
    {L"LyricsPass", &LyricsAccount::pass},
};

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

void LoadLyricsAccount(LyricsAccount& account) {
    RegKey key;
    if (!key.Open(HKEY_CURRENT_USER, kSettingsKey)) return;
    for (const auto& v : kAccountValues) {
        std::wstring text;
        if (key.QueryString(v.name, text, kAccountValueBytes)) account.*v.field = text;
    }
}

bool SaveLyricsAccount(const LyricsAccount& account) {
    RegKey key;
    if (!key.Create(HKEY_CURRENT_USER, kSettingsKey)) return false;
    for (const auto& v : kAccountValues) key.SetString(v.name, account.*v.field);
    return key.Close();
}

LyricsQuery QueryForEntry(const PlaylistEntry& entry, const std::wstring& fallbackTitle) {
    LyricsQuery query{TagText(entry.tags.artist), TagText(entry.tags.title)};
    if (query.title.empty()) query.title = fallbackTitle;
    return query;
}

std::wstring EscapeQueryValue(const std::wstring& value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (wchar_t c : value) {
        std::string piece;
        for (unsigned char b : WideToAnsi(std::wstring(1, c))) {
            if (IsAsciiLetter(b)) {
                piece += static_cast<char>(b);
            } else {
                piece += '%';
                piece += kHex[b >> 4];
                piece += kHex[b & 15];
            }
        }
        if (out.size() + piece.size() > kMaxEscapedBytes) break;
        out += piece;
    }
    return AnsiToWide(out);
}

std::wstring BuildSearchRequest(const std::wstring& searchAddress, const std::wstring& singer,
                                const std::wstring& title, const LyricsAccount& account) {
    // user and pass are escaped like the other values, so that a '&' or '#' in them cannot
    // cut the request.
    std::wstring request = searchAddress + L"?singer=" + EscapeQueryValue(singer) +
                           L"&title=" + EscapeQueryValue(title) +
                           L"&lang=" + GetString(IDS_LYRICS_LANGUAGE) +
                           L"&user=" + EscapeQueryValue(account.user) +
                           L"&pass=" + EscapeQueryValue(account.pass) + L"&count=15";
    if (request.size() > kMaxSearchRequestChars) return std::wstring();
    return request;
}

std::vector<LyricsHit> ParseSearchAnswer(const std::string& body) {
    std::vector<LyricsHit> hits;
    size_t pos = 0;
    while (pos < body.size()) {
        while (pos < body.size() && IsLineEnd(body[pos])) ++pos;
        size_t end = pos;
        while (end < body.size() && !IsLineEnd(body[end])) ++end;
        if (end == pos) break;
        std::wstring line = AnsiToWide(body.data() + pos, end - pos);
        pos = end;
        if (line.size() > kMaxAnswerLineChars) line.resize(kMaxAnswerLineChars);
        size_t first = line.find(L'`');
        if (first == std::wstring::npos) continue;
        size_t second = line.find(L'`', first + 1);
        if (second == std::wstring::npos) continue;
        hits.push_back(LyricsHit{line.substr(0, first), line.substr(first + 1, second - first - 1),
                                 line.substr(second + 1)});
    }
    return hits;
}

// ---- LyricsSearchClient ----

int LyricsSearchClient::Fail(const std::string& error) {
    error_ = error;
    return IDS_LYRICS_NO_CONNECTION;
}

std::unique_ptr<HttpRequest> LyricsSearchClient::OpenUrl(const std::wstring& url) {
    http_.SetTimeouts(timeouts_);
    if (!http_.IsOpen() && !http_.Open(kLyricsAgent)) {
        error_ = http_.LastError();
        return nullptr;
    }
    std::unique_ptr<HttpRequest> request = http_.OpenUrl(url);
    if (!request) error_ = http_.LastError() + " (" + WideToUtf8(url) + ")";
    return request;
}

bool LyricsSearchClient::ReadBody(HttpRequest& request, size_t limit, size_t piece, std::string& body,
                                  bool* tooLong) {
    body.clear();
    std::string buffer(piece, '\0');
    for (;;) {
        size_t want = body.size() < limit ? std::min(piece, limit - body.size()) : 1;
        size_t got = 0;
        if (!request.Read(&buffer[0], want, &got)) {
            error_ = http_.LastError();
            return false;
        }
        if (got == 0) return true;
        if (body.size() >= limit) {
            if (tooLong) *tooLong = true;
            return true;
        }
        body.append(buffer, 0, got);
        if (body.size() >= limit && !tooLong) return true;
    }
}

int LyricsSearchClient::FetchSearchAddress(const std::wstring& server, std::wstring& address) {
    std::wstring base = server;
    while (!base.empty() && base.back() == L'/') base.pop_back();
    if (base.empty()) return Fail("no lyrics server is set");
    std::unique_ptr<HttpRequest> request = OpenUrl(base + kBootstrapPath);
    if (!request) return IDS_LYRICS_NO_CONNECTION;
    std::string body;
    if (!ReadBody(*request, kMaxSearchAddressBytes, kMaxSearchAddressBytes, body, nullptr))
        return IDS_LYRICS_NO_CONNECTION;
    if (body.empty()) return Fail("the server's search page address is empty");
    address = AnsiToWide(body);
    return 0;
}

int LyricsSearchClient::SearchAt(const std::wstring& address, const std::wstring& singer,
                                 const std::wstring& title, const LyricsAccount& account,
                                 std::vector<LyricsHit>& hits) {
    hits.clear();
    std::wstring url = BuildSearchRequest(address, singer, title, account);
    if (url.empty()) return Fail("the search request would be longer than 1023 characters");
    std::unique_ptr<HttpRequest> request = OpenUrl(url);
    if (!request) return IDS_LYRICS_NO_CONNECTION;
    std::string body;
    if (!ReadBody(*request, kMaxAnswerBytes, kMaxAnswerBytes, body, nullptr)) return IDS_LYRICS_NO_CONNECTION;
    hits = ParseSearchAnswer(body);
    if (hits.empty()) {
        error_ = "no lyrics found";
        return IDS_LYRICS_NO_HITS;
    }
    return 0;
}

int LyricsSearchClient::Search(const LyricsAccount& account, std::wstring& searchUrl,
                               const std::wstring& singer, const std::wstring& title,
                               std::vector<LyricsHit>& hits) {
    hits.clear();
    if (searchUrl.empty()) {
        int result = FetchSearchAddress(account.server, searchUrl);
        if (result != 0) return result;
    }
    int result = SearchAt(searchUrl, singer, title, account, hits);
    if (result == IDS_LYRICS_NO_CONNECTION) searchUrl.clear();
    return result;
}

int LyricsSearchClient::Download(const std::wstring& address, const std::vector<std::wstring>& targets,
                                 std::wstring* stored) {
    // The folder of a later target (a fallback place) is made when it is missing.
    auto usable = [&targets](size_t i) {
        std::wstring dir = DirName(targets[i]);
        return IsWritableDirectory(dir) || (i > 0 && !IsDirectory(dir) && IsWritableDirectory(DirName(dir)));
    };
    // Nothing is fetched that could not be stored.
    bool canWrite = false;
    for (size_t i = 0; i < targets.size() && !canWrite; ++i) canWrite = usable(i);
    if (!canWrite) {
        error_ = "cannot write in the folder of " + (targets.empty() ? std::string("the lyrics") : NativePath(targets[0]));
        return IDS_LYRICS_CREATE_ERROR;
    }
    if (address.empty()) return Fail("the hit has no lyric file address");
    std::unique_ptr<HttpRequest> request = OpenUrl(address);
    if (!request) return IDS_LYRICS_NO_CONNECTION;
    std::string body;
    bool tooLong = false;
    if (!ReadBody(*request, kMaxLyricFileBytes, kDownloadPieceBytes, body, &tooLong))
        return IDS_LYRICS_NO_CONNECTION;
    if (tooLong) return Fail("the lyric file is larger than 8 MB");
    request.reset();
    for (size_t i = 0; i < targets.size(); ++i) {
        if (!usable(i)) continue;
        if (i > 0) MakeDirectory(DirName(targets[i]));
        if (WriteFileAtomic(targets[i], body)) {
            if (stored) *stored = targets[i];
            return 0;
        }
    }
    error_ = "cannot write " + NativePath(targets[0]);
    return IDS_LYRICS_CREATE_ERROR;
}

}  // namespace vl
