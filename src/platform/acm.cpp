#include "platform/acm.h"

#include <algorithm>
#include <cstring>

namespace vl {

WaveFormatEx ParseWaveFormat(const std::vector<uint8_t>& fmtChunk) {
    WaveFormatEx f;
    uint8_t bytes[18] = {};
    std::memcpy(bytes, fmtChunk.data(), std::min<size_t>(fmtChunk.size(), sizeof(bytes)));
    std::memcpy(&f, bytes, sizeof(f));
    return f;
}

namespace {

// PCM to PCM of the same layout: a plain copy of whole blocks.
class PcmCopyStream : public AcmStream {
public:
    explicit PcmCopyStream(uint32_t blockAlign) : align_(blockAlign ? blockAlign : 1) {}
    bool Size(uint32_t bytes, uint32_t& out, uint32_t) override {
        out = bytes - bytes % align_;
        return true;
    }
    bool Convert(AcmStreamHeader& h) override {
        uint32_t n = std::min(h.sourceLength, h.destinationLength);
        n -= n % align_;
        std::memcpy(h.destination, h.source, n);
        h.sourceLengthUsed = n;
        h.destinationLengthUsed = n;
        return true;
    }
    void Reset() override {}

private:
    uint32_t align_;
};

}  // namespace

bool AcmFormatSuggest(const std::vector<uint8_t>& sourceFormat, WaveFormatEx& destination) {
    WaveFormatEx src = ParseWaveFormat(sourceFormat);
    if (src.wFormatTag != WAVE_FORMAT_PCM || src.nChannels == 0 || src.nSamplesPerSec == 0) return false;
    destination = src;
    destination.cbSize = 0;
    return true;
}

std::unique_ptr<AcmStream> AcmStreamOpen(const std::vector<uint8_t>& sourceFormat, const WaveFormatEx&) {
    WaveFormatEx src = ParseWaveFormat(sourceFormat);
    if (src.wFormatTag == WAVE_FORMAT_PCM) return std::make_unique<PcmCopyStream>(src.nBlockAlign);
    return nullptr;
}

}  // namespace vl
