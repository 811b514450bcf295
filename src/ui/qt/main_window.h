#pragma once
// The player's window: a small skinned panel (client 238 x 80) with the time, title and stream
// lines, a seek bar, a peak meter, a row of buttons and a volume slider. It owns the engine, the
// settings, the skin, the playlist and the lyrics of the current file, runs the timers 1-8,
// follows the engine's posted notifications (advancing to the next track at the end of one) and
// carries out the player's commands. Every operation is virtual so that the lyrics window can
// replace single ones.
//
// Win32 carried over to Qt:
//   WM_COMMAND          OnCommand(id); PostCommand() posts one
//   WM_TIMER            SetTimer(id, ms) / KillTimer(id) -> OnTimer(id)
//   WM_ENGINE_*         posted events of the message's number -> OnEngineState/Peaks/StreamInfo
//   WM_PAINT            paintEvent -> OnPaint(painter, rect); Draw... paint into a QPainter
//   WM_LBUTTON*/MOUSE   mouse events -> OnLButtonDown/OnMouseMove/OnLButtonUp (client pixels)
//   WM_RBUTTONUP        ShowMenu(point)
//   WM_MOVE / WM_SIZE   moveEvent -> OnMove; minimise/restore -> OnSize(1 / 0, w, h)
//   WM_CLOSE            closeEvent -> OnClose
//   WM_COPYDATA         OnCopyData(dwData, bytes) with the command-line record
//   accelerators        keys addressed to this window itself (not a child, never a dialog)
#include <QBasicTimer>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lyrics/lyrics_model.h"
#include "ui/playlist.h"
#include "ui/qt/window_message.h"

class QMenu;
class QPainter;
class QSystemTrayIcon;

namespace vl {

class PlayerEngine;
class PlayerSettings;
class PlaylistDialog;
class SkinInfo;

// One accelerator: a Qt key, whether Ctrl must be held, and the command it sends.
struct Accelerator {
    int key;
    bool ctrl;
    int command;
};

// Which popup menu ShowMenu builds.
enum MenuKind { kWindowMenu = 0, kTrayMenu = 1 };

class MainWindow : public QWidget {
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    // ---- window life ----
    virtual QWidget* GetHandle() { return this; }
    // commandLine: the start's arguments in the hand-over form (tokens, see SendCommandLine);
    // keepPosition 0 asks for the saved position. False when no window could be made.
    virtual bool Create(const std::wstring& commandLine, int keepPosition);
    // The end of Create: the command line's files, else the default playlist with the resume
    // point, and play at start-up.
    virtual void StartPlaylist(const std::wstring& commandLine);
    // The accelerator table, in its order (made on first use).
    virtual const std::vector<Accelerator>& GetAccelerators();
    // A key addressed to this window: true when an accelerator took it.
    virtual bool TranslateAccelerator(int key, Qt::KeyboardModifiers modifiers);
    // A dialog of the window may take a key first; nonzero = consumed.
    virtual int PreTranslate(QEvent* event);
    virtual bool BrowseFiles(bool add);
    virtual void SavePlaylistAs(QWidget* owner);
    virtual void OnCreate();
    virtual void OnPaint(QPainter& dc, const QRect& paintRect);  // main_window_drawing.cpp
    virtual void OnDestroy();
    virtual void OnClose();
    virtual void OnTimer(int id);
    virtual void OnMove(int x, int y);
    // type 0 restored, 1 minimised
    virtual void OnSize(int type, int width, int height);
    virtual void OnLButtonDown(int x, int y);                // main_window_drawing.cpp
    virtual void OnMouseMove(int keys, int x, int y);        // main_window_drawing.cpp
    virtual void OnLButtonUp(int x, int y);                  // main_window_drawing.cpp
    virtual void OnActivate(int state, int minimized, intptr_t other);
    // The command-line record: dwData must be 563; bytes are the UTF-16LE token list.
    virtual void OnCopyData(unsigned long dwData, const std::string& bytes);
    // Returns 0 for ids outside the command table.
    virtual int OnCommand(int id);
    virtual void OnHotKey(int id, int modifiers, int key);
    // A tray icon activation, as the mouse message it stands for (513 down, 515 double click,
    // 516 right button down).
    virtual void OnTrayNotify(int mouseMessage);

