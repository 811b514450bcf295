#include "engine/ogg_input.h"

#include "engine/player_engine.h"

namespace vl {

// Not yet supported: no Ogg file is taken.
bool IsOggFile(const std::wstring&) { return false; }
bool OpenOgg(PlayerEngine&, const std::wstring&) { return false; }
void CloseOgg(PlayerEngine& engine) { engine.oggFile = nullptr; }
bool SeekOgg(PlayerEngine&, int) { return false; }
void RewindOgg(PlayerEngine&) {}
int DecodeStepOgg(PlayerEngine&) { return kDecodeError; }
bool GetOggTags(PlayerEngine&, TagInfo&) { return false; }
bool ReadOggFileTags(const std::wstring&, TagInfo&) { return false; }

}  // namespace vl
