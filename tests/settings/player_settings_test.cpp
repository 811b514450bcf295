#include <cstring>

#include "engine/player_engine.h"
#include "lyrics/lyrics_settings.h"
#include "platform/text.h"
#include "settings/player_settings.h"
#include "settings/registry_keys.h"
#include "settings_fixture.h"

namespace vl {
namespace {

using PlayerSettingsTest = test::FreshHome;
using LyricsSettingsTest = test::FreshHome;

int32_t StoredNumber(const std::wstring& keyName, const std::wstring& name) {
    RegKey key;
    int32_t v = INT32_MIN;
    if (key.Open(HKEY_CURRENT_USER, keyName)) key.QueryDword(name, v, true);
    return v;
}

void Store(const std::wstring& keyName, const std::wstring& name, uint32_t type, const std::string& data) {
    RegKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, keyName));
    ASSERT_TRUE(key.SetValue(name, type, data.data(), uint32_t(data.size())));
}

// delay -1: an effect without a delay.
void ExpectEffect(PlayerEngine& engine, int kind, int32_t enable, int32_t delay, int32_t rate) {
    EffectParams p;
    engine.GetEffect(kind, p);
    EXPECT_EQ(enable, p.enable) << kind;
    if (delay >= 0) {
        EXPECT_EQ(delay, p.delay) << kind;
    }
    EXPECT_EQ(rate, p.rate) << kind;
}

void StoreNumber(const std::wstring& keyName, const std::wstring& name, int32_t v) {
    RegKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, keyName));
    key.SetDword(name, v);
}

TEST_F(PlayerSettingsTest, FirstStartKeepsTheDefaultsAndTheEngineValues) {
    struct Screen {
        int width, height, left, top;
    };
    for (const Screen s : {Screen{240, 320, 1, 120}, Screen{480, 640, 121, 280}, Screen{237, 79, 0, 0}}) {
        PlayerEngine engine;
        EffectParams echo{1, 300, 40};
        engine.SetEffect(kEffectEcho, echo);
        engine.SetBassBoost(3);
        PlayerSettings settings(s.width, s.height);
        settings.LoadSettings(&engine);
        EXPECT_EQ(s.left, settings.windowLeft);
        EXPECT_EQ(s.top, settings.windowTop);
        EXPECT_EQ(1, settings.drawPeek);
        EXPECT_TRUE(engine.GetPeakMeter());
        EXPECT_EQ(1, settings.saveDefPlayList);
        EXPECT_EQ(30, settings.sleepMinutes);
        EXPECT_EQ(1, settings.sleepPowerOff);
        EXPECT_EQ(-1, settings.resumeTrack);
        EXPECT_EQ(-1, settings.sleepElapsed);
        EXPECT_EQ(500, settings.output.bufferLenMs);
        EXPECT_EQ(32, settings.stream.bufferBlocks);
        EffectParams got;
        engine.GetEffect(kEffectEcho, got);
        EXPECT_EQ(1, got.enable);  // no key: the engine keeps its own values
        EXPECT_EQ(3, engine.GetBassBoost());
    }
}

