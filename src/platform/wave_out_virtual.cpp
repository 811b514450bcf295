// Devices without a sound card: "null" plays into nothing, "wav" into a WAV file; both follow
// the wall clock unless they are the fast variants.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/wave_out_driver.h"

namespace vl {

namespace {

using Clock = std::chrono::steady_clock;

// What this process last wrote to each WAV path, so that reopening with the same format
// continues the file instead of starting over.
struct WavRecord {
    WaveFormat format;
    uint64_t dataBytes = 0;
    bool inUse = false;
};
std::mutex g_wavMutex;
std::map<std::string, WavRecord>& WavRecords() {
    static std::map<std::string, WavRecord> records;
    return records;
}

void PutLE(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

constexpr uint32_t kWavHeaderBytes = 44;
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - kWavHeaderBytes;

class WavFile {
public:
    ~WavFile() { Close(); }

    int Open(const std::string& path, const WaveFormat& format) {
        std::lock_guard<std::mutex> lock(g_wavMutex);
        WavRecord& rec = WavRecords()[path];
        if (rec.inUse) return MMSYSERR_ALLOCATED;
        format_ = format;
        bool same = rec.format.channels == format.channels && rec.format.sampleRate == format.sampleRate &&
                    rec.format.bitsPerSample == format.bitsPerSample && rec.dataBytes > 0;
        if (same) {
            file_ = std::fopen(path.c_str(), "r+b");
            // Continue only the file we left: it must still hold all we wrote.
            if (file_ && (std::fseek(file_, 0, SEEK_END) != 0 ||
                          static_cast<uint64_t>(std::ftell(file_)) < kWavHeaderBytes + rec.dataBytes ||
                          std::fseek(file_, static_cast<long>(kWavHeaderBytes + rec.dataBytes), SEEK_SET) != 0)) {
                std::fclose(file_);
                file_ = nullptr;
            }
            if (file_) dataBytes_ = rec.dataBytes;
        }
        if (!file_) {
            file_ = std::fopen(path.c_str(), "wb");
            if (!file_) return MMSYSERR_NODRIVER;
            dataBytes_ = 0;
            if (!WriteHeader()) {
                std::fclose(file_);
                file_ = nullptr;
                return MMSYSERR_NODRIVER;
            }
        }
        path_ = path;
        rec.format = format;
        rec.dataBytes = dataBytes_;
        rec.inUse = true;
        return MMSYSERR_NOERROR;
    }

    void Write(const uint8_t* data, uint32_t bytes) {
        if (!file_ || failed_) return;
        if (dataBytes_ + bytes > kMaxDataBytes) return;  // a RIFF file cannot grow past 4 GiB
        if (std::fwrite(data, 1, bytes, file_) != bytes) {
            failed_ = true;
            std::fprintf(stderr, "versolune: cannot write %s\n", path_.c_str());
            return;
        }
        dataBytes_ += bytes;
    }

    // Brings the header's sizes up to date and leaves the file ready for more data.
    void Flush() {
        if (!file_) return;
        WriteHeader();
        std::fseek(file_, static_cast<long>(kWavHeaderBytes + dataBytes_), SEEK_SET);
        std::fflush(file_);
    }

    void Close() {
        if (!file_) return;
        if (dataBytes_ & 1) std::fputc(0, file_);  // chunks are padded to even sizes
        WriteHeader();
        std::fclose(file_);
        file_ = nullptr;
        std::lock_guard<std::mutex> lock(g_wavMutex);
        WavRecord& rec = WavRecords()[path_];
        rec.dataBytes = failed_ ? 0 : dataBytes_;
        rec.inUse = false;
    }

private:
    bool WriteHeader() {
        uint8_t h[kWavHeaderBytes];
        uint32_t data = static_cast<uint32_t>(dataBytes_);
        uint32_t align = static_cast<uint32_t>(format_.BlockAlign());
        std::memcpy(h, "RIFF", 4);
        PutLE(h + 4, 36 + data + (data & 1), 4);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        PutLE(h + 16, 16, 4);
        PutLE(h + 20, 1, 2);  // PCM
        PutLE(h + 22, static_cast<uint32_t>(format_.channels), 2);
        PutLE(h + 24, static_cast<uint32_t>(format_.sampleRate), 4);
        PutLE(h + 28, static_cast<uint32_t>(format_.sampleRate) * align, 4);
        PutLE(h + 32, align, 2);
        PutLE(h + 34, static_cast<uint32_t>(format_.bitsPerSample), 2);
        std::memcpy(h + 36, "data", 4);
        PutLE(h + 40, data, 4);
        return std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h, 1, sizeof h, file_) == sizeof h;
    }

    std::FILE* file_ = nullptr;
    std::string path_;
    WaveFormat format_;
    uint64_t dataBytes_ = 0;
    bool failed_ = false;
};

class VirtualDriver : public WaveDriver {
public:
    VirtualDriver(bool fast, std::string wavPath) : fast_(fast), wavPath_(std::move(wavPath)) {}

