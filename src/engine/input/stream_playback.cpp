#include "engine/input/stream_playback.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <vector>

#include "engine/input/mpeg_input.h"
#include "engine/input/net_stream_reader.h"
#include "engine/input/ogg_stream_decoder.h"
#include "engine/input/plugin_host.h"
#include "engine/input/source.h"
#include "engine/player_engine.h"
#include "platform/clock.h"

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

// The first offset where a header parses and a second header of the same version, layer and
// rate follows it. (A quick sync test alone at the second place lets bytes of an ID3 tag pass.)
bool SniffMpeg(PlayerEngine& engine, const uint8_t* probe, uint32_t count) {
    for (uint32_t i = 0; i + 4 < count; ++i) {
        MpegHeader h, second;
        if (!ParseHeader(probe + i, h) || h.frameLength <= 0) continue;
        uint32_t next = i + static_cast<uint32_t>(h.frameLength);
        if (next + 4 >= count || !ParseHeader(probe + next, second)) continue;
        if (second.version != h.version || second.layer != h.layer || second.sampleRate != h.sampleRate) continue;
        if (h.version && h.layer && h.sampleRate && h.channels) {
            engine.format = h;
            return true;
        }
    }
    return false;
}

// An Ogg Vorbis stream: the decoder takes the probe as its first input.
bool SniffOgg(PlayerEngine& engine, const uint8_t* probe, uint32_t count) {
    OggStreamDecoder* decoder = OggStreamDecoder::Create();
    if (!decoder) return false;
    std::memcpy(decoder->InputWindow(), probe, count);
    OggStreamInfo info;
    if (!decoder->Start(static_cast<int>(count)) || (decoder->GetInfo(info), info.channels <= 0 || info.rate <= 0)) {
        OggStreamDecoder::Destroy(decoder);
        return false;
    }
    engine.format = FormatRecord{};
    engine.format.channels = info.channels;
    engine.format.sampleRate = static_cast<int32_t>(info.rate);
    engine.format.bitrate = static_cast<int32_t>(info.bitrateNominal / 1000);
    engine.oggStream.reset(decoder);
    return true;
}

