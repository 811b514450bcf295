// MPEG files played through the engine to a WAV file match a reference decoder.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "engine/player_engine.h"
#include "platform/message_sink.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/audio_compare.h"
#include "support/test_support.h"

namespace vl {
namespace {

using namespace std::string_literals;

std::string Fixture(const std::string& name) { return test::SourceDir() + "/tests/fixtures/" + name; }

struct Played {
    bool opened = false;
    bool sought = false;
    bool ended = false;
    intptr_t failed = -1;
    int duration = 0;
    TrackInfo info;
    test::PcmData pcm;
};

Played Play(const std::string& path, bool scan = false, int seekMs = -1) {
    Played r;
    static std::string home = [] {
        std::string dir = test::TempDir();
        setenv("VERSOLUNE_HOME", dir.c_str(), 1);
        return dir;
    }();
    static int runs = 0;
    std::string out = home + "/played" + std::to_string(++runs) + ".wav";
    SetAudioBackend("wav-fast:" + out);
    MessageQueue queue;
    {
        PlayerEngine engine;
        engine.SetNotifyWindow(&queue);
        OutputSettings settings;
        engine.GetOutputSettings(settings);
        settings.scanCompletely = scan ? 1 : 0;
        engine.SetOutputSettings(settings);
        r.opened = engine.Open(WidePath(path));
        if (!r.opened) return r;
        r.duration = engine.GetDuration();
        engine.GetTrackInfo(r.info);
        // A refused seek plays from where the engine was.
        if (seekMs >= 0) r.sought = engine.Seek(seekMs);
        if (!engine.Play()) return r;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        Message m;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!queue.Get(m, 500)) continue;
            if (m.message == WM_ENGINE_STATE && m.wParam == kStopped) {
                r.ended = true;
                r.failed = m.lParam;
                break;
            }
        }
        engine.Close();
    }
    test::ReadWav(out, r.pcm);
    return r;
}

struct Row {
    const char* file;
    const char* reference;  // decoded by the reference decoder
    int durationSlackFrames;  // the estimate counts tag bytes (or the VBR tag frame) as frames
};

class MpegPlayback : public testing::TestWithParam<Row> {};

