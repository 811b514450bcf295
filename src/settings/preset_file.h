#pragma once
// Effect preset files ("EQF"): 8-bit text sections of key=number lines in the "Presets"
// folder under the program's data folder. This is the file side, on plain records; the
// engine side (reading and applying the engine's values) is in presets.h.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/types.h"

namespace vl {

constexpr int kPresetVersion = 100;
constexpr wchar_t kPresetExtension[] = L"EQF";
// Characters a preset name must not hold.
constexpr wchar_t kPresetForbiddenChars[] = L"\\/:,;*?\"<>|";

// Every value a preset can hold.
struct PresetValues {
    EqualizerParams equalizer = DefaultEqualizer();
    EffectParams surround;
    EffectParams chorus3D;
    EffectParams reverb;
    EffectParams echo;
    int32_t bassBoost = 0;
};

// Which sections a preset stores (0/1 each).
struct PresetFlags {
    int saveEqualizer = 1;
    int saveSurround = 1;
    int save3DChorus = 1;
    int saveReverb = 1;
    int saveEcho = 1;
    int saveBassBoost = 1;
};

// The "Presets" folder under the data folder, created when missing. False (folder empty)
// when its path would be too long or it cannot be made a folder.
bool EnsurePresetFolder(std::wstring& folder);
// The file of a preset name: folder/name.EQF. False when the folder is refused.
bool BuildPresetPath(const std::wstring& name, std::wstring& path);
// Longest name the save dialog accepts for this folder, so the whole file name fits in 260.
int PresetNameLimit(const std::wstring& folder);
bool IsValidPresetName(const std::wstring& name);
// Names (file names without the extension) of the presets, in the folder's own order.
std::vector<std::wstring> ListPresets();
bool DeletePreset(const std::wstring& name);

// The text of a preset file.
std::string FormatPreset(const PresetValues& values, const PresetFlags& flags);
// Writes a preset through a temporary file, so a failed write leaves an old file intact.
bool WritePresetFile(const std::wstring& path, const PresetValues& values, const PresetFlags& flags);
// Overwrites the values the file holds, each only where its key is present. False, with
// nothing changed, when the file cannot be opened or its "Version" is not 100.
bool ReadPresetFile(const std::wstring& path, PresetValues& values);

}  // namespace vl
