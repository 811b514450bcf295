#pragma once
// The query part of a request target ("/search?singer=A%42&title=x"), read with bounds: the
// raw bytes of each value, %XX decoded ('+' is a blank, as browsers send it; the player's own
// escaping never sends a bare '+'). Nothing here trusts the input.
#include <cstddef>
#include <map>
#include <string>

namespace vl::lyricsd {

constexpr size_t kMaxQueryFields = 32;
constexpr size_t kMaxQueryValueBytes = 1024;

struct QueryString {
    std::map<std::string, std::string> fields;  // name -> decoded bytes; the first of a repeated name
    std::string error;                          // empty when the query is sound
    bool Has(const std::string& name) const { return fields.count(name) != 0; }
    std::string Get(const std::string& name) const;
};

// Parses what follows the first '?' of target (nothing when there is none). Fails (error set)
// on a bad %-escape, a NUL byte, more than kMaxQueryFields fields, or a name or value longer
// than kMaxQueryValueBytes after decoding.
QueryString ParseQueryString(const std::string& target);

}  // namespace vl::lyricsd
