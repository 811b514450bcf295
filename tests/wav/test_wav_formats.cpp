// Compressed and wide WAVE formats play as 16-bit PCM that matches a reference decode.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "support/audio_compare.h"
#include "support/engine_capture.h"
#include "support/test_support.h"
#include "support/wav_file.h"

using namespace vl::test;

namespace {

struct FormatRow {
    const char* name;
    const char* make;       // shell command: reads src.wav, writes coded.wav
    int formatTag;          // tag in the coded file's "fmt " chunk (sanity check of the fixture)
    bool unextend;          // rewrite an extensible header to its plain sub-format tag
    double minSnrDb;
};

// Wide formats are synthesised directly so that their reduction to 16 bits is exercised.
// Synthesised stereo source with a different tone on each channel, so swapped channels show.
const char* kSource = "sox -n -r 22050 -c 2 -b 16 src.wav synth 1.2 sine 440 sine 1250 gain -3";

const FormatRow kRows[] = {
    {"ImaAdpcm", "sox src.wav -e ima-adpcm coded.wav", 0x11, false, 90},
    {"ImaAdpcmMono8k", "sox src.wav -r 8000 -c 1 -e ima-adpcm coded.wav", 0x11, false, 90},
    {"MsAdpcm", "sox src.wav -e ms-adpcm coded.wav", 0x02, false, 90},
    {"MsAdpcmMono11k", "sox src.wav -r 11025 -c 1 -e ms-adpcm coded.wav", 0x02, false, 90},
    {"ALaw", "sox src.wav -e a-law coded.wav", 6, false, 90},
    {"MuLaw", "sox src.wav -e u-law coded.wav", 7, false, 90},
    {"Float32", "sox -n -r 22050 -c 2 -e floating-point -b 32 coded.wav synth 1.2 sine 440 sine 1250 gain -3", 3, false, 70},
    {"Float64", "sox -n -r 22050 -c 2 -e floating-point -b 64 coded.wav synth 1.2 sine 440 sine 1250 gain -3", 3, false, 70},
    {"Pcm24", "sox -n -r 22050 -c 2 -b 24 coded.wav synth 1.2 sine 440 sine 1250 gain -3", 1, true, 70},
    {"Pcm32", "sox -n -r 22050 -c 2 -b 32 coded.wav synth 1.2 sine 440 sine 1250 gain -3", 1, true, 70},
    {"ExtensiblePcm24", "sox -n -r 22050 -c 2 -b 24 coded.wav synth 1.2 sine 440 sine 1250 gain -3", 0xFFFE, false, 70},
    {"ExtensiblePcm32", "sox -n -r 22050 -c 2 -b 32 coded.wav synth 1.2 sine 440 sine 1250 gain -3", 0xFFFE, false, 70},
    {"ExtensibleFloat", "sox -n -r 22050 -c 2 -e floating-point -b 32 f.wav synth 1.2 sine 440 sine 1250 gain -3 && ffmpeg -v error -i f.wav -c:a pcm_f32le coded.wav", 0xFFFE, false, 70},
    {"ExtensiblePcm16FourChannels", "sox src.wav -c 4 coded.wav remix 1 2 1 2", 0xFFFE, false, 90},
};

void PrintTo(const FormatRow& row, std::ostream* os) { *os << row.name; }


uint16_t FmtTag(const std::string& bytes) {
    size_t at = bytes.find("fmt ");
    if (at == std::string::npos || at + 10 > bytes.size()) return 0;
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at + 8]) | static_cast<uint8_t>(bytes[at + 9]) << 8);
}

// Turns WAVE_FORMAT_EXTENSIBLE into the plain tag of its sub-format (first GUID word).
bool Unextend(const std::string& path) {
    std::string bytes = ReadFile(path);
    size_t at = bytes.find("fmt ");
    if (at == std::string::npos || at + 8 + 26 > bytes.size()) return false;
    bytes[at + 8] = bytes[at + 8 + 24];
    bytes[at + 9] = bytes[at + 8 + 25];
    return WriteFile(path, bytes);
}

