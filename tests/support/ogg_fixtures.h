#pragma once
// Ogg Vorbis fixtures made at test time (sox + oggenc) and reference decodes (oggdec);
// compare them with audio_compare.h.
#include <string>
#include <vector>

#include "support/wav_file.h"

namespace vl::test {

// Encodes a sweep (two different ones for stereo) of `seconds` with oggenc -q 2 and the given
// "KEY=value" comments; the path of the .ogg file, empty on failure. serial >= 0 fixes the
// stream's serial number (links of a chained file need different ones).
std::string MakeOggFile(const std::string& dir, const std::string& name, int sampleRate, int channels,
                        double seconds, const std::vector<std::string>& comments = {}, int serial = -1);
struct OggLink {
    int sampleRate, channels;
    double seconds;
};
// A chained file: one logical stream per link, one after another; each link's reference
// decode goes to refs when given. Empty on failure.
std::string MakeChainedOgg(const std::string& dir, const std::string& name, const std::vector<OggLink>& links,
                           std::vector<PcmData>* refs = nullptr);
// The file decoded by oggdec to 16-bit PCM.
bool DecodeOggReference(const std::string& oggPath, PcmData& pcm);

}  // namespace vl::test
