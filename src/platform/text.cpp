#include "platform/text.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace vl {

namespace {

std::mutex g_codePageMutex;
std::string g_codePageOverride;

// Converts with iconv; on an invalid or incomplete sequence emits `replacement` and skips one
// input unit, so every input converts. `replaced` tells whether that happened.
std::string Convert(const char* to, const char* from, const char* in, size_t inLen,
                    const std::string& replacement, size_t inUnit, bool* replaced = nullptr) {
    if (replaced) *replaced = false;
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (replaced) *replaced = true;
        return out;
    }
    char buffer[1024];
    char* src = const_cast<char*>(in);
    size_t left = inLen;
    while (left > 0) {
        char* dst = buffer;
        size_t room = sizeof(buffer);
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ / EINVAL: replace one unit and go on.
            if (replaced) *replaced = true;
            out.append(replacement);
            size_t skip = inUnit < left ? inUnit : left;
            src += skip;
            left -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* dst = buffer;
    size_t room = sizeof(buffer);
    iconv(cd, nullptr, nullptr, &dst, &room);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    iconv_close(cd);
    return out;
}

std::wstring ToWide(const char* codeset, const char* text, size_t length) {
    wchar_t rep = 0xFFFD;
    std::string bytes = Convert("WCHAR_T", codeset, text, length,
                                std::string(reinterpret_cast<const char*>(&rep), sizeof(rep)), 1);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::string FromWide(const char* codeset, const std::wstring& text, const std::string& rep,
                     bool* replaced = nullptr) {
    return Convert(codeset, "WCHAR_T", reinterpret_cast<const char*>(text.data()),
                   text.size() * sizeof(wchar_t), rep, sizeof(wchar_t), replaced);
}

// Bytes that are UTF-8 and not plain ASCII.
bool IsNonAsciiUtf8(const char* text, size_t length) {
    bool nonAscii = false;
    for (size_t i = 0; i < length && !nonAscii; ++i) nonAscii = static_cast<unsigned char>(text[i]) >= 0x80;
    if (!nonAscii) return false;
    bool replaced = false;
    Convert("WCHAR_T", "UTF-8", text, length, std::string(), 1, &replaced);
    return !replaced;
}

}  // namespace

void SetAnsiCodePage(const std::string& codeset) {
    std::lock_guard<std::mutex> lock(g_codePageMutex);
    g_codePageOverride = codeset;
}

std::string GetAnsiCodePage() {
    {
        std::lock_guard<std::mutex> lock(g_codePageMutex);
        if (!g_codePageOverride.empty()) return g_codePageOverride;
    }
    const char* env = std::getenv("VERSOLUNE_CODEPAGE");
    if (env && *env) return env;
    const char* cs = nl_langinfo(CODESET);
    if (!cs || !*cs) return "UTF-8";
    // The "C" locale reports ASCII, but names on this system are UTF-8 whatever the locale.
    std::string s = cs;
    if (s == "ANSI_X3.4-1968" || s == "ASCII") return "UTF-8";
    return s;
}

std::wstring AnsiToWide(const char* text, size_t length) {
    if (!text || length == 0) return std::wstring();
    return ToWide(GetAnsiCodePage().c_str(), text, length);
}

std::wstring AnsiToWide(const std::string& text) { return AnsiToWide(text.data(), text.size()); }

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) return std::string();
    return FromWide(GetAnsiCodePage().c_str(), text, "?");
}

std::string WideToAnsiOrUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    bool replaced = false;
    std::string out = FromWide(GetAnsiCodePage().c_str(), text, "?", &replaced);
    return replaced ? WideToUtf8(text) : out;
}

std::wstring AnsiOrUtf8ToWide(const char* text, size_t length) {
    if (!text || length == 0) return std::wstring();
    if (IsNonAsciiUtf8(text, length)) return ToWide("UTF-8", text, length);
    return AnsiToWide(text, length);
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    return ToWide("UTF-8", text.data(), text.size());
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    return FromWide("UTF-8", text, "?");
}

std::string NativePath(const std::wstring& path) { return WideToUtf8(path); }
std::wstring WidePath(const std::string& path) { return Utf8ToWide(path); }

std::wstring Utf16LeToWide(const std::string& bytes, bool* clean) {
    std::wstring out;
    bool ok = true;
    const size_t n = bytes.size() / 2;
    out.reserve(n);
    auto unit = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(bytes[2 * i])) |
               (static_cast<uint32_t>(static_cast<uint8_t>(bytes[2 * i + 1])) << 8);
    };
    for (size_t i = 0; i < n; ++i) {
        const uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            out.push_back(static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00)));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out.push_back(L'\xFFFD');
            ok = false;
        } else {
            out.push_back(static_cast<wchar_t>(u));
        }
    }
    if (bytes.size() % 2) {
        out.push_back(L'\xFFFD');
        ok = false;
    }
    if (clean) *clean = ok;
    return out;
}

std::string WideToUtf16Le(const std::wstring& text) {
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&](uint32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    };
    for (wchar_t wc : text) {
        uint32_t c = static_cast<uint32_t>(wc);
        if (c < 0x10000) {
            put(c);
        } else if (c <= 0x10FFFF) {
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        } else {
            put(0xFFFD);
        }
    }
    return out;
}


void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool StrictUtf8ToWide(const char* p, size_t n, std::wstring& out) {
    out.clear();
    const auto* s = reinterpret_cast<const uint8_t*>(p);
    size_t i = 0;
    while (i < n) {
        uint32_t c = s[i];
        size_t len;
        uint32_t min;
        if (c == 0) return false;
        if (c < 0x80) { len = 1; min = 0; }
        else if ((c & 0xE0) == 0xC0) { len = 2; c &= 0x1F; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { len = 3; c &= 0x0F; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { len = 4; c &= 0x07; min = 0x10000; }
        else return false;
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            c = (c << 6) | (s[i + k] & 0x3F);
        }
        if (c < min || !IsUnicodeScalar(c)) return false;
        out.push_back(static_cast<wchar_t>(c));
        i += len;
    }
    return true;
}

}  // namespace vl
