#pragma once
// The WAV input: RIFF/WAVE files of PCM directly, other formats converted to PCM.
#include <cstdint>
#include <string>

namespace vl {

class PlayerEngine;

struct WavState {
    uint32_t acmStream = 0;
};

bool OpenWav(PlayerEngine& engine, const std::wstring& path);
void CloseWav(PlayerEngine& engine);
bool SeekWav(PlayerEngine& engine, int ms);
void RewindWav(PlayerEngine& engine);
int DecodeStepWav(PlayerEngine& engine);
int WavBitsPerSample(const PlayerEngine& engine);

}  // namespace vl
