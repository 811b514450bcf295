#include "support/audio_compare.h"

#include <cmath>

namespace vl::test {

double SnrDb(const PcmData& reference, const PcmData& got, size_t frames, size_t referenceStart, size_t gotStart) {
    if (reference.bits != 16 || got.bits != 16 || reference.channels != got.channels || reference.channels == 0 ||
        referenceStart + frames > reference.Frames() || gotStart + frames > got.Frames())
        return -1;
    double signal = 0, noise = 0;
    for (size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < reference.channels; ++c) {
            double r = reference.Sample16(referenceStart + f, c);
            double d = got.Sample16(gotStart + f, c) - r;
            signal += r * r;
            noise += d * d;
        }
    }
    if (noise == 0) return 200;
    return signal == 0 ? 0 : 10 * std::log10(signal / noise);
}

}  // namespace vl::test
