#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/wave_out.h"
#include "support/test_support.h"

namespace vl {
namespace {

using namespace std::chrono_literals;

// Collects the completion callbacks of one device.
struct Recorder {
    std::mutex mutex;
    std::condition_variable cond;
    std::vector<WaveHeader*> done;
    std::vector<std::thread::id> threads;

    static void Callback(WaveOut*, unsigned message, uintptr_t instance, WaveHeader* header) {
        auto* self = reinterpret_cast<Recorder*>(instance);
        if (message != WOM_DONE) return;
        std::lock_guard<std::mutex> lock(self->mutex);
        self->done.push_back(header);
        self->threads.push_back(std::this_thread::get_id());
        self->cond.notify_all();
    }
    size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return done.size();
    }
    bool WaitFor(size_t n, std::chrono::milliseconds timeout = 2000ms) {
        std::unique_lock<std::mutex> lock(mutex);
        return cond.wait_for(lock, timeout, [&] { return done.size() >= n; });
    }
};

// Headers over one block of 16-bit stereo samples.
struct Buffers {
    std::vector<uint8_t> data;
    std::vector<WaveHeader> headers;
    Buffers(size_t count, uint32_t bytesEach) : data(count * bytesEach), headers(count) {
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
        for (size_t i = 0; i < count; ++i) {
            headers[i] = WaveHeader{};
            headers[i].lpData = data.data() + i * bytesEach;
            headers[i].dwBufferLength = bytesEach;
        }
    }
};

std::unique_ptr<WaveOut> OpenDevice(Recorder& rec, WaveFormat format = WaveFormat{}) {
    std::unique_ptr<WaveOut> device;
    EXPECT_EQ(WaveOut::Open(device, format, &Recorder::Callback, reinterpret_cast<uintptr_t>(&rec)),
              MMSYSERR_NOERROR);
    return device;
}

bool WaitPosition(WaveOut& device, uint64_t frames) {
    for (int i = 0; i < 200 && device.GetPosition() < frames; ++i) std::this_thread::sleep_for(5ms);
    return device.GetPosition() == frames;
}

// Every backend family runs the same queue semantics; alsa:null drives the ALSA code without
// a sound card.
class WaveOutBackends : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        std::string backend = GetParam();
        if (backend == "wav-fast") backend = "wav-fast:" + test::TempDir() + "/out.wav";
        SetAudioBackend(backend);
        if (WaveOut::GetNumDevs() == 0) GTEST_SKIP() << backend << " cannot run here";
    }
    void TearDown() override { SetAudioBackend(""); }
};

TEST_P(WaveOutBackends, HeadersComeBackInOrderOnTheDriverThread) {
    Recorder rec;
    auto device = OpenDevice(rec);
    ASSERT_TRUE(device);
    Buffers bufs(6, 441 * 4);
    for (auto& h : bufs.headers) ASSERT_EQ(device->Write(&h), MMSYSERR_NOERROR);
    ASSERT_TRUE(rec.WaitFor(6));
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(rec.done[i], &bufs.headers[i]);
        EXPECT_NE(rec.threads[i], std::this_thread::get_id());
        EXPECT_EQ(bufs.headers[i].dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    }
    EXPECT_TRUE(WaitPosition(*device, 6 * 441));
    EXPECT_EQ(device->Close(), MMSYSERR_NOERROR);
}

TEST_P(WaveOutBackends, ResetReturnsEverythingQueuedAndKeepsThePause) {
    Recorder rec;
    auto device = OpenDevice(rec);
    ASSERT_TRUE(device);
    Buffers bufs(5, 441 * 4);
    ASSERT_EQ(device->Pause(), MMSYSERR_NOERROR);
    for (int i = 0; i < 4; ++i) device->Write(&bufs.headers[i]);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(rec.Count(), 0u);
    EXPECT_EQ(device->GetPosition(), 0u);

    ASSERT_EQ(device->Reset(), MMSYSERR_NOERROR);
    ASSERT_EQ(rec.Count(), 4u);  // all callbacks ran before Reset returned
    for (int i = 0; i < 4; ++i) EXPECT_EQ(rec.done[i], &bufs.headers[i]);
    EXPECT_EQ(device->GetPosition(), 0u);

    device->Write(&bufs.headers[4]);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(rec.Count(), 4u) << "a reset device stays paused";
    device->Restart();
    ASSERT_TRUE(rec.WaitFor(5));
    EXPECT_TRUE(WaitPosition(*device, 441));
}

