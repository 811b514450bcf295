#include "ui/skin_file.h"

#include <cwchar>

#include "platform/text.h"
#include "settings/ini_reader.h"

namespace vl {

int32_t ParseSkinInt(const std::wstring& text) {
    long long v = std::wcstoll(text.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t ParseSkinColor(const std::wstring& text) {
    size_t first = text.find(L',');
    if (first == std::wstring::npos) return -1;
    size_t second = text.find(L',', first + 1);
    if (second == std::wstring::npos) return -1;
    uint32_t red = static_cast<uint32_t>(ParseSkinInt(text)) & 0xFF;
    uint32_t green = static_cast<uint32_t>(ParseSkinInt(text.substr(first + 1))) & 0xFF;
    uint32_t blue = static_cast<uint32_t>(ParseSkinInt(text.substr(second + 1))) & 0xFF;
    return static_cast<int32_t>(red | green << 8 | blue << 16);
}

std::wstring SkinFolder(const std::wstring& path) {
    size_t slash = path.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring SizedBackgroundKey(int screenWidth, int screenHeight) {
    return L"Background" + std::to_wstring(screenWidth) + L"x" + std::to_wstring(screenHeight);
}

SkinFile::SkinFile(const std::wstring& path) {
    if (path.empty()) return;
    file_ = std::fopen(NativePath(path).c_str(), "r");
    folder_ = SkinFolder(path);
}

SkinFile::~SkinFile() {
    if (file_) std::fclose(file_);
}

bool SkinFile::Read(const std::wstring& section, const std::wstring& key, std::wstring& value) const {
    value.clear();
    return file_ && ReadIniValue(file_, section, key, value);
}

std::wstring SkinFile::BitmapPath(const std::wstring& section, const std::wstring& key) const {
    std::wstring name;
    Read(section, key, name);
    return folder_ + name;
}

void SkinFile::ReadFlag(const std::wstring& section, const std::wstring& key, uint32_t& flag) const {
    std::wstring value;
    if (Read(section, key, value) && !value.empty()) flag = ParseSkinInt(value) != 0 ? 1 : 0;
}

void SkinFile::ReadColor(const std::wstring& section, const std::wstring& key, uint32_t& color) const {
    std::wstring value;
    if (!Read(section, key, value)) return;
    int32_t parsed = ParseSkinColor(value);
    if (parsed != -1) color = static_cast<uint32_t>(parsed);
}

int SkinFile::ReadVersion(const std::wstring& section) const {
    std::wstring value;
    return Read(section, L"Version", value) ? ParseSkinInt(value) : 2;
}

}  // namespace vl
