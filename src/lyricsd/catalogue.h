#pragma once
// The service's index of lyric files: one SQLite file with a row per indexed .lrc file and an
// FTS5 index over the folded titles and singers.
//
// Threads: one thread at a time per Catalogue object. The indexer holds the one writable object;
// the request threads share a few read-only ones (ReaderPool). The file is in WAL mode, so
// readers never wait for the writer. Texts are UTF-8 in the file and wide in the interface;
// paths are the file system's bytes.
#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vl::lyricsd {

struct SongRecord {
    int64_t id = 0;           // the JSON id; stable while the file stays
    std::string token;        // the opaque part of the file's address (16 hex digits)
    std::string path;         // file system path of the .lrc
    std::wstring singer, title, album;
    double duration = -1.0;   // seconds; < 0 when unknown
    int64_t mtime = 0;        // nanoseconds
    int64_t size = 0;
};

struct SearchQuery {
    std::wstring title;       // required: hits contain every word of it (the last as a prefix)
    std::wstring singer;      // optional: ranks hits of this singer first
    bool anyColumn = false;   // the words may also lie in the singer (free text search)
};

class Catalogue {
public:
    Catalogue() = default;
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Opens (and for a writer creates) the index file. False with error set on failure.
    bool Open(const std::string& path, bool writable, std::string* error);

    // ---- writer ----
    bool Begin();
    bool Commit();
    struct FileState {
        int64_t id = 0, mtime = 0, size = 0;
    };
    // Indexed files directly in folder dir (path -> state).
    std::map<std::string, FileState> FilesIn(const std::string& dir);
    // Every indexed path.
    std::vector<std::string> AllPaths();
    // Inserts or updates the row of record.path (its id and token stay).
    bool Put(const SongRecord& record, const std::string& dir);
    bool Remove(const std::string& path);
    // Merges the full-text index into one piece (after many changes).
    bool MergeTextIndex();

    // ---- reader ----
    // At most limit hits: exact title first, then titles that begin with the query, then those
    // that contain all its words; in each tier the singer's songs first.
    std::vector<SongRecord> Search(const SearchQuery& query, int limit);
    bool GetById(int64_t id, SongRecord& out);
    bool GetByToken(const std::string& token, SongRecord& out);
    int64_t Count();

private:
    sqlite3_stmt* Prepare(const char* sql);
    bool GetOne(const char* where, int64_t id, const std::string& token, SongRecord& out);
    bool Exec(const char* sql);

    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

}  // namespace vl::lyricsd
