#pragma once
// The application object of the player: the base application whose window is the lyrics
// window.
#include "ui/qt/player_app.h"

namespace vl {

class LyricsApp : public PlayerApp {
public:
    MainWindow* CreateMainWindow() override;
};

}  // namespace vl
