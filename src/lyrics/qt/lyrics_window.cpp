// The lyrics window's frame: creation, layout and show modes, skin additions, the menu bar and
// toolbar, the command table, the accelerators and the input filter (activity, hot keys, hold).
#include "lyrics/qt/lyrics_window.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextEdit>
#include <QToolButton>

#include "engine/player_engine.h"
#include "lyrics/lyrics_commands.h"
#include "lyrics/qt/device_keys.h"
#include "lyrics/qt/lyrics_pane.h"
#include "platform/clock.h"
#include "platform/screen_profile.h"
#include "ui/commands.h"
#include "ui/string_table.h"
#include "ui/qt/image_list.h"
#include "ui/qt/skin_info.h"
#include "ui/qt/wait_cursor.h"

namespace vl {

namespace {

constexpr int kToolbarImages = 133;
constexpr int kToolbarImageSize = 16;

// One menu item: id 0 is a separator; a non-null sub is a sub-menu of subCount items.
struct MenuItem {
    int id;
    const char* text;
    const MenuItem* sub = nullptr;
    int subCount = 0;
};

template <size_t N>
constexpr MenuItem SubMenu(const char* text, const MenuItem (&items)[N]) {
    return MenuItem{-1, text, items, static_cast<int>(N)};
}

constexpr MenuItem kSortItems[] = {{IDM_SORT_BY_NAME, "By File name"}, {IDM_SORT_BY_PATH, "By File path"}};
constexpr MenuItem kOtherItems[] = {{IDM_STOP, "Stop"}, {IDM_PREVIOUS, "Previous"}, {IDM_NEXT, "Next"},
                                    {IDM_REWIND, "Rew"}, {IDM_FORWARD, "FF"}};
constexpr MenuItem kRepeatItems[] = {
    {IDM_REPEAT_NONE, "Repeat None"}, {IDM_REPEAT_ALL, "Repeat All"}, {IDM_REPEAT_ONE, "Repeat One"}};
constexpr MenuItem kLyricsModeItems[] = {
    {IDM_SHOW_PLAYLIST, "Show Playlist"},
    {IDM_SHOW_PLAYLIST_LYRICS, "Show Playlist and Lyrics"},
    {IDM_SHOW_LYRICS, "Show Lyrics"},
    {IDM_SHOW_LYRICS_COMPARISON, "Show Lyrics and Comparison"},
    {IDM_SHOW_ALL, "All"},
    {0, nullptr},
    {IDM_ONE_SENTENCE, "One Sentence"},
    {IDM_MULTI_SENTENCE, "Multi-Sentence"},
    {IDM_SCROLL_SENTENCE, "Scroll Sentence"},
};
constexpr MenuItem kLyricsAdjustItems[] = {{IDM_LYRICS_FORWARD, "Forward 0.5s"},
                                           {IDM_LYRICS_BACKWARD, "Backward 0.5s"}};
constexpr MenuItem kVolumeItems[] = {{IDM_VOLUME_UP, "Up"}, {IDM_VOLUME_DOWN, "Down"}};

constexpr MenuItem kFileMenu[] = {{IDM_OPEN_FILE, "Open File..."}, {IDM_OPEN_URL, "Open URL..."},
                                  {0, nullptr}, {IDM_ABOUT, "About..."}, {IDM_EXIT, "Exit"}};
constexpr MenuItem kListMenu[] = {
    {IDM_MODIFY_PLAYLIST, "Modify Playlist..."}, {IDM_SAVE_PLAYLIST, "Save Playlist..."}, {0, nullptr},
    {IDM_ADD_FILE, "Add..."}, {IDM_MOVE_SELECTED_UP, "Up"}, {IDM_MOVE_SELECTED_DOWN, "Down"},
    {IDM_DELETE_SELECTED, "Delete"}, SubMenu("Sort", kSortItems), {0, nullptr}, {IDM_DELETE_ALL, "Delete All"}};
constexpr MenuItem kPlayMenu[] = {{IDM_PLAY_PAUSE, "Play/Pause"}, {IDM_MARK, "Mark"},
                                  SubMenu("Other", kOtherItems), {0, nullptr},
                                  SubMenu("Repeat", kRepeatItems), {IDM_SHUFFLE, "Shuffle"}};
constexpr MenuItem kToolMenu[] = {{IDM_EFFECTS, "Effects..."},
                                  SubMenu("Lyrics Mode", kLyricsModeItems),
                                  SubMenu("Lyrics Adjust", kLyricsAdjustItems),
                                  SubMenu("Volume", kVolumeItems),
                                  {0, nullptr},
                                  {IDM_DISPLAY_OFF, "Display OFF"},
                                  {IDM_SLEEP_TIMER, "Sleep timer..."},
                                  {IDM_OPTIONS, "Options..."}};

// The popups of the window's second menu resource: the list's context menus (one row
// selected, several rows) and the lyrics-mode menu of the toolbar.
constexpr MenuItem kListOneRowPopup[] = {
    {IDM_PLAY_SELECTED, "Play"}, {IDM_DOWNLOAD_LYRICS, "Download Lyrics..."}, {0, nullptr},
    {IDM_ADD_FILE, "Add File..."}, {IDM_MOVE_SELECTED_UP, "Up"}, {IDM_MOVE_SELECTED_DOWN, "Down"},
    {IDM_DELETE_SELECTED, "Delete"}, {IDM_SORT_BY_NAME, "Sort by File name"}};
constexpr MenuItem kListRowsPopup[] = {{IDM_ADD_FILE, "Add File..."}, {IDM_MOVE_SELECTED_UP, "Up"},
                                       {IDM_MOVE_SELECTED_DOWN, "Down"}, {IDM_DELETE_SELECTED, "Delete"},
                                       {IDM_SORT_BY_NAME, "Sort by File name"}};
constexpr MenuItem kLyricsModePopup[] = {
    {IDM_SHOW_PLAYLIST, "Show Playlist"},
    {IDM_SHOW_LYRICS, "Show Lyrics"},
    {IDM_SHOW_LYRICS_COMPARISON, "Show Lyrics and Comparison"},
    {IDM_SHOW_PLAYLIST_LYRICS, "Show Playlist and Lyrics"},
    {IDM_SHOW_ALL, "All"},
    {0, nullptr},
    {IDM_ONE_SENTENCE, "One Sentence"},
    {IDM_MULTI_SENTENCE, "Multi-Sentence"},
    {IDM_SCROLL_SENTENCE, "Scroll Sentence"},
};
constexpr int kListOneRowPopupIndex = 2;
constexpr int kListRowsPopupIndex = 3;
constexpr int kLyricsModePopupIndex = 4;

void FillMenu(QMenu* menu, const MenuItem* items, int count) {
    for (int i = 0; i < count; ++i) {
        const MenuItem& item = items[i];
        if (item.id == 0) {
            menu->addSeparator();
        } else if (item.sub) {
            QMenu* sub = menu->addMenu(QString::fromLatin1(item.text));
            sub->setObjectName(QString::fromLatin1(item.text));
            FillMenu(sub, item.sub, item.subCount);
        } else {
            QAction* action = menu->addAction(QString::fromLatin1(item.text));
            action->setObjectName(QString::number(item.id));
            action->setData(item.id);
        }
    }
}

template <size_t N>
void FillMenu(QMenu* menu, const MenuItem (&items)[N]) {
    FillMenu(menu, items, static_cast<int>(N));
}

// Exactly the given ids carry a check mark among the checkable ones.
void CheckOne(QMenu* menu, const int* ids, int count, int chosen) {
    for (int i = 0; i < count; ++i) {
        if (auto* action = menu->findChild<QAction*>(QString::number(ids[i]))) {
            action->setCheckable(true);
            action->setChecked(i == chosen);
        }
    }
}

void CheckModes(QMenu* menu, const LyricsSettings& s) {
    CheckOne(menu, kShowModeCommands, 5, s.showMode);
    CheckOne(menu, kSentenceModeCommands, 3, s.sentenceMode);
}

// Menus are windows of their own: they take the device's text size explicitly, sub-menus too.
void SetMenuFont(QMenu* menu) {
    QFont font = QApplication::font();
    font.setPixelSize(ScaleY(12));
    menu->setFont(font);
    for (QMenu* sub : menu->findChildren<QMenu*>()) sub->setFont(font);
}

bool IsTextField(const QWidget* w) {
    if (!w) return false;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
        qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
        return true;
    auto* combo = qobject_cast<const QComboBox*>(w);
    return combo && combo->isEditable();
}

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

bool IsPointerInput(QEvent::Type type) {
    return IsUserInput(type) && type != QEvent::KeyPress && type != QEvent::KeyRelease;
}

}  // namespace

LyricsWindow::LyricsWindow() {
    const ScreenProfile& p = GetScreenProfile();
    screenW = p.width;
    screenH = p.height;
    dpiX = p.dpiX;
    dpiY = p.dpiY;
    lastInputTick = GetTickCount();
    ComputeLayout();
    frameTimer.setTimerType(Qt::PreciseTimer);
    frameTimer.setInterval(16);
    connect(&frameTimer, &QTimer::timeout, this, [this] { StartSmoothScroll(); });
    qApp->installEventFilter(this);
}

LyricsWindow::~LyricsWindow() {
    qApp->removeEventFilter(this);
    frameTimer.stop();
    // The base's destructor still stops the track and repaints; nothing of this window may
    // paint by then.
    hide();
    delete lyricsPane;
    delete comparisonPane;
    lyricsPane = comparisonPane = nullptr;
}

PlayerSettings* LyricsWindow::CreateSettings() {
    const ScreenProfile& p = GetScreenProfile();
    return new LyricsSettings(p.width, p.height);
}

SkinInfo* LyricsWindow::CreateSkin() {
    const ScreenProfile& p = GetScreenProfile();
    return new PocketSkinInfo(p.width, p.height, p.dpiX, p.dpiY);
}

void LyricsWindow::ShowTrayIcon(bool) {}

void LyricsWindow::ShowMenu(const QPoint*) {}

// ---------------------------------------------------------------- creation and layout

bool LyricsWindow::Create(const std::wstring& commandLine, int) {
    WaitCursor wait;
    setWindowTitle(QString::fromWCharArray(GetString(IDS_PRODUCT_NAME)));
    OnCreate();
    const int bar = ScaleY(26);
    setMinimumSize(ScaleX(240), ScaleY(240));
    resize(screenW, screenH - bar);
    created = true;
    show();
    OnSize(0, width(), height());
    StartPlaylist(commandLine);
    return true;
}

void LyricsWindow::OnCreate() {
    CreateMenuBar();
    CreateListView();
    CreateLyricsPanes();
    MainWindow::OnCreate();
    RegisterButtons();
    SetTimer(10, 2500);
    SetTimer(11, 500);
    listView->setFocus();
    listView->hide();
}

void LyricsWindow::ComputeLayout() {
    const int bar = ScaleY(26);
    if (created) {
        screenW = width();
        screenH = height() + bar;
    }
    const PanelLayout p = ComputePanelLayout(screenW, screenH, dpiX, dpiY);
    windowWidth = clientWidth = p.clientWidth;
    windowHeight = clientHeight = p.clientHeight;
    displayWidth = p.displayWidth;
    displayHeight = p.displayHeight;
    buttonTop = p.buttonTop;
    statusTop = p.statusTop;
    statusHeight = p.statusHeight;
    titleTop = p.titleTop;
    titleWidth = p.titleWidth;
    titleHeight = p.titleHeight;
    seekTop = p.seekTop;
    seekWidth = p.seekWidth;
    streamTop = p.streamTop;
    streamWidth = p.streamWidth;
    streamHeight = p.streamHeight;
    volumeThumbWidth = p.volumeThumbWidth;
    if (markA != -1) markARect = MarkRect(markA);
    if (markB != -1) markBRect = MarkRect(markB);
    if (menuBar) menuBar->setGeometry(0, clientHeight, clientWidth, p.barHeight);
}

ContentArea LyricsWindow::GetContentArea() const { return ComputeContentArea(screenW, screenH, dpiX, dpiY); }

bool LyricsWindow::LoadSkin() {
    ComputeLayout();
    MainWindow::LoadSkin();
    buttonCount = 7;
    const PanelLayout p = ComputePanelLayout(screenW, screenH, dpiX, dpiY);
    if (skin && skin->GetImageList(kSkinVolumeSlider) && skin->GetImageList(kSkinVolumeTrack)) {
        volumeLeft = p.volumeLeft;
        volumeTop = p.volumeTop;
        volumeWidth = p.volumeWidth;
        volumeHeight = p.volumeHeight;
    } else {
        volumeLeft = volumeTop = volumeWidth = volumeHeight = 0;
    }
    // The lyrics and the title draw in the desktop's own font, which has the glyphs of any
    // script, at the device's text size.
    textFont = QApplication::font();
    textFont.setPixelSize(ScaleY(12));
    auto* pocket = static_cast<PocketSkinInfo*>(skin.get());
    if (listView && pocket) {
        const int mode = GetLyricsSettings()->showMode;
        if ((mode == 0 || mode == 1 || mode == 4) && !pocket->GetPlaylistFlag()) listView->hide();
        QPalette palette = listView->palette();
        const QColor back = ColorFromRef(pocket->GetPocketColor(kPlaylistBackColor));
        const QColor text = ColorFromRef(pocket->GetPocketColor(kPlaylistTextColor));
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::Text, text);
        palette.setColor(QPalette::WindowText, text);
        listView->setPalette(palette);
        listView->setFont(textFont);
    }
    return true;
}

