#include "settings/presets.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/player_engine.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace vl {
namespace {

struct EngineValues {
    EqualizerParams eq;
    EffectParams effect[4];
    int bass;
};

EngineValues Snapshot(PlayerEngine& engine) {
    EngineValues v;
    engine.GetEqualizer(v.eq);
    for (int k = 0; k < 4; ++k) engine.GetEffect(k, v.effect[k]);
    v.bass = engine.GetBassBoost();
    return v;
}

void ExpectSame(const EngineValues& a, const EngineValues& b) {
    EXPECT_EQ(a.eq.enable, b.eq.enable);
    EXPECT_EQ(a.eq.preamp, b.eq.preamp);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(a.eq.band[i], b.eq.band[i]) << "band " << i;
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(a.effect[k].enable, b.effect[k].enable) << "kind " << k;
        EXPECT_EQ(a.effect[k].rate, b.effect[k].rate) << "kind " << k;
        if (k < 2) {
            EXPECT_EQ(a.effect[k].delay, b.effect[k].delay) << "kind " << k;
        }
    }
    EXPECT_EQ(a.bass, b.bass);
}

TEST(Presets, EngineRoundTripAndVersionCheck) {
    std::string home = test::TempDir();
    setenv("VERSOLUNE_HOME", home.c_str(), 1);
    PlayerEngine engine;
    EffectsSheetContext context;
    context.engine = &engine;

    EqualizerParams eq = DefaultEqualizer();
    eq.enable = 1;
    eq.preamp = 25;
    for (int i = 0; i < 10; ++i) eq.band[i] = 20 + i * 3;
    engine.SetEqualizer(eq);
    engine.SetEffect(kEffectReverb, EffectParams{1, 100, 30});
    engine.SetEffect(kEffectEcho, EffectParams{1, 250, 40});
    engine.SetEffect(kEffectSurround, EffectParams{1, 0, 50});
    engine.SetEffect(kEffectChorus3D, EffectParams{1, 0, 60});
    engine.SetBassBoost(7);
    const EngineValues saved = Snapshot(engine);

    std::wstring path;
    ASSERT_TRUE(BuildPresetPath(L"Mine", path));
    ASSERT_TRUE(WritePreset(context, path, PresetFlags{}));

    engine.SetEqualizer(DefaultEqualizer());
    for (int k = 0; k < 4; ++k) engine.SetEffect(k, EffectParams{});
    engine.SetBassBoost(0);
    const EngineValues cleared = Snapshot(engine);
    ASSERT_TRUE(ReadPreset(context, path));
    ExpectSame(Snapshot(engine), saved);

    // Another version changes nothing.
    std::wstring other;
    ASSERT_TRUE(BuildPresetPath(L"Future", other));
    ASSERT_TRUE(test::WriteFile(WideToUtf8(other), "[Versolune]\nVersion=101\n[Versolune BassBoost]\nRate=3\n"));
    engine.SetEqualizer(DefaultEqualizer());
    for (int k = 0; k < 4; ++k) engine.SetEffect(k, EffectParams{});
    engine.SetBassBoost(0);
    EXPECT_FALSE(ReadPreset(context, other));
    ExpectSame(Snapshot(engine), cleared);

    // A preset of the bass boost alone leaves the other effects as they are.
    PresetFlags bassOnly{0, 0, 0, 0, 0, 1};
    engine.SetBassBoost(5);
    ASSERT_TRUE(WritePreset(context, path, bassOnly));
    engine.SetBassBoost(0);
    ASSERT_TRUE(ReadPreset(context, path));
    EngineValues want = cleared;
    want.bass = 5;
    ExpectSame(Snapshot(engine), want);
}

}  // namespace
}  // namespace vl
