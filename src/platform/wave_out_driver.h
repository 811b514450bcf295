#pragma once
// The device half of a wave-out backend. The shared queue in wave_out.cpp owns the driver
// thread and calls Play from it; the other calls may come from any thread.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/wave_out.h"

namespace vl {

class WaveDriver {
public:
    virtual ~WaveDriver() = default;

    // Opens the device for the format: MMSYSERR_NOERROR, MMSYSERR_ALLOCATED (busy),
    // WAVERR_BADFORMAT or MMSYSERR_NODRIVER.
    virtual int Open(const WaveFormat& format) = 0;
    // Largest number of frames Play takes at once (sets the size of the scratch buffer).
    virtual uint32_t ChunkFrames() const = 0;
    // Driver thread only. Plays up to `frames` frames and returns how many it took; 0 when
    // it cannot take any now (paused, or no room within a short wait). Never blocks for long.
    virtual uint32_t Play(const uint8_t* data, uint32_t frames) = 0;
    // Driver thread only: the queue ran dry (start what is buffered, flush files).
    virtual void Idle() {}
    // Driver thread only: drops everything buffered; the position restarts at 0.
    virtual void Reset() = 0;
    // Holds or resumes output. Returns the number of frames taken earlier that were thrown
    // away and must be played again (devices that cannot pause drop their buffer).
    virtual uint32_t Pause(bool hold) = 0;
    // Frames heard since open or the last Reset.
    virtual uint64_t Position() = 0;
    // After the driver thread has stopped.
    virtual void Close() = 0;
};

// ALSA device by name ("default", "hw:0", "null", ...).
std::unique_ptr<WaveDriver> CreateAlsaDriver(const std::string& device);
// No sound; paced in real time unless `fast`; writes a WAV file when wavPath is not empty.
std::unique_ptr<WaveDriver> CreateVirtualDriver(bool fast, const std::string& wavPath);

// True when an ALSA device by that name exists (busy counts as existing).
bool AlsaDeviceExists(const std::string& device);

}  // namespace vl
