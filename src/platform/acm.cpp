#include "platform/acm.h"

#include <algorithm>
#include <cstring>

#include "platform/acm_converter.h"

namespace vl {

WaveFormatEx ParseWaveFormat(const std::vector<uint8_t>& fmtChunk) {
    WaveFormatEx f;
    uint8_t bytes[18] = {};
    std::memcpy(bytes, fmtChunk.data(), std::min<size_t>(fmtChunk.size(), sizeof(bytes)));
    std::memcpy(&f, bytes, sizeof(f));
    return f;
}

bool BlockConverter::Size(uint32_t bytes, uint32_t& out, uint32_t flags) {
    if (flags == ACM_STREAMSIZEF_SOURCE)
        out = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(bytes / sourceBlock_) * destBlock_, 0xFFFFFFFFu));
    else if (flags == ACM_STREAMSIZEF_DESTINATION)
        out = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(bytes / destBlock_) * sourceBlock_, 0xFFFFFFFFu));
    else
        return false;
    return true;
}

bool BlockConverter::Convert(AcmStreamHeader& h) {
    h.sourceLengthUsed = h.destinationLengthUsed = 0;
    if ((h.sourceLength && !h.source) || (h.destinationLength && !h.destination)) return false;
    uint32_t blocks = std::min(h.sourceLength / sourceBlock_, h.destinationLength / destBlock_);
    if (blocks) ConvertBlocks(h.source, blocks, h.destination);
    h.sourceLengthUsed = blocks * sourceBlock_;
    h.destinationLengthUsed = blocks * destBlock_;
    return true;
}

namespace {

// The GUID tail shared by the KSDATAFORMAT_SUBTYPE_* of the classic format tags.
const uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

bool ResolveSource(const std::vector<uint8_t>& fmt, AcmSource& out) {
    if (fmt.size() < 16) return false;
    WaveFormatEx f = ParseWaveFormat(fmt);
    out.tag = f.wFormatTag;
    out.channels = f.nChannels;
    out.rate = f.nSamplesPerSec;
    out.blockAlign = f.nBlockAlign;
    out.bits = f.wBitsPerSample;
    out.fmt = &fmt;
    if (f.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        // cbSize 22: valid bits, channel mask, sub-format GUID.
        if (fmt.size() < 40 || f.cbSize < 22) return false;
        const uint8_t* guid = fmt.data() + 24;
        if (std::memcmp(guid + 2, kSubFormatTail, sizeof(kSubFormatTail)) != 0) return false;
        out.tag = static_cast<uint16_t>(guid[0] | (guid[1] << 8));
        if (out.tag != WAVE_FORMAT_PCM && out.tag != WAVE_FORMAT_IEEE_FLOAT) return false;
    }
    // Channel counts the audio output can play.
    return out.channels >= 1 && out.channels <= 8 && out.rate != 0 && out.blockAlign != 0;
}

std::unique_ptr<AcmStream> MakeConverter(const std::vector<uint8_t>& fmt, int destBits) {
    AcmSource src;
    if (!ResolveSource(fmt, src)) return nullptr;
    switch (src.tag) {
        case WAVE_FORMAT_IMA_ADPCM: return destBits == 16 ? MakeImaAdpcmConverter(src) : nullptr;
        case WAVE_FORMAT_ADPCM: return destBits == 16 ? MakeMsAdpcmConverter(src) : nullptr;
        default: return MakeSampleConverter(src, destBits);
    }
}

// 8- and 16-bit PCM keep their width; everything else becomes 16-bit.
int SuggestedBits(const std::vector<uint8_t>& fmt) {
    WaveFormatEx f = ParseWaveFormat(fmt);
    if (f.wFormatTag == WAVE_FORMAT_PCM && (f.wBitsPerSample == 8 || f.wBitsPerSample == 16)) return f.wBitsPerSample;
    return 16;
}

}  // namespace

bool AcmFormatSuggest(const std::vector<uint8_t>& sourceFormat, WaveFormatEx& destination) {
    int bits = SuggestedBits(sourceFormat);
    if (!MakeConverter(sourceFormat, bits)) return false;
    WaveFormatEx src = ParseWaveFormat(sourceFormat);
    destination = WaveFormatEx{};
    destination.wFormatTag = WAVE_FORMAT_PCM;
    destination.nChannels = src.nChannels;
    destination.nSamplesPerSec = src.nSamplesPerSec;
    destination.nBlockAlign = static_cast<uint16_t>(src.nChannels * bits / 8);
    destination.nAvgBytesPerSec = src.nSamplesPerSec * destination.nBlockAlign;
    destination.wBitsPerSample = static_cast<uint16_t>(bits);
    return true;
}

std::unique_ptr<AcmStream> AcmStreamOpen(const std::vector<uint8_t>& sourceFormat, const WaveFormatEx& destination) {
    WaveFormatEx src = ParseWaveFormat(sourceFormat);
    if (destination.wFormatTag != WAVE_FORMAT_PCM || destination.nChannels != src.nChannels ||
        destination.nSamplesPerSec != src.nSamplesPerSec ||
        destination.nBlockAlign != destination.nChannels * destination.wBitsPerSample / 8)
        return nullptr;
    return MakeConverter(sourceFormat, destination.wBitsPerSample);
}

}  // namespace vl