    int Open(const WaveFormat& format) override {
        format_ = format;
        if (!wavPath_.empty()) {
            wav_ = std::make_unique<WavFile>();
            int rc = wav_->Open(wavPath_, format);
            if (rc != MMSYSERR_NOERROR) {
                wav_.reset();
                return rc;
            }
        }
        return MMSYSERR_NOERROR;
    }

    // Paced devices wait out each chunk (Pause and Reset cut the wait short). A file gets 10 ms
    // at a time, so that it holds little more than what was heard when a Reset comes; without
    // one, 50 ms chunks wake the driver thread a fifth as often.
    uint32_t ChunkFrames() const override {
        if (fast_) return 4096;
        const int perSecond = wav_ ? 100 : 20;
        return static_cast<uint32_t>(format_.sampleRate / perSecond > 0 ? format_.sampleRate / perSecond : 1);
    }

    uint32_t Play(const uint8_t* data, uint32_t frames) override {
        uint64_t target;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (paused_) return 0;
            if (!fast_ && PlayedLocked(Clock::now()) >= written_) {
                // Starved (or just started): the clock runs from here.
                base_ = written_;
                start_ = Clock::now();
            }
            written_ += frames;
            target = written_;
        }
        if (wav_) wav_->Write(data, frames * static_cast<uint32_t>(format_.BlockAlign()));
        if (!fast_) {
            std::unique_lock<std::mutex> lock(mutex_);
            while (!paused_ && written_ == target) {
                Clock::time_point now = Clock::now();
                uint64_t played = PlayedLocked(now);
                if (played >= target) break;
                auto wait = std::chrono::microseconds((target - played) * 1000000 / format_.sampleRate + 1);
                changed_.wait_until(lock, now + wait);
            }
        }
        return frames;
    }

    void Idle() override {
        if (wav_) wav_->Flush();
    }

    void Reset() override {
        std::lock_guard<std::mutex> lock(mutex_);
        written_ = base_ = 0;
        start_ = Clock::now();
        changed_.notify_all();
    }

    uint32_t Pause(bool hold) override {
        std::lock_guard<std::mutex> lock(mutex_);
        Clock::time_point now = Clock::now();
        if (hold) base_ = PlayedLocked(now);
        else start_ = now;
        paused_ = hold;
        changed_.notify_all();
        return 0;
    }

    uint64_t Position() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return PlayedLocked(Clock::now());
    }

    void Close() override { wav_.reset(); }

private:
    // Frames heard: everything taken when fast; else base_ plus the time run since start_.
    uint64_t PlayedLocked(Clock::time_point now) const {
        if (fast_) return written_;
        if (paused_) return base_;
        auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - start_).count();
        uint64_t played = base_ + static_cast<uint64_t>(us) * static_cast<uint64_t>(format_.sampleRate) / 1000000;
        return played < written_ ? played : written_;
    }

    const bool fast_;
    const std::string wavPath_;
    WaveFormat format_;
    std::unique_ptr<WavFile> wav_;
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t written_ = 0;  // frames taken since the last reset
    uint64_t base_ = 0;     // frames heard at start_
    Clock::time_point start_ = Clock::now();
    bool paused_ = false;
};

}  // namespace

std::unique_ptr<WaveDriver> CreateVirtualDriver(bool fast, const std::string& wavPath) {
    return std::make_unique<VirtualDriver>(fast, wavPath);
}

}  // namespace vl
