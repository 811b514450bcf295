#pragma once
// Records the engine shares with the windows, the settings and the plug-ins.
#include <cstdint>

#include "versolune_plugin.h"

namespace vl {

using EqualizerParams = VlEqualizerParams;
using TagInfo = VlTagInfo;

inline EqualizerParams DefaultEqualizer() {
    EqualizerParams p{};
    p.enable = 0;
    p.preamp = 31;
    for (int& b : p.band) b = 31;
    return p;
}

// enable, delay (ms), rate (%); kind 0 reverb, 1 echo, 2 surround, 3 3D chorus.
struct EffectParams {
    int32_t enable = 0;
    int32_t delay = 0;
    int32_t rate = 0;
};

enum EffectKind { kEffectReverb = 0, kEffectEcho = 1, kEffectSurround = 2, kEffectChorus3D = 3 };

struct OutputSettings {
    int32_t threadPriority = 2;
    int32_t bufferLenMs = 500;
    int32_t prebufferPercent = 10;
    int32_t scanCompletely = 0;
    int32_t fade = 0;
    int32_t suppressZeroSamples = 0;
    int32_t alwaysOpenDev = 0;
};

struct TrackInfo {
    int32_t version = 0;
    int32_t layer = 0;
    int32_t channels = 0;
    int32_t sampleRate = 0;
    int32_t bitrate = 0;
    int32_t duration = 0;  // ms
};

// The open source's format: seven ints, the layout of an MPEG frame header's summary.
struct FormatRecord {
    int32_t version = 0;
    int32_t layer = 0;
    int32_t channels = 0;
    int32_t sampleRate = 0;
    int32_t bitrate = 0;
    int32_t frameLength = 0;
    int32_t samplesPerFrame = 0;
};
using MpegHeader = FormatRecord;

enum SourceType { kSourceNone = 0, kSourceMpeg = 1, kSourceOgg = 2, kSourceWav = 3, kSourcePlugin = 4, kSourceStream = 5 };
enum PlayState { kStopped = 0, kPlaying = 1, kPaused = 2, kStarting = 3 };
enum StreamState { kStreamNone = 0, kStreamIdle = 1, kStreamConnecting = 2, kStreamBuffering = 3, kStreamReceiving = 4 };

// The stream reader's options; sizes in blocks of 2048 bytes.
struct StreamSettings {
    int32_t bufferBlocks = 32;
    int32_t prebufferBlocks = 16;
    int32_t useProxy = 0;
    wchar_t proxy[260] = {};
    wchar_t userAgent[260] = {};
};

}  // namespace vl
