#pragma once
// ID3v1 tags and the genre table.
#include <string>

#include "engine/types.h"

namespace vl {

constexpr int kGenreCount = 148;

bool ReadId3v1(const std::wstring& path, TagInfo& tags);
// Leaves out unchanged for an index outside 0..147.
void GetGenreName(int index, std::wstring& out);
const wchar_t* GenreName(int index);  // null outside 0..147
// Copies at most capacity - 1 characters and terminates.
void CopyText(wchar_t* dest, size_t capacity, const std::wstring& text);

}  // namespace vl
