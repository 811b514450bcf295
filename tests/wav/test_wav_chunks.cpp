// The RIFF/WAVE chunk walk, declared lengths and seeking, with hand-made files.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/acm.h"
#include "support/audio_compare.h"
#include "support/engine_capture.h"
#include "support/test_support.h"
#include "support/wav_file.h"

using namespace vl::test;

namespace {

std::string U16(uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string Chunk(const std::string& id, const std::string& body) { return id + U32(uint32_t(body.size())) + body; }
std::string Riff(const std::string& chunks) { return "RIFF" + U32(uint32_t(4 + chunks.size())) + "WAVE" + chunks; }
std::string Fmt(int tag, int channels, int rate, int avg, int align, int bits, const std::string& extra = "") {
    std::string body = U16(tag) + U16(channels) + U32(rate) + U32(avg) + U16(align) + U16(bits);
    if (tag != 1) body += U16(uint32_t(extra.size())) + extra;
    return Chunk("fmt ", body);
}
std::string Pcm16Fmt(int channels = 1, int rate = 8000) { return Fmt(1, channels, rate, rate * channels * 2, channels * 2, 16); }
// Mono 16-bit samples 1, 2, 3, ... so every offset is recognisable.
std::string Ramp16(int frames, int first = 1) {
    std::string s;
    for (int i = 0; i < frames; ++i) s += U16(uint32_t(first + i) & 0xFFFF);
    return s;
}
// What the converter alone makes of `data` (all of it in one call).
std::string ConvertWithAcm(const std::string& fmtBody, const std::string& data) {
    std::vector<uint8_t> fmt(fmtBody.begin(), fmtBody.end());
    vl::WaveFormatEx dst;
    if (!vl::AcmFormatSuggest(fmt, dst)) return "";
    auto stream = vl::AcmStreamOpen(fmt, dst);
    uint32_t size = 0;
    if (!stream || !stream->Size(uint32_t(data.size()), size, vl::ACM_STREAMSIZEF_SOURCE)) return "";
    std::string out(size, '\0');
    vl::AcmStreamHeader h;
    h.source = reinterpret_cast<const uint8_t*>(data.data());
    h.sourceLength = uint32_t(data.size());
    h.destination = reinterpret_cast<uint8_t*>(&out[0]);
    h.destinationLength = size;
    if (!stream->Convert(h)) return "";
    return out.substr(0, h.destinationLengthUsed);
}
std::string ALaw(int bytes) { return std::string(size_t(bytes), char(0xD5)); }

struct ChunkRow {
    const char* name;
    std::string file;
    bool opens;
    int durationMs;        // -1: not checked
    std::string expected;  // bytes the device must receive (when it opens)
};

std::vector<ChunkRow> Rows() {
    const std::string ramp = Ramp16(3000);
    const std::string alawFmt = Fmt(6, 1, 8000, 8000, 1, 8);
    const std::string alawPcm = std::string(12000 * 2, '\0');  // 0xD5 is A-law's smallest step: +8
    std::string alawOut;
    for (int i = 0; i < 12000; ++i) alawOut += U16(8);
    std::string truncated = Riff(Pcm16Fmt() + "data" + U32(100000) + Ramp16(600));
    std::string imaBlocks;
    std::mt19937 rng(7);
    for (int i = 0; i < 3 * 4096; ++i) imaBlocks += char(rng());
    const std::string imaFmt4096 = Fmt(0x11, 1, 8000, 4055, 4096, 4, U16(8185));
    // A block's output here is larger than an output buffer; it must still play whole.
    std::string imaOut = ConvertWithAcm(imaFmt4096.substr(8), imaBlocks);
    return {
        {"ChunksBeforeFmtOddSizedUnpadded", Riff(Chunk("LIST", "abc") + Chunk("junk", "0123456789") + Pcm16Fmt() + Chunk("data", ramp)), true, 375, ramp},
        {"EmptyDataBeforeTheRealOne", Riff(Pcm16Fmt() + Chunk("data", "") + Chunk("data", ramp)), true, 375, ramp},
        {"ChunkAfterFmtIsSkipped", Riff(Pcm16Fmt() + Chunk("LIST", "INFOxyz") + Chunk("data", ramp)), true, 375, ramp},
        {"OddChunkAfterFmtPadded", Riff(Pcm16Fmt() + Chunk("LIST", "INFOxyz") + '\0' + Chunk("data", ramp)), true, 375, ramp},
        // The word inside a comment is not a chunk: its "size" would play text as a click.
        {"DataWordInsideAList", Riff(Pcm16Fmt() + Chunk("LIST", "INFOICMT" + U32(12) + "data" + U32(4) + "clik") + Chunk("data", ramp)), true, 375, ramp},
        {"CompressedWithoutFactWholeSeconds", Riff(alawFmt + Chunk("data", ALaw(12000))), true, 1000, alawOut},
        {"CompressedWithFact", Riff(alawFmt + Chunk("fact", U32(12000)) + Chunk("data", ALaw(12000))), true, 1500, alawOut},
        {"TruncatedDataPlaysToTheEnd", truncated, true, 75, Ramp16(600)},
        {"BlockAlignOf4096Plays", Riff(imaFmt4096 + Chunk("fact", U32(3 * 8185)) + Chunk("data", imaBlocks)), true, 3069, imaOut},
        {"BlockAlignOver4096Refused", Riff(Fmt(0x11, 1, 8000, 4055, 4097, 4, U16(8187)) + Chunk("data", imaBlocks)), false, -1, ""},
        {"ChunkSizePastTheEnd", Riff(std::string("LIST") + U32(0xFFFFFF00) + Pcm16Fmt() + Chunk("data", ramp)), false, -1, ""},
        {"FmtSizePastTheEnd", Riff(std::string("fmt ") + U32(0x7FFFFFFF) + Pcm16Fmt()), false, -1, ""},
        {"FactOfWrongSize", Riff(alawFmt + Chunk("fact", U32(1) + "xx") + Chunk("data", ALaw(100))), false, -1, ""},
        {"NoDataChunk", Riff(Pcm16Fmt() + Chunk("LIST", ramp)), false, -1, ""},
        {"OnlyEmptyData", Riff(Pcm16Fmt() + Chunk("data", "")), false, -1, ""},
        {"NotWave", "RIFF" + U32(100) + "AVI " + Pcm16Fmt() + Chunk("data", ramp), false, -1, ""},
        {"ShortFmt", Riff(Chunk("fmt ", "\x01\x00\x01\x00") + Chunk("data", ramp)), false, -1, ""},
        {"ZeroChannels", Riff(Fmt(1, 0, 8000, 16000, 2, 16) + Chunk("data", ramp)), false, -1, ""},
        {"MsAdpcmWithoutCoefficients", Riff(Fmt(2, 1, 8000, 4000, 256, 4, U16(500) + U16(0)) + Chunk("data", ALaw(2560))), false, -1, ""},
    };
}

TEST(WavChunks, ChunkWalkTable) {
    const std::string dir = TempDir();
    for (const ChunkRow& row : Rows()) {
        SCOPED_TRACE(row.name);
        const std::string path = dir + "/" + row.name + ".wav";
        ASSERT_TRUE(WriteFile(path, row.file));
        CaptureResult r = PlayToPcm(path, dir);
        EXPECT_EQ(r.opened, row.opens);
        if (!r.opened || !row.opens) continue;
        EXPECT_TRUE(r.finished);
        EXPECT_FALSE(r.failed);
        if (row.durationMs >= 0) {
            EXPECT_EQ(r.durationMs, row.durationMs);
        }
        EXPECT_TRUE(r.pcm.bytes.size() == row.expected.size() &&
                    std::memcmp(r.pcm.bytes.data(), row.expected.data(), row.expected.size()) == 0)
            << "got " << r.pcm.bytes.size() << " bytes, expected " << row.expected.size();
    }
}

TEST(WavChunks, GarbageNeitherCrashesNorHangs) {
    const std::string dir = TempDir();
    std::mt19937 rng(11);
    for (int i = 0; i < 20; ++i) {
        std::string bytes = "RIFF" + U32(rng()) + "WAVE";
        const int n = 8 + int(rng() % 400);
        for (int k = 0; k < n; ++k) bytes += char(rng());
        if (i % 2) bytes = bytes.substr(0, 12) + Pcm16Fmt() + bytes.substr(12);
        const std::string path = dir + "/g" + std::to_string(i) + ".wav";
        ASSERT_TRUE(WriteFile(path, bytes));
        CaptureResult r = PlayToPcm(path, dir);
        if (r.opened) {
            EXPECT_TRUE(r.finished) << i;
        }
    }
}

// Seeking lands on the source's sample at the requested time; formats coded sample by sample
// seek exactly.
struct SeekRow {
    const char* name;
    std::string fmt;
    int bytesPerSample;
    std::string (*encode)(int value);  // a 16-bit value in the file's own coding
};

std::string AsPcm16(int v) { return U16(uint32_t(v) & 0xFFFF); }
std::string AsPcm8(int v) { return std::string(1, char((v >> 8) + 128)); }
std::string AsPcm24(int v) { return std::string(1, '\0') + AsPcm16(v); }
std::string AsFloat(int v) {
    float f = float(v) / 32768.0f;
    std::string s(4, '\0');
    std::memcpy(&s[0], &f, 4);
    return s;
}

TEST(WavSeek, FirstSamplesAfterASeekMatchTheSource) {
    const std::string dir = TempDir();
    const int rate = 8000, frames = 16000, seekMs = 1250;
    const SeekRow rows[] = {
        {"Pcm16", Fmt(1, 2, rate, rate * 4, 4, 16), 2, AsPcm16},
        {"Pcm8", Fmt(1, 2, rate, rate * 2, 2, 8), 1, AsPcm8},
        {"Pcm24", Fmt(1, 2, rate, rate * 6, 6, 24), 3, AsPcm24},
        {"Float32", Fmt(3, 2, rate, rate * 8, 8, 32), 4, AsFloat},
    };
    for (const SeekRow& row : rows) {
        SCOPED_TRACE(row.name);
        // Left counts frames (in steps of 256 for 8-bit), right counts down.
        auto value = [&](int frame, int channel) {
            int v = row.bytesPerSample == 1 ? (frame % 200) * 256 - 25600 : frame;
            return channel ? -v : v;
        };
        std::string data;
        for (int f = 0; f < frames; ++f) data += row.encode(value(f, 0)) + row.encode(value(f, 1));
        const std::string path = dir + "/" + row.name + ".wav";
        ASSERT_TRUE(WriteFile(path, Riff(row.fmt + Chunk("data", data))));
        CaptureResult r = PlayToPcm(path, dir, seekMs);
        ASSERT_TRUE(r.opened && r.finished);
        const int target = rate * seekMs / 1000;
        ASSERT_EQ(r.pcm.Frames(), size_t(frames - target));
        for (int f = 0; f < 64; ++f) {
            for (int c = 0; c < 2; ++c) {
                int got = row.bytesPerSample == 1 ? (r.pcm.bytes[2 * f + c] - 128) * 256 : r.pcm.Sample16(f, c);
                ASSERT_EQ(got, value(target + f, c)) << "frame " << f << " channel " << c;
            }
        }
    }
}

TEST(WavSeek, AdpcmSeekStartsOnABlockOfTheReferenceDecode) {
    const std::string dir = TempDir();
    const std::string cd = "cd '" + dir + "' && ";
    ASSERT_EQ(RunCommand(cd + "sox -n -r 22050 -c 2 src.wav synth 2 sine 440 sine 1250 gain -3"), 0);
    for (const char* codec : {"ima-adpcm", "ms-adpcm"}) {
        SCOPED_TRACE(codec);
        ASSERT_EQ(RunCommand(cd + "sox src.wav -e " + codec + " coded.wav && sox -D coded.wav -e signed-integer -b 16 ref.wav"), 0);
        PcmData ref;
        ASSERT_TRUE(ReadWav(dir + "/ref.wav", ref));
        CaptureResult r = PlayToPcm(dir + "/coded.wav", dir, 1000);
        ASSERT_TRUE(r.opened && r.finished);
        ASSERT_GT(r.pcm.Frames(), 1000u);
        // The played audio is the reference from some frame near one second on.
        size_t start = ref.Frames() - std::min(ref.Frames(), r.pcm.Frames());
        EXPECT_NEAR(double(start), 22050.0, 2048.0);
        EXPECT_GE(SnrDb(ref, r.pcm, static_cast<long>(start)), 90.0);
    }
}

}  // namespace
