#include "settings/player_settings.h"

#include "engine/player_engine.h"
#include "platform/registry.h"
#include "settings/registry_keys.h"

namespace vl {

namespace {

SettingsDialogs* g_dialogs = nullptr;

// The engine-held effects in the order they are loaded and saved. Surround and 3D chorus keep
// no delay.
struct EffectValues {
    int kind;
    const wchar_t* enable;
    const wchar_t* rate;
    const wchar_t* delay;
    int32_t defaultRate;
    int32_t defaultDelay;
};
const EffectValues kEffects[] = {
    {kEffectSurround, L"SurroundEnable", L"SurroundRate", nullptr, 25, 0},
    {kEffectChorus3D, L"3DChorusEnable", L"3DChorusRate", nullptr, 2, 0},
    {kEffectReverb, L"ReverbEnable", L"ReverbRate", L"ReverbDelay", 20, 100},
    {kEffectEcho, L"EchoEnable", L"EchoRate", L"EchoDelay", 20, 100},
};

struct RecordNumber {
    const wchar_t* name;
    int32_t PlayerSettings::*field;
};
// Load order; the save writes the two paths after "ScrollTitle".
const RecordNumber kNumbers[] = {
    {L"Window Top Most", &PlayerSettings::windowTopMost},
    {L"Window Left", &PlayerSettings::windowLeft},
    {L"Window Top", &PlayerSettings::windowTop},
    {L"Repeat", &PlayerSettings::repeat},
    {L"Shuffle", &PlayerSettings::shuffle},
    {L"DrawPeek", &PlayerSettings::drawPeek},
    {L"TimeReverse", &PlayerSettings::timeReverse},
    {L"SaveDefPlayList", &PlayerSettings::saveDefPlayList},
    {L"AddExisting", &PlayerSettings::addExisting},
    {L"Resume", &PlayerSettings::resume},
    {L"ResumeTrack", &PlayerSettings::resumeTrack},
    {L"ResumeTime", &PlayerSettings::resumeTime},
    {L"PlayOnStart", &PlayerSettings::playOnStart},
    {L"TrayIcon", &PlayerSettings::trayIcon},
    {L"SearchSubFolders", &PlayerSettings::searchSubFolders},
    {L"ScrollTitle", &PlayerSettings::scrollTitle},
    {L"SleepMinutes", &PlayerSettings::sleepMinutes},
    {L"SleepPowerOff", &PlayerSettings::sleepPowerOff},
};
const size_t kNumbersBeforePaths = 16;

const struct {
    const wchar_t* name;
    int32_t OutputSettings::*field;
} kOutputNumbers[] = {
    {L"OutputBufferLen", &OutputSettings::bufferLenMs},
    {L"OutputPrebuffer", &OutputSettings::prebufferPercent},
    {L"OutputFade", &OutputSettings::fade},
    {L"ScanCompletely", &OutputSettings::scanCompletely},
    {L"SuppressZeroSamples", &OutputSettings::suppressZeroSamples},
    {L"AlwaysOpenDev", &OutputSettings::alwaysOpenDev},
};

const struct {
    const wchar_t* name;
    int32_t StreamSettings::*field;
} kStreamNumbers[] = {
    {L"StreamingBuffer", &StreamSettings::bufferBlocks},
    {L"StreamingPreBuffer", &StreamSettings::prebufferBlocks},
    {L"StreamingUseProxy", &StreamSettings::useProxy},
};

const uint32_t kPathBuffer = 520;

// A text read straight into its field: empty when it cannot be read.
template <size_t N>
void ReadPath(const RegKey& key, const wchar_t* name, wchar_t (&field)[N]) {
    std::wstring text;
    if (!key.QueryString(name, text, kPathBuffer)) text.clear();
    SetText(field, text);
}

}  // namespace

void SetSettingsDialogs(SettingsDialogs* dialogs) { g_dialogs = dialogs; }

PlayerSettings::PlayerSettings(int screenWidth, int screenHeight)
    : windowLeft((screenWidth - 238) / 2), windowTop((screenHeight - 80) / 2) {}

PlayerSettings::~PlayerSettings() = default;

void PlayerSettings::LoadSettings(PlayerEngine* engine) {
    // The engine's current output and stream options are the defaults.
    if (engine) {
        engine->GetOutputSettings(output);
        engine->GetStreamSettings(stream);
    }
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey)) {
        for (const auto& e : kEffects) {
            EffectParams p;
            p.enable = 0;
            p.rate = e.defaultRate;
            p.delay = e.defaultDelay;
            key.QueryDword(e.enable, p.enable);
            key.QueryDword(e.rate, p.rate);
            if (e.delay) key.QueryDword(e.delay, p.delay);
            if (engine) engine->SetEffect(e.kind, p);
        }
        EqualizerParams eq = DefaultEqualizer();
        key.QueryDword(L"EqEnable", eq.enable);
        key.QueryDword(L"Preamp", eq.preamp);
        for (int i = 0; i < 10; ++i) key.QueryDword(L"EqBank" + std::to_wstring(i + 1), eq.band[i]);
        int32_t bassBoost = 0;
        key.QueryDword(L"BassBoost", bassBoost);
        if (engine) {
            engine->SetEqualizer(eq);
            engine->SetBassBoost(bassBoost);
        }

        for (const auto& n : kNumbers) key.QueryDword(n.name, this->*n.field);
        for (const auto& n : kOutputNumbers) key.QueryDword(n.name, output.*n.field);
        ReadPath(key, L"LastDir", lastDir);
        ReadPath(key, L"SkinFile", skinFile);
        for (const auto& n : kStreamNumbers) key.QueryDword(n.name, stream.*n.field);
        ReadPath(key, L"StreamingProxy", stream.proxy);
        key.Close();
    }
    if (engine) {
        // Pushed also on a first start, when the key does not exist yet.
        engine->SetPeakMeter(drawPeek != 0);
        engine->SetOutputSettings(output);
        engine->SetStreamSettings(stream);
    }
}

