#pragma once
// The application object: the single-instance rule, the main window it owns, the event loop.
#include <functional>
#include <memory>
#include <string>

namespace vl {

class MainWindow;
class InstanceServer;
class Mpris;

class PlayerApp {
public:
    PlayerApp();
    virtual ~PlayerApp();
    PlayerApp(const PlayerApp&) = delete;
    PlayerApp& operator=(const PlayerApp&) = delete;

    // Needs a QApplication. commandLine: files, folders, playlists and URLs separated by spaces,
    // quoted where they hold one. Returns the exit code: 0 after the window closed or after a
    // hand-over to the running player, -1 when the window could not be made.
    virtual int Run(const std::wstring& commandLine);
    virtual MainWindow* CreateMainWindow();

    // Called once the window is shown, before the event loop runs (the program's options).
    std::function<void(MainWindow&)> onStarted;

    // A start that runs on its own (a screenshot, a script following the lyrics): it neither
    // hands over to a running player nor takes the single-instance socket.
    bool standalone = false;
    std::wstring commandLine;            // as given to Run
    std::unique_ptr<MainWindow> mainWindow;

private:
    std::unique_ptr<InstanceServer> instance_;
    std::unique_ptr<Mpris> mpris_;  // the desktop's media-player interface
};

// The application object of this process while it runs (null before and after).
PlayerApp* GetApp();

}  // namespace vl
