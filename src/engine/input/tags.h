#pragma once
// ID3v1 tags and the genre table.
#include <cwchar>
#include <string>

#include "engine/types.h"

namespace vl {

constexpr int kGenreCount = 148;

bool ReadId3v1(const std::wstring& path, TagInfo& tags);
// Tags of an MPEG file: its ID3v2 or APE tag (TagLib) with the empty fields filled from its
// ID3v1 tag, or the ID3v1 tag alone exactly as ReadId3v1 reads it (and answers) when it has no
// other. mpeg_tags.cpp.
bool ReadMpegTags(const std::wstring& path, TagInfo& tags);
// Keeps TagLib's reports of damaged tags off stderr (a damaged tag is simply not read).
void SilenceTagLib();
// Leaves out unchanged for an index outside 0..147.
void GetGenreName(int index, std::wstring& out);
const wchar_t* GenreName(int index);  // null outside 0..147
// Copies at most capacity - 1 characters and terminates.
void CopyText(wchar_t* dest, size_t capacity, const std::wstring& text);
// Text of a fixed tag field, which may fill its buffer without a terminator.
template <size_t N>
std::wstring TagText(const wchar_t (&field)[N]) {
    return std::wstring(field, wcsnlen(field, N));
}

}  // namespace vl
