// The player's commands, its popup menus and the tray icon.
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include <algorithm>

#include "engine/player_engine.h"
#include "platform/clock.h"
#include "platform/screen_profile.h"
#include "platform/wave_out.h"
#include "settings/player_settings.h"
#include "settings/qt/about_box.h"
#include "settings/qt/effects_sheet.h"
#include "settings/qt/playlist_dialog.h"
#include "ui/commands.h"
#include "ui/string_table.h"
#include "ui/qt/app_icon.h"
#include "ui/qt/main_window.h"

namespace vl {

namespace {

// Mouse messages a tray activation stands for.
constexpr int kTrayLeftDown = 513;
constexpr int kTrayDoubleClick = 515;
constexpr int kTrayRightDown = 516;

struct MenuItem {
    int id;  // 0: separator; -1: the repeat submenu
    const char* text;
};

constexpr MenuItem kWindowMenuItems[] = {
    {IDM_OPEN_FILE, "Open File"},       {IDM_ADD_FILE, "Add File"},
    {IDM_OPEN_URL, "Open URL"},         {IDM_MODIFY_PLAYLIST, "Modify Playlist"},
    {IDM_SAVE_PLAYLIST, "Save Playlist"}, {IDM_DOWNLOAD_LYRICS, "Download Lyrics..."},
    {0, nullptr},
    {IDM_PLAY_PAUSE, "Play/Pause"},     {IDM_STOP, "Stop"},
    {IDM_PREVIOUS, "Previous"},         {IDM_NEXT, "Next"},
    {IDM_REWIND, "Rew"},                {IDM_FORWARD, "FF"},
    {0, nullptr},                       {-1, "Repeat"},
    {IDM_SHUFFLE, "Shuffle"},           {0, nullptr},
    {IDM_VOLUME_UP, "Volume up"},       {IDM_VOLUME_DOWN, "Volume down"},
    {IDM_EFFECTS, "Effects"},           {IDM_OPTIONS, "Options..."},
    {IDM_SLEEP_TIMER, "Sleep timer..."}, {IDM_TOP_MOST, "Always on top"},
    {0, nullptr},                       {IDM_ABOUT, "About..."},
    {IDM_EXIT, "Exit"},
};

constexpr MenuItem kTrayMenuItems[] = {
    {IDM_SHOW_HIDE, "Show/Hide"}, {0, nullptr},
    {IDM_PLAY_PAUSE, "Play/Pause"}, {IDM_STOP, "Stop"},
    {IDM_PREVIOUS, "Previous"},   {IDM_NEXT, "Next"},
    {0, nullptr},                 {-1, "Repeat"},
    {IDM_SHUFFLE, "Shuffle"},     {IDM_TOP_MOST, "Always on top"},
    {0, nullptr},                 {IDM_EXIT, "Exit"},
};

constexpr MenuItem kRepeatMenuItems[] = {
    {IDM_REPEAT_NONE, "Repeat None"}, {IDM_REPEAT_ALL, "Repeat All"}, {IDM_REPEAT_ONE, "Repeat One"}};

template <size_t N>
void FillMenu(QMenu* menu, const MenuItem (&items)[N]) {
    for (const MenuItem& item : items) {
        if (item.id == 0) {
            menu->addSeparator();
        } else if (item.id == -1) {
            QMenu* sub = menu->addMenu(QString::fromLatin1(item.text));
            sub->setObjectName(QStringLiteral("RepeatMenu"));
            FillMenu(sub, kRepeatMenuItems);
        } else {
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            action->setObjectName(QString::number(item.id));
            action->setData(item.id);
        }
    }
}

void Check(QMenu* menu, int id) {
    if (auto* action = menu->findChild<QAction*>(QString::number(id))) {
        action->setCheckable(true);
        action->setChecked(true);
    }
}

// One volume step of 2 % on both channels.
uint32_t StepVolume(uint32_t volume, bool up) {
    auto step = [up](uint32_t level) {
        double v = (level + 1) + (up ? 1310.7 : -1310.7);
        v = up ? std::min(v, 65535.0) : std::max(v, 0.0);
        return static_cast<uint32_t>(v);
    };
    uint32_t left = step(volume & 0xFFFF), right = step(volume >> 16);
    return right << 16 | left;
}

}  // namespace

int MainWindow::OnCommand(int id) {
    switch (id) {
    case IDM_SHOW_MENU: ShowMenu(nullptr); break;
    case IDM_VOLUME_UP: CmdVolumeUp(); break;
    case IDM_VOLUME_DOWN: CmdVolumeDown(); break;
    case IDM_SAVE_PLAYLIST: CmdSavePlaylist(); break;
    case IDM_ADD_FILE: CmdAddFile(); break;
    case IDM_ABOUT: ShowAbout(this, *engine); break;
    case IDM_EXIT: QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection); break;
    case IDM_EFFECTS: CmdEffects(); break;
    case IDM_OPTIONS: CmdOptions(); break;
    case IDM_OPEN_URL: CmdOpenUrl(); break;
    case IDM_MODIFY_PLAYLIST: CmdModifyPlaylist(); break;
    case IDM_REPEAT: CmdRepeat(); break;
    case IDM_SHUFFLE:
        CmdShuffle();
        InvalidatePlayOptions();
        break;
    case IDM_OPEN_FILE: CmdOpenFile(); break;
    case IDM_TOP_MOST: CmdTopMost(); break;
    case IDM_PLAY_PAUSE: CmdPlayPause(); break;
    case IDM_SHOW_HIDE:
        if (!isVisible()) RestoreFromTray();
        break;
    case IDM_STOP: CmdStop(); break;
    case IDM_PREVIOUS: CmdPrevious(); break;
    case IDM_NEXT: CmdNext(); break;
    case IDM_REPEAT_NONE: CmdRepeatNone(); break;
    case IDM_REPEAT_ALL: CmdRepeatAll(); break;
    case IDM_REPEAT_ONE: CmdRepeatOne(); break;
    case IDM_SLEEP_TIMER: CmdSleepTimer(); break;
    case IDM_REWIND: CmdRewind(); break;
    case IDM_FORWARD: CmdForward(); break;
    case IDM_DOWNLOAD_LYRICS: CmdDownloadLyrics(); break;
    default: return 0;
    }
    return 0;
}

