// Internet radio through the engine, against the local radio server on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/clock.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/audio_compare.h"
#include "support/engine_harness.h"
#include "support/icy_server.h"
#include "support/ogg_fixtures.h"
#include "support/test_support.h"
#include "support/wav_file.h"

using namespace vl;
using namespace vl::test;

namespace {

std::string Demo() { return SourceDir() + "/demo/demo.mp3"; }

class StreamPlayback : public ::testing::Test {
protected:
    void SetUp() override { dir = TempDir(); }
    void TearDown() override { SetAudioBackend(""); }
    std::string dir;
};

// Plays a stream that ends (the server closes) into a WAV file; the captured PCM.
PcmData PlayStream(EngineHarness& h, const std::wstring& url, const std::string& out, intptr_t* failed) {
    SetAudioBackend("wav-fast:" + out);
    EXPECT_TRUE(h.engine.OpenStream(url));
    EXPECT_EQ(h.engine.GetStreamState(), kStreamIdle);
    EXPECT_TRUE(h.engine.Play());
    EXPECT_TRUE(h.WaitForState(kStopped, 20000, failed));
    h.engine.Close();
    PcmData pcm;
    ReadWav(out, pcm);
    return pcm;
}

TEST_F(StreamPlayback, MpegStreamPlaysLikeTheFileAndAnnouncesTitles) {
    IcyServer server({"--metaint", "8000", "--title", "Artist - Song", "--name", "Test Radio",
                      "--genre", "Folk", "--url", "http://radio.invalid/", "--close-after", "150000"},
                     Demo());
    ASSERT_TRUE(server.Started());
    EngineHarness h;
    intptr_t failed = -1;
    PcmData got = PlayStream(h, server.WideUrl("/live"), dir + "/stream.wav", &failed);
    EXPECT_EQ(failed, 0);  // a station that ends plays out what it buffered
    // Everything received plays, from the first byte (which also identified the format) to
    // the last: the same as the file cut where the server closed.
    const std::string received = dir + "/received.mp3";
    ASSERT_TRUE(WriteFile(received, ReadFile(Demo()).substr(0, 150000)));
    PcmData ref;
    ASSERT_TRUE(ReferenceDecode(received, ref));
    ASSERT_GT(got.Frames(), 44100u * 9);
    Alignment a = Align(ref, got, 44100, 0);
    EXPECT_LE(std::abs(a.offset), 1152);  // the reference may skip the encoder's info frame
    EXPECT_GT(a.snrDb, 60.0) << "offset " << a.offset;
    EXPECT_NEAR(double(got.Frames()), double(ref.Frames()), 1152.0);

    bool sawTitle = false;
    for (const auto& m : h.seen) sawTitle |= m.message == WM_ENGINE_TITLE;
    EXPECT_TRUE(sawTitle);
}

TEST_F(StreamPlayback, ChainedOggStreamPlaysToItsLastByteAndStopsAtAFormatChange) {
    struct Row {
        const char* name;
        std::vector<OggLink> links;
        size_t playedLinks;
    } rows[] = {
        {"same format: the last link, received whole before the close, plays", {{44100, 2, 3.0}, {44100, 2, 2.0}}, 2},
        {"mono 22 kHz, then stereo 44 kHz: the run ends at the change", {{22050, 1, 2.0}, {44100, 2, 2.0}}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<PcmData> refs;
        std::string ogg = MakeChainedOgg(dir, "chain" + std::to_string(row.playedLinks) + ".ogg", row.links, &refs);
        ASSERT_FALSE(ogg.empty());
        IcyServer server({"--metaint", "0", "--close-after", std::to_string(ReadFile(ogg).size())}, ogg);
        ASSERT_TRUE(server.Started());
        EngineHarness h;
        intptr_t failed = -1;
        PcmData got = PlayStream(h, server.WideUrl("/"), dir + "/chain" + std::to_string(row.playedLinks) + ".wav", &failed);
        EXPECT_EQ(failed, 0);
        EXPECT_EQ(got.channels, row.links[0].channels);
        EXPECT_EQ(got.sampleRate, row.links[0].sampleRate);
        size_t frames = 0;
        for (size_t i = 0; i < row.playedLinks; ++i) frames += refs[i].Frames();
        EXPECT_EQ(got.Frames(), frames);
    }
}

TEST_F(StreamPlayback, StationTextsAndTitleWhilePlaying) {
    IcyServer server({"--metaint", "4000", "--title", "Artist - Song", "--name", "Test Radio",
                      "--genre", "Folk", "--pace", "1"},
                     Demo());
    ASSERT_TRUE(server.Started());
    SetAudioBackend("null-fast");
    EngineHarness h;
    ASSERT_TRUE(h.engine.OpenStream(server.WideUrl("/")));
    ASSERT_TRUE(h.engine.Play());
    ASSERT_TRUE(h.WaitForState(kPlaying, 10000));
    EXPECT_EQ(h.engine.GetStreamState(), kStreamReceiving);
    std::wstring name, genre, title;
    EXPECT_TRUE(h.engine.GetStreamInfo(&name, &genre, nullptr));
    EXPECT_EQ(name, L"Test Radio");
    EXPECT_EQ(genre, L"Folk");
    for (int i = 0; i < 100 && !h.engine.GetStreamTitle(title); ++i) Sleep(50);
    EXPECT_EQ(title, L"Artist - Song");
    // Streams cannot be paused or sought.
    h.engine.Pause();
    EXPECT_EQ(h.engine.GetState(), kPlaying);
    EXPECT_FALSE(h.engine.Seek(0));
    uint32_t t0 = GetTickCount();
    h.engine.Stop();
    EXPECT_LT(GetTickCount() - t0, 500u);
    EXPECT_TRUE(h.WaitForState(kStopped, 2000));
}

TEST_F(StreamPlayback, OggStreamPlaysAndItsCommentsBecomeTheTitle) {
    std::string ogg = MakeOggFile(dir, "song.ogg", 44100, 2, 6.0, {"TITLE=Morning Bells", "ARTIST=The Round"});
    ASSERT_FALSE(ogg.empty());
    IcyServer server({"--metaint", "0", "--close-after", "60000"}, ogg);
    ASSERT_TRUE(server.Started());
    std::string out = dir + "/ogg.wav";
    SetAudioBackend("wav-fast:" + out);
    EngineHarness h;
    ASSERT_TRUE(h.engine.OpenStream(server.WideUrl("/")));
    ASSERT_TRUE(h.engine.Play());
    // The title text lives in the engine only while the run lasts: copy it as it arrives.
    std::wstring title;
    intptr_t failed = -1;
    for (uint32_t start = GetTickCount(); GetTickCount() - start < 20000;) {
        Message m;
        if (!h.queue.Get(m, 100)) continue;
        if (m.message == WM_ENGINE_TITLE) title = reinterpret_cast<const wchar_t*>(m.wParam);
        if (m.message == WM_ENGINE_STATE && m.wParam == kStopped) {
            failed = m.lParam;
            break;
        }
    }
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(title, L"The Round - Morning Bells");
    h.engine.Close();
    PcmData got, ref;
    ASSERT_TRUE(ReadWav(out, got));
    ASSERT_TRUE(DecodeOggReference(ogg, ref));
    ASSERT_GT(got.Frames(), 44100u);
    Alignment a = Align(ref, got, 4096, 0);
    EXPECT_GT(a.snrDb, 60.0) << "offset " << a.offset;
}

// Plays in real time with a small stream prebuffer, so that a two-second stall empties the
// output quickly.
void OpenStalling(EngineHarness& h, const IcyServer& server) {
    SetAudioBackend("null");
    StreamSettings settings;
    h.engine.GetStreamSettings(settings);
    settings.prebufferBlocks = 4;
    ASSERT_TRUE(h.engine.SetStreamSettings(settings));
    ASSERT_TRUE(h.engine.OpenStream(server.WideUrl("/")));
    ASSERT_TRUE(h.engine.Play());
}

TEST_F(StreamPlayback, StallReconnectsWithStationHeaders) {
    // The server stalls after 20 000 bytes (two seconds) on every connection: played in real
    // time, the output runs dry, the engine reconnects (play state 3 again) and goes on.
    IcyServer server({"--stall-after", "20000", "--stall", "30", "--name", "Stalling"}, Demo());
    ASSERT_TRUE(server.Started());
    EngineHarness h;
    OpenStalling(h, server);
    ASSERT_TRUE(h.WaitForState(kPlaying, 10000));
    ASSERT_TRUE(h.WaitForState(kStarting, 15000));  // the reconnect
    ASSERT_TRUE(h.WaitForState(kPlaying, 15000));   // and the old state afterwards
    EXPECT_EQ(h.engine.GetStreamState(), kStreamReceiving);
    uint32_t t0 = GetTickCount();
    h.engine.Stop();
    EXPECT_LT(GetTickCount() - t0, 500u);
    EXPECT_TRUE(h.WaitForState(kStopped, 2000));
    EXPECT_EQ(h.StateTrail().substr(0, 7), "3,1,3,1");
}

TEST_F(StreamPlayback, StallWithoutStationHeadersDrainsAndEnds) {
    IcyServer server({"--stall-after", "20000", "--stall", "30", "--station", "none"}, Demo());
    ASSERT_TRUE(server.Started());
    EngineHarness h;
    OpenStalling(h, server);
    intptr_t failed = -1;
    ASSERT_TRUE(h.WaitForState(kStopped, 20000, &failed));
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(h.StateTrail(), "3,1,0");
}

TEST_F(StreamPlayback, AStreamThatStopsComingNeverHangsAFullPrebuffer) {
    // The output waits for 100 % of a five-second ring before it plays: a stream that stalls
    // or ends before that must still play what came, then reconnect or end.
    struct Row {
        std::vector<std::string> options;
        int nextState;
        const char* trail;
    } rows[] = {
        {{"--stall-after", "40000", "--stall", "60"}, kStarting, "3,1,3"},
        {{"--close-after", "12000"}, kStopped, "3,1,0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trail);
        IcyServer server(row.options, Demo());
        ASSERT_TRUE(server.Started());
        SetAudioBackend("null");
        EngineHarness h;
        OutputSettings settings;
        h.engine.GetOutputSettings(settings);
        settings.bufferLenMs = 5000;
        settings.prebufferPercent = 100;
        ASSERT_TRUE(h.engine.SetOutputSettings(settings));
        ASSERT_TRUE(h.engine.OpenStream(server.WideUrl("/")));
        ASSERT_TRUE(h.engine.Play());
        ASSERT_TRUE(h.WaitForState(kPlaying, 10000));
        intptr_t failed = -1;
        EXPECT_TRUE(h.WaitForState(row.nextState, 30000, &failed));
        EXPECT_EQ(h.StateTrail().substr(0, 5), row.trail);
        if (row.nextState == kStopped) {
            EXPECT_EQ(failed, 0);
        }
        h.engine.Stop();
    }
}

TEST_F(StreamPlayback, FailuresEndTheRunWithFailure) {
    IcyServer server({}, Demo());
    ASSERT_TRUE(server.Started());
    SetAudioBackend("null-fast");
    struct Row {
        const char* path;
        const char* why;
    } rows[] = {
        {"/?status=404", "not found"},
        {"/?close-after=100", "too short to recognise"},
    };
    for (const auto& row : rows) {
        EngineHarness h;
        ASSERT_TRUE(h.engine.OpenStream(server.WideUrl(row.path))) << row.why;
        ASSERT_TRUE(h.engine.Play());
        intptr_t failed = 0;
        ASSERT_TRUE(h.WaitForState(kStopped, 10000, &failed)) << row.why;
        EXPECT_EQ(failed, 1) << row.why;
        EXPECT_EQ(h.engine.GetStreamState(), kStreamIdle) << row.why;
    }
    EngineHarness h;
    EXPECT_FALSE(h.engine.OpenStream(L"ftp://127.0.0.1/x"));
    EXPECT_EQ(h.engine.GetSourceType(), kSourceNone);
}

TEST_F(StreamPlayback, StopDuringConnectAndHeadReturnsPromptly) {
    IcyServer server({"--trickle-ms", "400"}, Demo());
    ASSERT_TRUE(server.Started());
    SetAudioBackend("null-fast");
    EngineHarness h;
    ASSERT_TRUE(h.engine.OpenStream(server.WideUrl("/")));
    ASSERT_TRUE(h.engine.Play());
    ASSERT_TRUE(h.WaitForState(kStarting, 2000));
    Sleep(300);  // inside the slow head
    uint32_t t0 = GetTickCount();
    h.engine.Stop();
    EXPECT_LT(GetTickCount() - t0, 500u);
    EXPECT_EQ(h.engine.GetState(), kStopped);
}

TEST_F(StreamPlayback, StopAtAnyMomentAfterPlayReturnsPromptly) {
    // The server reads the request and never answers; the stop may come before the decode
    // thread has even begun to connect.
    IcyServer server({}, Demo());
    ASSERT_TRUE(server.Started());
    SetAudioBackend("null-fast");
    EngineHarness h;
    for (int delayMs : {0, 1, 2, 5, 50}) {
        SCOPED_TRACE(delayMs);
        ASSERT_TRUE(h.engine.OpenStream(server.WideUrl("/?silent=1")));
        ASSERT_TRUE(h.engine.Play());
        if (delayMs) Sleep(static_cast<uint32_t>(delayMs));
        uint32_t t0 = GetTickCount();
        h.engine.Stop();
        EXPECT_LT(GetTickCount() - t0, 500u);
        EXPECT_EQ(h.engine.GetState(), kStopped);
    }
    // The stop request ends with the run: the next one connects.
    ASSERT_TRUE(h.engine.OpenStream(server.WideUrl("/")));
    ASSERT_TRUE(h.engine.Play());
    EXPECT_TRUE(h.WaitForState(kPlaying, 10000));
    h.engine.Stop();
}

}  // namespace
