#include "engine/input/mpeg_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace vl {

namespace {

// Equalizer band of each of the 32 subbands, lowest first.
constexpr int kSubbandBand[32] = {0, 1, 2, 3, 4, 5, 6, 6, 7, 7, 7, 7, 8, 8, 8, 8,
                                  8, 8, 8, 8, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
constexpr double kMaxBoostDb = 18.0;
constexpr int32_t kUnityGain = 0x10000000;  // 1.0 in Q28

// Slider step to dB: 31 is exactly 0 dB, 0 is +20 dB, 63 is -20 dB.
double StepToDb(int step) { return step == 31 ? 0.0 : 20.0 - step * 40.0 / 63.0; }

int32_t ClampToInt32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

}  // namespace

void ComputeSubbandGains(const EqualizerParams& params, int32_t gains[32]) {
    double preampDb = StepToDb(params.preamp);
    for (int i = 0; i < 32; ++i) {
        double total = StepToDb(params.band[kSubbandBand[i]]) + preampDb;
        if (total > kMaxBoostDb) total = kMaxBoostDb;
        gains[i] = static_cast<int32_t>(std::pow(10.0, total * 0.05) * 268435456.0 + 0.5);
    }
}

int32_t ScaleSample(mad_fixed_t sample, int bits) {
    int b = bits > 24 ? 24 : bits;
    int64_t s = static_cast<int64_t>(sample) + (int64_t{1} << (28 - b));
    if (s < -0x10000000) s = -0x10000000;
    if (s > 0x0FFFFFFF) s = 0x0FFFFFFF;
    return static_cast<int32_t>(s >> (29 - b));
}

MpegDecoder* MpegDecoder::Create() {
    MpegDecoder* d = new (std::nothrow) MpegDecoder();
    if (!d) return nullptr;
    mad_stream_init(&d->stream_);
    mad_frame_init(&d->frame_);
    mad_synth_init(&d->synth_);
    for (int32_t& g : d->gains_) g = kUnityGain;
    d->eqEnabled_ = 0;
    d->pendingSamples_ = 0;
    return d;
}

void MpegDecoder::Destroy() {
    mad_frame_finish(&frame_);
    mad_stream_finish(&stream_);
    delete this;
}

void MpegDecoder::SetEqualizer(const EqualizerParams& params) {
    int32_t gains[32];
    ComputeSubbandGains(params, gains);
    std::lock_guard<std::mutex> lock(eqLock_);
    std::memcpy(gains_, gains, sizeof(gains_));
    eqEnabled_ = params.enable;
}

// Scales the frame's subband samples before synthesis.
void MpegDecoder::Equalize() {
    int32_t gains[32];
    {
        std::lock_guard<std::mutex> lock(eqLock_);
        if (!eqEnabled_) return;
        std::memcpy(gains, gains_, sizeof(gains));
    }
    int32_t factor[32];
    for (int i = 0; i < 32; ++i) factor[i] = static_cast<int32_t>((static_cast<int64_t>(gains[i]) + 0x8000) >> 16);
    int channels = MAD_NCHANNELS(&frame_.header);
    int slots = MAD_NSBSAMPLES(&frame_.header);
    for (int ch = 0; ch < channels; ++ch) {
        for (int s = 0; s < slots; ++s) {
            mad_fixed_t* sb = frame_.sbsample[ch][s];
            for (int i = 0; i < 32; ++i) {
                // A boosted full-scale sample saturates instead of wrapping round.
                int64_t v = ((static_cast<int64_t>(sb[i]) + 2048) >> 12) * factor[i];
                sb[i] = ClampToInt32(v);
            }
        }
    }
}

int MpegDecoder::OutChannels() const {
    if (outChannels_ == 1 || outChannels_ == 2) return outChannels_;
    return synth_.pcm.channels == 1 ? 1 : 2;
}

uint32_t MpegDecoder::WriteSamples(uint8_t* out, uint32_t from, uint32_t count, int bits) {
    const int outCh = OutChannels();
    const bool srcStereo = synth_.pcm.channels == 2;
    const mad_fixed_t* left = synth_.pcm.samples[0];
    const mad_fixed_t* right = srcStereo ? synth_.pcm.samples[1] : synth_.pcm.samples[0];
    uint8_t* p = out;
    if (bits == 16 && (outCh == 2 || !srcStereo)) {
        // The path every track takes: same channel layout, 16 bits, no per-sample switches.
        auto scale16 = [](mad_fixed_t v) -> int16_t {
            int64_t s = static_cast<int64_t>(v) + (int64_t{1} << 12);
            s = s < -0x10000000 ? -0x10000000 : (s > 0x0FFFFFFF ? 0x0FFFFFFF : s);
            return static_cast<int16_t>(s >> 13);
        };
        if (outCh == 2) {
            for (uint32_t i = from; i < from + count; ++i, p += 4) {
                const int16_t pair[2] = {scale16(left[i]), scale16(right[i])};
                std::memcpy(p, pair, 4);
            }
        } else {
            for (uint32_t i = from; i < from + count; ++i, p += 2) {
                const int16_t v = scale16(left[i]);
                std::memcpy(p, &v, 2);
            }
        }
        return static_cast<uint32_t>(p - out);
    }
    for (uint32_t i = from; i < from + count; ++i) {
        mad_fixed_t l = left[i];
        mad_fixed_t r = right[i];
        if (outCh == 1 && srcStereo) l = (l >> 1) + (r >> 1);
        for (int c = 0; c < outCh; ++c) {
            int32_t v = ScaleSample(c == 0 ? l : r, bits);
            switch (bits) {
            case 8:
                *p++ = static_cast<uint8_t>(v + 128);
                break;
            case 24:
                *p++ = static_cast<uint8_t>(v);
                *p++ = static_cast<uint8_t>(v >> 8);
                *p++ = static_cast<uint8_t>(v >> 16);
                break;
            case 32: {
                uint32_t u = static_cast<uint32_t>(v) << 8;
                *p++ = static_cast<uint8_t>(u);
                *p++ = static_cast<uint8_t>(u >> 8);
                *p++ = static_cast<uint8_t>(u >> 16);
                *p++ = static_cast<uint8_t>(u >> 24);
                break;
            }
            default:
                *p++ = static_cast<uint8_t>(v);
                *p++ = static_cast<uint8_t>(v >> 8);
                break;
            }
        }
    }
    return static_cast<uint32_t>(p - out);
}

int MpegDecoder::Decode(const uint8_t* in, uint32_t inLen, uint8_t* out, uint32_t outBytes,
                        uint32_t& consumed, uint32_t& produced, int bits, int halfRate) {
    consumed = produced = 0;
    if (bits != 8 && bits != 24 && bits != 32) bits = 16;

    if (pendingSamples_ > 0) {
        uint32_t frameBytes = static_cast<uint32_t>(bits / 8 * OutChannels());
        uint32_t n = std::min<uint32_t>(pendingSamples_, outBytes / frameBytes);
        uint32_t written = WriteSamples(out, synth_.pcm.length - pendingSamples_, n, bits);
        produced += written;
        pendingSamples_ -= n;
        if (pendingSamples_ > 0) return kOutputFull;
        if (inLen == 0) return kFrameDone;
        out += written;
        outBytes -= written;
    }
    if (!in || inLen == 0) return kNeedInput;

    mad_stream_buffer(&stream_, in, inLen);
    if (mad_frame_decode(&frame_, &stream_) != 0) {
        if (stream_.error == MAD_ERROR_BUFLEN) return kNeedInput;
        if (MAD_RECOVERABLE(stream_.error)) return kRecoverable;
        return kFatal;
    }
    Equalize();
    int options = halfRate ? (stream_.options | MAD_OPTION_HALFSAMPLERATE)
                           : (stream_.options & ~MAD_OPTION_HALFSAMPLERATE);
    mad_stream_options(&stream_, options);
    mad_synth_frame(&synth_, &frame_);

    consumed = static_cast<uint32_t>(stream_.next_frame - in);
    uint32_t frameBytes = static_cast<uint32_t>(bits / 8 * OutChannels());
    uint32_t length = synth_.pcm.length;
    uint32_t n = std::min<uint32_t>(length, outBytes / frameBytes);
    produced += WriteSamples(out, 0, n, bits);
    pendingSamples_ = length - n;
    return pendingSamples_ > 0 ? kOutputFull : kFrameDone;
}

}  // namespace vl
