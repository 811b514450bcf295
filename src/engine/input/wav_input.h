#pragma once
// The WAV input: RIFF/WAVE files of PCM directly, other formats converted to PCM.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/acm.h"

namespace vl {

class PlayerEngine;

struct WavState {
    std::unique_ptr<AcmStream> acmStream;
    std::vector<uint8_t> sourceFormat;  // the whole "fmt " chunk as read
    WaveFormatEx source;                // its leading fields
    WaveFormatEx destination;           // the PCM format played
    int64_t dataStart = 0;
    int64_t dataSize = 0;
    std::atomic<int64_t> dataPosition{0};  // bytes consumed; Seek writes it while the decode thread reads
    std::vector<uint8_t> sourceBuffer;  // 4096 bytes for one conversion
    std::vector<uint8_t> spill;         // a converted block larger than one output buffer
    size_t spillUsed = 0;               // bytes of it already handed out
};

bool OpenWav(PlayerEngine& engine, const std::wstring& path);
void CloseWav(PlayerEngine& engine);
bool SeekWav(PlayerEngine& engine, int ms);
void RewindWav(PlayerEngine& engine);
int DecodeStepWav(PlayerEngine& engine);
int WavBitsPerSample(const PlayerEngine& engine);

}  // namespace vl
