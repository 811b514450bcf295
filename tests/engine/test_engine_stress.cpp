// Random engine calls from the user-interface side while a second thread keeps asking for
// information, as the window's timers and desktop callers do: no call may hang, and the
// engine's answers stay consistent. VERSOLUNE_STRESS_CALLS sets the number of calls (the suite
// runs a short form; a long one is meant for the thread sanitizer build).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/engine_harness.h"
#include "support/ogg_fixtures.h"
#include "support/test_support.h"
#include "support/watchdog.h"
#include "support/wav_file.h"

using namespace vl;
using namespace vl::test;

namespace {

constexpr uint32_t kCallLimitMs = 5000;

int CallCount() {
    const char* env = std::getenv("VERSOLUNE_STRESS_CALLS");
    int n = env ? std::atoi(env) : 0;
    return n > 0 ? n : 400;
}

TEST(EngineStress, RandomCallsNeverHangAndKeepTheStateConsistent) {
    const std::string dir = TempDir();
    std::vector<std::wstring> files;
    ASSERT_TRUE(WriteWav(dir + "/tone.wav", MakeTone(44100, 2, 1.0)));
    files.push_back(WidePath(dir + "/tone.wav"));
    files.push_back(WidePath(SourceDir() + "/tests/fixtures/cbr_44k_stereo.mp3"));
    ASSERT_EQ(RunCommand("sox -q -n -r 22050 -c 1 -e ima-adpcm '" + dir + "/adpcm.wav' synth 1.5 sine 440"), 0);
    files.push_back(WidePath(dir + "/adpcm.wav"));
    std::string ogg = MakeOggFile(dir, "song.ogg", 22050, 2, 1.0);
    ASSERT_FALSE(ogg.empty());
    files.push_back(WidePath(ogg));

    SetAudioBackend("null-fast");
    EngineHarness h;
    Watchdog dog;
    std::atomic<bool> done{false};
    // The second caller: information, effects and the equalizer, all the time.
    std::thread asker([&] {
        std::mt19937 rng(11);
        while (!done) {
            TagInfo tags{};
            TrackInfo info{};
            uint32_t a, b, c, d;
            switch (rng() % 8) {
                case 0: h.engine.GetTagInfo(tags); break;
                case 1: h.engine.GetTrackInfo(info); break;
                case 2: h.engine.GetDuration(); break;
                case 3: h.engine.GetPosition(); break;
                case 4: h.engine.GetBufferInfo(a, b, c, d); break;
                case 5: {
                    EffectParams p{static_cast<int32_t>(rng() % 2), static_cast<int32_t>(rng() % 500),
                                   static_cast<int32_t>(rng() % 101)};
                    h.engine.SetEffect(static_cast<int>(rng() % 4), p);
                    break;
                }
                case 6: {
                    EqualizerParams eq{};
                    eq.enable = 1;
                    eq.preamp = static_cast<int32_t>(rng() % 65);
                    for (auto& level : eq.band) level = static_cast<int32_t>(rng() % 65);
                    h.engine.SetEqualizer(eq);
                    break;
                }
                default: h.engine.SetBassBoost(static_cast<int>(rng() % 21)); break;
            }
            h.queue.Remove(WM_ENGINE_PEAKS);
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % 500));
        }
    });

    std::mt19937 rng(5);
    const int calls = CallCount();
    for (int i = 0; i < calls; ++i) {
        const int op = static_cast<int>(rng() % 12);
        SCOPED_TRACE(testing::Message() << "call " << i << ", operation " << op);
        dog.Arm(kCallLimitMs, "operation " + std::to_string(op) + " of call " + std::to_string(i));
        switch (op) {
            case 0: h.engine.Open(files[rng() % files.size()]); break;
            case 1:
            case 2: h.engine.Play(); break;
            case 3: h.engine.Stop(); break;
            case 4: {
                h.engine.Pause();
                if (h.engine.GetState() == kPaused) {
                    // Paused means silent: the device must not go on playing.
                    int before = h.engine.GetPosition();
                    Sleep(5);
                    EXPECT_EQ(h.engine.GetPosition(), before);
                }
                break;
            }
            case 5:
            case 6: h.engine.Seek(static_cast<int>(rng() % 2000)); break;
            case 7: {
                OutputSettings s;
                h.engine.GetOutputSettings(s);
                s.bufferLenMs = 100 + static_cast<int>(rng() % 900);
                s.alwaysOpenDev = static_cast<int>(rng() % 2);
                s.fade = static_cast<int>(rng() % 2);
                s.suppressZeroSamples = static_cast<int>(rng() % 2);
                h.engine.SetOutputSettings(s);
                break;
            }
            case 8: h.engine.Close(); break;
            case 9: h.engine.SeekForward(static_cast<int>(rng() % 500)); break;
            case 10: h.engine.GetPosition(); break;
            default: std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000)); break;
        }
        dog.Disarm();
        const int state = h.engine.GetState();
        EXPECT_TRUE(state >= kStopped && state <= kStarting);
        if (h.engine.GetSourceType() == kSourceNone) {
            EXPECT_EQ(h.engine.GetDuration(), 0);
        }
        h.queue.Remove(WM_ENGINE_PEAKS);
        h.queue.Remove(WM_ENGINE_STATE);
    }
    done = true;
    asker.join();
    dog.Watch(kCallLimitMs, "the last Stop", [&] { h.engine.Stop(); });
    EXPECT_EQ(h.engine.GetState(), kStopped);
    SetAudioBackend("");
}

}  // namespace
