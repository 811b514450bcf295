#pragma once
// The "Playlist" dialog (117): the main window's playlist as a list whose rows mirror the
// entries one to one. It plays, adds, moves (buttons, menu or dragging), deletes, sorts and
// saves entries through the window's playlist operations. The window creates the object on
// first use and keeps it for its whole life; the dialog itself exists only while it runs
// (modal), so Refresh and MarkCurrent do nothing outside it.
// Object names: list 1002, Done 1, Cancel 2, command bar buttons 1005 (add), 1004 (up),
// 1006 (down), 1007 (delete), 40044 (save), 32807 (multi-select), "Sort" (sort menu).
#include <QIcon>
#include <QPoint>

class QDialog;
class QEvent;
class QListWidget;
class QToolButton;

namespace vl {

class MainWindow;

class PlaylistDialog {
public:
    explicit PlaylistDialog(MainWindow& owner);
    virtual ~PlaylistDialog();
    PlaylistDialog(const PlaylistDialog&) = delete;
    PlaylistDialog& operator=(const PlaylistDialog&) = delete;

    // The window's message loop asks first; the dialog takes nothing from it.
    virtual int PreTranslate(QEvent*) { return 0; }

    // Runs the dialog modally; returns when it closes.
    void ShowPlaylistDialog();
    // While open: rebuild the rows and select the current entry.
    void Refresh();
    // While open: row index gets the current-entry icon, every other row the plain one.
    void MarkCurrent(int index);
    // Ends the dialog and leaves the multi-select mode.
    void Close();
    bool IsOpen() const { return dialog != nullptr; }

    // A command of the buttons, menus or keys (ids as above and 40069 play, 40051 delete,
    // 40052 down, 40053 up, 40002 add, 40072 / 40111 sort, 40109 lyrics of the row).
    void OnCommand(int id);
    void MoveSelectionUp(bool makeVisible);
    void MoveSelectionDown(bool makeVisible);
    void DeleteSelection();
    void PlaySelection();

    // Dragging rows: started on a row, followed in list (viewport) coordinates; rows within one
    // row height of the top or bottom edge scroll the list and move the selection by one.
    void BeginDrag(int row);
    void DragTo(const QPoint& point);
    void EndDrag();

    void ShowContextMenu(const QPoint& listPoint);

    MainWindow& owner;
    QIcon icons[2];  // 0 an ordinary entry, 1 the current entry
    QDialog* dialog = nullptr;
    QListWidget* list = nullptr;
    QToolButton* multiSelectButton = nullptr;
    int dragging = 0;
    int dragIndex = 0;
    int controlHeld = 0;

private:
    void SetRowImage(int row, int image);
    void SetMultiSelect(bool on);
};

}  // namespace vl
