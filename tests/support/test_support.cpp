#include "support/test_support.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <chrono>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

namespace vl::test {

std::string SourceDir() { return VERSOLUNE_SOURCE_DIR; }
std::string BinaryDir() { return VERSOLUNE_BINARY_DIR; }

namespace {
std::mutex g_tempMutex;
std::vector<std::string> g_tempDirs;

void RemoveTempDirs() {
    for (const auto& d : g_tempDirs) {
        std::string cmd = "rm -rf '" + d + "'";
        if (std::system(cmd.c_str()) != 0) {
        }
    }
}
}  // namespace

std::string TempDir() {
    std::lock_guard<std::mutex> lock(g_tempMutex);
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/versolune-test-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) return "/tmp";
    if (g_tempDirs.empty()) std::atexit(RemoveTempDirs);
    g_tempDirs.push_back(buf.data());
    return buf.data();
}

int RunCommand(const std::string& command) {
    int status = std::system(command.c_str());
    if (status == -1) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CaptureCommand(const std::string& command, int* status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        if (status) *status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
    int st = pclose(p);
    if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

int StartChild(const std::vector<std::string>& args, std::string& firstLine, int timeoutMs) {
    firstLine.clear();
    int out[2];
    if (args.empty() || pipe(out) != 0) return -1;
    pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        return -1;
    }
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    // A program may take a while to start on a busy machine.
    pollfd p{out[0], POLLIN, 0};
    while (firstLine.find('\n') == std::string::npos && poll(&p, 1, timeoutMs) > 0) {
        char buffer[256];
        ssize_t n = read(out[0], buffer, sizeof(buffer));
        if (n <= 0) break;
        firstLine.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    size_t end = firstLine.find('\n');
    if (end != std::string::npos) firstLine.resize(end);
    return pid;
}

void StopChild(int& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

}  // namespace vl::test
