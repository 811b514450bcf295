// The engine's play states, messages and position, driven with PCM WAV sources.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "platform/clock.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/engine_harness.h"
#include "support/test_support.h"
#include "support/watchdog.h"
#include "support/wav_file.h"

using namespace vl;
using namespace vl::test;

namespace {

std::wstring Tone(const std::string& dir, const std::string& name, double seconds, int rate = 8000,
                  int channels = 1, double lead = 0, double trail = 0) {
    std::string path = dir + "/" + name;
    EXPECT_TRUE(WriteWav(path, MakeTone(rate, channels, seconds, 440, lead, trail)));
    return WidePath(path);
}

// Changes some of the engine's output settings; the engine's answer.
template <typename Change>
bool ChangeOutput(PlayerEngine& engine, Change change) {
    OutputSettings s;
    engine.GetOutputSettings(s);
    change(s);
    return engine.SetOutputSettings(s);
}

class EngineStates : public ::testing::Test {
protected:
    void SetUp() override {
        dir = TempDir();
        SetAudioBackend("null-fast");
    }
    void TearDown() override { SetAudioBackend(""); }
    std::string dir;
};

TEST_F(EngineStates, PlaysToTheEndAndReportsEachState) {
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(Tone(dir, "a.wav", 0.5)));
    EXPECT_EQ(h.engine.GetDuration(), 500);
    ASSERT_TRUE(h.engine.Play());
    intptr_t failed = -1;
    ASSERT_TRUE(h.WaitForState(kStopped, 10000, &failed));
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(h.StateTrail(), "3,1,0");
    h.Drain();
    bool sawPeaks = false;
    for (const auto& m : h.seen) sawPeaks |= m.message == WM_ENGINE_PEAKS;
    EXPECT_TRUE(sawPeaks);
    // The source stays open and plays again from the start.
    EXPECT_EQ(h.engine.GetPosition(), 0);
    EXPECT_TRUE(h.engine.Play());
    EXPECT_TRUE(h.WaitForState(kStopped));
}

TEST_F(EngineStates, EverySampleReachesTheDevice) {
    // A file far shorter than the prebuffer still plays: the final drain starts the device.
    std::string out = dir + "/out.wav";
    SetAudioBackend("wav-fast:" + out);
    EngineHarness h;
    ASSERT_TRUE(ChangeOutput(h.engine, [](OutputSettings& s) { s.bufferLenMs = 2000; s.prebufferPercent = 100; }));
    PcmData src = MakeTone(8000, 2, 0.05);
    ASSERT_TRUE(WriteWav(dir + "/short.wav", src));
    ASSERT_TRUE(h.engine.Open(WidePath(dir + "/short.wav")));
    ASSERT_TRUE(h.engine.Play());
    ASSERT_TRUE(h.WaitForState(kStopped));
    h.engine.Close();
    PcmData got;
    ASSERT_TRUE(ReadWav(out, got));
    EXPECT_EQ(got.bytes, src.bytes);
}

TEST_F(EngineStates, PlayWhilePlayingAndSeeksOutOfRange) {
    SetAudioBackend("null");
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(Tone(dir, "b.wav", 3.0)));
    ASSERT_TRUE(h.engine.Play());
    ASSERT_TRUE(h.WaitForState(kPlaying));
    EXPECT_FALSE(h.engine.Play());
    EXPECT_FALSE(h.engine.Seek(3000));  // at the duration
    EXPECT_FALSE(h.engine.Seek(99999));
    EXPECT_TRUE(h.engine.Seek(2000));
    EXPECT_GE(h.engine.GetPosition(), 2000);
    EXPECT_TRUE(h.engine.Seek(-50));  // negative means the start
    EXPECT_LT(h.engine.GetPosition(), 1500);
    h.engine.Stop();
    EXPECT_TRUE(h.WaitForState(kStopped, 2000));
    EXPECT_EQ(h.engine.GetPosition(), 0);
    EXPECT_EQ(h.engine.GetState(), kStopped);
}

TEST_F(EngineStates, PauseHoldsThePositionAndResumes) {
    SetAudioBackend("null");
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(Tone(dir, "c.wav", 3.0)));
    ASSERT_TRUE(h.engine.Play());
    ASSERT_TRUE(h.WaitForState(kPlaying));
    Sleep(300);
    h.engine.Pause();
    ASSERT_TRUE(h.WaitForState(kPaused, 1000));
    int held = h.engine.GetPosition();
    EXPECT_GT(held, 0);
    Sleep(250);
    EXPECT_EQ(h.engine.GetPosition(), held);
    EXPECT_TRUE(h.engine.Play());  // Play while paused resumes
    ASSERT_TRUE(h.WaitForState(kPlaying, 1000));
    Sleep(250);
    EXPECT_GT(h.engine.GetPosition(), held);
    h.engine.Stop();
    EXPECT_TRUE(h.WaitForState(kStopped, 2000));
}

TEST_F(EngineStates, SeekDuringTheFinalDrainGoesOnDecoding) {
    SetAudioBackend("null");
    EngineHarness h;
    ASSERT_TRUE(ChangeOutput(h.engine, [](OutputSettings& s) { s.bufferLenMs = 800; }));
    ASSERT_TRUE(h.engine.Open(Tone(dir, "d.wav", 1.0)));
    ASSERT_TRUE(h.engine.Play());
    ASSERT_TRUE(h.WaitForState(kPlaying));
    // With an 800 ms ring the whole second is decoded long before 600 ms have played.
    ASSERT_TRUE(WaitUntil([&] { return h.engine.GetPosition() >= 600; }));
    uint32_t seekAt = GetTickCount();
    ASSERT_TRUE(h.engine.Seek(100));
    ASSERT_TRUE(h.WaitForState(kStopped, 5000));
    // 900 ms of audio remained after the seek.
    EXPECT_GE(GetTickCount() - seekAt, 700u);
}

