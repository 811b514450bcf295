#pragma once
// The program's registry: two roots (HKEY_CURRENT_USER for the settings, HKEY_CLASSES_ROOT for
// the file associations), keys addressed by paths with '\' between the names, and typed values
// kept as bytes (REG_DWORD = 4 bytes little-endian, REG_SZ = UTF-16LE with its terminating zero).
// Key and value names compare ignoring case; the empty value name is the key's default value.
//
// Each root lives in one text file under the config folder, "HKEY_CURRENT_USER.reg" (mode 0600:
// it holds the lyrics service pass) and "HKEY_CLASSES_ROOT.reg", in the form of registry_file.h.
// The file is read on first use and rewritten as a whole (temp file, fsync, rename) when a key
// handle that changed something is closed. A file that cannot be read, or a line that is not
// sound, is reported once on stderr. Sound lines are still read (a bad [key] line drops the
// values under it). The damaged file is left as it is until the next successful save, which
// first keeps it beside itself as "*.damaged".
#include <cstdint>
#include <memory>
#include <string>

#include "platform/critical_section.h"
#include "platform/registry_file.h"

namespace vl {

enum RegRoot { HKEY_CLASSES_ROOT = 0, HKEY_CURRENT_USER = 1 };

// The key tree of one root and its file.
class Registry {
public:
    static Registry& Get(RegRoot root);

    // fileMode: the permissions the file is written with.
    Registry(const std::wstring& fileName, const std::wstring& title, unsigned fileMode = 0644);
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    bool KeyExists(const std::wstring& path);
    bool CreateKey(const std::wstring& path);
    // Deletes the key with everything below it and saves at once. The root cannot be deleted.
    bool DeleteKey(const std::wstring& path);
    bool QueryValue(const std::wstring& path, const std::wstring& name, uint32_t* type,
                    std::string* data);
    bool SetValue(const std::wstring& path, const std::wstring& name, uint32_t type,
                  const std::string& data);
    bool DeleteValue(const std::wstring& path, const std::wstring& name);
    // Name of the value / sub-key number index (values in their order, sub-keys sorted).
    bool EnumValue(const std::wstring& path, int index, std::wstring* name);
    bool EnumKey(const std::wstring& path, int index, std::wstring* name);

    // Writes the file when something changed since the last save; false when that failed
    // (the changes stay pending and the old file stays in place).
    bool Flush();
    // Forgets the copy in memory, pending changes included; the next use reads the file again.
    void Discard();
    std::wstring FilePath();

private:
    RegNode* Find(const std::wstring& path);
    RegNode* Make(const std::wstring& path);
    void EnsureLoaded();

    CriticalSection lock_;
    std::wstring fileName_;
    std::wstring title_;
    unsigned fileMode_;
    std::wstring loadedPath_;  // empty while nothing is loaded
    std::unique_ptr<RegNode> root_;
    bool dirty_ = false;
    bool damaged_ = false;     // the file on disk was not fully sound when it was read
};

// An open key: RegOpenKeyExW / RegCreateKeyExW / RegCloseKey. Closing (or destroying) a handle
// that changed something saves the root's file.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Open fails when the key does not exist; Create makes it and its parents. An empty path
    // is the root (or the parent) itself.
    bool Open(RegRoot root, const std::wstring& path);
    bool Create(RegRoot root, const std::wstring& path);
    bool Open(const RegKey& parent, const std::wstring& subPath);
    bool Create(const RegKey& parent, const std::wstring& subPath);
    bool IsOpen() const { return registry_ != nullptr; }
    // Saves pending changes; false when that failed.
    bool Close();

    // RegQueryValueExW: *size is the buffer size in bytes on entry and the data size on return.
    // With data == nullptr only the size is reported. Data larger than the buffer fails and
    // leaves the buffer untouched.
    bool QueryValue(const std::wstring& name, uint32_t* type, void* data, uint32_t* size) const;
    bool SetValue(const std::wstring& name, uint32_t type, const void* data, uint32_t size);
    bool DeleteValue(const std::wstring& name);
    bool EnumValue(int index, std::wstring* name) const;
    bool EnumKey(int index, std::wstring* name) const;

    // A number read with a 4-byte buffer: succeeds only for exactly 4 bytes of data, so a wrong
    // size keeps the caller's value. The type is examined only when requireDword is set.
    bool QueryDword(const std::wstring& name, int32_t& value, bool requireDword = false) const;
    // A text read with a buffer of bufferBytes (counted in characters of 2 bytes, room for the
    // terminator included); fails when it does not fit. The type is not examined.
    bool QueryString(const std::wstring& name, std::wstring& value, uint32_t bufferBytes) const;
    bool SetDword(const std::wstring& name, int32_t value);
    bool SetString(const std::wstring& name, const std::wstring& value);

    const std::wstring& Path() const { return path_; }

private:
    bool Attach(Registry* registry, std::wstring path, bool create);

    Registry* registry_ = nullptr;
    std::wstring path_;
    bool changed_ = false;
};

// RegDeleteKeyW: deletes the key and its sub-keys.
bool RegDeleteKey(RegRoot root, const std::wstring& path);

}  // namespace vl
