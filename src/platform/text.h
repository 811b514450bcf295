#pragma once
// Conversions between the program's wide text and the 8-bit texts of files and the wire.
// The "ANSI code page" is VERSOLUNE_CODEPAGE when set, else the locale's codeset (UTF-8 under
// the C/POSIX locale).
#include <cstddef>
#include <cstdint>
#include <string>

namespace vl {

// Invalid input never fails: each undecodable byte becomes U+FFFD.
std::wstring AnsiToWide(const char* text, size_t length);
std::wstring AnsiToWide(const std::string& text);
// Characters the code page cannot hold become '?'.
std::string WideToAnsi(const std::wstring& text);
// For texts that must survive whole (paths in playlists): in the code page when it holds every
// character, else in UTF-8; the reader takes bytes that are valid non-ASCII UTF-8 as UTF-8 and
// anything else in the code page.
std::string WideToAnsiOrUtf8(const std::wstring& text);
std::wstring AnsiOrUtf8ToWide(const char* text, size_t length);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// UTF-16LE bytes (LRC files with a byte-order mark, REG_SZ values, the command-line record) to
// characters, zero units included: a surrogate pair is one character, an unpaired surrogate or
// a left-over byte becomes U+FFFD and sets *clean false.
std::wstring Utf16LeToWide(const std::string& bytes, bool* clean = nullptr);
// Characters to UTF-16LE bytes, without a terminator; a value beyond U+10FFFF becomes U+FFFD.
std::string WideToUtf16Le(const std::wstring& text);
// One character as UTF-8 (the caller passes Unicode scalar values), appended to out; and the
// strict reading of UTF-8 bytes: false on an overlong form, a surrogate, a NUL or a broken
// sequence. Without iconv: the registry file calls them for every character.
void AppendUtf8(std::string& out, uint32_t c);
inline bool IsUnicodeScalar(uint32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }
bool StrictUtf8ToWide(const char* text, size_t length, std::wstring& out);
// File-system paths are UTF-8 bytes on this system.
std::string NativePath(const std::wstring& path);
std::wstring WidePath(const std::string& path);

// Overrides the code page for this process (tests); empty restores the default rule.
void SetAnsiCodePage(const std::string& codeset);
std::string GetAnsiCodePage();

}  // namespace vl
