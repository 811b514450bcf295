// The output ring on its own: sizes, queue bookkeeping across resets, peaks, silence and
// preamp arithmetic, and the always-open feeder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/output/audio_output.h"
#include "platform/clock.h"
#include "platform/wave_out.h"
#include "support/test_support.h"
#include "support/wav_file.h"

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
    for (int i = 0; i < 500 && !out.AllPlayed(); ++i) Sleep(10);
    EXPECT_EQ(out.QueuedCount(), 0);
    EXPECT_EQ(out.GetPlayedFrames(), out.BufferSize() / 4);
    out.Reset();
    EXPECT_EQ(out.GetPlayedFrames(), 0u);
}

TEST_F(AudioOutputTest, TheFeederCountsFramesWhenTheDeviceHasPlayedThem) {
    // The feeder keeps eight blocks of 2048 frames in the device: audio handed over now is
    // heard only after the seven ahead of it, about 325 ms at 44.1 kHz (real time).
    ASSERT_TRUE(out.Configure(200, 1, 0));
    ASSERT_TRUE(out.OpenDevice(2, 44100, 16));
    out.Start(true);
    Sleep(100);  // the device runs on silence: every block is queued
    QueueFilled(out.BufferSize(), 0x22);
    const uint32_t start = GetTickCount();
    out.Start(false);
    while (out.GetPlayedFrames() == 0 && GetTickCount() - start < 10000) Sleep(1);
    EXPECT_GE(GetTickCount() - start, 200u) << "counted before the device played it";
    for (int i = 0; i < 1000 && !out.AllPlayed(); ++i) Sleep(10);
    EXPECT_EQ(out.GetPlayedFrames(), out.BufferSize() / 4);
}

TEST_F(AudioOutputTest, TheFeederWritesWholeFramesOfEverySampleSize) {
    struct Row {
        int channels, bits;
    } rows[] = {{2, 24}, {1, 24}, {2, 32}, {2, 8}, {6, 16}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.channels << " channels, " << r.bits << " bits");
        std::string path = test::TempDir() + "/feeder.wav";
        SetAudioBackend("wav:" + path);
        ASSERT_TRUE(out.Configure(200, 1, 0));
        ASSERT_TRUE(out.OpenDevice(r.channels, 44100, r.bits));
        out.Start(true);
        // Every byte of the sent audio is non-zero and differs from its neighbours, so a
        // shifted or dropped byte shows.
        std::vector<uint8_t> sent;
        for (int b = 0; b < 3; ++b) {
            WaveHeader* h = out.GetFreeBuffer();
            ASSERT_NE(h, nullptr);
            for (uint32_t i = 0; i < out.BufferSize(); ++i) h->lpData[i] = static_cast<uint8_t>(1 + (sent.size() + i) % 251);
            h->dwBufferLength = h->dwBytesRecorded = out.BufferSize();
            sent.insert(sent.end(), h->lpData, h->lpData + out.BufferSize());
            out.QueueBuffer(h);
        }
        out.Start(false);
        for (int i = 0; i < 1000 && !out.AllPlayed(); ++i) Sleep(10);
        ASSERT_TRUE(out.AllPlayed()) << "the drain never ends";
        out.CloseDevice();
        test::PcmData heard;
        ASSERT_TRUE(test::ReadWav(path, heard));
        const uint8_t silence = r.bits == 8 ? 0x80 : 0;
        size_t first = 0;
        while (first < heard.bytes.size() && heard.bytes[first] == silence) ++first;
        ASSERT_LE(first + sent.size(), heard.bytes.size());
        EXPECT_EQ(first % static_cast<size_t>(r.channels * r.bits / 8), 0u);
        EXPECT_TRUE(std::equal(sent.begin(), sent.end(), heard.bytes.begin() + static_cast<long>(first)));
    }
}

}  // namespace
