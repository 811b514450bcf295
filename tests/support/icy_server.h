#pragma once
// Runs tools/icy_server.py, the local internet radio server, on 127.0.0.1 with a free port for
// the length of a test. Its options (see `tools/icy_server.py --help`) are given at start or per
// request in the URL's query.
#include <string>
#include <vector>

#include "support/script_server.h"

namespace vl::test {

class IcyServer : public ScriptServer {
public:
    // Serves `file` (the demo song when empty) with the given extra command-line options.
    explicit IcyServer(const std::vector<std::string>& options = {}, const std::string& file = "");

    const std::string& File() const { return file_; }
    // Every request head the server received so far, as received.
    std::string Recorded() const;

private:
    IcyServer(const std::vector<std::string>& options, const std::string& file, const std::string& record);

    std::string file_;
    std::string recordPath_;
};

// The bytes a stream of fileBytes carries as audio: the file repeated, cut to length.
std::string LoopedBytes(const std::string& fileBytes, size_t length);

}  // namespace vl::test
