#pragma once
// Plays a file through a PlayerEngine into the wav-fast backend and reads back what the
// device received.
#include <functional>
#include <string>

#include "engine/player_engine.h"
#include "support/wav_file.h"

namespace vl::test {

struct CaptureOptions {
    int seekMs = -1;         // >= 0: seek there (while stopped) before playing
    int timeoutMs = 20000;   // for the run to end by itself
    // After a successful Open and the seek, before Play: a test's own checks of the engine.
    std::function<void(PlayerEngine&)> beforePlay;
};

struct CaptureResult {
    bool opened = false;
    bool seeked = false;    // the seek asked for was taken
    bool finished = false;  // the run ended by itself within the time limit
    bool failed = false;    // the run reported failure
    int durationMs = 0;
    bool captured = false;  // the device's WAV file was read back
    PcmData pcm;            // empty when nothing reached the device
};

// Leaves the audio backend set to "null-fast".
CaptureResult PlayToPcm(const std::string& path, const std::string& workDir, const CaptureOptions& options);
CaptureResult PlayToPcm(const std::string& path, const std::string& workDir, int seekMs = -1);

}  // namespace vl::test
