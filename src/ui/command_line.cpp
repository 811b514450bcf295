#include "ui/command_line.h"

#include "platform/text.h"

namespace vl {

std::wstring TokenizeCommandLine(const std::wstring& line) {
    std::wstring out(line.size() + 2, L'\0');
    size_t r = 0, w = 0;
    const size_t n = line.size();
    // Every step reads at least one character for each character or NUL it writes, so w never
    // passes n and the buffer always ends with two NULs.
    while (true) {
        if (r < n && line[r] == L'"') {
            ++r;
            while (r < n && line[r] != L'"') out[w++] = line[r++];
            if (r >= n) break;
            ++r;                                   // the closing quote
            if (r < n && line[r] == L'"') ++r;
            ++w;                                   // NUL
            if (r < n && line[r] == L' ') ++r;
        } else {
            while (r < n && line[r] != L' ') out[w++] = line[r++];
            if (r >= n) break;
            ++r;                                   // the space
            ++w;                                   // NUL
            if (r < n && line[r] == L' ') ++r;
        }
    }
    return out;
}

std::string BuildCommandLineRecord(const std::wstring& commandLine) {
    if (commandLine.empty()) return std::string();
    return WideToUtf16Le(TokenizeCommandLine(commandLine));
}

std::vector<std::wstring> ReadCommandLineRecord(const std::string& bytes) {
    std::vector<std::wstring> tokens;
    size_t start = 0;
    const size_t units = bytes.size() / 2;
    for (size_t u = 0; u < units; ++u) {
        if (bytes[2 * u] != 0 || bytes[2 * u + 1] != 0) continue;
        if (u == start) return tokens;  // empty token: the end of the list
        tokens.push_back(Utf16LeToWide(bytes.substr(2 * start, 2 * (u - start))));
        start = u + 1;
    }
    // A record without its closing NUL still yields its last token.
    if (start < units) tokens.push_back(Utf16LeToWide(bytes.substr(2 * start, 2 * (units - start))));
    return tokens;
}

std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& a : arguments) {
        if (a.empty() || a.find(L'"') != std::wstring::npos) continue;
        if (!line.empty()) line += L' ';
        if (a.find(L' ') != std::wstring::npos) line += L'"' + a + L'"';
        else line += a;
    }
    return line;
}

}  // namespace vl
