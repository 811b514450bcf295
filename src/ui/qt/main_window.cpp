#include "ui/qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimerEvent>

#include <cstdlib>

#include "engine/player_engine.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/screen_profile.h"
#include "platform/wave_out.h"
#include "settings/player_settings.h"
#include "settings/qt/playlist_dialog.h"
#include "settings/registry_keys.h"
#include "ui/command_line.h"
#include "ui/commands.h"
#include "ui/string_table.h"
#include "ui/qt/app_icon.h"
#include "ui/qt/skin_info.h"
#include "ui/qt/wait_cursor.h"

namespace vl {

namespace {

// The wave volume is kept across runs in this value of the settings key.
constexpr const wchar_t* kWaveVolumeValue = L"WaveVolume";

}  // namespace

MainWindow::MainWindow() : playlist(nullptr), messageSink(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(false);
    setFocusPolicy(Qt::StrongFocus);

    // Layout in base pixels at 96 dpi, scaled once.
    auto SX = [](int n) { return ScaleX(n); };
    auto SY = [](int n) { return ScaleY(n); };
    // The client grows with the layout on a denser screen (238 x 80 at 96 dpi).
    clientWidth = SX(238);
    clientHeight = SY(80);
    displayWidth = SX(228);
    displayHeight = SX(48);
    buttonTop = SY(57);
    statusTop = SY(20) + 2 * SY(5);
    statusHeight = SY(14);
    titleTop = SY(20) + SY(5);
    titleWidth = SX(228) - 2 * SX(5) - SX(10) - SX(9);
    titleHeight = SY(14);
    seekTop = SY(20) + 2 * SY(5) + SY(14);
    seekWidth = SX(228) - SX(2);
    streamTop = SY(20) + SY(14) + SY(5);
    streamWidth = titleWidth;
    streamHeight = SX(10);
    volumeLeft = 7 * SX(25) + SX(5) + SX(2);
    volumeTop = SY(57);
    volumeWidth = SX(51);
    volumeHeight = SY(20);
    volumeThumbWidth = SX(10);

    engine.reset(CreateEngine());
    playlist.SetEngine(engine.get());
    PlaylistHooks hooks;
    hooks.openEntry = [this](int index) { return OpenEntry(index); };
    hooks.stopCurrent = [this](bool close) {
        Stop();
        UpdateTime();
        InvalidatePlayState();
        InvalidateStreamInfo();
        if (close) CloseTrack();
    };
    hooks.changed = [this] { update(); };
    playlist.SetHooks(std::move(hooks));
    std::srand(GetTickCount());

    StreamSettings stream;
    engine->GetStreamSettings(stream);
    SetText(stream.userAgent, L"Versolune (WindowsCE)");
    engine->SetStreamSettings(stream);
}

MainWindow::~MainWindow() {
    delete playlistDialog;
    playlistDialog = nullptr;
    if (engine) engine->SetNotifyWindow(nullptr);
    ShowTrayIcon(false);
    playlist.ClearPlaylist();
    playlist.SetHooks(PlaylistHooks());
    settings.reset();
    UnloadSkin();
    DeleteSkin();
    engine.reset();
    playlist.SetEngine(nullptr);
    QCoreApplication::removePostedEvents(this);
}

// ---------------------------------------------------------------- window life

bool MainWindow::Create(const std::wstring& commandLine, int keepPosition) {
    WaitCursor wait;
    setWindowTitle(QString::fromWCharArray(GetString(IDS_PRODUCT_NAME)));
    OnCreate();
    setFixedSize(clientWidth, clientHeight);
    windowWidth = clientWidth;
    windowHeight = clientHeight;
    if (keepPosition == 0) move(settings->windowLeft, settings->windowTop);
    show();
    ApplyTopMost();
    StartPlaylist(commandLine);
    return true;
}

void MainWindow::StartPlaylist(const std::wstring& commandLine) {
    if (!commandLine.empty()) {
        OnCopyData(kCommandLineData, BuildCommandLineRecord(commandLine));
        Play(-1);
        return;
    }
    if (settings->saveDefPlayList) {
        // Nothing is opened while the list loads: the resume point picks the entry afterwards.
        playlist.HoldOpening(true);
        LoadPlaylist(GetDefaultPlaylistPath());
        playlist.HoldOpening(false);
        if (settings->resume && settings->resumeTrack != -1 && settings->resumeTrack < GetEntryCount()) {
            OpenEntry(settings->resumeTrack);
            if (GetCurrentIndex() == -1) {
                EnsureCurrent();
            } else {
                engine->Seek(settings->resumeTime);
                settings->resumeTime = 0;
            }
        } else {
            EnsureCurrent();
        }
        if (settings->playOnStart) Play(-1);
    }
}

void MainWindow::OnCreate() {
    settings.reset(CreateSettings());
    skin.reset(CreateSkin());
    LoadSettings();
    SyncPlaylistOptions();
    if (!LoadSkin()) UnloadSkin();
    engine->SetNotifyWindow(&messageSink);
    SetTimer(1, 333);
    SetTimer(2, 10000);
    SetTimer(4, 2000);
    setWindowIcon(AppIcon());
}

void MainWindow::OnDestroy() {
    // The application ends with its main window.
    QCoreApplication::exit(0);
}

void MainWindow::OnClose() {
    if (closed) return;
    closed = true;
    if (settings->resume) {
        settings->resumeTrack = GetCurrentIndex();
        settings->resumeTime = engine->GetPosition();
    }
    CloseTrack();
    engine->ReleaseOutput();
    if (playlistDialog) {
        playlistDialog->Close();
        // A dialog still unwinding its modal loop is deleted with the window instead.
        if (!playlistDialog->IsOpen()) {
            delete playlistDialog;
            playlistDialog = nullptr;
        }
    }
    if (settings->saveDefPlayList) SavePlaylist(GetDefaultPlaylistPath());
    ShowTrayIcon(false);
    hide();
    SaveSettings();
    UnloadSkin();
    for (int id : {1, 2, 3, 4, 5, 6, 7, 8}) KillTimer(id);
    OnDestroy();
}

QPoint MainWindow::GetWindowPosition() const {
    // The frame's top-left corner; it stays while the window is minimised or in the tray.
    return pos();
}

void MainWindow::OnActivate(int, int, intptr_t) {}

void MainWindow::OnHotKey(int, int, int) {}

int MainWindow::PreTranslate(QEvent*) { return 0; }

const std::vector<Accelerator>& MainWindow::GetAccelerators() {
    if (accelerators.empty()) {
        accelerators = {
            {Qt::Key_Z, false, IDM_PLAY_PAUSE},    {Qt::Key_Return, false, IDM_PLAY_PAUSE},
            {Qt::Key_X, false, IDM_STOP},          {Qt::Key_Space, false, IDM_STOP},
            {Qt::Key_C, false, IDM_PREVIOUS},      {Qt::Key_Left, false, IDM_PREVIOUS},
            {Qt::Key_V, false, IDM_REWIND},        {Qt::Key_PageUp, false, IDM_REWIND},
            {Qt::Key_B, false, IDM_FORWARD},       {Qt::Key_PageDown, false, IDM_FORWARD},
            {Qt::Key_N, false, IDM_NEXT},          {Qt::Key_Right, false, IDM_NEXT},
            {Qt::Key_R, false, IDM_REPEAT},        {Qt::Key_H, false, IDM_SHUFFLE},
            {Qt::Key_O, false, IDM_OPEN_FILE},     {Qt::Key_U, false, IDM_OPEN_URL},
            {Qt::Key_A, false, IDM_ADD_FILE},      {Qt::Key_F, false, IDM_FIND},
            {Qt::Key_L, false, IDM_MODIFY_PLAYLIST}, {Qt::Key_S, false, IDM_SAVE_PLAYLIST},
            {Qt::Key_Tab, false, IDM_MODIFY_PLAYLIST}, {Qt::Key_E, false, IDM_EFFECTS},
            {Qt::Key_Up, false, IDM_VOLUME_UP},    {Qt::Key_Down, false, IDM_VOLUME_DOWN},
            {Qt::Key_M, false, IDM_SHOW_MENU},     {Qt::Key_Escape, false, IDM_SHOW_HIDE},
            {Qt::Key_Q, true, IDM_EXIT},
        };
    }
    return accelerators;
}

bool MainWindow::TranslateAccelerator(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_Enter) key = Qt::Key_Return;
    Qt::KeyboardModifiers held = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    for (const Accelerator& a : GetAccelerators()) {
        if (a.key != key) continue;
        // Like virtual-key accelerators: the modifiers must be exactly the ones listed.
        if (held != (a.ctrl ? Qt::KeyboardModifiers(Qt::ControlModifier) : Qt::KeyboardModifiers())) continue;
        OnCommand(a.command);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- Qt events

bool MainWindow::event(QEvent* e) {
    switch (static_cast<int>(e->type())) {
    case WM_ENGINE_STATE: {
        auto* m = static_cast<WindowMessageEvent*>(e);
        OnEngineState(static_cast<int>(m->wParam), static_cast<int>(m->lParam));
        return true;
    }
    case WM_ENGINE_PEAKS: {
        auto* m = static_cast<WindowMessageEvent*>(e);
        OnEnginePeaks(static_cast<int>(m->wParam), static_cast<int>(m->lParam));
        return true;
    }
    case WM_ENGINE_TITLE:
        OnStreamInfo(static_cast<WindowMessageEvent*>(e)->wParam);
        return true;
    case kCommandEvent:
        OnCommand(static_cast<int>(static_cast<WindowMessageEvent*>(e)->wParam & 0xFFFF));
        return true;
    case QEvent::KeyPress: {
        // Accelerators act only on keys addressed to this window itself: a key that a child
        // control did not take arrives here too, and is left alone. (Dialogs are windows of
        // their own; their keys never come here.)
        QWidget* focus = focusWidget();
        if (focus && focus != this) break;
        if (PreTranslate(e)) return true;
        auto* k = static_cast<QKeyEvent*>(e);
        if (TranslateAccelerator(k->key(), k->modifiers())) return true;
        break;
    }
    default:
        break;
    }
    return QWidget::event(e);
}

void MainWindow::paintEvent(QPaintEvent* e) {
    QPainter painter(this);
    OnPaint(painter, e->rect());
}

void MainWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) OnLButtonDown(e->position().toPoint().x(), e->position().toPoint().y());
}

