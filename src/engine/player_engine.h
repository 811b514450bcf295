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

#include <mutex>

#include "engine/effects/effect_chain.h"
#include "engine/input/file_reader.h"
#include "engine/output/audio_output.h"
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
struct SourceOps;

// Decode step results.
enum DecodeResult { kDecodeEnded = 0, kDecodeStopped = 1, kDecodeError = 2 };

// Start of one read-and-decode pass (BeginDecodePass).
enum class DecodePass { kRun, kSeeked, kFailed };

struct MpegDecoderDeleter { void operator()(MpegDecoder* decoder) const; };
struct OggFileDeleter { void operator()(OggFile* file) const; };
struct OggStreamDeleter { void operator()(OggStreamDecoder* decoder) const; };

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
    void SetEffect(int kind, const EffectParams& params) { effects.SetParams(kind, params); }
    void GetEffect(int kind, EffectParams& params) { effects.GetParams(kind, params); }
    void SetBassBoost(int level) { effects.SetBassBoost(level); }
    int GetBassBoost() const { return effects.GetBassBoost(); }
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
    // The VL_CAP_* flags the plug-in announced when it loaded; 0 for an index out of range.
    uint32_t GetPluginCaps(int index) const;
    static void GetGenreName(int index, std::wstring& out);
    std::wstring GetPath() {
        Locked lock(engineLock);
        return path;
    }
    int GetSourceType() const { return sourceType; }

    // ---- the inputs' door to the engine, on the decode thread ----
    // A pending output buffer to fill: takes a free ring buffer when there is none (waits while
    // the ring is full); false when the output has no ring (stopped or closed).
    bool EnsurePendingBuffer();
    bool HasPendingBuffer() const { return pendingBuffer != nullptr; }
    // Where the next decoded bytes go, and how many still fit (0 without a pending buffer).
    uint8_t* PendingSpace() const;
    uint32_t PendingRoom() const { return pendingBuffer ? pendingFree : 0; }
    // Counts bytes written at PendingSpace (cut to the room); with preamp, the equalizer's
    // preamp is applied to them first (inputs that do not equalize themselves).
    void CommitPending(uint32_t bytes, bool preamp);
    // Hands the pending buffer, with the bytes committed, through the effects to the output.
    void SubmitPending();
    // Takes decodeLock for one read-and-decode pass. When a seek arrived, runs the seek
    // reaction (queued output discarded, effects and the input's decoder cleared, prebuffer
    // held again) and releases the lock: kSeeked, or kFailed when the input cannot go on.
    DecodePass BeginDecodePass();
    void EndDecodePass() { decodeLock.Release(); }
    // An input's seek reached this sample frame: the decode thread restarts from there.
    void SeekReached(uint32_t frame);
    // Ends a run; false when a seek arrived while draining (decoding goes on).
    bool FinishPlayback(bool drain, bool failed);
    int OutputBits() const;
    void PostMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
    // Opens the output for the source's format and prepares the effects (the run's start).
    bool StartOutput();
    // Releases the held output once the prebuffer is full, unless a Pause came first.
    void ReleasePrebuffer();
    // The decoder slot (MPEG): create/destroy/reset the live decoder with the slot's equalizer.
    bool CreateSlotDecoder();
    void DestroySlotDecoder();
    bool ResetSlotDecoder();
    MpegDecoder* SlotDecoder() const { return mpegDecoder.get(); }

    // ---- state shared with the inputs ----
    FileReader fileReader;
    std::unique_ptr<NetStreamReader> streamReader;
    EffectChain effects;
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
    uint32_t outputBufferSize = 0;
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
    std::unique_ptr<OggFile, OggFileDeleter> oggFile;
    // streams
    int streamFormat = 0;  // 0 none, 1 MPEG, 2 Ogg Vorbis, 3 plug-in
    std::unique_ptr<OggStreamDecoder, OggStreamDeleter> oggStream;
    wchar_t streamTitle[260] = {};
    // plug-ins
    int filePlugin = -1;
    int streamPlugin = -1;
    int pluginBits = 0;
    // The list does not own its entries: UnloadPlugins shuts each down and deletes it.
    std::vector<PluginEntry*> plugins;

private:
    void DecodeThread();
    void CloseSource();
    void StopLocked();
    void SubmitBuffer(WaveHeader* buffer, uint32_t length);
    void SetPlayState(int state, intptr_t failed);
    void SetDecodePriority(int priority) { decodeThread.SetPriority(priority); }
    const SourceOps& Source() const;

    // The decoder slot: the live MPEG decoder of a play run (null between runs) and the
    // slot's copy of the equalizer. slotMutex guards both: the user interface sets the
    // equalizer while the decode thread creates, resets and destroys the decoder.
    std::unique_ptr<MpegDecoder, MpegDecoderDeleter> mpegDecoder;
    EqualizerParams slotEq;
    std::mutex slotMutex;
    // The buffer the decode thread is filling and the bytes still free in it.
    WaveHeader* pendingBuffer = nullptr;
    uint32_t pendingFree = 0;
};

// The same operations as free functions, for callers that hold the engine by pointer.
PlayerEngine* CreateEngine();
void DestroyEngine(PlayerEngine* engine);

}  // namespace vl
