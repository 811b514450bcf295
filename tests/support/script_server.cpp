#include "support/script_server.h"

#include <cstdlib>

#include "support/test_support.h"

namespace vl::test {

ScriptServer::ScriptServer(const std::string& script, const std::vector<std::string>& options) {
    std::vector<std::string> args = {"python3", SourceDir() + "/" + script};
    args.insert(args.end(), options.begin(), options.end());
    std::string line;
    pid_ = StartChild(args, line);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) Stop();
}

ScriptServer::~ScriptServer() { Stop(); }

void ScriptServer::Stop() { StopChild(pid_); }

std::string ScriptServer::Url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

std::wstring ScriptServer::WideUrl(const std::string& pathAndQuery) const {
    std::string url = Url(pathAndQuery);
    return std::wstring(url.begin(), url.end());
}

}  // namespace vl::test
