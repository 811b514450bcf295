#include "settings/ini_reader.h"

#include <cstring>

#include "platform/text.h"

namespace vl {

namespace {

// Reads the next piece of at most kIniLineBytes bytes, ending after a '\n' or at the end of
// the file. `atLineStart` tells whether the piece begins a physical line (false for the
// continuation of an over-long one). False at end of file.
bool ReadPiece(FILE* file, std::string& piece, bool& atLineStart, bool& nextAtLineStart) {
    piece.clear();
    atLineStart = nextAtLineStart;
    int c = 0;
    while (piece.size() < static_cast<size_t>(kIniLineBytes) && (c = std::getc(file)) != EOF) {
        piece.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (piece.empty()) return false;
    nextAtLineStart = piece.back() == '\n';
    // A NUL byte ends the text of a line, as it would in a C string.
    size_t nul = piece.find('\0');
    if (nul != std::string::npos) piece.resize(nul);
    return true;
}

}  // namespace

bool ReadIniValue(FILE* file, const std::wstring& section, const std::wstring& key, std::wstring& value) {
    value.clear();
    if (!file) return false;
    if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    std::clearerr(file);
    const std::string wantSection = WideToAnsi(section);
    const std::string wantKey = WideToAnsi(key);

    std::string line;
    bool atStart = true, nextAtStart = true;
    bool inSection = false;
    while (ReadPiece(file, line, atStart, nextAtStart)) {
        // Only the first piece of a physical line is a line; the rest of an over-long one is not.
        if (!atStart) continue;
        if (!inSection) {
            if (line.empty() || line[0] != '[') continue;
            size_t close = line.find(']');
            std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            inSection = name == wantSection;
            continue;
        }
        if (line.empty()) continue;
        if (line[0] == '[') return false;
        if (line[0] == ';') continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (line.compare(0, eq, wantKey) != 0) continue;
        value = AnsiToWide(line.substr(eq + 1));
        if (!value.empty() && value.back() == L'\n') value.pop_back();
        // Files written on Windows end their lines with CR LF.
        if (!value.empty() && value.back() == L'\r') value.pop_back();
        while (!value.empty() && (value.back() == L' ' || value.back() == L'\t')) value.pop_back();
        return true;
    }
    return false;
}

}  // namespace vl
