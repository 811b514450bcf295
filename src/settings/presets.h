#pragma once
// Effect presets on the engine: saving the engine's current equalizer and effect values to a
// preset file, and applying a preset file to the engine. File format and folder: preset_file.h.
#include <string>

#include "settings/preset_file.h"

namespace vl {

class PlayerEngine;

// What the effects sheet shares with its presets page and the "Save Presets" dialog.
struct EffectsSheetContext {
    PlayerEngine* engine = nullptr;
    std::wstring presetName;
    PresetFlags flags;  // what "Save Presets" stores
};

// The engine's current values (all of them).
PresetValues GetEngineValues(PlayerEngine& engine);
// Pushes every value into the engine (every setter is called).
void SetEngineValues(PlayerEngine& engine, const PresetValues& values);

// Writes the engine's values of the chosen sections to path. False when nothing was written.
bool WritePreset(EffectsSheetContext& context, const std::wstring& path, const PresetFlags& flags);
// Applies a preset file to the engine: sections and keys missing from the file keep the
// engine's values. False (engine untouched) when the file is unreadable or of another version.
bool ReadPreset(EffectsSheetContext& context, const std::wstring& path);

}  // namespace vl
