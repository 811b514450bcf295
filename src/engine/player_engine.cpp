#include "engine/player_engine.h"

#include <cstring>

#include "engine/input/mpeg_decoder.h"
#include "engine/input/net_stream_reader.h"
#include "engine/input/ogg_input.h"
#include "engine/input/ogg_stream_decoder.h"
#include "engine/input/plugin_host.h"
#include "engine/input/source.h"
#include "engine/input/stream_playback.h"
#include "engine/input/tags.h"
#include "engine/input/wav_input.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace vl {

void MpegDecoderDeleter::operator()(MpegDecoder* decoder) const { decoder->Destroy(); }
void OggStreamDeleter::operator()(OggStreamDecoder* decoder) const { OggStreamDecoder::Destroy(decoder); }

PlayerEngine::PlayerEngine() : streamReader(std::make_unique<NetStreamReader>()) {
    slotEq = DefaultEqualizer();
    eq = slotEq;
    int bufferLen = 500, alwaysOpen = 0, fade = 0;
    output.GetDefaults(bufferLen, alwaysOpen, fade);
    outputSettings = OutputSettings{};
    outputSettings.bufferLenMs = bufferLen;
    outputSettings.fade = fade;
    outputSettings.alwaysOpenDev = alwaysOpen;
    LoadPlugins(*this);
}

PlayerEngine::~PlayerEngine() {
    Close();
    output.CloseDevice();
    UnloadPlugins(*this);
}

PlayerEngine* CreateEngine() { return new PlayerEngine(); }
void DestroyEngine(PlayerEngine* engine) { delete engine; }

void PlayerEngine::PostMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (MessageSink* sink = notify.load()) sink->Post(message, wParam, lParam);
}

void PlayerEngine::SetNotifyWindow(MessageSink* sink) {
    notify = sink;
    streamReader->SetNotifyWindow(sink);
}

void PlayerEngine::SetPlayState(int state, intptr_t failed) {
    playState = state;
    PostMessage(WM_ENGINE_STATE, static_cast<uintptr_t>(state), failed);
}

// ---------------------------------------------------------------- open and close

bool PlayerEngine::Open(const std::wstring& newPath) {
    Locked lock(engineLock);
    Close();
    atTrackStart = 1;
    // The decoder plug-ins open files themselves: a FIFO must not reach them.
    if (newPath.empty() || !IsRegularFile(newPath)) return false;
    for (const SourceOps* const* input = kFileInputs; *input; ++input) {
        if ((*input)->open(*this, newPath)) {
            path = newPath;
            sourceType = (*input)->type;
            return true;
        }
    }
    Close();
    return false;
}

bool PlayerEngine::OpenStream(const std::wstring& url) {
    Locked lock(engineLock);
    Close();
    if (!streamReader->SetUrl(url)) return false;
    path = url;
    sourceType = kSourceStream;
    streamState = kStreamIdle;
    return true;
}

void PlayerEngine::Close() {
    Locked lock(engineLock);
    Stop();
    CloseSource();
}

void PlayerEngine::CloseSource() {
    fileReader.Close();
    for (const SourceOps* const* source = kSources; *source; ++source)
        if ((*source)->close) (*source)->close(*this);
    streamFormat = 0;
    streamState = kStreamNone;
    format = FormatRecord{};
    totalSamples = 0;
    audioStart = 0;
    path.clear();
    sourceType = kSourceNone;
}

// ---------------------------------------------------------------- play, stop, pause

bool PlayerEngine::Play() {
    Locked lock(engineLock);
    if (sourceType == kSourceNone) return false;
    if (playState == kPaused) {
        Pause();
        return true;
    }
    if (playState != kStopped) return false;
    // A run that ended by itself leaves its thread to be joined here. A thread that has not
    // finished is a run still starting (its state not posted yet): it waits for engineLock,
    // so joining it here would hang both.
    if (decodeThread.Joinable()) {
        if (!decodeThread.Finished() && !runEnding) return false;
        decodeThread.Join();  // the run has posted its end and only returns
    }
    runEnding = 0;
    return decodeThread.Start([this] { DecodeThread(); });
}

