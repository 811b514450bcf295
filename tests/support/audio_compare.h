#pragma once
// Comparing decoded audio with a reference decoder: WAV reading, alignment and SNR.
#include <cstdint>
#include <string>
#include <vector>

namespace vl::test {

struct PcmData {
    int channels = 0;
    int sampleRate = 0;
    std::vector<int16_t> samples;  // interleaved
    size_t Frames() const { return channels ? samples.size() / static_cast<size_t>(channels) : 0; }
};

// Reads a RIFF/WAVE file of 8-, 16-, 24- or 32-bit PCM, converted to 16 bits.
bool ReadWav(const std::string& path, PcmData& out);
// Decodes an MPEG audio file with mpg123 (or any other file with ffmpeg) into PCM.
bool ReferenceDecode(const std::string& path, PcmData& out);

// Signal-to-noise ratio in dB of `test` against `ref`, where test frame i lines up with ref
// frame i + offset; over the frames both cover, or over count frames from ref frame `from`
// when count is non-zero. 200 when identical; -1000 when nothing overlaps.
double SnrDb(const PcmData& ref, const PcmData& test, long offset, size_t from = 0, size_t count = 0);

struct Alignment {
    long offset = 0;     // test frame i = ref frame i + offset
    double snrDb = -1000;  // over the whole overlap at that offset
};
// Tries every offset in [center - maxOffset, center + maxOffset] on a stretch of the signal
// and measures the best one over the whole overlap.
Alignment Align(const PcmData& ref, const PcmData& test, long maxOffset, long center = 0);

}  // namespace vl::test
