#pragma once
// Comparing decoded audio with a reference decoder: reference decoding, alignment and SNR of
// 16-bit PCM (see wav_file.h for reading and writing WAV files).
#include <string>

#include "support/wav_file.h"

namespace vl::test {

// Decodes an MPEG audio file with mpg123, every frame kept (no gapless trimming), or any
// other file with ffmpeg, into 16-bit PCM.
bool ReferenceDecode(const std::string& path, PcmData& out);

// Signal-to-noise ratio in dB of `test` against `ref` (both 16-bit), where test frame i lines
// up with ref frame i + offset; over the frames both cover, or over count frames from ref
// frame `from` when count is non-zero. 200 when identical; -1000 when nothing overlaps.
double SnrDb(const PcmData& ref, const PcmData& test, long offset, size_t from = 0, size_t count = 0);

struct Alignment {
    long offset = 0;       // test frame i = ref frame i + offset
    double snrDb = -1000;  // over the whole overlap at that offset
};
// Tries every offset in [center - maxOffset, center + maxOffset] on a stretch of the signal
// and measures the best one over the whole overlap.
Alignment Align(const PcmData& ref, const PcmData& test, long maxOffset, long center = 0);

}  // namespace vl::test
