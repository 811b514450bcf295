// MPEG frame header parser and quick sync test over arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "engine/input/mpeg_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 4 <= size; ++i) {
        vl::MpegHeader h;
        bool quick = vl::QuickSyncTest(data + i);
        if (vl::ParseHeader(data + i, h)) {
            // Every accepted header passes the quick test and describes a usable frame.
            if (!quick || h.frameLength <= 0 || h.samplesPerFrame <= 0 || h.sampleRate <= 0 ||
                h.channels < 1 || h.channels > 2 || h.version < 1 || h.version > 3 || h.layer < 1 || h.layer > 3)
                __builtin_trap();
        }
    }
    return 0;
}
