#include "support/lyrics_service.h"

#include <cstdlib>

#include "support/test_support.h"

namespace vl::test {

LyricsService::LyricsService(const std::string& library, const std::vector<std::string>& options) {
    std::vector<std::string> args = {BinaryDir() + "/versolune-lyricsd", "--library", library,
                                     "--listen",  "127.0.0.1:0",          "--db",      TempDir() + "/index.sqlite"};
    args.insert(args.end(), options.begin(), options.end());
    pid_ = StartChild(args, firstLine_);
    const std::string prefix = "listening on http://127.0.0.1:";
    if (firstLine_.compare(0, prefix.size(), prefix) == 0) port_ = std::atoi(firstLine_.c_str() + prefix.size());
    if (port_ <= 0) Stop();
}

LyricsService::~LyricsService() { Stop(); }

void LyricsService::Stop() { StopChild(pid_); }

std::string LyricsService::Url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

}  // namespace vl::test
