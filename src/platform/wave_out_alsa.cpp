// The sound card through ALSA. The PCM is opened non-blocking so that the driver thread
// never sits inside ALSA while holding the lock that position queries need.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/wave_out_driver.h"

namespace vl {

namespace {

constexpr unsigned kBufferUs = 100000;  // about 100 ms in the device
constexpr unsigned kPeriodUs = 25000;
constexpr int kWaitMs = 25;             // longest wait for room inside Play

// Keeps ALSA's own error printing off stderr; we report what matters ourselves.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaErrors() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(QuietAlsa); });
}

class AlsaDriver : public WaveDriver {
public:
    explicit AlsaDriver(std::string device) : device_(std::move(device)) {}
    ~AlsaDriver() override { Close(); }

    int Open(const WaveFormat& format) override {
        SilenceAlsaErrors();
        int err = snd_pcm_open(&pcm_, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
        if (err < 0) {
            pcm_ = nullptr;
            return err == -EBUSY ? MMSYSERR_ALLOCATED : MMSYSERR_NODRIVER;
        }
        int rc = Configure(format);
        if (rc != MMSYSERR_NOERROR) {
            snd_pcm_close(pcm_);
            pcm_ = nullptr;
        }
        return rc;
    }

    uint32_t ChunkFrames() const override { return static_cast<uint32_t>(period_); }

    uint32_t Play(const uint8_t* data, uint32_t frames) override {
        snd_pcm_t* pcm;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (held_) return 0;
            if (failed_ || !pcm_) return Swallow(frames);
            pcm = pcm_;
        }
        // Wait for room outside the lock; a pause or an xrun ends the wait early.
        snd_pcm_wait(pcm, kWaitMs);
        std::lock_guard<std::mutex> lock(mutex_);
        if (held_) return 0;
        for (int attempt = 0; attempt < 2; ++attempt) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm_, data, frames);
            if (n >= 0) {
                written_ += static_cast<uint64_t>(n);
                return static_cast<uint32_t>(n);
            }
            if (n == -EAGAIN) return 0;
            if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) {
                std::fprintf(stderr, "versolune: sound device failed (%s), playing silently\n", snd_strerror(static_cast<int>(n)));
                failed_ = true;
                return Swallow(frames);
            }
        }
        return 0;
    }

    void Idle() override {
        // Data below the start threshold would never start by itself.
        std::lock_guard<std::mutex> lock(mutex_);
        if (pcm_ && !failed_ && !held_ && snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED && written_ > 0)
            snd_pcm_start(pcm_);
    }

    void Reset() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (pcm_ && !failed_) {
            snd_pcm_drop(pcm_);
            snd_pcm_prepare(pcm_);
        }
        written_ = 0;
        lastPosition_ = 0;
    }

    uint32_t Pause(bool hold) override {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = hold;
        if (!pcm_ || failed_) return 0;
        snd_pcm_state_t state = snd_pcm_state(pcm_);
        if (hold) {
            if (state != SND_PCM_STATE_RUNNING) return 0;
            if (canPause_ && snd_pcm_pause(pcm_, 1) == 0) return 0;
            // No pause in this device: drop what it holds and play it again later.
            snd_pcm_sframes_t delay = 0;
            if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) delay = 0;
            uint64_t unplayed = std::min<uint64_t>(static_cast<uint64_t>(delay), written_);
            snd_pcm_drop(pcm_);
            snd_pcm_prepare(pcm_);
            written_ -= unplayed;
            return static_cast<uint32_t>(unplayed);
        }
        if (state == SND_PCM_STATE_PAUSED) snd_pcm_pause(pcm_, 0);
        return 0;
    }

    uint64_t Position() override {
        std::lock_guard<std::mutex> lock(mutex_);
        uint64_t position = written_;
        if (pcm_ && !failed_) {
            snd_pcm_sframes_t delay = 0;
            // An xrun means everything written has been heard.
            if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) delay = 0;
            position -= std::min<uint64_t>(static_cast<uint64_t>(delay), written_);
        }
        position = std::max(position, std::min(lastPosition_, written_));
        lastPosition_ = position;
        return position;
    }

    void Close() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!pcm_) return;
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }

