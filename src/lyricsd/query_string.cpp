#include "lyricsd/query_string.h"

namespace vl::lyricsd {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes one name or value; false on a broken escape, a NUL or a result over the bound.
bool Decode(const std::string& in, size_t begin, size_t end, std::string& out, std::string& error) {
    out.clear();
    for (size_t i = begin; i < end; ++i) {
        char c = in[i];
        if (c == '+') {
            c = ' ';
        } else if (c == '%') {
            if (end - i < 3 || HexValue(in[i + 1]) < 0 || HexValue(in[i + 2]) < 0) {
                error = "bad %-escape";
                return false;
            }
            c = static_cast<char>(HexValue(in[i + 1]) * 16 + HexValue(in[i + 2]));
            i += 2;
        }
        if (c == '\0') {
            error = "NUL in the query";
            return false;
        }
        if (out.size() >= kMaxQueryValueBytes) {
            error = "query value too long";
            return false;
        }
        out.push_back(c);
    }
    return true;
}

}  // namespace

std::string QueryString::Get(const std::string& name) const {
    auto it = fields.find(name);
    return it == fields.end() ? std::string() : it->second;
}

QueryString ParseQueryString(const std::string& target) {
    QueryString q;
    size_t pos = target.find('?');
    if (pos == std::string::npos) return q;
    ++pos;
    size_t count = 0;
    while (pos <= target.size()) {
        size_t end = target.find('&', pos);
        if (end == std::string::npos) end = target.size();
        if (end > pos) {
            if (++count > kMaxQueryFields) {
                q.error = "too many query fields";
                break;
            }
            size_t eq = target.find('=', pos);
            if (eq == std::string::npos || eq > end) eq = end;
            std::string name, value;
            if (!Decode(target, pos, eq, name, q.error)) break;
            if (eq < end && !Decode(target, eq + 1, end, value, q.error)) break;
            q.fields.emplace(std::move(name), std::move(value));
        }
        pos = end + 1;
    }
    if (!q.error.empty()) q.fields.clear();
    return q;
}

}  // namespace vl::lyricsd
