#pragma once
// Runs one of the local servers in tools/ (a Python script that prints its port as its first
// line) on 127.0.0.1 with a free port for the length of a test.
#include <sys/types.h>

#include <string>
#include <vector>

namespace vl::test {

class ScriptServer {
public:
    // script: its path under the source folder; options: its command-line arguments.
    ScriptServer(const std::string& script, const std::vector<std::string>& options);
    ~ScriptServer();
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

    bool Started() const { return port_ > 0; }
    int Port() const { return port_; }
    // "http://127.0.0.1:PORT" followed by pathAndQuery.
    std::string Url(const std::string& pathAndQuery = "/") const;
    std::wstring WideUrl(const std::string& pathAndQuery = "/") const;
    void Stop();

private:
    int pid_ = -1;
    int port_ = 0;
};

}  // namespace vl::test
