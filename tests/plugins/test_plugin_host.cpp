// Loading decoder plug-ins and the engine's calls into them, with the fake plug-ins of fakes/.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "engine/input/plugin_host.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/engine_harness.h"
#include "support/test_support.h"
#include "support/wav_file.h"

using namespace vl;
using namespace vl::test;

namespace {

std::wstring NameOf(const VlDecoderRecord* record) {
    wchar_t name[260] = {};
    record->GetName(name);
    return name;
}

class PluginHost : public ::testing::Test {
protected:
    void SetUp() override {
        dir = TempDir();
        setenv("VERSOLUNE_HOME", dir.c_str(), 1);
        SetAudioBackend("null-fast");
    }
    void TearDown() override {
        SetAudioBackend("");
        setenv("VERSOLUNE_PLUGIN_PATH", "", 1);
    }

    // Copies a built fake (good, no_export, version_100, kind_1, missing_seek) as folder/name.so.
    std::string Install(const std::string& folder, const std::string& name, const std::string& variant = "good") {
        std::filesystem::create_directories(dir + "/" + folder);
        std::string to = dir + "/" + folder + "/" + name + ".so";
        std::filesystem::copy_file(std::string(PLUGIN_FAKES_DIR) + "/" + variant + ".so", to);
        return to;
    }
    void UseFolders(const std::string& folders) {
        std::string list;
        size_t start = 0;
        while (start <= folders.size()) {
            size_t end = folders.find(':', start);
            if (end == std::string::npos) end = folders.size();
            list += (list.empty() ? "" : ":") + dir + "/" + folders.substr(start, end - start);
            start = end + 1;
        }
        setenv("VERSOLUNE_PLUGIN_PATH", list.c_str(), 1);
    }
    std::wstring FakeFile(const std::string& text) {
        std::string path = dir + "/file" + std::to_string(++files) + ".fake";
        EXPECT_TRUE(WriteFile(path, text));
        return WidePath(path);
    }
    // Plays a file to the end through wav-fast and returns what was heard.
    PcmData Heard(EngineHarness& h, const std::wstring& file) {
        std::string out = dir + "/heard" + std::to_string(++files) + ".wav";
        SetAudioBackend("wav-fast:" + out);
        PcmData pcm;
        EXPECT_TRUE(h.engine.Open(file));
        EXPECT_TRUE(h.engine.Play());
        intptr_t failed = -1;
        EXPECT_TRUE(h.WaitForState(kStopped, 10000, &failed));
        EXPECT_EQ(failed, 0);
        h.engine.Close();
        EXPECT_TRUE(ReadWav(out, pcm));
        return pcm;
    }
    // Every sample of pcm, counted by value.
    static std::map<int, size_t> Values(const PcmData& pcm) {
        std::map<int, size_t> counts;
        for (size_t f = 0; f < pcm.Frames(); ++f) counts[pcm.Sample16(f, 0)]++;
        return counts;
    }

