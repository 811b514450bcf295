#pragma once
// Low-shelf biquad at 140 Hz with loudness compensation; level 0..20 (0 = off).
#include <cstdint>

#include "platform/critical_section.h"

namespace vl {

class BassBoost {
public:
    void SetLevel(int level);
    int GetLevel() const { return level_; }
    void Prepare(int channels, int sampleRate);
    void ClearHistory();
    void Release();
    // Filters interleaved 8- or 16-bit PCM in place.
    void Process(int bits, uint8_t* data, uint32_t length);
    int OutputGain() const { return gain_; }  // percent

private:
    void ComputeCoefficients();
    template <int kChannels, bool k16Bit>
    void Run(uint8_t* data, uint32_t frames);
    template <int kChannels>
    void Run16(uint8_t* data, uint32_t samples);

    int64_t a1_ = 0, a2_ = 0, b0_ = 0, b1_ = 0, b2_ = 0;  // Q30
    int32_t x1_[2] = {}, x2_[2] = {}, y1_[2] = {}, y2_[2] = {};
    int channels_ = 0;
    int sampleRate_ = 0;
    int level_ = 0;
    int gain_ = 100;
    CriticalSection lock_;
};

}  // namespace vl
