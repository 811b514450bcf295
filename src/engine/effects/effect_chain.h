#pragma once
// The effects between the inputs and the output, in the order they run over each buffer:
// the equalizer's preamp stage (inputs other than MPEG, whose decoder equalizes), 3D chorus and
// surround (stereo only), bass boost, echo, reverb.
//
// Threads: parameters are set from the user interface; Prepare, Process, ClearForSeek and
// Release run on the decode thread. Each effect guards its own state.
#include <atomic>
#include <cstdint>

#include "engine/effects/bass_boost.h"
#include "engine/effects/delay_effect.h"
#include "engine/effects/spatial_effects.h"
#include "engine/types.h"

namespace vl {

class EffectChain {
public:
    // enable and preamp of the equalizer; the ten bands belong to the decoder.
    void SetEqualizer(const EqualizerParams& params);
    bool EqualizerEnabled() const { return eqEnabled_ != 0; }
    int Preamp() const { return preamp_; }
    int PreampGain() const { return preampGain_; }
    // The preamp of an enabled equalizer over decoded PCM (inputs without their own equalizer).
    void ApplyPreamp(uint8_t* data, uint32_t length, int bits) const;

    // kind: EffectKind; other kinds are ignored (GetParams leaves params as they were).
    void SetParams(int kind, const EffectParams& params);
    void GetParams(int kind, EffectParams& params);
    void SetBassBoost(int level) { bassBoost_.SetLevel(level); }
    int GetBassBoost() const { return bassBoost_.GetLevel(); }

    // A run's start: lines and filters for this format.
    void Prepare(int channels, int sampleRate);
    // Every effect over one buffer of interleaved PCM, in place.
    void Process(int bits, int channels, uint8_t* data, uint32_t length);
    // After a seek: the delay lines and filter histories forget the old position.
    void ClearForSeek();
    // A run's end: the lines are freed.
    void Release();

private:
    // The one place that maps an effect kind to its instance.
    template <typename Fn>
    void WithEffect(int kind, Fn fn);

    std::atomic<int> eqEnabled_{0};
    std::atomic<int> preamp_{31};
    std::atomic<int> preampGain_{256};
    DelayEffect reverb_{DelayEffect::kReverb};
    DelayEffect echo_{DelayEffect::kEcho};
    Surround surround_;
    BassBoost bassBoost_;
    Chorus3D chorus_;
};

}  // namespace vl
