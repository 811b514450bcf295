#pragma once
// The emulated device screen: its size and resolution. Every pixel length of the windows is
// given at 96 dpi and scaled with S(n) = (n * dpi + 48) / 96 (integer division).
#include <string>

namespace vl {

struct ScreenProfile {
    int width = 240;   // SM_CXSCREEN
    int height = 320;  // SM_CYSCREEN
    int dpiX = 96;     // LOGPIXELSX
    int dpiY = 96;     // LOGPIXELSY
};

// "WxH@DPI" (for example "480x640@192"); "WxH" keeps 96 dpi. False, and out unchanged, for
// anything else or for values outside 1..10000 (dpi 24..960).
bool ParseScreenProfile(const std::string& text, ScreenProfile& out);

// The profile of this process (default 240 x 320 at 96 dpi).
const ScreenProfile& GetScreenProfile();
void SetScreenProfile(const ScreenProfile& profile);

// S(n) with the horizontal and the vertical resolution.
inline int ScaleWith(int n, int dpi) { return (n * dpi + 48) / 96; }
inline int ScaleX(int n) { return ScaleWith(n, GetScreenProfile().dpiX); }
inline int ScaleY(int n) { return ScaleWith(n, GetScreenProfile().dpiY); }

}  // namespace vl