void PlayerEngine::Stop() {
    Locked lock(engineLock);
    StopLocked();
}

void PlayerEngine::StopLocked() {
    if (decodeThread.Joinable()) {
        stopRequested = 1;
        streamReader->RequestStop();
        output.Reset();
        decodeThread.Join();
        streamReader->ClearStopRequest();
    }
    stopRequested = 0;
    sentSamples = 0;
    endReached = 0;
    prebufferWait = 0;
    seekRequested = 0;
    startSample = 0;
    Seek(0);
}

void PlayerEngine::Pause() {
    Locked lock(engineLock);
    if (sourceType == kSourceNone || sourceType == kSourceStream) return;
    Locked hold(holdLock);
    if (playState == kPlaying) {
        output.Start(true);
        prebufferWait = 0;
        SetPlayState(kPaused, 0);
    } else if (playState == kPaused) {
        if (output.QueuedCount() >= output.RingCount()) output.Start(false);
        else prebufferWait = 1;
        SetPlayState(kPlaying, 0);
    }
}

void PlayerEngine::ReleaseOutput() {
    Locked lock(engineLock);
    if (playState != kStopped || decodeThread.Joinable()) StopLocked();
    output.CloseDevice();
}

// ---------------------------------------------------------------- position

int PlayerEngine::GetDuration() {
    Locked lock(engineLock);
    if (sourceType == kSourceNone || format.sampleRate <= 0) return 0;
    return static_cast<int>(static_cast<double>(totalSamples) / format.sampleRate * 1000.0);
}

int PlayerEngine::GetPosition() {
    Locked lock(engineLock);
    if (sourceType == kSourceNone || format.sampleRate <= 0) return 0;
    double frames = startSample;
    if (playState != kStopped) frames += output.GetPlayedFrames();
    return static_cast<int>(frames * 1000.0 / format.sampleRate);
}

bool PlayerEngine::Seek(int ms) {
    Locked lock(engineLock);
    Locked decode(decodeLock);
    if (sourceType == kSourceNone) return false;
    if (ms < 0) ms = 0;
    if (ms >= GetDuration()) return false;
    const SourceOps& source = Source();
    bool ok = source.seek && source.seek(*this, ms);
    atTrackStart = startSample == 0 ? 1 : 0;
    if (ok) {
        sentSamples = 0;
        endReached = 0;
        SetDecodePriority(THREAD_PRIORITY_BELOW_NORMAL);
    }
    return ok;
}

void PlayerEngine::SeekReached(uint32_t frame) {
    seekRequested = 1;
    startSample = frame;
    output.Reset();
}

bool PlayerEngine::SeekForward(int ms) {
    Locked lock(engineLock);
    if (sourceType == kSourceNone) return false;
    return Seek(GetPosition() + ms);
}

bool PlayerEngine::SeekBackward(int ms) {
    Locked lock(engineLock);
    if (sourceType == kSourceNone) return false;
    return Seek(GetPosition() - ms);
}

// ---------------------------------------------------------------- information

void PlayerEngine::GetTrackInfo(TrackInfo& info) {
    Locked lock(engineLock);
    if (sourceType == kSourceNone) return;
    info.version = format.version;
    info.layer = format.layer;
    info.channels = format.channels;
    info.sampleRate = format.sampleRate;
    info.bitrate = format.bitrate;
    info.duration = GetDuration();
}

bool PlayerEngine::GetTagInfo(TagInfo& tags) {
    Locked lock(engineLock);
    const SourceOps& source = Source();
    return source.getTags && source.getTags(*this, tags);
}

bool PlayerEngine::ReadFileTags(const std::wstring& file, TagInfo& tags) {
    if (!IsRegularFile(file)) return false;
    for (const SourceOps* const* reader = kTagReaders; *reader; ++reader)
        if ((*reader)->readFileTags(*this, file, tags)) return true;
    return false;
}

void PlayerEngine::GetGenreName(int index, std::wstring& out) { vl::GetGenreName(index, out); }

