/*
 * FLAC decoder plug-in for Versolune (versolune_flac.so), on libFLAC.
 *
 * Plays native FLAC files (".flac", optionally behind an ID3v2 tag) with seeking, and reads their
 * Vorbis comments as tags: TITLE, ARTIST, ALBUM, COMMENT, GENRE, DATE (its leading digits give
 * the year) and TRACKNUMBER (its leading digits give the track), keys in any case, values UTF-8,
 * each cut to 63 characters; a later comment with the same key replaces an earlier one.
 *
 * Output is always 16-bit PCM, whatever the source's sample size, so the player's preamp and
 * effects work on it: 16-bit sources come out bit for bit, wider sources (20, 24, 32 bits) are
 * shifted right to 16 bits (truncated, no dither), narrower ones shifted left.
 *
 * No streams, no equalizer. Built against versolune_plugin.h alone.
 */
#include <FLAC/format.h>
#include <FLAC/metadata.h>
#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "versolune_plugin.h"

namespace {

// ---------------------------------------------------------------- text

std::string PathToUtf8(const wchar_t* path) {
    std::string out;
    for (const wchar_t* p = path; p && *p; ++p) {
        uint32_t c = static_cast<uint32_t>(*p);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

const size_t kSlotChars = 63;

// UTF-8 into at most 63 characters. A stray continuation byte or a sequence cut short ends the
// text.
std::wstring DecodeUtf8(const uint8_t* s, size_t n) {
    std::wstring out;
    size_t i = 0;
    while (i < n && out.size() < kSlotChars) {
        uint8_t b = s[i];
        int extra;
        uint32_t c;
        if (b < 0x80) {
            extra = 0;
            c = b;
        } else if (b >= 0xC0 && b < 0xE0) {
            extra = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b < 0xF0) {
            extra = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b < 0xF8) {
            extra = 3;
            c = b & 0x07;
        } else {
            break;
        }
        if (i + extra >= n) break;
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            uint8_t cb = s[i + k];
            if ((cb & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok) break;
        out += static_cast<wchar_t>(c);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

void PutText(wchar_t* dest, size_t capacity, const std::wstring& text) {
    size_t n = std::min(text.size(), capacity - 1);
    std::wmemcpy(dest, text.data(), n);
    dest[n] = 0;
}

void PutWide(wchar_t* dest, size_t capacity, const wchar_t* text) {
    PutText(dest, capacity, std::wstring(text));
}

// ---------------------------------------------------------------- comments

enum Slot { kDate, kTrack, kTitle, kArtist, kAlbum, kGenre, kComment, kSlots };
const char* const kKeys[kSlots] = {"DATE", "TRACKNUMBER", "TITLE", "ARTIST", "ALBUM", "GENRE", "COMMENT"};

struct Comments {
    std::wstring slot[kSlots];
};

void ReadComments(const FLAC__StreamMetadata_VorbisComment& vc, Comments& out) {
    out = Comments{};
    for (FLAC__uint32 i = 0; i < vc.num_comments; ++i) {
        const auto& entry = vc.comments[i];
        if (!entry.entry) continue;
        const uint8_t* text = entry.entry;
        size_t length = entry.length;
        const void* eq = std::memchr(text, '=', length);
        if (!eq) continue;
        size_t keyLength = static_cast<size_t>(static_cast<const uint8_t*>(eq) - text);
        std::string key(reinterpret_cast<const char*>(text), keyLength);
        for (char& ch : key)
            if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        for (int s = 0; s < kSlots; ++s)
            if (key == kKeys[s]) out.slot[s] = DecodeUtf8(text + keyLength + 1, length - keyLength - 1);
    }
}

void CommentsToTags(const Comments& c, VlTagInfo* tags) {
    tags->track = static_cast<int32_t>(std::wcstol(c.slot[kTrack].c_str(), nullptr, 10));
    tags->year = static_cast<int32_t>(std::wcstol(c.slot[kDate].c_str(), nullptr, 10));
    PutText(tags->title, 255, c.slot[kTitle]);
    PutText(tags->artist, 255, c.slot[kArtist]);
    PutText(tags->album, 255, c.slot[kAlbum]);
    PutText(tags->comment, 255, c.slot[kComment]);
    PutText(tags->genre, 255, c.slot[kGenre]);
}

// ---------------------------------------------------------------- sniffing

// A native FLAC file: "fLaC" at the start, or right after an ID3v2 tag.
bool LooksLikeFlac(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    uint8_t head[10];
    bool ok = false;
    if (std::fread(head, 1, 10, f) == 10) {
        if (std::memcmp(head, "fLaC", 4) == 0) {
            ok = true;
        } else if (std::memcmp(head, "ID3", 3) == 0 && !((head[6] | head[7] | head[8] | head[9]) & 0x80)) {
            long size = (static_cast<long>(head[6]) << 21) | (head[7] << 14) | (head[8] << 7) | head[9];
            size += 10 + ((head[5] & 0x10) ? 10 : 0);
            uint8_t magic[4];
            ok = std::fseek(f, size, SEEK_SET) == 0 && std::fread(magic, 1, 4, f) == 4 &&
                 std::memcmp(magic, "fLaC", 4) == 0;
        }
    }
    std::fclose(f);
    return ok;
}

// ---------------------------------------------------------------- the open file

struct OpenFile {
    FLAC__StreamDecoder* decoder = nullptr;
    bool opening = false;
    bool haveInfo = false;
    bool failed = false;
    unsigned channels = 0;
    unsigned rate = 0;
    unsigned bits = 0;
    FLAC__uint64 totalSamples = 0;
    Comments comments;
    std::vector<uint8_t> pcm;  // decoded 16-bit frames not yet handed out
    size_t pcmPos = 0;
};

OpenFile g_file;

FLAC__StreamDecoderWriteStatus OnWrite(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                       const FLAC__int32* const buffer[], void*) {
    OpenFile& f = g_file;
    const unsigned channels = frame->header.channels;
    const unsigned bits = frame->header.bits_per_sample;
    if (channels != f.channels || bits == 0) return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    if (f.pcmPos == f.pcm.size()) {
        f.pcm.clear();
        f.pcmPos = 0;
    }
    const unsigned blocksize = frame->header.blocksize;
    size_t at = f.pcm.size();
    f.pcm.resize(at + static_cast<size_t>(blocksize) * channels * 2);
    uint8_t* out = f.pcm.data() + at;
    for (unsigned i = 0; i < blocksize; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            FLAC__int32 s = buffer[c][i];
            if (bits > 16) s >>= (bits - 16);
            else if (bits < 16) s = static_cast<FLAC__int32>(static_cast<uint32_t>(s) << (16 - bits));
            *out++ = static_cast<uint8_t>(s & 0xFF);
            *out++ = static_cast<uint8_t>((s >> 8) & 0xFF);
        }
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void OnMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* m, void*) {
    OpenFile& f = g_file;
    if (!f.opening) return;  // metadata read again after a reset changes nothing
    if (m->type == FLAC__METADATA_TYPE_STREAMINFO) {
        f.channels = m->data.stream_info.channels;
        f.rate = m->data.stream_info.sample_rate;
        f.bits = m->data.stream_info.bits_per_sample;
        f.totalSamples = m->data.stream_info.total_samples;
        f.haveInfo = true;
    } else if (m->type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
        ReadComments(m->data.vorbis_comment, f.comments);
    }
}

void OnError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {
    // A damaged frame is skipped by libFLAC; playback goes on with the next one.
}

void CloseFile() {
    if (g_file.decoder) {
        FLAC__stream_decoder_finish(g_file.decoder);
        FLAC__stream_decoder_delete(g_file.decoder);
    }
    g_file = OpenFile{};
}

int32_t DurationMs(const OpenFile& f) {
    if (f.rate == 0) return 0;
    FLAC__uint64 ms = f.totalSamples * 1000 / f.rate;
    return static_cast<int32_t>(std::min<FLAC__uint64>(ms, 0x7FFFFFFF));
}

// Back to a usable decoder after a failed seek.
void Recover(FLAC__StreamDecoder* d) {
    if (FLAC__stream_decoder_get_state(d) == FLAC__STREAM_DECODER_SEEK_ERROR) FLAC__stream_decoder_flush(d);
}

// ---------------------------------------------------------------- the record

void Init(int32_t) {}
void Shutdown() { CloseFile(); }
uint32_t GetCaps() { return VL_CAP_FILES | VL_CAP_SEEK | VL_CAP_TAGS; }

void GetName(wchar_t* out) {
    std::string version = FLAC__VERSION_STRING;
    std::wstring name = L"FLAC decoder (libFLAC " + std::wstring(version.begin(), version.end()) + L")";
    PutText(out, 260, name);
}

void SetEqualizer(const VlEqualizerParams*) {}
void Configure(void*) {}
int32_t GetExtensionCount() { return 1; }

int32_t GetExtension(int32_t index, wchar_t* extension, wchar_t* description) {
    if (index != 0) return 0;
    if (extension) PutWide(extension, 32, L"flac");
    if (description) PutWide(description, 260, L"FLAC audio files");
    return 1;
}

int32_t IsOurFile(const wchar_t* path) { return LooksLikeFlac(PathToUtf8(path)) ? 1 : 0; }

int32_t Open(const wchar_t* path, VlFileInfo* info) {
    CloseFile();
    const std::string file = PathToUtf8(path);
    if (!info || !LooksLikeFlac(file)) return 0;
    OpenFile& f = g_file;
    f.decoder = FLAC__stream_decoder_new();
    if (!f.decoder) return 0;
    FLAC__stream_decoder_set_metadata_respond(f.decoder, FLAC__METADATA_TYPE_VORBIS_COMMENT);
    if (FLAC__stream_decoder_init_file(f.decoder, file.c_str(), OnWrite, OnMetadata, OnError, nullptr) !=
        FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        CloseFile();
        return 0;
    }
    f.opening = true;
    bool ok = FLAC__stream_decoder_process_until_end_of_metadata(f.decoder);
    f.opening = false;
    if (!ok || !f.haveInfo || f.channels == 0 || f.rate == 0) {
        CloseFile();
        return 0;
    }
    info->channels = static_cast<int32_t>(f.channels);
    info->sampleRate = static_cast<int32_t>(f.rate);
    info->bitsPerSample = 16;
    info->duration = DurationMs(f);
    long size = 0;
    if (FILE* fp = std::fopen(file.c_str(), "rb")) {
        if (std::fseek(fp, 0, SEEK_END) == 0) size = std::ftell(fp);
        std::fclose(fp);
    }
    // kbit/s = bits per millisecond
    info->bitrate = info->duration > 0 ? static_cast<int32_t>(static_cast<double>(size) * 8 / info->duration) : 0;
    return 1;
}

int32_t Seek(int32_t ms) {
    OpenFile& f = g_file;
    if (!f.decoder || ms < 0 || f.rate == 0) return -1;
    FLAC__uint64 target = static_cast<FLAC__uint64>(ms) * f.rate / 1000;
    if (f.totalSamples && target >= f.totalSamples) return -1;
    // libFLAC hands over the frame holding the target while seeking: drop what came before.
    f.pcm.clear();
    f.pcmPos = 0;
    if (!FLAC__stream_decoder_seek_absolute(f.decoder, target)) {
        Recover(f.decoder);
        f.pcm.clear();
        f.pcmPos = 0;
        return -1;
    }
    return static_cast<int32_t>(target * 1000 / f.rate);
}

int32_t Start() {
    g_file.failed = false;
    return g_file.decoder ? 1 : 0;
}

int32_t Decode(VlWaveHeader* header) {
    OpenFile& f = g_file;
    if (!f.decoder || !header || !header->lpData) return -1;
    const size_t frameBytes = static_cast<size_t>(f.channels) * 2;
    const size_t room = header->dwBufferLength - header->dwBufferLength % frameBytes;
    size_t written = 0;
    for (;;) {
        size_t have = f.pcm.size() - f.pcmPos;
        if (have > 0) {
            size_t n = std::min(have, room - written);
            std::memcpy(header->lpData + written, f.pcm.data() + f.pcmPos, n);
            f.pcmPos += n;
            written += n;
        }
        if (written == room) break;
        FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(f.decoder);
        if (state == FLAC__STREAM_DECODER_END_OF_STREAM) break;
        if (state >= FLAC__STREAM_DECODER_OGG_ERROR || !FLAC__stream_decoder_process_single(f.decoder)) {
            header->dwBytesRecorded = static_cast<uint32_t>(written);
            return -1;
        }
    }
    header->dwBytesRecorded = static_cast<uint32_t>(written);
    bool ended = f.pcmPos == f.pcm.size() &&
                 FLAC__stream_decoder_get_state(f.decoder) == FLAC__STREAM_DECODER_END_OF_STREAM;
    return ended ? 1 : 0;
}

void Rewind() {
    OpenFile& f = g_file;
    if (!f.decoder) return;
    f.pcm.clear();
    f.pcmPos = 0;
    if (!FLAC__stream_decoder_seek_absolute(f.decoder, 0)) {
        Recover(f.decoder);
        FLAC__stream_decoder_reset(f.decoder);  // rewinds the file itself
    }
    f.pcm.clear();
    f.pcmPos = 0;
}

void Close() { CloseFile(); }

int32_t GetTags(VlTagInfo* tags) {
    if (!g_file.decoder || !tags) return 0;
    CommentsToTags(g_file.comments, tags);
    return 1;
}

int32_t ReadFileTags(const wchar_t* path, VlTagInfo* tags) {
    const std::string file = PathToUtf8(path);
    if (!tags || !LooksLikeFlac(file)) return 0;
    Comments comments;
    FLAC__StreamMetadata* block = nullptr;
    if (FLAC__metadata_get_tags(file.c_str(), &block) && block) {
        ReadComments(block->data.vorbis_comment, comments);
        FLAC__metadata_object_delete(block);
    }
    CommentsToTags(comments, tags);
    return 1;
}

int32_t OpenStream(const uint8_t*, int32_t, VlStreamInfo*) { return 0; }
int32_t DecodeStream(const uint8_t*, int32_t, int32_t* consumed, VlWaveHeader*) {
    if (consumed) *consumed = 0;
    return -1;
}
void CloseStream() {}

const VlDecoderRecord kRecord = {
    VL_PLUGIN_VERSION, VL_PLUGIN_KIND_DECODER, 0,
    Init, Shutdown, GetCaps, GetName, SetEqualizer, Configure, GetExtensionCount, GetExtension,
    IsOurFile, Open, Seek, Start, Decode, Rewind, Close, GetTags, ReadFileTags,
    OpenStream, DecodeStream, CloseStream,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const VlDecoderRecord* mapGetDecoder(void) { return &kRecord; }
