#include "engine/stream_playback.h"

#include <cstring>
#include <vector>

#include "engine/mpeg_input.h"
#include "engine/player_engine.h"
#include "platform/clock.h"
#include "settings/net_stream_reader.h"

namespace vl {

namespace {

constexpr uint32_t kProbeBytes = 4096;

enum StreamFormat { kStreamFormatNone = 0, kStreamFormatMpeg = 1, kStreamFormatOgg = 2, kStreamFormatPlugin = 3 };

void SetPlayStateFromThread(PlayerEngine& engine, int state) {
    if (engine.playState != state) {
        engine.playState = state;
        engine.PostMessage(WM_ENGINE_STATE, static_cast<uintptr_t>(state), 0);
    }
}

// The first offset where a header parses and another frame starts right after it.
bool SniffMpeg(PlayerEngine& engine, const uint8_t* probe, uint32_t count) {
    for (uint32_t i = 0; i + 4 < count; ++i) {
        MpegHeader h;
        if (!ParseHeader(probe + i, h)) continue;
        uint32_t next = i + static_cast<uint32_t>(h.frameLength);
        if (h.frameLength <= 0 || next + 4 >= count || !QuickSyncTest(probe + next)) continue;
        if (h.version && h.layer && h.sampleRate && h.channels) {
            engine.format = h;
            return true;
        }
    }
    return false;
}

bool WaitPrebuffer(PlayerEngine& engine, int blocks) {
    NetStreamReader& reader = *engine.streamReader;
    while (!engine.stopRequested) {
        if (!reader.HasSocket()) return reader.IsEndOfStream();
        if (reader.GetFilledBlocks() >= blocks) return true;
        Sleep(1);
    }
    return false;
}

bool Rebuffer(PlayerEngine& engine) {
    NetStreamReader& reader = *engine.streamReader;
    if (reader.IsEndOfStream() || !reader.HasStationHeaders()) {
        engine.FinishPlayback(true, false);
        return false;
    }
    int remembered = engine.playState;
    engine.streamState = kStreamConnecting;
    SetPlayStateFromThread(engine, kStarting);
    reader.Close();
    if (engine.stopRequested || !reader.Open()) {
        engine.FinishPlayback(false, !engine.stopRequested);
        return false;
    }
    engine.streamState = kStreamBuffering;
    if (!WaitPrebuffer(engine, reader.GetPrebufferBlocks())) {
        engine.FinishPlayback(false, !engine.stopRequested);
        return false;
    }
    engine.streamState = kStreamReceiving;
    if (engine.playState == kStarting) SetPlayStateFromThread(engine, remembered);
    return true;
}

enum UnderrunResult { kGoOn, kRebuffered, kRunOver };

// At the top of every pass: when the reader runs dry and the output has played everything,
// reconnect (or end the run).
UnderrunResult CheckUnderrun(PlayerEngine& engine) {
    NetStreamReader& reader = *engine.streamReader;
    if (reader.GetFilledBlocks() >= 2) return kGoOn;
    for (;;) {
        if (engine.stopRequested) {
            engine.FinishPlayback(false, false);
            return kRunOver;
        }
        if (engine.output.QueuedCount() == 0) {
            if (!Rebuffer(engine)) return kRunOver;
            engine.output.Start(true);
            engine.prebufferWait = 1;
            return kRebuffered;
        }
        if (reader.GetFilledBlocks() > 1) return kGoOn;
        Sleep(1);
    }
}

void MpegLoop(PlayerEngine& engine) {
    NetStreamReader& reader = *engine.streamReader;
    std::vector<uint8_t> input(kProbeBytes);
    uint32_t filled = 0;
    for (;;) {
        if (engine.stopRequested) {
            engine.FinishPlayback(false, false);
            return;
        }
        if (CheckUnderrun(engine) == kRunOver) return;
        uint32_t got = 0;
        if (!reader.Read(input.data() + filled, kProbeBytes - filled, got) || got == 0) {
            filled += got;
            break;
        }
        filled += got;
        uint32_t used = DecodeBuffer(engine, input.data(), filled);
        if (used > filled) used = filled;
        std::memmove(input.data(), input.data() + used, filled - used);
        filled -= used;
    }
    // Whatever the reader delivered before the end still plays.
    if (filled > 0 && !engine.stopRequested) DecodeBuffer(engine, input.data(), filled);
    engine.FinishPlayback(true, false);
}

}  // namespace

void StreamDecodeThread(PlayerEngine& engine) {
    NetStreamReader& reader = *engine.streamReader;
    engine.streamState = kStreamConnecting;
    SetPlayStateFromThread(engine, kStarting);
    if (!reader.Open()) {
        engine.FinishPlayback(false, true);
        return;
    }
    engine.streamState = kStreamBuffering;
    std::vector<uint8_t> probe(kProbeBytes);
    uint32_t got = 0;
    if (!reader.Read(probe.data(), kProbeBytes, got)) {
        engine.FinishPlayback(false, true);
        return;
    }
    engine.format = FormatRecord{};
    if (SniffMpeg(engine, probe.data(), got)) {
        engine.streamFormat = kStreamFormatMpeg;
    } else {
        engine.FinishPlayback(false, true);
        return;
    }
    if (!engine.StartOutput() || !WaitPrebuffer(engine, reader.GetPrebufferBlocks())) {
        engine.FinishPlayback(false, true);
        return;
    }
    engine.streamState = kStreamReceiving;
    SetPlayStateFromThread(engine, kPlaying);
    switch (engine.streamFormat) {
        case kStreamFormatMpeg: MpegLoop(engine); break;
        default: engine.FinishPlayback(false, true); break;
    }
}

void RewindStream(PlayerEngine& engine) {
    engine.streamTitle[0] = 0;
    engine.streamFormat = kStreamFormatNone;
}

}  // namespace vl
