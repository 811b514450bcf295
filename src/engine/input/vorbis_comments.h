#pragma once
// Vorbis comments ("KEY=value" texts in UTF-8) into the seven slots the player shows, and from
// there into a TagInfo record.
#include <cstddef>

#include <tremor/ivorbiscodec.h>

#include "engine/types.h"

namespace vl {

enum OggCommentSlot {
    kOggDate = 0,
    kOggTrackNumber,
    kOggTitle,
    kOggArtist,
    kOggAlbum,
    kOggGenre,
    kOggComment,
    kOggSlotCount
};
constexpr int kOggSlotChars = 64;  // 63 characters and the terminator

struct OggComments {
    wchar_t slot[kOggSlotCount][kOggSlotChars] = {};
};

// Decodes at most `length` bytes of UTF-8 (stopping at a NUL) into at most 63 characters and a
// terminator. A byte that cannot start a character, or a sequence cut short, ends the text.
void DecodeUtf8Slot(const char* text, size_t length, wchar_t* slot);
// One comment into its slot (keys compared without regard to case); a text without '=' and
// unknown keys are ignored. A later comment with the same key replaces an earlier one.
void ReadOggComment(const char* text, size_t length, OggComments& slots);
// Clears the slots, then reads every user comment.
void ReadOggComments(const vorbis_comment* comments, OggComments& slots);
// track and year from the leading digits of TRACKNUMBER and DATE; the texts copied.
void CommentsToTags(const OggComments& slots, TagInfo& tags);

}  // namespace vl
