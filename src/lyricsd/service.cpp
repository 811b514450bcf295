#include "lyricsd/service.h"

#include <httplib.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "lyrics/lyrics_model.h"
#include "lyricsd/catalogue.h"
#include "lyricsd/indexer.h"
#include "lyricsd/query_string.h"
#include "lyricsd/reader_pool.h"
#include "lyricsd/text_fold.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace vl::lyricsd {

namespace {

constexpr int kDefaultCount = 15;
constexpr int kMaxCount = 100;
constexpr int kJsonSearchLimit = 20;

// Runs lookup on a pooled reader, which is given back before the answer is built. False when
// the index cannot be read.
template <typename Lookup>
bool Read(ReaderPool& readers, Lookup lookup) {
    ReaderPool::Lease reader = readers.Acquire();
    if (!reader) return false;
    lookup(*reader);
    return true;
}

void Fail(const httplib::Request& req, httplib::Response& res, int status, const std::string& why) {
    std::fprintf(stderr, "versolune-lyricsd: %s %s %.200s: %d %s\n", req.remote_addr.c_str(), req.method.c_str(),
                 req.target.c_str(), status, why.c_str());
    res.status = status;
    res.set_content(why + "\n", "text/plain; charset=utf-8");
}

// A Host header that can be put into an address: a name or address and a port, nothing else.
bool IsSafeHost(const std::string& host) {
    if (host.empty() || host.size() > 255) return false;
    for (char c : host) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
                  c == ':' || c == '[' || c == ']';
        if (!ok) return false;
    }
    return true;
}

// Text for one field of an answer line: no grave accent and no line end may split it.
std::wstring LineField(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'`') c = L'\'';
        else if (c == L'\r' || c == L'\n') c = L' ';
    return text;
}

void AppendJsonString(std::string& out, const std::string& utf8) {
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof(esc), "\\u%04x", c);
                    out += esc;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

// The file's text (UTF-16LE after a byte-order mark, else the code page) and its lines.
struct LyricText {
    std::string synced, plain;
    bool read = false;
};

LyricText ReadLyricText(const std::string& path) {
    LyricText t;
    std::string bytes;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !ReadFileBytes(WidePath(path), bytes, kMaxIndexedLyricBytes))
        return t;
    bool utf16 = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                 static_cast<unsigned char>(bytes[1]) == 0xFE;
    t.synced = WideToUtf8(utf16 ? FromRegSz(bytes.substr(2)) : AnsiToWide(bytes));
    LyricsModel model;
    model.LoadBytes(bytes);
    for (int i = 0; i < model.GetLineCount(); ++i) {
        if (i) t.plain += '\n';
        std::wstring line = model.GetLine(i).text;
        t.plain += WideToUtf8(line == L" " ? std::wstring() : line);
    }
    t.read = true;
    return t;
}

std::string SongJson(const SongRecord& r, bool withLyrics) {
    std::string out = "{\"id\":" + std::to_string(r.id) + ",\"trackName\":";
    AppendJsonString(out, WideToUtf8(r.title));
    out += ",\"artistName\":";
    AppendJsonString(out, WideToUtf8(r.singer));
    out += ",\"albumName\":";
    AppendJsonString(out, WideToUtf8(r.album));
    out += ",\"duration\":";
    if (r.duration >= 0) {
        char number[32];
        std::snprintf(number, sizeof(number), "%.3f", r.duration);
        out += number;
    } else {
        out += "null";
    }
    LyricText text = withLyrics ? ReadLyricText(r.path) : LyricText{};
    out += ",\"instrumental\":";
    out += withLyrics && text.read && text.plain.empty() ? "true" : "false";
    out += ",\"plainLyrics\":";
    if (withLyrics && text.read) AppendJsonString(out, text.plain);
    else out += "null";
    out += ",\"syncedLyrics\":";
    if (withLyrics && text.read) AppendJsonString(out, text.synced);
    else out += "null";
    out += '}';
    return out;
}

void NotFoundJson(httplib::Response& res) {
    res.status = 404;
    res.set_content("{\"code\":404,\"name\":\"TrackNotFound\",\"message\":\"Failed to find specified track\"}",
                    "application/json");
}

}  // namespace

