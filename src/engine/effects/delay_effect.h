#pragma once
// One delay line serving two effects: reverb (feedback comb) and echo (feed-forward comb).
#include <cstdint>

#include "engine/types.h"
#include "platform/critical_section.h"

namespace vl {

class DelayEffect {
public:
    enum Mode { kReverb = 0, kEcho = 1 };
    explicit DelayEffect(int mode);
    ~DelayEffect();
    DelayEffect(const DelayEffect&) = delete;
    DelayEffect& operator=(const DelayEffect&) = delete;

    void SetParams(const EffectParams& params);
    void GetParams(EffectParams& params) const;
    bool Prepare(int channels, int sampleRate);
    void ClearLine();
    void Release();
    void Process(int bits, uint8_t* data, uint32_t length);
    int LineLength() const { return line_ ? length_ : 0; }

private:
    template <bool kEchoMode, bool k16Bit>
    void Run(uint8_t* data, uint32_t samples);
    template <bool kEchoMode>
    void RunNarrow16(uint8_t* data, uint32_t samples);

    int mode_;
    int channels_ = 0;
    int sampleRate_ = 0;
    int writeIndex_ = 0;
    int readIndex_ = 0;
    int length_ = 0;
    int32_t* line_ = nullptr;
    CriticalSection lock_;
    int enable_ = 0;
    int delay_ = 100;
    int rate_ = 20;
};

}  // namespace vl