    // ---- commands ----
    virtual void CmdOpenFile();
    virtual void CmdOpenUrl();
    virtual void CmdAddFile();
    virtual void CmdModifyPlaylist();
    virtual void CmdSavePlaylist();
    virtual void CmdPlayPause();
    virtual void CmdStop();
    virtual void CmdPrevious();
    virtual void CmdRewind();
    virtual void CmdForward();
    virtual void CmdNext();
    virtual void CmdRepeat();
    virtual void CmdRepeatNone();
    virtual void CmdRepeatAll();
    virtual void CmdRepeatOne();
    virtual void CmdShuffle();
    // At a client point; without one at the eighth button of an old skin, else at (0, 0).
    virtual void ShowMenu(const QPoint* point);
    virtual void CmdVolumeUp();
    virtual void CmdVolumeDown();
    // The title line shows the volume for 3 s and the slider follows (volume keys, slider).
    void ShowVolumeChange();
    virtual void CmdEffects();
    virtual void CmdTopMost();
    virtual void CmdOptions();
    virtual void CmdSleepTimer();
    // The lyrics search for the current entry, through openLyricsSearch.
    virtual void CmdDownloadLyrics();
    // "Download Lyrics..." of the playlist dialog for an entry: the base player has no lyrics
    // search, the lyrics window opens its search dialog for the entry.
    virtual void ShowLyricsSearch(int index);

    // ---- engine notifications ----
    // state: 0 stopped, 1 playing, 2 paused, 3 starting; detail 1 = a stop by an error.
    virtual void OnEngineState(int state, int detail);
    virtual void OnEnginePeaks(int left, int right);
    virtual void OnStreamInfo(uintptr_t wParam);

    // ---- drawing (main_window_drawing.cpp) ----
    virtual void DrawBackground(QPainter& dc);      // main_window_drawing.cpp
    virtual void DrawDisplayPanel(QPainter& dc);    // main_window_drawing.cpp
    virtual void DrawButton(QPainter& dc, int i);   // main_window_drawing.cpp
    virtual void DrawTrackNumber(QPainter& dc);     // main_window_drawing.cpp
    virtual void DrawTime(QPainter& dc);            // main_window_drawing.cpp
    virtual void DrawSeekBar(QPainter& dc);         // main_window_drawing.cpp
    virtual void DrawFormatInfo(QPainter& dc);      // main_window_drawing.cpp
    virtual void DrawPlayOptions(QPainter& dc);     // main_window_drawing.cpp
    virtual void DrawPlayState(QPainter& dc);       // main_window_drawing.cpp
    virtual void DrawTitle(QPainter& dc);           // main_window_drawing.cpp
    virtual void DrawPeakMeter(QPainter& dc);       // main_window_drawing.cpp
    virtual void DrawStreamInfo(QPainter& dc);      // main_window_drawing.cpp
    virtual void DrawVolumeText(QPainter& dc);      // main_window_drawing.cpp
    virtual void DrawVolumeSlider(QPainter& dc);    // main_window_drawing.cpp
    virtual int GetDisplaySeconds();                // main_window_drawing.cpp
    virtual void InvalidateDisplayPanel();          // main_window_drawing.cpp
    virtual void InvalidateTrackNumber();           // main_window_drawing.cpp
    virtual void UpdateTime();                      // main_window_drawing.cpp
    virtual void InvalidateFormatInfo();            // main_window_drawing.cpp
    virtual void InvalidatePlayOptions();           // main_window_drawing.cpp
    virtual void InvalidatePlayState();             // main_window_drawing.cpp
    virtual void InvalidateTitle();                 // main_window_drawing.cpp
    virtual void InvalidatePeakMeter();             // main_window_drawing.cpp
    virtual void InvalidateStreamInfo();            // main_window_drawing.cpp
    virtual void InvalidateVolumeSlider();          // main_window_drawing.cpp
    // Loads "SkinFile", makes the background and composition images and the font, sets the
    // button count and the volume slider rectangle.
    virtual bool LoadSkin();                        // main_window_drawing.cpp
    virtual void UnloadSkin();                      // main_window_drawing.cpp
    virtual SkinInfo* CreateSkin();                 // main_window_drawing.cpp
    // Deletes the skin object (its class is complete only there).
    void DeleteSkin();                              // main_window_drawing.cpp

    // ---- settings ----
    virtual void SaveSettings();
    virtual void LoadSettings();
    virtual PlayerSettings* CreateSettings();

