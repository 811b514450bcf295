// A skin description over arbitrary bytes: every key the skins look up, and its values read
// as colours, numbers and bitmap paths.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_temp_file.h"
#include "platform/text.h"
#include "ui/skin_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path;
    FILE* out = vl::fuzz::OpenTempFile(path);
    if (!out) return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    vl::SkinFile skin(vl::WidePath(path));
    static const wchar_t* const kKeys[] = {L"Version",   L"Background", L"Background240x320", L"Number",
                                           L"DispColor", L"Disp",       L"Playlist",          L"ButtonNormal"};
    for (const wchar_t* section : {vl::kSkinSection, vl::kPocketSkinSection}) {
        for (const wchar_t* key : kKeys) {
            std::wstring value;
            skin.Read(section, key, value);
            int32_t color = vl::ParseSkinColor(value);
            if (color < -1 || color > 0xFFFFFF) __builtin_trap();
            vl::ParseSkinInt(value);
            if (skin.BitmapPath(section, key).compare(0, skin.Folder().size(), skin.Folder()) != 0) __builtin_trap();
            uint32_t flag = 7;
            skin.ReadFlag(section, key, flag);
            if (flag > 1 && flag != 7) __builtin_trap();
        }
        skin.ReadVersion(section);
    }
    return 0;
}