TEST_P(WaveOutBackends, CloseReturnsQueuedHeadersAndNothingComesLater) {
    Recorder rec;
    auto device = OpenDevice(rec);
    ASSERT_TRUE(device);
    Buffers bufs(3, 441 * 4);
    device->Pause();
    for (auto& h : bufs.headers) device->Write(&h);
    ASSERT_EQ(device->Close(), MMSYSERR_NOERROR);
    EXPECT_EQ(rec.Count(), 3u);
    WaveHeader late{};
    late.lpData = bufs.data.data();
    late.dwBufferLength = 4;
    EXPECT_EQ(device->Write(&late), MMSYSERR_INVALHANDLE);
    device.reset();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(rec.Count(), 3u);
}

// A callback may still be running (here: held up on the caller's side) when another thread
// resets; Reset waits for it and returns the rest without deadlocking.
TEST_P(WaveOutBackends, ResetWhileACallbackIsRunning) {
    struct Gate {
        Recorder rec;
        std::mutex lockB;
        std::atomic<bool> entered{false};
        static void Callback(WaveOut* d, unsigned m, uintptr_t instance, WaveHeader* h) {
            auto* self = reinterpret_cast<Gate*>(instance);
            self->entered = true;
            std::lock_guard<std::mutex> lock(self->lockB);
            Recorder::Callback(d, m, reinterpret_cast<uintptr_t>(&self->rec), h);
        }
    } gate;
    std::unique_ptr<WaveOut> device;
    ASSERT_EQ(WaveOut::Open(device, WaveFormat{}, &Gate::Callback, reinterpret_cast<uintptr_t>(&gate)),
              MMSYSERR_NOERROR);
    Buffers bufs(4, 441 * 4);
    std::atomic<bool> holding{false};
    std::thread holder([&] {  // another thread holds the callback's lock for a while
        std::lock_guard<std::mutex> lock(gate.lockB);
        holding = true;
        test::WaitUntil([&] { return gate.entered.load(); });
        std::this_thread::sleep_for(30ms);
    });
    EXPECT_TRUE(test::WaitUntil([&] { return holding.load(); }));
    for (auto& h : bufs.headers) device->Write(&h);
    EXPECT_TRUE(test::WaitUntil([&] { return gate.entered.load(); }));
    EXPECT_EQ(device->Reset(), MMSYSERR_NOERROR);
    holder.join();
    EXPECT_EQ(gate.rec.Count(), 4u);
    EXPECT_EQ(gate.rec.done.front(), &bufs.headers[0]);
}

INSTANTIATE_TEST_SUITE_P(Backends, WaveOutBackends, ::testing::Values("null-fast", "wav-fast", "alsa:null"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// The paced device follows the clock: a 100 ms header plays for about 100 ms, and the
// position stands still while paused.
TEST(WaveOutNull, PlaysInRealTimeAndHoldsWhilePaused) {
    SetAudioBackend("null");
    Recorder rec;
    auto device = OpenDevice(rec);
    ASSERT_TRUE(device);
    Buffers bufs(1, 4410 * 4);
    auto start = std::chrono::steady_clock::now();
    device->Write(&bufs.headers[0]);
    std::this_thread::sleep_for(40ms);
    device->Pause();
    uint64_t held = device->GetPosition();
    EXPECT_GT(held, 0u);
    EXPECT_LT(held, 4410u);
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(device->GetPosition(), held);
    EXPECT_EQ(rec.Count(), 0u);
    device->Restart();
    ASSERT_TRUE(rec.WaitFor(1));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 130ms);
    EXPECT_EQ(device->GetPosition(), 4410u);
    SetAudioBackend("");
}

struct WavFile {
    uint16_t tag = 0, channels = 0, bits = 0, align = 0;
    uint32_t rate = 0, riffSize = 0;
    std::string data;
    size_t fileSize = 0;
};

WavFile ReadWav(const std::string& path) {
    std::string bytes = test::ReadFile(path);
    WavFile w;
    w.fileSize = bytes.size();
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") || bytes.compare(8, 8, "WAVEfmt ") ||
        bytes.compare(36, 4, "data"))
        return w;
    auto u16 = [&](size_t at) { return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8); };
    auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
    w.riffSize = u32(4);
    w.tag = u16(20);
    w.channels = u16(22);
    w.rate = u32(24);
    w.align = u16(32);
    w.bits = u16(34);
    w.data = bytes.substr(44, u32(40));
    return w;
}

// Plays the bytes through a wav-fast device and closes it.
void PlayToWav(const std::string& path, const WaveFormat& format, const std::vector<uint8_t>& bytes) {
    SetAudioBackend("wav-fast:" + path);
    Recorder rec;
    auto device = OpenDevice(rec, format);
    ASSERT_TRUE(device);
    WaveHeader h{};
    std::vector<uint8_t> copy = bytes;
    h.lpData = copy.data();
    h.dwBufferLength = static_cast<uint32_t>(copy.size());
    device->Write(&h);
    ASSERT_TRUE(rec.WaitFor(1));
    device->Close();
    EXPECT_EQ(copy, bytes) << "the caller's buffer is never changed";
    SetAudioBackend("");
}

