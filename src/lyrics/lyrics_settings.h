#pragma once
// The settings object of the lyrics window: everything the player keeps, plus the lyrics
// display modes, the display and backlight options, the lyrics search address and the
// hardware-button map (in a key of its own).
#include <cstdint>
#include <functional>

#include "settings/player_settings.h"
#include "platform/ptr_array.h"

namespace vl {

// One hardware-button assignment: virtFlags 0x01 always, 0x04 Shift, 0x08 Ctrl, 0x10 Alt,
// 0x20 the Windows modifier; the virtual-key code; the command it runs.
struct KeyMapping {
    uint16_t virtFlags;
    uint16_t keyCode;
    uint16_t command;
};

inline constexpr int kKeyMapSlots = 99;  // "KeyVirt0" .. "KeyVirt98" are read

class LyricsSettings : public PlayerSettings {
public:
    using PlayerSettings::PlayerSettings;
    ~LyricsSettings() override;

    bool SaveSettings(PlayerEngine* engine) override;
    void LoadSettings(PlayerEngine* engine) override;
    int GetOptionPages(std::vector<OptionPage>& pages) override;

    // keyMap owns its records.
    KeyMapping* GetKeyMapping(int index) const { return static_cast<KeyMapping*>(keyMap.GetAt(index)); }
    bool AddKeyMapping(const KeyMapping& mapping);
    void ClearKeyMap();

    int32_t releaseKeyMap = 1;
    PtrArray keyMap;
    int32_t showMode = 1;       // 0..4
    int32_t sentenceMode = 0;   // 0..2
    int32_t dispAutoOff = 0;    // seconds, 0 = never
    int32_t dispAutoOn = 0;
    int32_t dispEnableBattery = 0;
    int32_t alwaysTurnOnBacklight = 0;
    wchar_t searchUrl[1024] = {};

    // Takes (true) or releases (false) the backlight requirement; set by the window.
    std::function<void(bool)> setBacklightRequirement;

private:
    void SetBacklight(bool on) {
        if (setBacklightRequirement) setBacklightRequirement(on);
    }
};

}  // namespace vl
