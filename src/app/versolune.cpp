// versolune: the player window.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lyrics/lyric_line_printer.h"
#include "lyrics/qt/lyrics_app.h"
#include "lyrics/qt/lyrics_window.h"
#include "platform/files.h"
#include "platform/screen_profile.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "lyrics/qt/lyrics_option_pages.h"
#include "lyrics/qt/lyrics_search_dialog.h"
#include "ui/qt/dialog_screenshot.h"
#include "ui/command_line.h"
#include "ui/qt/main_window.h"

namespace {

const char kUsage[] =
    "Usage: versolune [options] [FILE|FOLDER|PLAYLIST|URL]...\n"
    "The player window. Files, folders (their audio files), playlists (.m3u, .pls) and http://\n"
    "URLs replace the playlist and start playing; while a player runs, a new start hands them\n"
    "to it and ends.\n"
    "  --audio BACKEND      alsa[:DEVICE], null, null-fast, wav:PATH, wav-fast:PATH, auto\n"
    "  --screen WxH@DPI     the device screen (default 240x320@96); the dpi scales the window\n"
    "  --screenshot PATH    save the window as a PNG image after --after MS, then close\n"
    "  --after MS           milliseconds of running before the screenshot (default 1000)\n"
    "  --screenshot-dialog NAME  with --screenshot: open the dialog NAME over the window as the\n"
    "                       user would, save it, close it without applying anything and exit\n"
    "  --print-lyrics       print 'lyric POS_MS TEXT' (and 'second TEXT') on standard output\n"
    "                       each time the current lyric line changes\n"
    "  --version            the version\n"
    "  --help               this text\n"
    "A start with --screenshot or --print-lyrics runs on its own: it never hands over to a\n"
    "running player.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "versolune: %s\nTry 'versolune --help'.\n", message.c_str());
    return 2;
}

// Paths become absolute: a running player may have another working folder. Launchers hand
// over file:// URIs.
std::wstring ArgumentPath(std::string arg) {
    if (arg.compare(0, 7, "file://") == 0) {
        QUrl url(QString::fromStdString(arg));
        if (url.isLocalFile()) arg = url.toLocalFile().toStdString();
    }
    std::wstring path = vl::WidePath(arg);
    if (arg.find("://") != std::string::npos || path.empty() || path[0] == L'/') return path;
    return vl::JoinPath(vl::WidePath(QDir::currentPath().toStdString()), path);
}

}  // namespace

int main(int argc, char** argv) {
    // Help and version need no display.
    bool platformArgument = false;
    for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::printf("Dialogs for --screenshot-dialog: %s\n", vl::DialogShotNames().c_str());
            return 0;
        }
        if (a == "--version") {
            std::printf("versolune %s\n", VERSOLUNE_VERSION);
            return 0;
        }
        if (a == "-platform" || a.compare(0, 10, "-platform=") == 0) platformArgument = true;
    }
    // Without any display the toolkit would abort; say it in one line instead.
    if (!platformArgument && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM")) {
        std::fputs("versolune: no display (DISPLAY or WAYLAND_DISPLAY is not set); "
                   "versolune-play plays in the terminal\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    std::vector<std::wstring> files;
    std::string screenshot;
    const vl::DialogShot* dialogShot = nullptr;
    long afterMs = 1000;
    bool printLyrics = false;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (options && a == "--") {
            options = false;
        } else if (options && a == "--print-lyrics") {
            printLyrics = true;
        } else if (options && (a == "--audio" || a == "--screen" || a == "--screenshot" || a == "--after" ||
                                a == "--screenshot-dialog")) {
            if (i + 1 >= argc) return UsageError(a + " needs a value");
            std::string value = argv[++i];
            if (a == "--audio") {
                vl::SetAudioBackend(value);
            } else if (a == "--screen") {
                vl::ScreenProfile profile;
                if (!vl::ParseScreenProfile(value, profile)) return UsageError("--screen needs WxH@DPI, e.g. 480x640@192");
                vl::SetScreenProfile(profile);
            } else if (a == "--screenshot") {
                screenshot = value;
            } else if (a == "--screenshot-dialog") {
                dialogShot = vl::FindDialogShot(value);
                if (!dialogShot) return UsageError("unknown dialog " + value + " (known: " + vl::DialogShotNames() + ")");
            } else {
                char* end = nullptr;
                afterMs = std::strtol(value.c_str(), &end, 10);
                if (value.empty() || *end || afterMs < 0 || afterMs > 86400000) return UsageError("--after needs milliseconds");
            }
        } else if (options && a.size() > 1 && a[0] == '-') {
            return UsageError("unknown option " + a);
        } else {
            files.push_back(ArgumentPath(a));
        }
    }

    vl::LyricsSettingsDialogsQt dialogs;
    vl::SetSettingsDialogs(&dialogs);
    if (dialogShot && screenshot.empty()) return UsageError("--screenshot-dialog needs --screenshot PATH");
    vl::LyricsApp player;
    player.standalone = !screenshot.empty() || printLyrics;
    int shotCode = 0;
    player.onStarted = [dialogShot, screenshot, afterMs, printLyrics, &shotCode](vl::MainWindow& window) {
        window.openLyricsSearch = [&window](int index) { vl::OpenLyricsSearch(window, index); };
        if (auto* lyricsWindow = dynamic_cast<vl::LyricsWindow*>(&window); lyricsWindow && printLyrics) {
            lyricsWindow->onLyricLine = [](int positionMs, const vl::VisibleLine& line) {
                vl::PrintLyricLine(stdout, positionMs, *line.line);
            };
        }
        if (dialogShot) {
            QTimer::singleShot(0, &window, [&window, dialogShot, screenshot, &shotCode] {
                shotCode = vl::TakeDialogShot(window, *dialogShot, QString::fromStdString(screenshot));
            });
            return;
        }
        if (screenshot.empty()) return;
        QTimer::singleShot(static_cast<int>(afterMs), &window, [&window, screenshot] {
            if (!window.grab().save(QString::fromStdString(screenshot), "PNG"))
                std::fprintf(stderr, "versolune: cannot write %s\n", screenshot.c_str());
            window.close();
        });
    };
    int code = player.Run(vl::JoinCommandLine(files));
    vl::SetSettingsDialogs(nullptr);
    return code != 0 ? code : shotCode;
}
