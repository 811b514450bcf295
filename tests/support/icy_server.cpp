#include "support/icy_server.h"

#include <algorithm>

#include "support/test_support.h"

namespace vl::test {

namespace {

std::string ServedFile(const std::string& file) { return file.empty() ? SourceDir() + "/demo/demo.mp3" : file; }

std::vector<std::string> IcyOptions(const std::vector<std::string>& options, const std::string& file,
                                     const std::string& record) {
    std::vector<std::string> args = {"--quiet", "--file", file, "--record", record};
    args.insert(args.end(), options.begin(), options.end());
    return args;
}

}  // namespace

IcyServer::IcyServer(const std::vector<std::string>& options, const std::string& file)
    : IcyServer(options, ServedFile(file), TempDir() + "/requests.txt") {}

IcyServer::IcyServer(const std::vector<std::string>& options, const std::string& file, const std::string& record)
    : ScriptServer("tools/icy_server.py", IcyOptions(options, file, record)), file_(file), recordPath_(record) {}

std::string IcyServer::Recorded() const { return ReadFile(recordPath_); }

std::string LoopedBytes(const std::string& fileBytes, size_t length) {
    std::string out;
    if (fileBytes.empty()) return out;
    out.reserve(length);
    while (out.size() < length) out.append(fileBytes, 0, std::min(fileBytes.size(), length - out.size()));
    return out;
}

}  // namespace vl::test
