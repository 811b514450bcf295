#pragma once
// The one object through which the user interface plays audio: it owns the inputs, the
// effects and the audio output, runs one decode thread per play run and reports through
// posted messages (WM_ENGINE_STATE, WM_ENGINE_PEAKS, WM_ENGINE_TITLE).
//
// Calling contract: the operations of the user interface may be called from any thread, also
// from several at once (the window, its timers, D-Bus callers); each returns in bounded time
// (Stop waits for the decode thread, which gives up on every wait when asked to stop).
// Operations on the source and the run are serialised by engineLock; the ones that only read
// (GetState, GetStreamState) read single values. GetPath returns a copy for the same reason.
// Effect and equalizer setters are safe against the running decode thread. The "used by the
// inputs" members belong to the decode thread and are not for the user interface.
#include <atomic>
#include <mutex>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/output/audio_output.h"
#include "engine/effects/bass_boost.h"
#include "engine/effects/delay_effect.h"
#include "engine/input/file_reader.h"
#include "engine/effects/spatial_effects.h"
#include "engine/types.h"
#include "platform/critical_section.h"
#include "platform/message_sink.h"
#include "platform/thread.h"

namespace vl {

class MpegDecoder;
class NetStreamReader;
struct WavState;
struct OggFile;
class OggStreamDecoder;
struct PluginEntry;

// Decode step results.
enum DecodeResult { kDecodeEnded = 0, kDecodeStopped = 1, kDecodeError = 2 };

class PlayerEngine {
public:
    PlayerEngine();
    ~PlayerEngine();
    PlayerEngine(const PlayerEngine&) = delete;
    PlayerEngine& operator=(const PlayerEngine&) = delete;

    // ---- operations of the user interface ----
    bool Open(const std::wstring& path);
    bool OpenStream(const std::wstring& url);
    void Close();
    bool Play();
    void Stop();
    void Pause();
    bool Seek(int ms);
    bool SeekForward(int ms);
    bool SeekBackward(int ms);
    int GetDuration();
    int GetPosition();
    int GetState() const { return playState; }
    void SetNotifyWindow(MessageSink* sink);
    void GetTrackInfo(TrackInfo& info);
    bool GetTagInfo(TagInfo& tags);
    bool ReadFileTags(const std::wstring& path, TagInfo& tags);
    void SetEqualizer(const EqualizerParams& params);
    void GetEqualizer(EqualizerParams& params) const { params = eq; }
    void SetEffect(int kind, const EffectParams& params);
    void GetEffect(int kind, EffectParams& params);
    void SetBassBoost(int level) { bassBoost.SetLevel(level); }
    int GetBassBoost() const { return bassBoost.GetLevel(); }
    bool SetOutputSettings(const OutputSettings& settings);
    void GetOutputSettings(OutputSettings& settings) const { settings = outputSettings; }
    void SetPeakMeter(bool on) { output.SetPeakMeter(on); }
    bool GetPeakMeter() const { return output.GetPeakMeter(); }
    void ReleaseOutput();
    void GetBufferInfo(uint32_t& audioTotal, uint32_t& audioUsed, uint32_t& streamTotal, uint32_t& streamUsed);
    bool GetStreamInfo(std::wstring* name, std::wstring* genre, std::wstring* url);
    bool GetStreamTitle(std::wstring& out);
    bool SetStreamSettings(const StreamSettings& settings);
    void GetStreamSettings(StreamSettings& settings);
    int GetStreamState() const { return streamState; }
    int GetStreamBuffered();
    int GetPluginCount() const;
    const VlDecoderRecord* GetPlugin(int index) const;
    static void GetGenreName(int index, std::wstring& out);
    std::wstring GetPath() {
        Locked lock(engineLock);
        return path;
    }
    int GetSourceType() const { return sourceType; }