TEST_P(MpegPlayback, MatchesTheReferenceDecoder) {
    const Row row = GetParam();
    test::PcmData ref;
    ASSERT_TRUE(test::ReferenceDecode(Fixture(row.reference), ref));
    Played p = Play(Fixture(row.file));
    ASSERT_TRUE(p.opened);
    ASSERT_TRUE(p.ended);
    EXPECT_EQ(p.failed, 0);
    EXPECT_EQ(p.pcm.channels, ref.channels);
    EXPECT_EQ(p.pcm.sampleRate, ref.sampleRate);
    EXPECT_EQ(p.info.channels, ref.channels);
    EXPECT_EQ(p.info.sampleRate, ref.sampleRate);
    const int spf = p.info.layer == 1 ? 384 : (p.info.layer == 3 && p.info.version != 1) ? 576 : 1152;
    // The reference leaves out the VBR tag frame, which plays as silence here.
    test::Alignment a = test::Align(ref, p.pcm, 3 * spf);
    EXPECT_GT(a.snrDb, 80.0) << "offset " << a.offset;
    EXPECT_LE(a.offset, 0);
    // Every frame is played, the last one included.
    EXPECT_EQ(long(p.pcm.Frames()), long(ref.Frames()) - a.offset);
    double playedMs = p.pcm.Frames() * 1000.0 / p.pcm.sampleRate;
    EXPECT_NEAR(p.duration, playedMs, (row.durationSlackFrames + 1) * spf * 1000.0 / ref.sampleRate);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MpegPlayback,
                         testing::Values(Row{"cbr_44k_stereo.mp3", "cbr_44k_stereo.mp3", 0},
                                         Row{"vbr_xing.mp3", "vbr_xing.mp3", 1},
                                         Row{"mpeg2_22k.mp3", "mpeg2_22k.mp3", 0},
                                         Row{"mpeg25_11k.mp3", "mpeg25_11k.mp3", 0},
                                         Row{"mpeg25_8k_mono.mp3", "mpeg25_8k_mono.mp3", 0},
                                         Row{"mono_44k.mp3", "mono_44k.mp3", 0},
                                         Row{"layer2.mp2", "layer2.mp2", 0},
                                         Row{"id3v2.mp3", "id3v2.mp3", 6},
                                         Row{"id3v1.mp3", "id3v1.mp3", 1},
                                         Row{"riff_wave_mp3.wav", "cbr_44k_stereo.mp3", 1}),
                         [](const testing::TestParamInfo<Row>& info) {
                             std::string name = info.param.file;
                             for (char& c : name) if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Bytes that look like cover art: noise in which false frame syncs occur.
std::string Noise(size_t n, uint32_t seed) {
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245 + 12345;
        out += char(seed >> 16);
    }
    return out;
}

std::string Id3v2(size_t bodyBytes) {
    std::string tag = "ID3\x03\x00\x00"s;
    for (int shift : {21, 14, 7, 0}) tag += char((bodyBytes >> shift) & 0x7F);
    return tag + Noise(bodyBytes, 99);
}

std::string ApeTag() {
    std::string items = Noise(200, 7);
    std::string footer = "APETAGEX"s + std::string("\xD0\x07\x00\x00", 4);
    uint32_t size = static_cast<uint32_t>(items.size() + 32);
    for (int i = 0; i < 4; ++i) footer += char((size >> (8 * i)) & 0xFF);
    footer += std::string(4, '\x01') + std::string(4, '\0') + std::string(8, '\0');
    return items + footer;
}

TEST(MpegPlaybackSeek, StartsAtTheSoughtFrameWithEstimateAndScan) {
    test::PcmData ref;
    ASSERT_TRUE(test::ReferenceDecode(Fixture("cbr_44k_stereo.mp3"), ref));
    const std::string audio = test::ReadFile(Fixture("cbr_44k_stereo.mp3"));
    const int plainMs = Play(Fixture("cbr_44k_stereo.mp3")).duration;
    ASSERT_GT(plainMs, 1500);
    struct Row {
        const char* name;
        std::string bytes;
    } rows[] = {
        {"plain", audio},
        // Tags are not audio: neither the length nor a seek offset may count them.
        {"100 KB ID3v2 tag, APE and ID3v1 tags at the end",
         Id3v2(100000) + audio + ApeTag() + "TAG" + std::string(125, ' ')},
    };
    for (const Row& row : rows) {
        std::string path = test::TempDir() + "/seek.mp3";
        ASSERT_TRUE(test::WriteFile(path, row.bytes));
        for (bool scan : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (scan ? ", scan" : ", estimate"));
            Played p = Play(path, scan, 1000);
            ASSERT_TRUE(p.sought);
            ASSERT_TRUE(p.ended);
            EXPECT_EQ(p.failed, 0);
            EXPECT_NEAR(p.duration, plainMs, 30);
            // Decoding resumes within two frames of the target (the first frames after a jump
            // have no bit reservoir and are skipped).
            test::Alignment a = test::Align(ref, p.pcm, 3 * 1152, 44100);
            EXPECT_GE(a.offset, 44100 - 2 * 1152);
            EXPECT_LE(a.offset, 44100 + 2 * 1152);
            EXPECT_GT(test::SnrDb(ref, p.pcm, a.offset, a.offset + 1152), 80.0);
            EXPECT_EQ(long(p.pcm.Frames()), long(ref.Frames()) - a.offset);
        }
    }
}

TEST(MpegPlaybackSeek, ARefusedSeekLeavesPlaybackWhereItWas) {
    // Junk after the audio lengthens the estimate; a seek into it finds no frame.
    test::PcmData ref;
    ASSERT_TRUE(test::ReferenceDecode(Fixture("cbr_44k_stereo.mp3"), ref));
    std::string path = test::TempDir() + "/junk_after.mp3";
    ASSERT_TRUE(test::WriteFile(path, test::ReadFile(Fixture("cbr_44k_stereo.mp3")) + std::string(200000, '\0')));
    Played p = Play(path, false, 6000);
    ASSERT_TRUE(p.opened);
    EXPECT_GT(p.duration, 6000);
    EXPECT_FALSE(p.sought);
    ASSERT_TRUE(p.ended);
    EXPECT_EQ(p.failed, 0);
    test::Alignment a = test::Align(ref, p.pcm, 3 * 1152, 0);
    EXPECT_EQ(a.offset, 0);
    EXPECT_EQ(p.pcm.Frames(), ref.Frames());
}

TEST(MpegPlaybackHostile, GarbageAfterAHeaderPairEndsQuietly) {
    // Two good frame headers open the file; the rest is noise the decoder has to skip.
    std::string bytes;
    std::string frame(417, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    bytes = frame + frame;
    uint32_t x = 12345;
    for (int i = 0; i < 60000; ++i) {
        x = x * 1103515245 + 12345;
        bytes += char(x >> 16);
    }
    std::string path = test::TempDir() + "/noise.mp3";
    test::WriteFile(path, bytes);
    Played p = Play(path);
    ASSERT_TRUE(p.opened);
    EXPECT_TRUE(p.ended);
    EXPECT_EQ(p.failed, 0);
}

}  // namespace
}  // namespace vl
