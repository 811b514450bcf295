// The playlist list of the lyrics window: one row per playlist entry, kept in step by every
// playlist operation, the list commands, play control of the focused row, and dragging a row
// to another place.
#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <unordered_map>

#include "engine/player_engine.h"
#include "lyrics/lyrics_commands.h"
#include "lyrics/qt/device_keys.h"
#include "lyrics/qt/lyrics_window.h"
#include "ui/commands.h"

namespace vl {

void LyricsWindow::CreateListView() {
    listView = new QListWidget(this);
    listView->setObjectName(QStringLiteral("listView"));
    listView->setSelectionMode(QAbstractItemView::SingleSelection);
    listView->setSelectionBehavior(QAbstractItemView::SelectRows);
    listView->setDragEnabled(false);
    listView->setUniformItemSizes(true);
    listView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listView->setTextElideMode(Qt::ElideRight);
    listView->setContextMenuPolicy(Qt::CustomContextMenu);
    const ContentArea a = GetContentArea();
    listView->setGeometry(a.left, a.top, a.width, a.height);
    connect(listView, &QListWidget::itemDoubleClicked, this, [this] { OnListDoubleClick(); });
    connect(listView, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& point) { OnListContextMenu(point); });
}

// ---------------------------------------------------------------- rows

void LyricsWindow::SetListRow(int row, int index) {
    std::wstring title;
    GetEntryTitle(index, title);
    QListWidgetItem* item = listView->item(row);
    const QString text = QString::fromStdWString(title);
    if (!item) listView->insertItem(row, text);
    else if (item->text() != text) item->setText(text);
}

void LyricsWindow::SyncListRows() {
    if (!listView) return;
    const int count = GetEntryCount();
    while (listView->count() > count) delete listView->takeItem(listView->count() - 1);
    for (int i = listView->count(); i < count; ++i) SetListRow(i, i);
    if (pendingSelect >= 0 && pendingSelect < count) {
        SelectRow(pendingSelect);
        pendingSelect = -1;
    }
}

int LyricsWindow::FocusedRow() const { return listView ? listView->currentRow() : -1; }

