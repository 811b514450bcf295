#include "ui/playlist_files.h"

#include <cstring>
#include <cwctype>

#include "platform/text.h"
#include "settings/ini_reader.h"

namespace vl {

namespace {

bool IsTrailingBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; }

// A line without its line end and trailing blanks; a line written on Windows loses its "\r".
std::wstring TrimLine(std::wstring line) {
    while (!line.empty() && IsTrailingBlank(line.back())) line.pop_back();
    return line;
}

}  // namespace

std::vector<PlaylistFileItem> ParseM3u(const std::string& bytes) {
    std::vector<PlaylistFileItem> items;
    std::wstring title;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        // A line ends at a NUL byte, as it would for the C library's line reader.
        size_t length = end - pos;
        const void* nul = std::memchr(bytes.data() + pos, 0, length);
        if (nul) length = static_cast<size_t>(static_cast<const char*>(nul) - (bytes.data() + pos));
        std::wstring line = TrimLine(AnsiOrUtf8ToWide(bytes.data() + pos, length));
        pos = end + 1;
        if (line.empty()) continue;
        if (line[0] == L'#') {
            if (line.compare(0, 7, L"#EXTINF") == 0) {
                title.clear();
                size_t comma = line.find(L',');
                if (comma != std::wstring::npos) {
                    size_t start = line.find_first_not_of(L' ', comma + 1);
                    if (start != std::wstring::npos) title = line.substr(start);
                }
            }
            continue;
        }
        PlaylistFileItem item;
        item.path = std::move(line);
        item.title = std::move(title);
        title.clear();
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<PlaylistFileItem> ParsePls(FILE* file) {
    std::vector<PlaylistFileItem> items;
    if (!file) return items;
    for (int n = 1;; ++n) {
        PlaylistFileItem item;
        if (!ReadIniValue(file, L"playlist", L"File" + std::to_wstring(n), item.path)) break;
        ReadIniValue(file, L"playlist", L"Title" + std::to_wstring(n), item.title);
        items.push_back(std::move(item));
    }
    return items;
}

std::string FormatM3u(const std::wstring& folder, const std::vector<PlaylistFileItem>& items) {
    std::wstring prefix;
    if (!folder.empty()) prefix = folder.back() == L'/' ? folder : folder + L"/";
    std::string out = "#EXTM3U\n";
    for (const PlaylistFileItem& item : items) {
        if (item.path.find(L'\n') != std::wstring::npos) continue;
        std::wstring title = item.title;
        for (wchar_t& c : title)
            if (c == L'\r' || c == L'\n') c = L' ';
        out += WideToAnsiOrUtf8(L"#EXTINF:" + std::to_wstring(item.seconds) + L"," + title);
        out += '\n';
        // A relative name that begins with '#' would read back as a comment: write it whole.
        bool inFolder = !prefix.empty() && item.path.size() > prefix.size() &&
                        item.path.compare(0, prefix.size(), prefix) == 0 && item.path[prefix.size()] != L'#';
        out += WideToAnsiOrUtf8(inFolder ? item.path.substr(prefix.size()) : item.path);
        out += '\n';
    }
    return out;
}

std::wstring LowerPath(const std::wstring& path) {
    std::wstring lower(path);
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    return lower;
}

std::wstring PlaylistFileExtension(const std::wstring& path) {
    size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos) return std::wstring();
    return LowerPath(path.substr(dot + 1, 3));
}

}  // namespace vl
