// MPEG audio input: header parsing, the content test, the open-time length estimate, the full
// scan and the decoder's PCM conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/input/file_reader.h"
#include "engine/input/mpeg_decoder.h"
#include "engine/input/mpeg_input.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace vl {
namespace {

using namespace std::string_literals;

std::string Fixture(const std::string& name) { return test::SourceDir() + "/tests/fixtures/" + name; }

// Frames of a fixed header with silent payload; MPEG-1 Layer III 128 kbit/s 44.1 kHz stereo
// without padding is 417 bytes long.
std::string Frames(int count, const uint8_t header[4] = nullptr, int length = 417) {
    static const uint8_t kDefault[4] = {0xFF, 0xFB, 0x90, 0x00};
    const uint8_t* h = header ? header : kDefault;
    std::string frame(static_cast<size_t>(length), '\0');
    std::memcpy(&frame[0], h, 4);
    std::string out;
    for (int i = 0; i < count; ++i) out += frame;
    return out;
}

void PutBigEndian(std::string& s, size_t at, uint32_t v) {
    s[at] = char(v >> 24);
    s[at + 1] = char(v >> 16);
    s[at + 2] = char(v >> 8);
    s[at + 3] = char(v);
}

struct Estimate {
    bool ok = false;
    FormatRecord format;
    uint32_t total = 0;
};

std::string WriteTemp(const std::string& bytes, const std::string& name = "t.mp3") {
    static std::string dir = test::TempDir();
    std::string path = dir + "/" + name;
    test::WriteFile(path, bytes);
    return path;
}

Estimate Measure(const std::string& path, bool scan) {
    Estimate e;
    FileReader reader;
    if (!reader.Open(WidePath(path))) return e;
    e.ok = scan ? ScanFile(reader, e.format, e.total) : EstimateFile(reader, e.format, e.total);
    return e;
}

struct HeaderRow {
    uint8_t bytes[4];
    bool valid;
    bool quick;
    int version, layer, channels, rate, bitrate, frameLength, samples;
};

TEST(MpegHeader, ParsesEveryVersionAndLayerAndRejectsBadFields) {
    const HeaderRow rows[] = {
        {{0xFF, 0xFB, 0x90, 0x00}, true, true, 1, 3, 2, 44100, 128, 417, 1152},
        {{0xFF, 0xFB, 0x92, 0x00}, true, true, 1, 3, 2, 44100, 128, 418, 1152},  // padding
        {{0xFF, 0xFB, 0x90, 0xC0}, true, true, 1, 3, 1, 44100, 128, 417, 1152},  // single channel
        {{0xFF, 0xFD, 0xA4, 0x00}, true, true, 1, 2, 2, 48000, 192, 576, 1152},
        {{0xFF, 0xFF, 0x90, 0x00}, true, true, 1, 1, 2, 44100, 288, 312, 384},
        {{0xFF, 0xF3, 0x80, 0x00}, true, true, 2, 3, 2, 22050, 64, 208, 576},
        {{0xFF, 0xF7, 0x40, 0x00}, true, true, 2, 1, 2, 22050, 64, 136, 384},
        {{0xFF, 0xF5, 0x88, 0x00}, true, true, 2, 2, 2, 16000, 64, 576, 1152},
        {{0xFF, 0xE3, 0x28, 0xC0}, true, true, 3, 3, 1, 8000, 16, 144, 576},
        {{0xFF, 0xE3, 0x42, 0x00}, true, true, 3, 3, 2, 11025, 32, 209, 576},
        {{0x00, 0x00, 0x00, 0x00}, false, false, 0, 0, 0, 0, 0, 0, 0},
        {{0xFF, 0x7B, 0x90, 0x00}, false, false, 0, 0, 0, 0, 0, 0, 0},  // sync incomplete
        {{0xFF, 0xF9, 0x90, 0x00}, false, false, 0, 0, 0, 0, 0, 0, 0},  // layer 0
        {{0xFF, 0xFB, 0x00, 0x00}, false, false, 0, 0, 0, 0, 0, 0, 0},  // free format
        {{0xFF, 0xFB, 0xF0, 0x00}, false, false, 0, 0, 0, 0, 0, 0, 0},  // bitrate index 15
        {{0xFF, 0xFB, 0x9C, 0x00}, false, false, 0, 0, 0, 0, 0, 0, 0},  // rate index 3
        {{0xFF, 0xEB, 0x90, 0x00}, false, true, 0, 0, 0, 0, 0, 0, 0},  // reserved version
    };
    for (const HeaderRow& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << int(row.bytes[1]) << " " << int(row.bytes[2]) << " "
                                        << int(row.bytes[3]));
        MpegHeader h;
        ASSERT_EQ(ParseHeader(row.bytes, h), row.valid);
        EXPECT_EQ(QuickSyncTest(row.bytes), row.quick);
        if (!row.valid) continue;
        EXPECT_EQ(h.version, row.version);
        EXPECT_EQ(h.layer, row.layer);
        EXPECT_EQ(h.channels, row.channels);
        EXPECT_EQ(h.sampleRate, row.rate);
        EXPECT_EQ(h.bitrate, row.bitrate);
        EXPECT_EQ(h.frameLength, row.frameLength);
        EXPECT_EQ(h.samplesPerFrame, row.samples);
    }
}

