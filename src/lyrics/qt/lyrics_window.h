#pragma once
// The lyrics window: the player panel of the base window across the top, below it the playlist
// list and the two lyric panes (lyrics, and the second-language text of the same lines) in five
// show modes, and along the bottom edge a menu bar with four menus and five toolbar buttons.
// The lyrics follow the play position in three sentence modes; an A-B range ("Mark") loops a
// stretch of the track; hardware buttons (keys of the device-key table) run mapped functions,
// and the hold lock captures the standard buttons and swallows pointer input.
//
// Geometry: screenW x screenH is the device screen of the profile, or for a resized window the
// client width x (client height + 2 bar heights); the window is screenW x (screenH - bar) with
// the bar strip of ScaleY(26) at the bottom of it.
//
// Timers (ids of the base's SetTimer): 1 position check (333 ms, base), 2 keep awake (base),
// 10 and 11 the display rules (2500 / 500 ms), 12 the hold notice (1500 ms, one shot). Between
// checks a single-shot timer fires when the next line or word is due by the clock, so lines
// change on their tags. Smooth scrolling uses a frame timer of its own that runs only while the
// scroll pane moves.
//
// Display off: a black cover over the whole window (the bar included); a press on it only
// switches the display on again, also under hold.
//
// Threads: user-interface thread only.
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "lyrics/line_timer.h"
#include "lyrics/lyric_line_printer.h"
#include "lyrics/lyrics_layout.h"
#include "lyrics/lyrics_settings.h"
#include "platform/power.h"
#include "ui/qt/main_window.h"

class QListWidget;
class QMenu;
class QMenuBar;
class QToolButton;

namespace vl {

// WM_HOTKEY as a posted event: wParam the hot-key id, lParam modifiers | key << 16.
constexpr int kHotKeyEvent = QEvent::User + 0x312;

class LyricsPane;

class LyricsWindow : public MainWindow {
    Q_OBJECT

public:
    LyricsWindow();
    ~LyricsWindow() override;