    std::string dir;
    int files = 0;
};

TEST_F(PluginHost, OnlyPluginsPassingEveryCheckAreListed) {
    Install("p", "a-v1-c01", "no_export");
    Install("p", "b-v1-c01", "version_100");
    Install("p", "c-v1-c01", "kind_1");
    Install("p", "d-v1-c01", "missing_seek");
    Install("p", "ok-v1-c01");
    WriteFile(dir + "/p/readme.txt", "not a plug-in");
    WriteFile(dir + "/p/broken.so", "not an object either");
    UseFolders("p");
    PlayerEngine engine;
    ASSERT_EQ(engine.GetPluginCount(), 1);
    EXPECT_EQ(NameOf(engine.GetPlugin(0)), L"ok");
    EXPECT_EQ(engine.GetPlugin(1), nullptr);
    EXPECT_EQ(engine.GetPlugin(-1), nullptr);
}

TEST_F(PluginHost, FirstLoadedPluginThatAcceptsPlaysTheFile) {
    struct Row {
        std::vector<std::pair<std::string, std::string>> installs;  // folder, name
        std::string folders;
        std::string file;
        int value;  // the sample value of the plug-in that must play
    };
    const Row rows[] = {
        // Names decide within a folder, whatever order the folder lists them in.
        {{{"x", "b-v2000-c01"}, {"x", "a-v1000-c01"}, {"x", "c-v3000-c01"}}, "x", "FAKE *", 1000},
        // Only the ones that accept are asked to play.
        {{{"x", "b-v2000-c01"}, {"x", "a-v1000-c01"}}, "x", "FAKE b", 2000},
        // Folders come in the order given, before names.
        {{{"x", "a-v1000-c01"}, {"y", "z-v3000-c01"}}, "y:x", "FAKE *", 3000},
        // A plug-in without the file capability is never offered files.
        {{{"x", "a-v1000-c10"}, {"x", "b-v2000-c01"}}, "x", "FAKE *", 2000},
    };
    int n = 0;
    for (const Row& row : rows) {
        std::string prefix = "r" + std::to_string(++n);
        for (const auto& [folder, name] : row.installs) Install(prefix + folder, name);
        std::string folders;
        for (char c : row.folders) folders += c == ':' ? std::string(":") : prefix + c;
        UseFolders(folders);
        EngineHarness h;
        PcmData pcm = Heard(h, FakeFile(row.file));
        std::map<int, size_t> expected{{row.value, 4000}};
        EXPECT_EQ(Values(pcm), expected) << "row " << n;
    }
}

TEST_F(PluginHost, EqualizerPluginGetsSettingsAndNoPreamp) {
    std::string eqPath = Install("p", "eq-v1000-c05");
    std::string plainPath = Install("p", "plain-v1000-c01");
    UseFolders("p");
    EngineHarness h;
    ASSERT_EQ(h.engine.GetPluginCount(), 2);
    EqualizerParams eq = DefaultEqualizer();
    eq.enable = 1;
    eq.preamp = 0;  // +20 dB: the preamp multiplies by 10
    h.engine.SetEqualizer(eq);

    auto query = [](const std::string& path, const char* symbol) {
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(module, nullptr);
        auto fn = reinterpret_cast<int (*)()>(dlsym(module, symbol));
        int value = fn ? fn() : -100;
        dlclose(module);
        return value;
    };
    EXPECT_EQ(query(eqPath, "fakeEqualizerCalls"), 1);
    EXPECT_EQ(query(eqPath, "fakeEqualizerPreamp"), 0);
    EXPECT_EQ(query(plainPath, "fakeEqualizerCalls"), 0);

    EXPECT_EQ(Values(Heard(h, FakeFile("FAKE eq"))), (std::map<int, size_t>{{1000, 4000}}));
    EXPECT_EQ(Values(Heard(h, FakeFile("FAKE plain"))), (std::map<int, size_t>{{10000, 4000}}));
}

TEST_F(PluginHost, SeekAndTagsFollowTheCapabilities) {
    struct Row {
        std::string name;
        bool seeks;
        bool tags;
    };
    const Row rows[] = {{"s-v1-c19", true, true}, {"n-v1-c01", false, false}, {"t-v1-c11", false, true}};
    for (const Row& row : rows) {
        Install(row.name, row.name);
        UseFolders(row.name);
        EngineHarness h;
        std::wstring file = FakeFile("FAKE *");
        ASSERT_TRUE(h.engine.Open(file)) << row.name;
        EXPECT_EQ(h.engine.GetSourceType(), kSourcePlugin);
        EXPECT_EQ(h.engine.GetDuration(), 500);
        EXPECT_EQ(h.engine.Seek(250), row.seeks) << row.name;
        EXPECT_EQ(h.engine.GetPosition(), row.seeks ? 250 : 0) << row.name;
        TagInfo tags{}, fileTags{};
        EXPECT_EQ(h.engine.GetTagInfo(tags), row.tags) << row.name;
        EXPECT_EQ(h.engine.ReadFileTags(file, fileTags), row.tags) << row.name;
        EXPECT_EQ(std::wstring(tags.title), row.tags ? L"Fake title" : L"");
        EXPECT_EQ(fileTags.track, row.tags ? 3 : 0);
    }
}

TEST_F(PluginHost, GarbageCountsAreClamped) {
    // Byte counts far beyond the buffer and a scribbled header: the run still ends normally and
    // only the plug-in's samples (or the silence of a fresh buffer) are heard.
    Install("p", "g-v1000-c03-huge");
    UseFolders("p");
    EngineHarness h;
    PcmData pcm = Heard(h, FakeFile("FAKE g"));
    EXPECT_GE(pcm.Frames(), 4000u);
    for (const auto& [value, count] : Values(pcm)) EXPECT_TRUE(value == 1000 || value == 0) << value;

    // Stream calls: consumed counts outside the input and byte counts beyond the buffer.
    const std::string probes[] = {"FAKE neg and more", "FAKE over"};
    for (const std::string& probe : probes) {
        const auto* data = reinterpret_cast<const uint8_t*>(probe.data());
        const auto length = static_cast<int32_t>(probe.size());
        ASSERT_TRUE(OpenPluginStream(h.engine, data, length));
        EXPECT_EQ(h.engine.streamPlugin, 0);
        EXPECT_EQ(h.engine.format.channels, 2);
        EXPECT_EQ(h.engine.format.sampleRate, 44100);
        uint8_t buffer[64] = {};
        WaveHeader header{};
        header.lpData = buffer;
        header.dwBufferLength = sizeof buffer;
        int32_t consumed = -1;
        EXPECT_EQ(DecodePluginStream(h.engine, data, length, consumed, &header), 0);
        EXPECT_EQ(consumed, probe == "FAKE over" ? length : 0);
        EXPECT_EQ(header.dwBytesRecorded, sizeof buffer);
        EXPECT_EQ(header.lpData, buffer);
        ClosePluginStream(h.engine);
        EXPECT_EQ(h.engine.streamPlugin, -1);
    }
    const uint8_t other[] = "OggS";
    EXPECT_FALSE(OpenPluginStream(h.engine, other, 4));
}

}  // namespace