TEST(WaveOutWav, FormatsRoundTripIntoAValidWaveFile) {
    struct Row {
        WaveFormat format;
        size_t bytes;
    } rows[] = {{{1, 8000, 8}, 801}, {{2, 48000, 24}, 6 * 500}, {{6, 44100, 16}, 12 * 100}, {{1, 22050, 32}, 400}};
    for (const Row& row : rows) {
        std::string path = test::TempDir() + "/fmt.wav";
        std::vector<uint8_t> bytes(row.bytes);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31 + 5);
        PlayToWav(path, row.format, bytes);
        WavFile w = ReadWav(path);
        SCOPED_TRACE(row.format.bitsPerSample);
        EXPECT_EQ(w.tag, 1);
        EXPECT_EQ(w.channels, row.format.channels);
        EXPECT_EQ(w.rate, static_cast<uint32_t>(row.format.sampleRate));
        EXPECT_EQ(w.bits, row.format.bitsPerSample);
        EXPECT_EQ(w.align, row.format.BlockAlign());
        EXPECT_EQ(w.riffSize + 8, w.fileSize);
        EXPECT_EQ(w.data, std::string(bytes.begin(), bytes.end()));
        std::string info = test::CaptureCommand("sox --i -c '" + path + "' 2>&1 && sox --i -r '" + path + "' 2>&1");
        EXPECT_EQ(info, std::to_string(row.format.channels) + "\n" + std::to_string(row.format.sampleRate) + "\n");
    }
}

TEST(WaveOutWav, VolumeScalesWhatIsWrittenPerChannel) {
    std::string path = test::TempDir() + "/vol.wav";
    const int16_t in[] = {1000, 1000, -1000, -1000, 32767, 32767, -32768, -32768, -1, -1};
    const int16_t out[] = {500, 1000, -500, -1000, 16383, 32767, -16384, -32768, -1, -1};
    std::vector<uint8_t> bytes(sizeof in);
    std::memcpy(bytes.data(), in, sizeof in);
    SetWaveVolume(0xFFFF8000u);  // left halved, right untouched
    PlayToWav(path, WaveFormat{}, bytes);
    SetWaveVolume(0xFFFFFFFFu);
    WavFile w = ReadWav(path);
    ASSERT_EQ(w.data.size(), sizeof out);
    EXPECT_EQ(std::memcmp(w.data.data(), out, sizeof out), 0);
}

TEST(WaveOutWav, ReopeningWithTheSameFormatAppends) {
    std::string path = test::TempDir() + "/append.wav";
    std::vector<uint8_t> a(401, 0x11), b(300, 0x22), c(8, 0x33);
    PlayToWav(path, {1, 8000, 8}, a);
    PlayToWav(path, {1, 8000, 8}, b);
    WavFile w = ReadWav(path);
    EXPECT_EQ(w.data, std::string(401, '\x11') + std::string(300, '\x22'));
    EXPECT_EQ(w.riffSize + 8, w.fileSize);
    PlayToWav(path, {2, 8000, 16}, c);
    EXPECT_EQ(ReadWav(path).data, std::string(8, '\x33')) << "another format starts a new file";
}

TEST(WaveOutSelection, ImpossibleBackendsHaveNoDevice) {
    std::string dir = test::TempDir();
    struct Row {
        std::string backend;
        unsigned devs;
    } rows[] = {{"null", 1},        {"null-fast", 1},  {"wav:" + dir + "/x.wav", 1},
                {"auto", 1},        {"bogus", 0},       {"wav:" + dir + "/missing/x.wav", 0},
                {"alsa:versolune_no_such_device", 0}};
    for (const Row& row : rows) {
        SetAudioBackend(row.backend);
        EXPECT_EQ(WaveOut::GetNumDevs(), row.devs) << row.backend;
        if (row.devs == 0) {
            std::unique_ptr<WaveOut> device;
            EXPECT_EQ(WaveOut::Open(device, WaveFormat{}, nullptr, 0), MMSYSERR_NODRIVER) << row.backend;
            EXPECT_FALSE(device);
        }
    }
    SetAudioBackend("null-fast");
    std::unique_ptr<WaveOut> device;
    for (WaveFormat bad : {WaveFormat{2, 44100, 12}, WaveFormat{9, 44100, 16}, WaveFormat{0, 44100, 16}})
        EXPECT_EQ(WaveOut::Open(device, bad, nullptr, 0), WAVERR_BADFORMAT);
    SetAudioBackend("");
}

}  // namespace
}  // namespace vl
