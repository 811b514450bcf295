#pragma once
// Conversion of compressed WAVE formats to 16-bit PCM, in the shape of the device's
// compression manager: suggest a PCM format, open a stream, size, convert, reset, close.
#include <cstdint>
#include <memory>
#include <vector>

namespace vl {

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_ADPCM = 2;
constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 3;
constexpr uint16_t WAVE_FORMAT_ALAW = 6;
constexpr uint16_t WAVE_FORMAT_MULAW = 7;
constexpr uint16_t WAVE_FORMAT_IMA_ADPCM = 0x11;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

constexpr uint32_t ACM_STREAMSIZEF_SOURCE = 0;
constexpr uint32_t ACM_STREAMSIZEF_DESTINATION = 1;

#pragma pack(push, 1)
struct WaveFormatEx {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormatEx) == 18, "WAVEFORMATEX is 18 bytes");

// Reads the leading WAVEFORMATEX fields of a "fmt " chunk (missing bytes read as 0).
WaveFormatEx ParseWaveFormat(const std::vector<uint8_t>& fmtChunk);

struct AcmStreamHeader {
    const uint8_t* source = nullptr;
    uint32_t sourceLength = 0;
    uint32_t sourceLengthUsed = 0;
    uint8_t* destination = nullptr;
    uint32_t destinationLength = 0;
    uint32_t destinationLengthUsed = 0;
};

class AcmStream {
public:
    virtual ~AcmStream() = default;
    // ACM_STREAMSIZEF_SOURCE: destination bytes for `bytes` source bytes;
    // ACM_STREAMSIZEF_DESTINATION: source bytes that fit `bytes` destination bytes.
    virtual bool Size(uint32_t bytes, uint32_t& out, uint32_t flags) = 0;
    virtual bool Convert(AcmStreamHeader& header) = 0;
    virtual void Reset() = 0;
};

// Fills the PCM destination format for a source "fmt " chunk; false for an unsupported format.
bool AcmFormatSuggest(const std::vector<uint8_t>& sourceFormat, WaveFormatEx& destination);
std::unique_ptr<AcmStream> AcmStreamOpen(const std::vector<uint8_t>& sourceFormat, const WaveFormatEx& destination);

}  // namespace vl
