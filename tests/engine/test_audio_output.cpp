// The output ring on its own: sizes, queue bookkeeping across resets, peaks, silence and
// preamp arithmetic, and the always-open feeder.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/output/audio_output.h"
#include "platform/clock.h"
#include "platform/wave_out.h"

using namespace vl;

namespace {

class AudioOutputTest : public ::testing::Test {
protected:
    void SetUp() override { SetAudioBackend("null"); }
    void TearDown() override {
        out.CloseDevice();
        SetAudioBackend("");
    }
    // Queues one buffer of `bytes` with every byte set to `fill`.
    void QueueFilled(uint32_t bytes, uint8_t fill) {
        WaveHeader* h = out.GetFreeBuffer();
        ASSERT_NE(h, nullptr);
        std::memset(h->lpData, fill, bytes);
        h->dwBufferLength = h->dwBytesRecorded = bytes;
        out.QueueBuffer(h);
    }
    AudioOutput out;
};

TEST_F(AudioOutputTest, RingSizesFollowTheFormatAndTheBufferLength) {
    struct Row {
        int bufferMs, channels, rate, bits;
        uint32_t bufferSize;
        int ringCount;
    } rows[] = {
        {500, 2, 44100, 16, 16384, 6},  // 176400 B/s x 0.5 s / 16384 B = 5, plus one
        {10, 1, 8000, 8, 1024, 2},      // the minimum ring
        {500, 1, 22050, 16, 4096, 6},
        {30000, 2, 48000, 16, 16384, 352},  // long buffers do not wrap the arithmetic
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rate);
        ASSERT_TRUE(out.Configure(r.bufferMs, 0, 0));
        ASSERT_TRUE(out.OpenDevice(r.channels, r.rate, r.bits));
        EXPECT_EQ(out.BufferSize(), r.bufferSize);
        EXPECT_EQ(out.RingCount(), r.ringCount);
        out.CloseDevice();
    }
    EXPECT_FALSE(out.Configure(9, 0, 0));
}

TEST_F(AudioOutputTest, SameFormatKeepsTheDeviceAndResetEmptiesTheQueue) {
    ASSERT_TRUE(out.OpenDevice(2, 44100, 16));
    out.Start(true);  // held: nothing plays, every buffer stays queued
    for (int i = 0; i < 3; ++i) QueueFilled(out.BufferSize(), 0x10);
    EXPECT_EQ(out.QueuedCount(), 3);
    WaveHeader* before = out.GetFreeBuffer();
    ASSERT_TRUE(out.OpenDevice(2, 44100, 16));  // same format: untouched
    EXPECT_EQ(out.QueuedCount(), 3);
    EXPECT_EQ(out.GetFreeBuffer(), before);

    out.Reset();
    EXPECT_EQ(out.QueuedCount(), 0);
    EXPECT_EQ(out.QueuedFrames(), 0);
    // Every buffer is free again: the whole ring can be queued without waiting.
    for (int i = 0; i < out.RingCount(); ++i) QueueFilled(out.BufferSize(), 0x10);
    EXPECT_EQ(out.QueuedCount(), out.RingCount());
    out.Reset();
    EXPECT_EQ(out.QueuedCount(), 0);
}

TEST_F(AudioOutputTest, AZeroLengthBufferIsNeverPlayed) {
    ASSERT_TRUE(out.OpenDevice(1, 8000, 16));
    WaveHeader* h = out.GetFreeBuffer();
    h->dwBufferLength = h->dwBytesRecorded = 0;
    out.QueueBuffer(h);
    EXPECT_EQ(out.QueuedCount(), 0);
    EXPECT_EQ(out.GetFreeBuffer(), h);  // the same slot is handed out again
}

TEST_F(AudioOutputTest, PeaksOfFullScaleAndSilence) {
    SetAudioBackend("null-fast");
    out.SetPeakMeter(true);
    ASSERT_TRUE(out.OpenDevice(1, 8000, 16));
    out.Start(false);
    std::vector<uint8_t> data(200);
    for (size_t i = 0; i < data.size(); i += 2) {
        data[i] = 0xFF;
        data[i + 1] = 0x7F;  // 32767
    }
    out.MeasurePeaks(data.data(), static_cast<uint32_t>(data.size()));
    EXPECT_EQ(out.PeakLeft(), 100);
    EXPECT_EQ(out.PeakRight(), 100);
    std::fill(data.begin(), data.end(), 0);
    out.MeasurePeaks(data.data(), static_cast<uint32_t>(data.size()));
    EXPECT_EQ(out.PeakLeft(), 0);
    EXPECT_EQ(out.PeakRight(), 0);
}

TEST(AudioOutputArithmetic, SilenceAndPreamp) {
    // 16-bit stereo: two silent frames (within +-16), one loud, one silent.
    int16_t frames[] = {16, -16, 0, 3, 500, 0, 0, 0};
    auto* bytes = reinterpret_cast<uint8_t*>(frames);
    EXPECT_EQ(AudioOutput::CountSilence(true, bytes, sizeof frames, 16, 2), 8u);
    EXPECT_EQ(AudioOutput::CountSilence(false, bytes, sizeof frames, 16, 2), 4u);
    EXPECT_EQ(AudioOutput::CountSilence(true, bytes, 3, 16, 2), 0u);  // shorter than a frame
    uint8_t eight[] = {0x80, 0x80, 0x81, 0x80};
    EXPECT_EQ(AudioOutput::CountSilence(true, eight, 4, 8, 1), 2u);

    int16_t pcm[] = {1000, -1000, 30000, -30000};
    AudioOutput::ApplyPreamp(reinterpret_cast<uint8_t*>(pcm), sizeof pcm, 512, 16);  // x2 in Q8
    EXPECT_EQ(pcm[0], 2000);
    EXPECT_EQ(pcm[1], -2000);
    EXPECT_EQ(pcm[2], 32767);
    EXPECT_EQ(pcm[3], -32768);
    uint8_t u8[] = {128, 192, 0};
    AudioOutput::ApplyPreamp(u8, 3, 128, 8);  // x0.5 around 128
    EXPECT_EQ(u8[0], 128);
    EXPECT_EQ(u8[1], 160);
    EXPECT_EQ(u8[2], 64);
}

TEST_F(AudioOutputTest, TheFeederKeepsADeviceRunningWithSilenceWhileHeld) {
    ASSERT_TRUE(out.Configure(200, 1, 0));
    ASSERT_TRUE(out.OpenDevice(2, 44100, 16));
    out.Start(true);
    QueueFilled(out.BufferSize(), 0x22);
    Sleep(100);
    EXPECT_EQ(out.GetPlayedFrames(), 0u);  // held: silence plays, the ring is not read
    EXPECT_EQ(out.QueuedCount(), 1);
    out.Start(false);
    for (int i = 0; i < 100 && out.QueuedCount() > 0; ++i) Sleep(10);
    EXPECT_EQ(out.QueuedCount(), 0);
    EXPECT_EQ(out.GetPlayedFrames(), out.BufferSize() / 4);
    out.Reset();
    EXPECT_EQ(out.GetPlayedFrames(), 0u);
}

}  // namespace
