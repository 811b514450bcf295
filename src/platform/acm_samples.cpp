// Converters for formats that code each sample on its own: PCM of any common width, IEEE
// float and the two G.711 companding laws.
#include <cmath>
#include <cstring>

#include "platform/acm_converter.h"

namespace vl {

namespace {

using SampleDecoder = int16_t (*)(const uint8_t*);

int16_t FromPcm8(const uint8_t* p) { return static_cast<int16_t>((p[0] - 128) * 256); }
int16_t FromPcm16(const uint8_t* p) { return Get16(p); }
// Wider PCM keeps its top 16 bits, rounded.
int16_t FromPcm24(const uint8_t* p) {
    int32_t v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                     static_cast<uint32_t>(p[2]) << 24) >> 8;
    return Clamp16((static_cast<int64_t>(v) + 0x80) >> 8);
}
int16_t FromPcm32(const uint8_t* p) {
    int32_t v = static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
    return Clamp16((static_cast<int64_t>(v) + 0x8000) >> 16);
}
int16_t FromFloat(double x) {
    if (!(x == x)) return 0;  // NaN
    return Clamp16(static_cast<int64_t>(std::lrint(std::fmax(-2.0, std::fmin(2.0, x)) * 32768.0)));
}
int16_t FromFloat32(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    return FromFloat(f);
}
int16_t FromFloat64(const uint8_t* p) {
    double d;
    std::memcpy(&d, p, 8);
    return FromFloat(d);
}

int16_t ExpandMuLaw(uint8_t u) {
    u = static_cast<uint8_t>(~u);
    int t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return static_cast<int16_t>((u & 0x80) ? 0x84 - t : t - 0x84);
}
int16_t ExpandALaw(uint8_t a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    int segment = (a & 0x70) >> 4;
    if (segment == 0)
        t += 8;
    else
        t = (t + 0x108) << (segment - 1);
    return static_cast<int16_t>((a & 0x80) ? t : -t);
}

struct LawTables {
    int16_t alaw[256];
    int16_t mulaw[256];
    LawTables() {
        for (int i = 0; i < 256; ++i) {
            alaw[i] = ExpandALaw(static_cast<uint8_t>(i));
            mulaw[i] = ExpandMuLaw(static_cast<uint8_t>(i));
        }
    }
};
const LawTables& Laws() {
    static const LawTables tables;
    return tables;
}
int16_t FromALaw(const uint8_t* p) { return Laws().alaw[p[0]]; }
int16_t FromMuLaw(const uint8_t* p) { return Laws().mulaw[p[0]]; }

class SampleConverter : public BlockConverter {
public:
    SampleConverter(uint32_t channels, uint32_t sourceBytes, SampleDecoder decode)
        : BlockConverter(channels * sourceBytes, channels * 2),
          channels_(channels), sourceBytes_(sourceBytes), decode_(decode) {}

protected:
    void ConvertBlocks(const uint8_t* source, uint32_t blocks, uint8_t* destination) override {
        const uint32_t samples = blocks * channels_;
        for (uint32_t i = 0; i < samples; ++i) Put16(destination + 2 * i, decode_(source + i * sourceBytes_));
    }

private:
    uint32_t channels_;
    uint32_t sourceBytes_;
    SampleDecoder decode_;
};

// Same layout on both sides.
class CopyConverter : public BlockConverter {
public:
    explicit CopyConverter(uint32_t frameBytes) : BlockConverter(frameBytes, frameBytes), frame_(frameBytes) {}

protected:
    void ConvertBlocks(const uint8_t* source, uint32_t blocks, uint8_t* destination) override {
        std::memcpy(destination, source, static_cast<size_t>(blocks) * frame_);
    }

private:
    uint32_t frame_;
};

SampleDecoder DecoderFor(uint16_t tag, uint16_t bits) {
    switch (tag) {
        case WAVE_FORMAT_PCM:
            if (bits == 8) return FromPcm8;
            if (bits == 16) return FromPcm16;
            if (bits == 24) return FromPcm24;
            if (bits == 32) return FromPcm32;
            return nullptr;
        case WAVE_FORMAT_IEEE_FLOAT:
            if (bits == 32) return FromFloat32;
            if (bits == 64) return FromFloat64;
            return nullptr;
        case WAVE_FORMAT_ALAW: return bits == 8 ? FromALaw : nullptr;
        case WAVE_FORMAT_MULAW: return bits == 8 ? FromMuLaw : nullptr;
        default: return nullptr;
    }
}

}  // namespace

std::unique_ptr<AcmStream> MakeSampleConverter(const AcmSource& src, int destBits) {
    SampleDecoder decode = DecoderFor(src.tag, src.bits);
    const uint32_t sampleBytes = src.bits / 8u;
    if (!decode || src.blockAlign != src.channels * sampleBytes) return nullptr;
    if (src.tag == WAVE_FORMAT_PCM && src.bits == destBits) return std::make_unique<CopyConverter>(src.blockAlign);
    if (destBits != 16) return nullptr;
    return std::make_unique<SampleConverter>(src.channels, sampleBytes, decode);
}

}  // namespace vl