std::vector<int> LyricsWindow::SelectedRows() const {
    std::vector<int> rows;
    if (!listView) return rows;
    for (QListWidgetItem* item : listView->selectedItems()) rows.push_back(listView->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void LyricsWindow::SelectRow(int row) {
    QListWidgetItem* item = listView->item(row);
    if (!item) return;
    listView->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    listView->scrollToItem(item);
}

void LyricsWindow::SwapRows(int a, int b) {
    QListWidgetItem* first = listView->item(a);
    QListWidgetItem* second = listView->item(b);
    if (!first || !second) return;
    const QString text = first->text();
    first->setText(second->text());
    second->setText(text);
    const bool selectedA = first->isSelected(), selectedB = second->isSelected();
    const int focus = listView->currentRow();
    if (focus == a || focus == b)
        listView->setCurrentRow(focus == a ? b : a, QItemSelectionModel::NoUpdate);
    first->setSelected(selectedB);
    second->setSelected(selectedA);
}

// ---------------------------------------------------------------- replaced playlist operations

bool LyricsWindow::AddEntry(const std::wstring& path, const std::wstring& title) {
    if (!MainWindow::AddEntry(path, title)) return false;
    SyncListRows();
    return true;
}

bool LyricsWindow::InsertEntry(const std::wstring& path, int index) {
    SyncPlaylistOptions();
    if (!playlist.InsertEntry(path, index)) return false;
    listView->insertItem(index, QString());
    SetListRow(index, index);
    SyncListRows();
    return true;
}

void LyricsWindow::AddFolder(const std::wstring& folder) {
    MainWindow::AddFolder(folder);
    SyncListRows();
}

void LyricsWindow::LoadPlaylist(const std::wstring& path) {
    MainWindow::LoadPlaylist(path);
    SyncListRows();
}

bool LyricsWindow::MoveUp(int index) {
    if (!MainWindow::MoveUp(index)) return false;
    SwapRows(index - 1, index);
    InvalidateTrackNumber();
    return true;
}

bool LyricsWindow::MoveDown(int index) {
    if (!MainWindow::MoveDown(index)) return false;
    SwapRows(index, index + 1);
    InvalidateTrackNumber();
    return true;
}

bool LyricsWindow::DeleteEntry(int index) {
    if (index < 0 || index >= GetEntryCount()) return false;
    // The row goes first, so that opening the entry that moves into its place selects it.
    delete listView->takeItem(index);
    const bool ok = MainWindow::DeleteEntry(index);
    SyncListRows();
    update();
    return ok;
}

void LyricsWindow::ClearPlaylist() {
    MainWindow::ClearPlaylist();
    listView->clear();
}

void LyricsWindow::SortPlaylist(int key) {
    struct RowState {
        bool selected, focused;
    };
    std::unordered_map<const PlaylistEntry*, RowState> states;
    const int focus = listView->currentRow();
    for (int i = 0; i < GetEntryCount(); ++i) {
        QListWidgetItem* item = listView->item(i);
        states[GetEntry(i)] = {item && item->isSelected(), i == focus};
    }
    MainWindow::SortPlaylist(key);
    int focused = -1;
    listView->clearSelection();
    for (int i = 0; i < GetEntryCount(); ++i) {
        SetListRow(i, i);
        const RowState state = states[GetEntry(i)];
        if (state.focused) focused = i;
        if (state.selected) listView->item(i)->setSelected(true);
    }
    if (focused >= 0) {
        listView->setCurrentRow(focused, QItemSelectionModel::NoUpdate);
        listView->scrollToItem(listView->item(focused));
    }
}

bool LyricsWindow::OpenEntry(int index) {
    KillTimer(12);
    holdNoticeShown = 0;
    const bool ok = MainWindow::OpenEntry(index);
    PlaylistEntry* entry = GetEntry(index);
    // Another song's words must never stay on screen: a stream, or a file that did not open,
    // has no lyrics.
    if (!ok || !entry || IsUrl(entry->path)) lyrics.Clear();
    ForgetLyricsPosition();
    if (ok) {
        if (listView->item(index)) SelectRow(index);
        else pendingSelect = index;
    }
    return ok;
}

void LyricsWindow::LoadLyricsOf(const PlaylistEntry& entry) {
    MainWindow::LoadLyricsOf(entry);
    ForgetLyricsPosition();
}

// New lyrics are located afresh at the next position check, also while paused.
void LyricsWindow::ForgetLyricsPosition() {
    lyricsLastPosition = -1000.0;
    reported.Reset();
    InvalidatePanes();
}

void LyricsWindow::OnEngineState(int state, int detail) {
    MainWindow::OnEngineState(state, detail);
    if (state == kPlaying) {
        const int current = GetCurrentIndex();
        if (listView->item(current)) SetListRow(current, current);
    }
    power->SetPlaying(engine->GetState() == kPlaying);
    // The no-lyrics text depends on the state; the glide and the line timer start or stop
    // with it.
    InvalidatePanes();
    NotePosition(engine->GetPosition());
}

// ---------------------------------------------------------------- list commands

void LyricsWindow::CmdMoveSelectedUp() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || rows.front() == 0) return;
    for (int row : rows) MoveUp(row);
}

void LyricsWindow::CmdMoveSelectedDown() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || rows.back() == listView->count() - 1) return;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) MoveDown(*it);
}

void LyricsWindow::CmdDeleteSelected() {
    const std::vector<int> rows = SelectedRows();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) DeleteEntry(*it);
    const int focus = listView->currentRow();
    if (focus >= 0) listView->item(focus)->setSelected(true);
}

void LyricsWindow::CmdDeleteAll() {
    listView->setUpdatesEnabled(false);
    for (int i = GetEntryCount() - 1; i >= 0; --i) DeleteEntry(i);
    listView->setUpdatesEnabled(true);
}

void LyricsWindow::CmdPlaySelected() { PlayFocused(true); }
void LyricsWindow::CmdPlayStop() { PlayFocused(false); }
void LyricsWindow::CmdPlayPause() { PlayFocused(true); }

void LyricsWindow::CmdSort(int command) { SortPlaylist(command == IDM_SORT_BY_PATH ? 1 : 0); }

void LyricsWindow::PlayFocused(bool pauseIfCurrent) {
    if (SelectedRows().empty()) return;
    int row = FocusedRow();
    if (row < 0) row = SelectedRows().front();
    switch (engine->GetState()) {
    case kStopped: Play(row); break;
    case kPlaying:
    case kPaused:
        if (row != GetCurrentIndex()) Play(row);
        else if (pauseIfCurrent) Pause();
        else CmdStop();
        break;
    default: Pause(); break;
    }
}

