#include "engine/plugin_host.h"

#include "engine/player_engine.h"

namespace vl {

// No plug-ins are loaded yet.
void LoadPlugins(PlayerEngine&) {}
void UnloadPlugins(PlayerEngine& engine) { engine.plugins.clear(); }
bool OpenPluginFile(PlayerEngine&, const std::wstring&) { return false; }
bool SeekPlugin(PlayerEngine&, int) { return false; }
void RewindPlugin(PlayerEngine&) {}
void ClosePluginFile(PlayerEngine& engine) {
    engine.filePlugin = -1;
    engine.pluginBits = 0;
}
int DecodeStepPlugin(PlayerEngine&) { return kDecodeError; }
void SetPluginEqualizer(PlayerEngine&, const EqualizerParams&) {}
bool GetPluginTags(PlayerEngine&, TagInfo&) { return false; }
bool ReadPluginFileTags(PlayerEngine&, const std::wstring&, TagInfo&) { return false; }

}  // namespace vl
