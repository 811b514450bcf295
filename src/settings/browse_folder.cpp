#include "settings/browse_folder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <set>
#include <utility>

#include "platform/files.h"
#include "platform/text.h"

namespace vl {

namespace {

std::wstring FolderOf(const std::wstring& path) { return path.empty() ? std::wstring(L"/") : path; }

bool ByName(const DirEntry& a, const DirEntry& b) { return a.name < b.name; }

std::vector<DirEntry> SortedEntries(const std::wstring& folder) {
    std::vector<DirEntry> entries = ListDirectory(FolderOf(folder));
    std::sort(entries.begin(), entries.end(), ByName);
    return entries;
}

// Kernel trees that are not files a user keeps; walking them never ends or means nothing.
bool IsSystemTree(const std::wstring& path) {
    for (const wchar_t* root : {L"/proc", L"/sys", L"/dev"}) {
        std::wstring r = root;
        if (path == r || path.compare(0, r.size() + 1, r + L"/") == 0) return true;
    }
    return false;
}

using FolderId = std::pair<dev_t, ino_t>;

void ListInto(const std::wstring& folder, const std::vector<std::wstring>& extensions, bool includeSubfolders,
              size_t maxPath, std::set<FolderId>& visited, std::vector<BrowseFile>& out) {
    struct stat st;
    if (stat(NativePath(FolderOf(folder)).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    // A folder met twice (a bind mount inside itself) is listed once.
    if (!visited.insert({st.st_dev, st.st_ino}).second) return;
    std::vector<DirEntry> entries = SortedEntries(folder);
    for (const std::wstring& extension : extensions) {
        if (extension.empty()) continue;
        for (const DirEntry& e : entries) {
            if (e.isDirectory || !MatchesExtension(e.name, extension)) continue;
            BrowseFile file;
            file.name = e.name;
            file.path = BrowseChildPath(folder, e.name);
            if (file.path.size() >= maxPath) continue;
            int64_t size = GetFileSize(file.path);
            file.size = size > 0 ? static_cast<uint64_t>(size) : 0;
            out.push_back(std::move(file));
        }
    }
    if (!includeSubfolders) return;
    for (const DirEntry& e : entries) {
        if (!e.isDirectory) continue;
        std::wstring path = BrowseChildPath(folder, e.name);
        struct stat link;
        if (lstat(NativePath(path).c_str(), &link) != 0 || S_ISLNK(link.st_mode)) continue;
        if (IsSystemTree(path)) continue;
        ListInto(path, extensions, true, maxPath, visited, out);
    }
}

}  // namespace

std::wstring FormatBrowseSize(uint64_t size) {
    char text[64];
    if (size > 1048576) std::snprintf(text, sizeof(text), "%.1fMB", static_cast<double>(size) / 1048576.0);
    else if (size > 1024) std::snprintf(text, sizeof(text), "%.1fKB", static_cast<double>(size) / 1024.0);
    else std::snprintf(text, sizeof(text), "%lluB", static_cast<unsigned long long>(size));
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

bool MatchesExtension(const std::wstring& name, const std::wstring& entry) {
    if (entry.empty() || entry.size() > name.size()) return false;
    size_t offset = name.size() - entry.size();
    for (size_t i = 0; i < entry.size(); ++i)
        if (std::towlower(name[offset + i]) != std::towlower(entry[i])) return false;
    return true;
}

std::wstring BrowseChildPath(const std::wstring& parent, const std::wstring& name) {
    if (!parent.empty() && parent.back() == L'/') return parent + name;
    return parent + L"/" + name;
}

std::vector<BrowseFolder> ListBrowseFolders(const std::wstring& folder) {
    std::vector<BrowseFolder> out;
    for (const DirEntry& e : SortedEntries(folder)) {
        if (!e.isDirectory) continue;
        BrowseFolder child;
        child.name = e.name;
        for (const DirEntry& inner : ListDirectory(BrowseChildPath(folder, e.name)))
            if (inner.isDirectory) {
                child.hasChildren = true;
                break;
            }
        out.push_back(std::move(child));
    }
    return out;
}

std::vector<BrowseFile> ListBrowseFiles(const std::wstring& folder, const std::vector<std::wstring>& extensions,
                                        bool includeSubfolders, size_t maxPath) {
    std::vector<BrowseFile> out;
    std::set<FolderId> visited;
    ListInto(folder, extensions, includeSubfolders, maxPath, visited, out);
    return out;
}

}  // namespace vl