    // ---- playlist (the model does the list work; the window opens and plays) ----
    virtual void AddFolder(const std::wstring& folder);
    virtual bool AddEntry(const std::wstring& path, const std::wstring& title = std::wstring());
    virtual bool DeleteEntry(int index);
    virtual bool MoveUp(int index);
    virtual bool MoveDown(int index);
    virtual void ClearPlaylist();
    virtual void SortPlaylist(int key);
    virtual int GetEntryCount();
    virtual int GetNextIndex(bool autoAdvance, bool noWrap);
    virtual int GetPreviousIndex();
    virtual void ResetPlayed();
    virtual void EnsureCurrent();
    virtual bool Play(int index);
    // The entry's lyrics from the first source that has them (file beside it, tags, folder).
    virtual void LoadLyricsOf(const PlaylistEntry& entry);
    virtual void Pause();
    virtual void Stop();
    virtual PlaylistEntry* GetEntry(int index);
    virtual bool GetEntryTitle(int index, std::wstring& out);
    virtual int GetCurrentIndex();
    virtual void GetStreamStatus(std::wstring& out);
    virtual bool OpenEntry(int index);
    virtual void CloseTrack();
    virtual void SeekTo(int ms);
    virtual bool SavePlaylist(const std::wstring& path);
    virtual void LoadPlaylist(const std::wstring& path);
    virtual bool IsPlaylistFile(const std::wstring& path);
    virtual std::wstring GetDefaultPlaylistPath();
    virtual bool IsUrl(const std::wstring& path);
    // Shows or removes the tray icon (only where the desktop has a tray).
    virtual void ShowTrayIcon(bool show);

    // ---- helpers of the Qt build ----
    // Timer id (1..kMaxTimerId) every ms milliseconds; restarting an id replaces it.
    void SetTimer(int id, int ms);
    void KillTimer(int id);
    bool IsTimerActive(int id) const;
    // The popup menu of that kind with its check marks; the caller owns it.
    virtual QMenu* BuildMenu(MenuKind kind);
    // The engine's notify target (posts events to this window).
    MessageSink* GetMessageSink() { return &messageSink; }
    PlayerEngine* GetEngine() { return engine.get(); }
    PlayerSettings* GetSettings() { return settings.get(); }
    Playlist& GetPlaylist() { return playlist; }
    // Copies the settings that the playlist model follows ("Repeat", "Shuffle", "AddExisting",
    // "SearchSubFolders") into it.
    void SyncPlaylistOptions();
    // The open playlist dialog rebuilds its rows after the list changed from outside it.
    void RefreshPlaylistDialog();

    static constexpr int kMaxTimerId = 16;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

    // The area the window snaps to (the available geometry of its screen).
    virtual QRect GetWorkArea();
    // The window's frame position as Window Left / Window Top keep it.
    QPoint GetWindowPosition() const;
    // Applies "Window Top Most".
    void ApplyTopMost();
    // The window was made visible again from the tray or a second start.
    void RestoreFromTray();
    // The switch-off step at the end of the sleep timer (the device powers down there).
    virtual void PowerOff();

public:
    // ---- fields (the layout lengths are scaled once in the constructor) ----
    std::vector<Accelerator> accelerators;  // empty until GetAccelerators
    QMenu* popupMenu = nullptr;             // set while a popup menu is open
    std::unique_ptr<SkinInfo> skin;
    QImage backgroundImage;                 // the skin background, drawn once per LoadSkin
    QImage compositionImage;                // off-screen buffer of a paint
    QFont textFont;
    int windowWidth = 238, windowHeight = 80;  // outer size
    int peakLeft = 0, peakRight = 0;         // 0..100
    int clientWidth = 238, clientHeight = 80;
    int displayWidth = 0, displayHeight = 0;
    int buttonTop = 0;
    int buttonCount = 8;
    int statusTop = 0, statusHeight = 0;
    int titleTop = 0, titleWidth = 0, titleHeight = 0;
    int seekTop = 0, seekWidth = 0;
    int streamTop = 0, streamWidth = 0, streamHeight = 0;
    int volumeLeft = 0, volumeTop = 0, volumeWidth = 0, volumeHeight = 0, volumeThumbWidth = 0;
    int buttonPressed = 0;     // a button press is being tracked
    int pressedIndex = -1;
    int pressX = -1, pressY = -1;
    int volumeDrag = 0;
    int volumeDisplay = 0;     // the title line shows the volume for 3 s
    int lastSeconds = -1;
    int lastPosition = -1;
    int dialogBusy = 0;        // a file-open or save dialog is showing
    int titleExtent = 0, titleOffset = 0, titleTicks = 0;
    int streamExtent = 0, streamOffset = 0, streamTicks = 0;
    std::unique_ptr<PlayerEngine> engine;
    Playlist playlist;
    PlaylistDialog* playlistDialog = nullptr;  // owned; made by the first Modify Playlist
    std::unique_ptr<PlayerSettings> settings;
    uint32_t cachedVolume = 0;
    LyricsModel lyrics;
    QSystemTrayIcon* trayIcon = nullptr;  // set while the tray icon is shown
    // Opens the lyrics search dialog for the entry of that index; installed by the program.
    std::function<void(int index)> openLyricsSearch;

private:
    WindowMessageSink messageSink;
    QBasicTimer timers[kMaxTimerId + 1];
    bool closed = false;
    // The last OpenEntry opened its entry: opening the current entry again keeps it as it is.
    bool lastOpenSucceeded = false;
};

}  // namespace vl
