#pragma once
// File associations under HKEY_CLASSES_ROOT (the program's own registry file): the classes
// "Versolune AudioFile" and "Versolune Playlist", and for each extension key ".ext" its default
// value (the class) with the previous owner kept in "Versolune Backup" while the player owns it.
#include <string>

namespace vl {

inline constexpr const wchar_t* kAudioFileClass = L"Versolune AudioFile";
inline constexpr const wchar_t* kPlaylistClass = L"Versolune Playlist";
inline constexpr const wchar_t* kAudioFileDescription = L"Audio File";
inline constexpr const wchar_t* kPlaylistDescription = L"Play List File";
inline constexpr const wchar_t* kBackupValueName = L"Versolune Backup";
inline constexpr int kFileTypeIconIndex = 200;

// extension with or without the leading dot.
bool IsFileTypeRegistered(const std::wstring& extension, const std::wstring& className);
// False when a key could not be created (nothing further is written then).
bool RegisterFileType(const std::wstring& extension, const std::wstring& className,
                      const std::wstring& description, int iconIndex);
bool UnregisterFileType(const std::wstring& extension, const std::wstring& className);

}  // namespace vl
