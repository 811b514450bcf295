#include "lyricsd/users.h"

#include <crypt.h>

#include <cstring>
#include <memory>

#include "platform/files.h"
#include "platform/text.h"

namespace vl::lyricsd {

namespace {

bool SameBytes(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace

bool Users::Load(const std::string& path, std::string* error) {
    std::string text;
    if (!ReadFileBytes(WidePath(path), text, 1 << 20)) {
        if (error) *error = path + ": cannot read";
        return false;
    }
    size_t pos = 0, number = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t colon = line.find(':');
        if (colon == 0 || colon == std::string::npos || colon + 1 >= line.size() || line[colon + 1] != '$') {
            if (error) *error = path + ":" + std::to_string(number) + ": not user:hash";
            return false;
        }
        hashes_[line.substr(0, colon)] = line.substr(colon + 1);
    }
    return true;
}

bool Users::Check(const std::string& user, const std::string& pass) {
    auto it = hashes_.find(user);
    if (it == hashes_.end() || pass.empty()) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto known = verified_.find(user);
        if (known != verified_.end() && SameBytes(known->second, pass)) return true;
    }
    auto data = std::make_unique<crypt_data>();
    const char* hash = crypt_r(pass.c_str(), it->second.c_str(), data.get());
    if (!hash || hash[0] == '*' || !SameBytes(hash, it->second)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    verified_[user] = pass;
    return true;
}

}  // namespace vl::lyricsd
