#include "engine/wav_input.h"

#include "engine/player_engine.h"

namespace vl {

// Not yet supported: no WAV file is taken.
bool OpenWav(PlayerEngine&, const std::wstring&) { return false; }
void CloseWav(PlayerEngine& engine) { engine.wav.reset(); }
bool SeekWav(PlayerEngine&, int) { return false; }
void RewindWav(PlayerEngine&) {}
int DecodeStepWav(PlayerEngine&) { return kDecodeError; }
int WavBitsPerSample(const PlayerEngine&) { return 16; }

}  // namespace vl
