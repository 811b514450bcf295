#pragma once
// The playlist: ordered entries (files or stream URLs), the current entry, and the operations
// that fill, edit and walk it. No window here: the window supplies the engine calls that open
// and stop entries through the hooks, and copies its settings into the options.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/types.h"
#include "platform/files.h"
#include "platform/ptr_array.h"

namespace vl {

class PlayerEngine;

struct PlaylistEntry {
    std::wstring path;       // file path or URL; never changes after the entry is added
    std::wstring title;      // from a playlist file, or cached by GetEntryTitle; empty if none
    TrackInfo trackInfo{};   // filled when the entry is opened
    TagInfo tags{};          // read when added without a title, refreshed when opened
    int32_t played = 0;      // shuffle bookkeeping
    int32_t currentMark = 0; // only during a sort
};

struct PlaylistOptions {
    int repeat = 0;             // "Repeat": 0 none, 1 all, 2 one
    bool shuffle = false;       // "Shuffle"
    bool addExisting = false;   // "AddExisting": the same path may be added twice
    bool searchSubFolders = false;  // "SearchSubFolders"
};

// What the window does for the model. Every hook may be left empty.
struct PlaylistHooks {
    // The window's OpenEntry: stop, open the entry in the engine without playing, then call
    // SetCurrentIndex(index) (also when the open failed) and MarkOpened(index) on success.
    // Without it the model only moves the current index.
    std::function<bool(int index)> openEntry;
    // The current entry is going away: stop playback, and close the track when close is true.
    std::function<void(bool close)> stopCurrent;
    // Entries were added, removed or reordered, or the current index moved with its entry.
    // Folder and playlist-file loads report once at their end.
    std::function<void()> changed;
};

// Extensions that the engine's plug-ins add to the built-in ones, lower-cased, each once.
std::set<std::wstring> PluginExtensions(PlayerEngine* engine);

class Playlist {
public:
    // engine may be null: then nothing can be added.
    explicit Playlist(PlayerEngine* engine);
    virtual ~Playlist();
    Playlist(const Playlist&) = delete;
    Playlist& operator=(const Playlist&) = delete;

    void SetEngine(PlayerEngine* engine) { engine_ = engine; }
    void SetHooks(PlaylistHooks hooks) { hooks_ = std::move(hooks); }
    void SetOptions(const PlaylistOptions& options) { options_ = options; }
    const PlaylistOptions& GetOptions() const { return options_; }

    // ---- filling ----
    // An empty title means none: the tags are then read from the file.
    virtual bool AddEntry(const std::wstring& path, const std::wstring& title = std::wstring());
    // Like AddEntry at index (0..count) without the duplicate test.
    virtual bool InsertEntry(const std::wstring& path, int index);
    virtual void AddFolder(const std::wstring& folder);
    // A path read from a playlist file in folder; relative paths may use '\'.
    virtual bool AddRelative(const std::wstring& folder, const std::wstring& path,
                             const std::wstring& title = std::wstring());

    // ---- editing ----
    virtual bool DeleteEntry(int index);
    virtual bool MoveUp(int index);
    virtual bool MoveDown(int index);
    // Stops and closes the track (stopCurrent(true)), then deletes every entry.
    virtual void ClearPlaylist();
    // key 0: file name, 1: full path; the current entry stays current.
    virtual void SortPlaylist(int key);

    // ---- access ----
    int GetEntryCount() const { return entries_.GetCount(); }
    PlaylistEntry* GetEntry(int index) const { return static_cast<PlaylistEntry*>(entries_.GetAt(index)); }
    int GetCurrentIndex() const { return current_; }
    // Any value outside 0..count-1 means none (-1).
    void SetCurrentIndex(int index);
    virtual bool GetEntryTitle(int index, std::wstring& out);
    virtual void GetStreamStatus(std::wstring& out);

    // ---- walking ----
    // autoAdvance: the track reached its natural end; noWrap: it ended by an error.
    virtual int GetNextIndex(bool autoAdvance, bool noWrap);
    virtual int GetPreviousIndex();
    virtual void ResetPlayed();
    // The entry was opened: in shuffle mode it counts as played.
    void MarkOpened(int index);
    // Switches shuffle with its bookkeeping (new random sequence, or all flags cleared).
    void SetShuffle(bool on);
    // A new shuffle pass that starts from the current entry (Stop in shuffle mode).
    void RestartShufflePass();
    // Opens entry 0 when there is no current entry, unless opening is held.
    virtual void EnsureCurrent();
    // While held, adding to an empty list opens nothing (a list being restored).
    void HoldOpening(bool hold);

    // ---- tests ----
    virtual bool IsPlayable(const std::wstring& path) const;
    static bool IsUrl(const std::wstring& path);
    virtual bool IsInPlaylist(const std::wstring& path) const;

    // ---- playlist files ----
    // <data folder>/versolune.m3u
    static std::wstring GetDefaultPlaylistPath();
    static bool IsPlaylistFile(const std::wstring& path);
    virtual void LoadPlaylist(const std::wstring& path);
    // Always M3U. An empty playlist removes the file. False when the file could not be
    // written (the old one is then left as it was) or removed.
    virtual bool SavePlaylist(const std::wstring& path);
    virtual bool WriteM3u(const std::wstring& path);
    virtual void ReadM3u(const std::wstring& path);
    virtual void ReadPls(const std::wstring& path);

protected:
    void Changed();
    // Changes inside a batch are reported once, when the outermost batch ends.
    void BeginBatch();
    void EndBatch();
    bool AddAt(const std::wstring& path, const std::wstring& title, int index);
    void AddFolderFiles(const std::wstring& folder, const std::vector<DirEntry>& items,
                        const std::set<std::wstring>& pluginExtensions);
    void IndexAdd(const std::wstring& path);
    void IndexRemove(const std::wstring& path);
    void DeleteAllEntries();

    PlayerEngine* engine_;
    PlaylistHooks hooks_;
    PlaylistOptions options_;
    PtrArray entries_;
    int current_ = -1;
    int batch_ = 0;
    bool pendingChange_ = false;
    bool holdOpening_ = false;
    // Path -> number of entries with it, for the duplicate test.
    std::unordered_map<std::wstring, int> pathIndex_;
};

}  // namespace vl
