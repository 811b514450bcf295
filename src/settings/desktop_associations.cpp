#include "settings/desktop_associations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cwctype>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/file_types.h"
#include "settings/known_extensions.h"

namespace vl {

namespace {

struct MimeType {
    const char* name;
    const wchar_t* extensions[3];
};
const MimeType kMimeTypes[] = {
    {"audio/mpeg", {L"mp3", L"mp2", L"mpa"}}, {"audio/ogg", {L"ogg"}},       {"audio/x-wav", {L"wav"}},
    {"audio/x-mpegurl", {L"m3u"}},            {"audio/x-scpls", {L"pls"}},
};

const char kSection[] = "[Default Applications]";
const wchar_t kBackupKeyPrefix[] = L"MIME\\Database\\Content Type\\";

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n"), e = s.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The file's lines with their end (the '\n', if any) kept.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

// Index range [first, last) of the section's lines after its header; first = -1 without one.
void FindSection(const std::vector<std::string>& lines, int& header, int& end) {
    header = -1;
    end = static_cast<int>(lines.size());
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        std::string t = Trim(lines[i]);
        if (header < 0 && t == kSection) {
            header = i;
        } else if (header >= 0 && !t.empty() && t[0] == '[') {
            end = i;
            return;
        }
    }
}

bool IsKeyLine(const std::string& line, const std::string& key) {
    size_t eq = line.find('=');
    return eq != std::string::npos && Trim(line.substr(0, eq)) == key;
}

std::string EnvPath(const char* name, const char* homeTail) {
    const char* value = std::getenv(name);
    if (value && value[0] == '/') return value;
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? std::string(home) + homeTail : std::string();
}

bool IsOurs(const std::string& value) {
    std::string first = value.substr(0, value.find(';'));
    return Trim(first) == kDesktopId;
}

bool HasRegisteredExtension(const MimeType& type) {
    for (const wchar_t* extension : type.extensions)
        if (extension && IsFileTypeRegistered(extension, IsKnownExtension(extension, false) ? kAudioFileClass : kPlaylistClass))
            return true;
    return false;
}

// Writes a user launcher when no launcher of our name is installed.
void EnsureLauncher() {
    std::string dataHome = EnvPath("XDG_DATA_HOME", "/.local/share");
    std::vector<std::string> folders;
    if (!dataHome.empty()) folders.push_back(dataHome);
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    for (size_t start = 0; start <= list.size();) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) folders.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    for (const std::string& folder : folders)
        if (FileExists(WidePath(folder + "/applications/" + kDesktopId))) return;
    if (dataHome.empty()) return;
    std::string exe = NativePath(GetExecutablePath()), quoted;
    for (char c : exe) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    std::string mimeTypes;
    for (const MimeType& type : kMimeTypes) mimeTypes += std::string(type.name) + ";";
    std::string entry = "[Desktop Entry]\nType=Application\nName=Versolune\nComment=Audio player with synchronized lyrics\n"
                        "Exec=\"" + quoted + "\" %F\nIcon=versolune\nTerminal=false\nCategories=AudioVideo;Audio;Player;\n"
                        "MimeType=" + mimeTypes + "\n";
    std::wstring folder = WidePath(dataHome + "/applications");
    if (MakeDirectory(WidePath(dataHome)) && MakeDirectory(folder)) WriteFileAtomic(JoinPath(folder, WidePath(kDesktopId)), entry);
}

}  // namespace

const char* MimeTypeOfExtension(const std::wstring& extension) {
    std::wstring lower;
    for (wchar_t c : extension) lower += static_cast<wchar_t>(std::towlower(c));
    for (const MimeType& type : kMimeTypes)
        for (const wchar_t* e : type.extensions)
            if (e && lower == e) return type.name;
    return nullptr;
}

