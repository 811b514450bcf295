// The libmad wrapper over arbitrary bytes, with frame headers planted so that garbage frame
// bodies reach the decoder and the equalizer, and output room that splits frames anywhere.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/input/mpeg_decoder.h"

namespace {
const uint8_t kHeaders[][4] = {
    {0xFF, 0xFB, 0x90, 0x00}, {0xFF, 0xF3, 0x80, 0xC0}, {0xFF, 0xFD, 0xA4, 0x00}, {0xFF, 0xFF, 0x90, 0x00}, {0xFF, 0xE3, 0x42, 0x00}};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t* headerBytes = kHeaders[data[0] % 5];
    const uint32_t outBytes = 1 + data[1] * 37u;
    static const int kBits[4] = {8, 16, 24, 32};
    const int bits = kBits[data[0] >> 6 & 3];
    std::vector<uint8_t> in(data + 2, data + size);
    for (size_t at = 0; at + 4 <= in.size(); at += 300) std::memcpy(&in[at], headerBytes, 4);
    in.resize(in.size() + MAD_BUFFER_GUARD, 0);

    vl::MpegDecoder* d = vl::MpegDecoder::Create();
    if (!d) return 0;
    vl::EqualizerParams eq = vl::DefaultEqualizer();
    eq.enable = data[0] & 1;
    eq.preamp = data[1] % 65;
    eq.band[3] = 0;
    d->SetEqualizer(eq);
    d->SetOutputChannels(data[1] & 1 ? 2 : 0);
    std::vector<uint8_t> out(outBytes);
    size_t pos = 0;
    for (int guard = 0; guard < 100000 && pos <= in.size(); ++guard) {
        uint32_t consumed = 0, produced = 0;
        int r = d->Decode(in.data() + pos, static_cast<uint32_t>(in.size() - pos), out.data(), outBytes, consumed,
                          produced, bits, data[0] & 2);
        if (produced > outBytes || consumed > in.size() - pos) __builtin_trap();
        if (r == vl::MpegDecoder::kNeedInput) break;
        if (r == vl::MpegDecoder::kRecoverable || r == vl::MpegDecoder::kFatal) {
            ++pos;
        } else {
            pos += consumed;
            // Output room too small for one sample: stop rather than spin.
            if (consumed == 0 && produced == 0) break;
        }
    }
    d->Destroy();
    return 0;
}
