// The Ogg Vorbis file input: decoding against oggdec, length, seeking, comments, bad files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/input/ogg_input.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/audio_compare.h"
#include "support/engine_capture.h"
#include "support/engine_harness.h"
#include "support/ogg_fixtures.h"
#include "support/test_support.h"
#include "support/wav_file.h"

using namespace vl;
using namespace vl::test;

namespace {

std::string g_dir;
std::string g_stereo;  // 44.1 kHz stereo, 4 s, with comments
std::string g_mono;    // 8 kHz mono, 2 s: output buffers smaller than one read
PcmData g_stereoRef, g_monoRef;

const std::string kLongAlbum(100, 'x');

class OggInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_dir = TempDir();
        g_stereo = MakeOggFile(g_dir, "stereo.ogg", 44100, 2, 4.0,
                               {"title=Lower Key Title", "ARTIST=Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m",
                                "ALBUM=" + kLongAlbum, "TRACKNUMBER=3/12", "DATE=1999-05-01", "GeNrE=Jazz",
                                "COMMENT=first", "COMMENT=second"});
        g_mono = MakeOggFile(g_dir, "mono.ogg", 8000, 1, 2.0);
        ASSERT_FALSE(g_stereo.empty());
        ASSERT_FALSE(g_mono.empty());
        ASSERT_TRUE(DecodeOggReference(g_stereo, g_stereoRef));
        ASSERT_TRUE(DecodeOggReference(g_mono, g_monoRef));
    }
    void TearDown() override { SetAudioBackend(""); }
};

struct PlayResult {
    bool opened = false;
    bool ended = false;
    intptr_t failed = -1;
    PcmData pcm;
};

// Opens the file, optionally seeks while stopped, plays it to the end into a WAV file.
PlayResult PlayThroughEngine(const std::string& ogg, int seekMs = -1, uint32_t* reached = nullptr) {
    CaptureOptions options;
    options.seekMs = seekMs;
    options.timeoutMs = 60000;
    bool isOgg = false;
    options.beforePlay = [&](PlayerEngine& engine) {
        isOgg = engine.GetSourceType() == kSourceOgg;
        if (reached) *reached = engine.startSample;
    };
    CaptureResult c = PlayToPcm(ogg, g_dir, options);
    if (c.opened && seekMs >= 0) {
        EXPECT_TRUE(c.seeked);
    }
    PlayResult r;
    r.opened = c.opened && isOgg;
    if (!r.opened) return r;
    r.ended = c.finished;
    if (c.finished) {
        r.failed = c.failed ? 1 : 0;
        r.pcm = std::move(c.pcm);
    }
    return r;
}

