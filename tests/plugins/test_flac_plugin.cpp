// The FLAC plug-in that ships with the player, against the reference decoder `flac -d`.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/engine_capture.h"
#include "support/engine_harness.h"
#include "support/test_support.h"
#include "support/wav_file.h"

using namespace vl;
using namespace vl::test;

namespace {

const char kLongComment[] = "A comment that is far longer than the sixty-three characters a tag slot holds";

struct Fixture {
    std::string flac;  // the file played
    PcmData expected;  // flac -d output brought to 16 bits the way the plug-in does
    int rate;
};

std::string g_dir;
Fixture g_16, g_24;

bool MakeFixture(const std::string& name, int rate, int bits, double seconds, Fixture& out) {
    const std::string base = g_dir + "/" + name;
    // A sweep with noise, so that every bit of the samples carries information.
    std::string cmd = "sox -q -n -r " + std::to_string(rate) + " -c 2 -b " + std::to_string(bits) + " " + base +
                      ".wav synth " + std::to_string(seconds) + " sine 100-3000 whitenoise vol 0.4 && "
                      "flac -s -f --tag='TITLE=Fl\xc3\xbcsse \xe2\x99\xab' --tag=artist=Someone --tag=ALBUM=First "
                      "--tag=ALBUM=Second --tag=DATE=1999-02-03 --tag=TRACKNUMBER=7/12 --tag=GENRE=Folk "
                      "--tag='COMMENT=" + std::string(kLongComment) + "' -o " + base + ".flac " + base + ".wav && "
                      "flac -s -d -f -o " + base + "-ref.wav " + base + ".flac";
    if (RunCommand(cmd) != 0) return false;
    PcmData ref;
    if (!ReadWav(base + "-ref.wav", ref) || ref.bits != bits) return false;
    out.flac = base + ".flac";
    out.rate = rate;
    out.expected.channels = ref.channels;
    out.expected.sampleRate = ref.sampleRate;
    out.expected.bits = 16;
    const size_t bytes = static_cast<size_t>(bits / 8);
    for (size_t i = 0; i + bytes <= ref.bytes.size(); i += bytes) {
        // The top 16 bits of each sample (arithmetic shift, as the plug-in delivers).
        out.expected.bytes.push_back(ref.bytes[i + bytes - 2]);
        out.expected.bytes.push_back(ref.bytes[i + bytes - 1]);
    }
    return true;
}

class FlacPlugin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_dir = TempDir();
        ASSERT_TRUE(MakeFixture("s16", 44100, 16, 3.0, g_16));
        ASSERT_TRUE(MakeFixture("s24", 48000, 24, 2.0, g_24));
    }
    void SetUp() override {
        setenv("VERSOLUNE_HOME", g_dir.c_str(), 1);
        setenv("VERSOLUNE_PLUGIN_PATH", BinaryDir().c_str(), 1);
    }
    void TearDown() override {
        SetAudioBackend("");
        setenv("VERSOLUNE_PLUGIN_PATH", "", 1);
    }
    // Plays the file from `seekMs` to the end through wav-fast; what was heard.
    PcmData Heard(const Fixture& f, int seekMs = 0) {
        CaptureOptions options;
        options.seekMs = seekMs ? seekMs : -1;
        options.beforePlay = [&](PlayerEngine& engine) {
            EXPECT_EQ(engine.GetSourceType(), kSourcePlugin);
            if (seekMs) {
                EXPECT_EQ(engine.GetPosition(), seekMs);
            }
        };
        CaptureResult r = PlayToPcm(f.flac, g_dir, options);
        EXPECT_TRUE(r.opened);
        if (seekMs) {
            EXPECT_TRUE(r.seeked);
        }
        EXPECT_TRUE(r.finished);
        EXPECT_FALSE(r.failed);
        EXPECT_TRUE(r.captured);
        return r.pcm;
    }
};

TEST_F(FlacPlugin, PcmMatchesTheReferenceDecoder) {
    for (const Fixture* f : {&g_16, &g_24}) {
        PcmData got = Heard(*f);
        EXPECT_EQ(got.bits, 16);
        EXPECT_EQ(got.channels, 2);
        EXPECT_EQ(got.sampleRate, f->rate);
        ASSERT_EQ(got.bytes.size(), f->expected.bytes.size()) << f->flac;
        EXPECT_TRUE(got.bytes == f->expected.bytes) << f->flac;
    }
}

