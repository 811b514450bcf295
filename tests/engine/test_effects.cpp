// The effect chain's stages on small synthetic buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "engine/effects/bass_boost.h"
#include "engine/effects/delay_effect.h"
#include "engine/effects/spatial_effects.h"

namespace vl {
namespace {

using Samples = std::vector<int16_t>;
using Bytes = std::vector<uint8_t>;

// Runs a 16-bit buffer through an effect, in chunks of `chunkBytes` to cross buffer edges.
template <typename Effect>
Samples Run16(Effect& effect, const Samples& in, size_t chunkBytes = 0) {
    Bytes bytes(in.size() * 2);
    std::memcpy(bytes.data(), in.data(), bytes.size());
    if (chunkBytes == 0) chunkBytes = bytes.size();
    for (size_t at = 0; at < bytes.size(); at += chunkBytes) {
        size_t n = std::min(chunkBytes, bytes.size() - at);
        effect.Process(16, bytes.data() + at, static_cast<uint32_t>(n));
    }
    Samples out(in.size());
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
}

template <typename Effect>
Bytes Run8(Effect& effect, Bytes in) {
    effect.Process(8, in.data(), static_cast<uint32_t>(in.size()));
    return in;
}

Samples Noise(size_t n, uint32_t seed) {
    Samples s(n);
    for (auto& v : s) {
        seed = seed * 1103515245u + 12345u;
        v = static_cast<int16_t>(seed >> 16);
    }
    return s;
}

EffectParams Params(int enable, int delay, int rate) {
    EffectParams p;
    p.enable = enable;
    p.delay = delay;
    p.rate = rate;
    return p;
}

// ---- Reverb and echo ----

struct ClickCase {
    int mode;
    std::vector<std::pair<int, int>> train;  // (frame, left value) of every non-zero output
};

TEST(DelayEffect, ClickGivesOneEchoOrADecayingReverbTrain) {
    const ClickCase cases[] = {
        {DelayEffect::kEcho, {{0, 10000}, {10, 2000}}},
        {DelayEffect::kReverb, {{0, 10000}, {10, 2000}, {20, 400}, {30, 80}, {40, 16}, {50, 3}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        DelayEffect effect(c.mode);
        effect.SetParams(Params(1, 10, 20));
        ASSERT_TRUE(effect.Prepare(2, 1000));  // 10 ms = 10 frames
        Samples in(2 * 100, 0);
        in[0] = 10000;
        Samples expected(in.size(), 0);
        for (auto [frame, value] : c.train) expected[2 * frame] = static_cast<int16_t>(value);
        // Chunks of three samples split frames: the line must carry on across buffers.
        EXPECT_EQ(Run16(effect, in, 6), expected);
    }
}

TEST(DelayEffect, LineLengthSetsTheDelayOnTheSameChannel) {
    struct Row {
        int channels, rate, delay, length;
    };
    const Row rows[] = {
        {2, 44100, 100, 8821},
        {1, 44100, 100, 4411},
        {1, 22050, 30, 658},  // 661 samples is odd: 656 + 1
        {1, 1000, 35, 34},    // 35 -> 33
        {1, 1000, 17, 18},    // already 16 + 1
        {2, 1000, 35, 71},    // stereo stays exact
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.channels << " ch " << r.rate << " Hz " << r.delay << " ms");
        DelayEffect echo(DelayEffect::kEcho);
        echo.SetParams(Params(1, r.delay, 50));
        ASSERT_TRUE(echo.Prepare(r.channels, r.rate));
        ASSERT_EQ(echo.LineLength(), r.length);
        Samples in(static_cast<size_t>(r.length) + 50, 0);
        in[1] = 8000;
        Samples out = Run16(echo, in);
        for (size_t i = 0; i < out.size(); ++i) {
            const int want = i == 1 ? 8000 : (i == static_cast<size_t>(r.length) ? 4000 : 0);
            ASSERT_EQ(out[i], want) << "sample " << i;
        }
    }
}

TEST(DelayEffect, MatchesThePlainFormulaAcrossLineWraps) {
    struct Row {
        int mode, channels, rate;
    };
    const Row rows[] = {{DelayEffect::kEcho, 2, 32}, {DelayEffect::kReverb, 2, 32}, {DelayEffect::kReverb, 1, -90},
                        {DelayEffect::kEcho, 1, 70000}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.mode << " " << r.channels << " ch " << r.rate << " %");
        DelayEffect effect(r.mode);
        effect.SetParams(Params(1, 30, r.rate));
        ASSERT_TRUE(effect.Prepare(r.channels, 1100));  // 33 frames: lines of 67 and 34 entries
        const int length = effect.LineLength();
        const Samples in = Noise(3000, 9);
        std::vector<int32_t> line(static_cast<size_t>(length), 0);
        Samples want(in.size());
        int w = 0, rd = 1;
        for (size_t k = 0; k < in.size(); ++k) {
            const int32_t x = in[k];
            if (r.mode == DelayEffect::kEcho) line[static_cast<size_t>(w)] = x, w = (w + 1) % length;
            const int64_t y = std::clamp<int64_t>(x + int64_t{r.rate} * line[static_cast<size_t>(rd)] / 100, -32768, 32767);
            rd = (rd + 1) % length;
            if (r.mode == DelayEffect::kReverb) line[static_cast<size_t>(w)] = static_cast<int32_t>(y), w = (w + 1) % length;
            want[k] = static_cast<int16_t>(y);
        }
        EXPECT_EQ(Run16(effect, in, 2 * 77), want);
    }
}

TEST(DelayEffect, InactiveSettingsAllocateNothingAndPassSamples) {
    const EffectParams rows[] = {Params(1, 0, 20), Params(1, 100, 0), Params(0, 100, 20)};
    const Samples in = Noise(400, 7);
    for (int mode : {DelayEffect::kReverb, DelayEffect::kEcho}) {
        for (const auto& p : rows) {
            SCOPED_TRACE(testing::Message() << mode << ": " << p.enable << "/" << p.delay << "/" << p.rate);
            DelayEffect effect(mode);
            effect.SetParams(p);
            EXPECT_TRUE(effect.Prepare(2, 44100));
            EXPECT_EQ(effect.LineLength(), 0);
            EXPECT_EQ(Run16(effect, in), in);
        }
    }
}

TEST(DelayEffect, LineFollowsTheRunAndTheEnableSwitch) {
    DelayEffect reverb(DelayEffect::kReverb);
    reverb.SetParams(Params(1, 100, 20));
    EXPECT_EQ(reverb.LineLength(), 0);  // enabled while stopped: nothing until a run starts
    reverb.Prepare(2, 8000);
    EXPECT_EQ(reverb.LineLength(), 1601);
    reverb.SetParams(Params(0, 100, 20));
    EXPECT_EQ(reverb.LineLength(), 0);
    reverb.SetParams(Params(1, 50, 20));  // live change rebuilds for the run's format
    EXPECT_EQ(reverb.LineLength(), 801);
    reverb.Release();
    EXPECT_EQ(reverb.LineLength(), 0);
    const Samples in = Noise(100, 3);
    EXPECT_EQ(Run16(reverb, in), in);
}

TEST(DelayEffect, ClearLineDropsTheTail) {
    DelayEffect echo(DelayEffect::kEcho);
    echo.SetParams(Params(1, 10, 20));
    echo.Prepare(1, 1000);
    Samples click(10, 0);
    click[0] = 10000;
    Run16(echo, click);
    echo.ClearLine();
    EXPECT_EQ(Run16(echo, Samples(20, 0)), Samples(20, 0));
}

TEST(DelayEffect, HostileSizesAreRefused) {
    struct Row {
        int channels, rate, delay;
    };
    const Row rows[] = {{2, 192000, INT_MAX}, {INT_MAX, 44100, 1000}, {2, 44100, -100}, {-2, 44100, 100}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.channels << " " << r.rate << " " << r.delay);
        DelayEffect echo(DelayEffect::kEcho);
        echo.SetParams(Params(1, r.delay, 20));
        EXPECT_FALSE(echo.Prepare(r.channels, r.rate));
        EXPECT_EQ(echo.LineLength(), 0);
        const Samples in = Noise(64, 11);
        EXPECT_EQ(Run16(echo, in), in);
    }
}

TEST(DelayEffect, HugeRateClampsInsteadOfWrapping) {
    DelayEffect echo(DelayEffect::kEcho);
    echo.SetParams(Params(1, 1, INT_MAX));
    echo.Prepare(1, 1000);  // one sample of delay
    EXPECT_EQ(Run16(echo, Samples{1000, 0, -1000, 0}), (Samples{1000, 32767, -1000, -32768}));
}

// ---- Surround and 3D chorus ----

TEST(SpatialGain, SharedLoudnessCompensation) {
    const std::pair<int, int> rows[] = {{0, 100}, {20, 92}, {50, 81}, {100, 66}};
    for (auto [rate, gain] : rows) {
        SCOPED_TRACE(rate);
        EXPECT_EQ(SpatialGain(rate), gain);
        Surround surround;
        surround.SetParams(Params(1, 0, rate));
        EXPECT_EQ(surround.OutputGain(), gain);
        Chorus3D chorus;
        chorus.SetParams(Params(1, 0, rate));
        EXPECT_EQ(chorus.OutputGain(), gain);
    }
    EXPECT_EQ(SpatialGain(INT_MIN), INT_MAX);
}

TEST(Surround, MixesTheChannelDifference) {
    struct Row {
        int rateIn, rateStored;
        int16_t l, r, outL, outR;
    };
    const Row rows[] = {
        {20, 20, 1000, 1000, 920, 920},       // L = R: only the gain
        {150, 100, 1000, 1000, 660, 660},     // rate stored as 100
        {100, 100, 1000, 0, 1320, -660},
        {20, 20, 1000, -1000, 1288, -1288},
        {20, 20, 7, 0, 7, 0},                 // divisions truncate toward zero
        {20, 20, -7, 0, -7, 0},
        {50, 50, 30000, -30000, 32767, -32768},
        {0, 0, 1000, 0, 1000, 0},             // rate 0: off
        {-5, 0, 1000, 0, 1000, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << "rate " << r.rateIn << " L " << r.l << " R " << r.r);
        Surround surround;
        surround.SetParams(Params(1, 123, r.rateIn));
        EffectParams got = Params(9, 9, 9);
        surround.GetParams(got);
        EXPECT_EQ(got.enable, 1);
        EXPECT_EQ(got.delay, 0);
        EXPECT_EQ(got.rate, r.rateStored);
        EXPECT_EQ(Run16(surround, Samples{r.l, r.r, r.l, r.r}), (Samples{r.outL, r.outR, r.outL, r.outR}));
    }
}

TEST(Chorus3D, ConstantSignalCancelsOnceTheLineHoldsIt) {
    Chorus3D chorus;
    chorus.SetParams(Params(1, 0, 100));
    chorus.Prepare(44100);
    const size_t frames = 44100 * 20 / 1000;
    Samples in(2 * frames, 10000);
    for (int pass = 0; pass < 2; ++pass) {  // the second pass follows a seek
        SCOPED_TRACE(pass);
        Samples out = Run16(chorus, in, 2 * 100);
        // Before the delayed copy arrives the signal passes at the output gain.
        EXPECT_EQ(out[0], 6600);
        EXPECT_EQ(out[1], 6600);
        // Left: 6 ms; right starts half a sweep later, about 2 ms more.
        for (size_t f = 264 + 2; f < frames; ++f) ASSERT_EQ(out[2 * f], 0) << "left frame " << f;
        for (size_t f = 264 + 86 + 2; f < frames; ++f) ASSERT_EQ(out[2 * f + 1], 0) << "right frame " << f;
        EXPECT_NE(out[2 * 300 + 1], 0);
        chorus.Reset();
    }
}

TEST(Chorus3D, PassesSamplesWhenOffOrUnprepared) {
    const Samples in = Noise(200, 5);
    EffectParams got = Params(0, 77, 0);
    {
        Chorus3D chorus;
        chorus.SetParams(Params(1, 10, 0));
        chorus.Prepare(44100);
        EXPECT_EQ(Run16(chorus, in), in);
        chorus.GetParams(got);
        EXPECT_EQ(got.enable, 1);
        EXPECT_EQ(got.delay, 77);  // the caller's delay is kept
    }
    for (int rate : {0, 4, -1}) {
        SCOPED_TRACE(rate);
        Chorus3D chorus;
        chorus.SetParams(Params(1, 0, 50));
        chorus.Prepare(rate);
        EXPECT_EQ(Run16(chorus, in), in);
    }
    Chorus3D released;
    released.SetParams(Params(1, 0, 50));
    released.Prepare(44100);
    released.Release();
    EXPECT_EQ(Run16(released, in), in);
}

// The per-sample formula, one sample at a time: the effect's block loops must give the same
// samples across sweep turns, line wraps and buffer edges.
Samples PlainChorus(const Samples& in, int size, int rate) {
    const int ring = size - 1, half = size / 2, base = size * 6 / 1000;
    const int gain = SpatialGain(rate);
    std::vector<std::vector<int32_t>> line(2, std::vector<int32_t>(static_cast<size_t>(size), 0));
    int write[2] = {0, 0}, sweep[2] = {0, half};
    Samples out(in.size());
    for (size_t k = 0; k < in.size(); ++k) {
        const int c = static_cast<int>(k % 2);
        const int32_t x = in[k];
        const int t = sweep[c] < half ? sweep[c] : size - sweep[c];
        int64_t pos = int64_t{write[c] - base} * 256 - t;
        if (pos < 0) pos += int64_t{ring} * 256;
        const int i = static_cast<int>(pos >> 8), frac = static_cast<int>(pos & 255);
        const int j = i + 1 == ring ? 0 : i + 1;
        const int32_t delayed = line[c][i] * (256 - frac) + line[c][j] * frac;
        line[c][write[c]] = x;
        write[c] = write[c] + 1 == ring ? 0 : write[c] + 1;
        sweep[c] = sweep[c] + 1 == ring ? 0 : sweep[c] + 1;
        const int32_t v = ((x * 256 - delayed * rate / 100) * gain / 100) >> 8;
        out[k] = static_cast<int16_t>(std::clamp(v, -32768, 32767));
    }
    return out;
}

TEST(Chorus3D, MatchesThePlainFormulaAcrossSweepsAndBuffers) {
    for (int rate : {2, 50, 100}) {
        SCOPED_TRACE(rate);
        Chorus3D chorus;
        chorus.SetParams(Params(1, 0, rate));
        chorus.Prepare(2000);  // a sweep of 1999 frames, a base delay of 12
        const Samples in = Noise(2 * 5000, 11);
        EXPECT_EQ(Run16(chorus, in, 4 * 333), PlainChorus(in, 2000, rate));
    }
}

TEST(Chorus3D, ExtremeRateSaturates) {
    Chorus3D chorus;
    chorus.SetParams(Params(1, 0, INT_MIN));
    chorus.Prepare(8000);
    Samples out = Run16(chorus, Samples{100, -100, 0, 0});
    EXPECT_EQ(out, (Samples{32767, -32768, 0, 0}));
}

// ---- Bass boost ----

TEST(BassBoost, LevelIsClampedAndSetsTheOutputGain) {
    const std::tuple<int, int, int> rows[] = {{25, 20, 39}, {20, 20, 39}, {10, 10, 63}, {0, 0, 100}, {-3, 0, 100}};
    for (auto [in, stored, gain] : rows) {
        SCOPED_TRACE(in);
        BassBoost boost;
        boost.SetLevel(in);
        EXPECT_EQ(boost.GetLevel(), stored);
        EXPECT_EQ(boost.OutputGain(), gain);
    }
}

TEST(BassBoost, ShelfLiftsLowsAndLeavesHighsAtTheOutputGain) {
    // Low shelf: DC gain A^2 = 10^(20/40), Nyquist gain 1; then the 39 % output gain.
    struct Row {
        const char* name;
        int16_t a, b;  // alternating input pattern
        int expectA;
    };
    const Row rows[] = {{"dc", 1000, 1000, 1233}, {"nyquist", 1000, -1000, 390}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        BassBoost boost;
        boost.SetLevel(20);
        boost.Prepare(1, 44100);
        Samples in(44100);
        for (size_t i = 0; i < in.size(); ++i) in[i] = i % 2 ? r.b : r.a;
        Samples out = Run16(boost, in, 1024);
        EXPECT_NEAR(out[out.size() - 2], r.expectA, 3);
    }
}

TEST(BassBoost, ChannelsAreFilteredIndependently) {
    const Samples left = Noise(2000, 1), right = Noise(2000, 2);
    auto mono = [](const Samples& s) {
        BassBoost b;
        b.SetLevel(15);
        b.Prepare(1, 22050);
        return Run16(b, s);
    };
    BassBoost stereo;
    stereo.SetLevel(15);
    stereo.Prepare(2, 22050);
    Samples both(4000);
    for (size_t i = 0; i < 2000; ++i) {
        both[2 * i] = left[i];
        both[2 * i + 1] = right[i];
    }
    const Samples out = Run16(stereo, both, 4 * 167);  // history carries across buffers
    const Samples l = mono(left), r = mono(right);
    for (size_t i = 0; i < 2000; ++i) {
        ASSERT_EQ(out[2 * i], l[i]) << i;
        ASSERT_EQ(out[2 * i + 1], r[i]) << i;
    }
    EXPECT_NE(l, left);
}

TEST(BassBoost, OffOrReleasedLeavesSamplesAndClearHistoryRestarts) {
    const Samples in = Noise(500, 9);
    BassBoost off;
    off.Prepare(2, 44100);
    EXPECT_EQ(Run16(off, in), in);

    BassBoost released;
    released.SetLevel(20);
    released.Prepare(2, 44100);
    released.Release();
    EXPECT_EQ(Run16(released, in), in);

    BassBoost fresh, used;
    for (BassBoost* b : {&fresh, &used}) {
        b->SetLevel(12);
        b->Prepare(2, 48000);
    }
    Run16(used, Noise(300, 4));
    used.ClearHistory();
    EXPECT_EQ(Run16(used, in), Run16(fresh, in));
}

// ---- 8-bit samples, around 128 ----

TEST(Effects8Bit, SilenceStaysAt128AndSignalsScaleAroundIt) {
    const Bytes silence(400, 128);
    DelayEffect echo(DelayEffect::kEcho), reverb(DelayEffect::kReverb);
    for (DelayEffect* e : {&echo, &reverb}) {
        e->SetParams(Params(1, 10, 30));
        e->Prepare(2, 1000);
    }
    Surround surround;
    surround.SetParams(Params(1, 0, 20));
    Chorus3D chorus;
    chorus.SetParams(Params(1, 0, 100));
    chorus.Prepare(8000);
    BassBoost boost;
    boost.SetLevel(20);
    boost.Prepare(2, 8000);
    EXPECT_EQ(Run8(echo, silence), silence);
    EXPECT_EQ(Run8(reverb, silence), silence);
    EXPECT_EQ(Run8(surround, silence), silence);
    EXPECT_EQ(Run8(chorus, silence), silence);
    EXPECT_EQ(Run8(boost, silence), silence);

    // One click of +100 echoes at 30 % of it after 10 frames.
    Bytes click(40, 128);
    click[0] = 228;
    Bytes want = click;
    want[20] = 128 + 30;
    EXPECT_EQ(Run8(echo, click), want);

    // L = R = +100 at the surround's 92 %.
    EXPECT_EQ(Run8(surround, Bytes{228, 228, 28, 28}), (Bytes{220, 220, 36, 36}));

    // A mono 8-bit source is filtered around 128: DC rises by A^2 * 39 %.
    BassBoost mono;
    mono.SetLevel(20);
    mono.Prepare(1, 8000);
    Bytes dc(8000, 168);
    EXPECT_NEAR(Run8(mono, dc).back(), 128 + 49, 1);
}

}  // namespace
}  // namespace vl