private:
    // A failed device keeps the queue moving as if it played.
    uint32_t Swallow(uint32_t frames) {
        written_ += frames;
        return frames;
    }

    int Configure(const WaveFormat& format) {
        snd_pcm_format_t pcmFormat;
        switch (format.bitsPerSample) {
        case 8: pcmFormat = SND_PCM_FORMAT_U8; break;
        case 16: pcmFormat = SND_PCM_FORMAT_S16_LE; break;
        case 24: pcmFormat = SND_PCM_FORMAT_S24_3LE; break;
        case 32: pcmFormat = SND_PCM_FORMAT_S32_LE; break;
        default: return WAVERR_BADFORMAT;
        }
        snd_pcm_hw_params_t* hw;
        snd_pcm_hw_params_alloca(&hw);
        if (snd_pcm_hw_params_any(pcm_, hw) < 0) return MMSYSERR_NODRIVER;
        unsigned rate = static_cast<unsigned>(format.sampleRate);
        if (snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
            snd_pcm_hw_params_set_format(pcm_, hw, pcmFormat) < 0 ||
            snd_pcm_hw_params_set_channels(pcm_, hw, static_cast<unsigned>(format.channels)) < 0 ||
            snd_pcm_hw_params_set_rate(pcm_, hw, rate, 0) < 0)
            return WAVERR_BADFORMAT;
        unsigned bufferUs = kBufferUs, periodUs = kPeriodUs;
        snd_pcm_hw_params_set_buffer_time_near(pcm_, hw, &bufferUs, nullptr);
        snd_pcm_hw_params_set_period_time_near(pcm_, hw, &periodUs, nullptr);
        if (snd_pcm_hw_params(pcm_, hw) < 0) return WAVERR_BADFORMAT;
        snd_pcm_uframes_t buffer = 0, period = 0;
        snd_pcm_hw_params_get_buffer_size(hw, &buffer);
        snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
        if (period == 0) period = std::max<snd_pcm_uframes_t>(1, buffer / 4);
        if (buffer < period) buffer = period;
        period_ = period;
        canPause_ = snd_pcm_hw_params_can_pause(hw) != 0;

        snd_pcm_sw_params_t* sw;
        snd_pcm_sw_params_alloca(&sw);
        if (snd_pcm_sw_params_current(pcm_, sw) == 0) {
            // Start once half the buffer is filled, so a new run does not underrun at once.
            snd_pcm_sw_params_set_start_threshold(pcm_, sw, std::max(period, buffer / 2));
            snd_pcm_sw_params_set_avail_min(pcm_, sw, period);
            snd_pcm_sw_params(pcm_, sw);
        }
        if (snd_pcm_prepare(pcm_) < 0) return MMSYSERR_NODRIVER;
        return MMSYSERR_NOERROR;
    }

    const std::string device_;
    std::mutex mutex_;  // guards the PCM and the counters
    snd_pcm_t* pcm_ = nullptr;
    snd_pcm_uframes_t period_ = 1024;
    bool canPause_ = false;
    bool held_ = false;
    bool failed_ = false;
    uint64_t written_ = 0;       // frames handed to ALSA since the last reset
    uint64_t lastPosition_ = 0;  // the position never goes back between resets
};

}  // namespace

std::unique_ptr<WaveDriver> CreateAlsaDriver(const std::string& device) {
    return std::make_unique<AlsaDriver>(device);
}

bool AlsaDeviceExists(const std::string& device) {
    SilenceAlsaErrors();
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err == 0) {
        snd_pcm_close(pcm);
        return true;
    }
    return err == -EBUSY;
}

}  // namespace vl