int PlayerEngine::GetPluginCount() const { return static_cast<int>(plugins.size()); }

const VlDecoderRecord* PlayerEngine::GetPlugin(int index) const {
    if (index < 0 || index >= static_cast<int>(plugins.size())) return nullptr;
    return plugins[static_cast<size_t>(index)]->record;
}

uint32_t PlayerEngine::GetPluginCaps(int index) const {
    if (index < 0 || index >= static_cast<int>(plugins.size())) return 0;
    return plugins[static_cast<size_t>(index)]->caps;
}

// ---------------------------------------------------------------- settings

void PlayerEngine::SetEqualizer(const EqualizerParams& params) {
    eq = params;
    {
        std::lock_guard<std::mutex> lock(slotMutex);
        slotEq = params;
        if (mpegDecoder) mpegDecoder->SetEqualizer(params);
    }
    effects.SetEqualizer(params);
    SetPluginEqualizer(*this, params);
}

bool PlayerEngine::SetOutputSettings(const OutputSettings& settings) {
    Locked lock(engineLock);
    if (playState != kStopped || settings.prebufferPercent < 0 || settings.prebufferPercent > 100)
        return false;
    // A run just started has not posted its state yet, but it is no longer stopped; joining it
    // here would hang both (it waits for engineLock in StartOutput).
    if (decodeThread.Joinable() && !decodeThread.Finished() && !runEnding) return false;
    if (settings.bufferLenMs != outputSettings.bufferLenMs || settings.fade != outputSettings.fade ||
        settings.alwaysOpenDev != outputSettings.alwaysOpenDev) {
        // A run that ended by itself may still be finishing with the device.
        if (decodeThread.Joinable()) decodeThread.Join();
        output.CloseDevice();
        if (!output.Configure(settings.bufferLenMs, settings.alwaysOpenDev, settings.fade)) return false;
    }
    outputSettings = settings;
    return true;
}

void PlayerEngine::GetBufferInfo(uint32_t& audioTotal, uint32_t& audioUsed, uint32_t& streamTotal,
                                 uint32_t& streamUsed) {
    output.GetRingInfo(audioTotal, audioUsed);
    streamReader->GetBufferState(streamTotal, streamUsed);
}

bool PlayerEngine::GetStreamInfo(std::wstring* name, std::wstring* genre, std::wstring* url) {
    return streamReader->GetStreamInfo(name, genre, url);
}

bool PlayerEngine::GetStreamTitle(std::wstring& out) {
    return GetOggStreamTitle(*this, out) || streamReader->GetStreamTitle(out);
}

bool PlayerEngine::SetStreamSettings(const StreamSettings& settings) {
    NetStreamReader& r = *streamReader;
    if (!r.SetBufferBlocks(settings.bufferBlocks)) return false;
    r.SetPrebufferBlocks(settings.prebufferBlocks < settings.bufferBlocks ? settings.prebufferBlocks
                                                                          : settings.bufferBlocks);
    r.SetProxy(settings.useProxy != 0, settings.proxy);
    r.SetUserAgent(settings.userAgent);
    return true;
}

void PlayerEngine::GetStreamSettings(StreamSettings& settings) {
    NetStreamReader& r = *streamReader;
    settings.bufferBlocks = r.GetBufferBlocks();
    settings.prebufferBlocks = r.GetPrebufferBlocks();
    std::wstring text;
    settings.useProxy = r.GetProxy(text) ? 1 : 0;
    CopyText(settings.proxy, 260, text);
    r.GetUserAgent(text);
    CopyText(settings.userAgent, 260, text);
}

int PlayerEngine::GetStreamBuffered() {
    return streamState >= kStreamConnecting ? streamReader->GetFilledBlocks() : 0;
}

// ---------------------------------------------------------------- the decode thread

const SourceOps& PlayerEngine::Source() const { return FindSource(sourceType); }

int PlayerEngine::OutputBits() const {
    const SourceOps& source = Source();
    return source.outputBits ? source.outputBits(*this) : 16;
}

