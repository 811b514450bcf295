#pragma once
// A player window on the real engine in a fresh program folder, with a few short WAV files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTest>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/player_engine.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "settings/player_settings.h"
#include "support/qt_events.h"
#include "support/test_support.h"
#include "ui/qt/main_window.h"
#include "support/wav_file.h"

namespace vl::test {

// Clicks a check box near its left edge: a box only takes clicks on its mark and label.
inline void Tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2)); }

// Records what the window does on its own, so a test can see the automatic advance.
class RecordingWindow : public MainWindow {
public:
    bool Play(int index) override {
        played.push_back(index);
        return MainWindow::Play(index);
    }
    bool OpenEntry(int index) override {
        opened.push_back(index);
        return MainWindow::OpenEntry(index);
    }
    void OnEngineState(int state, int detail) override {
        MainWindow::OnEngineState(state, detail);
        if (state != kStopped) return;
        ++ends;
        // Stops what the handler started, so that the test sees this one end only.
        if (freezeAtEnd) Stop();
    }
    void Forget() {
        played.clear();
        opened.clear();
        ends = 0;
        freezeAtEnd = false;
    }
    std::vector<int> played, opened;
    int ends = 0;
    bool freezeAtEnd = false;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        home = TempDir();
        setenv("VERSOLUNE_HOME", home.c_str(), 1);
        SetAudioBackend("");
        SetWaveVolume(0xFFFFFFFF);
        window = std::make_unique<RecordingWindow>();
        ASSERT_TRUE(window->Create(std::wstring(), 1));
        settings = window->GetSettings();
        engine = window->GetEngine();
    }
    void TearDown() override {
        window.reset();
        SetAudioBackend("");
    }
    // A mono 8 kHz tone file of that length in the program folder.
    std::wstring Tone(const std::string& name, double seconds) {
        std::string path = home + "/" + name;
        EXPECT_TRUE(WriteWav(path, MakeTone(8000, 1, seconds)));
        return WidePath(path);
    }
    // n tone files added to the playlist.
    void AddTones(int n, double seconds = 0.2) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(window->AddEntry(Tone("t" + std::to_string(i) + ".wav", seconds)));
    }

    std::string home;
    std::unique_ptr<RecordingWindow> window;
    PlayerSettings* settings = nullptr;
    PlayerEngine* engine = nullptr;
};

}  // namespace vl::test
