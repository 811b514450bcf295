#pragma once
// Decoder plug-ins: loading, and the engine's calls into them.
//
// Plug-ins are shared objects (*.so) exporting mapGetDecoder (plugins/versolune_plugin.h). They
// are looked for in the executable's folder, then in the data folder's plugins/; within a folder
// they load in the order of their file names, so that "the first loaded wins" is predictable.
// VERSOLUNE_PLUGIN_PATH (folders separated by ':') replaces both folders; set but empty, it
// loads none.
//
// Everything a plug-in hands back is checked before use: byte counts are clamped to the buffer,
// consumed counts to the input, and a format that cannot be played refuses the open.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/types.h"
#include "platform/wave_out.h"

namespace vl {

class PlayerEngine;

struct PluginEntry {
    void* module = nullptr;
    const VlDecoderRecord* record = nullptr;
    uint32_t caps = 0;
};

// The folders plug-ins are loaded from, in order.
std::vector<std::wstring> PluginFolders();

void LoadPlugins(PlayerEngine& engine);
void UnloadPlugins(PlayerEngine& engine);
bool OpenPluginFile(PlayerEngine& engine, const std::wstring& path);
bool SeekPlugin(PlayerEngine& engine, int ms);
void RewindPlugin(PlayerEngine& engine);
void ClosePluginFile(PlayerEngine& engine);
int DecodeStepPlugin(PlayerEngine& engine);
void SetPluginEqualizer(PlayerEngine& engine, const EqualizerParams& params);
bool GetPluginTags(PlayerEngine& engine, TagInfo& tags);
bool ReadPluginFileTags(PlayerEngine& engine, const std::wstring& path, TagInfo& tags);

// Streams: the first plug-in with the stream capability that accepts the probe bytes decodes
// the stream; its format goes into the engine's format record.
bool OpenPluginStream(PlayerEngine& engine, const uint8_t* data, int32_t length);
// One decode call on the input bytes: -1 error, 0 more to come, 1 end of stream. consumed is
// within 0..length and header->dwBytesRecorded within header->dwBufferLength.
int DecodePluginStream(PlayerEngine& engine, const uint8_t* data, int32_t length, int32_t& consumed,
                       WaveHeader* header);
// The same into capacity bytes at out; recorded = the bytes written.
int DecodePluginStream(PlayerEngine& engine, const uint8_t* data, int32_t length, int32_t& consumed, uint8_t* out,
                       uint32_t capacity, uint32_t& recorded);
// The stream's plug-in applies the equalizer (and its preamp) itself.
bool PluginStreamEqualizes(const PlayerEngine& engine);
void ClosePluginStream(PlayerEngine& engine);

}  // namespace vl