// ---------------------------------------------------------------- list notifications

void LyricsWindow::OnListReturn() {
    if (GetLyricsSettings()->dispAutoOn) DisplayOnByUser();
    if (menuOpen) {
        menuOpen = 0;
        RegisterButtons();
    }
    PlayFocused(true);
}

void LyricsWindow::OnListKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (GetLyricsSettings()->dispAutoOn) DisplayOnByUser();
    if (key == Qt::Key_Q && (modifiers & Qt::ControlModifier)) {
        QMetaObject::invokeMethod(this, "close", Qt::QueuedConnection);
        return;
    }
    if (menuOpen) {
        // The buttons were released for a menu that is closed now: they come back, and this
        // press is not lost.
        menuOpen = 0;
        RegisterButtons();
        DeviceKey device;
        if (DeviceKeyFromQt(key, modifiers, device)) PostHotKey(device.modifiers, device.keyCode);
    }
}

void LyricsWindow::OnListDoubleClick() {
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty()) Play(rows.front());
}

void LyricsWindow::OnListBeginDrag(int item) {
    // The press that began the drag already holds the pointer for the list.
    dragging = 1;
    dragIndex = item;
}

void LyricsWindow::OnListContextMenu(const QPoint& point) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || popupMenu) return;
    popupMenu = BuildPopup(rows.size() == 1 ? 2 : 3);
    OnInitMenuPopup(popupMenu, 0);
    TrackPopup(listView->viewport()->mapToGlobal(point));
}

void LyricsWindow::OnMouseMove(int keys, int x, int y) {
    if (!dragging) {
        MainWindow::OnMouseMove(keys, x, y);
        return;
    }
    const int count = listView->count();
    // Nothing to drag in an empty list.
    if (count == 0) return;
    const QPoint point = listView->viewport()->mapFrom(this, QPoint(x, y));
    const QRect first = listView->visualItemRect(listView->item(0));
    const int h = std::max(1, first.height());
    const int bottom = listView->viewport()->height();
    QScrollBar* scroll = listView->verticalScrollBar();
    if (point.y() < h) {
        scroll->setValue(scroll->value() - scroll->singleStep());
        CmdMoveSelectedUp();
        dragIndex = std::max(0, dragIndex - 1);
    } else if (point.y() > bottom - h) {
        scroll->setValue(scroll->value() + scroll->singleStep());
        CmdMoveSelectedDown();
        dragIndex = std::min(count - 1, dragIndex + 1);
    } else {
        QListWidgetItem* item = listView->itemAt(point);
        if (!item) return;
        const int g = listView->row(item);
        if (g == dragIndex) return;
        for (int i = g; i < dragIndex; ++i) CmdMoveSelectedUp();
        for (int i = dragIndex; i < g; ++i) CmdMoveSelectedDown();
        dragIndex = g;
    }
}

void LyricsWindow::OnLButtonUp(int x, int y) {
    if (!dragging) {
        MainWindow::OnLButtonUp(x, y);
        return;
    }
    dragging = 0;
}

bool LyricsWindow::FilterListEvent(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (watched != listView) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !key->isAutoRepeat()) {
            OnListReturn();
            return true;
        }
        OnListKeyDown(key->key(), key->modifiers());
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        QListWidgetItem* item = listView->itemAt(mouse->position().toPoint());
        pressRow = item ? listView->row(item) : -1;
        pressPoint = mouse->position().toPoint();
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!(mouse->buttons() & Qt::LeftButton)) return false;
        const QPoint point = mouse->position().toPoint();
        if (!dragging) {
            if (pressRow < 0 || (point - pressPoint).manhattanLength() < QApplication::startDragDistance())
                return false;
            OnListBeginDrag(pressRow);
        }
        const QPoint inWindow = listView->viewport()->mapTo(this, point);
        OnMouseMove(1, inWindow.x(), inWindow.y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        pressRow = -1;
        if (!dragging) return false;
        const QPoint inWindow = listView->viewport()->mapTo(this, static_cast<QMouseEvent*>(event)->position().toPoint());
        OnLButtonUp(inWindow.x(), inWindow.y());
        return true;
    }
    default:
        return false;
    }
}

}  // namespace vl
