#include "lyrics/lyrics_settings.h"

#include "platform/registry.h"
#include "settings/registry_keys.h"

namespace vl {

namespace {

const wchar_t kReleaseKeyMap[] = L"ReleaseKeyMap";

std::wstring Slot(const wchar_t* name, int index) { return name + std::to_wstring(index); }

const struct {
    const wchar_t* name;
    int32_t LyricsSettings::*field;
    int32_t fallback;
} kDisplayLoad[] = {
    {L"DispAutoOff", &LyricsSettings::dispAutoOff, 0},
    {L"DispAutoOn", &LyricsSettings::dispAutoOn, 0},
    {L"DispEnableBattery", &LyricsSettings::dispEnableBattery, 0},
    {L"AlwaysTurnOnBackLight", &LyricsSettings::alwaysTurnOnBacklight, 0},
    {L"ShowMode", &LyricsSettings::showMode, 1},
    {L"SentenceMode", &LyricsSettings::sentenceMode, 0},
};

}  // namespace

LyricsSettings::~LyricsSettings() { ClearKeyMap(); }

bool LyricsSettings::AddKeyMapping(const KeyMapping& mapping) {
    auto* record = new KeyMapping(mapping);
    if (keyMap.Add(record) >= 0) return true;
    delete record;
    return false;
}

void LyricsSettings::ClearKeyMap() {
    for (int i = 0; i < keyMap.GetCount(); ++i) delete GetKeyMapping(i);
    keyMap.Free();
}

void LyricsSettings::LoadSettings(PlayerEngine* engine) {
    PlayerSettings::LoadSettings(engine);
    ClearKeyMap();

    // Values of the wrong type or size are not taken.
    RegKey keys;
    if (keys.Open(HKEY_CURRENT_USER, kKeyMapKey)) {
        for (int n = 0; n < kKeyMapSlots; ++n) {
            int32_t virt = -1, code = -1, cmd = -1;
            keys.QueryDword(Slot(L"KeyVirt", n), virt, true);
            keys.QueryDword(Slot(L"KeyCode", n), code, true);
            keys.QueryDword(Slot(L"KeyCmd", n), cmd, true);
            if (virt != -1 && code != -1 && cmd != -1)
                AddKeyMapping(KeyMapping{static_cast<uint16_t>(virt), static_cast<uint16_t>(code),
                                         static_cast<uint16_t>(cmd)});
        }
        if (!keys.QueryDword(kReleaseKeyMap, releaseKeyMap, true)) releaseKeyMap = 1;
        keys.Close();
    }

    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey)) {
        for (const auto& v : kDisplayLoad) {
            if (!key.QueryDword(v.name, this->*v.field, true)) this->*v.field = v.fallback;
        }
        std::wstring url;
        if (!key.QueryString(L"SearchURL", url, 2048)) url.clear();
        SetText(searchUrl, url);
        key.Close();
    }
    trayIcon = 0;  // the lyrics window has no tray icon
    // Held only when asked for: held at every start, it would keep a desktop from ever locking
    // its screen while the player runs.
    SetBacklight(alwaysTurnOnBacklight != 0);
}

bool LyricsSettings::SaveSettings(PlayerEngine* engine) {
    bool saved = PlayerSettings::SaveSettings(engine);

    // The map is rewritten whole, numbered from 0, so removed mappings disappear. Clearing the
    // old values in the same save (rather than deleting the key first) means a crash never
    // leaves the map empty on disk.
    RegKey keys;
    if (keys.Create(HKEY_CURRENT_USER, kKeyMapKey)) {
        std::wstring name;
        while (keys.EnumValue(0, &name)) keys.DeleteValue(name);
        for (int n = 0; n < keyMap.GetCount(); ++n) {
            const KeyMapping* m = GetKeyMapping(n);
            keys.SetDword(Slot(L"KeyVirt", n), m->virtFlags);
            keys.SetDword(Slot(L"KeyCode", n), m->keyCode);
            keys.SetDword(Slot(L"KeyCmd", n), m->command);
        }
        keys.SetDword(kReleaseKeyMap, releaseKeyMap);
        saved = keys.Close() && saved;
    } else {
        saved = false;
    }

    RegKey key;
    if (!key.Create(HKEY_CURRENT_USER, kSettingsKey)) return false;
    key.SetDword(L"DispAutoOff", dispAutoOff);
    key.SetDword(L"DispAutoOn", dispAutoOn);
    key.SetDword(L"DispEnableBattery", dispEnableBattery);
    key.SetDword(L"ShowMode", showMode);
    key.SetDword(L"AlwaysTurnOnBackLight", alwaysTurnOnBacklight);
    key.SetDword(L"SentenceMode", sentenceMode);
    key.SetString(L"SearchURL", GetText(searchUrl));
    saved = key.Close() && saved;
    SetBacklight(false);
    return saved;
}

int LyricsSettings::GetOptionPages(std::vector<OptionPage>& pages) {
    PlayerSettings::GetOptionPages(pages);
    pages.push_back(OptionPage{179, L"Buttons", this});
    pages.push_back(OptionPage{180, L"Display", this});
    return static_cast<int>(pages.size());
}

}  // namespace vl
