/*
 * Versolune decoder plug-in interface.
 *
 * A plug-in is a shared object (*.so) that adds an audio format to the player. Build it against
 * this header alone (C or C++; link nothing of the player) and export, with C linkage:
 *
 *     const VlDecoderRecord* mapGetDecoder(void);
 *
 * returning a pointer to a record that stays valid until the object is unloaded.
 *
 * Where the player looks
 *   The folder of the versolune executables, then the plugins/ folder of the program's data
 *   folder ($VERSOLUNE_HOME/plugins, else $XDG_DATA_HOME/versolune/plugins). Within a folder the
 *   files are taken in the order of their names (byte order). VERSOLUNE_PLUGIN_PATH, a list of
 *   folders separated by ':', replaces both. Only regular files whose names end in ".so" are
 *   tried; the same object is never loaded twice.
 *
 * What makes a plug-in load
 *   mapGetDecoder exists and returns a record whose version is VL_PLUGIN_VERSION, whose kind is
 *   VL_PLUGIN_KIND_DECODER and whose every function pointer (Init to CloseStream) is set, even
 *   those of capabilities the plug-in lacks (give them stubs). Otherwise the object is closed
 *   again and never called. The player then calls Init(2) once and GetCaps() once; the flags it
 *   returns hold for the life of the player.
 *
 * Who gets a file
 *   Files are offered to the plug-ins before the player's own inputs, in load order: the first
 *   plug-in with VL_CAP_FILES whose Open returns non-zero plays the file. The same order holds
 *   for ReadFileTags (plug-ins with VL_CAP_TAGS) and for OpenStream (plug-ins with
 *   VL_CAP_STREAMS, offered after the player's own stream formats).
 *
 * Calling rules
 *   - Init, Shutdown, GetCaps, GetName, SetEqualizer, Configure, GetExtensionCount, GetExtension,
 *     GetTags, ReadFileTags, Open, Close: the user-interface thread, without the player's locks.
 *     ReadFileTags may come while another file is open: it must not disturb the open file.
 *   - Seek: the user-interface thread, never during a Decode call.
 *   - Start, Decode, Rewind: the decode thread. One play run is Start(), then Decode() until it
 *     returns 1 or the run is stopped, then Rewind() (back to the start of the file). Runs of
 *     the same open file may follow one another; a Seek may come before or during a run.
 *   - OpenStream, DecodeStream, CloseStream: the stream's decode thread.
 *   - At most one file and one stream are open at a time, each by at most one plug-in.
 *   - Texts are wide (wchar_t, zero-terminated); paths are absolute.
 *   - Return values are int32_t truth values: non-zero means yes/success.
 *
 * Output
 *   Decode and DecodeStream write interleaved little-endian PCM into header->lpData, at most
 *   header->dwBufferLength bytes, and put the number of bytes written in
 *   header->dwBytesRecorded (0 is allowed: nothing is played this time). Whole frames only;
 *   a partial frame at the end is dropped. Files are played in the format VlFileInfo declared;
 *   streams always as 16-bit. The other header fields are the player's: they may be read but
 *   changes are ignored. The player checks every count it gets back: more bytes than the buffer,
 *   or a consumed count outside 0..length, is cut to the limit.
 */
#ifndef VERSOLUNE_PLUGIN_H
#define VERSOLUNE_PLUGIN_H

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VL_PLUGIN_VERSION 0x101
#define VL_PLUGIN_KIND_DECODER 2

/* Capability flags returned by GetCaps; the player calls nothing a flag does not announce. */
#define VL_CAP_FILES 0x01     /* decodes files: Open, Start, Decode, Rewind, Close */
#define VL_CAP_STREAMS 0x02   /* decodes streams: OpenStream, DecodeStream, CloseStream */
#define VL_CAP_EQUALIZER 0x04 /* applies the equalizer itself: receives SetEqualizer (now and on
                                 every change), and the player does not scale its PCM by the
                                 preamp. Without it the player applies the preamp (8- and 16-bit
                                 PCM) when the equalizer is on, and SetEqualizer is never called */
#define VL_CAP_SEEK 0x08      /* can seek: without it the player's Seek fails for its files */
#define VL_CAP_TAGS 0x10      /* reads tags: GetTags, ReadFileTags */
#define VL_CAP_CONFIGURE 0x20 /* has settings of its own: the options page's "Configure..." calls
                                 Configure; without it the button stays disabled */

/* One output buffer: the plug-in writes interleaved little-endian PCM to lpData, at most
 * dwBufferLength bytes, and stores the count in dwBytesRecorded. */
typedef struct VlWaveHeader {
    uint8_t* lpData;
    uint32_t dwBufferLength;
    uint32_t dwBytesRecorded;
    uintptr_t dwUser;
    uint32_t dwFlags;
    uint32_t dwLoops;
    struct VlWaveHeader* lpNext;
    uintptr_t reserved;
} VlWaveHeader;

/* Ten-band equalizer. enable: non-zero when on. preamp and band[]: slider steps 0..64, where
 * 31 is 0 dB and smaller values boost (step s is (31 - s) * 20 / 31 dB); band[0] is the lowest
 * band. SetEqualizer gets a copy: keep the values, not the pointer. */
