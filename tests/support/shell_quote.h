#pragma once
// Quoting for the shell commands tests run (reference decoders, encoders).
#include <string>

namespace vl::test {

// s in single quotes, safe as one shell word whatever it holds.
inline std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace vl::test