void LyricsWindow::OnSize(int type, int, int) {
    if (type == 1 || !created) {
        MainWindow::OnSize(type, width(), height());
        return;
    }
    UnloadSkin();
    LoadSkin();
    ApplyShowMode();
    update();
}

void LyricsWindow::resizeEvent(QResizeEvent* e) {
    MainWindow::resizeEvent(e);
    if (created && e->size() != e->oldSize()) OnSize(0, width(), height());
}

void LyricsWindow::ApplyShowMode() {
    if (!listView) return;
    LyricsSettings* s = GetLyricsSettings();
    const ShowModeLayout m = ComputeShowMode(s->showMode, GetContentArea());
    auto* pocket = static_cast<PocketSkinInfo*>(skin.get());
    // A skin without the list keeps it hidden in every mode.
    const bool listAllowed = !pocket || pocket->GetPlaylistFlag();
    auto place = [](QWidget* w, const ChildRect& r, bool allowed) {
        if (r.visible && allowed) {
            w->setGeometry(r.x, r.y, r.width, r.height);
            w->show();
        } else {
            w->hide();
        }
    };
    place(listView, m.listView, listAllowed);
    place(lyricsPane, m.lyricsPane, true);
    place(comparisonPane, m.comparisonPane, true);
    if (m.paneHeight >= 0) {
        paneHeight = m.paneHeight;
        scrollBase = m.scrollBase;
        lyricsLastPosition = -1000.0;
    }
    listView->setFocus();
}