    // ---- replaced operations of the base ----
    bool Create(const std::wstring& commandLine, int keepPosition) override;
    const std::vector<Accelerator>& GetAccelerators() override;
    void OnCreate() override;
    void OnPaint(QPainter& dc, const QRect& paintRect) override;
    void OnClose() override;
    void OnTimer(int id) override;
    void OnSize(int type, int width, int height) override;
    void OnMouseMove(int keys, int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnActivate(int state, int minimized, intptr_t other) override;
    int OnCommand(int id) override;
    void OnHotKey(int id, int modifiers, int key) override;
    void CmdOpenFile() override;
    void CmdAddFile() override;
    void CmdModifyPlaylist() override;
    void CmdEffects() override;
    void CmdPlayPause() override;
    void ShowMenu(const QPoint* point) override;
    void CmdOptions() override;
    void OnEngineState(int state, int detail) override;
    void DrawBackground(QPainter& dc) override;
    void DrawTitle(QPainter& dc) override;
    void UpdateTime() override;
    bool LoadSkin() override;
    PlayerSettings* CreateSettings() override;
    SkinInfo* CreateSkin() override;
    void AddFolder(const std::wstring& folder) override;
    bool AddEntry(const std::wstring& path, const std::wstring& title = std::wstring()) override;
    virtual bool InsertEntry(const std::wstring& path, int index);
    bool MoveUp(int index) override;
    bool MoveDown(int index) override;
    bool DeleteEntry(int index) override;
    void ClearPlaylist() override;
    void SortPlaylist(int key) override;
    void LoadPlaylist(const std::wstring& path) override;
    bool Play(int index) override;
    bool OpenEntry(int index) override;
    void LoadLyricsOf(const PlaylistEntry& entry) override;
    void ShowTrayIcon(bool show) override;
    void SeekTo(int ms) override;

    // ---- new operations ----
    virtual void OnInitMenuPopup(QMenu* menu, int popupId);
    virtual void CmdSort(int command);
    virtual void CmdHold();
    virtual void CmdHoldDisplay();
    virtual void CmdPlayStop();
    virtual void CmdMoveSelectedUp();
    virtual void CmdMoveSelectedDown();
    virtual void CmdDeleteSelected();
    virtual void CmdDeleteAll();
    virtual void CmdPlaySelected();
    virtual void OnListReturn();
    virtual void OnListKeyDown(int key, Qt::KeyboardModifiers modifiers);
    virtual void OnListDoubleClick();
    virtual void OnListBeginDrag(int item);
    virtual void OnListContextMenu(const QPoint& point);
    virtual void PlayFocused(bool pauseIfCurrent);
    virtual void CreateMenuBar();
    virtual void CreateListView();
    virtual void CreateLyricsPanes();
    virtual void ComputeLayout();
    virtual void RegisterButtons();
    virtual void UnregisterButtons();
    virtual void ApplyShowMode();
    virtual void ShowLyricsModeMenu();
    // Draws pane 0 (lyrics) or 1 (comparison) of size into dc.
    virtual void DrawLyricsPane(int pane, QPainter& dc, const QSize& size);
    virtual void CmdMark();
    virtual void DrawMarks(QPainter& dc, const QRect& paintRect);
    // "Download Lyrics...": the lyrics search for the focused list entry.
    void CmdDownloadLyrics() override;
    // Switches the display on (a button press with "DispAutoOn", Enter in the list); the
    // display rules own what "on" does.
    virtual void DisplayOnByUser();
    // The emulated screen's power (the display rules and the black "off" state hook in here).
    virtual void DisplayOn();
    virtual void DisplayOff();
    virtual void ToggleDisplay();
    // The clock of the display rules (GetTickCount; a test gives its own).
    virtual uint32_t Now();
    // User input: keys, pointer, wheel, commands.
    void NoteActivity();
    // Power of the emulated screen and the desktop services; replacing it (a test with a fake
    // desktop and battery folder) keeps the window following it.
    void UsePower(std::unique_ptr<Power> replacement);
    Power& GetPower() { return *power; }

    // ---- helpers of the Qt build ----
    LyricsSettings* GetLyricsSettings() { return static_cast<LyricsSettings*>(settings.get()); }
    // The content area for the current window size.
    ContentArea GetContentArea() const;
    int ScreenWidth() const { return screenW; }
    int ScreenHeight() const { return screenH; }
    // The keys captured now: (RegisterHotKey modifiers, key code).
    const std::vector<std::pair<int, int>>& RegisteredKeys() const { return registeredKeys; }
    // Shows the hold notice for 1.5 s.
    void ShowHoldNotice();
    // Posts WM_HOTKEY for key (a press that must not be lost).
    void PostHotKey(int modifiers, int key);
    // The position the scroll pane draws at (seconds): the last check, or while the scroll
    // pane glides, the last engine reading advanced by the monotonic clock.
    double DisplayPosition() const;
    // Called on each change of the current line (--print-lyrics): engine position in ms.
    std::function<void(int positionMs, const VisibleLine& line)> onLyricLine;

    // ---- fields ----
    int menuOpen = 0;
    int active = 0;
    uint32_t lastInputTick = 0;
    int displayOn = 1;
    QWidget* menuBar = nullptr;
    QListWidget* listView = nullptr;
    LyricsPane* lyricsPane = nullptr;
    LyricsPane* comparisonPane = nullptr;
    int dragging = 0;
    int dragIndex = 0;
    int holdOn = 0;
    int holdNoticeShown = 0;
    int buttonsRegistered = 0;
    double lyricsLastPosition = -1000.0;  // seconds; the position of the last lyrics check
    int paneHeight = 0;
    int scrollBase = 0;
    int markA = -1, markB = -1;
    QRect markARect, markBRect;

protected:
    void PowerOff() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // A key or pointer event addressed to a widget of this window (not a dialog, not a menu).
    bool IsOwnWidget(QObject* object) const;
    bool FilterKey(QObject* watched, QKeyEvent* key);
    QRect MarkRect(int ms);
    void InvalidateMarks();
    void InvalidatePanes();
    void ForgetLyricsPosition();
    void SetListRow(int row, int index);
    // Rows = the playlist's entries (after a change the model made in bulk).
    void SyncListRows();
    int FocusedRow() const;
    std::vector<int> SelectedRows() const;
    void SelectRow(int row);
    void StartSmoothScroll();
    void NotePosition(int positionMs);
    void ReportLyricLine(int positionMs);
    QMenu* BuildPopup(int popup);
    // Runs popupMenu at the point (screen coordinates), frees it and carries out the choice.
    void TrackPopup(const QPoint& globalPoint);
    void SwapRows(int a, int b);
    bool FilterListEvent(QObject* watched, QEvent* event);

    int pendingSelect = -1;  // an opened entry whose row is not there yet
    int pressRow = -1;       // the row a press in the list began on
    QPoint pressPoint;

    int screenW = 240, screenH = 320;
    int dpiX = 96, dpiY = 96;
    std::vector<std::pair<int, int>> registeredKeys;
    QTimer frameTimer;
    int positionMs = 0;  // the last engine reading
    LyricLineTracker reported;
    bool created = false;
    std::vector<QToolButton*> toolButtons;
    QMenuBar* menus = nullptr;
    QWidget* blackCover = nullptr;  // shown while the display is off
    std::unique_ptr<DesktopPower> desktopPower;
    std::unique_ptr<Power> power;
    LineTimer lineTimer;
    QTimer lineDueTimer;
    const LyricLine* wordsLine = nullptr;  // the line whose started words were last drawn
    int wordsStarted = 0;
    void OnDisplayPower(bool on);
    void AimLineTimer();
    // The sleep timer's end: the settings and the playlist kept as at a close.
    void SaveSession();
};

}  // namespace vl
