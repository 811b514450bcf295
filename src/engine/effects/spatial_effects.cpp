#include "engine/effects/spatial_effects.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/effects/pcm_sample.h"

namespace vl {

namespace {

// Lines hold one second; below a few entries the ring and its sweep have no room.
constexpr int kMinChorusRate = 8;
constexpr int kMaxChorusRate = 1000000;

// Runs fn(sample16) -> sample16 over interleaved stereo frames of either width.
template <typename Fn>
void ForEachFrame(int bits, uint8_t* data, uint32_t length, Fn fn) {
    if (data == nullptr) return;
    // One loop per width, so the per-frame work carries no width test.
    if (bits == 16) {
        const uint32_t frames = length / 4;
        for (uint32_t f = 0; f < frames; ++f, data += 4) {
            int32_t l = ReadPcm16(data), r = ReadPcm16(data + 2);
            fn(l, r);
            WritePcm16(data, l);
            WritePcm16(data + 2, r);
        }
    } else if (bits == 8) {
        const uint32_t frames = length / 2;
        for (uint32_t f = 0; f < frames; ++f, data += 2) {
            int32_t l = Pcm8To16(data[0]), r = Pcm8To16(data[1]);
            fn(l, r);
            data[0] = Pcm16To8(l);
            data[1] = Pcm16To8(r);
        }
    }
}

// Both formulas are one: each sample plus its difference to the other channel of the frame,
// so the loop runs over the samples in order against a copy with the pairs swapped.
VL_SAMPLE_LOOP void SurroundChunk(int16_t* __restrict s, uint32_t count, int32_t rate, int32_t gain) {
    alignas(32) int16_t other[kPcmChunk];
    for (uint32_t k = 0; k < count; ++k) other[k] = s[k ^ 1];
    for (uint32_t k = 0; k < count; ++k) {
        const int32_t x = s[k];
        s[k] = static_cast<int16_t>(Clamp16(gain * (x + (x - other[k]) * rate / 100) / 100));
    }
}

}  // namespace

int SpatialGain(int rate) {
    // A negative rate would otherwise push the factor past what an int holds.
    const double g = std::pow(10.0, rate * -0.00175) * 100;
    return g >= INT_MAX ? INT_MAX : static_cast<int>(g);
}

// ---- Surround ----

void Surround::SetParams(const EffectParams& params) {
    Locked hold(lock_);
    enable_ = params.enable;
    rate_ = std::clamp(params.rate, 0, 100);
    gain_ = SpatialGain(rate_);
}

void Surround::GetParams(EffectParams& params) const {
    Locked hold(lock_);
    params.enable = enable_;
    params.delay = 0;
    params.rate = rate_;
}

void Surround::Process(int bits, uint8_t* data, uint32_t length) {
    int enable, rate, gain;
    {
        Locked hold(lock_);
        enable = enable_;
        rate = rate_;
        gain = gain_;
    }
    if (enable == 0 || rate == 0) return;
    if (bits == 16 && data != nullptr) {
        // rate 0..100 and gain 0..100 keep every step within 32 bits.
        ForEachChunk16(data, length / 4 * 2, [rate, gain](int16_t* s, uint32_t n) { SurroundChunk(s, n, rate, gain); });
        return;
    }
    ForEachFrame(bits, data, length, [rate, gain](int32_t& l, int32_t& r) {
        const int32_t L = l, R = r;
        l = Clamp16(gain * (L + rate * (L - R) / 100) / 100);
        r = Clamp16(gain * (R + (R - L) * rate / 100) / 100);
    });
}

// ---- 3D chorus ----

Chorus3D::Chorus3D() { Reset(); }

Chorus3D::~Chorus3D() { Release(); }

void Chorus3D::SetParams(const EffectParams& params) {
    Locked hold(lock_);
    enable_ = params.enable;
    rate_ = params.rate;
    Reset();
}

void Chorus3D::GetParams(EffectParams& params) const {
    params.enable = enable_;
    params.rate = rate_;
}

void Chorus3D::Prepare(int sampleRate) {
    Locked hold(lock_);
    Release();
    if (sampleRate < kMinChorusRate || sampleRate > kMaxChorusRate) return;  // stays unprepared
    line_[0] = new (std::nothrow) int32_t[static_cast<size_t>(sampleRate)];
    line_[1] = new (std::nothrow) int32_t[static_cast<size_t>(sampleRate)];
    if (line_[0] == nullptr || line_[1] == nullptr) {
        Release();
        return;
    }
    size_ = sampleRate;
    baseDelay_ = sampleRate * 6 / 1000;
    step_ = 1;
    Reset();
}

void Chorus3D::Reset() {
    Locked hold(lock_);
    write_[0] = write_[1] = 0;
    sweep_[0] = 0;
    sweep_[1] = size_ / 2;
    for (int32_t* line : line_)
        if (line != nullptr) std::fill(line, line + size_, 0);
    gain_ = SpatialGain(rate_);
}

void Chorus3D::Release() {
    Locked hold(lock_);
    delete[] line_[0];
    delete[] line_[1];
    line_[0] = line_[1] = nullptr;
    size_ = 0;
}

namespace {

// One channel of the 3D chorus over a whole buffer; the channels share no state, so each runs
// in its own tight loop. Wide selects 64/128-bit arithmetic for rates outside the page's 0..100.
template <bool k16Bit, bool kWide>
void ChorusChannel(uint8_t* p, uint32_t frames, int32_t* line, int& writeIndex, int& sweepIndex, int size,
                   int base, int step, int rate, int gain) {
    constexpr uint32_t kBytes = k16Bit ? 2 : 1;
    const int ring = size - 1;  // the line is used as a ring of size - 1 entries
    const int half = size / 2;
    int w = writeIndex, sw = sweepIndex;
    for (uint32_t f = 0; f < frames; ++f, p += 2 * kBytes) {
        const int32_t x = k16Bit ? ReadPcm16(p) : Pcm8To16(*p);
        // Triangle sweep of the extra delay, in 1/256 samples.
        const int t = sw < half ? sw : size - sw;
        int64_t pos = int64_t{w - base} * 256 - int64_t{step} * t;
        if (pos < 0) pos += int64_t{ring} * 256;
        const int i = static_cast<int>(pos >> 8);
        const int frac = static_cast<int>(pos & 255);
        const int j = i + 1 == ring ? 0 : i + 1;
        line[w] = x;
        if (++w >= ring) w = 0;
        if (++sw >= ring) sw = 0;
        int32_t y;
        if (!kWide) {
            // 16-bit samples keep the delayed value within 2^24 and, with rate and gain in
            // 0..100, every step within 32 bits.
            const int32_t delayed = line[i] * (256 - frac) + line[j] * frac;
            y = Clamp16(((x * 256 - delayed * rate / 100) * gain / 100) >> 8);
        } else {
            const int64_t delayed = int64_t{line[i]} * (256 - frac) + int64_t{line[j]} * frac;
            const __int128 v = static_cast<__int128>(int64_t{x} * 256 - delayed * rate / 100) * gain / 100;
            const __int128 wide = v >> 8;
            y = wide < -32768 ? -32768 : (wide > 32767 ? 32767 : static_cast<int32_t>(wide));
        }
        if (k16Bit) WritePcm16(p, y);
        else *p = Pcm16To8(y);
    }
    writeIndex = w;
    sweepIndex = sw;
}

// x = the input minus its delayed copy at rate percent, at gain percent (16-bit samples, rate
// and gain in 0..100: every step fits 32 bits).
VL_SAMPLE_LOOP void ChorusMix(int32_t* __restrict x, const int32_t* __restrict delayed, int count, int32_t rate,
                              int32_t gain) {
    for (int k = 0; k < count; ++k) x[k] = Clamp16(((x[k] * 256 - delayed[k] * rate / 100) * gain / 100) >> 8);
}

// The same for 16-bit samples with rate and gain in 0..100 and a base delay of at least two
// samples, in blocks within which neither the write index nor the sweep wraps or turns and no
// read reaches an entry the block writes. Per block: the delayed values (the only scalar
// part), the new entries in one copy, then the arithmetic over plain arrays, which vectorises.
void ChorusChannel16(int16_t* s, uint32_t frames, int32_t* line, int& writeIndex, int& sweepIndex, int size,
                     int base, int step, int rate, int gain) {
    constexpr int kBlock = 256;
    const int ring = size - 1;
    const int half = size / 2;
    int w = writeIndex, sw = sweepIndex;
    alignas(32) int32_t x[kBlock];
    alignas(32) int32_t delayed[kBlock];
    for (uint32_t done = 0; done < frames;) {
        const bool rising = sw < half;
        int m = std::min<int>(kBlock, static_cast<int>(frames - done));
        m = std::min(m, ring - w);
        m = std::min(m, base - 1);
        m = std::min(m, rising ? half - sw : ring - sw);
        const int t0 = rising ? sw : size - sw;
        // pos moves by 256 - step per frame while t rises, 256 + step while it falls.
        const int64_t slope = rising ? 256 - step : 256 + step;
        const int64_t pos0 = int64_t{w - base} * 256 - int64_t{step} * t0;
        const int64_t wrap = int64_t{ring} * 256;
        int16_t* p = s + 2 * done;
        for (int k = 0; k < m; ++k) {
            int64_t pos = pos0 + slope * k;
            if (pos < 0) pos += wrap;
            const int i = static_cast<int>(pos >> 8);
            const int frac = static_cast<int>(pos & 255);
            const int j = i + 1 == ring ? 0 : i + 1;
            delayed[k] = line[i] * (256 - frac) + line[j] * frac;
            x[k] = p[2 * k];
        }
        std::memcpy(line + w, x, static_cast<size_t>(m) * sizeof(int32_t));
        ChorusMix(x, delayed, m, rate, gain);
        for (int k = 0; k < m; ++k) p[2 * k] = static_cast<int16_t>(x[k]);
        w += m;
        if (w >= ring) w = 0;
        sw += m;
        if (sw >= ring) sw = 0;
        done += static_cast<uint32_t>(m);
    }
    writeIndex = w;
    sweepIndex = sw;
}

}  // namespace

void Chorus3D::Process(int bits, uint8_t* data, uint32_t length) {
    Locked hold(lock_);
    if (enable_ == 0 || rate_ == 0 || size_ == 0 || line_[0] == nullptr || line_[1] == nullptr) return;
    if (data == nullptr || (bits != 8 && bits != 16)) return;
    const uint32_t bytes = static_cast<uint32_t>(bits / 8);
    const uint32_t frames = length / (2 * bytes);
    const bool wide = rate_ < 0 || rate_ > 100 || gain_ < 0 || gain_ > 100;
    if (bits == 16 && !wide && baseDelay_ >= 2) {
        ForEachChunk16(data, frames * 2, [this](int16_t* s, uint32_t n) {
            for (int c = 0; c < 2; ++c)
                ChorusChannel16(s + c, n / 2, line_[c], write_[c], sweep_[c], size_, baseDelay_, step_, rate_,
                                gain_);
        });
        return;
    }
    for (int c = 0; c < 2; ++c) {
        uint8_t* p = data + c * bytes;
        auto run = bits == 16 ? (wide ? ChorusChannel<true, true> : ChorusChannel<true, false>)
                              : (wide ? ChorusChannel<false, true> : ChorusChannel<false, false>);
        run(p, frames, line_[c], write_[c], sweep_[c], size_, baseDelay_, step_, rate_, gain_);
    }
}

}  // namespace vl