// ---------------------------------------------------------------- menu bar and toolbar

void LyricsWindow::CreateMenuBar() {
    menuBar = new QWidget(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(menuBar);
    row->setContentsMargins(0, 0, ScaleX(2), 0);
    row->setSpacing(0);
    menus = new QMenuBar(menuBar);
    menus->setNativeMenuBar(false);
    menus->setObjectName(QStringLiteral("133"));
    // The bar's texts follow the device screen's resolution, not the desktop's.
    QFont barFont = QApplication::font();
    barFont.setPixelSize(ScaleY(12));
    menus->setFont(barFont);
    menus->setStyleSheet(QStringLiteral("QMenuBar { background: transparent; spacing: 0px; padding: 0px; } QMenuBar::item { padding: %1px %2px; }")
                             .arg(ScaleY(2))
                             .arg(ScaleX(3)));
    struct Top {
        const char* title;
        const MenuItem* items;
        int count;
        int popupId;
    };
    const Top tops[] = {{"File", kFileMenu, int(std::size(kFileMenu)), 0},
                        {"List", kListMenu, int(std::size(kListMenu)), 0},
                        {"Play", kPlayMenu, int(std::size(kPlayMenu)), kPlayPopupId},
                        {"Tool", kToolMenu, int(std::size(kToolMenu)), kToolPopupId}};
    for (const Top& top : tops) {
        QMenu* menu = menus->addMenu(QString::fromLatin1(top.title));
        menu->setObjectName(QString::fromLatin1(top.title));
        FillMenu(menu, top.items, top.count);
        SetMenuFont(menu);
        const int popupId = top.popupId;
        connect(menu, &QMenu::aboutToShow, this, [this, menu, popupId] { OnInitMenuPopup(menu, popupId); });
        connect(menu, &QMenu::aboutToHide, this, [this] {
            // The buttons come back as soon as the menu closes (the key that would otherwise
            // carry them back might never come).
            menuOpen = 0;
            RegisterButtons();
        });
        connect(menu, &QMenu::triggered, this, [this](QAction* action) {
            if (int id = action->data().toInt()) PostCommand(this, id);
        });
    }
    row->addWidget(menus, 1, Qt::AlignVCenter);

    // The toolbar: five cells of the generated strip, each scaled to the screen.
    QImage strip = LoadResourceBitmap(kToolbarImages);
    const int icon = ScaleX(kToolbarImageSize);
    static const int kToolCommands[5] = {IDM_ADD_FILE, IDM_MOVE_SELECTED_UP, IDM_MOVE_SELECTED_DOWN,
                                         IDM_DELETE_SELECTED, IDM_LYRICS_MODE_MENU};
    for (int i = 0; i < 5; ++i) {
        auto* button = new QToolButton(menuBar);
        button->setObjectName(QString::number(kToolCommands[i]));
        button->setAutoRaise(true);
        button->setFixedSize(ScaleX(20), ScaleY(22));
        button->setFocusPolicy(Qt::NoFocus);
        if (!strip.isNull()) {
            QImage cell = strip.copy(i * kToolbarImageSize, 0, kToolbarImageSize, kToolbarImageSize)
                              .convertToFormat(QImage::Format_ARGB32);
            // Magenta is transparent in every strip of the program.
            for (int y = 0; y < cell.height(); ++y)
                for (int x = 0; x < cell.width(); ++x)
                    if ((cell.pixel(x, y) & 0xFFFFFF) == 0xFF00FF) cell.setPixel(x, y, 0);
            button->setIcon(QIcon(QPixmap::fromImage(cell.scaled(icon, icon, Qt::IgnoreAspectRatio))));
            button->setIconSize(QSize(icon, icon));
        }
        const int id = kToolCommands[i];
        connect(button, &QToolButton::clicked, this, [this, id] { PostCommand(this, id); });
        row->addWidget(button, 0, Qt::AlignVCenter);
        toolButtons.push_back(button);
    }
    ComputeLayout();
}

QMenu* LyricsWindow::BuildPopup(int popup) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("107.%1").arg(popup));
    switch (popup) {
    case kListOneRowPopupIndex: FillMenu(menu, kListOneRowPopup); break;
    case kListRowsPopupIndex: FillMenu(menu, kListRowsPopup); break;
    default: FillMenu(menu, kLyricsModePopup); break;
    }
    SetMenuFont(menu);
    return menu;
}

