#include "lyricsd/catalogue.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "lyricsd/text_fold.h"
#include "platform/text.h"

namespace vl::lyricsd {

namespace {

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS songs(id INTEGER PRIMARY KEY, token TEXT UNIQUE NOT NULL,"
    " path BLOB UNIQUE NOT NULL, dir BLOB NOT NULL, mtime INTEGER, size INTEGER,"
    " singer TEXT, title TEXT, album TEXT, duration REAL, ftitle TEXT, fsinger TEXT);"
    "CREATE INDEX IF NOT EXISTS songs_dir ON songs(dir);"
    // The order of a tier: exact titles and title prefixes are ranges of it.
    "CREATE INDEX IF NOT EXISTS songs_title ON songs(ftitle, fsinger);"
    "CREATE VIRTUAL TABLE IF NOT EXISTS songs_fts USING fts5(ftitle, fsinger, tokenize='ascii', prefix='2 3');";

std::string Utf8(const std::wstring& text) { return WideToUtf8(text); }

std::wstring Column(sqlite3_stmt* st, int i) {
    const unsigned char* t = sqlite3_column_text(st, i);
    return t ? Utf8ToWide(reinterpret_cast<const char*>(t)) : std::wstring();
}

std::string Blob(sqlite3_stmt* st, int i) {
    const void* b = sqlite3_column_blob(st, i);
    return b ? std::string(static_cast<const char*>(b), static_cast<size_t>(sqlite3_column_bytes(st, i))) : std::string();
}

void BindText(sqlite3_stmt* st, int i, const std::string& s) {
    sqlite3_bind_text(st, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void BindBlob(sqlite3_stmt* st, int i, const std::string& s) {
    sqlite3_bind_blob(st, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// 64 random bits as 16 hex digits.
std::string NewToken() {
    unsigned char bytes[8] = {};
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (read(fd, bytes, sizeof(bytes)) != static_cast<ssize_t>(sizeof(bytes))) {
        }
        close(fd);
    }
    char hex[17];
    for (int i = 0; i < 8; ++i) std::snprintf(hex + 2 * i, 3, "%02x", bytes[i]);
    return std::string(hex, 16);
}

// An FTS5 expression: every word, the last one as a prefix. Words hold no ASCII punctuation,
// so quoting them is enough.
std::string MatchExpression(const std::vector<std::wstring>& words, bool anyColumn) {
    std::string inner;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i) inner += ' ';
        inner += '"' + Utf8(words[i]) + '"';
        if (i + 1 == words.size()) inner += '*';
    }
    return anyColumn ? inner : "ftitle : (" + inner + ")";
}

// Resets a statement when the scope ends, so that no read stays open on the connection (an
// open read would pin an old snapshot of the index).
struct ResetAtEnd {
    sqlite3_stmt* st;
    ~ResetAtEnd() {
        if (st) sqlite3_reset(st);
    }
};

const char kSongColumns[] = "s.id, s.token, s.path, s.singer, s.title, s.album, s.duration, s.mtime, s.size";

void ReadSong(sqlite3_stmt* st, SongRecord& r) {
    r.id = sqlite3_column_int64(st, 0);
    r.token = Blob(st, 1);
    r.path = Blob(st, 2);
    r.singer = Column(st, 3);
    r.title = Column(st, 4);
    r.album = Column(st, 5);
    r.duration = sqlite3_column_type(st, 6) == SQLITE_NULL ? -1.0 : sqlite3_column_double(st, 6);
    r.mtime = sqlite3_column_int64(st, 7);
    r.size = sqlite3_column_int64(st, 8);
}

// Whether the folded singer holds the folded name as whole words ("the beatles" holds "beatles").
bool HoldsWords(const char* singer, size_t size, const std::string& name) {
    if (name.empty() || name.size() > size) return false;
    for (size_t at = 0; at + name.size() <= size; ++at) {
        if (at > 0 && singer[at - 1] != ' ') continue;
        size_t end = at + name.size();
        if ((end == size || singer[end] == ' ') && std::memcmp(singer + at, name.data(), name.size()) == 0) return true;
    }
    return false;
}

// Walks rows of the title index in its order (title, singer, id), which is the ranking within a
// tier once the singer's own songs are put first. Stops as soon as the first `want` of that
// order are certain, so a short query over a large library reads only a few index entries.
void TakeInIndexOrder(sqlite3_stmt* st, const std::string& singer, size_t want, std::vector<int64_t>& ids) {
    std::vector<int64_t> own, others;
    while ((singer.empty() ? others.size() : own.size()) < want && sqlite3_step(st) == SQLITE_ROW) {
        const char* s = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        bool isOwn = s && HoldsWords(s, static_cast<size_t>(sqlite3_column_bytes(st, 1)), singer);
        std::vector<int64_t>& into = isOwn ? own : others;
        if (into.size() < want) into.push_back(sqlite3_column_int64(st, 0));
    }
    own.insert(own.end(), others.begin(), others.end());
    own.resize(std::min(own.size(), want));
    ids.insert(ids.end(), own.begin(), own.end());
}

}  // namespace

Catalogue::~Catalogue() {
    for (auto& s : statements_) sqlite3_finalize(s.second);
    if (db_) sqlite3_close(db_);
}

bool Catalogue::Open(const std::string& path, bool writable, std::string* error) {
    // Every connection lives on one thread, so SQLite's global memory statistics would only add
    // a lock that all request threads contend for.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    (void)configured;
    int flags = writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        if (error) *error = path + ": " + (db_ ? sqlite3_errmsg(db_) : "cannot open");
        return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    // Pages are read through a shared mapping instead of a read call into each connection's
    // own cache (there is a connection per request thread).
    Exec("PRAGMA mmap_size=1073741824;");
    if (writable && !(Exec("PRAGMA journal_mode=WAL;") && Exec("PRAGMA synchronous=NORMAL;") && Exec(kSchema))) {
        if (error) *error = path + ": " + sqlite3_errmsg(db_);
        return false;
    }
    return true;
}

bool Catalogue::Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

sqlite3_stmt* Catalogue::Prepare(const char* sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "versolune-lyricsd: %s\n", sqlite3_errmsg(db_));
        return nullptr;
    }
    statements_[sql] = st;
    return st;
}

bool Catalogue::Begin() { return Exec("BEGIN IMMEDIATE;"); }
bool Catalogue::Commit() { return Exec("COMMIT;"); }

std::map<std::string, Catalogue::FileState> Catalogue::FilesIn(const std::string& dir) {
    std::map<std::string, FileState> out;
    sqlite3_stmt* st = Prepare("SELECT path, id, mtime, size FROM songs WHERE dir = ?");
    ResetAtEnd reset_st{st};
    if (!st) return out;
    BindBlob(st, 1, dir);
    while (sqlite3_step(st) == SQLITE_ROW)
        out[Blob(st, 0)] = FileState{sqlite3_column_int64(st, 1), sqlite3_column_int64(st, 2), sqlite3_column_int64(st, 3)};
    return out;
}

std::vector<std::string> Catalogue::AllPaths() {
    std::vector<std::string> out;
    sqlite3_stmt* st = Prepare("SELECT path FROM songs");
    ResetAtEnd reset_st{st};
    while (st && sqlite3_step(st) == SQLITE_ROW) out.push_back(Blob(st, 0));
    return out;
}

bool Catalogue::Put(const SongRecord& r, const std::string& dir) {
    std::string ftitle = Utf8(FoldedKey(r.title)), fsinger = Utf8(FoldedKey(r.singer));
    int64_t id = 0;
    if (sqlite3_stmt* find = Prepare("SELECT id FROM songs WHERE path = ?")) {
        ResetAtEnd reset_find{find};
        BindBlob(find, 1, r.path);
        if (sqlite3_step(find) == SQLITE_ROW) id = sqlite3_column_int64(find, 0);
    }
    sqlite3_stmt* st;
    if (id) {
        st = Prepare("UPDATE songs SET mtime=?, size=?, singer=?, title=?, album=?, duration=?, ftitle=?, fsinger=? WHERE id=?");
        if (!st) return false;
        sqlite3_bind_int64(st, 9, id);
    } else {
        st = Prepare("INSERT INTO songs(mtime, size, singer, title, album, duration, ftitle, fsinger, path, dir, token)"
                     " VALUES(?,?,?,?,?,?,?,?,?,?,?)");
        if (!st) return false;
        BindBlob(st, 9, r.path);
        BindBlob(st, 10, dir);
        BindText(st, 11, NewToken());
    }
    sqlite3_bind_int64(st, 1, r.mtime);
    sqlite3_bind_int64(st, 2, r.size);
    BindText(st, 3, Utf8(r.singer));
    BindText(st, 4, Utf8(r.title));
    BindText(st, 5, Utf8(r.album));
    if (r.duration >= 0) sqlite3_bind_double(st, 6, r.duration);
    else sqlite3_bind_null(st, 6);
    BindText(st, 7, ftitle);
    BindText(st, 8, fsinger);
    if (sqlite3_step(st) != SQLITE_DONE) return false;
    if (!id) id = sqlite3_last_insert_rowid(db_);
    sqlite3_stmt* del = Prepare("DELETE FROM songs_fts WHERE rowid = ?");
    ResetAtEnd reset_del{del};
    sqlite3_stmt* ins = Prepare("INSERT INTO songs_fts(rowid, ftitle, fsinger) VALUES(?,?,?)");
    ResetAtEnd reset_ins{ins};
    if (!del || !ins) return false;
    sqlite3_bind_int64(del, 1, id);
    sqlite3_step(del);
    sqlite3_bind_int64(ins, 1, id);
    BindText(ins, 2, ftitle);
    BindText(ins, 3, fsinger);
    return sqlite3_step(ins) == SQLITE_DONE;
}

bool Catalogue::Remove(const std::string& path) {
    sqlite3_stmt* find = Prepare("SELECT id FROM songs WHERE path = ?");
    ResetAtEnd reset_find{find};
    if (!find) return false;
    BindBlob(find, 1, path);
    if (sqlite3_step(find) != SQLITE_ROW) return true;
    int64_t id = sqlite3_column_int64(find, 0);
    sqlite3_stmt* a = Prepare("DELETE FROM songs_fts WHERE rowid = ?");
    ResetAtEnd reset_a{a};
    sqlite3_stmt* b = Prepare("DELETE FROM songs WHERE id = ?");
    ResetAtEnd reset_b{b};
    if (!a || !b) return false;
    sqlite3_bind_int64(a, 1, id);
    sqlite3_bind_int64(b, 1, id);
    return sqlite3_step(a) == SQLITE_DONE && sqlite3_step(b) == SQLITE_DONE;
}

bool Catalogue::MergeTextIndex() { return Exec("INSERT INTO songs_fts(songs_fts) VALUES('optimize');"); }

std::vector<SongRecord> Catalogue::Search(const SearchQuery& query, int limit) {
    std::vector<SongRecord> out;
    std::vector<std::wstring> words = FoldedWords(query.title);
    if (words.empty() || limit <= 0) return out;
    const size_t want = static_cast<size_t>(limit);
    const std::string key = Utf8(FoldedKey(query.title)), singer = Utf8(FoldedKey(query.singer));
    // Titles that begin with the key lie in [key, beyond) of the index; a key ends in a letter or
    // digit, so its last byte is never 0xFF.
    std::string beyond = key;
    beyond.back() = static_cast<char>(static_cast<unsigned char>(beyond.back()) + 1);

    // One read transaction for the whole search: one snapshot of the index, and the locks of
    // the write-ahead log taken once instead of for every statement.
    struct ReadTransaction {
        Catalogue& c;
        bool open;
        ~ReadTransaction() {
            if (open) c.Exec("COMMIT;");
        }
    } transaction{*this, Exec("BEGIN;")};

    std::vector<int64_t> ids;
    // Tier 0, the exact title, and tier 1, titles that begin with it: each a bounded walk of
    // the title index. A title that begins with the query holds all its words, so these rows
    // also match the full-text expression.
    if (sqlite3_stmt* st = Prepare("SELECT id, fsinger FROM songs WHERE ftitle = ?1 ORDER BY ftitle, fsinger, id")) {
        ResetAtEnd reset_st{st};
        BindText(st, 1, key);
        TakeInIndexOrder(st, singer, want, ids);
    }
    if (ids.size() < want) {
        if (sqlite3_stmt* st = Prepare("SELECT id, fsinger FROM songs WHERE ftitle > ?1 AND ftitle < ?2"
                                       " ORDER BY ftitle, fsinger, id")) {
            ResetAtEnd reset_st{st};
            BindText(st, 1, key);
            BindText(st, 2, beyond);
            TakeInIndexOrder(st, singer, want - ids.size(), ids);
        }
    }
    // Tier 2, the other titles with all the words, only when the first two leave room.
    if (ids.size() < want) {
        sqlite3_stmt* st = Prepare(
            "SELECT s.id FROM songs_fts JOIN songs s ON s.id = songs_fts.rowid"
            " WHERE songs_fts MATCH ?1 AND NOT (s.ftitle >= ?2 AND s.ftitle < ?3)"
            " ORDER BY CASE WHEN ?4 <> '' AND instr(' ' || s.fsinger || ' ', ' ' || ?4 || ' ') > 0 THEN 0 ELSE 1 END,"
            " s.ftitle, s.fsinger, s.id LIMIT ?5");
        if (st) {
            ResetAtEnd reset_st{st};
            BindText(st, 1, MatchExpression(words, query.anyColumn));
            BindText(st, 2, key);
            BindText(st, 3, beyond);
            BindText(st, 4, singer);
            sqlite3_bind_int64(st, 5, static_cast<int64_t>(want - ids.size()));
            while (sqlite3_step(st) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(st, 0));
        }
    }
    for (int64_t id : ids) {
        SongRecord r;
        if (GetById(id, r)) out.push_back(std::move(r));
    }
    return out;
}

bool Catalogue::GetOne(const char* where, int64_t id, const std::string& token, SongRecord& out) {
    std::string sql = std::string("SELECT ") + kSongColumns + " FROM songs s WHERE " + where;
    sqlite3_stmt* st = Prepare(sql.c_str());
    ResetAtEnd reset_st{st};
    if (!st) return false;
    if (token.empty()) sqlite3_bind_int64(st, 1, id);
    else BindText(st, 1, token);
    if (sqlite3_step(st) != SQLITE_ROW) return false;
    ReadSong(st, out);
    return true;
}

bool Catalogue::GetById(int64_t id, SongRecord& out) { return GetOne("s.id = ?", id, std::string(), out); }

bool Catalogue::GetByToken(const std::string& token, SongRecord& out) {
    return !token.empty() && GetOne("s.token = ?", 0, token, out);
}

int64_t Catalogue::Count() {
    sqlite3_stmt* st = Prepare("SELECT count(*) FROM songs");
    ResetAtEnd reset_st{st};
    return st && sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
}

}  // namespace vl::lyricsd