void MainWindow::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) OnMouseMove(1, e->position().toPoint().x(), e->position().toPoint().y());
}

void MainWindow::mouseReleaseEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    if (e->button() == Qt::LeftButton) OnLButtonUp(p.x(), p.y());
    else if (e->button() == Qt::RightButton) ShowMenu(&p);
}

void MainWindow::moveEvent(QMoveEvent*) {
    if (isVisible() && !isMinimized()) OnMove(x(), y());
}

void MainWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::WindowStateChange) {
        if (isMinimized()) OnSize(1, width(), height());
        else OnSize(0, width(), height());
    }
    QWidget::changeEvent(e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    OnClose();
    e->accept();
}

void MainWindow::timerEvent(QTimerEvent* e) {
    for (int id = 1; id <= kMaxTimerId; ++id) {
        if (timers[id].timerId() == e->timerId()) {
            OnTimer(id);
            return;
        }
    }
    QWidget::timerEvent(e);
}

void MainWindow::SetTimer(int id, int ms) {
    if (id < 1 || id > kMaxTimerId) return;
    timers[id].start(ms, this);
}

void MainWindow::KillTimer(int id) {
    if (id < 1 || id > kMaxTimerId) return;
    timers[id].stop();
}

bool MainWindow::IsTimerActive(int id) const { return id >= 1 && id <= kMaxTimerId && timers[id].isActive(); }

