#include "platform/screen_profile.h"

namespace vl {

namespace {

ScreenProfile g_profile;

// A decimal number at text[pos...]; pos ends on the first character after it.
bool ReadNumber(const std::string& text, size_t& pos, int& out) {
    size_t start = pos;
    long value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        if (value > 100000) return false;
        ++pos;
    }
    if (pos == start) return false;
    out = static_cast<int>(value);
    return true;
}

}  // namespace

bool ParseScreenProfile(const std::string& text, ScreenProfile& out) {
    ScreenProfile p;
    size_t pos = 0;
    if (!ReadNumber(text, pos, p.width) || pos >= text.size() || (text[pos] != 'x' && text[pos] != 'X'))
        return false;
    ++pos;
    if (!ReadNumber(text, pos, p.height)) return false;
    if (pos < text.size()) {
        if (text[pos] != '@') return false;
        ++pos;
        int dpi = 0;
        if (!ReadNumber(text, pos, dpi) || pos != text.size()) return false;
        p.dpiX = p.dpiY = dpi;
    }
    if (p.width < 1 || p.width > 10000 || p.height < 1 || p.height > 10000) return false;
    if (p.dpiX < 24 || p.dpiX > 960) return false;
    out = p;
    return true;
}

const ScreenProfile& GetScreenProfile() { return g_profile; }

void SetScreenProfile(const ScreenProfile& profile) { g_profile = profile; }

}  // namespace vl
