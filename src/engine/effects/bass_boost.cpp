#include "engine/effects/bass_boost.h"

#include <algorithm>
#include <cmath>

#include "engine/effects/pcm_sample.h"

namespace vl {

namespace {

constexpr int kMaxLevel = 20;
constexpr double kQ30 = 1073741824.0;

// The history holds two channels; anything else is left unfiltered.
bool ChannelsSupported(int channels) { return channels == 1 || channels == 2; }

// Filter output back to samples at the loudness compensation.
VL_SAMPLE_LOOP void BassOutput(int16_t* __restrict s, const int32_t* __restrict y, uint32_t count, int32_t gain) {
    for (uint32_t k = 0; k < count; ++k) s[k] = static_cast<int16_t>(Clamp16((y[k] >> 14) * gain / 100));
}

}  // namespace

void BassBoost::SetLevel(int level) {
    Locked hold(lock_);
    level_ = std::clamp(level, 0, kMaxLevel);
    ComputeCoefficients();
}

void BassBoost::Prepare(int channels, int sampleRate) {
    Locked hold(lock_);
    channels_ = channels;
    sampleRate_ = sampleRate;
    if (level_ != 0 && channels_ != 0 && sampleRate_ != 0) ComputeCoefficients();
}

void BassBoost::ClearHistory() {
    Locked hold(lock_);
    for (int c = 0; c < 2; ++c) x1_[c] = x2_[c] = y1_[c] = y2_[c] = 0;
}

void BassBoost::Release() {
    Locked hold(lock_);
    channels_ = 0;
    sampleRate_ = 0;
}

void BassBoost::ComputeCoefficients() {
    gain_ = static_cast<int>(std::pow(10.0, level_ * -0.02) * 100);
    ClearHistory();
    if (sampleRate_ <= 0) return;  // no run yet: the next Prepare computes them

    // Low shelf at 140 Hz; A = 10^(level/80), so level 20 is a 10 dB shelf.
    const double A = std::exp(level_ * std::log(10.0) * 0.0125);
    const double w0 = 879.64594300492 / sampleRate_;
    const double cs = std::cos(w0);
    const double sn = std::sin(w0);
    const double beta = std::sqrt((A * A + 1) / 3 - (A - 1) * (A - 1));
    const double a0 = (A + 1) + (A - 1) * cs + beta * sn;
    const double b0 = A * ((A + 1) - (A - 1) * cs + beta * sn) / a0;
    const double b1 = 2 * A * ((A - 1) - (A + 1) * cs) / a0;
    const double b2 = A * ((A + 1) - (A - 1) * cs - beta * sn) / a0;
    const double a1 = -2 * ((A - 1) + (A + 1) * cs) / a0;
    const double a2 = ((A + 1) + (A - 1) * cs - beta * sn) / a0;
    b0_ = static_cast<int64_t>(b0 * kQ30);
    b1_ = static_cast<int64_t>(b1 * kQ30);
    b2_ = static_cast<int64_t>(b2 * kQ30);
    a1_ = static_cast<int64_t>(a1 * kQ30);
    a2_ = static_cast<int64_t>(a2 * kQ30);
}

void BassBoost::Process(int bits, uint8_t* data, uint32_t length) {
    Locked hold(lock_);
    if (level_ == 0 || sampleRate_ <= 0 || !ChannelsSupported(channels_) || data == nullptr) return;
    if (bits != 8 && bits != 16) return;

    const uint32_t frames = length / static_cast<uint32_t>(bits / 8 * channels_);
    if (bits == 16) {
        if (channels_ == 2) Run16<2>(data, frames * 2);
        else Run16<1>(data, frames);
    } else {
        if (channels_ == 2) Run<2, false>(data, frames);
        else Run<1, false>(data, frames);
    }
}

// The filter over 16-bit chunks: the recursion runs first (the feedback product last, so the
// other four are off its path), then the output gain over the whole chunk, which vectorises.
template <int kChannels>
void BassBoost::Run16(uint8_t* data, uint32_t samples) {
    const int64_t b0 = b0_, b1 = b1_, b2 = b2_, a1 = a1_, a2 = a2_;
    const int32_t gain = gain_;
    int32_t x1[2] = {x1_[0], x1_[1]}, x2[2] = {x2_[0], x2_[1]};
    int32_t y1[2] = {y1_[0], y1_[1]}, y2[2] = {y2_[0], y2_[1]};
    ForEachChunk16(data, samples, [&](int16_t* s, uint32_t n) {
        alignas(32) int32_t out[kPcmChunk];
        for (uint32_t k = 0; k < n; k += kChannels) {
            for (int c = 0; c < kChannels; ++c) {
                const int32_t x = s[k + c] * 16384;
                // Unsigned, so an extreme history wraps like the 64-bit machine sum; the order
                // of the terms does not change a wrapping sum.
                const uint64_t ahead = static_cast<uint64_t>(b0 * x) + static_cast<uint64_t>(b1 * x1[c]) +
                                       static_cast<uint64_t>(b2 * x2[c]) - static_cast<uint64_t>(a2 * y2[c]);
                const int32_t y =
                    static_cast<int32_t>(static_cast<int64_t>(ahead - static_cast<uint64_t>(a1 * y1[c])) >> 30);
                x2[c] = x1[c];
                x1[c] = x;
                y2[c] = y1[c];
                y1[c] = y;
                out[k + c] = y;
            }
        }
        BassOutput(s, out, n, gain);
    });
    for (int c = 0; c < 2; ++c) {
        x1_[c] = x1[c];
        x2_[c] = x2[c];
        y1_[c] = y1[c];
        y2_[c] = y2[c];
    }
}

// Coefficients and history in locals: stores through the buffer's byte pointer could alias
// the members and force reloads on every sample.
template <int kChannels, bool k16Bit>
void BassBoost::Run(uint8_t* p, uint32_t frames) {
    const int64_t b0 = b0_, b1 = b1_, b2 = b2_, a1 = a1_, a2 = a2_;
    const int32_t gain = gain_;
    int32_t x1[2] = {x1_[0], x1_[1]}, x2[2] = {x2_[0], x2_[1]};
    int32_t y1[2] = {y1_[0], y1_[1]}, y2[2] = {y2_[0], y2_[1]};
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < kChannels; ++c, p += k16Bit ? 2 : 1) {
            // Into the filter domain: both widths end up with the full scale near 2^29.
            const int32_t x = k16Bit ? ReadPcm16(p) * 16384 : (static_cast<int32_t>(*p) - 128) * 4194304;
            // Summed as unsigned so that an extreme history wraps like the 64-bit machine sum
            // instead of overflowing.
            const uint64_t acc = static_cast<uint64_t>(b0 * x) + static_cast<uint64_t>(b1 * x1[c]) +
                                 static_cast<uint64_t>(b2 * x2[c]) - static_cast<uint64_t>(a1 * y1[c]) -
                                 static_cast<uint64_t>(a2 * y2[c]);
            const int32_t y = static_cast<int32_t>(static_cast<int64_t>(acc) >> 30);
            x2[c] = x1[c];
            x1[c] = x;
            y2[c] = y1[c];
            y1[c] = y;

            const int32_t v = (y >> 14) * gain / 100;
            if (k16Bit) WritePcm16(p, Clamp16(v));
            else *p = Pcm16To8(v);
        }
    }
    for (int c = 0; c < 2; ++c) {
        x1_[c] = x1[c];
        x2_[c] = x2[c];
        y1_[c] = y1[c];
        y2_[c] = y2[c];
    }
}

}  // namespace vl