// ---------------------------------------------------------------- timers and notifications

void MainWindow::OnTimer(int id) {
    int step = ((GetScreenProfile().dpiX + 6) * 8) / 96;
    switch (id) {
    case 1:
        UpdateTime();
        break;
    case 2:
        // Playback keeps the device awake; the desktop has its own idle rules.
        break;
    case 3:
        KillTimer(3);
        volumeDisplay = 0;
        InvalidateTitle();
        break;
    case 4:
        if (GetWaveVolume() != cachedVolume) InvalidateVolumeSlider();
        break;
    case 5:
        ++titleTicks;
        if (titleTicks >= 2 && settings->scrollTitle && !volumeDisplay && titleExtent - ScaleX(25) > titleWidth) {
            titleOffset += step;
            InvalidateTitle();
        }
        break;
    case 6: {
        ++streamTicks;
        PlaylistEntry* entry = GetEntry(GetCurrentIndex());
        if (streamTicks >= 2 && entry && IsUrl(entry->path) && streamExtent - ScaleX(25) > streamWidth) {
            streamOffset += step;
            InvalidateStreamInfo();
        }
        break;
    }
    case 7:
        InvalidateStreamInfo();
        if (engine->GetState() != kStarting) KillTimer(7);
        break;
    case 8: {
        if (settings->sleepElapsed == -1) break;
        uint32_t now = GetTickCount();
        settings->sleepElapsed += static_cast<int32_t>(now - static_cast<uint32_t>(settings->sleepLastTick));
        settings->sleepLastTick = static_cast<int32_t>(now);
        if (static_cast<int64_t>(settings->sleepElapsed) > static_cast<int64_t>(settings->sleepMinutes) * 60000) {
            settings->sleepElapsed = -1;
            KillTimer(8);
            CmdStop();
            if (settings->sleepPowerOff) {
                engine->ReleaseOutput();
                PowerOff();
            }
        }
        break;
    }
    default:
        break;
    }
}

