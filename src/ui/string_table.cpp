#include "ui/string_table.h"

namespace vl {

namespace {

struct StringEntry {
    int id;
    const wchar_t* text;
};

constexpr StringEntry kStrings[] = {
    {IDS_PRODUCT_NAME, L"Versolune"},
    {3, L"Open File..."},
    {4, L"Add File..."},
    {6, L"Save Playlist..."},
    {7, L"M3U Playlist (*.M3U)|*.m3u||"},
    {9, L"Effect"},
    {14, L"%d kbps %d kHz %s"},
    {15, L"Volume %d"},
    {18, L"Connecting..."},
    {19, L"Buffering...   %d%%"},
    {20, L"Buffer information\nStreaming:\t%d KB / %d KB (%d %%)\nAudio :\t\t%d KB / %d KB (%d %%)"},
    {100, L"Display on/off"},
    {122, L"Volume up"},
    {124, L"Volume down"},
    {1004, L"Up"},
    {1006, L"Down"},
    {1100, L"Action"},
    {1101, L"Left"},
    {1102, L"Up"},
    {1103, L"Right"},
    {1104, L"Down"},
    {1105, L"Button1"},
    {1106, L"Button2"},
    {1107, L"Button3"},
    {1108, L"Button4"},
    {1109, L"Button5"},
    {1110, L"Button6"},
    {1111, L"Remote1"},
    {1112, L"Remote2"},
    {1113, L"Remote3"},
    {1114, L"Remote4"},
    {1115, L"Remote5"},
    {1116, L"Remote6"},
    {1117, L"Remote7"},
    {40001, L"Save Playlist"},
    {40002, L"Add File"},
    {40004, L"Exit"},
    {40009, L"Effects"},
    {40011, L"Open URL"},
    {40015, L"Modify Playlist"},
    {40016, L"Repeat"},
    {40018, L"Open File"},
    {40019, L"Lyrics Mode"},
    {40025, L"<Un-map>"},
    {40027, L"Play/Pause"},
    {40036, L"Stop"},
    {40037, L"Previous"},
    {40038, L"Next"},
    {40074, L"Rew"},
    {40075, L"FF"},
    {40080, L"Buttons"},
    {40081, L"Functions"},
    {40082, L"Select"},
    {40084, L"Select"},
    {40086, L"%d sec."},
    {40088, L"My device"},
    {40090, L"Versolune"},
    {40092, L"Hold on/off"},
    {40093, L"Hold on"},
    {40095, L"Hold off"},
    {40096, L"Hold & Display on/off"},
    {40098, L"Play/Stop"},
    {40100, L"Can't find the correspondent lyric, please put the lyric of same name into the same folder of music file\n"},
    {40107, L"Filename"},
    {40109, L"Size"},
    {40110, L"Welcome To Versolune!"},
    {40112, L"Mark"},
    {40114, L"Can't connect to Internet"},
    {40115, L"ENG"},
    {40116, L"Singer"},
    {40117, L"Song Name"},
    {40118, L"Lyrics downloaded successfully!"},
    {40119, L"Lyrics File (.lrc) Create Error!"},
    {40120, L"Can't find any lyrics! Please change title or singer to try again."},
    {40121, L"Please input title!"},
    {40126, L"Lyrics Forward 0.5s"},
    {40127, L"Lyrics Backward 0.5s"},
};

}  // namespace

const wchar_t* GetString(int id) {
    for (const StringEntry& s : kStrings)
        if (s.id == id) return s.text;
    return L"";
}

}  // namespace vl
