#include "settings/presets.h"

#include "engine/player_engine.h"

namespace vl {

PresetValues GetEngineValues(PlayerEngine& engine) {
    PresetValues v;
    engine.GetEqualizer(v.equalizer);
    engine.GetEffect(kEffectSurround, v.surround);
    engine.GetEffect(kEffectChorus3D, v.chorus3D);
    engine.GetEffect(kEffectReverb, v.reverb);
    engine.GetEffect(kEffectEcho, v.echo);
    v.bassBoost = engine.GetBassBoost();
    return v;
}

void SetEngineValues(PlayerEngine& engine, const PresetValues& v) {
    engine.SetEqualizer(v.equalizer);
    engine.SetEffect(kEffectSurround, v.surround);
    engine.SetEffect(kEffectChorus3D, v.chorus3D);
    engine.SetEffect(kEffectReverb, v.reverb);
    engine.SetEffect(kEffectEcho, v.echo);
    engine.SetBassBoost(v.bassBoost);
}

bool WritePreset(EffectsSheetContext& context, const std::wstring& path, const PresetFlags& flags) {
    if (!context.engine) return false;
    return WritePresetFile(path, GetEngineValues(*context.engine), flags);
}

bool ReadPreset(EffectsSheetContext& context, const std::wstring& path) {
    if (!context.engine) return false;
    PresetValues values = GetEngineValues(*context.engine);
    if (!ReadPresetFile(path, values)) return false;
    SetEngineValues(*context.engine, values);
    return true;
}

}  // namespace vl
