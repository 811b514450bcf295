#pragma once
// The decode thread of an internet radio stream: connect, sniff the format, wait for the
// prebuffer, decode, and reconnect after an underrun.

#include <string>

namespace vl {

class PlayerEngine;

void StreamDecodeThread(PlayerEngine& engine);
// End of a stream run: forget the stream decoders and the title.
void RewindStream(PlayerEngine& engine);
// The title an Ogg stream's comments announced; false when there is none. Any thread.
bool GetOggStreamTitle(PlayerEngine& engine, std::wstring& out);

}  // namespace vl
