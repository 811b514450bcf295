#pragma once
// The desktop side of the file associations: the user's mimeapps.list ($XDG_CONFIG_HOME, else
// ~/.config) names the player ("versolune.desktop") as the default application of a MIME type
// while any extension of that type is registered to the player (file_types.h). The default the
// type had before is kept in the registry (HKEY_CLASSES_ROOT "MIME\Database\Content Type\<type>",
// value "Versolune Backup") and written back when the last of its extensions is given back; a
// type that another application took over meanwhile keeps that application. Only the lines of
// the types the player changes are touched; system-wide files are only read.
#include <string>

namespace vl {

inline constexpr const char* kDesktopId = "versolune.desktop";

// The MIME type of an extension (without the dot, any case), or null: "rmp" and the plug-ins'
// extensions have none.
const char* MimeTypeOfExtension(const std::wstring& extension);

// Brings mimeapps.list and the backups in line with the registered extensions; when the player
// becomes a default and no launcher "versolune.desktop" is installed in the XDG data folders, a
// user copy pointing at this executable is written. False when mimeapps.list could not be
// written (a read-only file is left alone): then the backups are not changed either.
bool SyncDesktopDefaults();

// The text of a mimeapps.list: the value of mimeType in [Default Applications], false when
// there is none; and the text with that value set (value non-null) or removed, every other
// byte kept.
bool GetDefaultApplication(const std::string& text, const std::string& mimeType, std::string& value);
std::string SetDefaultApplication(const std::string& text, const std::string& mimeType, const std::string* value);

}  // namespace vl
