#pragma once
// The registry's values, its key tree and the text form one root is kept in. Pure data and
// text: no files, no locks (the key store in registry.h does both).
//
// Format, one item a line:
//
//     ; comment (also '#'); blank lines are ignored
//     [Software\Talvessa\Versolune\MP3]      a key (path from the root); values follow it
//     "Window Left"=dword:00000001            REG_DWORD, 1 to 8 hex digits
//     "SkinFile"="/home/me/skins/blue.gps"    REG_SZ, UTF-8 text
//     @="Audio File"                          the key's default value
//     "Odd"=hex(1):41,00,42,00                any other type or bytes: hex(type in hex):bytes
//     "Blob"=hex:00,ff                        REG_BINARY
//
// Inside quotes, \\ \" \n \r \t and \xHH (one character) are escapes; other characters stand for
// themselves. A REG_SZ whose bytes are not a clean terminated UTF-16 text is written as hex(1).
// Every key that holds values or has no sub-keys gets its own [section]; parents are implied.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vl {

constexpr size_t kMaxRegValueBytes = 1u << 20;

enum : uint32_t { REG_NONE = 0, REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };

// Text as REG_SZ bytes (UTF-16LE, terminator included), and back (up to the first zero unit;
// unpaired surrogates and a trailing odd byte become U+FFFD).
std::string ToRegSz(const std::wstring& text);
std::wstring FromRegSz(const std::string& bytes);

struct RegValue {
    std::wstring name;
    uint32_t type = REG_NONE;
    std::string data;
};

struct RegNode {
    std::wstring name;
    std::map<std::wstring, std::unique_ptr<RegNode>> children;  // by folded name
    std::vector<RegValue> values;                               // in the order they were set
    RegValue* FindValue(const std::wstring& name);
    RegValue& SetValue(const std::wstring& name, uint32_t type, std::string data);
    bool DeleteValue(const std::wstring& name);
    RegNode* Child(const std::wstring& name);
    RegNode& MakeChild(const std::wstring& name);
    // The key at a path of names below this one (none: this key); null when it does not exist.
    RegNode* FindKey(const std::vector<std::wstring>& names);
    RegNode& MakeKey(const std::vector<std::wstring>& names);
    bool RemoveChild(const std::wstring& name);

private:
    std::unordered_map<std::wstring, size_t> valueIndex_;  // folded name -> index in values
};

// Reading and writing the text form of one root. ParseRegistryText fills root with every sound
// item and returns the number of lines it had to ignore (the first one in *firstBadLine, 1-based,
// with *reason).
int ParseRegistryText(const std::string& text, RegNode& root, int* firstBadLine = nullptr,
                      std::string* reason = nullptr);
std::string FormatRegistryText(const RegNode& root, const std::wstring& title);

// Splits a key path ('\\' between the names) into names; false for an empty name, a name too long
// or with control characters. An empty path is the root.
bool SplitKeyPath(const std::wstring& path, std::vector<std::wstring>& names);
// A value name the registry keeps: no NUL, no broken character, not too long.
bool ValidValueName(const std::wstring& name);

}  // namespace vl
