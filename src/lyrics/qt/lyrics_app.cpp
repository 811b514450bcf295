#include "lyrics/qt/lyrics_app.h"

#include "lyrics/qt/lyrics_window.h"

namespace vl {

MainWindow* LyricsApp::CreateMainWindow() { return new LyricsWindow(); }

}  // namespace vl
