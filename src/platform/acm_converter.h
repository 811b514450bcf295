#pragma once
// Shared pieces of the WAVE format converters: the resolved source format and a stream base
// that turns fixed-size source blocks into fixed-size runs of PCM.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/acm.h"

namespace vl {

// A "fmt " chunk with WAVE_FORMAT_EXTENSIBLE resolved to its sub-format.
struct AcmSource {
    uint16_t tag = 0;  // WAVE_FORMAT_PCM, _IEEE_FLOAT, _ALAW, _MULAW, _ADPCM or _IMA_ADPCM
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;                 // container bits per sample
    const std::vector<uint8_t>* fmt;   // the whole chunk, for codec-specific extra bytes
};

// Converts whole blocks only: a block of `sourceBlock` bytes always gives `destBlock` bytes.
class BlockConverter : public AcmStream {
public:
    BlockConverter(uint32_t sourceBlock, uint32_t destBlock) : sourceBlock_(sourceBlock), destBlock_(destBlock) {}
    bool Size(uint32_t bytes, uint32_t& out, uint32_t flags) override;
    bool Convert(AcmStreamHeader& header) override;
    void Reset() override {}

protected:
    // Converts `blocks` whole blocks; the destination has room for all of them.
    virtual void ConvertBlocks(const uint8_t* source, uint32_t blocks, uint8_t* destination) = 0;

private:
    uint32_t sourceBlock_;
    uint32_t destBlock_;
};

inline void Put16(uint8_t* p, int value) {
    p[0] = static_cast<uint8_t>(value & 0xFF);
    p[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}
inline int16_t Get16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }
inline int16_t Clamp16(int64_t v) {
    return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

// Each returns nullptr when it cannot convert the source to PCM of `destBits` bits.
std::unique_ptr<AcmStream> MakeSampleConverter(const AcmSource& source, int destBits);
std::unique_ptr<AcmStream> MakeImaAdpcmConverter(const AcmSource& source);
std::unique_ptr<AcmStream> MakeMsAdpcmConverter(const AcmSource& source);

}  // namespace vl
