// The push decoder for Ogg Vorbis streams, fed in 4096-byte pieces as a network stream is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/input/ogg_stream_decoder.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/engine_harness.h"
#include "support/ogg_fixtures.h"
#include "support/test_support.h"
#include "support/wav_file.h"

using namespace vl;
using namespace vl::test;

namespace {

struct StreamRun {
    bool started = false;
    int lastResult = 0;
    std::vector<uint8_t> pcm;
    // (PCM bytes before the call, TITLE after it) for every Decode call
    std::vector<std::pair<size_t, std::wstring>> titles;
    OggStreamInfo info;
};

// Feeds `bytes` (from `from`) in pieces of what the decoder wants, until they run out or it fails.
StreamRun FeedStream(const std::string& bytes, uint32_t outBytes, size_t from = 0) {
    StreamRun run;
    OggStreamDecoder* d = OggStreamDecoder::Create();
    EXPECT_NE(d, nullptr);
    if (!d) return run;
    size_t pos = from;
    auto supply = [&] {
        size_t n = std::min<size_t>(static_cast<size_t>(d->Wanted()), bytes.size() - pos);
        std::memcpy(d->InputWindow(), bytes.data() + pos, n);
        pos += n;
        return static_cast<int>(n);
    };
    run.started = d->Start(supply());
    std::vector<uint8_t> out(outBytes);
    while (run.started) {
        int supplied = 0;
        if (d->Wanted() > 0) {
            if (pos >= bytes.size()) break;
            supplied = supply();
        }
        uint32_t written = 0;
        const size_t before = run.pcm.size();
        run.lastResult = d->Decode(out.data(), outBytes, written, supplied);
        EXPECT_LE(written, outBytes);
        run.pcm.insert(run.pcm.end(), out.begin(), out.begin() + std::min(written, outBytes));
        OggComments slots;
        d->GetComments(slots);
        run.titles.emplace_back(before, slots.slot[kOggTitle]);
        // A stream's state is cleared when it ends: take its format while it runs.
        if (written > 0 && run.info.channels == 0) d->GetInfo(run.info);
        if (run.lastResult == OggStreamDecoder::kError) break;
    }
    OggStreamDecoder::Destroy(d);
    return run;
}

class OggStream : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = TempDir();
        first = MakeOggFile(dir, "first.ogg", 44100, 2, 2.0, {"TITLE=First", "ARTIST=One"});
        second = MakeOggFile(dir, "second.ogg", 44100, 2, 3.0, {"TITLE=Second"});
        ASSERT_FALSE(first.empty());
        ASSERT_FALSE(second.empty());
        ASSERT_TRUE(DecodeOggReference(first, firstRef));
        ASSERT_TRUE(DecodeOggReference(second, secondRef));
        chained = ReadFile(first) + ReadFile(second);
        ASSERT_TRUE(WriteFile(dir + "/chained.ogg", chained));
        // The same chain through the file input.
        const std::string out = dir + "/chained.out.wav";
        SetAudioBackend("wav-fast:" + out);
        {
            EngineHarness h;
            ASSERT_TRUE(h.engine.Open(WidePath(dir + "/chained.ogg")));
            ASSERT_TRUE(h.engine.Play());
            ASSERT_TRUE(h.WaitForState(kStopped, 60000));
        }
        SetAudioBackend("");
        ASSERT_TRUE(ReadWav(out, fileDecode));
    }
    static std::string dir, first, second, chained;
    static PcmData firstRef, secondRef, fileDecode;
};
std::string OggStream::dir, OggStream::first, OggStream::second, OggStream::chained;
PcmData OggStream::firstRef, OggStream::secondRef, OggStream::fileDecode;

