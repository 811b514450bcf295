// One frame of the scrolling lyrics pane with a very long LRC loaded (100 000 lines in Latin,
// CJK, Cyrillic, Arabic, Hebrew and emoji), at 480 x 640 and 192 dpi: prints the median and the
// worst time of painting the pane, over frames at positions gliding through the song.
//   bench_gui_lyrics_frame [LINES] [FRAMES]
#include <QApplication>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lyrics/lyrics_commands.h"
#include "lyrics/qt/lyrics_pane.h"
#include "lyrics/qt/lyrics_window.h"
#include "platform/screen_profile.h"
#include "platform/wave_out.h"

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int frames = argc > 2 ? std::atoi(argv[2]) : 600;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string home = "/tmp/bench_gui_lyrics_frame." + std::to_string(getpid());
    setenv("VERSOLUNE_HOME", home.c_str(), 1);
    vl::SetAudioBackend("null-fast");
    vl::ScreenProfile profile;
    vl::ParseScreenProfile("480x640@192", profile);
    vl::SetScreenProfile(profile);
    QApplication app(argc, argv);

    const char* texts[] = {
        "Frère Jacques, dormez-vous? Sonnez les matines, ding dang dong`Are you sleeping, brother John?",
        "两只老虎，两只老虎，跑得快，跑得快，一只没有耳朵，一只没有尾巴`Two tigers, two tigers",
        "Спишь ли ты, спишь ли ты, братец Яков? Утром колокол звонит`Are you sleeping?",
        "هل أنت نائم يا أخي جون؟ أجراس الصباح تدق`Are you sleeping, brother John?",
        "האם אתה ישן, אחי יעקב? פעמוני הבוקר מצלצלים",
        "🔔 ding 🎵 dang 🎶 dong 🌅 morning bells are ringing 🔔🔔🔔",
    };
    std::string lrc;
    lrc.reserve(static_cast<size_t>(lines) * 80);
    char tag[32];
    for (int i = 0; i < lines; ++i) {
        const int cs = i * 150;  // 1.5 s a line
        std::snprintf(tag, sizeof tag, "[%02d:%02d.%02d]", cs / 6000, (cs / 100) % 60, cs % 100);
        lrc += tag;
        lrc += texts[i % 6];
        lrc += '\n';
    }

    vl::LyricsWindow window;
    window.Create(std::wstring(), 1);
    window.OnCommand(vl::IDM_SHOW_LYRICS_COMPARISON);
    window.OnCommand(vl::IDM_SCROLL_SENTENCE);
    window.lyrics.LoadBytes(lrc);
    std::printf("lines %d, tags %d, pane %dx%d\n", lines, window.lyrics.GetTagCount() - 1, window.lyricsPane->width(),
                window.lyricsPane->height());

    std::vector<double> ms;
    const double start = lines * 1.5 * 0.5;  // the middle of the song
    double last = -1000.0;
    for (int f = 0; f < frames; ++f) {
        const double p = start + f * 0.016;
        const double delta = p - last;
        window.lyrics.Locate(p, delta > 0 && delta <= 1.0, true);
        last = window.lyricsLastPosition = p;
        auto t0 = std::chrono::steady_clock::now();
        window.lyricsPane->Render();
        window.comparisonPane->Render();
        auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("frame (both panes): median %.3f ms, 95th %.3f ms, worst %.3f ms over %d frames\n", ms[ms.size() / 2],
                ms[ms.size() * 95 / 100], ms.back(), frames);
    window.close();
    std::system(("rm -rf '" + home + "'").c_str());
    return 0;
}
