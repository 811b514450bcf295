#include "platform/wave_out.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/thread.h"
#include "platform/wave_out_driver.h"

namespace vl {

namespace {

std::atomic<uint32_t> g_volume{0xFFFFFFFFu};
std::mutex g_backendMutex;
std::string g_backendOverride;
bool g_backendOverridden = false;

struct BackendChoice {
    enum Kind { kInvalid, kAuto, kAlsa, kNull, kWav } kind = kInvalid;
    bool fast = false;
    std::string arg;  // ALSA device or WAV path
};

BackendChoice ParseBackend(const std::string& name) {
    BackendChoice b;
    auto after = [&](const char* prefix, std::string& rest) {
        size_t n = std::char_traits<char>::length(prefix);
        if (name.compare(0, n, prefix) != 0) return false;
        rest = name.substr(n);
        return true;
    };
    std::string rest;
    if (name.empty() || name == "auto") {
        b.kind = BackendChoice::kAuto;
    } else if (name == "alsa") {
        b.kind = BackendChoice::kAlsa;
        b.arg = "default";
    } else if (after("alsa:", rest) && !rest.empty()) {
        b.kind = BackendChoice::kAlsa;
        b.arg = rest;
    } else if (name == "null" || name == "null-fast") {
        b.kind = BackendChoice::kNull;
        b.fast = name == "null-fast";
    } else if ((after("wav:", rest) || after("wav-fast:", rest)) && !rest.empty()) {
        b.kind = BackendChoice::kWav;
        b.fast = name.compare(0, 9, "wav-fast:") == 0;
        b.arg = rest;
    }
    return b;
}

bool WavFolderExists(const std::string& path) {
    std::wstring wide = Utf8ToWide(path);
    std::wstring dir = wide.find(L'/') == std::wstring::npos ? L"." : DirName(wide);
    if (dir.empty()) dir = L"/";
    return IsDirectory(dir) && !IsDirectory(wide);
}

bool FormatSupported(const WaveFormat& f) {
    return f.channels >= 1 && f.channels <= 8 && f.sampleRate >= 1 && f.sampleRate <= 1536000 &&
           (f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 ||
            f.bitsPerSample == 32);
}

// Gain of one channel: mono and the left front take the low word, the right front the high
// word, any further channel the mean of both.
uint32_t ChannelGain(uint32_t volume, int channel, int channels) {
    uint32_t left = volume & 0xFFFF, right = volume >> 16;
    if (channels == 1 || channel == 0) return left;
    if (channel == 1) return right;
    return (left + right) / 2;
}

inline int64_t Scale(int64_t sample, uint32_t gain) {
    // 0xFFFF is unity; below it the gain is gain/65536 (0x8000 halves exactly).
    return gain >= 0xFFFF ? sample : (sample * static_cast<int64_t>(gain)) >> 16;
}

// The queue and driver thread shared by every backend.
class QueuedWaveOut : public WaveOut {
public:
    QueuedWaveOut(std::unique_ptr<WaveDriver> driver, const WaveFormat& format, WaveOutCallback callback,
                  uintptr_t instance)
        : driver_(std::move(driver)), format_(format), callback_(callback), instance_(instance),
          align_(static_cast<uint32_t>(format.BlockAlign())) {}
    ~QueuedWaveOut() override { Close(); }

    bool Start() {
        chunkFrames_ = driver_->ChunkFrames();
        if (chunkFrames_ == 0) chunkFrames_ = 1;
        try {
            scratch_.assign(static_cast<size_t>(chunkFrames_) * align_, 0);
        } catch (...) {
            return false;
        }
        if (!thread_.Start([this] { DriverLoop(); })) return false;
        thread_.SetPriority(THREAD_PRIORITY_TIME_CRITICAL);
        return true;
    }

    int Write(WaveHeader* header) override {
        if (!header || (!header->lpData && header->dwBufferLength > 0)) return MMSYSERR_INVALPARAM;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_) return MMSYSERR_INVALHANDLE;
            if (header->dwFlags & WHDR_INQUEUE) return MMSYSERR_INVALPARAM;
            header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
            header->lpNext = nullptr;
            if (tail_) tail_->lpNext = header;
            else head_ = header;
            tail_ = header;
        }
        // Woken after the unlock: a driver thread woken under the lock would only block on it.
        wake_.notify_one();
        return MMSYSERR_NOERROR;
    }

    int Pause() override { return SetPaused(true); }
    int Restart() override { return SetPaused(false); }

    int Reset() override {
        auto control = Control();
        if (closed_) return MMSYSERR_INVALHANDLE;
        ResetQueue();
        return MMSYSERR_NOERROR;
    }

    uint64_t GetPosition() override { return closed_ ? 0 : driver_->Position(); }

    int Close() override {
        // The driver thread cannot wait for itself: a callback must not close its device.
        if (thread_.IsCurrent()) return MMSYSERR_ERROR;
        std::lock_guard<std::mutex> control(controlMutex_);
        if (closed_) return MMSYSERR_NOERROR;
        ResetQueue();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
            closed_ = true;
            wake_.notify_all();
        }
        thread_.Join();
        driver_->Close();
        return MMSYSERR_NOERROR;
    }

