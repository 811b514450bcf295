#include "settings/qt/playlist_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

#include "platform/screen_profile.h"
#include "settings/qt/dialog_conventions.h"
#include "ui/qt/image_list.h"
#include "ui/qt/main_window.h"
#include "ui/commands.h"
#include "ui/string_table.h"

namespace vl {

namespace {

constexpr int kImageRole = Qt::UserRole;

// The dialog's own buttons; the menus send the player's command ids.
enum PlaylistButton : int {
    kDone = 1,
    kCancel = 2,
    kUpButton = 1004,
    kAddButton = 1005,
    kDownButton = 1006,
    kDeleteButton = 1007,
};

struct MenuItem {
    int id;
    const char* text;
};
// The context menu of one selected row, and of none or several.
constexpr MenuItem kOneRowMenu[] = {
    {IDM_PLAY_ENTRY, "Play"}, {IDM_DOWNLOAD_LYRICS, "Download Lyrics..."}, {IDM_ADD_FILE, "Add File..."},
    {IDM_MOVE_UP, "Up"},      {IDM_MOVE_DOWN, "Down"},                     {IDM_DELETE_ENTRY, "Delete"},
    {IDM_SORT_BY_NAME, "Sort by File name"}};
constexpr MenuItem kRowsMenu[] = {{IDM_ADD_FILE, "Add File..."}, {IDM_MOVE_UP, "Up"},
                                  {IDM_MOVE_DOWN, "Down"},       {IDM_DELETE_ENTRY, "Delete"},
                                  {IDM_SORT_BY_NAME, "Sort by File name"}};

// The command bar: image in strip 127, command, text string (0 = image only).
struct BarButton {
    int image;
    int id;
    int text;
};
constexpr BarButton kBarButtons[] = {{0, kAddButton, 0}, {1, kUpButton, 1004},  {2, kDownButton, 1006},
                                     {3, kDeleteButton, 0}, {4, IDM_SAVE_LIST, 0}, {5, IDM_MULTI_SELECT, 0}};

QIcon ResourceIcon(int id) { return QIcon(QPixmap::fromImage(LoadResourceBitmap(id))); }

// The list: Enter plays, Esc closes, Delete deletes, Ctrl+A selects all, double click plays,
// and a press on a row followed by a move drags the selection instead of extending it.
class PlaylistList : public QListWidget {
public:
    PlaylistList(PlaylistDialog& owner, QWidget* parent) : QListWidget(parent), owner_(owner) {}

protected:
    void keyPressEvent(QKeyEvent* e) override {
        switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: owner_.PlaySelection(); return;
        case Qt::Key_Escape: owner_.Close(); return;
        case Qt::Key_Delete: owner_.DeleteSelection(); return;
        case Qt::Key_A:
            if (e->modifiers() & Qt::ControlModifier) {
                selectAll();
                return;
            }
            break;
        default: break;
        }
        QListWidget::keyPressEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (itemAt(e->position().toPoint())) owner_.PlaySelection();
    }
    void mousePressEvent(QMouseEvent* e) override {
        QListWidget::mousePressEvent(e);
        if (e->button() != Qt::LeftButton) return;
        QListWidgetItem* item = itemAt(e->position().toPoint());
        pressRow_ = item ? row(item) : -1;
        pressPoint_ = e->position().toPoint();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        QPoint point = e->position().toPoint();
        if (owner_.dragging) {
            owner_.DragTo(point);
            return;
        }
        if (pressRow_ < 0 || !(e->buttons() & Qt::LeftButton)) {
            QListWidget::mouseMoveEvent(e);
            return;
        }
        if ((point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) owner_.BeginDrag(pressRow_);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        pressRow_ = -1;
        if (owner_.dragging) {
            owner_.EndDrag();
            return;
        }
        QListWidget::mouseReleaseEvent(e);
    }

private:
    PlaylistDialog& owner_;
    int pressRow_ = -1;
    QPoint pressPoint_;
};

// Snaps its edges to the work area after each move, where the window system lets a program
// place its windows (X11).
class SnappingDialog : public DeviceDialog {
public:
    SnappingDialog(PlaylistDialog& playlist, QWidget* owner)
        : DeviceDialog(117, QStringLiteral("Playlist"), kDoneAndCancel, owner), playlist_(playlist) {}

