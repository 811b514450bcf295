#include "platform/files.h"

#include "platform/text.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vl {

bool FileExists(const std::wstring& path) {
    struct stat st;
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsDirectory(const std::wstring& path) {
    struct stat st;
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::wstring& path) {
    struct stat st;
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool MakeDirectory(const std::wstring& path) {
    if (path.empty()) return false;
    if (mkdir(NativePath(path).c_str(), 0755) == 0) return true;
    return errno == EEXIST && IsDirectory(path);
}

bool DeleteFile(const std::wstring& path) { return unlink(NativePath(path).c_str()) == 0; }

bool RenameFile(const std::wstring& from, const std::wstring& to) {
    return rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

int64_t GetFileSize(const std::wstring& path) {
    struct stat st;
    if (stat(NativePath(path).c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

std::vector<DirEntry> ListDirectory(const std::wstring& path) {
    std::vector<DirEntry> out;
    std::string dir = NativePath(path);
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        DirEntry entry;
        entry.name = WidePath(name);
        if (e->d_type == DT_DIR) entry.isDirectory = true;
        else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st;
            entry.isDirectory = stat((dir + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        out.push_back(std::move(entry));
    }
    closedir(d);
    return out;
}

bool ReadFileBytes(const std::wstring& path, std::string& out, size_t maxBytes) {
    out.clear();
    int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    bool ok = true;
    while (out.size() < maxBytes) {
        size_t want = sizeof(buf);
        if (maxBytes - out.size() < want) want = maxBytes - out.size();
        ssize_t n = read(fd, buf, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return ok;
}

bool WriteFileAtomic(const std::wstring& path, const std::string& bytes) {
    std::string target = NativePath(path);
    std::string temp = target + ".tmp" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            unlink(temp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        unlink(temp.c_str());
        return false;
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

std::wstring GetExecutablePath() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return std::wstring();
    buf[n] = 0;
    return WidePath(buf);
}

std::wstring DirName(const std::wstring& path) {
    size_t slash = path.find_last_of(L'/');
    if (slash == std::wstring::npos) return std::wstring();
    if (slash == 0) return L"/";
    return path.substr(0, slash);
}

std::wstring BaseName(const std::wstring& path) {
    size_t slash = path.find_last_of(L'/');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring JoinPath(const std::wstring& dir, const std::wstring& name) {
    if (dir.empty()) return name;
    if (dir.back() == L'/') return dir + name;
    return dir + L"/" + name;
}

std::wstring GetExecutableDir() { return DirName(GetExecutablePath()); }

namespace {

std::wstring EnvDir(const char* var, const char* homeFallback) {
    const char* v = std::getenv(var);
    if (v && *v) return WidePath(v);
    const char* home = std::getenv("HOME");
    return WidePath(std::string(home && *home ? home : "/tmp") + homeFallback);
}

std::wstring Ensure(const std::wstring& dir) {
    // Create the parents one by one; the last one must exist afterwards.
    for (size_t i = 1; i < dir.size(); ++i)
        if (dir[i] == L'/') MakeDirectory(dir.substr(0, i));
    MakeDirectory(dir);
    return dir;
}

std::wstring Home() {
    const char* v = std::getenv("VERSOLUNE_HOME");
    return (v && *v) ? WidePath(v) : std::wstring();
}

}  // namespace

std::wstring GetDataDir() {
    std::wstring home = Home();
    if (!home.empty()) return Ensure(home);
    return Ensure(JoinPath(EnvDir("XDG_DATA_HOME", "/.local/share"), L"versolune"));
}

std::wstring GetConfigDir() {
    std::wstring home = Home();
    if (!home.empty()) return Ensure(home);
    return Ensure(JoinPath(EnvDir("XDG_CONFIG_HOME", "/.config"), L"versolune"));
}

std::wstring GetRuntimeDir() {
    std::wstring home = Home();
    if (!home.empty()) return Ensure(home);
    const char* v = std::getenv("XDG_RUNTIME_DIR");
    if (v && *v) return WidePath(v);
    return Ensure(WidePath("/tmp/versolune-" + std::to_string(getuid())));
}

}  // namespace vl