std::string Riff(const char* form, int formatTag) {
    std::string s = "RIFF\x40\0\0\0"s + form + "fmt \x10\0\0\0"s;
    s += char(formatTag & 0xFF);
    s += char(formatTag >> 8);
    s += std::string(40, '\x01');
    return s;
}

TEST(MpegContentTest, TakesMpegAndLeavesOtherFilesAlone) {
    struct Row {
        const char* name;
        std::string bytes;
        bool mpeg;
    } rows[] = {
        {"id3", "ID3\x03\0\0\0\0\0\0"s + std::string(100, 'x'), true},
        {"rmp3", "RIFF\x40\0\0\0RMP3data"s, true},
        {"wave mpeg layer 3", Riff("WAVE", 0x55), true},
        {"wave mpeg", Riff("WAVE", 0x50), true},
        {"wave pcm", Riff("WAVE", 1), false},
        {"riff too short", "RIFF\x40\0\0"s, false},
        {"two frames", "junk" + Frames(2) + "x", true},
        {"one frame", "junk" + Frames(1) + "xxxxxxxx", false},
        {"frames of two rates", Frames(1) + Frames(1, (const uint8_t*)"\xFF\xFB\x94\x00") + "x", false},
        {"three bytes", "\xFF\xFB\x90", false},
        {"text", std::string(3000, 'a'), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsMpegFile(WidePath(WriteTemp(row.bytes))), row.mpeg);
    }
    EXPECT_FALSE(IsMpegFile(L"/nonexistent/file.mp3"));
    for (const char* name : {"cbr_44k_stereo.mp3", "vbr_xing.mp3", "mpeg2_22k.mp3", "mpeg25_11k.mp3",
                             "mpeg25_8k_mono.mp3", "mono_44k.mp3", "layer2.mp2", "id3v2.mp3", "id3v1.mp3",
                             "riff_wave_mp3.wav"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(IsMpegFile(WidePath(Fixture(name))));
    }
}

// A first frame carrying a VBR tag with this frame count.
std::string XingFile(uint32_t frames, uint32_t flags = 0x0F, int count = 50) {
    std::string s = Frames(count);
    std::memcpy(&s[4 + 32], "Xing", 4);
    PutBigEndian(s, 4 + 32 + 4, flags);
    PutBigEndian(s, 4 + 32 + 8, frames);
    return s;
}

TEST(MpegEstimate, UsesVbrTagsAndFallsBackToTheFrameLength) {
    const uint32_t plain = 50 * 1152;  // file size / first frame length
    // MPEG-1 mono: the Xing tag after 17 bytes of side information; VBRI always at 32.
    const uint8_t monoHeader[4] = {0xFF, 0xFB, 0x90, 0xC0};
    std::string monoXing = Frames(50, monoHeader);
    std::memcpy(&monoXing[4 + 17], "Xing\0\0\0\x01", 8);
    PutBigEndian(monoXing, 4 + 17 + 8, 300);
    std::string monoVbri = Frames(50, monoHeader);
    std::memcpy(&monoVbri[4 + 32], "VBRI", 4);
    PutBigEndian(monoVbri, 4 + 32 + 14, 400);
    // MPEG-2.5 stereo Layer III: 17 bytes of side information.
    const uint8_t lowHeader[4] = {0xFF, 0xE3, 0x42, 0x00};  // 209 bytes, 576 samples, 11025 Hz
    std::string lowXing = Frames(40, lowHeader, 209);
    std::memcpy(&lowXing[4 + 17], "Xing\0\0\0\x01", 8);
    PutBigEndian(lowXing, 4 + 17 + 8, 100);

    struct Row {
        const char* name;
        std::string bytes;
        bool ok;
        uint32_t total;
        int frameLength;
    } rows[] = {
        {"cbr", Frames(50), true, plain, 417},
        {"junk before the frames", "\xFF\xFB\x90\x00zzzz"s + Frames(50), true, 50 * 1152, 417},
        {"xing", XingFile(1000), true, 1000 * 1152, 20850 / 1000},
        {"xing frame count 0", XingFile(0), true, plain, 417},
        {"xing without a frame count", XingFile(1000, 0x0E), true, plain, 417},
        {"xing shorter than a second", XingFile(10), true, plain, 417},
        {"xing count no file could hold", XingFile(0xFFFFFFFF), true, plain, 417},
        {"mono xing", monoXing, true, 300 * 1152, 20850 / 300},
        {"mono vbri", monoVbri, true, 400 * 1152, 20850 / 400},
        {"mpeg-2.5 xing", lowXing, true, 100 * 576, 40 * 209 / 100},
        {"one frame", Frames(1), false, 0, 0},
        {"no frames", std::string(5000, '\xFF'), false, 0, 0},
        {"empty", "", false, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Estimate e = Measure(WriteTemp(row.bytes), false);
        ASSERT_EQ(e.ok, row.ok);
        EXPECT_EQ(e.total, row.total);
        EXPECT_EQ(e.format.frameLength, row.frameLength);
        if (row.ok) {
            EXPECT_GT(e.format.bitrate, 0);
        }
    }
}

// Length of a file as mpg123 decodes it, in sample frames.
uint32_t ReferenceFrames(const std::string& path) {
    std::string raw = test::CaptureCommand("mpg123 -q -s '" + path + "' 2>/dev/null");
    MpegHeader h;
    std::string bytes = test::ReadFile(path);
    size_t at = bytes.find('\xFF');
    while (at != std::string::npos && !ParseHeader(reinterpret_cast<const uint8_t*>(&bytes[at]), h))
        at = bytes.find('\xFF', at + 1);
    return static_cast<uint32_t>(raw.size() / (2 * h.channels));
}

TEST(MpegEstimate, FixturesReportTheirDecodedLength) {
    for (const char* name : {"cbr_44k_stereo.mp3", "vbr_xing.mp3", "mpeg2_22k.mp3", "mpeg25_8k_mono.mp3",
                             "layer2.mp2"}) {
        SCOPED_TRACE(name);
        Estimate e = Measure(Fixture(name), false);
        ASSERT_TRUE(e.ok);
        uint32_t reference = ReferenceFrames(Fixture(name));
        ASSERT_GT(reference, 0u);
        // Encoder delay and the tag frame make up at most a few frames.
        EXPECT_NEAR(double(e.total), double(reference), 3.0 * e.format.samplesPerFrame);
        Estimate s = Measure(Fixture(name), true);
        ASSERT_TRUE(s.ok);
        EXPECT_NEAR(double(s.total), double(reference), 3.0 * s.format.samplesPerFrame);
    }
}

TEST(MpegScan, CountsFramesAndDropsFalseSyncs) {
    std::string tag = "TAG" + std::string(125, ' ');
    std::string frames = Frames(50);
    // A header-like run inside leading junk that does not lead on to a frame.
    std::string junk = std::string("\x00\xFF\xFB\x90\x00", 5) + std::string(600, 'j');
    struct Row {
        const char* name;
        std::string bytes;
        uint32_t frames;
    } rows[] = {
        {"ends after its last frame", frames, 50},
        {"ends in an ID3v1 tag", frames + tag, 49},
        {"junk before", junk + frames, 50},
        {"single frame", Frames(1), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Estimate e = Measure(WriteTemp(row.bytes), true);
        ASSERT_TRUE(e.ok);
        EXPECT_EQ(e.total, row.frames * 1152);
        EXPECT_EQ(e.format.sampleRate, 44100);
        EXPECT_EQ(e.format.bitrate, 128);
    }
    EXPECT_FALSE(Measure(WriteTemp(std::string(3000, 'x')), true).ok);

    // The encoder's own ID3v1 tag costs exactly one frame against the same file without it.
    std::string tagged = test::ReadFile(Fixture("id3v1.mp3"));
    ASSERT_EQ(tagged.compare(tagged.size() - 128, 3, "TAG"), 0);
    Estimate withTag = Measure(Fixture("id3v1.mp3"), true);
    Estimate without = Measure(WriteTemp(tagged.substr(0, tagged.size() - 128)), true);
    ASSERT_TRUE(withTag.ok && without.ok);
    EXPECT_EQ(withTag.total + withTag.format.samplesPerFrame, without.total);
}

TEST(MpegSearch, FindsHeadersAcrossWindowEdges) {
    // Headers straddling the 512-byte windows of the search.
    for (size_t offset : {0u, 508u, 509u, 510u, 511u, 512u, 1020u, 5000u}) {
        SCOPED_TRACE(offset);
        std::string bytes(offset, '\0');
        bytes += "\xFF\xF3\x80\x00"s;  // MPEG-2 Layer III
        bytes += std::string(100, '\0');
        FileReader reader;
        ASSERT_TRUE(reader.Open(WidePath(WriteTemp(bytes))));
        reader.Seek(0, FILE_BEGIN);
        EXPECT_EQ(FindSync(reader), int64_t(offset));
        EXPECT_EQ(reader.Tell(), int64_t(offset));
        reader.Seek(0, FILE_BEGIN);
        EXPECT_EQ(FindFrame(reader, 2, 3), int64_t(offset));
        reader.Seek(0, FILE_BEGIN);
        EXPECT_EQ(FindFrame(reader, 1, 3), kNoPosition);
        reader.Seek(int64_t(offset) + 1, FILE_BEGIN);
        EXPECT_EQ(FindSync(reader), kNoPosition);
    }
}

TEST(MpegEqualizer, GainsPerSubbandWithTheBoostLimit) {
    int32_t gains[32];
    EqualizerParams flat = DefaultEqualizer();
    ComputeSubbandGains(flat, gains);
    for (int32_t g : gains) EXPECT_EQ(g, 0x10000000);

    const int32_t limit = static_cast<int32_t>(std::pow(10.0, 18 * 0.05) * 268435456.0 + 0.5);
    EqualizerParams loud = flat;
    loud.preamp = 0;
    for (int& b : loud.band) b = 0;
    ComputeSubbandGains(loud, gains);
    for (int32_t g : gains) EXPECT_EQ(g, limit);

    // Top band cut by 20 dB: only subbands 20..31 change.
    EqualizerParams top = flat;
    top.band[9] = 63;
    ComputeSubbandGains(top, gains);
    for (int i = 0; i < 32; ++i) {
        if (i < 20) EXPECT_EQ(gains[i], 0x10000000) << i;
        else EXPECT_NEAR(gains[i] / 268435456.0, 0.1, 0.001) << i;
    }
    // Band 7 covers subbands 8..11; the preamp moves every subband.
    EqualizerParams mid = flat;
    mid.band[7] = 0;
    mid.preamp = 63;
    ComputeSubbandGains(mid, gains);
    EXPECT_NEAR(gains[7] / 268435456.0, 0.1, 0.001);
    for (int i = 8; i < 12; ++i) EXPECT_NEAR(gains[i] / 268435456.0, 1.0, 0.001) << i;
    EXPECT_NEAR(gains[12] / 268435456.0, 0.1, 0.001);
}

TEST(MpegDecoderPcm, ScalesRoundsAndClips) {
    struct Row {
        mad_fixed_t sample;
        int bits;
        int32_t value;
    } rows[] = {
        {0, 16, 0},           {0x08000000, 16, 16384}, {0x0FFFFFFF, 16, 32767}, {0x10000000, 16, 32767},
        {0x7FFFFFFF, 16, 32767}, {-0x10000000, 16, -32768}, {-0x7FFFFFFF, 16, -32768}, {0x1000, 16, 1},
        {0x0FFF, 16, 0},      {0x0FFFFFFF, 8, 127},    {-0x10000000, 8, -128},  {0x0FFFFFFF, 24, 8388607},
        {0x0FFFFFFF, 32, 8388607},
    };
    for (const Row& row : rows) EXPECT_EQ(ScaleSample(row.sample, row.bits), row.value) << row.sample << " " << row.bits;
}

// Decodes a whole file with output room of outBytes per call.
std::vector<uint8_t> DecodeAll(const std::string& path, int bits, uint32_t outBytes, const EqualizerParams* eq = nullptr) {
    std::string in = test::ReadFile(path);
    in.append(MAD_BUFFER_GUARD, '\0');
    MpegDecoder* d = MpegDecoder::Create();
    if (eq) d->SetEqualizer(*eq);
    std::vector<uint8_t> pcm;
    std::vector<uint8_t> out(outBytes);
    size_t pos = 0;
    for (int guard = 0; guard < 1000000; ++guard) {
        uint32_t consumed = 0, produced = 0;
        int r = d->Decode(reinterpret_cast<const uint8_t*>(in.data()) + pos, uint32_t(in.size() - pos), out.data(),
                          outBytes, consumed, produced, bits, 0);
        pcm.insert(pcm.end(), out.begin(), out.begin() + produced);
        if (r == MpegDecoder::kNeedInput) break;
        pos += (r == MpegDecoder::kRecoverable || r == MpegDecoder::kFatal) ? 1 : consumed;
    }
    d->Destroy();
    return pcm;
}

int32_t Sample16(const std::vector<uint8_t>& v, size_t i) { return int16_t(v[2 * i] | (v[2 * i + 1] << 8)); }

TEST(MpegDecoderPcm, SplitOutputAndEveryWidthGiveTheSameSignal) {
    const std::string path = Fixture("cbr_44k_stereo.mp3");
    std::vector<uint8_t> whole = DecodeAll(path, 16, 8192);
    ASSERT_GT(whole.size(), 44100u * 4);
    // Output room that splits frames at odd places gives identical PCM.
    EXPECT_EQ(DecodeAll(path, 16, 1000), whole);

    std::vector<uint8_t> b8 = DecodeAll(path, 8, 8192);
    std::vector<uint8_t> b24 = DecodeAll(path, 24, 8192);
    std::vector<uint8_t> b32 = DecodeAll(path, 32, 8192);
    size_t n = whole.size() / 2;
    ASSERT_EQ(b8.size(), n);
    ASSERT_EQ(b24.size(), n * 3);
    ASSERT_EQ(b32.size(), n * 4);
    for (size_t i = 0; i < n; ++i) {
        int32_t s16 = Sample16(whole, i);
        int32_t s24 = int32_t((uint32_t(b24[3 * i]) << 8) | (uint32_t(b24[3 * i + 1]) << 16) | (uint32_t(b24[3 * i + 2]) << 24)) >> 8;
        int32_t s32 = int32_t(uint32_t(b32[4 * i]) | (uint32_t(b32[4 * i + 1]) << 8) | (uint32_t(b32[4 * i + 2]) << 16) |
                              (uint32_t(b32[4 * i + 3]) << 24));
        ASSERT_EQ(s32, s24 * 256) << i;
        ASSERT_LE(std::abs(s24 / 256.0 - s16), 1.0) << i;
        ASSERT_LE(std::abs((int(b8[i]) - 128) - s16 / 256.0), 1.0) << i;
    }
}

double Energy(const std::vector<uint8_t>& pcm) {
    double e = 0;
    for (size_t i = 0; i < pcm.size() / 2; ++i) e += double(Sample16(pcm, i)) * Sample16(pcm, i);
    return e;
}

TEST(MpegDecoderPcm, EqualizerFlatIsTransparentAndBandsChangeTheLevel) {
    const std::string path = Fixture("cbr_44k_stereo.mp3");
    std::vector<uint8_t> plain = DecodeAll(path, 16, 8192);
    EqualizerParams eq = DefaultEqualizer();
    eq.enable = 1;
    std::vector<uint8_t> flat = DecodeAll(path, 16, 8192, &eq);
    ASSERT_EQ(flat.size(), plain.size());
    // Only the rounding of the subband scaling differs.
    int maxDiff = 0;
    for (size_t i = 0; i < plain.size() / 2; ++i) maxDiff = std::max(maxDiff, std::abs(Sample16(flat, i) - Sample16(plain, i)));
    EXPECT_LE(maxDiff, 4);

    eq.preamp = 63;  // -20 dB everywhere
    std::vector<uint8_t> quiet = DecodeAll(path, 16, 8192, &eq);
    EXPECT_NEAR(10 * std::log10(Energy(quiet) / Energy(plain)), -20.0, 1.0);
    eq.enable = 0;
    EXPECT_EQ(DecodeAll(path, 16, 8192, &eq), plain);
}

TEST(MpegDecoderPcm, KeepsTheOutputLayoutWhenTheStreamSwitchesChannels) {
    // Mono frames followed by stereo frames of the same rate, as a radio stream may send them.
    std::string mono = test::ReadFile(Fixture("mono_44k.mp3"));
    std::string stereo = test::ReadFile(Fixture("cbr_44k_stereo.mp3"));
    std::string joined = WriteTemp(mono + stereo, "switch.mp3");
    std::vector<uint8_t> monoPcm = DecodeAll(Fixture("mono_44k.mp3"), 16, 8192);
    std::vector<uint8_t> stereoPcm = DecodeAll(Fixture("cbr_44k_stereo.mp3"), 16, 8192);

    std::string in = test::ReadFile(joined);
    in.append(MAD_BUFFER_GUARD, '\0');
    MpegDecoder* d = MpegDecoder::Create();
    d->SetOutputChannels(2);
    std::vector<uint8_t> pcm, out(4096);
    size_t pos = 0;
    for (;;) {
        uint32_t consumed = 0, produced = 0;
        int r = d->Decode(reinterpret_cast<const uint8_t*>(in.data()) + pos, uint32_t(in.size() - pos), out.data(),
                          uint32_t(out.size()), consumed, produced, 16, 0);
        pcm.insert(pcm.end(), out.begin(), out.begin() + produced);
        if (r == MpegDecoder::kNeedInput) break;
        pos += r < 0 ? 1 : consumed;
    }
    d->Destroy();
    // Every frame comes out as stereo: the mono part doubled, the stereo part as it is (its
    // first frames may differ while the bit reservoir of the mono part is in use).
    const size_t monoFrames = monoPcm.size() / 2;
    ASSERT_GE(pcm.size() / 4, monoFrames + stereoPcm.size() / 4 - 2 * 1152);
    for (size_t i = 0; i < monoFrames; ++i) {
        ASSERT_EQ(Sample16(pcm, 2 * i), Sample16(monoPcm, i)) << i;
        ASSERT_EQ(Sample16(pcm, 2 * i + 1), Sample16(monoPcm, i)) << i;
    }
    const size_t tail = 44100;  // compare the last second of the stereo part
    for (size_t i = 1; i <= tail; ++i)
        ASSERT_EQ(Sample16(pcm, pcm.size() / 2 - i), Sample16(stereoPcm, stereoPcm.size() / 2 - i)) << i;
}

}  // namespace
}  // namespace vl
