#pragma once
// Plays the decode thread's PCM on the wave device through a ring of equal buffers, with
// prebuffering, a fade-in after restarts, the peak meter and an optional feeder thread that
// keeps the device open and fed with silence between tracks.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/critical_section.h"
#include "platform/event.h"
#include "platform/thread.h"
#include "platform/wave_out.h"

namespace vl {

class AudioOutput {
public:
    AudioOutput();
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    bool Configure(int bufferLenMs, int alwaysOpenDev, int fade);
    void GetDefaults(int& bufferLenMs, int& alwaysOpenDev, int& fade) const;
    bool OpenDevice(int channels, int sampleRate, int bits);
    void Start(bool hold);  // hold = pause, else release
    WaveHeader* GetFreeBuffer();
    void QueueBuffer(WaveHeader* header);
    void Reset();
    void StopOutput();
    void CloseDevice();
    bool IsOpen() const;
    uint32_t GetPlayedFrames();
    bool AllPlayed();
    int QueuedFrames();
    void GetRingInfo(uint32_t& totalBytes, uint32_t& queuedBytes);
    uint32_t BufferSize() const { return bufferSize_; }
    int RingCount() const { return ringCount_; }
    int QueuedCount() const { return queuedCount_; }
    void CancelFade() {
        Locked device(deviceLock_);
        fadeFramesLeft_ = 0;
    }
    bool FadePending() const { return fadeFramesLeft_ > 0; }

    void SetPeakMeter(bool on) { peakMeterOn_ = on ? 1 : 0; }
    bool GetPeakMeter() const { return peakMeterOn_ != 0; }
    int PeakLeft() const { return peakLeft_; }
    int PeakRight() const { return peakRight_; }

    static void ApplyPreamp(uint8_t* data, uint32_t length, int gain, int bits);
    static uint32_t CountSilence(bool fromFront, const uint8_t* data, uint32_t length, int bits, int channels);
    // Measures one buffer into the peak levels (0..100).
    void MeasurePeaks(const uint8_t* data, uint32_t length);

private:
    static void NormalCallback(WaveOut* device, unsigned message, uintptr_t instance, WaveHeader* header);
    static void FeederCallback(WaveOut* device, unsigned message, uintptr_t instance, WaveHeader* header);
    bool CreateFeeder();
    void FeederLoop();
    void ArmFade();
    void ApplyFade(uint8_t* data, uint32_t length);
    void ResetLocked();

    std::atomic<int> peakLeft_{0}, peakRight_{0};
    int bufferLenMs_ = 500;
    std::atomic<int> peakMeterOn_{0};
    std::unique_ptr<WaveOut> device_;
    std::unique_ptr<Event> ringFree_;
    std::vector<WaveHeader> ring_;
    std::vector<uint8_t> ringQueued_;  // 1 while header i is queued and not yet returned
    int ringCount_ = 8;
    std::atomic<int> queuedCount_{0};
    int writeIndex_ = 0;
    std::vector<uint8_t> ringData_;
    uint32_t bufferSize_ = 0x4000;
    std::atomic<uint32_t> totalQueued_{0};
    CriticalSection ringLock_;
    CriticalSection deviceLock_;
    WaveFormat format_{0, 0, 0};
    int fade_ = 0;
    int fadeStep_ = 0;
    int fadeGain_ = 0;
    std::atomic<int> fadeFramesLeft_{0};
    std::atomic<int> paused_{0};
    std::atomic<uint32_t> framesPlayed_{0};
    int alwaysOpenDev_ = 0;
    // feeder mode
    std::unique_ptr<Event> deviceEvent_;
    Thread feeder_;
    std::atomic<bool> feederQuit_{false};
    int readIndex_ = 0;
    std::atomic<int> freeDeviceHeaders_{0};
    WaveHeader deviceHeaders_[8] = {};
    // With the device from Write until its done callback has run; the device may hand headers
    // back in another order than they went, so the feeder takes only headers that are back.
    std::atomic<bool> deviceBusy_[8] = {};
    bool holdsSilence_[8] = {};
    // Ring frames each device header carries, and the Reset it was filled after (ringLock_).
    uint32_t deviceFrames_[8] = {};
    uint32_t deviceGeneration_[8] = {};
    uint32_t resetGeneration_ = 0;
    int nextDeviceHeader_ = 0;
    std::vector<uint8_t> deviceBlocks_;
};

}  // namespace vl
