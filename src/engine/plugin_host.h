#pragma once
// Decoder plug-ins: loading, and the engine's calls into them.
#include <string>

#include "engine/types.h"

namespace vl {

class PlayerEngine;

struct PluginEntry {
    void* module = nullptr;
    const VlDecoderRecord* record = nullptr;
    uint32_t caps = 0;
};

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

}  // namespace vl