    // Done plays the selection, Cancel (Esc, the window's close button) just ends the dialog.
    void accept() override { playlist_.OnCommand(kDone); }
    void reject() override { playlist_.OnCommand(kCancel); }

protected:
    void moveEvent(QMoveEvent* e) override {
        QDialog::moveEvent(e);
        if (QGuiApplication::platformName() != QLatin1String("xcb") || !screen()) return;
        QRect work = screen()->availableGeometry();
        QRect frame = frameGeometry();
        int snap = (GetScreenProfile().dpiX + 6) * 8 / 96;
        QPoint to = frame.topLeft();
        if (std::abs(frame.left() - work.left()) <= snap) to.setX(work.left());
        else if (std::abs(frame.right() - work.right()) <= snap) to.setX(work.right() - frame.width() + 1);
        if (std::abs(frame.top() - work.top()) <= snap) to.setY(work.top());
        else if (std::abs(frame.bottom() - work.bottom()) <= snap) to.setY(work.bottom() - frame.height() + 1);
        if (to != frame.topLeft()) move(to);
    }

private:
    PlaylistDialog& playlist_;
};

}  // namespace

PlaylistDialog::PlaylistDialog(MainWindow& window) : owner(window) {
    icons[0] = ResourceIcon(130);
    icons[1] = ResourceIcon(132);
}

PlaylistDialog::~PlaylistDialog() { Close(); }

void PlaylistDialog::ShowPlaylistDialog() {
    if (dialog) return;
    SnappingDialog window(*this, owner.GetHandle());
    dialog = &window;
    QVBoxLayout* layout = window.Body();

    list = new PlaylistList(*this, &window);
    list->setObjectName(QStringLiteral("1002"));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    list->setIconSize(QSize(ScaleX(16), ScaleY(16)));
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(list, 1);

    auto* bar = new QToolBar(&window);
    bar->setObjectName(QStringLiteral("128"));
    bar->setIconSize(QSize(ScaleX(16), ScaleY(16)));
    ImageList images(16, 16);
    images.AddMasked(LoadResourceBitmap(127));
    for (const BarButton& b : kBarButtons) {
        auto* button = new QToolButton(bar);
        button->setObjectName(QString::number(b.id));
        button->setIcon(QIcon(QPixmap::fromImage(images.Cell(b.image))));
        if (b.text) {
            button->setText(QString::fromWCharArray(GetString(b.text)));
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
        button->setCheckable(b.id == IDM_MULTI_SELECT);
        if (b.id == IDM_MULTI_SELECT) multiSelectButton = button;
        int id = b.id;
        QObject::connect(button, &QToolButton::clicked, &window, [this, id] { OnCommand(id); });
        bar->addWidget(button);
    }
    auto* sort = new QToolButton(bar);
    sort->setObjectName(QStringLiteral("Sort"));
    sort->setText(QStringLiteral("Sort"));
    sort->setPopupMode(QToolButton::InstantPopup);
    auto* sortMenu = new QMenu(sort);
    for (const MenuItem& item : {MenuItem{IDM_SORT_BY_NAME, "By File name"}, MenuItem{IDM_SORT_BY_PATH, "By File path"}}) {
        QAction* action = sortMenu->addAction(QString::fromUtf8(item.text));
        action->setObjectName(QString::number(item.id));
        int id = item.id;
        QObject::connect(action, &QAction::triggered, &window, [this, id] { OnCommand(id); });
    }
    sort->setMenu(sortMenu);
    bar->addWidget(sort);
    layout->addWidget(bar);

    QObject::connect(list, &QListWidget::customContextMenuRequested, &window,
                     [this](const QPoint& point) { ShowContextMenu(point); });
    Refresh();
    list->setFocus();
    window.exec();
    SetMultiSelect(false);
    dragging = 0;
    multiSelectButton = nullptr;
    list = nullptr;
    dialog = nullptr;
}

void PlaylistDialog::Refresh() {
    if (!dialog) return;
    list->clear();
    int count = owner.GetEntryCount();
    int current = owner.GetCurrentIndex();
    for (int i = 0; i < count; ++i) {
        std::wstring title;
        owner.GetEntryTitle(i, title);
        auto* row = new QListWidgetItem(QString::fromStdWString(title), list);
        SetRowImage(i, i == current ? 1 : 0);
        (void)row;
    }
    if (current >= 0 && current < count) {
        list->setCurrentRow(current, QItemSelectionModel::ClearAndSelect);
        list->scrollToItem(list->item(current));
    }
}

void PlaylistDialog::SetRowImage(int row, int image) {
    QListWidgetItem* item = list->item(row);
    if (!item) return;
    item->setIcon(icons[image]);
    item->setData(kImageRole, image);
}

void PlaylistDialog::MarkCurrent(int index) {
    if (!dialog) return;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(kImageRole).toInt() == 1) SetRowImage(i, 0);
    SetRowImage(index, 1);
}

void PlaylistDialog::Close() {
    SetMultiSelect(false);
    if (dialog) dialog->done(1);
}

void PlaylistDialog::SetMultiSelect(bool on) {
    controlHeld = on ? 1 : 0;
    if (list)
        list->setSelectionMode(on ? QAbstractItemView::MultiSelection : QAbstractItemView::ExtendedSelection);
    if (multiSelectButton) multiSelectButton->setChecked(on);
}

namespace {
std::vector<int> SelectedRows(QListWidget* list) {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows.push_back(i);
    return rows;
}
}  // namespace

void PlaylistDialog::OnCommand(int id) {
    if (!dialog) return;
    switch (id) {
    case kDone:
    case IDM_PLAY_ENTRY: PlaySelection(); break;
    case kCancel: Close(); break;
    case kUpButton:
    case IDM_MOVE_UP: MoveSelectionUp(true); break;
    case kDownButton:
    case IDM_MOVE_DOWN: MoveSelectionDown(true); break;
    case kDeleteButton:
    case IDM_DELETE_ENTRY: DeleteSelection(); break;
    case kAddButton:
    case IDM_ADD_FILE:
        owner.BrowseFiles(true);
        Refresh();
        break;
    case IDM_SAVE_LIST: owner.SavePlaylistAs(dialog); break;
    case IDM_SORT_BY_NAME:
    case IDM_SORT_BY_PATH:
        owner.SortPlaylist(id == IDM_SORT_BY_NAME ? 0 : 1);
        Refresh();
        break;
    case IDM_MULTI_SELECT: SetMultiSelect(!controlHeld); break;
    case IDM_DOWNLOAD_LYRICS: {
        std::vector<int> rows = SelectedRows(list);
        if (!rows.empty()) owner.ShowLyricsSearch(rows.front());
        break;
    }
    default: break;
    }
}

void PlaylistDialog::PlaySelection() {
    if (!dialog) return;
    std::vector<int> rows = SelectedRows(list);
    if (owner.GetEntryCount() > 0) owner.Play(rows.empty() ? -1 : rows.front());
    Close();
}

void PlaylistDialog::MoveSelectionUp(bool makeVisible) {
    if (!dialog) return;
    list->setFocus();
    std::vector<int> rows = SelectedRows(list);
    if (rows.empty() || rows.front() == 0) return;
    for (int r : rows) {
        QListWidgetItem* item = list->takeItem(r);
        list->insertItem(r - 1, item);
        owner.MoveUp(r);
        list->setCurrentRow(r - 1, QItemSelectionModel::Select);
        if (makeVisible) list->scrollToItem(item);
    }
}

void PlaylistDialog::MoveSelectionDown(bool makeVisible) {
    if (!dialog) return;
    list->setFocus();
    std::vector<int> rows = SelectedRows(list);
    if (rows.empty() || rows.back() == list->count() - 1) return;
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) {
        QListWidgetItem* item = list->takeItem(*r);
        list->insertItem(*r + 1, item);
        owner.MoveDown(*r);
        list->setCurrentRow(*r + 1, QItemSelectionModel::Select);
        if (makeVisible) list->scrollToItem(item);
    }
}