TEST_F(OggStream, ChainedStreamMatchesTheFileDecodeAndSwitchesComments) {
    ASSERT_EQ(fileDecode.Frames(), firstRef.Frames() + secondRef.Frames());
    // An output smaller than one decoded block is filled in parts.
    for (uint32_t outBytes : {4608u, 1000u, 65536u}) {
        SCOPED_TRACE(outBytes);
        StreamRun run = FeedStream(chained, outBytes);
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.lastResult, OggStreamDecoder::kNeedInput);
        EXPECT_EQ(run.info.channels, 2);
        EXPECT_EQ(run.info.rate, 44100);
        EXPECT_GT(run.info.bitrateNominal, 0);
        ASSERT_EQ(run.pcm.size(), fileDecode.bytes.size());
        EXPECT_TRUE(run.pcm == fileDecode.bytes);

        // Every call's output belongs to the stream whose comments follow it: the title
        // changes exactly where the first stream's samples end.
        const size_t boundary = firstRef.bytes.size();
        size_t firstSecond = run.pcm.size();
        for (const auto& [at, title] : run.titles)
            if (title == L"Second") {
                firstSecond = at;
                break;
            }
        EXPECT_EQ(firstSecond, boundary);
        for (const auto& [at, title] : run.titles) {
            if (title.empty()) continue;  // between two streams
            EXPECT_EQ(title, at < boundary ? L"First" : L"Second") << at;
        }
        EXPECT_EQ(run.titles.front().second, L"First");
    }
}

TEST_F(OggStream, JoinsAfterBytesThatAreNotAStream) {
    // A first piece that is no Ogg page is refused; the stream's real start is then taken.
    std::string noise(4096, '\x7E');
    OggStreamDecoder* d = OggStreamDecoder::Create();
    ASSERT_NE(d, nullptr);
    std::memcpy(d->InputWindow(), noise.data(), noise.size());
    EXPECT_FALSE(d->Start(4096));
    ASSERT_EQ(d->Wanted(), OggStreamDecoder::kInputSize);
    std::memcpy(d->InputWindow(), chained.data(), 4096);
    EXPECT_TRUE(d->Start(4096));
    OggStreamDecoder::Destroy(d);

    StreamRun run = FeedStream(chained, 4608);
    StreamRun again = FeedStream(ReadFile(first), 4608);
    ASSERT_TRUE(again.started);
    EXPECT_EQ(again.pcm.size(), firstRef.bytes.size());
    EXPECT_TRUE(std::equal(again.pcm.begin(), again.pcm.end(), run.pcm.begin()));
}

TEST_F(OggStream, DamagedStreamsEndWithoutHarm) {
    // Ends in the middle of the second stream.
    std::string cutShort = chained.substr(0, ReadFile(first).size() + ReadFile(second).size() * 4 / 5);
    std::string damaged = chained;
    for (size_t i = damaged.size() / 3; i < damaged.size() / 3 + 500; ++i) damaged[i] = '\x00';
    std::string headersOnly = chained.substr(0, 200);

    StreamRun run = FeedStream(cutShort, 4608);
    ASSERT_TRUE(run.started);
    EXPECT_NE(run.lastResult, OggStreamDecoder::kError);
    EXPECT_GT(run.pcm.size(), firstRef.bytes.size());
    EXPECT_LT(run.pcm.size(), fileDecode.bytes.size());
    EXPECT_TRUE(std::equal(run.pcm.begin(), run.pcm.end(), fileDecode.bytes.begin()));

    run = FeedStream(damaged, 4608);
    ASSERT_TRUE(run.started);
    EXPECT_LT(run.pcm.size(), fileDecode.bytes.size() + 1);

    run = FeedStream(headersOnly, 4608);
    EXPECT_TRUE(run.pcm.empty());

    // Decoding before any stream began is an error, not a crash.
    OggStreamDecoder* d = OggStreamDecoder::Create();
    ASSERT_NE(d, nullptr);
    uint8_t out[256];
    uint32_t written = 1;
    EXPECT_EQ(d->Decode(out, sizeof out, written, 0), OggStreamDecoder::kError);
    EXPECT_EQ(written, 0u);
    OggStreamDecoder::Destroy(d);
}

}  // namespace
