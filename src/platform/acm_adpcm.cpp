// The two 4-bit ADPCM codecs of WAVE files: IMA (DVI) ADPCM and Microsoft ADPCM.
// Both code fixed-size blocks that start with a per-channel header, so every block decodes
// on its own and a damaged block cannot spoil the next one.
#include <climits>
#include <cstring>
#include <vector>

#include "platform/acm_converter.h"

namespace vl {

namespace {

uint16_t FmtWord(const std::vector<uint8_t>& fmt, size_t offset) {
    return offset + 2 <= fmt.size() ? static_cast<uint16_t>(fmt[offset] | (fmt[offset + 1] << 8)) : 0;
}

// The declared samples per block (after cbSize) when it is plausible, else what the block holds.
uint32_t FramesPerBlock(const std::vector<uint8_t>& fmt, uint32_t computed, uint32_t minimum) {
    uint16_t cbSize = FmtWord(fmt, 16);
    uint16_t declared = cbSize >= 2 ? FmtWord(fmt, 18) : 0;
    return declared >= minimum && declared <= computed ? declared : computed;
}

// ---------------------------------------------------------------- IMA ADPCM

const int16_t kImaStep[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int8_t kImaIndexStep[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct ImaChannel {
    int predictor = 0;
    int index = 0;
    int16_t Decode(int nibble) {
        int step = kImaStep[index];
        int diff = step >> 3;
        if (nibble & 1) diff += step >> 2;
        if (nibble & 2) diff += step >> 1;
        if (nibble & 4) diff += step;
        predictor = Clamp16(predictor + ((nibble & 8) ? -diff : diff));
        index += kImaIndexStep[nibble];
        index = index < 0 ? 0 : (index > 88 ? 88 : index);
        return static_cast<int16_t>(predictor);
    }
};

class ImaAdpcmConverter : public BlockConverter {
public:
    ImaAdpcmConverter(uint32_t channels, uint32_t blockAlign, uint32_t frames)
        : BlockConverter(blockAlign, frames * channels * 2), channels_(channels), blockAlign_(blockAlign),
          frames_(frames) {}

protected:
    void ConvertBlocks(const uint8_t* source, uint32_t blocks, uint8_t* destination) override {
        const uint32_t stride = channels_ * 2;  // destination bytes per frame
        for (uint32_t b = 0; b < blocks; ++b, source += blockAlign_, destination += frames_ * stride) {
            ImaChannel state[8];
            for (uint32_t c = 0; c < channels_; ++c) {
                state[c].predictor = Get16(source + 4 * c);
                // An index past the table is damage; clamping keeps the block playable.
                state[c].index = source[4 * c + 2] > 88 ? 88 : source[4 * c + 2];
                Put16(destination + 2 * c, state[c].predictor);
            }
            // Then groups of 4 bytes (8 samples) per channel, low nibble first.
            const uint8_t* data = source + 4 * channels_;
            for (uint32_t first = 1; first < frames_; first += 8, data += 4 * channels_) {
                for (uint32_t c = 0; c < channels_; ++c) {
                    for (uint32_t k = 0; k < 8 && first + k < frames_; ++k) {
                        uint8_t byte = data[4 * c + k / 2];
                        int nibble = (k & 1) ? byte >> 4 : byte & 0x0F;
                        Put16(destination + (first + k) * stride + 2 * c, state[c].Decode(nibble));
                    }
                }
            }
        }
    }

private:
    uint32_t channels_;
    uint32_t blockAlign_;
    uint32_t frames_;
};

// ---------------------------------------------------------------- Microsoft ADPCM

const int kMsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

class MsAdpcmConverter : public BlockConverter {
public:
    MsAdpcmConverter(uint32_t channels, uint32_t blockAlign, uint32_t frames, std::vector<int> coefficients)
        : BlockConverter(blockAlign, frames * channels * 2), channels_(channels), blockAlign_(blockAlign),
          frames_(frames), coef_(std::move(coefficients)) {}

protected:
    void ConvertBlocks(const uint8_t* source, uint32_t blocks, uint8_t* destination) override {
        const uint32_t frameBytes = channels_ * 2;
        for (uint32_t b = 0; b < blocks; ++b, source += blockAlign_, destination += frames_ * frameBytes)
            DecodeBlock(source, destination);
    }

private:
    struct Channel {
        int c1, c2, delta, s1, s2;
    };

    void DecodeBlock(const uint8_t* src, uint8_t* dst) {
        const uint32_t n = channels_;
        const uint32_t coefCount = static_cast<uint32_t>(coef_.size() / 2);
        Channel ch[8];
        // Header fields come channel by channel: predictor indices, deltas, sample 1, sample 2.
        for (uint32_t c = 0; c < n; ++c) {
            uint8_t predictor = src[c];
            if (predictor >= coefCount) {
                // Damaged header: the block plays as silence rather than as noise.
                std::memset(dst, 0, static_cast<size_t>(frames_) * n * 2);
                return;
            }
            ch[c].c1 = coef_[2 * predictor];
            ch[c].c2 = coef_[2 * predictor + 1];
            ch[c].delta = Get16(src + n + 2 * c);
            ch[c].s1 = Get16(src + 3 * n + 2 * c);
            ch[c].s2 = Get16(src + 5 * n + 2 * c);
            Put16(dst + 2 * c, ch[c].s2);
            Put16(dst + 2 * (n + c), ch[c].s1);
        }
        // Nibbles follow high first, channels in turn.
        const uint8_t* data = src + 7 * n;
        const uint32_t nibbles = (frames_ - 2) * n;
        for (uint32_t i = 0; i < nibbles; ++i) {
            uint8_t byte = data[i / 2];
            int nibble = (i & 1) ? byte & 0x0F : byte >> 4;
            uint32_t c = i % n;
            Channel& s = ch[c];
            int64_t predicted = (static_cast<int64_t>(s.s1) * s.c1 + static_cast<int64_t>(s.s2) * s.c2) >> 8;
            int16_t sample = Clamp16(predicted + static_cast<int64_t>(nibble >= 8 ? nibble - 16 : nibble) * s.delta);
            s.s2 = s.s1;
            s.s1 = sample;
            int64_t delta = (static_cast<int64_t>(kMsAdaptation[nibble]) * s.delta) >> 8;
            s.delta = static_cast<int>(delta < 16 ? 16 : (delta > INT_MAX / 768 ? INT_MAX / 768 : delta));
            Put16(dst + (2 + i / n) * n * 2 + 2 * c, sample);
        }
    }

    uint32_t channels_;
    uint32_t blockAlign_;
    uint32_t frames_;
    std::vector<int> coef_;  // pairs (coefficient 1, coefficient 2)
};

}  // namespace

std::unique_ptr<AcmStream> MakeImaAdpcmConverter(const AcmSource& src) {
    const uint32_t header = 4u * src.channels;
    if (src.bits != 4 || src.blockAlign < header) return nullptr;
    uint32_t computed = 1 + (src.blockAlign - header) / header * 8;
    uint32_t frames = FramesPerBlock(*src.fmt, computed, 1);
    return std::make_unique<ImaAdpcmConverter>(src.channels, src.blockAlign, frames);
}

std::unique_ptr<AcmStream> MakeMsAdpcmConverter(const AcmSource& src) {
    const std::vector<uint8_t>& fmt = *src.fmt;
    const uint32_t header = 7u * src.channels;
    if (src.bits != 4 || src.blockAlign < header) return nullptr;
    // The coefficient table follows samples-per-block and its count in the extra bytes.
    uint16_t cbSize = FmtWord(fmt, 16);
    uint16_t count = FmtWord(fmt, 20);
    if (cbSize < 4 || count == 0 || 22u + 4u * count > fmt.size() || 4u + 4u * count > cbSize) return nullptr;
    std::vector<int> coefficients;
    for (uint32_t i = 0; i < 2u * count; ++i) coefficients.push_back(Get16(fmt.data() + 22 + 2 * i));
    uint32_t computed = 2 + (src.blockAlign - header) * 2 / src.channels;
    uint32_t frames = FramesPerBlock(fmt, computed, 2);
    return std::make_unique<MsAdpcmConverter>(src.channels, src.blockAlign, frames, std::move(coefficients));
}

}  // namespace vl