void MainWindow::PowerOff() {}

void MainWindow::OnEngineState(int state, int detail) {
    switch (state) {
    case kStopped: {
        Stop();
        SyncPlaylistOptions();
        if (settings->repeat == 2) {
            if (detail == 0) {
                Play(-1);
            } else {
                CloseTrack();
                OpenEntry(GetCurrentIndex());
            }
        } else {
            int next = GetNextIndex(true, detail != 0);
            if (next == -1) {
                UpdateTime();
                InvalidatePlayState();
                InvalidateStreamInfo();
                OpenEntry(settings->shuffle ? GetNextIndex(true, false) : 0);
            } else if (detail != 0) {
                OpenEntry(next);
            } else {
                Play(next);
            }
        }
        InvalidatePlayState();
        break;
    }
    case kPlaying:
        if (PlaylistEntry* entry = GetEntry(GetCurrentIndex())) engine->GetTrackInfo(entry->trackInfo);
        InvalidateFormatInfo();
        InvalidateTitle();
        InvalidateStreamInfo();
        InvalidatePlayState();
        break;
    case kStarting:
        if (engine->GetStreamState() > kStreamIdle) {
            InvalidateStreamInfo();
            SetTimer(7, 250);
        }
        InvalidatePlayState();
        break;
    default:
        InvalidatePlayState();
        break;
    }
}

void MainWindow::OnEnginePeaks(int left, int right) {
    if (!settings || !settings->drawPeek) return;
    peakLeft = left;
    peakRight = right;
    InvalidatePeakMeter();
}

void MainWindow::OnStreamInfo(uintptr_t) { InvalidateStreamInfo(); }

QRect MainWindow::GetWorkArea() {
    QScreen* s = screen();
    if (!s) s = QGuiApplication::primaryScreen();
    if (s) return s->availableGeometry();
    const ScreenProfile& p = GetScreenProfile();
    return QRect(0, 0, p.width, p.height);
}

void MainWindow::OnMove(int, int) {
    QRect window = frameGeometry();
    QRect work = GetWorkArea();
    int d = ((GetScreenProfile().dpiX + 6) * 8) / 96;
    int left = window.x(), top = window.y();
    int right = window.x() + window.width(), bottom = window.y() + window.height();
    int workRight = work.x() + work.width(), workBottom = work.y() + work.height();
    int newLeft = left, newTop = top;
    if (std::abs(left - work.x()) < d) newLeft = work.x();
    else if (std::abs(right - workRight) < d) newLeft = workRight - window.width();
    if (std::abs(top - work.y()) < d) newTop = work.y();
    else if (std::abs(bottom - workBottom) < d) newTop = workBottom - window.height();
    if (newLeft != left || newTop != top) move(newLeft, newTop);
}

void MainWindow::OnSize(int type, int, int) {
    if (type == 1) {
        // Into the tray only where the desktop has one; otherwise the window could not be
        // found again.
        if (settings && settings->trayIcon && QSystemTrayIcon::isSystemTrayAvailable()) {
            ShowTrayIcon(true);
            hide();
        }
    } else if (type == 0) {
        update();
    }
}

// ---------------------------------------------------------------- settings

PlayerSettings* MainWindow::CreateSettings() {
    const ScreenProfile& p = GetScreenProfile();
    return new PlayerSettings(p.width, p.height);
}

void MainWindow::LoadSettings() {
    settings->LoadSettings(engine.get());
    RegKey key;
    int32_t volume = 0;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey) && key.QueryDword(kWaveVolumeValue, volume))
        SetWaveVolume(static_cast<uint32_t>(volume));
    cachedVolume = GetWaveVolume();
}

void MainWindow::SaveSettings() {
    QPoint p = GetWindowPosition();
    settings->windowLeft = p.x();
    settings->windowTop = p.y();
    settings->SaveSettings(engine.get());
    RegKey key;
    if (key.Create(HKEY_CURRENT_USER, kSettingsKey))
        key.SetDword(kWaveVolumeValue, static_cast<int32_t>(GetWaveVolume()));
}

void MainWindow::SyncPlaylistOptions() {
    if (!settings) return;
    PlaylistOptions o = playlist.GetOptions();
    o.repeat = settings->repeat;
    o.shuffle = settings->shuffle != 0;
    o.addExisting = settings->addExisting != 0;
    o.searchSubFolders = settings->searchSubFolders != 0;
    playlist.SetOptions(o);
}

void MainWindow::ApplyTopMost() {
    bool on = settings && settings->windowTopMost;
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == on) return;
    bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (wasVisible) show();
}

}  // namespace vl
