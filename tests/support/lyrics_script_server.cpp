#include "support/lyrics_script_server.h"

#include <sstream>

#include "support/test_support.h"

namespace vl::test {

namespace {

std::vector<std::string> ServerOptions(const std::string& folder, const std::string& answer,
                                       const std::string& filesDir, const std::vector<std::string>& rules) {
    WriteFile(folder + "/answer.txt", answer);
    std::vector<std::string> args = {"--quiet", "--record", folder + "/requests.txt", "--answer",
                                     folder + "/answer.txt", "--files", filesDir};
    for (const std::string& rule : rules) {
        args.push_back("--rule");
        args.push_back(rule);
    }
    return args;
}

}  // namespace

LyricsScriptServer::LyricsScriptServer(const std::string& answer, const std::string& filesDir,
                                       const std::vector<std::string>& rules)
    : LyricsScriptServer(TempDir(), answer, filesDir, rules) {}

LyricsScriptServer::LyricsScriptServer(const std::string& folder, const std::string& answer,
                                       const std::string& filesDir, const std::vector<std::string>& rules)
    : ScriptServer("tools/lyrics_server.py", ServerOptions(folder, answer, filesDir, rules)),
      recordPath_(folder + "/requests.txt") {}

std::vector<std::string> LyricsScriptServer::Requests() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(recordPath_));
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace vl::test