Service::Service(ServiceOptions options)
    : options_(std::move(options)),
      readers_(std::make_unique<ReaderPool>(options_.dbPath, options_.readers)),
      server_(std::make_unique<httplib::Server>()) {
    int threads = options_.threads;
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    server_->set_payload_max_length(64 * 1024);
    server_->set_keep_alive_max_count(1000);
    // Head and body go out in two writes: without this, each answer waits for the client's
    // delayed acknowledgement (about 40 ms).
    server_->set_tcp_nodelay(true);
    server_->set_read_timeout(10, 0);
    server_->set_write_timeout(10, 0);
    Routes();
}

Service::~Service() = default;

int Service::Bind(const std::string& host, int port) {
    if (port == 0) return server_->bind_to_any_port(host);
    return server_->bind_to_port(host, port) ? port : -1;
}

bool Service::Run() { return server_->listen_after_bind(); }

void Service::Stop() { server_->stop(); }

void Service::Routes() {
    const ServiceOptions& o = options_;
    ReaderPool& readers = *readers_;
    // The address the answers point at: --public-url, else what the client called us by.
    auto base = [&o](const httplib::Request& req, std::string& out) {
        if (!o.publicUrl.empty()) {
            out = o.publicUrl;
            while (!out.empty() && out.back() == '/') out.pop_back();
            return true;
        }
        if (!req.has_header("Host") && !o.listenUrl.empty()) {
            out = o.listenUrl;
            return true;
        }
        std::string host = req.get_header_value("Host");
        if (!IsSafeHost(host)) return false;
        out = "http://" + host;
        return true;
    };
    // user and pass of the query; always allowed without --users.
    auto allowed = [&o](const QueryString& q) { return !o.users || o.users->Check(q.Get("user"), q.Get("pass")); };

    server_->Get("/songsearch.htm", [base](const httplib::Request& req, httplib::Response& res) {
        std::string url;
        if (!base(req, url)) return Fail(req, res, 400, "bad Host header");
        // The player takes the whole body as the search address: no line end after it.
        res.set_content(url + "/search", "text/plain");
    });

    server_->Get("/search", [&readers, base, allowed](const httplib::Request& req, httplib::Response& res) {
        QueryString q = ParseQueryString(req.target);
        if (!q.error.empty()) return Fail(req, res, 400, q.error);
        if (!allowed(q)) return Fail(req, res, 403, "user or pass not accepted");
        std::wstring title = AnsiToWide(q.Get("title"));
        if (FoldedWords(title).empty()) return Fail(req, res, 400, "title needs a letter or digit");
        int count = kDefaultCount;
        if (q.Has("count")) {
            std::string c = q.Get("count");
            if (c.empty() || c.size() > 6 || c.find_first_not_of("0123456789") != std::string::npos)
                return Fail(req, res, 400, "count is not a number");
            count = std::min(std::atoi(c.c_str()), kMaxCount);
        }
        std::string url;
        if (!base(req, url)) return Fail(req, res, 400, "bad Host header");
        SearchQuery query{title, AnsiToWide(q.Get("singer")), false};
        std::vector<SongRecord> hits;
        if (!Read(readers, [&](Catalogue& c) { hits = c.Search(query, count); }))
            return Fail(req, res, 503, "index not readable");
        std::string body;
        for (const SongRecord& r : hits) {
            body += WideToAnsi(LineField(r.singer) + L"`" + LineField(r.title) + L"`");
            body += url + "/lrc/" + r.token + ".lrc\r\n";
        }
        res.set_content(body, "text/plain");
    });

    server_->Get(R"(/lrc/([0-9a-f]{16})\.lrc)", [&readers](const httplib::Request& req, httplib::Response& res) {
        SongRecord r;
        bool found = false;
        if (!Read(readers, [&](Catalogue& c) { found = c.GetByToken(req.matches[1], r); }))
            return Fail(req, res, 503, "index not readable");
        std::string bytes;
        struct stat st;
        // Only a path from the index reaches the file system, never one from the request.
        if (!found || stat(r.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            !ReadFileBytes(WidePath(r.path), bytes, kMaxIndexedLyricBytes))
            return Fail(req, res, 404, "no such lyric file");
        res.set_content(bytes, "text/plain");
    });

    server_->Get("/api/search", [&readers, allowed](const httplib::Request& req, httplib::Response& res) {
        QueryString q = ParseQueryString(req.target);
        if (!q.error.empty()) return Fail(req, res, 400, q.error);
        if (!allowed(q)) return Fail(req, res, 403, "user or pass not accepted");
        SearchQuery query;
        if (q.Has("q")) {
            query.title = Utf8ToWide(q.Get("q"));
            query.anyColumn = true;
        } else {
            query.title = Utf8ToWide(q.Get("track_name"));
            query.singer = Utf8ToWide(q.Get("artist_name"));
        }
        if (FoldedWords(query.title).empty()) return Fail(req, res, 400, "q or track_name needs a letter or digit");
        std::vector<SongRecord> hits;
        if (!Read(readers, [&](Catalogue& c) { hits = c.Search(query, kJsonSearchLimit); }))
            return Fail(req, res, 503, "index not readable");
        std::string body = "[";
        for (const SongRecord& r : hits) {
            if (body.size() > 1) body += ',';
            body += SongJson(r, true);
        }
        body += ']';
        res.set_content(body, "application/json");
    });

    server_->Get("/api/get", [&readers, allowed](const httplib::Request& req, httplib::Response& res) {
        QueryString q = ParseQueryString(req.target);
        if (!q.error.empty()) return Fail(req, res, 400, q.error);
        if (!allowed(q)) return Fail(req, res, 403, "user or pass not accepted");
        std::wstring track = Utf8ToWide(q.Get("track_name")), artist = Utf8ToWide(q.Get("artist_name"));
        if (FoldedWords(track).empty() || FoldedWords(artist).empty())
            return Fail(req, res, 400, "track_name and artist_name are needed");
        double duration = -1.0;
        if (q.Has("duration")) {
            char* end = nullptr;
            std::string d = q.Get("duration");
            duration = std::strtod(d.c_str(), &end);
            if (d.empty() || *end || !std::isfinite(duration) || duration < 0) return Fail(req, res, 400, "bad duration");
        }
        std::wstring album = FoldedKey(Utf8ToWide(q.Get("album_name")));
        std::vector<SongRecord> hits;
        if (!Read(readers, [&](Catalogue& c) { hits = c.Search(SearchQuery{track, artist, false}, 50); }))
            return Fail(req, res, 503, "index not readable");
        std::wstring wantTitle = FoldedKey(track), wantSinger = FoldedKey(artist);
        for (const SongRecord& r : hits) {
            if (FoldedKey(r.title) != wantTitle || FoldedKey(r.singer) != wantSinger) continue;
            if (!album.empty() && !r.album.empty() && FoldedKey(r.album) != album) continue;
            if (duration >= 0 && r.duration >= 0 && std::fabs(duration - r.duration) > 2.0) continue;
            res.set_content(SongJson(r, true), "application/json");
            return;
        }
        NotFoundJson(res);
    });

    server_->Get(R"(/api/get/([0-9]{1,18}))", [&readers, allowed](const httplib::Request& req, httplib::Response& res) {
        QueryString q = ParseQueryString(req.target);
        if (!q.error.empty()) return Fail(req, res, 400, q.error);
        if (!allowed(q)) return Fail(req, res, 403, "user or pass not accepted");
        SongRecord r;
        bool found = false;
        if (!Read(readers, [&](Catalogue& c) { found = c.GetById(std::atoll(req.matches[1].str().c_str()), r); }))
            return Fail(req, res, 503, "index not readable");
        if (!found) return NotFoundJson(res);
        res.set_content(SongJson(r, true), "application/json");
    });

    server_->set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (res.status == 404 && res.body.empty()) Fail(req, res, 404, "not found");
        else if (res.status >= 400 && res.body.empty()) Fail(req, res, res.status, "bad request");
    });
}

}  // namespace vl::lyricsd