TEST_F(OggInput, DecodesLikeTheReferenceDecoder) {
    struct Row {
        const char* name;
        const std::string* file;
        const PcmData* ref;
        int channels, rate;
    } rows[] = {{"stereo", &g_stereo, &g_stereoRef, 2, 44100}, {"mono", &g_mono, &g_monoRef, 1, 8000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        {
            SetAudioBackend("null-fast");
            EngineHarness h;
            ASSERT_TRUE(h.engine.Open(WidePath(*row.file)));
            EXPECT_EQ(h.engine.GetSourceType(), kSourceOgg);
            TrackInfo info;
            h.engine.GetTrackInfo(info);
            EXPECT_EQ(info.channels, row.channels);
            EXPECT_EQ(info.sampleRate, row.rate);
            EXPECT_EQ(info.version, 0);
            EXPECT_EQ(info.layer, 0);
            EXPECT_GT(info.bitrate, 0);
            EXPECT_EQ(info.duration, static_cast<int>(row.ref->Frames() * 1000.0 / row.rate));
        }
        PlayResult r = PlayThroughEngine(*row.file);
        ASSERT_TRUE(r.ended);
        EXPECT_EQ(r.failed, 0);
        ASSERT_EQ(r.pcm.channels, row.channels);
        ASSERT_EQ(r.pcm.Frames(), row.ref->Frames());
        double snr = SnrDb(*row.ref, r.pcm, 0);
        RecordProperty(std::string(row.name) + "_snr_db", std::to_string(snr));
        std::printf("[ snr ] %s: %.1f dB\n", row.name, snr);
        EXPECT_GT(snr, 60.0);
    }
}

TEST_F(OggInput, AChainedFilePlaysItsLinksOfTheFirstFormat) {
    // The output is open for one format: a link of another channel count or rate ends the
    // file (its PCM would play garbled), and the length counts only what plays.
    struct Row {
        const char* name;
        std::vector<OggLink> links;
        size_t playedLinks;
    } rows[] = {
        {"same format", {{44100, 2, 1.0}, {44100, 2, 1.5}}, 2},
        {"mono 22 kHz, then stereo 44 kHz", {{22050, 1, 2.0}, {44100, 2, 2.0}}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<PcmData> refs;
        std::string chained = MakeChainedOgg(g_dir, std::string("chain") + std::to_string(row.playedLinks) + ".ogg",
                                             row.links, &refs);
        ASSERT_FALSE(chained.empty());
        size_t frames = 0;
        for (size_t i = 0; i < row.playedLinks; ++i) frames += refs[i].Frames();
        {
            SetAudioBackend("null-fast");
            EngineHarness h;
            ASSERT_TRUE(h.engine.Open(WidePath(chained)));
            EXPECT_EQ(h.engine.GetDuration(), static_cast<int>(frames * 1000.0 / row.links[0].sampleRate));
        }
        PlayResult r = PlayThroughEngine(chained);
        ASSERT_TRUE(r.ended);
        EXPECT_EQ(r.failed, 0);
        EXPECT_EQ(r.pcm.channels, row.links[0].channels);
        EXPECT_EQ(r.pcm.sampleRate, row.links[0].sampleRate);
        EXPECT_EQ(r.pcm.Frames(), frames);
    }
}

TEST_F(OggInput, SeekStartsAtTheReachedFrame) {
    for (int ms : {1500, 3000}) {
        SCOPED_TRACE(ms);
        uint32_t reached = 0;
        PlayResult r = PlayThroughEngine(g_stereo, ms, &reached);
        ASSERT_TRUE(r.opened);
        ASSERT_TRUE(r.ended);
        EXPECT_EQ(r.failed, 0);
        // Seeking lands on a page start at or before the target.
        EXPECT_LE(reached, static_cast<uint32_t>(ms * 44.1));
        EXPECT_GT(reached, static_cast<uint32_t>((ms - 1000) * 44.1));
        ASSERT_EQ(r.pcm.Frames(), g_stereoRef.Frames() - reached);
        std::printf("[ seek ] %d ms -> frame %u, first 4096 frames %.1f dB\n", ms, reached,
                    SnrDb(g_stereoRef, r.pcm, reached, reached, 4096));
        EXPECT_GT(SnrDb(g_stereoRef, r.pcm, reached, reached, 4096), 60.0);
    }
    SetAudioBackend("null-fast");
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(WidePath(g_stereo)));
    EXPECT_FALSE(h.engine.Seek(h.engine.GetDuration()));
    ASSERT_TRUE(h.engine.Seek(2000));
    int position = h.engine.GetPosition();
    EXPECT_LE(position, 2000);
    EXPECT_GT(position, 1000);
}

TEST_F(OggInput, CommentsFillTheTags) {
    EngineHarness h;
    ASSERT_TRUE(h.engine.Open(WidePath(g_stereo)));
    TagInfo open{}, file{};
    ASSERT_TRUE(h.engine.GetTagInfo(open));
    ASSERT_TRUE(h.engine.ReadFileTags(WidePath(g_stereo), file));
    for (const TagInfo* t : {&open, &file}) {
        EXPECT_STREQ(t->title, L"Lower Key Title");
        EXPECT_STREQ(t->artist, L"Zo\u00EB \u00C5ngstr\u00F6m");
        EXPECT_EQ(std::wstring(t->album), std::wstring(63, L'x'));
        EXPECT_EQ(t->track, 3);
        EXPECT_EQ(t->year, 1999);
        EXPECT_STREQ(t->genre, L"Jazz");
        EXPECT_STREQ(t->comment, L"second");  // a later comment replaces an earlier one
    }
    EXPECT_TRUE(IsOggFile(WidePath(g_stereo)));
    EXPECT_FALSE(IsOggFile(WidePath(g_stereo + ".ref.wav")));
    EXPECT_FALSE(IsOggFile(L""));
    TagInfo none{};
    EXPECT_FALSE(ReadOggFileTags(WidePath(g_stereo + ".ref.wav"), none));
    EXPECT_FALSE(ReadOggFileTags(WidePath(g_dir + "/missing.ogg"), none));
}

TEST(OggComments, SlotRules) {
    struct Row {
        std::string text;
        int slot;  // -1: no slot filled
        std::wstring value;
    } rows[] = {
        {"TITLE=abc", kOggTitle, L"abc"},
        {"tracknumber=3/12", kOggTrackNumber, L"3/12"},
        {"NOEQUALS", -1, L""},
        {"TITLE", -1, L""},
        {"ALBUMARTIST=x", -1, L""},
        {"=x", -1, L""},
        {"Date=1999-05-01", kOggDate, L"1999-05-01"},
        {"title=Caf\xC3\xA9", kOggTitle, L"Caf\u00E9"},
        {"TITLE=\xE2\x82\xAC" "5", kOggTitle, L"\u20AC" L"5"},
        {"TITLE=\xF0\x9F\x8E\xB5!", kOggTitle, L"\U0001F3B5!"},
        {"TITLE=a\x80" "b", kOggTitle, L"a"},     // stray continuation byte ends the text
        {"TITLE=ab\xC3", kOggTitle, L"ab"},       // cut short at the end of the value
        {"TITLE=ab\xE2\x82", kOggTitle, L"ab"},
        {"TITLE=a\xC3" "b", kOggTitle, L"a"},     // lead byte without its continuation
        {std::string("TITLE=x\0y", 9), kOggTitle, L"x"},
        {"ARTIST=" + std::string(70, 'z'), kOggArtist, std::wstring(63, L'z')},
        {"ALBUM=" + [] { std::string s; for (int i = 0; i < 70; ++i) s += "\xC3\xA9"; return s; }(), kOggAlbum,
         std::wstring(63, L'\u00E9')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        OggComments slots;
        ReadOggComment(row.text.data(), row.text.size(), slots);
        for (int s = 0; s < kOggSlotCount; ++s)
            EXPECT_EQ(std::wstring(slots.slot[s]), s == row.slot ? row.value : L"") << "slot " << s;
    }

    struct TagRow {
        const wchar_t* track;
        const wchar_t* date;
        int trackValue, year;
    } tagRows[] = {{L"3/12", L"1999-05-01", 3, 1999}, {L"07", L"2004", 7, 2004}, {L"", L"May 1999", 0, 0}};
    for (const TagRow& row : tagRows) {
        OggComments slots;
        std::wcscpy(slots.slot[kOggTrackNumber], row.track);
        std::wcscpy(slots.slot[kOggDate], row.date);
        TagInfo tags{};
        CommentsToTags(slots, tags);
        EXPECT_EQ(tags.track, row.trackValue) << row.track;
        EXPECT_EQ(tags.year, row.year) << row.date;
    }
}

TEST_F(OggInput, BadFilesFailWithoutHarm) {
    const std::string whole = ReadFile(g_stereo);
    ASSERT_GT(whole.size(), 10000u);
    std::string garbage;
    for (int i = 0; i < 30000; ++i) garbage += static_cast<char>("OggS garbage\x01\xFF"[i % 14]);
    std::string corrupted = whole;
    for (size_t i = whole.size() / 2; i < whole.size() / 2 + 3000; ++i) corrupted[i] = '\x55';

    enum Expect { kOpenFails, kEndsWithFailure, kEndsShort };
    struct Row {
        const char* name;
        std::string bytes;
        Expect expect;
    } rows[] = {
        {"empty", "", kOpenFails},
        {"garbage", garbage, kOpenFails},
        {"headers cut", whole.substr(0, 300), kOpenFails},
        {"first half", whole.substr(0, whole.size() / 2), kEndsShort},
        {"damaged middle", corrupted, kEndsWithFailure},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = g_dir + "/bad-" + std::string(row.name) + ".ogg";
        ASSERT_TRUE(WriteFile(path, row.bytes));
        EXPECT_EQ(IsOggFile(WidePath(path)), row.expect != kOpenFails);
        TagInfo tags{};
        EXPECT_EQ(ReadOggFileTags(WidePath(path), tags), row.expect != kOpenFails);
        PlayResult r = PlayThroughEngine(path);
        if (row.expect == kOpenFails) {
            EXPECT_FALSE(r.opened);
            continue;
        }
        ASSERT_TRUE(r.opened);
        ASSERT_TRUE(r.ended);
        if (row.expect == kEndsWithFailure) {
            EXPECT_EQ(r.failed, 1);
        } else {
            EXPECT_EQ(r.failed, 0);
            EXPECT_GT(r.pcm.Frames(), 0u);
            EXPECT_LT(r.pcm.Frames(), g_stereoRef.Frames());
            EXPECT_GT(SnrDb(g_stereoRef, r.pcm, 0), 60.0);
        }
    }
}

}  // namespace
