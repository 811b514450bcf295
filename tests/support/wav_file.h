#pragma once
// Writing and reading plain PCM WAVE files for fixtures and for checking what the wav backends
// wrote.
#include <cstdint>
#include <string>
#include <vector>

namespace vl::test {

struct PcmData {
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
    std::vector<uint8_t> bytes;  // interleaved little-endian samples
    size_t Frames() const { return channels && bits ? bytes.size() / (channels * bits / 8) : 0; }
    int16_t Sample16(size_t frame, int channel) const;
};

bool WriteWav(const std::string& path, const PcmData& pcm);
// Reads the "fmt " and "data" chunks of a PCM WAVE file (other chunks are skipped).
bool ReadWav(const std::string& path, PcmData& pcm);

// A 16-bit sine of `seconds`, with optional silence before and after.
PcmData MakeTone(int sampleRate, int channels, double seconds, double frequency = 440.0,
                 double leadingSilence = 0.0, double trailingSilence = 0.0, double amplitude = 0.5);

}  // namespace vl::test
