#include "support/script_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/test_support.h"

namespace vl::test {

ScriptServer::ScriptServer(const std::string& script, const std::vector<std::string>& options) {
    std::vector<std::string> args = {"python3", SourceDir() + "/" + script};
    args.insert(args.end(), options.begin(), options.end());

    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ < 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    if (pid_ == 0) {
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
    // The first line is the port; the interpreter may take a while to start on a busy machine.
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 20000) > 0) {
        char buffer[64];
        ssize_t n = read(out[0], buffer, sizeof(buffer));
        if (n <= 0) break;
        line.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) Stop();
}

ScriptServer::~ScriptServer() { Stop(); }

void ScriptServer::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
}

std::string ScriptServer::Url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

std::wstring ScriptServer::WideUrl(const std::string& pathAndQuery) const {
    std::string url = Url(pathAndQuery);
    return std::wstring(url.begin(), url.end());
}

}  // namespace vl::test
