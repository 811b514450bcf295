#pragma once
// Runs tools/lyrics_server.py, the scripted lyrics service, for the length of a test.
#include <string>
#include <vector>

#include "support/script_server.h"

namespace vl::test {

class LyricsScriptServer : public ScriptServer {
public:
    // answer: the bytes of /search ("{base}" stands for the server's address); filesDir: the
    // folder served under /files/; rules: "PATH?KEY=VALUE&..." misbehaviours.
    LyricsScriptServer(const std::string& answer, const std::string& filesDir,
                       const std::vector<std::string>& rules = {});

    // Every request so far: "GET /search?... HTTP/1.1<TAB>USER-AGENT".
    std::vector<std::string> Requests() const;

private:
    LyricsScriptServer(const std::string& folder, const std::string& answer, const std::string& filesDir,
                       const std::vector<std::string>& rules);

    std::string recordPath_;
};

}  // namespace vl::test
