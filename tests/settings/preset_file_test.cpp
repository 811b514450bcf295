#include "settings/preset_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace vl {
namespace {

class PresetFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = test::TempDir();
        setenv("VERSOLUNE_HOME", home_.c_str(), 1);
        ASSERT_TRUE(EnsurePresetFolder(folder_));
    }
    std::wstring Path(const std::wstring& name) {
        std::wstring path;
        EXPECT_TRUE(BuildPresetPath(name, path));
        return path;
    }
    std::string home_;
    std::wstring folder_;
};

PresetValues Sample() {
    PresetValues v;
    v.equalizer.enable = 1;
    v.equalizer.preamp = 20;
    for (int i = 0; i < 10; ++i) v.equalizer.band[i] = 10 + i * 5;
    v.surround = {1, 0, 40};
    v.chorus3D = {0, 0, 55};
    v.reverb = {1, 120, 30};
    v.echo = {1, 300, -7};
    v.bassBoost = 12;
    return v;
}

bool Same(const PresetValues& a, const PresetValues& b) {
    auto eff = [](const EffectParams& x, const EffectParams& y) {
        return x.enable == y.enable && x.delay == y.delay && x.rate == y.rate;
    };
    return a.equalizer.enable == b.equalizer.enable && a.equalizer.preamp == b.equalizer.preamp &&
           std::equal(a.equalizer.band, a.equalizer.band + 10, b.equalizer.band) && eff(a.surround, b.surround) &&
           eff(a.chorus3D, b.chorus3D) && eff(a.reverb, b.reverb) && eff(a.echo, b.echo) &&
           a.bassBoost == b.bassBoost;
}

TEST_F(PresetFileTest, FolderAndNames) {
    EXPECT_EQ(folder_, WidePath(home_ + "/Presets"));
    EXPECT_TRUE(IsDirectory(folder_));
    EXPECT_EQ(Path(L"Rock"), folder_ + L"/Rock.EQF");
    EXPECT_EQ(PresetNameLimit(folder_), 254 - static_cast<int>(folder_.size()));
    for (const wchar_t* bad : {L"a/b", L"a\\b", L"a:b", L"a,b", L"a;b", L"a*b", L"a?b", L"a\"b", L"<", L">", L"|"})
        EXPECT_FALSE(IsValidPresetName(bad)) << WideToUtf8(bad);
    EXPECT_TRUE(IsValidPresetName(L"My preset (live) #2"));
    EXPECT_TRUE(IsValidPresetName(L""));

    // A data folder whose path leaves no room is refused.
    std::string deep = home_ + "/" + std::string(255 - home_.size(), 'd');
    ASSERT_TRUE(MakeDirectory(WidePath(deep)));
    setenv("VERSOLUNE_HOME", deep.c_str(), 1);
    std::wstring folder;
    EXPECT_FALSE(EnsurePresetFolder(folder));
    EXPECT_FALSE(IsDirectory(WidePath(deep + "/Presets")));
    std::wstring path = L"stale";
    EXPECT_FALSE(BuildPresetPath(L"x", path));
    EXPECT_TRUE(ListPresets().empty());
}

TEST_F(PresetFileTest, FormatAndRoundTrip) {
    const PresetValues v = Sample();
    EXPECT_EQ(FormatPreset(v, PresetFlags{}),
              "[Versolune]\nVersion=100\n"
              "\n[Versolune Equalizer]\nEnable=1\nPreamp=20\n0=10\n1=15\n2=20\n3=25\n4=30\n5=35\n6=40\n7=45\n8=50\n9=55\n"
              "\n[Versolune Surround]\nEnable=1\nRate=40\n"
              "\n[Versolune 3D Chorus]\nEnable=0\nRate=55\n"
              "\n[Versolune Reverb]\nEnable=1\nDelay=120\nRate=30\n"
              "\n[Versolune Echo]\nEnable=1\nDelay=300\nRate=-7\n"
              "\n[Versolune BassBoost]\nRate=12\n");
    ASSERT_TRUE(WritePresetFile(Path(L"All"), v, PresetFlags{}));
    PresetValues back;
    ASSERT_TRUE(ReadPresetFile(Path(L"All"), back));
    EXPECT_TRUE(Same(back, v));

    // Sections left out keep the reader's values.
    PresetFlags some;
    some.saveSurround = some.save3DChorus = some.saveReverb = some.saveEcho = 0;
    EXPECT_EQ(FormatPreset(v, some).find("Surround"), std::string::npos);
    ASSERT_TRUE(WritePresetFile(Path(L"Some"), v, some));
    PresetValues mixed;
    ASSERT_TRUE(ReadPresetFile(Path(L"Some"), mixed));
    PresetValues expected;
    expected.equalizer = v.equalizer;
    expected.bassBoost = v.bassBoost;
    EXPECT_TRUE(Same(mixed, expected));
}