TEST_F(PlayerSettingsTest, EverySettingIsStoredUnderItsNameAndReadBack) {
    PlayerEngine engine;
    PlayerSettings settings;
    settings.LoadSettings(&engine);
    int32_t next = 2;
    auto pick = [&next]() { return next++; };
    // Each field gets a different value, so a value stored under the wrong name shows.
    struct Field {
        const wchar_t* name;
        int32_t* field;
    };
    const std::vector<Field> fields = {
        {L"Window Top Most", &settings.windowTopMost}, {L"Window Left", &settings.windowLeft},
        {L"Window Top", &settings.windowTop},           {L"DrawPeek", &settings.drawPeek},
        {L"Shuffle", &settings.shuffle},                 {L"Repeat", &settings.repeat},
        {L"Resume", &settings.resume},                   {L"PlayOnStart", &settings.playOnStart},
        {L"TimeReverse", &settings.timeReverse},         {L"SaveDefPlayList", &settings.saveDefPlayList},
        {L"AddExisting", &settings.addExisting},         {L"TrayIcon", &settings.trayIcon},
        {L"SearchSubFolders", &settings.searchSubFolders}, {L"ScrollTitle", &settings.scrollTitle},
        {L"SleepMinutes", &settings.sleepMinutes},       {L"SleepPowerOff", &settings.sleepPowerOff},
        {L"ResumeTrack", &settings.resumeTrack},         {L"ResumeTime", &settings.resumeTime},
        {L"OutputBufferLen", &settings.output.bufferLenMs}, {L"OutputPrebuffer", &settings.output.prebufferPercent},
        {L"ScanCompletely", &settings.output.scanCompletely}, {L"OutputFade", &settings.output.fade},
        {L"SuppressZeroSamples", &settings.output.suppressZeroSamples},
        {L"AlwaysOpenDev", &settings.output.alwaysOpenDev},
        {L"StreamingBuffer", &settings.stream.bufferBlocks}, {L"StreamingPreBuffer", &settings.stream.prebufferBlocks},
        {L"StreamingUseProxy", &settings.stream.useProxy},
    };
    std::vector<int32_t> expect;
    for (const auto& f : fields) expect.push_back(*f.field = pick() * 10);
    settings.resumeTrack = expect[16] = -5;
    settings.stream.prebufferBlocks = expect[25] = 20;  // not above the buffer
    settings.output.bufferLenMs = expect[18] = 1000;    // within what the engine takes
    SetText(settings.lastDir, L"/music/\x00e9t\x00e9");
    SetText(settings.skinFile, L"/skins/blue.gps");
    SetText(settings.stream.proxy, L"http://proxy:3128");

    struct EngineValue {
        const wchar_t* name;
        int32_t value;
    };
    std::vector<EngineValue> engineValues = {
        {L"SurroundEnable", 1}, {L"SurroundRate", 33},  {L"3DChorusEnable", 1}, {L"3DChorusRate", 4},
        {L"ReverbEnable", 1},   {L"ReverbRate", 21},    {L"ReverbDelay", 150},  {L"EchoEnable", 1},
        {L"EchoRate", 22},      {L"EchoDelay", 250},    {L"EqEnable", 1},       {L"Preamp", 20},
        {L"BassBoost", 2},
    };
    engine.SetEffect(kEffectSurround, EffectParams{1, 0, 33});
    engine.SetEffect(kEffectChorus3D, EffectParams{1, 0, 4});
    engine.SetEffect(kEffectReverb, EffectParams{1, 150, 21});
    engine.SetEffect(kEffectEcho, EffectParams{1, 250, 22});
    EqualizerParams eq = DefaultEqualizer();
    eq.enable = 1;
    eq.preamp = 20;
    for (int i = 0; i < 10; ++i) {
        eq.band[i] = 10 + i;
        engineValues.push_back({nullptr, 10 + i});
    }
    engine.SetEqualizer(eq);
    engine.SetBassBoost(2);
    ASSERT_TRUE(settings.SaveSettings(&engine));

    Restart();
    for (size_t i = 0; i < fields.size(); ++i)
        EXPECT_EQ(expect[i], StoredNumber(kSettingsKey, fields[i].name)) << WideToUtf8(fields[i].name);
    int band = 1;
    for (const auto& v : engineValues) {
        std::wstring name = v.name ? v.name : L"EqBank" + std::to_wstring(band++);
        EXPECT_EQ(v.value, StoredNumber(kSettingsKey, name)) << WideToUtf8(name);
    }

    PlayerEngine engine2;
    PlayerSettings loaded;
    loaded.LoadSettings(&engine2);
    const std::vector<int32_t*> loadedFields = {
        &loaded.windowTopMost, &loaded.windowLeft, &loaded.windowTop, &loaded.drawPeek, &loaded.shuffle,
        &loaded.repeat, &loaded.resume, &loaded.playOnStart, &loaded.timeReverse, &loaded.saveDefPlayList,
        &loaded.addExisting, &loaded.trayIcon, &loaded.searchSubFolders, &loaded.scrollTitle,
        &loaded.sleepMinutes, &loaded.sleepPowerOff, &loaded.resumeTrack, &loaded.resumeTime,
        &loaded.output.bufferLenMs, &loaded.output.prebufferPercent, &loaded.output.scanCompletely,
        &loaded.output.fade, &loaded.output.suppressZeroSamples, &loaded.output.alwaysOpenDev,
        &loaded.stream.bufferBlocks, &loaded.stream.prebufferBlocks, &loaded.stream.useProxy,
    };
    ASSERT_EQ(fields.size(), loadedFields.size());
    for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(expect[i], *loadedFields[i]) << WideToUtf8(fields[i].name);
    EXPECT_EQ(L"/music/\x00e9t\x00e9", GetText(loaded.lastDir));
    EXPECT_EQ(L"/skins/blue.gps", GetText(loaded.skinFile));
    EXPECT_EQ(L"http://proxy:3128", GetText(loaded.stream.proxy));

    ExpectEffect(engine2, kEffectReverb, 1, 150, 21);
    ExpectEffect(engine2, kEffectSurround, 1, -1, 33);
    EqualizerParams eq2;
    engine2.GetEqualizer(eq2);
    EXPECT_EQ(0, std::memcmp(&eq, &eq2, sizeof(eq)));
    EXPECT_EQ(2, engine2.GetBassBoost());
    EXPECT_EQ(expect[3] != 0, engine2.GetPeakMeter());
}