void LyricsWindow::OnInitMenuPopup(QMenu* menu, int popupId) {
    UnregisterButtons();
    menuOpen = 1;
    LyricsSettings* s = GetLyricsSettings();
    if (popupId == kPlayPopupId) {
        static const int kRepeatIds[3] = {IDM_REPEAT_NONE, IDM_REPEAT_ALL, IDM_REPEAT_ONE};
        CheckOne(menu, kRepeatIds, 3, s->repeat == 1 ? 1 : s->repeat == 2 ? 2 : 0);
        if (auto* shuffle = menu->findChild<QAction*>(QString::number(IDM_SHUFFLE))) {
            shuffle->setCheckable(true);
            shuffle->setChecked(s->shuffle != 0);
        }
    } else if (popupId == kToolPopupId) {
        CheckModes(menu, *s);
    }
}

void LyricsWindow::ShowLyricsModeMenu() {
    if (popupMenu) return;
    popupMenu = BuildPopup(kLyricsModePopupIndex);
    OnInitMenuPopup(popupMenu, 0);
    CheckModes(popupMenu, *GetLyricsSettings());
    const QSize size = popupMenu->sizeHint();
    // Bottom-right corner of the window, above the bar.
    const QPoint corner(screenW - ScaleX(9), clientHeight);
    TrackPopup(mapToGlobal(corner - QPoint(size.width(), size.height())));
}