TEST_F(EngineStates, SuppressedSilenceMovesThePositionAndIsNotPlayed) {
    std::string out = dir + "/out.wav";
    SetAudioBackend("wav-fast:" + out);
    EngineHarness h;
    ASSERT_TRUE(ChangeOutput(h.engine, [](OutputSettings& s) { s.suppressZeroSamples = 1; }));
    ASSERT_TRUE(h.engine.Open(Tone(dir, "e.wav", 1.0, 8000, 1, 2.0, 2.0)));
    ASSERT_TRUE(h.engine.Play());
    ASSERT_TRUE(h.WaitForState(kStopped));
    h.engine.Close();
    PcmData got;
    ASSERT_TRUE(ReadWav(out, got));
    // The leading two seconds are gone; the trailing silence is cut within one buffer.
    ASSERT_GT(got.Frames(), 0u);
    EXPECT_LT(got.Frames(), 8000u + 2048u);
    EXPECT_GE(got.Frames(), 7900u);
    EXPECT_NE(got.Sample16(1, 0), 0);
}

TEST_F(EngineStates, OutputSettingsAreRefusedUnlessStoppedAndSane) {
    SetAudioBackend("null");
    EngineHarness h;
    OutputSettings s, before;
    h.engine.GetOutputSettings(before);
    s = before;
    s.prebufferPercent = 101;
    EXPECT_FALSE(h.engine.SetOutputSettings(s));
    s = before;
    s.bufferLenMs = 9;
    EXPECT_FALSE(h.engine.SetOutputSettings(s));
    OutputSettings now;
    h.engine.GetOutputSettings(now);
    EXPECT_EQ(now.bufferLenMs, before.bufferLenMs);
    EXPECT_EQ(now.prebufferPercent, before.prebufferPercent);

    ASSERT_TRUE(h.engine.Open(Tone(dir, "f.wav", 2.0)));
    ASSERT_TRUE(h.engine.Play());
    ASSERT_TRUE(h.WaitForState(kPlaying));
    s = before;
    s.prebufferPercent = 50;
    EXPECT_FALSE(h.engine.SetOutputSettings(s));
    h.engine.Pause();
    ASSERT_TRUE(h.WaitForState(kPaused));
    EXPECT_FALSE(h.engine.SetOutputSettings(s));
    h.engine.Stop();
    ASSERT_TRUE(h.WaitForState(kStopped));
    EXPECT_TRUE(h.engine.SetOutputSettings(s));
}

TEST_F(EngineStates, OutputSettingsRightAfterPlayAreRefusedWithoutHanging) {
    // The run has not posted its first state yet, but it is no longer stopped.
    SetAudioBackend("null");
    EngineHarness h;
    Watchdog dog;
    ASSERT_TRUE(h.engine.Open(Tone(dir, "p.wav", 2.0)));
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(h.engine.Play());
        bool changed = dog.Watch(5000, "SetOutputSettings right after Play", [&] {
            return ChangeOutput(h.engine, [i](OutputSettings& s) { s.bufferLenMs = 300 + i; });
        });
        EXPECT_FALSE(changed);
        EXPECT_TRUE(h.WaitForState(kPlaying));
        dog.Watch(5000, "Stop", [&] { h.engine.Stop(); });
        EXPECT_TRUE(h.WaitForState(kStopped));
    }
    EXPECT_TRUE(ChangeOutput(h.engine, [](OutputSettings& s) { s.bufferLenMs = 300; }));
}

TEST_F(EngineStates, AnOutputThatCannotOpenEndsTheRunWithFailure) {
    SetAudioBackend("wav-fast:/nonexistent-folder/x.wav");
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(Tone(dir, "g.wav", 0.2)));
    ASSERT_TRUE(h.engine.Play());
    intptr_t failed = 0;
    ASSERT_TRUE(h.WaitForState(kStopped, 5000, &failed));
    EXPECT_EQ(failed, 1);
}

TEST_F(EngineStates, NothingOpenAnswersNothing) {
    EngineHarness h;
    EXPECT_FALSE(h.engine.Play());
    EXPECT_FALSE(h.engine.Seek(0));
    EXPECT_FALSE(h.engine.SeekForward(1000));
    EXPECT_EQ(h.engine.GetDuration(), 0);
    EXPECT_EQ(h.engine.GetPosition(), 0);
    TagInfo tags{};
    EXPECT_FALSE(h.engine.GetTagInfo(tags));
    EXPECT_FALSE(h.engine.Open(WidePath(dir + "/missing.wav")));
    EXPECT_EQ(h.engine.GetSourceType(), kSourceNone);
    h.engine.Pause();
    h.engine.Stop();
    EXPECT_EQ(h.engine.GetState(), kStopped);
}

// Stop at random moments of start-up must never hang, and every run must end with state 0.
TEST_F(EngineStates, StopAtRandomMomentsOfStartUpNeverHangs) {
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(Tone(dir, "h.wav", 1.0, 44100, 2)));
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(h.engine.Play()) << "run " << i;
        int wait = static_cast<int>(rng() % 2000);
        std::this_thread::sleep_for(std::chrono::microseconds(wait));
        h.engine.Stop();
        EXPECT_EQ(h.engine.GetState(), kStopped) << "run " << i;
        EXPECT_TRUE(h.WaitForState(kStopped, 2000)) << "run " << i;
        h.queue.Remove(WM_ENGINE_STATE);
    }
}

}  // namespace
