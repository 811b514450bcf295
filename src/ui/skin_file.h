#pragma once
// Reading a skin description (.gps): an 8-bit INI text with one section per window kind and
// bitmap names relative to the file. The images themselves are loaded by the GUI.
#include <cstdint>
#include <cstdio>
#include <string>

namespace vl {

constexpr wchar_t kSkinSection[] = L"Versolune Skin";
constexpr wchar_t kPocketSkinSection[] = L"Versolune Skin PocketPC";

// "r,g,b" (decimal, each cut to its low 8 bits) as red | green << 8 | blue << 16; -1 when the
// text has fewer than two commas.
int32_t ParseSkinColor(const std::wstring& text);

// A base-10 integer the way wcstol reads it; text that is not a number counts as 0.
int32_t ParseSkinInt(const std::wstring& text);

// The folder part of a skin path, up to and including its last '/' (empty without one).
std::wstring SkinFolder(const std::wstring& path);

// The key of the background made for one screen size, e.g. "Background240x320".
std::wstring SizedBackgroundKey(int screenWidth, int screenHeight);

// One open skin file. A file that cannot be opened finds nothing, like an empty one.
class SkinFile {
public:
    SkinFile() = default;
    explicit SkinFile(const std::wstring& path);
    ~SkinFile();
    SkinFile(const SkinFile&) = delete;
    SkinFile& operator=(const SkinFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    const std::wstring& Folder() const { return folder_; }

    // The value of `key` in `section`; false (value empty) when not found.
    bool Read(const std::wstring& section, const std::wstring& key, std::wstring& value) const;
    // The path of the bitmap named by `key`: folder + value (just the folder when the key is
    // missing, which names no loadable bitmap).
    std::wstring BitmapPath(const std::wstring& section, const std::wstring& key) const;
    // Sets `flag` to (value != 0) when the key has a non-empty value; otherwise leaves it.
    void ReadFlag(const std::wstring& section, const std::wstring& key, uint32_t& flag) const;
    // Replaces `color` when the key holds a valid colour.
    void ReadColor(const std::wstring& section, const std::wstring& key, uint32_t& color) const;
    // "Version" of the section: 2 when missing.
    int ReadVersion(const std::wstring& section) const;

private:
    FILE* file_ = nullptr;
    std::wstring folder_;
};

}  // namespace vl
