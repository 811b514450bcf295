#include "support/icy_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "support/test_support.h"

namespace vl::test {

IcyServer::IcyServer(const std::vector<std::string>& options, const std::string& file) {
    file_ = file.empty() ? SourceDir() + "/demo/demo.mp3" : file;
    recordPath_ = TempDir() + "/requests.txt";
    std::vector<std::string> args = {"python3", SourceDir() + "/tools/icy_server.py", "--quiet",
                                     "--file", file_, "--record", recordPath_};
    args.insert(args.end(), options.begin(), options.end());

    std::string line;
    pid_ = StartChild(args, line);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) Stop();
}

IcyServer::~IcyServer() { Stop(); }

void IcyServer::Stop() { StopChild(pid_); }

std::string IcyServer::Url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

std::wstring IcyServer::WideUrl(const std::string& pathAndQuery) const {
    std::string url = Url(pathAndQuery);
    return std::wstring(url.begin(), url.end());
}

std::string IcyServer::Recorded() const { return ReadFile(recordPath_); }

std::string LoopedBytes(const std::string& fileBytes, size_t length) {
    std::string out;
    if (fileBytes.empty()) return out;
    out.reserve(length);
    while (out.size() < length) out.append(fileBytes, 0, std::min(fileBytes.size(), length - out.size()));
    return out;
}

}  // namespace vl::test