// ---------------------------------------------------------------- playlist commands

void MainWindow::CmdOpenFile() {
    if (BrowseFiles(false) && GetEntryCount() > 0) Play(-1);
    RefreshPlaylistDialog();
}

void MainWindow::CmdAddFile() {
    BrowseFiles(true);
    RefreshPlaylistDialog();
}

void MainWindow::CmdOpenUrl() {
    std::wstring url;
    // An address the player cannot play (another scheme than http://) leaves the playlist as it is.
    if (settings->ShowOpenUrl(this, url) != 1 || !IsUrl(url)) return;
    ClearPlaylist();
    AddEntry(url);
    if (GetEntryCount() > 0) Play(-1);
    RefreshPlaylistDialog();
}

void MainWindow::CmdModifyPlaylist() {
    if (!playlistDialog) playlistDialog = new PlaylistDialog(*this);
    playlistDialog->ShowPlaylistDialog();
}

void MainWindow::RefreshPlaylistDialog() {
    if (playlistDialog) playlistDialog->Refresh();
}

void MainWindow::ShowLyricsSearch(int index) {
    if (openLyricsSearch) openLyricsSearch(index);
}

void MainWindow::CmdSavePlaylist() { SavePlaylistAs(nullptr); }

void MainWindow::CmdShuffle() {
    SyncPlaylistOptions();
    settings->shuffle = settings->shuffle ? 0 : 1;
    playlist.SetShuffle(settings->shuffle != 0);
}

// ---------------------------------------------------------------- player commands

void MainWindow::CmdPlayPause() {
    if (engine->GetState() != kStopped) Pause();
    else Play(-1);
}

void MainWindow::CmdStop() {
    int state = engine->GetState();
    if (settings->resume && state != kStopped) settings->resumeTime = engine->GetPosition();
    if (state == kStopped) engine->ReleaseOutput();  // a second Stop closes the audio device
    Stop();
    if (settings->shuffle) {
        SyncPlaylistOptions();
        playlist.RestartShufflePass();
    }
    if (settings->resume) {
        engine->Seek(settings->resumeTime);
        settings->resumeTime = 0;
    }
    UpdateTime();
    InvalidatePlayState();
    InvalidateStreamInfo();
}

void MainWindow::CmdPrevious() {
    int state = engine->GetState();
    int index = GetPreviousIndex();
    if (index == -1) return;
    OpenEntry(index);
    if (state != kStopped) Play(-1);
}

void MainWindow::CmdNext() {
    int index = GetNextIndex(false, false);
    if (index == -1) return;
    int state = engine->GetState();
    OpenEntry(index);
    if (state != kStopped) Play(-1);
}

void MainWindow::CmdRewind() { SeekTo(engine->GetPosition() - 5000); }
void MainWindow::CmdForward() { SeekTo(engine->GetPosition() + 5000); }

void MainWindow::CmdRepeat() {
    settings->repeat = (settings->repeat + 1) % 3;
    SyncPlaylistOptions();
    InvalidatePlayOptions();
}

void MainWindow::CmdRepeatNone() {
    settings->repeat = 0;
    SyncPlaylistOptions();
    InvalidatePlayOptions();
}

void MainWindow::CmdRepeatAll() {
    settings->repeat = 1;
    SyncPlaylistOptions();
    InvalidatePlayOptions();
}

void MainWindow::CmdRepeatOne() {
    settings->repeat = 2;
    SyncPlaylistOptions();
    InvalidatePlayOptions();
}

