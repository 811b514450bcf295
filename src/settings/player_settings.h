#pragma once
// The player's persistent configuration: one record mirrored in the settings key under
// HKEY_CURRENT_USER, plus the effect, equalizer and bass-boost values that the engine holds and
// that are saved beside it. Loaded once while the main window is created, saved once when it
// closes. The record is the master copy of the output and stream options.
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "engine/types.h"

namespace vl {

class PlayerEngine;
class PlayerSettings;

// One page of the option sheet: the dialog it shows and the settings it edits.
struct OptionPage {
    int dialogId;
    const wchar_t* title;
    PlayerSettings* parameter;
};

// The dialogs of the settings object live in the GUI, which installs them here; without them
// ShowOptions does nothing and ShowSleepTimer returns false.
class SettingsDialogs {
public:
    virtual ~SettingsDialogs() = default;
    virtual void ShowOptions(PlayerSettings& settings, void* owner, PlayerEngine* engine) = 0;
    virtual bool ShowSleepTimer(PlayerSettings& settings, void* owner) = 0;
    // 1 when Done produced an address into url.
    virtual int ShowOpenUrl(PlayerSettings& settings, void* owner, std::wstring& url) = 0;
};
void SetSettingsDialogs(SettingsDialogs* dialogs);

// Copies text into a fixed field, cut so that the terminator fits.
template <size_t N>
void SetText(wchar_t (&field)[N], const std::wstring& text) {
    size_t n = text.size() < N - 1 ? text.size() : N - 1;
    text.copy(field, n);
    field[n] = 0;
}
template <size_t N>
std::wstring GetText(const wchar_t (&field)[N]) {
    return std::wstring(field, wcsnlen(field, N));
}

class PlayerSettings {
public:
    // The window starts centred on a screen of this size.
    explicit PlayerSettings(int screenWidth = 240, int screenHeight = 320);
    virtual ~PlayerSettings();
    PlayerSettings(const PlayerSettings&) = delete;
    PlayerSettings& operator=(const PlayerSettings&) = delete;

    // Writes everything; false when the settings could not be stored.
    virtual bool SaveSettings(PlayerEngine* engine);
    virtual void LoadSettings(PlayerEngine* engine);
    virtual void ShowOptions(void* owner, PlayerEngine* engine);
    virtual bool ShowSleepTimer(void* owner);
    // The Open URL dialog: 1 (OK) when an address was produced into url (at most 259 units).
    int ShowOpenUrl(void* owner, std::wstring& url);
    // Appends this object's option pages; returns the number of pages in the array.
    virtual int GetOptionPages(std::vector<OptionPage>& pages);

    // ---- the record, in the order of its registry values ----
    int32_t windowTopMost = 0;
    int32_t windowLeft;
    int32_t windowTop;
    wchar_t lastDir[260] = {};
    wchar_t skinFile[260] = {};
    int32_t drawPeek = 1;
    int32_t shuffle = 0;
    int32_t repeat = 0;  // 0 none, 1 all, 2 one
    int32_t resume = 0;
    int32_t playOnStart = 0;
    int32_t timeReverse = 0;
    int32_t saveDefPlayList = 1;
    int32_t addExisting = 0;
    int32_t trayIcon = 0;
    int32_t searchSubFolders = 0;
    int32_t scrollTitle = 0;
    int32_t sleepMinutes = 30;
    int32_t sleepPowerOff = 1;
    int32_t resumeTrack = -1;
    int32_t resumeTime = 0;  // ms
    OutputSettings output;
    StreamSettings stream;

    // ---- runtime only, never stored ----
    PlayerEngine* optionsEngine = nullptr;  // while the option sheet is open
    wchar_t* urlResult = nullptr;           // the caller's 260-unit buffer while Open URL is open
    int32_t sleepElapsed = -1;              // ms counted by the sleep timer; -1 = off
    int32_t sleepLastTick = 0;
};

}  // namespace vl
