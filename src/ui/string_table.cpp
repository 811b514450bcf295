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
    {14, L"%d kbps %d kHz %s"},
    {15, L"Volume %d"},
    {18, L"Connecting..."},
    {19, L"Buffering...   %d%%"},
    {40090, L"Versolune"},
    {40093, L"Hold on"},
    {40095, L"Hold off"},
    {40100, L"Can't find the correspondent lyric, please put the lyric of same name into the same folder of music file\n"},
    {40110, L"Welcome To Versolune!"},
    {40114, L"Can't connect to Internet"},
    {40115, L"ENG"},
    {40116, L"Singer"},
    {40117, L"Song Name"},
    {40118, L"Lyrics downloaded successfully!"},
    {40119, L"Lyrics File (.lrc) Create Error!"},
    {40120, L"Can't find any lyrics! Please change title or singer to try again."},
    {40121, L"Please input title!"},
};

}  // namespace

const wchar_t* GetString(int id) {
    for (const StringEntry& s : kStrings)
        if (s.id == id) return s.text;
    return L"";
}

}  // namespace vl