class WavFormats : public ::testing::TestWithParam<FormatRow> {};

TEST_P(WavFormats, PlaysLikeTheReferenceDecode) {
    const FormatRow& row = GetParam();
    const std::string dir = TempDir();
    const std::string cd = "cd '" + dir + "' && ";
    ASSERT_EQ(RunCommand(cd + kSource), 0);
    ASSERT_EQ(RunCommand(cd + row.make), 0);
    if (row.unextend) {
        ASSERT_TRUE(Unextend(dir + "/coded.wav"));
    }
    ASSERT_EQ(FmtTag(ReadFile(dir + "/coded.wav")), row.formatTag);
    ASSERT_EQ(RunCommand(cd + "sox -D coded.wav -e signed-integer -b 16 ref.wav"), 0);
    PcmData ref;
    ASSERT_TRUE(ReadWav(dir + "/ref.wav", ref));
    ASSERT_GT(ref.Frames(), 1000u);

    CaptureResult r = PlayToPcm(dir + "/coded.wav", dir);
    ASSERT_TRUE(r.opened);
    ASSERT_TRUE(r.finished);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.pcm.bits, 16);
    EXPECT_EQ(r.pcm.channels, ref.channels);
    EXPECT_EQ(r.pcm.sampleRate, ref.sampleRate);
    EXPECT_NEAR(r.durationMs, 1200, 30);
    // ADPCM plays its last block whole; the reference stops at the declared sample count.
    ASSERT_GE(r.pcm.Frames(), ref.Frames());
    EXPECT_LT(r.pcm.Frames(), ref.Frames() + 4096);
    double snr = SnrDb(ref, r.pcm, 0, 0, ref.Frames());
    std::printf("  %-28s SNR %.1f dB over %zu frames\n", row.name, snr, ref.Frames());
    EXPECT_GE(snr, row.minSnrDb);
}

INSTANTIATE_TEST_SUITE_P(Rows, WavFormats, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<FormatRow>& info) { return info.param.name; });

TEST(WavFormatsPcm8, EightBitPcmStaysEightBit) {
    const std::string dir = TempDir();
    ASSERT_EQ(RunCommand("cd '" + dir + "' && sox -n -r 11025 -c 1 -b 8 u8.wav synth 0.5 sine 300"), 0);
    PcmData src;
    ASSERT_TRUE(ReadWav(dir + "/u8.wav", src));
    CaptureResult r = PlayToPcm(dir + "/u8.wav", dir);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.pcm.bits, 8);
    EXPECT_EQ(r.pcm.bytes, src.bytes);
}

TEST(WavFormatsRefused, UnsupportedFormatsDoNotOpen) {
    const std::string dir = TempDir();
    const std::string cd = "cd '" + dir + "' && ";
    ASSERT_EQ(RunCommand(cd + kSource), 0);
    // GSM 6.10, an extensible file whose sub-format is not PCM or float, and 12-bit PCM.
    ASSERT_EQ(RunCommand(cd + "sox src.wav -r 8000 -c 1 -e gsm-full-rate gsm.wav"), 0);
    ASSERT_EQ(RunCommand(cd + "sox src.wav -b 24 ext.wav"), 0);
    std::string ext = ReadFile(dir + "/ext.wav");
    size_t at = ext.find("fmt ");
    ASSERT_NE(at, std::string::npos);
    ext[at + 8 + 24] = 0x11;  // sub-format IMA ADPCM
    ASSERT_TRUE(WriteFile(dir + "/ext.wav", ext));
    std::string pcm12 = ReadFile(dir + "/src.wav");
    at = pcm12.find("fmt ");
    pcm12[at + 8 + 14] = 12;
    ASSERT_TRUE(WriteFile(dir + "/pcm12.wav", pcm12));
    for (const char* name : {"gsm.wav", "ext.wav", "pcm12.wav"}) {
        CaptureResult r = PlayToPcm(dir + "/" + name, dir);
        EXPECT_FALSE(r.opened) << name;
    }
}

}  // namespace