void PlayerEngine::DecodeThread() {
    const SourceOps& source = Source();
    if (source.run) {
        source.run(*this);
        return;
    }
    if (playState != kStarting) SetPlayState(kStarting, 0);
    if (!StartOutput()) {
        FinishPlayback(false, true);
        return;
    }
    if (playState != kPlaying) SetPlayState(kPlaying, 0);
    for (;;) {
        int result = source.decodeStep ? source.decodeStep(*this) : kDecodeError;
        if (result == kDecodeEnded) {
            if (FinishPlayback(true, false)) return;
        } else if (result == kDecodeStopped) {
            FinishPlayback(false, false);
            return;
        } else {
            FinishPlayback(false, true);
            return;
        }
    }
}

bool PlayerEngine::StartOutput() {
    if (stopRequested) return false;
    // Stop holds engineLock while it waits for this thread: never wait for the lock blindly.
    while (!engineLock.TryAcquire()) {
        if (stopRequested) return false;
        Sleep(1);
    }
    bool ok = false;
    if (!stopRequested) {
        const int bits = OutputBits();
        if (output.OpenDevice(format.channels, format.sampleRate, bits)) {
            outputBufferSize = output.BufferSize();
            output.Start(true);
            if (CreateSlotDecoder()) {
                effects.Prepare(format.channels, format.sampleRate);
                prebufferWait = 1;
                stopRequested = 0;
                SetDecodePriority(THREAD_PRIORITY_BELOW_NORMAL);
                ok = true;
            }
        }
    }
    engineLock.Release();
    return ok;
}

// ---------------------------------------------------------------- the inputs' door

bool PlayerEngine::CreateSlotDecoder() {
    MpegDecoder* decoder = MpegDecoder::Create();
    std::lock_guard<std::mutex> lock(slotMutex);
    if (decoder) decoder->SetEqualizer(slotEq);
    mpegDecoder.reset(decoder);
    return decoder != nullptr;
}

void PlayerEngine::DestroySlotDecoder() {
    std::lock_guard<std::mutex> lock(slotMutex);
    mpegDecoder.reset();
}

bool PlayerEngine::ResetSlotDecoder() {
    DestroySlotDecoder();
    return CreateSlotDecoder();
}

bool PlayerEngine::EnsurePendingBuffer() {
    if (!pendingBuffer) {
        pendingBuffer = output.GetFreeBuffer();
        pendingFree = outputBufferSize;
    }
    return pendingBuffer != nullptr;
}

uint8_t* PlayerEngine::PendingSpace() const {
    return pendingBuffer ? pendingBuffer->lpData + (outputBufferSize - pendingFree) : nullptr;
}

void PlayerEngine::CommitPending(uint32_t bytes, bool preamp) {
    if (!pendingBuffer) return;
    if (bytes > pendingFree) bytes = pendingFree;
    if (preamp) effects.ApplyPreamp(PendingSpace(), bytes, OutputBits());
    pendingFree -= bytes;
}

void PlayerEngine::SubmitPending() {
    if (!pendingBuffer) return;
    WaveHeader* buffer = pendingBuffer;
    const uint32_t length = outputBufferSize - pendingFree;
    pendingBuffer = nullptr;
    pendingFree = 0;
    SubmitBuffer(buffer, length);
}

DecodePass PlayerEngine::BeginDecodePass() {
    decodeLock.Acquire();
    if (!seekRequested) return DecodePass::kRun;
    if (playState == kPlaying) prebufferWait = 1;
    effects.ClearForSeek();
    output.Reset();
    seekRequested = 0;
    pendingBuffer = nullptr;
    pendingFree = 0;
    const SourceOps& source = Source();
    const bool ok = !source.clearForSeek || source.clearForSeek(*this);
    decodeLock.Release();
    return ok ? DecodePass::kSeeked : DecodePass::kFailed;
}

