#pragma once
// The two stereo wideners: surround and 3D chorus.
#include <cstdint>

#include "engine/types.h"
#include "platform/critical_section.h"

namespace vl {

// Loudness compensation shared by both: percent for a rate.
int SpatialGain(int rate);

class Surround {
public:
    virtual ~Surround() = default;
    void SetParams(const EffectParams& params);
    void GetParams(EffectParams& params) const;
    void Process(int bits, uint8_t* data, uint32_t length);  // interleaved stereo
    int OutputGain() const {
        Locked hold(lock_);
        return gain_;
    }

private:
    mutable CriticalSection lock_;  // the window sets what the decode thread reads
    int enable_ = 0;
    int rate_ = 20;
    int gain_ = 92;
};

class Chorus3D {
public:
    Chorus3D();
    ~Chorus3D();
    Chorus3D(const Chorus3D&) = delete;
    Chorus3D& operator=(const Chorus3D&) = delete;

    void SetParams(const EffectParams& params);
    void GetParams(EffectParams& params) const;  // the caller's delay is left as it was
    void Prepare(int sampleRate);
    void Reset();
    void Release();
    void Process(int bits, uint8_t* data, uint32_t length);  // interleaved stereo
    int OutputGain() const { return gain_; }

private:
    CriticalSection lock_;
    int enable_ = 0;
    int rate_ = 50;
    int gain_ = 81;
    int size_ = 0;
    int write_[2] = {};
    int sweep_[2] = {};
    int baseDelay_ = 0;
    int step_ = 1;
    int32_t* line_[2] = {nullptr, nullptr};
};

}  // namespace vl