void LyricsWindow::TrackPopup(const QPoint& globalPoint) {
    QAction* chosen = popupMenu->exec(globalPoint);
    const int id = chosen ? chosen->data().toInt() : 0;
    delete popupMenu;
    popupMenu = nullptr;
    menuOpen = 0;
    RegisterButtons();
    if (id) OnCommand(id);
}

// ---------------------------------------------------------------- commands

const std::vector<Accelerator>& LyricsWindow::GetAccelerators() {
    if (accelerators.empty()) {
        accelerators = {
            {Qt::Key_Z, true, IDM_PLAY_PAUSE},   {Qt::Key_X, true, IDM_STOP},
            {Qt::Key_C, true, IDM_PREVIOUS},     {Qt::Key_V, true, IDM_REWIND},
            {Qt::Key_B, true, IDM_FORWARD},      {Qt::Key_N, true, IDM_NEXT},
            {Qt::Key_R, true, IDM_REPEAT},       {Qt::Key_H, true, IDM_SHUFFLE},
            {Qt::Key_O, true, IDM_OPEN_FILE},    {Qt::Key_U, true, IDM_OPEN_URL},
            {Qt::Key_A, true, IDM_ADD_FILE},     {Qt::Key_F, true, IDM_LYRICS_MODE},
            {Qt::Key_L, true, IDM_MODIFY_PLAYLIST}, {Qt::Key_S, true, IDM_SAVE_PLAYLIST},
            {Qt::Key_E, true, IDM_EFFECTS},      {Qt::Key_Y, true, IDM_VOLUME_UP},
            {Qt::Key_T, true, IDM_VOLUME_DOWN},  {Qt::Key_Q, true, IDM_EXIT},
        };
    }
    return accelerators;
}

