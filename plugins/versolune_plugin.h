/*
 * Versolune decoder plug-in interface.
 *
 * A plug-in is a shared object (*.so) in the folder of the versolune executables or in the
 * program's plugins/ folder. It exports, with C linkage:
 *
 *     const VlDecoderRecord* mapGetDecoder(void);
 *
 * The records below are the binary contract between the player and a plug-in; build a plug-in
 * against this header alone.
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

/* Capability flags returned by GetCaps. */
#define VL_CAP_FILES 0x01     /* decodes files: Open, Decode */
#define VL_CAP_STREAMS 0x02   /* decodes streams: OpenStream, DecodeStream */
#define VL_CAP_EQUALIZER 0x04 /* applies the equalizer itself; the player adds no preamp */
#define VL_CAP_SEEK 0x08      /* can seek */
#define VL_CAP_TAGS 0x10      /* reads tags: GetTags, ReadFileTags */

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

/* Ten-band equalizer: slider steps 0..64, 31 = 0 dB, smaller is louder; band[0] lowest. */
typedef struct VlEqualizerParams {
    int32_t enable;
    int32_t preamp;
    int32_t band[10];
} VlEqualizerParams;

/* Descriptive tags; every text is zero-terminated. */
typedef struct VlTagInfo {
    wchar_t title[255];
    wchar_t artist[255];
    wchar_t album[255];
    wchar_t comment[255];
    wchar_t genre[256];
    int32_t year;
    int32_t track;
} VlTagInfo;

typedef struct VlFileInfo {
    int32_t channels;
    int32_t sampleRate;    /* Hz */
    int32_t bitsPerSample; /* 8 or 16 (24 and 32 are accepted by the output as well) */
    int32_t bitrate;       /* kbit/s */
    int32_t duration;      /* ms */
} VlFileInfo;

typedef struct VlStreamInfo {
    int32_t channels;
    int32_t sampleRate;
    int32_t bitsPerSample; /* streams are always played as 16-bit */
    int32_t bitrate;
} VlStreamInfo;

/* The record returned by mapGetDecoder. Every function pointer must be set, or the player
 * unloads the plug-in. All calls come from the player's threads one at a time per kind:
 * Decode/DecodeStream on the decode thread, the rest on the user-interface thread. */
typedef struct VlDecoderRecord {
    int32_t version; /* VL_PLUGIN_VERSION */
    int32_t kind;    /* VL_PLUGIN_KIND_DECODER */
    intptr_t reserved;
    void (*Init)(int32_t mode); /* called once after loading with 2 */
    void (*Shutdown)(void);     /* once before unloading */
    uint32_t (*GetCaps)(void);
    void (*GetName)(wchar_t* out /* 260 characters */);
    void (*SetEqualizer)(const VlEqualizerParams* params);
    void (*Configure)(void* parentWindow);
    int32_t (*GetExtensionCount)(void);
    /* extension without the dot (32 characters), description (260 characters) */
    int32_t (*GetExtension)(int32_t index, wchar_t* extension, wchar_t* description);
    int32_t (*IsOurFile)(const wchar_t* path);
    int32_t (*Open)(const wchar_t* path, VlFileInfo* info);
    int32_t (*Seek)(int32_t ms); /* returns the position reached in ms, -1 on failure */
    int32_t (*Start)(void);
    int32_t (*Decode)(VlWaveHeader* header); /* -1 error, 0 more to come, 1 end of data */
    void (*Rewind)(void);
    void (*Close)(void);
    int32_t (*GetTags)(VlTagInfo* tags);
    int32_t (*ReadFileTags)(const wchar_t* path, VlTagInfo* tags);
    int32_t (*OpenStream)(const uint8_t* data, int32_t length, VlStreamInfo* info);
    /* data: unconsumed stream bytes (at most 4096); set *consumed to the bytes used */
    int32_t (*DecodeStream)(const uint8_t* data, int32_t length, int32_t* consumed,
                            VlWaveHeader* header);
    void (*CloseStream)(void);
} VlDecoderRecord;

typedef const VlDecoderRecord* (*VlGetDecoderFunc)(void);

#ifdef __cplusplus
}
#endif

#endif