bool PlayerSettings::SaveSettings(PlayerEngine* engine) {
    RegKey key;
    if (!key.Create(HKEY_CURRENT_USER, kSettingsKey)) return false;
    if (engine) {
        for (const auto& e : kEffects) {
            EffectParams p;
            engine->GetEffect(e.kind, p);
            key.SetDword(e.enable, p.enable);
            if (e.delay) key.SetDword(e.delay, p.delay);
            key.SetDword(e.rate, p.rate);
        }
        EqualizerParams eq;
        engine->GetEqualizer(eq);
        key.SetDword(L"EqEnable", eq.enable);
        key.SetDword(L"Preamp", eq.preamp);
        for (int i = 0; i < 10; ++i) key.SetDword(L"EqBank" + std::to_wstring(i + 1), eq.band[i]);
        key.SetDword(L"BassBoost", engine->GetBassBoost());
    }
    for (size_t i = 0; i < std::size(kNumbers); ++i) {
        if (i == kNumbersBeforePaths) {
            key.SetString(L"LastDir", GetText(lastDir));
            key.SetString(L"SkinFile", GetText(skinFile));
        }
        key.SetDword(kNumbers[i].name, this->*kNumbers[i].field);
    }
    for (const auto& n : kOutputNumbers) key.SetDword(n.name, output.*n.field);
    for (const auto& n : kStreamNumbers) key.SetDword(n.name, stream.*n.field);
    key.SetString(L"StreamingProxy", GetText(stream.proxy));
    return key.Close();
}

void PlayerSettings::ShowOptions(void* owner, PlayerEngine* engine) {
    if (!g_dialogs) return;
    optionsEngine = engine;
    g_dialogs->ShowOptions(*this, owner, engine);
    optionsEngine = nullptr;
}

bool PlayerSettings::ShowSleepTimer(void* owner) { return g_dialogs && g_dialogs->ShowSleepTimer(*this, owner); }

int PlayerSettings::ShowOpenUrl(void* owner, std::wstring& url) {
    if (!g_dialogs) return 0;
    int result = g_dialogs->ShowOpenUrl(*this, owner, url);
    urlResult = nullptr;
    return result;
}

int PlayerSettings::GetOptionPages(std::vector<OptionPage>& pages) {
    static const struct {
        int id;
        const wchar_t* title;
    } kPages[] = {{115, L"Preferences"}, {176, L"Decoder"}, {175, L"Streaming"},
                  {178, L"Skin"},        {177, L"Associations"}, {171, L"Plug-ins"}};
    for (const auto& p : kPages) pages.push_back(OptionPage{p.id, p.title, this});
    return static_cast<int>(pages.size());
}

}  // namespace vl