TEST_F(FlacPlugin, SeekStartsAtTheTargetSample) {
    for (int ms : {1000, 2250}) {
        PcmData got = Heard(g_16, ms);
        const size_t from = static_cast<size_t>(g_16.rate) * ms / 1000 * 4;
        std::vector<uint8_t> tail(g_16.expected.bytes.begin() + static_cast<long>(from), g_16.expected.bytes.end());
        ASSERT_EQ(got.bytes.size(), tail.size()) << ms;
        EXPECT_TRUE(got.bytes == tail) << ms;
    }
    // At or past the end there is nothing to seek to.
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(WidePath(g_16.flac)));
    EXPECT_FALSE(h.engine.Seek(3000));
}

TEST_F(FlacPlugin, FormatDurationAndTags) {
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(WidePath(g_24.flac)));
    TrackInfo info;
    h.engine.GetTrackInfo(info);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sampleRate, 48000);
    EXPECT_EQ(info.duration, 2000);
    EXPECT_GT(info.bitrate, 0);
    ASSERT_TRUE(h.engine.Open(WidePath(g_16.flac)));
    EXPECT_EQ(h.engine.GetDuration(), 3000);

    TagInfo open{}, file{};
    ASSERT_TRUE(h.engine.GetTagInfo(open));
    ASSERT_TRUE(h.engine.ReadFileTags(WidePath(g_24.flac), file));
    for (const TagInfo* t : {&open, &file}) {
        EXPECT_EQ(std::wstring(t->title), L"Fl\u00fcsse \u266b");
        EXPECT_EQ(std::wstring(t->artist), L"Someone");  // key written in lower case
        EXPECT_EQ(std::wstring(t->album), L"Second");    // the later comment wins
        EXPECT_EQ(std::wstring(t->genre), L"Folk");
        EXPECT_EQ(std::wstring(t->comment), WidePath(std::string(kLongComment, 63)));
        EXPECT_EQ(t->year, 1999);
        EXPECT_EQ(t->track, 7);
    }
}

TEST_F(FlacPlugin, OtherAndDamagedFilesAreHandledSafely) {
    const std::string wav = g_dir + "/s16.wav";
    std::string flac = ReadFile(g_16.flac);
    WriteFile(g_dir + "/cut.flac", flac.substr(0, flac.size() / 2));
    WriteFile(g_dir + "/header.flac", flac.substr(0, 60));
    std::string noisy = flac;
    for (size_t i = 9000; i < noisy.size(); i += 997) noisy[i] = static_cast<char>(noisy[i] ^ 0x5A);
    WriteFile(g_dir + "/noisy.flac", noisy);
    WriteFile(g_dir + "/garbage.flac", "fLaC" + std::string(300, '\x7f'));

    EngineHarness h;
    // Not FLAC: left to the built-in inputs.
    ASSERT_TRUE(h.engine.Open(WidePath(wav)));
    EXPECT_EQ(h.engine.GetSourceType(), kSourceWav);
    TagInfo tags{};
    EXPECT_FALSE(h.engine.ReadFileTags(WidePath(wav), tags));
    EXPECT_FALSE(h.engine.Open(WidePath(g_dir + "/garbage.flac")));

    // Damaged FLAC opens and plays to an end without hanging.
    SetAudioBackend("null-fast");
    for (const char* name : {"cut.flac", "header.flac", "noisy.flac"}) {
        bool opened = h.engine.Open(WidePath(g_dir + "/" + name));
        if (std::string(name) != "header.flac") {
            EXPECT_TRUE(opened) << name;
        }
        if (!opened) continue;
        ASSERT_TRUE(h.engine.Play()) << name;
        EXPECT_TRUE(h.WaitForState(kStopped, 20000)) << name;
    }
}

TEST_F(FlacPlugin, TerminalPlayerFindsThePluginBesideIt) {
    std::string line = CaptureCommand("env -u VERSOLUNE_PLUGIN_PATH VERSOLUNE_HOME=" + g_dir + " " + BinaryDir() +
                                      "/versolune-play --info " + g_16.flac);
    EXPECT_NE(line.find("source=plugin"), std::string::npos) << line;
    EXPECT_NE(line.find("duration_ms=3000"), std::string::npos) << line;
}

}  // namespace
