#include "platform/files.h"

#include "platform/text.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vl {

namespace {

// The process id of a temporary file name NAME.tmpPID, or 0 when the name is not one.
pid_t TemporaryOwner(const std::string& name) {
    size_t mark = name.rfind(".tmp");
    if (mark == std::string::npos || mark == 0) return 0;
    std::string digits = name.substr(mark + 4);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return static_cast<pid_t>(std::stol(digits));
}

// A save killed midway leaves its temporary behind; those of processes that no longer run
// (and only our own files) are removed. Our own process may be writing a sibling right now.
void RemoveStaleTemporaries(const std::string& dir) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        pid_t pid = TemporaryOwner(name);
        if (pid <= 0 || pid == getpid()) continue;
        if (kill(pid, 0) == 0 || errno != ESRCH) continue;
        std::string path = dir + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) unlink(path.c_str());
    }
    closedir(d);
}

}  // namespace

bool FileExists(const std::wstring& path) {
    struct stat st;
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsDirectory(const std::wstring& path) {
    struct stat st;
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsWritableDirectory(const std::wstring& path) {
    std::string dir = path.empty() ? std::string(".") : NativePath(path);
    struct stat st;
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(dir.c_str(), W_OK | X_OK) == 0;
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

bool WriteFileAtomic(const std::wstring& path, const std::string& bytes, unsigned mode) {
    std::string target = NativePath(path);
    std::string temp = target + ".tmp" + std::to_string(getpid());
    // A fresh file, so that a leftover temporary file cannot lend it wider permissions.
    unlink(temp.c_str());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
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
    size_t slash = target.find_last_of('/');
    RemoveStaleTemporaries(slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash));
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

bool EnsurePrivateDirectory(const std::wstring& path, std::string* problem) {
    std::string dir = NativePath(path);
    auto refuse = [&](const std::string& why) {
        if (problem) *problem = dir + ": " + why;
        return false;
    };
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return refuse(std::strerror(errno));
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0) return refuse(std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) return refuse("not a folder");
    if (st.st_uid != geteuid()) return refuse("owned by another user");
    if ((st.st_mode & 077) != 0) return refuse("open to other users");
    return true;
}

std::wstring GetRuntimeDir(std::string* problem) {
    std::wstring home = Home();
    if (!home.empty()) return Ensure(home);
    const char* v = std::getenv("XDG_RUNTIME_DIR");
    if (v && *v) return WidePath(v);
    // A shared folder: another user could have made it first to receive our hand-over.
    std::wstring dir = WidePath("/tmp/versolune-" + std::to_string(getuid()));
    return EnsurePrivateDirectory(dir, problem) ? dir : std::wstring();
}

}  // namespace vl
