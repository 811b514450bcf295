#include "engine/effects/effect_chain.h"

#include <cmath>

#include "engine/output/audio_output.h"

namespace vl {

void EffectChain::SetEqualizer(const EqualizerParams& params) {
    eqEnabled_ = params.enable;
    preamp_ = params.preamp;
    preampGain_ = static_cast<int>(std::pow(10.0, (params.preamp - 31) * (-20.0 / 31.0) * 0.05) * 256.0);
}

void EffectChain::ApplyPreamp(uint8_t* data, uint32_t length, int bits) const {
    if (eqEnabled_) AudioOutput::ApplyPreamp(data, length, preampGain_, bits);
}

template <typename Fn>
void EffectChain::WithEffect(int kind, Fn fn) {
    switch (kind) {
        case kEffectReverb: fn(reverb_); break;
        case kEffectEcho: fn(echo_); break;
        case kEffectSurround: fn(surround_); break;
        case kEffectChorus3D: fn(chorus_); break;
        default: break;
    }
}

void EffectChain::SetParams(int kind, const EffectParams& params) {
    WithEffect(kind, [&](auto& effect) { effect.SetParams(params); });
}

void EffectChain::GetParams(int kind, EffectParams& params) {
    WithEffect(kind, [&](auto& effect) { effect.GetParams(params); });
}

void EffectChain::Prepare(int channels, int sampleRate) {
    bassBoost_.Prepare(channels, sampleRate);
    echo_.Prepare(channels, sampleRate);
    reverb_.Prepare(channels, sampleRate);
    if (channels == 2) chorus_.Prepare(sampleRate);
}

void EffectChain::Process(int bits, int channels, uint8_t* data, uint32_t length) {
    if (channels == 2) {
        chorus_.Process(bits, data, length);
        surround_.Process(bits, data, length);
    }
    bassBoost_.Process(bits, data, length);
    echo_.Process(bits, data, length);
    reverb_.Process(bits, data, length);
}

void EffectChain::ClearForSeek() {
    reverb_.ClearLine();
    echo_.ClearLine();
    bassBoost_.ClearHistory();
    chorus_.Reset();
}

void EffectChain::Release() {
    echo_.Release();
    reverb_.Release();
    bassBoost_.Release();
    chorus_.Release();
}

}  // namespace vl
