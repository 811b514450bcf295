#include "engine/output/audio_output.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"

namespace vl {

AudioOutput::AudioOutput() = default;

AudioOutput::~AudioOutput() { CloseDevice(); }

bool AudioOutput::Configure(int bufferLenMs, int alwaysOpenDev, int fade) {
    Locked lock(deviceLock_);
    if (device_ || bufferLenMs < 10) return false;
    bufferLenMs_ = bufferLenMs;
    alwaysOpenDev_ = alwaysOpenDev;
    fade_ = fade;
    return true;
}

void AudioOutput::GetDefaults(int& bufferLenMs, int& alwaysOpenDev, int& fade) const {
    bufferLenMs = bufferLenMs_;
    alwaysOpenDev = alwaysOpenDev_;
    fade = fade_;
}

bool AudioOutput::IsOpen() const { return device_ != nullptr; }

bool AudioOutput::OpenDevice(int channels, int sampleRate, int bits) {
    Locked lock(deviceLock_);
    if (WaveOut::GetNumDevs() == 0) {
        CloseDevice();
        return false;
    }
    if (device_ && format_.channels == channels && format_.sampleRate == sampleRate &&
        format_.bitsPerSample == bits)
        return true;
    CloseDevice();
    if (channels < 1 || channels > 8 || sampleRate < 1000 || sampleRate > 384000 ||
        (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return false;
    format_ = WaveFormat{channels, sampleRate, bits};

    uint32_t size = 1024;
    if (sampleRate > 11025) size = 2048;
    if (sampleRate > 22050) size *= 2;
    if (channels > 1) size *= 2;
    if (bits > 8) size *= 2;
    // Keep whole frames in every buffer (3- and 6-channel layouts do not divide powers of two).
    uint32_t align = static_cast<uint32_t>(format_.BlockAlign());
    size -= size % align;
    bufferSize_ = size;

    WaveOutCallback callback = alwaysOpenDev_ ? &AudioOutput::FeederCallback : &AudioOutput::NormalCallback;
    int result = MMSYSERR_ERROR;
    for (int attempt = 0; attempt < 10; ++attempt) {
        result = WaveOut::Open(device_, format_, callback, reinterpret_cast<uintptr_t>(this));
        if (result != MMSYSERR_ALLOCATED) break;
        Sleep(100);
    }
    if (result != MMSYSERR_NOERROR || !device_) {
        device_.reset();
        CloseDevice();
        return false;
    }

    // Ring length from the buffer setting, in 64-bit so long buffers cannot wrap around.
    uint64_t avgBytes = static_cast<uint64_t>(sampleRate) * align;
    uint64_t q = (avgBytes * static_cast<uint64_t>(bufferLenMs_) / bufferSize_) / 1000;
    ringCount_ = static_cast<int>(std::min<uint64_t>(q + 1, 65536));
    if (ringCount_ < 2) ringCount_ = 2;
    bool allocated = true;
    {
        Locked ring(ringLock_);
        try {
            ring_.assign(static_cast<size_t>(ringCount_), WaveHeader{});
            ringQueued_.assign(static_cast<size_t>(ringCount_), 0);
            ringData_.assign(static_cast<size_t>(ringCount_) * bufferSize_, 0);
        } catch (...) {
            allocated = false;
        }
        if (allocated) {
            for (int i = 0; i < ringCount_; ++i) {
                ring_[i].lpData = ringData_.data() + static_cast<size_t>(i) * bufferSize_;
                ring_[i].dwBufferLength = bufferSize_;
                ring_[i].dwUser = alwaysOpenDev_ ? 0 : reinterpret_cast<uintptr_t>(this);
            }
            queuedCount_ = 0;
            writeIndex_ = 0;
            readIndex_ = 0;
            totalQueued_ = 0;
            ringFree_ = std::make_unique<Event>(true, true);
        }
    }
    if (!allocated) {
        CloseDevice();
        return false;
    }
    if (alwaysOpenDev_ && !CreateFeeder()) {
        CloseDevice();
        return false;
    }
    framesPlayed_ = 0;
    paused_ = 0;
    peakLeft_ = 0;
    peakRight_ = 0;
    if (fade_) ArmFade();
    return true;
}

bool AudioOutput::CreateFeeder() {
    // Whole frames for every sample size: a partial frame would shift every later byte.
    const int frames = format_.sampleRate <= 11025 ? 512 : format_.sampleRate <= 22050 ? 1024 : 2048;
    const int c = frames * format_.BlockAlign();
    // The blocks start as silence: unsigned 8-bit samples rest at 0x80, not 0.
    deviceBlocks_.assign(static_cast<size_t>(c) * 8, format_.bitsPerSample == 8 ? 0x80 : 0);
    for (int i = 0; i < 8; ++i) {
        deviceHeaders_[i] = WaveHeader{};
        deviceHeaders_[i].lpData = deviceBlocks_.data() + static_cast<size_t>(i) * c;
        deviceHeaders_[i].dwBufferLength = static_cast<uint32_t>(c);
        deviceHeaders_[i].dwUser = reinterpret_cast<uintptr_t>(this);
        holdsSilence_[i] = true;
        deviceBusy_[i] = false;
        deviceFrames_[i] = 0;
    }
    freeDeviceHeaders_ = 8;
    nextDeviceHeader_ = 0;
    readIndex_ = 0;
    framesPlayed_ = 0;
    deviceEvent_ = std::make_unique<Event>(true, true);
    feederQuit_ = false;
    if (!feeder_.Start([this] { FeederLoop(); })) return false;
    feeder_.SetPriority(THREAD_PRIORITY_TIME_CRITICAL);
    return true;
}

void AudioOutput::FeederLoop() {
    const int silence = format_.bitsPerSample == 8 ? 0x80 : 0;
    for (;;) {
        deviceEvent_->Wait();
        if (feederQuit_) return;
        if (--freeDeviceHeaders_ <= 0) {
            deviceEvent_->Reset();
            // A header may have come back between the decrement and the reset.
            if (freeDeviceHeaders_ > 0) deviceEvent_->Set();
        }
        // Never block on the device lock: whoever holds it may be waiting for this thread to end.
        while (!deviceLock_.TryAcquire()) {
            if (feederQuit_) return;
            Sleep(1);
        }
        Locked device(deviceLock_, std::adopt_lock);
        if (feederQuit_ || !device_) return;
        int h = -1;
        for (int k = 0; k < 8 && h < 0; ++k)
            if (!deviceBusy_[(nextDeviceHeader_ + k) % 8].load(std::memory_order_acquire)) h = (nextDeviceHeader_ + k) % 8;
        if (h < 0) continue;  // all still with the device: the next done callback wakes us

        WaveHeader& hdr = deviceHeaders_[h];
        uint32_t fill = 0;
        uint32_t frames = 0;
        const uint32_t length = hdr.dwBufferLength;
        const uint32_t align = static_cast<uint32_t>(format_.BlockAlign());
        while (fill < length) {
            if (queuedCount_ == 0 || paused_) {
                if (holdsSilence_[h] && fill == 0) break;
                if (fill == 0) holdsSilence_[h] = true;
                std::memset(hdr.lpData + fill, silence, length - fill);
                fill = length;
                break;
            }
            Locked ring(ringLock_);
            WaveHeader& src = ring_[readIndex_];
            uint32_t left = src.dwBufferLength - static_cast<uint32_t>(src.dwUser);
            uint32_t n = std::min(length - fill, left);
            std::memcpy(hdr.lpData + fill, src.lpData + src.dwUser, n);
            fill += n;
            src.dwUser += n;
            holdsSilence_[h] = false;
            frames += n / align;
            if (src.dwUser >= src.dwBufferLength) {
                src.dwUser = 0;
                ringQueued_[readIndex_] = 0;
                --queuedCount_;
                readIndex_ = (readIndex_ + 1) % ringCount_;
                ringFree_->Set();
            }
        }
        {
            // Counted as played when the device hands the header back, not now: the headers
            // ahead of it are still to be heard.
            Locked ring(ringLock_);
            deviceFrames_[h] = frames;
            deviceGeneration_[h] = resetGeneration_;
        }
        deviceBusy_[h].store(true, std::memory_order_relaxed);
        if (device_->Write(&hdr) != MMSYSERR_NOERROR) {
            deviceBusy_[h].store(false, std::memory_order_relaxed);
            ++freeDeviceHeaders_;
        }
        nextDeviceHeader_ = (h + 1) % 8;
    }
}

void AudioOutput::NormalCallback(WaveOut*, unsigned message, uintptr_t instance, WaveHeader* header) {
    if (message != WOM_DONE) return;
    auto* self = reinterpret_cast<AudioOutput*>(instance);
    if (self->peakMeterOn_) self->MeasurePeaks(header->lpData, header->dwBufferLength);
    Locked ring(self->ringLock_);
    size_t index = static_cast<size_t>(header - self->ring_.data());
    // Only headers still counted as queued are returned; a Reset has already forgotten the rest.
    if (index < self->ringQueued_.size() && self->ringQueued_[index]) {
        self->ringQueued_[index] = 0;
        --self->queuedCount_;
    }
    self->ringFree_->Set();
}

void AudioOutput::FeederCallback(WaveOut*, unsigned message, uintptr_t instance, WaveHeader* header) {
    if (message != WOM_DONE) return;
    auto* self = reinterpret_cast<AudioOutput*>(instance);
    if (self->peakMeterOn_) self->MeasurePeaks(header->lpData, header->dwBufferLength);
    {
        Locked ring(self->ringLock_);
        size_t index = static_cast<size_t>(header - self->deviceHeaders_);
        // Audio of a header written before the last Reset is not part of the new position.
        if (index < 8 && self->deviceGeneration_[index] == self->resetGeneration_)
            self->framesPlayed_ += self->deviceFrames_[index];
        if (index < 8) self->deviceBusy_[index].store(false, std::memory_order_release);
    }
    ++self->freeDeviceHeaders_;
    self->deviceEvent_->Set();
}

namespace {

// The largest top-16-bit value of the first two channels. kBytes 2 is the common case, with
// the sample width fixed so the loop carries no width arithmetic; 0 reads `bytes` at run time.
template <int kBytes, bool kStereo>
void PeakScan(const uint8_t* data, uint32_t frames, uint32_t align, int& maxL, int& maxR, int bytes = kBytes) {
    const int b = kBytes ? kBytes : bytes;
    int16_t l = 0, r = 0;
    for (uint32_t f = 0; f < frames; ++f) {
        const uint8_t* p = data + f * align;
        int16_t s;
        std::memcpy(&s, p + b - 2, 2);
        l = std::max(l, s);
        if (kStereo) {
            std::memcpy(&s, p + 2 * b - 2, 2);
            r = std::max(r, s);
        }
    }
    maxL = l;
    maxR = r;
}

}  // namespace

void AudioOutput::MeasurePeaks(const uint8_t* data, uint32_t length) {
    const int channels = format_.channels;
    const int bits = format_.bitsPerSample;
    const uint32_t align = static_cast<uint32_t>(format_.BlockAlign());
    if (align == 0 || !data) return;
    const uint32_t frames = length / align;
    int maxL, maxR;
    if (bits == 8) {
        maxL = maxR = 128;
        for (uint32_t f = 0; f < frames; ++f) {
            const uint8_t* p = data + f * align;
            maxL = std::max<int>(maxL, p[0]);
            if (channels > 1) maxR = std::max<int>(maxR, p[1]);
        }
        peakLeft_ = (maxL - 128) * 100 / 127;
        peakRight_ = channels > 1 ? (maxR - 128) * 100 / 127 : peakLeft_.load();
        return;
    }
    // 16 bits and wider: the top 16 bits of each sample.
    const int bytes = bits / 8;
    if (bytes == 2 && channels == 2) {
        PeakScan<2, true>(data, frames, align, maxL, maxR);
    } else if (bytes == 2 && channels == 1) {
        PeakScan<2, false>(data, frames, align, maxL, maxR);
    } else if (channels > 1) {
        PeakScan<0, true>(data, frames, align, maxL, maxR, bytes);
    } else {
        PeakScan<0, false>(data, frames, align, maxL, maxR, bytes);
    }
    peakLeft_ = maxL * 100 / 32767;
    peakRight_ = channels > 1 ? maxR * 100 / 32767 : peakLeft_.load();
}

void AudioOutput::Start(bool hold) {
    Locked lock(deviceLock_);
    if (!device_) return;
    if (alwaysOpenDev_) paused_ = hold ? 1 : 0;
    else if (hold) device_->Pause();
    else device_->Restart();
}

WaveHeader* AudioOutput::GetFreeBuffer() {
    Event* event = ringFree_.get();
    if (!event || ring_.empty()) return nullptr;
    event->Wait();
    Locked ring(ringLock_);
    return &ring_[writeIndex_];
}

void AudioOutput::ArmFade() {
    int n = format_.sampleRate * 750 / 1000;
    if (n <= 0) return;
    fadeGain_ = 0;
    fadeStep_ = 1 - static_cast<int>((1.0 / n) * -65536.0);
    fadeFramesLeft_ = n;
}

void AudioOutput::ApplyFade(uint8_t* data, uint32_t length) {
    const uint32_t align = static_cast<uint32_t>(format_.BlockAlign());
    const int bytes = format_.bitsPerSample / 8;
    const uint32_t frames = length / align;
    for (uint32_t f = 0; f < frames && fadeFramesLeft_ > 0; ++f) {
        uint8_t* p = data + f * align;
        for (int c = 0; c < format_.channels; ++c, p += bytes) {
            if (bytes == 1) {
                int s = p[0] - 128;
                p[0] = static_cast<uint8_t>(((static_cast<int64_t>(s) * fadeGain_) >> 16) + 128);
            } else if (bytes == 2) {
                int16_t s = static_cast<int16_t>(p[0] | (p[1] << 8));
                int v = static_cast<int>((static_cast<int64_t>(s) * fadeGain_) >> 16);
                p[0] = static_cast<uint8_t>(v);
                p[1] = static_cast<uint8_t>(v >> 8);
            } else {
                int32_t s = 0;
                for (int b = 0; b < bytes; ++b) s |= static_cast<int32_t>(p[b]) << (8 * (4 - bytes + b));
                int64_t v = (static_cast<int64_t>(s) * fadeGain_) >> 16;
                uint32_t u = static_cast<uint32_t>(v);
                for (int b = 0; b < bytes; ++b) p[b] = static_cast<uint8_t>(u >> (8 * (4 - bytes + b)));
            }
        }
        fadeGain_ += fadeStep_;
        if (fadeGain_ > 0xFFFF) fadeFramesLeft_ = 0;
        else --fadeFramesLeft_;
    }
}

void AudioOutput::QueueBuffer(WaveHeader* header) {
    const uint32_t length = header->dwBufferLength;
    if (length == 0) {
        Locked ring(ringLock_);
        if (ringFree_) ringFree_->Set();
        return;
    }
    const uint32_t align = static_cast<uint32_t>(format_.BlockAlign());
    Locked device(deviceLock_);
    if (!device_) return;
    // Under the device lock: a Reset from another thread re-arms the fade.
    if (fadeFramesLeft_ > 0) ApplyFade(header->lpData, length);
    size_t index = static_cast<size_t>(header - ring_.data());
    {
        // Counted as queued before the device sees it: a fast device may return it at once.
        Locked ring(ringLock_);
        if (index < ringQueued_.size()) ringQueued_[index] = 1;
        if (++queuedCount_ >= ringCount_) ringFree_->Reset();
        writeIndex_ = (writeIndex_ + 1) % ringCount_;
        totalQueued_ += length / align;
    }
    if (!alwaysOpenDev_ && device_->Write(header) != MMSYSERR_NOERROR) {
        Locked ring(ringLock_);
        if (index < ringQueued_.size() && ringQueued_[index]) {
            ringQueued_[index] = 0;
            --queuedCount_;
            totalQueued_ -= length / align;
        }
        ringFree_->Set();
    }
}

void AudioOutput::Reset() {
    Locked device(deviceLock_);
    if (!device_) return;
    ResetLocked();
}

void AudioOutput::ResetLocked() {
    if (!alwaysOpenDev_) {
        device_->Pause();
        device_->Reset();
    } else {
        paused_ = 1;
    }
    {
        Locked ring(ringLock_);
        if (alwaysOpenDev_) {
            framesPlayed_ = 0;
            ++resetGeneration_;
        }
        std::fill(ringQueued_.begin(), ringQueued_.end(), 0);
        for (auto& h : ring_)
            if (alwaysOpenDev_) h.dwUser = 0;
        queuedCount_ = 0;
        writeIndex_ = 0;
        readIndex_ = 0;
        totalQueued_ = 0;
        if (ringFree_) ringFree_->Set();
    }
    if (!alwaysOpenDev_) device_->Pause();
    peakLeft_ = 0;
    peakRight_ = 0;
    if (fade_) ArmFade();
}

void AudioOutput::StopOutput() {
    Locked lock(deviceLock_);
    if (alwaysOpenDev_) Reset();
    else CloseDevice();
}

void AudioOutput::CloseDevice() {
    if (feeder_.Joinable()) {
        feederQuit_ = true;
        if (deviceEvent_) deviceEvent_->Set();
        feeder_.Join();
    }
    Locked device(deviceLock_);
    if (device_) {
        ResetLocked();
        if (alwaysOpenDev_) paused_ = 1;
        device_->Close();
        device_.reset();
    }
    deviceEvent_.reset();
    deviceBlocks_.clear();
    for (auto& h : deviceHeaders_) h = WaveHeader{};
    {
        Locked ring(ringLock_);
        ring_.clear();
        ringQueued_.clear();
        ringData_.clear();
        ringData_.shrink_to_fit();
        queuedCount_ = 0;
        totalQueued_ = 0;
        ringFree_.reset();
    }
    format_ = WaveFormat{0, 0, 0};
}

uint32_t AudioOutput::GetPlayedFrames() {
    Locked lock(deviceLock_);
    if (!device_) return 0;
    if (alwaysOpenDev_) return framesPlayed_;
    return static_cast<uint32_t>(device_->GetPosition());
}

bool AudioOutput::AllPlayed() { return GetPlayedFrames() >= totalQueued_; }

int AudioOutput::QueuedFrames() { return static_cast<int>(totalQueued_ - GetPlayedFrames()); }

void AudioOutput::GetRingInfo(uint32_t& totalBytes, uint32_t& queuedBytes) {
    Locked ring(ringLock_);
    if (ring_.empty()) {
        totalBytes = queuedBytes = 0;
        return;
    }
    totalBytes = bufferSize_ * static_cast<uint32_t>(ringCount_);
    queuedBytes = bufferSize_ * static_cast<uint32_t>(std::max(0, queuedCount_.load()));
}

void AudioOutput::ApplyPreamp(uint8_t* data, uint32_t length, int gain, int bits) {
    if (gain == 256 || !data) return;
    if (bits == 8) {
        for (uint32_t i = 0; i < length; ++i) {
            int s = ((gain * (data[i] - 128)) >> 8) + 128;
            data[i] = static_cast<uint8_t>(std::clamp(s, 0, 255));
        }
    } else if (bits == 16) {
        for (uint32_t i = 0; i + 1 < length; i += 2) {
            int s = static_cast<int16_t>(data[i] | (data[i + 1] << 8));
            s = std::clamp((gain * s) >> 8, -32768, 32767);
            data[i] = static_cast<uint8_t>(s);
            data[i + 1] = static_cast<uint8_t>(s >> 8);
        }
    }
}

uint32_t AudioOutput::CountSilence(bool fromFront, const uint8_t* data, uint32_t length, int bits, int channels) {
    const uint32_t bytes = static_cast<uint32_t>(bits / 8);
    const uint32_t frame = bytes * static_cast<uint32_t>(channels);
    if (frame == 0 || length < frame || (bits != 8 && bits != 16)) return 0;
    const uint32_t frames = length / frame;
    auto silent = [&](uint32_t f) {
        const uint8_t* p = data + f * frame;
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) {
                if (p[c] != 0x80) return false;
            } else {
                int s = static_cast<int16_t>(p[2 * c] | (p[2 * c + 1] << 8));
                if (s < -16 || s > 16) return false;
            }
        }
        return true;
    };
    uint32_t count = 0;
    if (fromFront) {
        while (count < frames && silent(count)) ++count;
    } else {
        while (count < frames && silent(frames - 1 - count)) ++count;
    }
    return count * frame;
}

}  // namespace vl