private:
    // Callers are served one at a time; the driver thread (a callback) never waits here, so a
    // caller blocked in Reset cannot wedge a callback that pauses or resets.
    std::unique_lock<std::mutex> Control() {
        return thread_.IsCurrent() ? std::unique_lock<std::mutex>() : std::unique_lock<std::mutex>(controlMutex_);
    }

    int SetPaused(bool hold) {
        auto control = Control();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (closed_) return MMSYSERR_INVALHANDLE;
            if (paused_ == hold) return MMSYSERR_NOERROR;
            paused_ = hold;
            if (!hold) idleTold_ = false;  // buffered data may wait for a start
            wake_.notify_all();
        }
        uint32_t dropped = driver_->Pause(hold);
        if (dropped) {
            std::lock_guard<std::mutex> lock(mutex_);
            rewindFrames_ += dropped;
        }
        return MMSYSERR_NOERROR;
    }

    // Hands every queued header to the driver thread for return and waits until their
    // callbacks have run. Our own lock is free while waiting, so a callback that blocks on
    // the caller's locks for a moment cannot wedge us.
    void ResetQueue() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (head_) {
            if (returnTail_) returnTail_->lpNext = head_;
            else returnHead_ = head_;
            returnTail_ = tail_;
        }
        head_ = tail_ = nullptr;
        offset_ = 0;
        rewindFrames_ = 0;
        uint64_t seq = ++resetSeq_;
        wake_.notify_all();
        if (thread_.IsCurrent()) {
            // Called from a callback: return them here, on the driver thread.
            ServeReset(lock);
            return;
        }
        served_.wait(lock, [&] { return servedSeq_ >= seq || threadGone_; });
    }

    // Driver thread, lock held on entry and exit.
    void ServeReset(std::unique_lock<std::mutex>& lock) {
        uint64_t seq = resetSeq_;
        WaveHeader* list = returnHead_;
        returnHead_ = returnTail_ = nullptr;
        lock.unlock();
        driver_->Reset();
        while (list) {
            WaveHeader* next = list->lpNext;
            Return(list);
            list = next;
        }
        lock.lock();
        if (servedSeq_ < seq) servedSeq_ = seq;
        served_.notify_all();
    }

    void Return(WaveHeader* header) {
        header->lpNext = nullptr;
        header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        if (callback_) callback_(this, WOM_DONE, instance_, header);
    }

    const uint8_t* ApplyVolume(const uint8_t* src, uint32_t frames) {
        uint32_t volume = g_volume.load(std::memory_order_relaxed);
        if (volume == 0xFFFFFFFFu) return src;
        const int channels = format_.channels;
        const int bytes = format_.bitsPerSample / 8;
        uint32_t gains[8];
        for (int c = 0; c < channels; ++c) gains[c] = ChannelGain(volume, c, channels);
        uint8_t* dst = scratch_.data();
        for (uint32_t f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c, src += bytes, dst += bytes) {
                uint32_t g = gains[c];
                switch (bytes) {
                case 1:
                    dst[0] = static_cast<uint8_t>(Scale(static_cast<int64_t>(src[0]) - 128, g) + 128);
                    break;
                case 2: {
                    int16_t s = static_cast<int16_t>(src[0] | (src[1] << 8));
                    int64_t v = Scale(s, g);
                    dst[0] = static_cast<uint8_t>(v);
                    dst[1] = static_cast<uint8_t>(v >> 8);
                    break;
                }
                case 3: {
                    int32_t s = static_cast<int32_t>((uint32_t(src[0]) << 8) | (uint32_t(src[1]) << 16) |
                                                     (uint32_t(src[2]) << 24)) >> 8;
                    int64_t v = Scale(s, g);
                    dst[0] = static_cast<uint8_t>(v);
                    dst[1] = static_cast<uint8_t>(v >> 8);
                    dst[2] = static_cast<uint8_t>(v >> 16);
                    break;
                }
                default: {
                    int32_t s = static_cast<int32_t>(uint32_t(src[0]) | (uint32_t(src[1]) << 8) |
                                                     (uint32_t(src[2]) << 16) | (uint32_t(src[3]) << 24));
                    int64_t v = Scale(s, g);
                    for (int i = 0; i < 4; ++i) dst[i] = static_cast<uint8_t>(v >> (8 * i));
                    break;
                }
                }
            }
        }
        return scratch_.data();
    }

    void DriverLoop() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (servedSeq_ < resetSeq_) {
                ServeReset(lock);
                continue;
            }
            if (quit_) break;
            if (paused_ || !head_) {
                if (!paused_ && !idleTold_) {
                    idleTold_ = true;
                    lock.unlock();
                    driver_->Idle();
                    lock.lock();
                    continue;
                }
                wake_.wait(lock);
                continue;
            }
            idleTold_ = false;
            WaveHeader* header = head_;
            uint32_t frames = (header->dwBufferLength - offset_) / align_;
            if (frames > 0) {
                const uint8_t* src = header->lpData + offset_;
                uint64_t seq = resetSeq_;
                if (frames > chunkFrames_) frames = chunkFrames_;
                lock.unlock();
                uint32_t took = driver_->Play(ApplyVolume(src, frames), frames);
                lock.lock();
                if (seq != resetSeq_ || head_ != header) continue;  // returned by a Reset meanwhile
                offset_ += took * align_;
                if (rewindFrames_) {
                    uint32_t back = rewindFrames_ * align_;
                    offset_ = back > offset_ ? 0 : offset_ - back;
                    rewindFrames_ = 0;
                }
                if ((header->dwBufferLength - offset_) / align_ > 0) continue;
            }
            head_ = header->lpNext;
            if (!head_) tail_ = nullptr;
            offset_ = 0;
            lock.unlock();
            Return(header);
            lock.lock();
        }
        threadGone_ = true;
        served_.notify_all();
    }

    std::unique_ptr<WaveDriver> driver_;
    const WaveFormat format_;
    const WaveOutCallback callback_;
    const uintptr_t instance_;
    const uint32_t align_;
    uint32_t chunkFrames_ = 1;
    std::vector<uint8_t> scratch_;  // volume-scaled copy of the chunk being played
    Thread thread_;

    std::mutex controlMutex_;  // orders Pause/Restart/Reset/Close among callers
    std::mutex mutex_;         // guards everything below; never held during a callback
    std::condition_variable wake_, served_;
    WaveHeader* head_ = nullptr;  // queued, linked through lpNext
    WaveHeader* tail_ = nullptr;
    WaveHeader* returnHead_ = nullptr;  // taken off the queue by Reset, not yet returned
    WaveHeader* returnTail_ = nullptr;
    uint32_t offset_ = 0;  // bytes of head_ already played
    uint32_t rewindFrames_ = 0;
    uint64_t resetSeq_ = 0, servedSeq_ = 0;
    bool paused_ = false;
    bool idleTold_ = true;  // the driver heard that the queue ran dry
    bool quit_ = false;
    std::atomic<bool> closed_{false};
    bool threadGone_ = false;
};

}  // namespace