TEST_F(PlayerSettingsTest, MissingOrUnreadableValuesKeepTheirDefaults) {
    Store(kSettingsKey, L"Window Left", REG_DWORD, std::string("\x05\x00", 2));  // wrong size
    Store(kSettingsKey, L"Repeat", REG_SZ, std::string("\x02\x00\x00\x00", 4));  // 4 bytes: a number
    Store(kSettingsKey, L"Shuffle", REG_BINARY, std::string(8, '\x01'));        // too large
    StoreNumber(kSettingsKey, L"OutputBufferLen", 1000);
    {
        RegKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kSettingsKey));
        key.SetString(L"LastDir", std::wstring(260, L'd'));  // does not fit 520 bytes
        key.SetString(L"SkinFile", std::wstring(259, L's'));
    }
    PlayerEngine engine;
    engine.SetEffect(kEffectEcho, EffectParams{1, 999, 99});
    PlayerSettings settings;
    SetText(settings.lastDir, L"/previous");
    settings.LoadSettings(&engine);
    EXPECT_EQ(1, settings.windowLeft);
    EXPECT_EQ(2, settings.repeat);
    EXPECT_EQ(0, settings.shuffle);
    EXPECT_EQ(L"", GetText(settings.lastDir));
    EXPECT_EQ(259u, GetText(settings.skinFile).size());
    OutputSettings out;
    engine.GetOutputSettings(out);
    EXPECT_EQ(1000, out.bufferLenMs);  // the record is handed to the engine
    // The key exists, so the engine values get their stored defaults.
    ExpectEffect(engine, kEffectEcho, 0, 100, 20);
    ExpectEffect(engine, kEffectChorus3D, 0, -1, 2);
    ExpectEffect(engine, kEffectSurround, 0, -1, 25);
    EqualizerParams eq;
    engine.GetEqualizer(eq);
    EXPECT_EQ(31, eq.preamp);
    EXPECT_EQ(31, eq.band[9]);
}

TEST_F(LyricsSettingsTest, FirstStartDefaultsAndBacklight) {
    PlayerEngine engine;
    LyricsSettings settings;
    std::vector<bool> backlight;
    settings.setBacklightRequirement = [&](bool on) { backlight.push_back(on); };
    settings.trayIcon = 1;
    settings.LoadSettings(&engine);
    EXPECT_EQ(1, settings.showMode);
    EXPECT_EQ(1, settings.releaseKeyMap);
    EXPECT_EQ(0, settings.keyMap.GetCount());
    EXPECT_EQ(0, settings.trayIcon);
    EXPECT_EQ(std::vector<bool>{false}, backlight);

    std::vector<OptionPage> pages;
    EXPECT_EQ(8, settings.GetOptionPages(pages));
    EXPECT_EQ(180, pages[7].dialogId);
    EXPECT_EQ(&settings, pages[7].parameter);
}