bool GetDefaultApplication(const std::string& text, const std::string& mimeType, std::string& value) {
    std::vector<std::string> lines = SplitLines(text);
    int header, end;
    FindSection(lines, header, end);
    for (int i = header + 1; header >= 0 && i < end; ++i) {
        if (!IsKeyLine(lines[i], mimeType)) continue;
        value = Trim(lines[i].substr(lines[i].find('=') + 1));
        return true;
    }
    return false;
}

std::string SetDefaultApplication(const std::string& text, const std::string& mimeType, const std::string* value) {
    std::vector<std::string> lines = SplitLines(text);
    int header, end;
    FindSection(lines, header, end);
    std::string line = value ? mimeType + "=" + *value + "\n" : std::string();
    int found = -1;
    for (int i = header + 1; header >= 0 && i < end && found < 0; ++i)
        if (IsKeyLine(lines[i], mimeType)) found = i;
    if (found >= 0) {
        lines[found] = line;
    } else if (value) {
        if (header < 0) {
            if (!lines.empty() && lines.back().back() != '\n') lines.back() += '\n';
            if (!lines.empty()) lines.push_back("\n");
            lines.push_back(std::string(kSection) + "\n");
            lines.push_back(line);
        } else {
            // After the section's last line that is not blank.
            int at = end;
            while (at > header + 1 && Trim(lines[at - 1]).empty()) --at;
            if (lines[at - 1].empty() || lines[at - 1].back() != '\n') lines[at - 1] += '\n';
            lines.insert(lines.begin() + at, line);
        }
    }
    std::string out;
    for (const std::string& l : lines) out += l;
    return out;
}

bool SyncDesktopDefaults() {
    std::string configHome = EnvPath("XDG_CONFIG_HOME", "/.config");
    if (configHome.empty()) return false;
    std::wstring path = WidePath(configHome + "/mimeapps.list");
    std::string text;
    bool exists = FileExists(path);
    // A file the user made read-only (no write bit at all) is respected even where it could be
    // replaced.
    struct stat info;
    if (exists && (!ReadFileBytes(path, text, 1u << 20) || stat(NativePath(path).c_str(), &info) != 0 ||
                   (info.st_mode & 0222) == 0 || access(NativePath(path).c_str(), W_OK) != 0))
        return false;

    struct Change {
        std::wstring key;
        bool keep;           // true: store backup, false: delete it
        std::string backup;
    };
    std::vector<Change> changes;
    std::string updated = text;
    bool wantLauncher = false;
    for (const MimeType& type : kMimeTypes) {
        std::wstring key = kBackupKeyPrefix + Utf8ToWide(type.name);
        RegKey backupKey;
        std::wstring backup;
        bool owned = backupKey.Open(HKEY_CLASSES_ROOT, key) && backupKey.QueryString(kBackupValueName, backup, 1u << 20);
        backupKey.Close();
        bool wanted = HasRegisteredExtension(type);
        std::string current;
        bool hasCurrent = GetDefaultApplication(updated, type.name, current);
        if (wanted && !owned) {
            std::string ours = kDesktopId;
            updated = SetDefaultApplication(updated, type.name, &ours);
            changes.push_back({key, true, hasCurrent ? current : std::string()});
            wantLauncher = true;
        } else if (wanted) {
            wantLauncher = true;
        } else if (owned) {
            if (hasCurrent && IsOurs(current)) {
                std::string previous = WideToUtf8(backup);
                updated = SetDefaultApplication(updated, type.name, previous.empty() ? nullptr : &previous);
            }
            changes.push_back({key, false, std::string()});
        }
    }
    if (updated != text) {
        if (!MakeDirectory(WidePath(configHome)) || !WriteFileAtomic(path, updated)) return false;
    }
    for (const Change& change : changes) {
        RegKey key;
        if (!key.Create(HKEY_CLASSES_ROOT, change.key)) continue;
        if (change.keep) key.SetString(kBackupValueName, Utf8ToWide(change.backup));
        else key.DeleteValue(kBackupValueName);
    }
    if (wantLauncher) EnsureLauncher();
    return true;
}

}  // namespace vl
