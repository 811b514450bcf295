#pragma once
// Comparing decoded audio with a reference decode.
#include <cstddef>

#include "support/wav_file.h"

namespace vl::test {

// Signal-to-noise ratio in dB of `got` against `reference` (both 16-bit, same channel count)
// over `frames` frames starting at the given frame offsets; 200 when they are identical,
// -1 when the ranges do not fit or the formats differ.
double SnrDb(const PcmData& reference, const PcmData& got, size_t frames, size_t referenceStart = 0,
             size_t gotStart = 0);

}  // namespace vl::test
