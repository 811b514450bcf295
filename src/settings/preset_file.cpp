#include "settings/preset_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "platform/files.h"
#include "platform/text.h"
#include "settings/ini_reader.h"

namespace vl {

namespace {

constexpr size_t kMaxPath = 260;
const char kMain[] = "Versolune";
const char kEqualizer[] = "Versolune Equalizer";
const char kSurround[] = "Versolune Surround";
const char kChorus3D[] = "Versolune 3D Chorus";
const char kReverb[] = "Versolune Reverb";
const char kEcho[] = "Versolune Echo";
const char kBassBoost[] = "Versolune BassBoost";

void Header(std::string& out, const char* name) {
    char line[128];
    std::snprintf(line, sizeof(line), out.empty() ? "[%s]\n" : "\n[%s]\n", name);
    out += line;
}

void Value(std::string& out, const char* key, int value) {
    char line[128];
    std::snprintf(line, sizeof(line), "%s=%d\n", key, value);
    out += line;
}

// A base-10 number the way a 32-bit wcstol reads it: sign allowed, text after the digits
// ignored, values beyond the 32-bit range held at its ends.
int32_t ToInt(const std::wstring& text) {
    long long v = std::wcstoll(text.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

void ReadInt(FILE* file, const char* section, const std::wstring& key, int32_t& target) {
    std::wstring value;
    if (ReadIniValue(file, WidePath(section), key, value)) target = ToInt(value);
}

void ReadEffect(FILE* file, const char* section, EffectParams& p, bool withDelay) {
    ReadInt(file, section, L"Enable", p.enable);
    if (withDelay) ReadInt(file, section, L"Delay", p.delay);
    ReadInt(file, section, L"Rate", p.rate);
}

bool HasPresetExtension(const std::wstring& name) {
    const std::wstring ext = std::wstring(L".") + kPresetExtension;
    if (name.size() < ext.size()) return false;
    for (size_t i = 0; i < ext.size(); ++i)
        if (std::towlower(name[name.size() - ext.size() + i]) != std::towlower(ext[i])) return false;
    return true;
}

}  // namespace

bool EnsurePresetFolder(std::wstring& folder) {
    folder.clear();
    std::wstring base = GetDataDir();
    if (base.empty() || base.size() + 7 + 2 > kMaxPath) return false;
    std::wstring path = JoinPath(base, L"Presets");
    if (!IsDirectory(path) && !MakeDirectory(path)) return false;
    folder = path;
    return true;
}

bool BuildPresetPath(const std::wstring& name, std::wstring& path) {
    path.clear();
    std::wstring folder;
    if (!EnsurePresetFolder(folder) || folder.size() + 3 + 3 > kMaxPath) return false;
    path = folder + L"/" + name + L"." + kPresetExtension;
    return true;
}

int PresetNameLimit(const std::wstring& folder) { return 257 - 3 - static_cast<int>(folder.size()); }

bool IsValidPresetName(const std::wstring& name) {
    return name.find_first_of(kPresetForbiddenChars) == std::wstring::npos;
}

std::vector<std::wstring> ListPresets() {
    std::vector<std::wstring> names;
    std::wstring folder;
    if (!EnsurePresetFolder(folder)) return names;
    for (const auto& entry : ListDirectory(folder)) {
        if (entry.isDirectory || !HasPresetExtension(entry.name)) continue;
        names.push_back(entry.name.substr(0, entry.name.find_last_of(L'.')));
    }
    return names;
}

bool DeletePreset(const std::wstring& name) {
    std::wstring path;
    return BuildPresetPath(name, path) && DeleteFile(path);
}

std::string FormatPreset(const PresetValues& v, const PresetFlags& flags) {
    std::string out;
    Header(out, kMain);
    Value(out, "Version", kPresetVersion);
    if (flags.saveEqualizer) {
        Header(out, kEqualizer);
        Value(out, "Enable", v.equalizer.enable);
        Value(out, "Preamp", v.equalizer.preamp);
        char key[16];
        for (int i = 0; i < 10; ++i) {
            std::snprintf(key, sizeof(key), "%d", i);
            Value(out, key, v.equalizer.band[i]);
        }
    }
    const struct {
        int flag;
        const char* section;
        const EffectParams& params;
        bool withDelay;
    } effects[] = {
        {flags.saveSurround, kSurround, v.surround, false},
        {flags.save3DChorus, kChorus3D, v.chorus3D, false},
        {flags.saveReverb, kReverb, v.reverb, true},
        {flags.saveEcho, kEcho, v.echo, true},
    };
    for (const auto& e : effects) {
        if (!e.flag) continue;
        Header(out, e.section);
        Value(out, "Enable", e.params.enable);
        if (e.withDelay) Value(out, "Delay", e.params.delay);
        Value(out, "Rate", e.params.rate);
    }
    if (flags.saveBassBoost) {
        Header(out, kBassBoost);
        Value(out, "Rate", v.bassBoost);
    }
    return out;
}

bool WritePresetFile(const std::wstring& path, const PresetValues& values, const PresetFlags& flags) {
    return !path.empty() && WriteFileAtomic(path, FormatPreset(values, flags));
}

bool ReadPresetFile(const std::wstring& path, PresetValues& values) {
    FILE* file = std::fopen(NativePath(path).c_str(), "r");
    if (!file) return false;
    std::wstring version;
    if (!ReadIniValue(file, WidePath(kMain), L"Version", version) || ToInt(version) != kPresetVersion) {
        std::fclose(file);
        return false;
    }
    ReadInt(file, kEqualizer, L"Enable", values.equalizer.enable);
    ReadInt(file, kEqualizer, L"Preamp", values.equalizer.preamp);
    for (int i = 0; i < 10; ++i) ReadInt(file, kEqualizer, std::to_wstring(i), values.equalizer.band[i]);
    ReadEffect(file, kSurround, values.surround, false);
    ReadEffect(file, kChorus3D, values.chorus3D, false);
    ReadEffect(file, kReverb, values.reverb, true);
    ReadEffect(file, kEcho, values.echo, true);
    ReadInt(file, kBassBoost, L"Rate", values.bassBoost);
    std::fclose(file);
    return true;
}

}  // namespace vl
