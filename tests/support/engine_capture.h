#pragma once
// Plays a file through a PlayerEngine into the wav-fast backend and reads back what the
// device received.
#include <string>

#include "support/wav_file.h"

namespace vl::test {

struct CaptureResult {
    bool opened = false;
    bool finished = false;  // the run ended by itself within the time limit
    bool failed = false;    // the run reported failure
    int durationMs = 0;
    PcmData pcm;            // empty when nothing reached the device
};

// seekMs >= 0 seeks there before playing. Leaves the audio backend set to "null-fast".
CaptureResult PlayToPcm(const std::string& path, const std::string& workDir, int seekMs = -1);

}  // namespace vl::test