int LyricsWindow::OnCommand(int id) {
    lastInputTick = GetTickCount();
    LyricsSettings* s = GetLyricsSettings();
    for (int mode = 0; mode < 5; ++mode) {
        if (id == kShowModeCommands[mode]) {
            s->showMode = mode;
            ApplyShowMode();
            return 0;
        }
    }
    for (int mode = 0; mode < 3; ++mode) {
        if (id == kSentenceModeCommands[mode]) {
            s->sentenceMode = mode;
            return 0;
        }
    }
    switch (id) {
    case IDM_SHELL_OK: QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection); break;
    case IDM_DISPLAY_OFF: ToggleDisplay(); OnTimer(11); break;
    case IDM_LYRICS_MODE:
        s->showMode = NextShowMode(s->showMode);
        ApplyShowMode();
        break;
    case IDM_LYRICS_MODE_MENU: ShowLyricsModeMenu(); break;
    case IDM_LYRICS_FORWARD:
    case IDM_LYRICS_BACKWARD:
        lyrics.ShiftTimes(id == IDM_LYRICS_FORWARD ? -0.5 : 0.5);
        break;
    case IDM_MARK: CmdMark(); break;
    case IDM_DOWNLOAD_LYRICS: CmdDownloadLyrics(); break;
    case IDM_HOLD: CmdHold(); break;
    case IDM_HOLD_DISPLAY: CmdHoldDisplay(); break;
    case IDM_PLAY_STOP: CmdPlayStop(); break;
    case IDM_DELETE_SELECTED: CmdDeleteSelected(); break;
    case IDM_MOVE_SELECTED_DOWN: CmdMoveSelectedDown(); break;
    case IDM_MOVE_SELECTED_UP: CmdMoveSelectedUp(); break;
    case IDM_DELETE_ALL: CmdDeleteAll(); break;
    case IDM_PLAY_SELECTED: CmdPlaySelected(); break;
    case IDM_SORT_BY_NAME:
    case IDM_SORT_BY_PATH: CmdSort(id); break;
    default: return MainWindow::OnCommand(id);
    }
    return 0;
}

void LyricsWindow::CmdOpenFile() {
    listView->setUpdatesEnabled(false);
    MainWindow::CmdOpenFile();
    listView->setUpdatesEnabled(true);
}

void LyricsWindow::CmdAddFile() {
    listView->setUpdatesEnabled(false);
    MainWindow::CmdAddFile();
    listView->setUpdatesEnabled(true);
}

void LyricsWindow::CmdModifyPlaylist() {
    activateWindow();
    MainWindow::CmdModifyPlaylist();
    SyncListRows();
}

void LyricsWindow::CmdEffects() {
    activateWindow();
    MainWindow::CmdEffects();
}

void LyricsWindow::CmdOptions() {
    if (holdOn) return;
    activateWindow();
    UnregisterButtons();
    MainWindow::CmdOptions();
    ApplyShowMode();
    RegisterButtons();
}

void LyricsWindow::CmdDownloadLyrics() {
    int row = FocusedRow();
    if (row < 0) return MainWindow::CmdDownloadLyrics();
    if (openLyricsSearch) openLyricsSearch(row);
}

// ---------------------------------------------------------------- timers, activation, close

void LyricsWindow::OnTimer(int id) {
    MainWindow::OnTimer(id);
    switch (id) {
    case 10:
        // The automatic display turn-off.
        break;
    case 11:
        // The display came back: repaint what was not painted while it was off.
        break;
    case 12:
        KillTimer(12);
        holdNoticeShown = 0;
        InvalidateTitle();
        break;
    default:
        break;
    }
}

