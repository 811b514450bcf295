#pragma once
// Runs tools/icy_server.py, the local internet radio server, on 127.0.0.1 with a free port for
// the length of a test. Its options (see `tools/icy_server.py --help`) are given at start or per
// request in the URL's query.
#include <sys/types.h>

#include <string>
#include <vector>

namespace vl::test {

class IcyServer {
public:
    // Serves `file` (the demo song when empty) with the given extra command-line options.
    explicit IcyServer(const std::vector<std::string>& options = {}, const std::string& file = "");
    ~IcyServer();
    IcyServer(const IcyServer&) = delete;
    IcyServer& operator=(const IcyServer&) = delete;

    bool Started() const { return port_ > 0; }
    int Port() const { return port_; }
    // "http://127.0.0.1:PORT" followed by pathAndQuery.
    std::string Url(const std::string& pathAndQuery = "/") const;
    std::wstring WideUrl(const std::string& pathAndQuery = "/") const;
    const std::string& File() const { return file_; }
    // Every request head the server received so far, as received.
    std::string Recorded() const;
    void Stop();

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string file_;
    std::string recordPath_;
};

// The bytes a stream of fileBytes carries as audio: the file repeated, cut to length.
std::string LoopedBytes(const std::string& fileBytes, size_t length);

}  // namespace vl::test