TEST_F(LyricsSettingsTest, BacklightIsHeldOnlyWhenAskedFor) {
    StoreNumber(kSettingsKey, L"AlwaysTurnOnBackLight", 1);
    PlayerEngine engine;
    LyricsSettings settings;
    std::vector<bool> backlight;
    settings.setBacklightRequirement = [&](bool on) { backlight.push_back(on); };
    settings.LoadSettings(&engine);
    EXPECT_EQ(std::vector<bool>{true}, backlight);
    ASSERT_TRUE(settings.SaveSettings(&engine));
    EXPECT_EQ((std::vector<bool>{true, false}), backlight);  // released at exit
}

TEST_F(LyricsSettingsTest, ButtonMapSlotsAndRewrite) {
    for (int n : {0, 1, 5, 7, 98, 99, 120}) {
        StoreNumber(kKeyMapKey, L"KeyVirt" + std::to_wstring(n), 0x01 | (n == 1 ? 0x04 : 0));
        StoreNumber(kKeyMapKey, L"KeyCode" + std::to_wstring(n), 0xC1 + n);
        if (n != 7) StoreNumber(kKeyMapKey, L"KeyCmd" + std::to_wstring(n), 40001 + n);  // 7 is incomplete
    }
    StoreNumber(kKeyMapKey, L"ReleaseKeyMap", 0);
    StoreNumber(kSettingsKey, L"ShowMode", 3);
    StoreNumber(kSettingsKey, L"DispAutoOff", 60);
    StoreNumber(kSettingsKey, L"AlwaysTurnOnBackLight", 0);
    Store(kSettingsKey, L"SentenceMode", REG_SZ, std::string("\x02\x00\x00\x00", 4));  // wrong type
    {
        RegKey key;
        ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kSettingsKey));
        key.SetString(L"SearchURL", L"http://lyrics.example/search?q=");
    }

    PlayerEngine engine;
    LyricsSettings settings;
    std::vector<bool> backlight;
    settings.setBacklightRequirement = [&](bool on) { backlight.push_back(on); };
    settings.LoadSettings(&engine);
    EXPECT_EQ((std::vector<bool>{false}), backlight);
    ASSERT_EQ(4, settings.keyMap.GetCount());
    const int slots[] = {0, 1, 5, 98};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(0xC1 + slots[i], settings.GetKeyMapping(i)->keyCode);
        EXPECT_EQ(40001 + slots[i], settings.GetKeyMapping(i)->command);
    }
    EXPECT_EQ(0x05, settings.GetKeyMapping(1)->virtFlags);
    EXPECT_EQ(0, settings.releaseKeyMap);
    EXPECT_EQ(3, settings.showMode);
    EXPECT_EQ(60, settings.dispAutoOff);
    EXPECT_EQ(0, settings.sentenceMode);
    EXPECT_EQ(L"http://lyrics.example/search?q=", GetText(settings.searchUrl));

    // Drop one mapping and save: the key holds exactly the others, numbered from 0.
    delete static_cast<KeyMapping*>(settings.keyMap.RemoveAt(1));
    settings.showMode = 0;
    SetText(settings.searchUrl, L"");
    ASSERT_TRUE(settings.SaveSettings(&engine));
    EXPECT_EQ((std::vector<bool>{false, false}), backlight);
    Restart();
    RegKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kKeyMapKey));
    std::vector<std::wstring> names;
    std::wstring name;
    for (int i = 0; key.EnumValue(i, &name); ++i) names.push_back(name);
    EXPECT_EQ((std::vector<std::wstring>{L"KeyVirt0", L"KeyCode0", L"KeyCmd0", L"KeyVirt1", L"KeyCode1",
                                         L"KeyCmd1", L"KeyVirt2", L"KeyCode2", L"KeyCmd2", L"ReleaseKeyMap"}),
              names);
    EXPECT_EQ(0xC1 + 5, StoredNumber(kKeyMapKey, L"KeyCode1"));

    LyricsSettings reloaded;
    reloaded.LoadSettings(&engine);
    EXPECT_EQ(3, reloaded.keyMap.GetCount());
    EXPECT_EQ(0, reloaded.showMode);
    EXPECT_EQ(L"", GetText(reloaded.searchUrl));
    EXPECT_EQ(60, reloaded.dispAutoOff);
}

}  // namespace
}  // namespace vl
