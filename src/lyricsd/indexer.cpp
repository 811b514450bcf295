#include "lyricsd/indexer.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "engine/input/mpeg_input.h"
#include "engine/input/ogg_input.h"
#include "engine/input/tags.h"
#include "lyrics/lyrics_model.h"
#include "platform/files.h"
#include "platform/text.h"

namespace vl::lyricsd {

namespace {


std::wstring Trim(const std::wstring& s) {
    size_t a = s.find_first_not_of(L" \t");
    if (a == std::wstring::npos) return std::wstring();
    return s.substr(a, s.find_last_not_of(L" \t") - a + 1);
}

bool HasLrcExtension(const std::string& name) {
    if (name.size() < 5) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == ".lrc";
}

// Tags of the audio file beside the lyric file (same name, an audio extension).
bool SiblingAudioTags(const std::string& lrcPath, TagInfo& tags) {
    std::string stem = lrcPath.substr(0, lrcPath.size() - 4);
    for (const char* ext : {".mp3", ".ogg", ".mp2", ".mpa", ".rmp", ".MP3", ".OGG", ".MP2", ".MPA", ".RMP"}) {
        std::wstring audio = WidePath(stem + ext);
        struct stat st;
        if (stat((stem + ext).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        tags = TagInfo{};
        if (ReadOggFileTags(audio, tags)) return true;
        if (IsMpegFile(audio) && ReadId3v1(audio, tags)) return true;
    }
    return false;
}

int64_t ModificationTime(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

bool DescribeLyricFile(const std::string& path, SongRecord& out) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxIndexedLyricBytes) return false;
    std::string bytes;
    if (!ReadFileBytes(WidePath(path), bytes, kMaxIndexedLyricBytes)) return false;
    LyricsModel model;
    model.LoadBytes(bytes);
    out.path = path;
    out.mtime = ModificationTime(st);
    out.size = static_cast<int64_t>(st.st_size);
    out.singer = Trim(model.GetIdTag(L"ar"));
    out.title = Trim(model.GetIdTag(L"ti"));
    out.album = Trim(model.GetIdTag(L"al"));
    std::wstring length = model.GetIdTag(L"length");
    out.duration = length.empty() ? -1.0 : ParseLyricTime(length);
    if (out.singer.empty() || out.title.empty()) {
        TagInfo tags{};
        if (SiblingAudioTags(path, tags)) {
            if (out.singer.empty()) out.singer = Trim(TagText(tags.artist));
            if (out.title.empty()) out.title = Trim(TagText(tags.title));
            if (out.album.empty()) out.album = Trim(TagText(tags.album));
        }
    }
    if (out.singer.empty() || out.title.empty()) {
        std::wstring stem = BaseName(WidePath(path));
        stem.resize(stem.size() - 4);
        size_t dash = stem.find(L" - ");
        std::wstring nameSinger = dash == std::wstring::npos ? std::wstring() : Trim(stem.substr(0, dash));
        std::wstring nameTitle = Trim(dash == std::wstring::npos ? stem : stem.substr(dash + 3));
        if (out.singer.empty()) out.singer = nameSinger;
        if (out.title.empty()) out.title = nameTitle;
    }
    return true;
}

Indexer::Indexer(Catalogue& catalogue, std::vector<std::string> roots)
    : catalogue_(catalogue), roots_(std::move(roots)) {}

Indexer::~Indexer() {
    if (inotify_ >= 0) close(inotify_);
    for (int fd : wakeup_)
        if (fd >= 0) close(fd);
}

void Indexer::Scan() {
    const int64_t before = changes_;
    seenFolders_.clear();
    folders_.clear();
    catalogue_.Begin();
    for (const std::string& root : roots_) Walk(root);
    // Rows of folders that are no longer reached.
    for (const std::string& path : catalogue_.AllPaths()) {
        size_t slash = path.find_last_of('/');
        std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash);
        if (!folders_.count(dir)) {
            catalogue_.Remove(path);
            ++changes_;
        }
    }
    catalogue_.Commit();
    // A large pass leaves the full-text index in many pieces, which every search would merge.
    if (changes_ - before >= 1000) catalogue_.MergeTextIndex();
}

void Indexer::Walk(const std::string& root) {
    // Depth first with our own stack; every folder (also through a link) is entered once.
    std::vector<std::string> pending{root};
    while (!pending.empty()) {
        std::string dir = std::move(pending.back());
        pending.pop_back();
        struct stat st;
        if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
        if (!seenFolders_.insert({st.st_dev, st.st_ino}).second) continue;
        folders_.insert(dir);
        ScanFolder(dir);
        if (inotify_ >= 0) Watch(dir);
        DIR* d = opendir(dir.c_str());
        if (!d) continue;
        while (struct dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == ".." || e->d_type == DT_REG) continue;
            std::string sub = dir + "/" + name;
            struct stat sst;
            if (stat(sub.c_str(), &sst) == 0 && S_ISDIR(sst.st_mode)) pending.push_back(sub);
        }
        closedir(d);
    }
}

void Indexer::ScanFolder(const std::string& dir) {
    std::map<std::string, Catalogue::FileState> known = catalogue_.FilesIn(dir);
    DIR* d = opendir(dir.c_str());
    if (d) {
        while (struct dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (!HasLrcExtension(name)) continue;
            std::string path = dir + "/" + name;
            struct stat st;
            if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            auto it = known.find(path);
            if (it != known.end() && it->second.mtime == ModificationTime(st) && it->second.size == st.st_size) {
                known.erase(it);
                continue;
            }
            SongRecord record;
            if (!DescribeLyricFile(path, record)) continue;
            if (catalogue_.Put(record, dir)) {
                ++changes_;
                known.erase(path);
            }
        }
        closedir(d);
    }
    for (const auto& gone : known) {
        catalogue_.Remove(gone.first);
        ++changes_;
    }
}

void Indexer::Watch(const std::string& dir) {
    int wd = inotify_add_watch(inotify_, dir.c_str(),
                               IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    if (wd >= 0) watches_[wd] = dir;
}

bool Indexer::StartWatching(std::string* error) {
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0 || pipe2(wakeup_, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error) *error = std::string("inotify: ") + std::strerror(errno);
        return false;
    }
    for (const std::string& dir : folders_) Watch(dir);
    return true;
}

void Indexer::Stop() {
    stop_ = true;
    if (wakeup_[1] >= 0) {
        char c = 0;
        if (write(wakeup_[1], &c, 1) < 0) {
        }
    }
}

void Indexer::WatchLoop() {
    if (inotify_ < 0) return;
    std::set<std::string> dirty;
    bool rescanAll = false;
    alignas(inotify_event) char buffer[64 * 1024];
    while (!stop_) {
        pollfd fds[2] = {{inotify_, POLLIN, 0}, {wakeup_[0], POLLIN, 0}};
        // Changes come in bursts (a copy writes many files): apply them once it is quiet.
        bool pending = rescanAll || !dirty.empty();
        int n = poll(fds, 2, pending ? 200 : -1);
        if (stop_) break;
        if (n < 0 && errno != EINTR) break;
        if (n > 0 && (fds[0].revents & POLLIN)) {
            ssize_t len;
            while ((len = read(inotify_, buffer, sizeof(buffer))) > 0) {
                for (char* p = buffer; p < buffer + len;) {
                    auto* ev = reinterpret_cast<inotify_event*>(p);
                    p += sizeof(inotify_event) + ev->len;
                    if (ev->mask & IN_Q_OVERFLOW) {
                        rescanAll = true;
                        continue;
                    }
                    auto it = watches_.find(ev->wd);
                    if (it == watches_.end()) continue;
                    if (ev->mask & IN_IGNORED) {
                        watches_.erase(it);
                        continue;
                    }
                    bool isDir = (ev->mask & IN_ISDIR) != 0;
                    if (isDir || (ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF))) rescanAll = true;
                    else dirty.insert(it->second);
                }
            }
            continue;
        }
        if (n == 0 && pending) {
            if (rescanAll) {
                Scan();
            } else {
                catalogue_.Begin();
                for (const std::string& dir : dirty) ScanFolder(dir);
                catalogue_.Commit();
            }
            dirty.clear();
            rescanAll = false;
        }
    }
}

}  // namespace vl::lyricsd
