#pragma once
// File and folder helpers, and the program's own folders.
#include <cstdint>
#include <string>
#include <vector>

namespace vl {

bool FileExists(const std::wstring& path);       // a regular file (or anything not a folder)
bool IsDirectory(const std::wstring& path);
// A folder in which this process may create files (empty path = the working folder).
bool IsWritableDirectory(const std::wstring& path);
// Only a regular file (after links): a FIFO or device would block or never end when read.
bool IsRegularFile(const std::wstring& path);
bool MakeDirectory(const std::wstring& path);    // true if it exists afterwards
bool DeleteFile(const std::wstring& path);
bool RenameFile(const std::wstring& from, const std::wstring& to);
int64_t GetFileSize(const std::wstring& path);   // -1 when it cannot be read

struct DirEntry {
    std::wstring name;
    bool isDirectory = false;
};
// Entries of a folder without "." and "..", in no particular order; empty when unreadable.
std::vector<DirEntry> ListDirectory(const std::wstring& path);

bool ReadFileBytes(const std::wstring& path, std::string& out, size_t maxBytes = SIZE_MAX);
// Writes to a temporary file NAME.tmpPID beside the target, syncs it and renames it into place,
// so the old file survives a crash or a full disk. Temporaries that dead processes left in the
// folder are removed then. mode: the new file's permissions (before umask).
bool WriteFileAtomic(const std::wstring& path, const std::string& bytes, unsigned mode = 0644);

std::wstring GetExecutablePath();
std::wstring GetExecutableDir();
// Folder part of a path (without the trailing '/'), and the part after the last '/'.
std::wstring DirName(const std::wstring& path);
std::wstring BaseName(const std::wstring& path);
std::wstring JoinPath(const std::wstring& dir, const std::wstring& name);

// The program's folders (created on demand): VERSOLUNE_HOME when set, else the XDG folders.
std::wstring GetDataDir();     // playlist, presets, plug-ins
std::wstring GetConfigDir();   // registry files
// Single-instance socket. Empty when its shared fallback /tmp/versolune-UID is refused
// (see EnsurePrivateDirectory); `problem` then says why.
std::wstring GetRuntimeDir(std::string* problem = nullptr);
// Creates the folder with mode 0700 when missing; false (and why) when it is not a folder of
// our own (a link, another user's) or others may enter it.
bool EnsurePrivateDirectory(const std::wstring& path, std::string* problem = nullptr);

}  // namespace vl
