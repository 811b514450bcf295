// Damaged blocks through every WAVE converter: used lengths stay within what was given and
// nothing is written outside the destination.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/acm.h"

namespace {

std::vector<uint8_t> Fmt(uint16_t tag, uint16_t channels, uint16_t align, uint16_t bits, std::vector<uint8_t> extra = {}) {
    std::vector<uint8_t> f;
    auto put16 = [&](uint32_t v) { f.push_back(uint8_t(v)); f.push_back(uint8_t(v >> 8)); };
    put16(tag);
    put16(channels);
    put16(8000), put16(0);
    put16(8000u * align & 0xFFFF), put16((8000u * align) >> 16);
    put16(align);
    put16(bits);
    put16(uint16_t(extra.size()));
    f.insert(f.end(), extra.begin(), extra.end());
    return f;
}

std::vector<uint8_t> MsExtra(uint16_t samplesPerBlock) {
    const int16_t coef[14] = {256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232};
    std::vector<uint8_t> e = {uint8_t(samplesPerBlock), uint8_t(samplesPerBlock >> 8), 7, 0};
    for (int16_t c : coef) e.push_back(uint8_t(c)), e.push_back(uint8_t(uint16_t(c) >> 8));
    return e;
}

std::vector<uint8_t> Extensible(uint16_t subTag, uint16_t channels, uint16_t bits) {
    std::vector<uint8_t> extra = {uint8_t(bits), 0, 0, 0, 0, 0, uint8_t(subTag), 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    return Fmt(0xFFFE, channels, uint16_t(channels * bits / 8), bits, extra);
}

const std::vector<std::vector<uint8_t>>& Formats() {
    static const std::vector<std::vector<uint8_t>> formats = {
        Fmt(0x11, 1, 256, 4, {0xF9, 0x01}),
        Fmt(0x11, 2, 512, 4, {0xF9, 0x01}),
        Fmt(0x11, 6, 24, 4, {0x00, 0x00}),
        Fmt(0x02, 1, 256, 4, MsExtra(500)),
        Fmt(0x02, 2, 512, 4, MsExtra(500)),
        Fmt(0x02, 3, 21, 4, MsExtra(0)),
        Fmt(6, 2, 2, 8),
        Fmt(7, 1, 1, 8),
        Fmt(3, 2, 8, 32),
        Fmt(3, 1, 8, 64),
        Fmt(1, 2, 6, 24),
        Fmt(1, 1, 4, 32),
        Fmt(1, 1, 1, 8),
        Extensible(1, 3, 24),
        Extensible(3, 2, 32),
    };
    return formats;
}

void Run(const std::vector<uint8_t>& fmt, const uint8_t* data, size_t size, uint32_t destinationLimit) {
    vl::WaveFormatEx dst;
    if (!vl::AcmFormatSuggest(fmt, dst)) return;
    auto stream = vl::AcmStreamOpen(fmt, dst);
    if (!stream) std::abort();  // suggested, so it must open
    std::vector<uint8_t> source(data, data + size);  // exact size: reading past it is caught
    uint32_t full = 0;
    if (!stream->Size(uint32_t(size), full, vl::ACM_STREAMSIZEF_SOURCE)) std::abort();
    uint32_t room = destinationLimit < full ? destinationLimit : full;
    uint32_t fits = 0;
    if (!stream->Size(room, fits, vl::ACM_STREAMSIZEF_DESTINATION)) std::abort();
    const size_t kGuard = 64;
    std::vector<uint8_t> dest(room + 2 * kGuard, 0xA5);
    vl::AcmStreamHeader h;
    h.source = source.data();
    h.sourceLength = uint32_t(source.size());
    h.destination = dest.data() + kGuard;
    h.destinationLength = room;
    if (!stream->Convert(h)) return;
    if (h.sourceLengthUsed > h.sourceLength || h.destinationLengthUsed > h.destinationLength) std::abort();
    if (fits <= size && h.sourceLengthUsed != fits) std::abort();  // Size and Convert agree
    for (size_t i = 0; i < kGuard; ++i)
        if (dest[i] != 0xA5 || dest[kGuard + room + i] != 0xA5) std::abort();
    stream->Reset();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const auto& formats = Formats();
    const uint32_t limit = uint32_t(data[1]) * 97;
    if (data[0] == 0xFF && size >= 2 + 18 + 22) {
        // The format chunk itself comes from the input.
        std::vector<uint8_t> fmt(data + 2, data + 2 + 18 + data[2] % 23);
        Run(fmt, data + 2 + fmt.size(), size - 2 - fmt.size(), limit);
        return 0;
    }
    Run(formats[data[0] % formats.size()], data + 2, size - 2, limit);
    return 0;
}
