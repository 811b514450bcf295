#pragma once
// Where the program keeps its settings under HKEY_CURRENT_USER.
namespace vl {

inline constexpr const wchar_t* kSettingsKey = L"Software\\Talvessa\\Versolune\\MP3";
inline constexpr const wchar_t* kUrlHistoryKey = L"Software\\Talvessa\\Versolune\\MP3\\Location";
// The button map has a key of its own, outside the settings key.
inline constexpr const wchar_t* kKeyMapKey = L"Software\\Versolune\\MP3\\Key";

}  // namespace vl
