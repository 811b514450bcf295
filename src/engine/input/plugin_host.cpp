#include "engine/input/plugin_host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "engine/input/source.h"
#include "engine/player_engine.h"
#include "platform/files.h"
#include "platform/install_dirs.h"
#include "platform/text.h"

namespace vl {

namespace {

const char kExportName[] = "mapGetDecoder";

bool HasEveryFunction(const VlDecoderRecord& r) {
    return r.Init && r.Shutdown && r.GetCaps && r.GetName && r.SetEqualizer && r.Configure &&
           r.GetExtensionCount && r.GetExtension && r.IsOurFile && r.Open && r.Seek && r.Start &&
           r.Decode && r.Rewind && r.Close && r.GetTags && r.ReadFileTags && r.OpenStream &&
           r.DecodeStream && r.CloseStream;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The *.so files of a folder, sorted by name.
std::vector<std::wstring> SharedObjects(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const DirEntry& e : ListDirectory(folder))
        if (!e.isDirectory && EndsWith(e.name, L".so")) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

bool AlreadyLoaded(const PlayerEngine& engine, void* module) {
    for (const PluginEntry* e : engine.plugins)
        if (e->module == module) return true;
    return false;
}

void LoadOne(PlayerEngine& engine, const std::wstring& file) {
    void* module = dlopen(NativePath(file).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return;
    // The same object reached through two folders (or a link) is loaded once.
    if (AlreadyLoaded(engine, module)) {
        dlclose(module);
        return;
    }
    auto get = reinterpret_cast<VlGetDecoderFunc>(dlsym(module, kExportName));
    const VlDecoderRecord* record = get ? get() : nullptr;
    if (!record || record->version != VL_PLUGIN_VERSION || record->kind != VL_PLUGIN_KIND_DECODER ||
        !HasEveryFunction(*record)) {
        dlclose(module);
        return;
    }
    record->Init(2);
    auto* entry = new PluginEntry;
    entry->module = module;
    entry->record = record;
    entry->caps = record->GetCaps();
    engine.plugins.push_back(entry);
}

const PluginEntry* At(const PlayerEngine& engine, int index) {
    if (index < 0 || index >= static_cast<int>(engine.plugins.size())) return nullptr;
    return engine.plugins[static_cast<size_t>(index)];
}

bool PlayableFormat(int channels, int rate, int bits) {
    return channels >= 1 && channels <= 8 && rate > 0 && rate <= 768000 &&
           (bits == 8 || bits == 16 || bits == 24 || bits == 32);
}

void TakeFormat(PlayerEngine& engine, int channels, int rate, int bitrate, int bits) {
    engine.format = FormatRecord{};
    engine.format.channels = channels;
    engine.format.sampleRate = rate;
    engine.format.bitrate = bitrate;
    engine.pluginBits = bits;
}

// The fields the engine hands on, each text cut to its array so a missing terminator from the
// plug-in cannot run past it.
void CopyTags(const TagInfo& from, TagInfo& to) {
    auto text = [](wchar_t* dest, const wchar_t* src, size_t n) {
        std::copy(src, src + n, dest);
        dest[n - 1] = 0;
    };
    text(to.title, from.title, std::size(to.title));
    text(to.artist, from.artist, std::size(to.artist));
    text(to.album, from.album, std::size(to.album));
    text(to.comment, from.comment, std::size(to.comment));
    text(to.genre, from.genre, std::size(to.genre));
    to.year = from.year;
    to.track = from.track;
}

// A plug-in fills a private copy of the header, so it cannot touch the fields the output ring
// lives on (data pointer, flags, links); its byte count is clamped to the buffer.
uint32_t CallDecode(const VlDecoderRecord& record, uint8_t* data, uint32_t capacity, int& result,
                    const uint8_t* input = nullptr, int32_t inputLength = 0, int32_t* consumed = nullptr) {
    WaveHeader call{};
    call.lpData = data;
    call.dwBufferLength = capacity;
    call.dwBytesRecorded = 0;
    result = consumed ? record.DecodeStream(input, inputLength, consumed, &call) : record.Decode(&call);
    return std::min(call.dwBytesRecorded, capacity);
}

int NormalisedResult(int result) { return result < 0 ? -1 : (result > 0 ? 1 : 0); }

}  // namespace

std::vector<std::wstring> PluginFolders() {
    std::vector<std::wstring> folders;
    if (const char* env = std::getenv("VERSOLUNE_PLUGIN_PATH")) {
        std::string list = env;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos) end = list.size();
            if (end > start) folders.push_back(WidePath(list.substr(start, end - start)));
            start = end + 1;
        }
        return folders;
    }
    folders.push_back(GetExecutableDir());
    // An installed player keeps its plug-ins under lib/ of its prefix.
    folders.push_back(JoinPath(GetExecutableDir(), WidePath(VERSOLUNE_INSTALLED_PLUGIN_DIR)));
    folders.push_back(JoinPath(GetDataDir(), L"plugins"));
    return folders;
}

void LoadPlugins(PlayerEngine& engine) {
    for (const std::wstring& folder : PluginFolders())
        for (const std::wstring& name : SharedObjects(folder)) LoadOne(engine, JoinPath(folder, name));
}

void UnloadPlugins(PlayerEngine& engine) {
    for (PluginEntry* e : engine.plugins) {
        e->record->Shutdown();
        dlclose(e->module);
        delete e;
    }
    engine.plugins.clear();
    engine.filePlugin = -1;
    engine.streamPlugin = -1;
}

bool OpenPluginFile(PlayerEngine& engine, const std::wstring& path) {
    for (size_t i = 0; i < engine.plugins.size(); ++i) {
        const PluginEntry& e = *engine.plugins[i];
        if (!(e.caps & VL_CAP_FILES)) continue;
        VlFileInfo info{};
        if (!e.record->Open(path.c_str(), &info)) continue;
        if (!PlayableFormat(info.channels, info.sampleRate, info.bitsPerSample)) {
            // Accepting a file in a format nothing can play would end every run in failure.
            e.record->Close();
            continue;
        }
        TakeFormat(engine, info.channels, info.sampleRate, info.bitrate, info.bitsPerSample);
        double frames = static_cast<double>(info.duration) * info.sampleRate * 0.001;
        frames = std::clamp(frames, 0.0, static_cast<double>(std::numeric_limits<int32_t>::max()));
        engine.totalSamples = static_cast<uint32_t>(static_cast<int32_t>(frames));
        engine.filePlugin = static_cast<int>(i);
        return true;
    }
    return false;
}

bool SeekPlugin(PlayerEngine& engine, int ms) {
    const PluginEntry* e = At(engine, engine.filePlugin);
    if (!e || !(e->caps & VL_CAP_SEEK)) return false;
    int reached = e->record->Seek(ms);
    if (reached < 0) return false;
    engine.SeekReached(
        static_cast<uint32_t>(static_cast<int32_t>(static_cast<double>(engine.format.sampleRate) * reached * 0.001)));
    return true;
}

void RewindPlugin(PlayerEngine& engine) {
    if (const PluginEntry* e = At(engine, engine.filePlugin)) e->record->Rewind();
}

void ClosePluginFile(PlayerEngine& engine) {
    if (const PluginEntry* e = At(engine, engine.filePlugin)) e->record->Close();
    engine.filePlugin = -1;
    engine.pluginBits = 0;
}

int DecodeStepPlugin(PlayerEngine& engine) {
    const PluginEntry* e = At(engine, engine.filePlugin);
    if (!e) return kDecodeError;
    if (!e->record->Start()) return kDecodeError;
    const uint32_t frameBytes = static_cast<uint32_t>(engine.OutputBits() / 8 * std::max(1, engine.format.channels));
    for (;;) {
        if (engine.stopRequested) return kDecodeStopped;
        if (!engine.EnsurePendingBuffer()) return kDecodeError;
        if (engine.BeginDecodePass() != DecodePass::kRun) continue;
        int result = 0;
        uint32_t got = CallDecode(*e->record, engine.PendingSpace(), engine.PendingRoom(), result);
        engine.EndDecodePass();
        if (result < 0) return kDecodeError;
        got -= got % frameBytes;
        engine.CommitPending(got, !(e->caps & VL_CAP_EQUALIZER));
        engine.SubmitPending();
        if (result > 0 || engine.endReached) return kDecodeEnded;
    }
}

void SetPluginEqualizer(PlayerEngine& engine, const EqualizerParams& params) {
    for (const PluginEntry* e : engine.plugins) {
        if (!(e->caps & VL_CAP_EQUALIZER)) continue;
        EqualizerParams copy = params;
        e->record->SetEqualizer(&copy);
    }
}

bool GetPluginTags(PlayerEngine& engine, TagInfo& tags) {
    const PluginEntry* e = At(engine, engine.filePlugin);
    if (!e || !(e->caps & VL_CAP_TAGS)) return false;
    TagInfo found{};
    bool ok = e->record->GetTags(&found) != 0;
    CopyTags(found, tags);
    return ok;
}

bool ReadPluginFileTags(PlayerEngine& engine, const std::wstring& path, TagInfo& tags) {
    for (const PluginEntry* e : engine.plugins) {
        if (!(e->caps & VL_CAP_TAGS)) continue;
        TagInfo found{};
        if (!e->record->ReadFileTags(path.c_str(), &found)) continue;
        CopyTags(found, tags);
        return true;
    }
    return false;
}

bool OpenPluginStream(PlayerEngine& engine, const uint8_t* data, int32_t length) {
    for (size_t i = 0; i < engine.plugins.size(); ++i) {
        const PluginEntry& e = *engine.plugins[i];
        if (!(e.caps & VL_CAP_STREAMS)) continue;
        VlStreamInfo info{};
        if (!e.record->OpenStream(data, length, &info)) continue;
        // Streams are played as 16-bit whatever the plug-in says; channels and rate must hold.
        if (!PlayableFormat(info.channels, info.sampleRate, 16)) {
            e.record->CloseStream();
            continue;
        }
        TakeFormat(engine, info.channels, info.sampleRate, info.bitrate, info.bitsPerSample);
        engine.streamPlugin = static_cast<int>(i);
        return true;
    }
    return false;
}

int DecodePluginStream(PlayerEngine& engine, const uint8_t* data, int32_t length, int32_t& consumed, uint8_t* out,
                       uint32_t capacity, uint32_t& recorded) {
    consumed = 0;
    recorded = 0;
    const PluginEntry* e = At(engine, engine.streamPlugin);
    if (!e || !out) return -1;
    if (length < 0) length = 0;
    int result = 0;
    int32_t used = 0;
    recorded = CallDecode(*e->record, out, capacity, result, data, length, &used);
    consumed = std::clamp(used, 0, length);
    return NormalisedResult(result);
}

int DecodePluginStream(PlayerEngine& engine, const uint8_t* data, int32_t length, int32_t& consumed,
                       WaveHeader* header) {
    if (!header) {
        consumed = 0;
        return -1;
    }
    return DecodePluginStream(engine, data, length, consumed, header->lpData, header->dwBufferLength,
                              header->dwBytesRecorded);
}

bool PluginStreamEqualizes(const PlayerEngine& engine) {
    const PluginEntry* e = At(engine, engine.streamPlugin);
    return e && (e->caps & VL_CAP_EQUALIZER);
}

void ClosePluginStream(PlayerEngine& engine) {
    if (const PluginEntry* e = At(engine, engine.streamPlugin)) e->record->CloseStream();
    engine.streamPlugin = -1;
    engine.pluginBits = 0;
}

namespace {

int PluginBits(const PlayerEngine& engine) { return engine.pluginBits > 0 ? engine.pluginBits : 16; }

}  // namespace

const SourceOps kPluginSource = {
    kSourcePlugin, "plugin",        OpenPluginFile, SeekPlugin,         DecodeStepPlugin, nullptr, nullptr,
    RewindPlugin,  ClosePluginFile, GetPluginTags,  ReadPluginFileTags, PluginBits,
};

}  // namespace vl
