#pragma once
// The wave-out device: headers are queued in order and handed back one by one through a
// completion callback on the backend's own thread.
//
// Backends (chosen by SetAudioBackend, else VERSOLUNE_AUDIO, else "auto"):
//   alsa[:DEVICE]   the sound card (default device "default")
//   null            paced in real time, no sound
//   null-fast       no pacing: every header is played as soon as it is queued
//   wav:PATH        paced in real time, writes what would be heard to a WAV file
//   wav-fast:PATH   the same without pacing (tests, benchmarks)
//   auto            alsa when a device opens, else null with one line on stderr
//
// A wav file is written in place; its header sizes are brought up to date whenever the queue
// runs dry and at Close. Each Open starts a new file, except that reopening a path this
// process wrote last with the same format appends to it (the player closes and reopens the
// device between tracks). Only one open device may write a path at a time.
//
// Volume is applied in software to what is heard (ALSA data, WAV contents); the caller's
// buffers are never changed.
#include <cstdint>
#include <memory>
#include <string>

#include "versolune_plugin.h"

namespace vl {

using WaveHeader = VlWaveHeader;

constexpr unsigned WOM_OPEN = 955;
constexpr unsigned WOM_CLOSE = 956;
constexpr unsigned WOM_DONE = 957;

constexpr uint32_t WHDR_DONE = 0x01;
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_INQUEUE = 0x10;

constexpr int MMSYSERR_NOERROR = 0;
constexpr int MMSYSERR_ERROR = 1;
constexpr int MMSYSERR_ALLOCATED = 4;
constexpr int MMSYSERR_INVALHANDLE = 5;  // the device was closed
constexpr int MMSYSERR_NODRIVER = 6;
constexpr int MMSYSERR_NOMEM = 7;
constexpr int MMSYSERR_INVALPARAM = 11;
constexpr int WAVERR_BADFORMAT = 32;

struct WaveFormat {
    int channels = 2;
    int sampleRate = 44100;
    int bitsPerSample = 16;  // 8 (unsigned), 16, 24 or 32 (signed, little-endian)
    int BlockAlign() const { return channels * bitsPerSample / 8; }
};

class WaveOut;
// Called with WOM_DONE for every written header once it has been played (or returned by
// Reset/Close), never on the thread that called Write/Reset/Close.
using WaveOutCallback = void (*)(WaveOut* device, unsigned message, uintptr_t instance, WaveHeader* header);

class WaveOut {
public:
    virtual ~WaveOut() = default;

    // Number of devices of the chosen backend: 0 only when it cannot run.
    static unsigned GetNumDevs();
    // Opens the chosen backend; MMSYSERR_NOERROR and a device on success.
    static int Open(std::unique_ptr<WaveOut>& device, const WaveFormat& format,
                    WaveOutCallback callback, uintptr_t instance);

    virtual int Write(WaveHeader* header) = 0;  // queue dwBufferLength bytes of lpData
    virtual int Pause() = 0;                    // position holds, queued headers wait
    virtual int Restart() = 0;
    // Returns every queued header through the callback (all of those callbacks have run when
    // Reset returns) and restarts the position at 0. A paused device stays paused.
    virtual int Reset() = 0;
    // Frames actually played since open or the last Reset.
    virtual uint64_t GetPosition() = 0;
    // Resets, then releases the device; no callback runs after Close returns. Must not be
    // called from the callback (MMSYSERR_ERROR). Later calls return MMSYSERR_INVALHANDLE.
    virtual int Close() = 0;
};

// Software volume of every device, as waveOutSetVolume packs it: low word left, high word
// right, 0..0xFFFF each. 0xFFFF leaves the sound as it is, any other value n scales it by
// n/65536 (0x8000 halves it); channels after the first two take the mean of both words.
void SetWaveVolume(uint32_t volume);
uint32_t GetWaveVolume();

// Overrides VERSOLUNE_AUDIO for devices opened afterwards; an empty name removes the override.
void SetAudioBackend(const std::string& name);
std::string GetAudioBackend();

}  // namespace vl
