#pragma once
// What the file browser shows of the file system: the sub-folders of a tree item and the
// files of a folder that match the caller's extensions, with their size texts. Paths use '/';
// the empty path is the device root ("/"), and a child's path is its parent's + "/" + name.
// Unreadable folders simply give nothing.
#include <cstdint>
#include <string>
#include <vector>

namespace vl {

// "1.0MB" above 1048576 bytes, "1024.0KB" above 1024, else "1024B".
std::wstring FormatBrowseSize(uint64_t size);
// Whether name ends with the extension entry ("mp3" also matches "xmp3"), ignoring case.
bool MatchesExtension(const std::wstring& name, const std::wstring& entry);
// parent + "/" + name (the root's children are "/name").
std::wstring BrowseChildPath(const std::wstring& parent, const std::wstring& name);

struct BrowseFolder {
    std::wstring name;
    bool hasChildren = false;  // it holds at least one folder itself
};
// Sub-folders of a folder (links to folders included), sorted by name.
std::vector<BrowseFolder> ListBrowseFolders(const std::wstring& folder);

struct BrowseFile {
    std::wstring name;
    std::wstring path;
    uint64_t size = 0;
};
// The files of folder that match the entries: grouped by entry in the entries' order, each
// group by name. With includeSubfolders the files of every sub-folder follow, depth first;
// links to folders and /proc, /sys and /dev are never entered, so the walk always ends.
// Files whose path has maxPath characters or more are left out (the caller could not hold
// them).
std::vector<BrowseFile> ListBrowseFiles(const std::wstring& folder, const std::vector<std::wstring>& extensions,
                                        bool includeSubfolders, size_t maxPath);

}  // namespace vl