void PlayerEngine::SubmitBuffer(WaveHeader* buffer, uint32_t length) {
    const int bits = OutputBits();
    const int channels = format.channels > 0 ? format.channels : 1;
    const uint32_t bytesPerSample = static_cast<uint32_t>(bits / 8);
    const uint32_t frameBytes = bytesPerSample * static_cast<uint32_t>(channels);
    const int rate = format.sampleRate;
    if (length > outputBufferSize) length = outputBufferSize;
    length -= frameBytes ? length % frameBytes : 0;

    if (sourceType != kSourceStream) {
        if (atTrackStart) {
            output.CancelFade();  // no fade at a track's first sample
            if (outputSettings.suppressZeroSamples) {
                uint32_t silent = AudioOutput::CountSilence(true, buffer->lpData, length, bits, channels);
                if (silent >= length) {
                    buffer->dwBufferLength = buffer->dwBytesRecorded = 0;
                    output.QueueBuffer(buffer);
                    startSample += length / frameBytes;
                    Sleep(1);
                    return;
                }
                if (silent > 0) {
                    std::memmove(buffer->lpData, buffer->lpData + silent, length - silent);
                    length -= silent;
                    startSample += silent / frameBytes;
                }
            }
            atTrackStart = 0;
        } else if (outputSettings.suppressZeroSamples) {
            if (endReached) {
                buffer->dwBufferLength = buffer->dwBytesRecorded = 0;
                output.QueueBuffer(buffer);
                return;
            }
            // Signed: tracks shorter than ten seconds are in their last ten seconds throughout.
            int64_t played = static_cast<int64_t>(startSample) + sentSamples;
            if (played >= static_cast<int64_t>(totalSamples) - 10LL * rate) {
                uint32_t silent = AudioOutput::CountSilence(false, buffer->lpData, length, bits, channels);
                if (silent > bytesPerSample * static_cast<uint32_t>(rate) * channels / 100) {
                    endReached = 1;
                    length -= silent;
                }
            }
        }
    }

    buffer->dwBufferLength = length;
    buffer->dwBytesRecorded = length;
    effects.Process(bits, channels, buffer->lpData, length);

    PostMessage(WM_ENGINE_PEAKS, static_cast<uintptr_t>(output.PeakLeft()), output.PeakRight());
    output.QueueBuffer(buffer);
    if (frameBytes) sentSamples += length / frameBytes;

    if (prebufferWait && playState == kPlaying) {
        int64_t threshold = static_cast<int64_t>(outputSettings.bufferLenMs) * rate / 1000 *
                            outputSettings.prebufferPercent / 100;
        if (output.QueuedFrames() < threshold && output.QueuedCount() < output.RingCount()) return;
        ReleasePrebuffer();
        SetDecodePriority(outputSettings.threadPriority);
    }
}

void PlayerEngine::ReleasePrebuffer() {
    Locked hold(holdLock);
    if (!prebufferWait || playState != kPlaying) return;
    output.Start(false);
    prebufferWait = 0;
}

bool PlayerEngine::FinishPlayback(bool drain, bool failed) {
    if (drain) {
        SubmitPending();
        while (!output.AllPlayed()) {
            ReleasePrebuffer();
            Sleep(1);
            if (seekRequested) return false;
            if (stopRequested) break;
            PostMessage(WM_ENGINE_PEAKS, static_cast<uintptr_t>(output.PeakLeft()), output.PeakRight());
        }
    }
    runEnding = 1;
    output.StopOutput();
    effects.Release();
    DestroySlotDecoder();
    if (!outputSettings.alwaysOpenDev || failed) output.CloseDevice();
    if (sourceType == kSourceStream) {
        streamReader->Close();
        streamState = kStreamIdle;
    }
    pendingBuffer = nullptr;
    pendingFree = 0;
    startSample = 0;
    prebufferWait = 0;
    stopRequested = 0;
    seekRequested = 0;
    const SourceOps& source = Source();
    if (source.rewind) source.rewind(*this);
    PostMessage(WM_ENGINE_PEAKS, 0, 0);
    if (playState != kStopped) SetPlayState(kStopped, failed ? 1 : 0);
    return true;
}

}  // namespace vl
