#pragma once
// The MPEG audio input: content test, header parser, open-time estimate or full scan,
// seeking and the decode step.
#include <cstdint>
#include <string>

#include "engine/types.h"

namespace vl {

class PlayerEngine;

bool ParseHeader(const uint8_t bytes[4], MpegHeader& header);
bool QuickSyncTest(const uint8_t* bytes);
bool IsMpegFile(const std::wstring& path);
bool OpenMpeg(PlayerEngine& engine, const std::wstring& path);
bool EstimateFile(PlayerEngine& engine);
bool ScanFile(PlayerEngine& engine);
bool SeekMpeg(PlayerEngine& engine, int ms);
int DecodeStepMpeg(PlayerEngine& engine);
void RewindMpeg(PlayerEngine& engine);
// Decoder slot of the engine: create/destroy/reset the live decoder with the slot's equalizer.
bool CreateSlotDecoder(PlayerEngine& engine);
void DestroySlotDecoder(PlayerEngine& engine);
bool ResetSlotDecoder(PlayerEngine& engine);
void SetSlotEqualizer(PlayerEngine& engine, const EqualizerParams& params);

}  // namespace vl
