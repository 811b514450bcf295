#pragma once
// The reader of 8-bit section/key text files (skins, PLS playlists, presets): one value per
// call, every call scanning again from the start of the file.
#include <cstdio>
#include <string>

namespace vl {

// Longest line handled at once (the rest of a longer physical line is skipped), and so the
// bound on a value: values are cut where the line is cut.
constexpr int kIniLineBytes = 259;

// Looks up `key` in the first section named `section` of an open 8-bit stream (the caller
// opens and closes it). Names compare exactly and case-sensitively, nothing is trimmed from
// the key; later sections of the same name are not searched; lines starting with ';' are
// comments. The value is converted from the ANSI code page and loses its line end and its
// trailing blanks. False (value empty) when the key is not found or file is null.
bool ReadIniValue(FILE* file, const std::wstring& section, const std::wstring& key, std::wstring& value);

}  // namespace vl