void PlaylistDialog::DeleteSelection() {
    if (!dialog) return;
    list->setFocus();
    std::vector<int> rows = SelectedRows(list);
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) {
        delete list->takeItem(*r);
        owner.DeleteEntry(*r);
    }
    if (list->currentRow() >= 0) list->setCurrentRow(list->currentRow(), QItemSelectionModel::ClearAndSelect);
}

void PlaylistDialog::BeginDrag(int row) {
    if (!dialog) return;
    // The pressed button keeps the mouse on the list until it is released.
    dragging = 1;
    dragIndex = row;
}

void PlaylistDialog::DragTo(const QPoint& point) {
    if (!dialog || !dragging || list->count() == 0) return;
    int rowHeight = std::max(1, list->visualItemRect(list->item(0)).height());
    QScrollBar* scroll = list->verticalScrollBar();
    if (point.y() < rowHeight) {
        scroll->setValue(scroll->value() - 1);
        MoveSelectionUp(false);
        dragIndex = std::max(dragIndex - 1, 0);
    } else if (point.y() > list->viewport()->height() - rowHeight) {
        scroll->setValue(scroll->value() + 1);
        MoveSelectionDown(false);
        dragIndex = std::min(dragIndex + 1, list->count() - 1);
    } else if (QListWidgetItem* item = list->itemAt(point)) {
        int d = list->row(item);
        for (int i = dragIndex; i < d; ++i) MoveSelectionDown(false);
        for (int i = d; i < dragIndex; ++i) MoveSelectionUp(false);
        dragIndex = d;
    }
}

void PlaylistDialog::EndDrag() { dragging = 0; }

void PlaylistDialog::ShowContextMenu(const QPoint& listPoint) {
    if (!dialog) return;
    QMenu menu(dialog);
    bool one = SelectedRows(list).size() == 1;
    menu.setObjectName(one ? QStringLiteral("Sel0") : QStringLiteral("Sel1"));
    auto add = [&menu](const MenuItem& item) {
        QAction* action = menu.addAction(QString::fromUtf8(item.text));
        action->setObjectName(QString::number(item.id));
        action->setData(item.id);
    };
    if (one) for (const MenuItem& item : kOneRowMenu) add(item);
    else for (const MenuItem& item : kRowsMenu) add(item);
    QAction* chosen = menu.exec(list->viewport()->mapToGlobal(listPoint));
    if (chosen && dialog) OnCommand(chosen->data().toInt());
}

}  // namespace vl
