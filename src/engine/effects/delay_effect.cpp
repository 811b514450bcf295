#include "engine/effects/delay_effect.h"

#include <algorithm>
#include <new>

#include "engine/effects/pcm_sample.h"

namespace vl {

namespace {

// Longest line we build: 64 MB, about three minutes of 44.1 kHz stereo.
constexpr int64_t kMaxLineEntries = int64_t{1} << 24;

}  // namespace

DelayEffect::DelayEffect(int mode) : mode_(mode) {}

DelayEffect::~DelayEffect() { delete[] line_; }

void DelayEffect::SetParams(const EffectParams& params) {
    Locked hold(lock_);
    delete[] line_;
    line_ = nullptr;
    enable_ = params.enable;
    delay_ = params.delay;
    rate_ = params.rate;
    Prepare(channels_, sampleRate_);
}

void DelayEffect::GetParams(EffectParams& params) const {
    params.enable = enable_;
    params.delay = delay_;
    params.rate = rate_;
}

bool DelayEffect::Prepare(int channels, int sampleRate) {
    Locked hold(lock_);
    channels_ = channels;
    sampleRate_ = sampleRate;
    delete[] line_;  // a run that was never released must not leak its line
    line_ = nullptr;
    length_ = 0;
    readIndex_ = writeIndex_ = 0;
    if (channels == 0 || sampleRate == 0 || enable_ == 0 || rate_ == 0 || delay_ == 0) return true;
    if (channels < 0 || sampleRate < 0 || delay_ < 0) return false;

    // 64-bit so that a long delay at a high rate cannot wrap into a small or negative line.
    int64_t n = int64_t{channels} * (int64_t{sampleRate} * delay_ / 1000);
    if (n % 2 != 0) n = (n & ~int64_t{15}) | 1;  // mono: a multiple of 16 samples plus one
    if (n + 1 > kMaxLineEntries) return false;

    line_ = new (std::nothrow) int32_t[static_cast<size_t>(n + 1)]();
    if (line_ == nullptr) return false;
    length_ = static_cast<int>(n + 1);
    // The read slot is the one the write index reaches last, so it holds the sample
    // written n samples ago.
    writeIndex_ = 0;
    readIndex_ = 1 % length_;
    return true;
}

void DelayEffect::ClearLine() {
    Locked hold(lock_);
    if (line_ == nullptr) return;
    for (int i = 0; i < length_; ++i) line_[i] = 0;
}

void DelayEffect::Release() {
    Locked hold(lock_);
    delete[] line_;
    line_ = nullptr;
    length_ = 0;
}

void DelayEffect::Process(int bits, uint8_t* data, uint32_t length) {
    Locked hold(lock_);
    if (enable_ == 0 || channels_ <= 0 || sampleRate_ <= 0 || delay_ == 0 || rate_ == 0) return;
    if (line_ == nullptr || data == nullptr || (bits != 8 && bits != 16)) return;

    if (bits == 16) {
        // The common case: a product of rate and a 16-bit sample that fits 32 bits, and a line
        // of at least two entries (the read slot is then always the one after the write slot).
        const bool narrow = rate_ >= -65535 && rate_ <= 65535 && length_ >= 2;
        if (narrow && mode_ == kEcho) RunNarrow16<true>(data, length / 2);
        else if (narrow) RunNarrow16<false>(data, length / 2);
        else if (mode_ == kEcho) Run<true, true>(data, length / 2);
        else Run<false, true>(data, length / 2);
    } else {
        if (mode_ == kEcho) Run<true, false>(data, length);
        else Run<false, false>(data, length);
    }
}

namespace {

// One stretch of the line without a wrap: entry k + 1 is the oldest (the one read), entry k
// takes the new value. Each entry is read before it is written, so the loop vectorises.
template <bool kEchoMode>
VL_SAMPLE_LOOP void DelayStretch(int16_t* __restrict samples, int32_t* line, uint32_t count, int32_t rate) {
    for (uint32_t k = 0; k < count; ++k) {
        const int32_t x = samples[k];
        const int32_t d = line[k + 1];
        const int32_t y = Clamp16(x + rate * d / 100);
        line[k] = kEchoMode ? x : y;
        samples[k] = static_cast<int16_t>(y);
    }
}

}  // namespace

template <bool kEchoMode>
void DelayEffect::RunNarrow16(uint8_t* data, uint32_t samples) {
    int32_t* const line = line_;
    const int last = length_ - 1;
    const int32_t rate = rate_;
    int w = writeIndex_;
    ForEachChunk16(data, samples, [&](int16_t* s, uint32_t n) {
        while (n > 0) {
            if (w == last) {
                // The read slot has wrapped round to entry 0.
                const int32_t x = s[0];
                const int32_t y = Clamp16(x + rate * line[0] / 100);
                line[w] = kEchoMode ? x : y;
                s[0] = static_cast<int16_t>(y);
                w = 0;
                ++s;
                --n;
                continue;
            }
            const uint32_t m = std::min<uint32_t>(n, static_cast<uint32_t>(last - w));
            DelayStretch<kEchoMode>(s, line + w, m, rate);
            w += static_cast<int>(m);
            s += m;
            n -= m;
        }
    });
    writeIndex_ = w;
    readIndex_ = w == last ? 0 : w + 1;
}

// The line and its indices live in locals: stores through the byte pointer of the buffer
// could otherwise alias every member and force reloads on each sample.
template <bool kEchoMode, bool k16Bit>
void DelayEffect::Run(uint8_t* p, uint32_t samples) {
    int32_t* const line = line_;
    const int length = length_;
    const int64_t rate = rate_;
    int w = writeIndex_, r = readIndex_;
    for (uint32_t s = 0; s < samples; ++s, p += k16Bit ? 2 : 1) {
        const int32_t x = k16Bit ? ReadPcm16(p) : Pcm8To16(*p);
        if (kEchoMode) {
            line[w] = x;
            if (++w >= length) w = 0;
        }
        const int32_t d = line[r];
        if (++r >= length) r = 0;
        const int32_t y = Clamp16(x + rate * d / 100);
        if (!kEchoMode) {
            line[w] = y;
            if (++w >= length) w = 0;
        }
        if (k16Bit) WritePcm16(p, y);
        else *p = Pcm16To8(y);
    }
    writeIndex_ = w;
    readIndex_ = r;
}

}  // namespace vl