void LyricsWindow::OnActivate(int state, int, intptr_t) {
    active = state != 0;
    if (active) RegisterButtons();
    else if (GetLyricsSettings()->releaseKeyMap == 1 && !holdOn) UnregisterButtons();
}

void LyricsWindow::OnClose() {
    KillTimer(10);
    KillTimer(11);
    KillTimer(12);
    frameTimer.stop();
    UnregisterButtons();
    MainWindow::OnClose();
}

void LyricsWindow::ToggleDisplay() {
    if (displayOn) DisplayOff();
    else DisplayOn();
}

void LyricsWindow::DisplayOn() {
    displayOn = 1;
    update();
}

void LyricsWindow::DisplayOff() { displayOn = 0; }

void LyricsWindow::DisplayOnByUser() {
    DisplayOn();
    update();
}

// ---------------------------------------------------------------- drawing of the frame

void LyricsWindow::DrawBackground(QPainter& dc) {
    // Light gray under everything, so that a background smaller than the window leaves no
    // undrawn strip.
    dc.fillRect(0, 0, clientWidth, clientHeight, QColor(192, 192, 192));
    const QImage* background = skin ? skin->GetBackground() : nullptr;
    if (background)
        dc.drawImage(QRect(0, 0, ScaleWith(background->width(), dpiX), ScaleWith(background->height(), dpiY)),
                     *background);
    if (skin && skin->GetDisplayFlag()) DrawDisplayPanel(dc);
}

void LyricsWindow::DrawTitle(QPainter& dc) {
    if (!holdNoticeShown) {
        MainWindow::DrawTitle(dc);
        return;
    }
    const QRect r(ScaleX(10) + ScaleX(9) + ScaleX(5), titleTop, titleWidth, titleHeight);
    dc.save();
    dc.setClipRect(r, Qt::IntersectClip);
    dc.setFont(textFont);
    dc.setPen(ColorFromRef(skin ? skin->GetColor(kTitleColor) : 0));
    dc.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                QString::fromWCharArray(GetString(holdOn ? 40093 : 40095)));
    dc.restore();
}

void LyricsWindow::OnPaint(QPainter& dc, const QRect& paintRect) {
    MainWindow::OnPaint(dc, paintRect);
    DrawMarks(dc, paintRect);
}

// ---------------------------------------------------------------- input

bool LyricsWindow::IsOwnWidget(QObject* object) const {
    auto* w = qobject_cast<QWidget*>(object);
    return w && w->window() == this;
}

bool LyricsWindow::event(QEvent* e) {
    switch (static_cast<int>(e->type())) {
    case kHotKeyEvent: {
        auto* m = static_cast<WindowMessageEvent*>(e);
        OnHotKey(static_cast<int>(m->wParam), static_cast<int>(m->lParam & 0xFFFF),
                 static_cast<int>((m->lParam >> 16) & 0xFFFF));
        return true;
    }
    case QEvent::WindowActivate: OnActivate(1, 0, 0); break;
    case QEvent::WindowDeactivate: OnActivate(0, 0, 0); break;
    default: break;
    }
    return MainWindow::event(e);
}

bool LyricsWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (!IsUserInput(type) || !IsOwnWidget(watched)) return MainWindow::eventFilter(watched, event);
    lastInputTick = GetTickCount();
    if (holdOn && IsPointerInput(type)) return true;
    if (type == QEvent::KeyPress && FilterKey(watched, static_cast<QKeyEvent*>(event))) return true;
    if (listView && (watched == listView || watched == listView->viewport())) return FilterListEvent(watched, event);
    return false;
}

bool LyricsWindow::FilterKey(QObject* watched, QKeyEvent* key) {
    // A key travels up from the focus widget; it is looked at once, where it starts.
    QWidget* focus = QApplication::focusWidget();
    if (watched != (focus ? static_cast<QObject*>(focus) : static_cast<QObject*>(this))) return false;
    if (IsTextField(focus) || QApplication::activeModalWidget() || QApplication::activePopupWidget()) return false;
    DeviceKey device;
    if (DeviceKeyFromEvent(*key, device)) {
        for (const auto& [modifiers, keyCode] : registeredKeys) {
            if (modifiers != device.modifiers || keyCode != device.keyCode) continue;
            // A held button acts once.
            if (!key->isAutoRepeat()) PostHotKey(device.modifiers, device.keyCode);
            return true;
        }
    }
    return TranslateAccelerator(key->key(), key->modifiers());
}

}  // namespace vl
