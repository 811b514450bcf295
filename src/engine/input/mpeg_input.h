#pragma once
// The MPEG audio input: content test, header parser, open-time estimate or full scan,
// seeking and the decode step.
#include <cstdint>
#include <string>

#include "engine/types.h"

namespace vl {

class PlayerEngine;
class FileReader;

bool ParseHeader(const uint8_t bytes[4], MpegHeader& header);
// Cheap test of three header bytes used while searching for a frame.
bool QuickSyncTest(const uint8_t* bytes);
bool IsMpegFile(const std::wstring& path);
// The content test over the first bytes of a file.
bool IsMpegData(const uint8_t* data, uint32_t count);
bool OpenMpeg(PlayerEngine& engine, const std::wstring& path);
bool EstimateFile(PlayerEngine& engine);
bool ScanFile(PlayerEngine& engine);
// The bytes of a file that hold audio: after a leading ID3v2 tag and before trailing APE and
// ID3v1 tags (cover art would otherwise count as audio in every length and seek offset).
struct AudioRange {
    int64_t start = 0;
    int64_t end = 0;
};
AudioRange FindAudioRange(FileReader& reader);
// The same over any reader: fill the format record and the length in sample frames, and
// (when asked) the audio range the length was measured over.
bool EstimateFile(FileReader& reader, FormatRecord& format, uint32_t& totalSamples, AudioRange* range = nullptr);
bool ScanFile(FileReader& reader, FormatRecord& format, uint32_t& totalSamples, AudioRange* range = nullptr);
// From the reader's position, the next position that passes the quick sync test (and, for
// FindFrame, has this version and layer); the reader is left there. kNoPosition at the end.
int64_t FindSync(FileReader& reader);
int64_t FindFrame(FileReader& reader, int version, int layer);
bool SeekMpeg(PlayerEngine& engine, int ms);
int DecodeStepMpeg(PlayerEngine& engine);
// Decodes frames from data into the engine's pending output buffers; returns the bytes
// consumed. Stops when it needs more input, or on a seek or stop request.
uint32_t DecodeBuffer(PlayerEngine& engine, const uint8_t* data, uint32_t length);
void RewindMpeg(PlayerEngine& engine);

}  // namespace vl