void MainWindow::CmdVolumeUp() {
    SetWaveVolume(StepVolume(GetWaveVolume(), true));
    ShowVolumeChange();
}

void MainWindow::CmdVolumeDown() {
    SetWaveVolume(StepVolume(GetWaveVolume(), false));
    ShowVolumeChange();
}

void MainWindow::ShowVolumeChange() {
    KillTimer(3);
    volumeDisplay = 1;
    InvalidateTitle();
    SetTimer(3, 3000);
    InvalidateVolumeSlider();
}

void MainWindow::CmdEffects() { ShowEffects(this, *engine); }

void MainWindow::CmdTopMost() {
    settings->windowTopMost = settings->windowTopMost ? 0 : 1;
    ApplyTopMost();
}

void MainWindow::CmdOptions() {
    settings->ShowOptions(this, engine.get());
    engine->SetPeakMeter(settings->drawPeek != 0);
    SyncPlaylistOptions();
    UnloadSkin();
    LoadSkin();
    update();
}

void MainWindow::CmdSleepTimer() {
    if (!settings->ShowSleepTimer(static_cast<QWidget*>(this))) return;
    if (settings->sleepElapsed != -1) {
        settings->sleepElapsed = 0;
        settings->sleepLastTick = static_cast<int32_t>(GetTickCount());
        SetTimer(8, 5000);
    } else {
        KillTimer(8);
    }
}

void MainWindow::CmdDownloadLyrics() {
    int index = GetCurrentIndex();
    if (index < 0 && GetEntryCount() > 0) index = 0;
    if (index >= 0 && openLyricsSearch) openLyricsSearch(index);
}

// ---------------------------------------------------------------- menus and tray

QMenu* MainWindow::BuildMenu(MenuKind kind) {
    auto* menu = new QMenu(this);
    menu->setObjectName(kind == kTrayMenu ? QStringLiteral("Tray") : QStringLiteral("Main"));
    if (kind == kTrayMenu) FillMenu(menu, kTrayMenuItems);
    else FillMenu(menu, kWindowMenuItems);
    static const int kRepeatIds[3] = {IDM_REPEAT_NONE, IDM_REPEAT_ALL, IDM_REPEAT_ONE};
    if (settings->repeat >= 0 && settings->repeat <= 2) Check(menu, kRepeatIds[settings->repeat]);
    if (settings->shuffle) Check(menu, IDM_SHUFFLE);
    if (settings->windowTopMost) Check(menu, IDM_TOP_MOST);
    return menu;
}

void MainWindow::ShowMenu(const QPoint* point) {
    if (popupMenu) return;
    QPoint at(0, 0);
    if (point) {
        at = *point;
    } else if (buttonCount == 8) {
        int dpiX = GetScreenProfile().dpiX, dpiY = GetScreenProfile().dpiY;
        at = QPoint(7 * ScaleX(25) + ScaleX(5) + (25 * dpiX + 48) / 192, ScaleY(57) + (20 * dpiY + 48) / 192);
    }
    popupMenu = BuildMenu(kWindowMenu);
    activateWindow();
    QAction* chosen = popupMenu->exec(mapToGlobal(at));
    int id = chosen ? chosen->data().toInt() : 0;
    delete popupMenu;
    popupMenu = nullptr;
    if (id) OnCommand(id);
}

void MainWindow::OnTrayNotify(int mouseMessage) {
    // A modal dialog owns the input meanwhile.
    if (!isEnabled() || QApplication::activeModalWidget()) return;
    if (mouseMessage == kTrayLeftDown || mouseMessage == kTrayRightDown) {
        if (popupMenu) return;
        popupMenu = BuildMenu(kTrayMenu);
        QAction* chosen = popupMenu->exec(QCursor::pos());
        int id = chosen ? chosen->data().toInt() : 0;
        delete popupMenu;
        popupMenu = nullptr;
        if (id) OnCommand(id);
    } else if (mouseMessage == kTrayDoubleClick) {
        RestoreFromTray();
    }
}

void MainWindow::RestoreFromTray() {
    showNormal();
    ShowTrayIcon(false);
    raise();
    activateWindow();
}

void MainWindow::ShowTrayIcon(bool show) {
    if (show && !trayIcon) {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
        trayIcon = new QSystemTrayIcon(AppIcon(), this);
        trayIcon->setObjectName(QStringLiteral("TrayIcon"));
        trayIcon->setToolTip(windowTitle());
        connect(trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            switch (reason) {
            case QSystemTrayIcon::Trigger: OnTrayNotify(kTrayLeftDown); break;
            case QSystemTrayIcon::Context: OnTrayNotify(kTrayRightDown); break;
            case QSystemTrayIcon::DoubleClick: OnTrayNotify(kTrayDoubleClick); break;
            default: break;
            }
        });
        trayIcon->show();
    } else if (!show && trayIcon) {
        trayIcon->hide();
        delete trayIcon;
        trayIcon = nullptr;
    }
}

}  // namespace vl