typedef struct VlEqualizerParams {
    int32_t enable;
    int32_t preamp;
    int32_t band[10];
} VlEqualizerParams;

/* Descriptive tags. The player zeroes the record before each call; fill what the file has and
 * leave the rest. Texts are zero-terminated (the last element of each array is forced to 0).
 * year: e.g. 1999, 0 when unknown. track: track number, 0 when unknown. genre: the genre's
 * name as text. */
typedef struct VlTagInfo {
    wchar_t title[255];
    wchar_t artist[255];
    wchar_t album[255];
    wchar_t comment[255];
    wchar_t genre[256];
    int32_t year;
    int32_t track;
} VlTagInfo;

/* Filled by Open (zeroed before). The file is refused when channels is not 1..8, sampleRate not
 * 1..768000 or bitsPerSample not 8, 16, 24 or 32. 8-bit PCM is unsigned, the others signed.
 * The effects and the preamp act on 8- and 16-bit PCM only. */
typedef struct VlFileInfo {
    int32_t channels;
    int32_t sampleRate;    /* Hz */
    int32_t bitsPerSample; /* 8, 16, 24 or 32 */
    int32_t bitrate;       /* kbit/s, shown to the user */
    int32_t duration;      /* ms; the length the player shows and the limit of its Seek */
} VlFileInfo;

/* Filled by OpenStream (zeroed before): the first four fields of VlFileInfo. */
typedef struct VlStreamInfo {
    int32_t channels;
    int32_t sampleRate;
    int32_t bitsPerSample; /* streams are always played as 16-bit: deliver 16-bit PCM */
    int32_t bitrate;
} VlStreamInfo;

/* The record returned by mapGetDecoder. Keep this order and these types: the player reads the
 * record through this layout. */
typedef struct VlDecoderRecord {
    int32_t version; /* VL_PLUGIN_VERSION */
    int32_t kind;    /* VL_PLUGIN_KIND_DECODER */
    intptr_t reserved; /* not used by the player */
    void (*Init)(int32_t mode); /* once after loading, with mode 2 */
    void (*Shutdown)(void);     /* once before unloading; free everything here */
    uint32_t (*GetCaps)(void);  /* VL_CAP_* flags; asked once, after Init */
    /* The decoder's name for the options page: at most 259 characters and a terminator. */
    void (*GetName)(wchar_t* out /* 260 characters */);
    void (*SetEqualizer)(const VlEqualizerParams* params); /* only with VL_CAP_EQUALIZER */
    void (*Configure)(void* parentWindow); /* the options page's "Configure..." button; may do
                                              nothing. parentWindow may be null */
    /* The file extensions the plug-in plays, for file dialogs, folder scans and associations. */
    int32_t (*GetExtensionCount)(void);
    /* index 0..count-1: the extension without the dot (at most 31 characters, e.g. "flac") and a
     * description (at most 259 characters); zero for an index out of range. */
    int32_t (*GetExtension)(int32_t index, wchar_t* extension, wchar_t* description);
    int32_t (*IsOurFile)(const wchar_t* path); /* not called by the player; must be present */
    /* Opens path and describes it; zero when the plug-in does not play it (another input is
     * asked next). Non-zero keeps the file open until Close. */
    int32_t (*Open)(const wchar_t* path, VlFileInfo* info);
    /* Positions the open file at ms (0 <= ms < duration); returns the position reached in ms
     * (playback continues from there) or -1 on failure. Only with VL_CAP_SEEK. */
    int32_t (*Seek)(int32_t ms);
    int32_t (*Start)(void); /* start of a play run; zero fails the run */
    /* Writes the next PCM into header (see Output): -1 error (the run fails), 0 more to come,
     * 1 end of data (the bytes of this call are still played). */
    int32_t (*Decode)(VlWaveHeader* header);
    void (*Rewind)(void); /* end of a run: back to the start of the file */
    void (*Close)(void);  /* closes the open file */
    /* Tags of the open file; zero when it has none. Only with VL_CAP_TAGS. */
    int32_t (*GetTags)(VlTagInfo* tags);
    /* Tags of any file, without touching the open one; zero when not ours or no tags. */
    int32_t (*ReadFileTags)(const wchar_t* path, VlTagInfo* tags);
    /* Probes the first bytes of a stream (data, length); non-zero when the plug-in decodes it,
     * with the format in info. Only with VL_CAP_STREAMS. */
    int32_t (*OpenStream)(const uint8_t* data, int32_t length, VlStreamInfo* info);
    /* data: the stream bytes received and not yet consumed (at most 4096). Set *consumed to the
     * number of them used (they are dropped; the rest comes again with more behind it), write PCM
     * into header as Decode does. -1 error, 0 more to come, 1 end of stream. */
    int32_t (*DecodeStream)(const uint8_t* data, int32_t length, int32_t* consumed,
                            VlWaveHeader* header);
    void (*CloseStream)(void); /* end of a stream run */
} VlDecoderRecord;

typedef const VlDecoderRecord* (*VlGetDecoderFunc)(void);

#ifdef __cplusplus
}
#endif

#endif