unsigned WaveOut::GetNumDevs() {
    BackendChoice b = ParseBackend(GetAudioBackend());
    switch (b.kind) {
    case BackendChoice::kAuto:
    case BackendChoice::kNull:
        return 1;
    case BackendChoice::kAlsa:
        return AlsaDeviceExists(b.arg) ? 1 : 0;
    case BackendChoice::kWav:
        return WavFolderExists(b.arg) ? 1 : 0;
    default:
        return 0;
    }
}

int WaveOut::Open(std::unique_ptr<WaveOut>& device, const WaveFormat& format, WaveOutCallback callback,
                  uintptr_t instance) {
    device.reset();
    if (!FormatSupported(format)) return WAVERR_BADFORMAT;
    BackendChoice b = ParseBackend(GetAudioBackend());
    std::unique_ptr<WaveDriver> driver;
    int rc = MMSYSERR_NODRIVER;
    switch (b.kind) {
    case BackendChoice::kAlsa:
    case BackendChoice::kAuto:
        driver = CreateAlsaDriver(b.kind == BackendChoice::kAlsa ? b.arg : "default");
        rc = driver->Open(format);
        if (rc != MMSYSERR_NOERROR && b.kind == BackendChoice::kAuto) {
            static std::once_flag told;
            std::call_once(told, [] { std::fprintf(stderr, "versolune: no sound device, playing silently\n"); });
            driver = CreateVirtualDriver(false, "");
            rc = driver->Open(format);
        }
        break;
    case BackendChoice::kNull:
        driver = CreateVirtualDriver(b.fast, "");
        rc = driver->Open(format);
        break;
    case BackendChoice::kWav:
        if (!WavFolderExists(b.arg)) return MMSYSERR_NODRIVER;
        driver = CreateVirtualDriver(b.fast, b.arg);
        rc = driver->Open(format);
        break;
    default:
        return MMSYSERR_NODRIVER;
    }
    if (rc != MMSYSERR_NOERROR) return rc;
    auto out = std::make_unique<QueuedWaveOut>(std::move(driver), format, callback, instance);
    if (!out->Start()) return MMSYSERR_NOMEM;
    device = std::move(out);
    return MMSYSERR_NOERROR;
}

void SetWaveVolume(uint32_t volume) { g_volume.store(volume); }
uint32_t GetWaveVolume() { return g_volume.load(); }

void SetAudioBackend(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    g_backendOverride = name;
    g_backendOverridden = !name.empty();
}

std::string GetAudioBackend() {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    if (g_backendOverridden) return g_backendOverride;
    const char* env = std::getenv("VERSOLUNE_AUDIO");
    return env && *env ? std::string(env) : std::string("auto");
}

}  // namespace vl
