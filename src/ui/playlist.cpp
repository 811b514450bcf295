#include "ui/playlist.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <set>
#include <utility>
#include <vector>

#include "engine/input/tags.h"
#include "engine/player_engine.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"
#include "settings/known_extensions.h"
#include "ui/playlist_files.h"

namespace vl {

namespace {


// What a sort by file name compares: the part after the last '/' of a file path, and the
// whole text of a URL (its slashes are not folders).
const wchar_t* SortName(const PlaylistEntry* entry) {
    const std::wstring& path = entry->path;
    if (Playlist::IsUrl(path)) return path.c_str();
    size_t slash = path.find_last_of(L'/');
    return slash == std::wstring::npos ? path.c_str() : path.c_str() + slash + 1;
}

int CompareEntries(void* a, void* b, intptr_t key) {
    auto* ea = static_cast<PlaylistEntry*>(a);
    auto* eb = static_cast<PlaylistEntry*>(b);
    if (key == 0) return wcscasecmp(SortName(ea), SortName(eb));
    return wcscasecmp(ea->path.c_str(), eb->path.c_str());
}

// The extension after the last dot of a file name, lower-cased; empty when there is none.
std::wstring LowerExtension(const std::wstring& name) {
    size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? std::wstring() : LowerPath(name.substr(dot + 1));
}

}  // namespace

std::set<std::wstring> PluginExtensions(PlayerEngine* engine) {
    std::set<std::wstring> out;
    if (!engine) return out;
    for (int i = 0; i < engine->GetPluginCount(); ++i) {
        const VlDecoderRecord* plugin = engine->GetPlugin(i);
        if (!plugin || !plugin->GetExtensionCount || !plugin->GetExtension) continue;
        int count = plugin->GetExtensionCount();
        for (int k = 0; k < count; ++k) {
            wchar_t ext[32] = {};
            wchar_t description[260] = {};
            if (!plugin->GetExtension(k, ext, description)) continue;
            ext[31] = 0;
            std::wstring e(ext);
            if (!e.empty() && !IsKnownExtension(e, false)) out.insert(LowerPath(e));
        }
    }
    return out;
}

Playlist::Playlist(PlayerEngine* engine) : engine_(engine) {}

Playlist::~Playlist() { DeleteAllEntries(); }

void Playlist::Changed() {
    if (batch_ > 0) {
        pendingChange_ = true;
        return;
    }
    if (hooks_.changed) hooks_.changed();
}

void Playlist::BeginBatch() { ++batch_; }

void Playlist::EndBatch() {
    if (batch_ > 0 && --batch_ == 0 && pendingChange_) {
        pendingChange_ = false;
        Changed();
    }
}

// Paths compare exactly: names that differ only in case are different files here.
void Playlist::IndexAdd(const std::wstring& path) { ++pathIndex_[path]; }

void Playlist::IndexRemove(const std::wstring& path) {
    auto it = pathIndex_.find(path);
    if (it != pathIndex_.end() && --it->second <= 0) pathIndex_.erase(it);
}

bool Playlist::IsUrl(const std::wstring& path) { return path.compare(0, 7, L"http://") == 0; }

bool Playlist::IsPlayable(const std::wstring& path) const { return IsUrl(path) || IsRegularFile(path); }

bool Playlist::IsInPlaylist(const std::wstring& path) const {
    if (options_.addExisting) return false;
    return pathIndex_.count(path) != 0;
}

bool Playlist::AddAt(const std::wstring& path, const std::wstring& title, int index) {
    if (!engine_ || !IsPlayable(path)) return false;
    auto* entry = new PlaylistEntry();
    entry->path = path;
    if (!title.empty()) entry->title = title;
    else if (!IsUrl(path)) engine_->ReadFileTags(path, entry->tags);
    if (!entries_.InsertAt(entry, index)) {
        delete entry;
        return false;
    }
    IndexAdd(path);
    // The current index stays on its entry.
    if (current_ >= 0 && index <= current_) ++current_;
    Changed();
    EnsureCurrent();
    return true;
}

bool Playlist::AddEntry(const std::wstring& path, const std::wstring& title) {
    if (!engine_ || IsInPlaylist(path)) return false;
    return AddAt(path, title, entries_.GetCount());
}

bool Playlist::InsertEntry(const std::wstring& path, int index) {
    if (index < 0 || index > entries_.GetCount()) return false;
    return AddAt(path, std::wstring(), index);
}

void Playlist::AddFolderFiles(const std::wstring& folder, const std::vector<DirEntry>& items,
                              const std::set<std::wstring>& pluginExtensions) {
    std::vector<std::wstring> paths;
    for (const DirEntry& item : items) {
        if (item.isDirectory) continue;
        std::wstring ext = LowerExtension(item.name);
        if (ext.empty()) continue;
        if (IsKnownExtension(ext, false) || pluginExtensions.count(ext)) paths.push_back(JoinPath(folder, item.name));
    }
    std::stable_sort(paths.begin(), paths.end(), [](const std::wstring& a, const std::wstring& b) {
        return wcscasecmp(a.c_str(), b.c_str()) < 0;
    });
    for (const std::wstring& path : paths) AddEntry(path);
}

void Playlist::AddFolder(const std::wstring& folder) {
    std::set<std::wstring> pluginExtensions = PluginExtensions(engine_);
    // Depth first, files of a folder before those of its sub-folders. Folders already seen
    // (a link back to a parent) are not entered again, and the walk keeps its own stack, so
    // neither a link loop nor a deep tree can hang or exhaust the call stack.
    std::set<std::pair<dev_t, ino_t>> seen;
    std::vector<std::wstring> pending{folder};
    BeginBatch();
    while (!pending.empty()) {
        std::wstring dir = std::move(pending.back());
        pending.pop_back();
        struct stat st;
        if (stat(NativePath(dir).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        if (!seen.insert({st.st_dev, st.st_ino}).second) continue;
        std::vector<DirEntry> items = ListDirectory(dir);
        AddFolderFiles(dir, items, pluginExtensions);
        if (!options_.searchSubFolders) continue;
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            if (it->isDirectory) pending.push_back(JoinPath(dir, it->name));
    }
    EndBatch();
}

bool Playlist::AddRelative(const std::wstring& folder, const std::wstring& path, const std::wstring& title) {
    if (path.empty()) return false;
    // Only absolute paths and URLs stand alone; anything else names a file beside the playlist,
    // whatever folder the player was started from.
    if (path[0] == L'/' || IsUrl(path)) return AddEntry(path, title);
    std::wstring joined = JoinPath(folder, path);
    if (!IsPlayable(joined) && path.find(L'\\') != std::wstring::npos) {
        // Written on Windows: its separators are ours.
        std::wstring converted(path);
        std::replace(converted.begin(), converted.end(), L'\\', L'/');
        joined = JoinPath(folder, converted);
    }
    return AddEntry(joined, title);
}

void Playlist::HoldOpening(bool hold) { holdOpening_ = hold; }

void Playlist::EnsureCurrent() {
    if (holdOpening_ || current_ != -1 || entries_.GetCount() == 0) return;
    if (hooks_.openEntry) hooks_.openEntry(0);
    else SetCurrentIndex(0);
}

void Playlist::SetCurrentIndex(int index) {
    current_ = (index >= 0 && index < entries_.GetCount()) ? index : -1;
}

void Playlist::MarkOpened(int index) {
    PlaylistEntry* entry = GetEntry(index);
    if (entry && options_.shuffle) entry->played = 1;
}

void Playlist::DeleteAllEntries() {
    for (int i = 0; i < entries_.GetCount(); ++i) delete GetEntry(i);
    entries_.Free();
    pathIndex_.clear();
}

void Playlist::ClearPlaylist() {
    if (hooks_.stopCurrent) hooks_.stopCurrent(true);
    current_ = -1;
    DeleteAllEntries();
    Changed();
}

bool Playlist::DeleteEntry(int index) {
    auto* entry = static_cast<PlaylistEntry*>(entries_.RemoveAt(index));
    if (!entry) return false;
    IndexRemove(entry->path);
    delete entry;
    if (entries_.GetCount() == 0) {
        if (hooks_.stopCurrent) hooks_.stopCurrent(true);
        current_ = -1;
    } else if (index == current_) {
        if (hooks_.stopCurrent) hooks_.stopCurrent(false);
        current_ = -1;
        int next = index < entries_.GetCount() ? index : 0;
        if (hooks_.openEntry) hooks_.openEntry(next);
        else SetCurrentIndex(next);
    } else if (index < current_) {
        --current_;
    }
    Changed();
    return true;
}

bool Playlist::MoveUp(int index) {
    if (index <= 0 || index >= entries_.GetCount()) return false;
    void* above = entries_.GetAt(index - 1);
    entries_.SetAt(index - 1, entries_.GetAt(index));
    entries_.SetAt(index, above);
    if (current_ == index) current_ = index - 1;
    else if (current_ == index - 1) current_ = index;
    Changed();
    return true;
}

bool Playlist::MoveDown(int index) {
    if (index < 0 || index >= entries_.GetCount() - 1) return false;
    return MoveUp(index + 1);
}

void Playlist::SortPlaylist(int key) {
    int count = entries_.GetCount();
    if (count == 0) return;
    for (int i = 0; i < count; ++i) GetEntry(i)->currentMark = (i == current_);
    entries_.Sort(CompareEntries, key == 0 ? 0 : 1);
    for (int i = 0; i < count; ++i) {
        PlaylistEntry* entry = GetEntry(i);
        if (entry->currentMark) current_ = i;
        entry->currentMark = 0;
    }
    Changed();
}

bool Playlist::GetEntryTitle(int index, std::wstring& out) {
    PlaylistEntry* entry = GetEntry(index);
    if (!entry) return false;
    if (IsUrl(entry->path)) {
        std::wstring station;
        if (index == current_ && engine_ && engine_->GetStreamInfo(&station, nullptr, nullptr) && !station.empty()) {
            entry->title = station;
            out = station;
        } else {
            out = entry->title.empty() ? entry->path : entry->title;
        }
        return true;
    }
    std::wstring tagTitle = TagText(entry->tags.title);
    if (!tagTitle.empty()) {
        std::wstring artist = TagText(entry->tags.artist);
        out = artist.empty() ? tagTitle : artist + L" - " + tagTitle;
        return true;
    }
    if (entry->title.empty()) {
        std::wstring name = BaseName(entry->path);
        size_t dot = name.find_last_of(L'.');
        // A name that is all extension (".mp3") keeps its text rather than becoming empty.
        if (dot != std::wstring::npos && dot > 0) name.erase(dot);
        entry->title = name;
    }
    out = entry->title;
    return true;
}

void Playlist::GetStreamStatus(std::wstring& out) {
    out.clear();
    if (!engine_) return;
    switch (engine_->GetStreamState()) {
    case kStreamConnecting:
        out = L"Connecting...";
        break;
    case kStreamBuffering: {
        StreamSettings settings;
        engine_->GetStreamSettings(settings);
        int percent = settings.prebufferBlocks > 0 ? engine_->GetStreamBuffered() * 100 / settings.prebufferBlocks : 0;
        wchar_t text[64];
        swprintf(text, 64, L"Buffering...   %d%%", percent);
        out = text;
        break;
    }
    case kStreamReceiving:
        engine_->GetStreamTitle(out);
        break;
    default:
        break;
    }
}

int Playlist::GetNextIndex(bool autoAdvance, bool noWrap) {
    int count = entries_.GetCount();
    if (current_ < 0 || count == 0) return -1;
    if (options_.shuffle) {
        bool allPlayed = true;
        for (int i = 0; i < count && allPlayed; ++i)
            if (!GetEntry(i)->played) allPlayed = false;
        if (allPlayed) {
            ResetPlayed();
            if (noWrap) return -1;
            if (autoAdvance && options_.repeat == 0) return -1;
        }
        int r;
        do r = std::rand() % count;
        while (GetEntry(r)->played);
        return r;
    }
    if (current_ < count - 1) return current_ + 1;
    if (noWrap) return -1;
    if (autoAdvance && options_.repeat == 0) return -1;
    return 0;
}

int Playlist::GetPreviousIndex() {
    if (current_ < 0) return -1;
    if (options_.shuffle) return current_;
    if (current_ > 0) return current_ - 1;
    return entries_.GetCount() - 1;
}

void Playlist::ResetPlayed() {
    for (int i = 0; i < entries_.GetCount(); ++i) GetEntry(i)->played = 0;
}

void Playlist::SetShuffle(bool on) {
    options_.shuffle = on;
    if (on) {
        std::srand(GetTickCount());
        MarkOpened(current_);
    } else {
        ResetPlayed();
    }
}

void Playlist::RestartShufflePass() {
    if (!options_.shuffle) return;
    ResetPlayed();
    MarkOpened(current_);
}

std::wstring Playlist::GetDefaultPlaylistPath() { return JoinPath(GetDataDir(), L"versolune.m3u"); }

}  // namespace vl