TEST_F(PresetFileTest, ReadingHandWrittenFiles) {
    const PresetValues start = Sample();
    const struct {
        const char* name;
        std::string text;
        bool accepted;
        void (*change)(PresetValues&);
    } rows[] = {
        {"version only re-applies", "[Versolune]\nVersion=100\n", true, [](PresetValues&) {}},
        {"another version is ignored", "[Versolune]\nVersion=101\n[Versolune BassBoost]\nRate=3\n", false,
         [](PresetValues&) {}},
        {"no version", "[Versolune BassBoost]\nRate=3\n", false, [](PresetValues&) {}},
        {"version key case", "[Versolune]\nversion=100\n[Versolune BassBoost]\nRate=3\n", false, [](PresetValues&) {}},
        {"one band only", "[Versolune]\nVersion=100\n[Versolune Equalizer]\n3=40\n", true,
         [](PresetValues& v) { v.equalizer.band[3] = 40; }},
        {"section case differs", "[Versolune]\nVersion=100\n[versolune equalizer]\n3=40\n", true, [](PresetValues&) {}},
        {"wcstol reading, 32-bit range", "[Versolune]\nVersion= 100x\n[Versolune Echo]\nDelay=-25ms\nRate=99999999999\n",
         true, [](PresetValues& v) { v.echo.delay = -25; v.echo.rate = INT32_MAX; }},
        {"CR LF file", "[Versolune]\r\nVersion=100\r\n\r\n[Versolune Surround]\r\nEnable=0\r\nRate=7\r\n", true,
         [](PresetValues& v) { v.surround.enable = 0; v.surround.rate = 7; }},
        {"garbage", std::string("\0\xFF[Versolune\n=\n", 14), false, [](PresetValues&) {}},
    };
    for (const auto& r : rows) {
        std::string file = home_ + "/hand.EQF";
        ASSERT_TRUE(test::WriteFile(file, r.text));
        PresetValues got = start, want = start;
        r.change(want);
        EXPECT_EQ(ReadPresetFile(WidePath(file), got), r.accepted) << r.name;
        EXPECT_TRUE(Same(got, want)) << r.name;
    }
    PresetValues untouched = start;
    EXPECT_FALSE(ReadPresetFile(WidePath(home_ + "/missing.EQF"), untouched));
    EXPECT_TRUE(Same(untouched, start));
}

TEST_F(PresetFileTest, ListAndDelete) {
    ASSERT_TRUE(WritePresetFile(Path(L"Rock"), Sample(), PresetFlags{}));
    ASSERT_TRUE(WritePresetFile(Path(L""), Sample(), PresetFlags{}));  // an empty name is a preset too
    ASSERT_TRUE(WritePresetFile(Path(L"Jazz.live"), Sample(), PresetFlags{}));
    ASSERT_TRUE(test::WriteFile(WideToUtf8(folder_) + "/old.eqf", "[Versolune]\nVersion=100\n"));
    ASSERT_TRUE(test::WriteFile(WideToUtf8(folder_) + "/notes.txt", "x"));
    ASSERT_TRUE(MakeDirectory(folder_ + L"/Folder.EQF"));
    std::vector<std::wstring> names = ListPresets();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"", L"Jazz.live", L"Rock", L"old"}));

    EXPECT_TRUE(DeletePreset(L"Rock"));
    EXPECT_FALSE(DeletePreset(L"Rock"));
    names = ListPresets();
    EXPECT_EQ(std::count(names.begin(), names.end(), L"Rock"), 0);
    EXPECT_EQ(names.size(), 3u);
}

TEST_F(PresetFileTest, FailedWriteKeepsTheOldPreset) {
    const std::wstring path = Path(L"Keep");
    const PresetValues good = Sample();
    ASSERT_TRUE(WritePresetFile(path, good, PresetFlags{}));
    const std::string before = test::ReadFile(WideToUtf8(path));
    // Overwriting succeeds without leaving anything beside the preset.
    ASSERT_TRUE(WritePresetFile(path, good, PresetFlags{}));
    EXPECT_EQ(ListDirectory(folder_).size(), 1u);

    // Block the temporary file with a folder of its name: the write must fail and leave the
    // good preset as it was.
    std::string blocker = WideToUtf8(path) + ".tmp" + std::to_string(getpid());
    ASSERT_TRUE(MakeDirectory(WidePath(blocker)));
    PresetValues other;
    EXPECT_FALSE(WritePresetFile(path, other, PresetFlags{}));
    EXPECT_EQ(test::ReadFile(WideToUtf8(path)), before);
    PresetValues back;
    ASSERT_TRUE(ReadPresetFile(path, back));
    EXPECT_TRUE(Same(back, good));
}

}  // namespace
}  // namespace vl
