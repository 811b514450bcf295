#pragma once
// The Ogg Vorbis file input and its comments.
#include <string>

#include "engine/types.h"

namespace vl {

class PlayerEngine;

bool IsOggFile(const std::wstring& path);
bool OpenOgg(PlayerEngine& engine, const std::wstring& path);
void CloseOgg(PlayerEngine& engine);
bool SeekOgg(PlayerEngine& engine, int ms);
void RewindOgg(PlayerEngine& engine);
int DecodeStepOgg(PlayerEngine& engine);
bool GetOggTags(PlayerEngine& engine, TagInfo& tags);
bool ReadOggFileTags(const std::wstring& path, TagInfo& tags);

}  // namespace vl
