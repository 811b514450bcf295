#pragma once
// A lyrics window on the real engine in a fresh program folder, with helpers to give it
// lyrics, tones and a skin.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/player_engine.h"
#include "lyrics/lyrics_settings.h"
#include "lyrics/qt/lyrics_pane.h"
#include "lyrics/qt/lyrics_window.h"
#include "platform/screen_profile.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "support/qt_events.h"
#include "support/test_support.h"
#include "support/wav_file.h"

namespace vl::test {

// Records the commands the window receives; runs them only when asked to.
class RecordingLyricsWindow : public LyricsWindow {
public:
    int OnCommand(int id) override {
        commands.push_back(id);
        if (!runCommands) return 0;
        return LyricsWindow::OnCommand(id);
    }
    // The display rules' clock: the real one unless a test sets it.
    uint32_t Now() override { return clock ? clock() : LyricsWindow::Now(); }
    std::vector<int> commands;
    bool runCommands = true;
    std::function<uint32_t()> clock;
};

class LyricsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        home = TempDir();
        setenv("VERSOLUNE_HOME", home.c_str(), 1);
        SetScreenProfile(ScreenProfile{});
        SetAudioBackend("");
        Open();
    }
    void TearDown() override {
        window.reset();
        SetAudioBackend("");
        SetScreenProfile(ScreenProfile{});
    }
    // A new window (the previous one is closed first, saving its settings).
    void Open() {
        if (window) window->close();
        window.reset();
        window = std::make_unique<RecordingLyricsWindow>();
        ASSERT_TRUE(window->Create(std::wstring(), 1));
        settings = window->GetLyricsSettings();
        engine = window->GetEngine();
    }
    std::wstring Tone(const std::string& name, double seconds) {
        std::string path = home + "/" + name;
        EXPECT_TRUE(WriteWav(path, MakeTone(8000, 1, seconds)));
        return WidePath(path);
    }
    void AddTones(int n, double seconds = 0.2) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(window->AddEntry(Tone("t" + std::to_string(i) + ".wav", seconds)));
    }
    // The rows of the list as texts.
    std::vector<std::wstring> Rows() {
        std::vector<std::wstring> rows;
        for (int i = 0; i < window->listView->count(); ++i) rows.push_back(window->listView->item(i)->text().toStdWString());
        return rows;
    }
    // The titles of the playlist's entries in order.
    std::vector<std::wstring> Titles() {
        std::vector<std::wstring> titles;
        for (int i = 0; i < window->GetEntryCount(); ++i) {
            std::wstring t;
            window->GetEntryTitle(i, t);
            titles.push_back(t);
        }
        return titles;
    }
    void Command(int id) {
        window->OnCommand(id);
        QCoreApplication::processEvents();
    }

    std::string home;
    std::unique_ptr<RecordingLyricsWindow> window;
    LyricsSettings* settings = nullptr;
    PlayerEngine* engine = nullptr;
};

}  // namespace vl::test
