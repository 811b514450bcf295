#pragma once
// Keeps the catalogue in step with the lyric files under the library folders: a full pass at
// start (incremental by modification time and size), then inotify events rescan the folders
// that changed. Runs on the thread that calls it; Stop may be called from any thread.
#include <sys/types.h>

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lyricsd/catalogue.h"

namespace vl::lyricsd {

// Lyric files above this size are not indexed (the player reads no more of one).
constexpr int64_t kMaxIndexedLyricBytes = 8 << 20;

// Singer, title, album and length of one lyric file: its [ar:] [ti:] [al:] [length:] tags,
// else the tags of the audio file of the same name beside it, else an "Artist - Title" file
// name (a name without " - " is the title). False when the file cannot be read.
bool DescribeLyricFile(const std::string& path, SongRecord& out);

class Indexer {
public:
    Indexer(Catalogue& catalogue, std::vector<std::string> roots);
    ~Indexer();
    // A whole pass over the roots; files and folders that are gone leave the index.
    void Scan();
    // Starts inotify on every folder the last Scan entered and those later scans enter. False
    // (error set) when inotify cannot be used; the index then stays as Scan leaves it.
    bool StartWatching(std::string* error);
    // Waits for changes and applies them until Stop.
    void WatchLoop();
    void Stop();
    int64_t changes() const { return changes_; }

private:
    void Walk(const std::string& root);
    void ScanFolder(const std::string& dir);
    void Watch(const std::string& dir);

    Catalogue& catalogue_;
    std::vector<std::string> roots_;
    std::set<std::pair<dev_t, ino_t>> seenFolders_;
    std::set<std::string> folders_;
    int inotify_ = -1;
    int wakeup_[2] = {-1, -1};
    std::map<int, std::string> watches_;
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> changes_{0};
};

}  // namespace vl::lyricsd
