// A decoder plug-in for the tests. Its behaviour comes from its own file name, so one build can be
// copied under several names: "NAME-vVALUE-cCAPS[-huge]" (caps in hex), e.g. "a-v1000-c09.so".
//
// It accepts a file whose text is "FAKE" followed by names: "*" or its own NAME. It plays 0.5 s
// of mono 8000 Hz 16-bit PCM whose every sample is VALUE. "-huge" reports absurd byte counts and
// scribbles over its header copy. Build variants (FAKE_NO_EXPORT, FAKE_VERSION_100, FAKE_KIND_1,
// FAKE_MISSING_SEEK) break one load rule each.
//
// Streams: OpenStream accepts data beginning with "FAKE"; DecodeStream reports consumed counts
// of -7 ("FAKE neg") or length + 100 (otherwise) and a byte count of 0xFFFFFFFF.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "versolune_plugin.h"

namespace {

const int kRate = 8000;
const int kFrames = 4000;

struct Config {
    std::string name;
    int value = 0;
    uint32_t caps = 0;
    bool huge = false;
};

Config g_config;
int g_position = -1;  // frame; -1 = no file open
int g_equalizerCalls = 0;
int g_equalizerPreamp = -1;

Config ReadConfig() {
    Dl_info info{};
    Config c;
    if (!dladdr(reinterpret_cast<void*>(&ReadConfig), &info) || !info.dli_fname) return c;
    std::string base = info.dli_fname;
    base = base.substr(base.find_last_of('/') + 1);
    base = base.substr(0, base.rfind(".so"));
    size_t dash = base.find('-');
    c.name = base.substr(0, dash);
    while (dash != std::string::npos) {
        size_t next = base.find('-', dash + 1);
        std::string part = base.substr(dash + 1, next == std::string::npos ? std::string::npos : next - dash - 1);
        if (!part.empty() && part[0] == 'v') c.value = std::atoi(part.c_str() + 1);
        if (!part.empty() && part[0] == 'c') c.caps = static_cast<uint32_t>(std::strtoul(part.c_str() + 1, nullptr, 16));
        if (part == "huge") c.huge = true;
        dash = next;
    }
    return c;
}

bool Accepts(const wchar_t* path) {
    std::string file;
    for (const wchar_t* p = path; *p; ++p) file += static_cast<char>(*p);
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.rfind("FAKE", 0) != 0) return false;
    return text.find(" *") != std::string::npos || text.find(" " + g_config.name) != std::string::npos;
}

void Init(int32_t) { g_config = ReadConfig(); }
void Shutdown() {}
uint32_t GetCaps() { return g_config.caps; }
void GetName(wchar_t* out) {
    size_t i = 0;
    for (; i < g_config.name.size() && i < 259; ++i) out[i] = static_cast<wchar_t>(g_config.name[i]);
    out[i] = 0;
}
void SetEqualizer(const VlEqualizerParams* p) {
    ++g_equalizerCalls;
    g_equalizerPreamp = p->preamp;
}
// Leaves a trace the tests can see: a file "configured-NAME" in the program folder.
void Configure(void* parent) {
    if (const char* home = std::getenv("VERSOLUNE_HOME"))
        std::ofstream(std::string(home) + "/configured-" + g_config.name) << (parent ? "owner" : "none");
}
int32_t GetExtensionCount() { return 1; }
int32_t GetExtension(int32_t index, wchar_t* ext, wchar_t* description) {
    if (index != 0) return 0;
    wcscpy(ext, L"fake");
    wcscpy(description, L"Fake files");
    return 1;
}
int32_t IsOurFile(const wchar_t* path) { return Accepts(path); }

int32_t Open(const wchar_t* path, VlFileInfo* info) {
    if (!Accepts(path)) return 0;
    info->channels = 1;
    info->sampleRate = kRate;
    info->bitsPerSample = 16;
    info->bitrate = 128;
    info->duration = kFrames * 1000 / kRate;
    g_position = 0;
    return 1;
}

[[maybe_unused]] int32_t Seek(int32_t ms) {
    if (g_position < 0) return -1;
    g_position = ms * kRate / 1000;
    return ms;
}

int32_t Start() { return g_position >= 0; }

int32_t Decode(VlWaveHeader* h) {
    int frames = static_cast<int>(h->dwBufferLength / 2);
    if (frames > kFrames - g_position) frames = kFrames - g_position;
    for (int i = 0; i < frames; ++i) {
        h->lpData[2 * i] = static_cast<uint8_t>(g_config.value & 0xFF);
        h->lpData[2 * i + 1] = static_cast<uint8_t>((g_config.value >> 8) & 0xFF);
    }
    g_position += frames;
    h->dwBytesRecorded = static_cast<uint32_t>(frames * 2);
    if (g_config.huge) {
        h->dwBytesRecorded = 0xFFFFFFF0u;
        h->lpData = nullptr;
        h->lpNext = h;
        h->dwFlags = 0xFFFFFFFFu;
    }
    return g_position >= kFrames ? 1 : 0;
}

void Rewind() { g_position = 0; }
void Close() { g_position = -1; }

int32_t GetTags(VlTagInfo* tags) {
    wcscpy(tags->title, L"Fake title");
    tags->track = 3;
    return 1;
}
int32_t ReadFileTags(const wchar_t* path, VlTagInfo* tags) { return Accepts(path) && GetTags(tags); }

int32_t OpenStream(const uint8_t* data, int32_t length, VlStreamInfo* info) {
    if (length < 4 || std::memcmp(data, "FAKE", 4) != 0) return 0;
    info->channels = 2;
    info->sampleRate = 44100;
    info->bitsPerSample = 16;
    info->bitrate = 128;
    return 1;
}
int32_t DecodeStream(const uint8_t* data, int32_t length, int32_t* consumed, VlWaveHeader* h) {
    bool negative = length >= 8 && std::memcmp(data, "FAKE neg", 8) == 0;
    *consumed = negative ? -7 : length + 100;
    h->dwBytesRecorded = 0xFFFFFFFFu;
    return 0;
}
void CloseStream() {}

#ifdef FAKE_VERSION_100
const int32_t kVersion = 0x100;
#else
const int32_t kVersion = VL_PLUGIN_VERSION;
#endif
#ifdef FAKE_KIND_1
const int32_t kKind = 1;
#else
const int32_t kKind = VL_PLUGIN_KIND_DECODER;
#endif

const VlDecoderRecord kRecord = {
    kVersion, kKind, 0,
    Init, Shutdown, GetCaps, GetName, SetEqualizer, Configure, GetExtensionCount, GetExtension,
    IsOurFile, Open,
#ifdef FAKE_MISSING_SEEK
    nullptr,
#else
    Seek,
#endif
    Start, Decode, Rewind, Close, GetTags, ReadFileTags, OpenStream, DecodeStream, CloseStream,
};

}  // namespace

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

#ifndef FAKE_NO_EXPORT
FAKE_EXPORT const VlDecoderRecord* mapGetDecoder(void) { return &kRecord; }
#endif

// For the tests: what SetEqualizer received.
FAKE_EXPORT int fakeEqualizerCalls(void) { return g_equalizerCalls; }
FAKE_EXPORT int fakeEqualizerPreamp(void) { return g_equalizerPreamp; }