    // ---- used by the inputs on the decode thread ----
    WaveHeader* GetFreeBuffer() { return output.GetFreeBuffer(); }
    // Takes a free ring buffer as the pending buffer when there is none (waits while the ring
    // is full); false when the output has no ring.
    bool EnsurePendingBuffer() {
        if (!pendingBuffer) {
            pendingBuffer = GetFreeBuffer();
            pendingFree = outputBufferSize;
        }
        return pendingBuffer != nullptr;
    }
    // Queues one filled output buffer (length bytes of PCM) through the effect chain.
    void SubmitBuffer(WaveHeader* buffer, uint32_t length);
    // Ends a run; false when a seek arrived while draining (decoding goes on).
    bool FinishPlayback(bool drain, bool failed);
    // The seek reaction every decode step shares: discard queued output, reset the effects
    // and hold the output until the prebuffer is full again. Caller holds decodeLock.
    void ResetForSeek();
    void ApplyPreampIfEnabled(uint8_t* data, uint32_t length, int bits);
    int OutputBits() const;
    void SetDecodePriority(int priority) { decodeThread.SetPriority(priority); }
    void PostMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
    // Opens the output for the source's format and prepares the effects (the run's start).
    bool StartOutput();
    // Releases the held output once the prebuffer is full, unless a Pause came first.
    void ReleasePrebuffer();

    // ---- state shared with the inputs ----
    FileReader fileReader;
    std::unique_ptr<NetStreamReader> streamReader;
    MpegDecoder* mpegDecoder = nullptr;  // exists during a play run
    EqualizerParams slotEq;              // the decoder slot's copy
    std::mutex slotLock;                 // slotEq and the decoder pointer against SetEqualizer
    DelayEffect reverb{DelayEffect::kReverb};
    DelayEffect echo{DelayEffect::kEcho};
    Surround surround;
    BassBoost bassBoost;
    Chorus3D chorus;
    AudioOutput output;
    std::atomic<MessageSink*> notify{nullptr};
    std::wstring path;
    Thread decodeThread;
    std::atomic<uint32_t> totalSamples{0};
    std::atomic<uint32_t> startSample{0};
    std::atomic<uint32_t> sentSamples{0};
    std::atomic<int> endReached{0};
    FormatRecord format;
    int64_t audioStart = 0;  // MPEG files: where the audio begins (after a leading tag)
    std::atomic<int> playState{kStopped};
    std::atomic<int> streamState{kStreamNone};
    EqualizerParams eq;
    WaveHeader* pendingBuffer = nullptr;
    uint32_t outputBufferSize = 0;
    uint32_t pendingFree = 0;
    std::atomic<int> eqEnabled{0};
    std::atomic<int> preamp{31};
    std::atomic<int> preampGain{256};
    std::atomic<int> seekRequested{0};
    std::atomic<int> prebufferWait{0};
    std::atomic<int> atTrackStart{1};
    std::atomic<int> stopRequested{0};
    std::atomic<int> runEnding{0};  // the decode thread is past its last wait and ending
    std::atomic<int> sourceType{kSourceNone};
    OutputSettings outputSettings;
    CriticalSection decodeLock;
    CriticalSection engineLock;
    // Orders the decode thread's prebuffer test-and-release against Pause: taken inside
    // engineLock by Pause, alone by the decode thread, and never held while waiting.
    CriticalSection holdLock;
    // WAV and Ogg inputs
    std::unique_ptr<WavState> wav;
    OggFile* oggFile = nullptr;
    // streams
    int streamFormat = 0;  // 0 none, 1 MPEG, 2 Ogg Vorbis, 3 plug-in
    OggStreamDecoder* oggStream = nullptr;
    wchar_t streamTitle[260] = {};
    // plug-ins
    int filePlugin = -1;
    int streamPlugin = -1;
    int pluginBits = 0;
    std::vector<PluginEntry*> plugins;

private:
    void DecodeThread();
    int RunDecodeStep();
    bool SeekSource(int ms);
    void RewindSource();
    void CloseSource();
    void StopLocked();
    void SetPlayState(int state, intptr_t failed);
    int SampleRate() const { return format.sampleRate; }
};

// The same operations as free functions, for callers that hold the engine by pointer.
PlayerEngine* CreateEngine();
void DestroyEngine(PlayerEngine* engine);

}  // namespace vl
