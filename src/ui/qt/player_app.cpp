#include "ui/qt/player_app.h"

#include <QApplication>

#include <cstdio>

#include "ui/qt/main_window.h"
#include "ui/qt/mpris.h"
#include "ui/qt/single_instance.h"

namespace vl {

namespace {
PlayerApp* g_app = nullptr;
}

PlayerApp* GetApp() { return g_app; }

PlayerApp::PlayerApp() { g_app = this; }

PlayerApp::~PlayerApp() {
    mpris_.reset();
    mainWindow.reset();
    instance_.reset();
    if (g_app == this) g_app = nullptr;
}

MainWindow* PlayerApp::CreateMainWindow() { return new MainWindow(); }

int PlayerApp::Run(const std::wstring& line) {
    commandLine = line;
    if (!standalone) instance_ = std::make_unique<InstanceServer>();
    if (instance_ && !instance_->Listen()) {
        // Another player runs: it gets the command line and this start ends.
        if (!HandOverToRunningPlayer(commandLine))
            std::fprintf(stderr, "versolune: the running player did not answer; nothing was handed over\n");
        return 0;
    }
    // The window decides when the program ends (it may live in the tray while hidden).
    QApplication::setQuitOnLastWindowClosed(false);
    mainWindow.reset(CreateMainWindow());
    if (!mainWindow) return -1;
    if (!mainWindow->Create(commandLine, 0)) {
        mainWindow.reset();
        return -1;
    }
    if (instance_) {
        instance_->SetWindow(mainWindow.get());
        // Runs on their own (screenshots, printed lyrics) stay off the desktop's bus too.
        mpris_ = std::make_unique<Mpris>(*mainWindow);
    }
    if (onStarted) onStarted(*mainWindow);
    return QApplication::exec();
}

}  // namespace vl
