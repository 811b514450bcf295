#pragma once
// The accounts of --users: one "user:hash" a line, the hash in crypt(3) form (yescrypt as
// `mkpasswd -m yescrypt` writes it). Blank lines and lines starting with '#' are skipped.
// Check is safe from many threads; a pass once verified is remembered, so the slow hash runs
// once per user and pass rather than on every request.
#include <map>
#include <mutex>
#include <string>

namespace vl::lyricsd {

class Users {
public:
    // False (error set) when the file cannot be read or a line is not "user:hash".
    bool Load(const std::string& path, std::string* error);
    bool Check(const std::string& user, const std::string& pass);
    size_t size() const { return hashes_.size(); }

private:
    std::map<std::string, std::string> hashes_;
    std::mutex mutex_;
    std::map<std::string, std::string> verified_;  // user -> the pass that matched last
};

}  // namespace vl::lyricsd
