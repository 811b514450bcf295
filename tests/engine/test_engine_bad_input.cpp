// Hostile MPEG input through the whole engine: the open fails or the run ends, never a crash
// or a hang.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <random>

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

std::string Fixture(const char* name) { return ReadFile(SourceDir() + "/tests/fixtures/" + name); }

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(rng());
    return s;
}

// An ID3v2 header declaring `size` bytes of tag (the size is stored 7 bits per byte).
std::string Id3v2Header(uint32_t size) {
    std::string h = "ID3";
    h += '\x03';
    h += '\0';
    h += '\0';
    for (int shift : {21, 14, 7, 0}) h += static_cast<char>((size >> shift) & 0x7F);
    return h;
}

// Frames of MPEG-1 Layer III with bitrate index 0 ("free format"), which the player refuses.
std::string FreeFormatFrames() {
    std::string s;
    for (int i = 0; i < 200; ++i) {
        s += std::string("\xFF\xFB\x00\x44", 4);
        s += std::string(413, '\x55');
    }
    return s;
}

struct Row {
    const char* name;
    std::string bytes;
    bool opens;
    bool plays;  // when it opens: the run ends normally and something reaches the device
};

TEST(EngineBadInput, EveryFileFailsToOpenOrEndsItsRun) {
    const std::string cbr = Fixture("cbr_44k_stereo.mp3");
    ASSERT_FALSE(cbr.empty());
    const Row rows[] = {
        {"empty.mp3", "", false, false},
        {"random.mp3", RandomBytes(100000, 1), false, false},
        {"truncated.mp3", cbr.substr(0, cbr.size() / 3), true, true},
        {"cut-mid-frame.mp3", cbr.substr(0, 5000), true, true},
        {"huge-id3v2.mp3", Id3v2Header(2000000) + std::string(2000000, '\0') + cbr, true, true},
        {"id3v2-past-the-end.mp3", Id3v2Header(0x0FFFFFFF) + cbr, true, true},
        {"free-format.mp3", FreeFormatFrames(), false, false},
        {"garbage-after-sync.mp3", cbr.substr(0, 4000) + RandomBytes(200000, 2), true, true},
    };
    const std::string dir = TempDir();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = dir + "/" + row.name;
        const std::string out = dir + "/" + row.name + ".wav";
        ASSERT_TRUE(WriteFile(path, row.bytes));
        SetAudioBackend("wav-fast:" + out);
        EngineHarness h;
        bool opened = h.engine.Open(WidePath(path));
        EXPECT_EQ(opened, row.opens);
        if (!opened) {
            EXPECT_EQ(h.engine.GetSourceType(), kSourceNone);
            continue;
        }
        ASSERT_TRUE(h.engine.Play());
        intptr_t failed = -1;
        ASSERT_TRUE(h.WaitForState(kStopped, 30000, &failed));
        h.engine.Close();
        if (row.plays) {
            EXPECT_EQ(failed, 0);
            PcmData pcm;
            EXPECT_TRUE(ReadWav(out, pcm));
            EXPECT_GT(pcm.Frames(), 1152u);
        }
    }
    SetAudioBackend("");
}

TEST(EngineBadInput, AFileDeletedWhilePlayingPlaysToItsEnd) {
    const std::string dir = TempDir();
    const std::string path = dir + "/gone.mp3";
    ASSERT_TRUE(WriteFile(path, Fixture("cbr_44k_stereo.mp3")));
    SetAudioBackend("null");
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(WidePath(path)));
    ASSERT_TRUE(h.engine.Play());
    ASSERT_TRUE(h.WaitForState(kPlaying));
    ASSERT_EQ(unlink(path.c_str()), 0);
    intptr_t failed = -1;
    ASSERT_TRUE(h.WaitForState(kStopped, 30000, &failed));
    EXPECT_EQ(failed, 0);
    // The source stays open: it plays again from the start.
    EXPECT_TRUE(h.engine.Play());
    h.engine.Stop();
    SetAudioBackend("");
}

TEST(EngineBadInput, OnlyRegularFilesAreOpened) {
    // Reading a FIFO waits for a writer, a device may never end: neither is opened as audio.
    const std::string dir = TempDir();
    const std::string fifo = dir + "/pipe.mp3";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(mkdir((dir + "/folder.mp3").c_str(), 0700), 0);
    EngineHarness h;
    Watchdog dog;
    for (const std::string& path : {fifo, dir + "/folder.mp3", std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        TagInfo tags{};
        dog.Watch(5000, "ReadFileTags of " + path, [&] { EXPECT_FALSE(h.engine.ReadFileTags(WidePath(path), tags)); });
        dog.Watch(5000, "Open of " + path, [&] { EXPECT_FALSE(h.engine.Open(WidePath(path))); });
        EXPECT_EQ(h.engine.GetSourceType(), kSourceNone);
    }
}

}  // namespace
