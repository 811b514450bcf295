#pragma once
// The Ogg Vorbis file input and its comments.
#include <string>

#include "engine/types.h"
#include "engine/input/vorbis_comments.h"

namespace vl {

class PlayerEngine;
struct OggFile;  // the open file and its decoder state, held by the engine

bool IsOggFile(const std::wstring& path);
bool OpenOgg(PlayerEngine& engine, const std::wstring& path);
void CloseOgg(PlayerEngine& engine);
bool SeekOgg(PlayerEngine& engine, int ms);
void RewindOgg(PlayerEngine& engine);
// One decode step on the decode thread: kDecodeEnded, kDecodeStopped or kDecodeError.
int DecodeStepOgg(PlayerEngine& engine);
// The comments of the open file into the seven slots; false when no Ogg file is open.
bool ReadOggComments(PlayerEngine& engine, OggComments& slots);
bool GetOggTags(PlayerEngine& engine, TagInfo& tags);
bool ReadOggFileTags(const std::wstring& path, TagInfo& tags);

}  // namespace vl
