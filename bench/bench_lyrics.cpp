// Loads a generated 5 000-line lyric file and times Locate the way the display calls it:
// incremental steps as playback advances, and full searches after seeks.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "lyrics/lyrics_model.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
    const int kLines = 5000, kCalls = 10000;
    std::string text = "[ti:Benchmark]\n[ar:Versolune]\n[offset:0]\n";
    char stamp[32];
    for (int i = 0; i < kLines; ++i) {
        double t = i * 0.7;
        std::snprintf(stamp, sizeof(stamp), "[%02d:%05.2f]", int(t / 60), t - 60 * int(t / 60));
        text += stamp;
        text += "Line number " + std::to_string(i) + " of the song`Ligne " + std::to_string(i) + "\n";
    }
    std::string dir = "/tmp/versolune-bench-lyrics";
    vl::MakeDirectory(vl::WidePath(dir));
    std::wstring music = vl::WidePath(dir + "/bench.mp3");
    if (!vl::WriteFileAtomic(vl::WidePath(dir + "/bench.lrc"), text)) {
        std::fprintf(stderr, "cannot write %s/bench.lrc\n", dir.c_str());
        return 1;
    }

    vl::LyricsModel model;
    auto start = std::chrono::steady_clock::now();
    const int kLoads = 20;
    for (int i = 0; i < kLoads; ++i) model.Load(music);
    double load = Seconds(start) / kLoads;
    std::printf("load: %d lines, %zu bytes, %.3f ms per load (%d tags)\n", kLines, text.size(), load * 1e3,
                model.GetTagCount() - 1);

    const double duration = kLines * 0.7;
    int repaint = 0;
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalls; ++i) repaint += model.Locate(i * duration / kCalls, true, true);
    double incremental = Seconds(start);

    std::mt19937 rng(1);
    std::uniform_real_distribution<double> position(0.0, duration);
    start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalls; ++i) repaint += model.Locate(position(rng), false, true);
    double full = Seconds(start);

    std::printf("locate incremental: %d calls, %.3f ms total, %.1f ns per call\n", kCalls, incremental * 1e3,
                incremental * 1e9 / kCalls);
    std::printf("locate full (random seeks): %d calls, %.3f ms total, %.1f ns per call\n", kCalls, full * 1e3,
                full * 1e9 / kCalls);
    std::printf("repaints requested: %d\n", repaint);
    vl::DeleteFile(vl::WidePath(dir + "/bench.lrc"));
    return 0;
}