bool WaitPrebuffer(PlayerEngine& engine, int blocks) {
    NetStreamReader& reader = *engine.streamReader;
    while (!engine.stopRequested) {
        if (!reader.HasSocket()) return reader.IsEndOfStream();
        if (reader.GetFilledBlocks() >= blocks) return true;
        // Blocks come a few times a second: sleep until one is listed, not in 1 ms polls.
        reader.WaitListed(50);
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
        engine.FinishPlayback(false, true);
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

// At the top of every pass: when the reader cannot satisfy the next Read (it blocks until it
// can) and the output has played everything, reconnect. Counting bytes rather than blocks
// matters: two blocks of which one is half read do not hold a whole Read. A stream that cannot
// reconnect (it ended, or has no station headers) goes on reading: Read hands over whatever
// still arrives, the last bytes included, and the run ends after them.
UnderrunResult CheckUnderrun(PlayerEngine& engine, uint32_t need) {
    NetStreamReader& reader = *engine.streamReader;
    for (;;) {
        if (engine.stopRequested) {
            engine.FinishPlayback(false, false);
            return kRunOver;
        }
        if (reader.GetFilledBytes() >= need) return kGoOn;
        if (reader.IsEndOfStream() || !reader.HasStationHeaders()) return kGoOn;
        // An output held for its prebuffer never empties: once the connection is gone, let
        // what it holds play so that the reconnect comes.
        if (!reader.HasSocket()) engine.ReleasePrebuffer();
        if (engine.output.QueuedCount() == 0) {
            if (!Rebuffer(engine)) return kRunOver;
            engine.output.Start(true);
            engine.prebufferWait = 1;
            return kRebuffered;
        }
        Sleep(1);
    }
}

enum TopUp { kTopped, kDataEnded, kRunFinished };

// The start of every pass of the MPEG and plug-in loops: the stop request, the underrun check,
// then the input buffer topped up from the reader. kDataEnded: the stream ended, and what it
// still delivered is in the buffer; kRunFinished: the run has been ended.
TopUp TopUpInput(PlayerEngine& engine, std::vector<uint8_t>& input, uint32_t& filled) {
    if (engine.stopRequested) {
        engine.FinishPlayback(false, false);
        return kRunFinished;
    }
    if (filled >= kProbeBytes) return kTopped;  // still full (the probe, or input not taken)
    if (CheckUnderrun(engine, kProbeBytes - filled) == kRunOver) return kRunFinished;
    uint32_t got = 0;
    bool more = engine.streamReader->Read(input.data() + filled, kProbeBytes - filled, got) && got > 0;
    filled += got;
    return more ? kTopped : kDataEnded;
}

// Zero bytes behind the last frame, without which libmad does not decode it.
constexpr uint32_t kGuardBytes = 8;

// probe: the stream's first bytes, which identified the format and are audio as well.
void MpegLoop(PlayerEngine& engine, std::vector<uint8_t> input, uint32_t filled) {
    input.resize(kProbeBytes + kGuardBytes);
    for (;;) {
        TopUp topUp = TopUpInput(engine, input, filled);
        if (topUp == kRunFinished) return;
        if (topUp == kDataEnded) break;
        uint32_t used = DecodeBuffer(engine, input.data(), filled);
        if (used > filled) used = filled;
        std::memmove(input.data(), input.data() + used, filled - used);
        filled -= used;
    }
    // Whatever the reader delivered before the end still plays, the last frame included.
    if (filled > 0 && !engine.stopRequested) {
        std::memset(input.data() + filled, 0, kGuardBytes);
        DecodeBuffer(engine, input.data(), filled + kGuardBytes);
    }
    engine.FinishPlayback(true, false);
}

// engine.streamTitle is written by the decode thread and read by the engine's callers. Rare and
// short, so one lock serves every engine.
std::mutex g_streamTitleLock;

// "Artist - Title" (or the title alone) of the current logical stream, announced when it changes.
void UpdateOggTitle(PlayerEngine& engine) {
    OggComments comments;
    engine.oggStream->GetComments(comments);
    const wchar_t* title = comments.slot[kOggTitle];
    if (!title[0]) return;
    std::wstring text = title;
    if (comments.slot[kOggArtist][0]) text = std::wstring(comments.slot[kOggArtist]) + L" - " + title;
    {
        std::lock_guard<std::mutex> lock(g_streamTitleLock);
        if (text == engine.streamTitle) return;
        size_t n = std::min(text.size(), sizeof(engine.streamTitle) / sizeof(wchar_t) - 1);
        std::wmemcpy(engine.streamTitle, text.data(), n);
        engine.streamTitle[n] = 0;
    }
    engine.PostMessage(WM_ENGINE_TITLE, reinterpret_cast<uintptr_t>(engine.streamTitle), 0);
}

// A chained stream's link of another channel count or rate (its PCM cannot go to the output).
bool LinkFormatChanged(PlayerEngine& engine) {
    OggStreamInfo info;
    engine.oggStream->GetInfo(info);
    return info.channels > 0 && info.rate > 0 &&
           (info.channels != engine.format.channels || info.rate != engine.format.sampleRate);
}

// One decode call into the pending buffer (which must exist), handed on when full. Sets
// linkChanged, and keeps none of its PCM, when a link of another format began.
int DecodeOggPending(PlayerEngine& engine, int supplied, uint32_t& written, bool& linkChanged) {
    written = 0;
    int result = engine.oggStream->Decode(engine.PendingSpace(), engine.PendingRoom(), written, supplied);
    linkChanged = LinkFormatChanged(engine);
    if (linkChanged) return result;
    engine.CommitPending(written, true);
    if (result == OggStreamDecoder::kOutputFull) engine.SubmitPending();
    return result;
}

// The stream has ended: decode what the decoder still holds (the rest of the last link and
// any links that came whole with the last bytes) until it asks for input that will not come.
void DecodeOggTail(PlayerEngine& engine) {
    while (!engine.stopRequested && !engine.seekRequested && engine.EnsurePendingBuffer()) {
        uint32_t written = 0;
        bool linkChanged = false;
        int result = DecodeOggPending(engine, 0, written, linkChanged);
        if (linkChanged) return;
        if (result != OggStreamDecoder::kOutputFull && (result != OggStreamDecoder::kNeedInput || written == 0))
            return;
    }
}

void OggLoop(PlayerEngine& engine) {
    NetStreamReader& reader = *engine.streamReader;
    for (;;) {
        UpdateOggTitle(engine);
        if (engine.stopRequested) {
            engine.FinishPlayback(false, false);
            return;
        }
        UnderrunResult underrun = CheckUnderrun(engine, static_cast<uint32_t>(engine.oggStream->Wanted()));
        if (underrun == kRunOver) return;
        if (underrun == kRebuffered) {
            // The reconnected stream starts with fresh headers.
            std::vector<uint8_t> probe(kProbeBytes);
            uint32_t got = 0;
            if (!reader.Read(probe.data(), kProbeBytes, got) || !SniffOgg(engine, probe.data(), got)) {
                engine.FinishPlayback(true, false);
                return;
            }
            continue;
        }
        OggStreamDecoder& decoder = *engine.oggStream;
        int supplied = 0;
        bool ended = false;
        if (decoder.Wanted() != 0) {
            uint32_t got = 0;
            ended = !reader.Read(decoder.InputWindow(), static_cast<uint32_t>(decoder.Wanted()), got) || got == 0;
            supplied = static_cast<int>(got);
            if (ended && got == 0) {
                DecodeOggTail(engine);
                engine.FinishPlayback(true, false);
                return;
            }
        }
        if (!engine.EnsurePendingBuffer() || engine.stopRequested) continue;
        uint32_t written = 0;
        bool linkChanged = false;
        int result = DecodeOggPending(engine, supplied, written, linkChanged);
        if (linkChanged) {
            // The output is open for the first link's format: the run ends where it changes.
            engine.FinishPlayback(true, false);
            return;
        }
        if (result < 0) {
            engine.FinishPlayback(false, true);
            return;
        }
        if (ended) {
            DecodeOggTail(engine);
            engine.FinishPlayback(true, false);
            return;
        }
    }
}

void PluginLoop(PlayerEngine& engine) {
    std::vector<uint8_t> input(kProbeBytes);
    uint32_t filled = 0;
    for (;;) {
        TopUp topUp = TopUpInput(engine, input, filled);
        if (topUp == kRunFinished) return;
        const bool more = topUp == kTopped;
        if (!more && filled == 0) break;
        if (!engine.EnsurePendingBuffer() || engine.stopRequested) continue;
        int32_t consumed = 0;
        uint32_t recorded = 0;
        int result = DecodePluginStream(engine, input.data(), static_cast<int32_t>(filled), consumed,
                                        engine.PendingSpace(), engine.PendingRoom(), recorded);
        if (result < 0) {
            engine.FinishPlayback(false, true);
            return;
        }
        if (recorded > 0) {
            engine.CommitPending(recorded, !PluginStreamEqualizes(engine));
            engine.SubmitPending();
        }
        if (result == 1 || !more) break;
        uint32_t used = static_cast<uint32_t>(consumed);
        std::memmove(input.data(), input.data() + used, filled - used);
        filled -= used;
    }
    engine.FinishPlayback(true, false);
}

bool SniffPlugin(PlayerEngine& engine, const uint8_t* probe, uint32_t count) {
    return OpenPluginStream(engine, probe, static_cast<int32_t>(count));
}

// The stream formats in the order they are tried on the first bytes. loop runs the stream to
// its end; it is given those first bytes, which the MPEG loop plays as audio.
struct StreamFormatOps {
    int format;  // StreamFormat
    bool (*sniff)(PlayerEngine& engine, const uint8_t* probe, uint32_t count);
    void (*loop)(PlayerEngine& engine, std::vector<uint8_t> probe, uint32_t got);
};

const StreamFormatOps kStreamFormats[] = {
    {kStreamFormatMpeg, SniffMpeg, MpegLoop},
    {kStreamFormatOgg, SniffOgg, [](PlayerEngine& engine, std::vector<uint8_t>, uint32_t) { OggLoop(engine); }},
    {kStreamFormatPlugin, SniffPlugin,
     [](PlayerEngine& engine, std::vector<uint8_t>, uint32_t) { PluginLoop(engine); }},
};

}  // namespace

void StreamDecodeThread(PlayerEngine& engine) {
    NetStreamReader& reader = *engine.streamReader;
    engine.streamState = kStreamConnecting;
    SetPlayStateFromThread(engine, kStarting);
    // A Stop may have come before this thread got here: connecting would only delay it.
    if (engine.stopRequested || !reader.Open()) {
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
    const StreamFormatOps* chosen = nullptr;
    for (const StreamFormatOps& f : kStreamFormats) {
        if (f.sniff(engine, probe.data(), got)) {
            chosen = &f;
            break;
        }
    }
    if (!chosen) {
        engine.FinishPlayback(false, true);
        return;
    }
    engine.streamFormat = chosen->format;
    if (!engine.StartOutput() || !WaitPrebuffer(engine, reader.GetPrebufferBlocks())) {
        engine.FinishPlayback(false, true);
        return;
    }
    engine.streamState = kStreamReceiving;
    SetPlayStateFromThread(engine, kPlaying);
    chosen->loop(engine, std::move(probe), got);
}

void RewindStream(PlayerEngine& engine) {
    engine.oggStream.reset();
    {
        std::lock_guard<std::mutex> lock(g_streamTitleLock);
        engine.streamTitle[0] = 0;
    }
    if (engine.streamPlugin >= 0) ClosePluginStream(engine);
    engine.streamFormat = kStreamFormatNone;
}

bool GetOggStreamTitle(PlayerEngine& engine, std::wstring& out) {
    std::lock_guard<std::mutex> lock(g_streamTitleLock);
    if (!engine.streamTitle[0]) return false;
    out = engine.streamTitle;
    return true;
}

const SourceOps kStreamSource = {
    kSourceStream, "stream",
    nullptr,  // opened by OpenStream
    nullptr, nullptr, StreamDecodeThread, nullptr, RewindStream,
    [](PlayerEngine& engine) { engine.streamReader->Reset(); },
    nullptr, nullptr, nullptr,
};

}  // namespace vl
