#include "engine/input/vorbis_comments.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "engine/input/tags.h"

namespace vl {

namespace {

const char* const kSlotKeys[kOggSlotCount] = {"DATE",  "TRACKNUMBER", "TITLE",  "ARTIST",
                                              "ALBUM", "GENRE",       "COMMENT"};

int32_t LeadingNumber(const wchar_t* text) {
    long value = std::wcstol(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

}  // namespace

void DecodeUtf8Slot(const char* text, size_t length, wchar_t* slot) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    size_t i = 0;
    int out = 0;
    while (out < kOggSlotChars - 1 && i < length && bytes[i] != 0) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) {
            slot[out++] = lead;
            ++i;
            continue;
        }
        // A stray continuation byte or an impossible lead byte ends the text.
        if (lead < 0xC0 || lead >= 0xF8) break;
        const size_t extra = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        if (length - i <= extra) break;  // cut short by the end of the value
        uint32_t code = lead & (0x3F >> extra);
        bool ok = true;
        for (size_t k = 1; k <= extra; ++k) {
            const uint8_t next = bytes[i + k];
            if ((next & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (!ok) break;
        slot[out++] = static_cast<wchar_t>(code);
        i += extra + 1;
    }
    slot[out] = 0;
}

void ReadOggComment(const char* text, size_t length, OggComments& slots) {
    if (!text) return;
    length = strnlen(text, length);
    const char* equals = static_cast<const char*>(std::memchr(text, '=', length));
    if (!equals) return;
    const size_t keyLength = static_cast<size_t>(equals - text);
    for (int s = 0; s < kOggSlotCount; ++s) {
        const char* key = kSlotKeys[s];
        if (std::strlen(key) != keyLength) continue;
        bool same = true;
        for (size_t k = 0; k < keyLength && same; ++k) {
            char c = text[k];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            same = c == key[k];
        }
        if (same) {
            DecodeUtf8Slot(equals + 1, length - keyLength - 1, slots.slot[s]);
            return;
        }
    }
}

void ReadOggComments(const vorbis_comment* comments, OggComments& slots) {
    slots = OggComments{};
    if (!comments || !comments->user_comments) return;
    for (int i = 0; i < comments->comments; ++i) {
        const char* text = comments->user_comments[i];
        if (!text) continue;
        size_t length = comments->comment_lengths ? static_cast<size_t>(comments->comment_lengths[i])
                                                  : std::strlen(text);
        ReadOggComment(text, length, slots);
    }
}

void CommentsToTags(const OggComments& slots, TagInfo& tags) {
    tags.track = LeadingNumber(slots.slot[kOggTrackNumber]);
    tags.year = LeadingNumber(slots.slot[kOggDate]);
    // 254 characters at most in every field.
    CopyText(tags.title, 255, slots.slot[kOggTitle]);
    CopyText(tags.artist, 255, slots.slot[kOggArtist]);
    CopyText(tags.album, 255, slots.slot[kOggAlbum]);
    CopyText(tags.comment, 255, slots.slot[kOggComment]);
    CopyText(tags.genre, 255, slots.slot[kOggGenre]);
}

}  // namespace vl
