// The playlist dialog over a real window: rows and playlist stay in step through every edit.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "gui/window_fixture.h"
#include "gui_dialogs/dialog_driver.h"
#include "settings/qt/playlist_dialog.h"
#include "ui/commands.h"

namespace vl::test {
namespace {

class PlaylistDialogTest : public WindowTest {
protected:
    // Runs the dialog through the window's command and lets drive() work on it.
    void Show(const std::function<void(QDialog&, PlaylistDialog&)>& drive) {
        DialogDriver driver(QStringLiteral("117"), [this, drive](QDialog& d) {
            drive(d, *window->playlistDialog);
            if (d.isVisible()) QTest::mouseClick(d.findChild<QPushButton*>("2"), Qt::LeftButton);
        });
        window->OnCommand(IDM_MODIFY_PLAYLIST);
    }
    static QListWidget* List(QDialog& d) { return d.findChild<QListWidget*>("1002"); }
    static void Select(QDialog& d, const std::vector<int>& rows) {
        List(d)->clearSelection();
        for (int r : rows) List(d)->item(r)->setSelected(true);
    }
    static std::vector<int> Selected(QDialog& d) {
        std::vector<int> rows;
        for (int i = 0; i < List(d)->count(); ++i)
            if (List(d)->item(i)->isSelected()) rows.push_back(i);
        return rows;
    }
    static std::vector<std::wstring> Rows(QDialog& d) {
        std::vector<std::wstring> rows;
        for (int i = 0; i < List(d)->count(); ++i) rows.push_back(List(d)->item(i)->text().toStdWString());
        return rows;
    }
    std::vector<std::wstring> Titles() {
        std::vector<std::wstring> titles;
        for (int i = 0; i < window->GetEntryCount(); ++i) {
            std::wstring t;
            window->GetEntryTitle(i, t);
            titles.push_back(t);
        }
        return titles;
    }
    // Titles of the tone files by their original numbers.
    std::vector<std::wstring> Order(const std::vector<int>& numbers) {
        std::vector<std::wstring> titles;
        for (int n : numbers) titles.push_back(original[n]);
        return titles;
    }
    void AddNumbered(int n) {
        AddTones(n);
        original = Titles();
    }

    std::vector<std::wstring> original;
};

TEST_F(PlaylistDialogTest, OpensOnTheCurrentEntryWithItsMark) {
    AddNumbered(4);
    ASSERT_TRUE(window->OpenEntry(2));
    Show([this](QDialog& d, PlaylistDialog& dialog) {
        EXPECT_EQ(Rows(d), Titles());
        EXPECT_EQ(Selected(d), std::vector<int>{2});
        EXPECT_EQ(List(d)->currentRow(), 2);
        EXPECT_EQ(List(d)->item(2)->data(Qt::UserRole).toInt(), 1);
        // Another entry opened from outside moves the mark.
        window->OpenEntry(0);
        EXPECT_EQ(List(d)->item(0)->data(Qt::UserRole).toInt(), 1);
        EXPECT_EQ(List(d)->item(2)->data(Qt::UserRole).toInt(), 0);
        EXPECT_TRUE(dialog.IsOpen());
    });
    EXPECT_FALSE(window->playlistDialog->IsOpen());
}

// Moves and deletes keep playlist, rows and selection in step; blocked moves change nothing.
TEST_F(PlaylistDialogTest, MovesAndDeletesKeepRowsPlaylistAndSelection) {
    struct Row {
        const char* button;
        std::vector<int> selected;
        std::vector<int> order;       // original numbers after the command
        std::vector<int> selectedAfter;
    };
    const Row rows[] = {
        {"1004", {1, 3}, {1, 0, 3, 2, 4}, {0, 2}},
        {"1004", {1, 2}, {1, 2, 0, 3, 4}, {0, 1}},
        {"1004", {0, 3}, {0, 1, 2, 3, 4}, {0, 3}},
        {"1006", {1, 3}, {0, 2, 1, 4, 3}, {2, 4}},
        {"1006", {2, 4}, {0, 1, 2, 3, 4}, {2, 4}},
        {"1007", {1, 3}, {0, 2, 4}, {1}},
    };
    AddNumbered(5);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.button) + " " + std::to_string(row.selected.front()));
        Show([&](QDialog& d, PlaylistDialog&) {
            Select(d, row.selected);
            List(d)->setCurrentRow(row.selected.back(), QItemSelectionModel::NoUpdate);
            QTest::mouseClick(d.findChild<QToolButton*>(row.button), Qt::LeftButton);
            EXPECT_EQ(Titles(), Order(row.order));
            EXPECT_EQ(Rows(d), Titles());
            EXPECT_EQ(Selected(d), row.selectedAfter);
        });
        // Back to the original order for the next row.
        window->ClearPlaylist();
        for (int i = 0; i < 5; ++i) window->AddEntry(Tone("t" + std::to_string(i) + ".wav", 0.2));
    }
}

TEST_F(PlaylistDialogTest, KeysDeleteSelectAllAndEnterPlays) {
    AddNumbered(4);
    Show([this](QDialog& d, PlaylistDialog&) {
        Select(d, {0});
        QTest::keyClick(List(d), Qt::Key_Delete);
        EXPECT_EQ(Titles(), Order({1, 2, 3}));
        QTest::keyClick(List(d), Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(Selected(d).size(), 3u);
        Select(d, {2});
        QTest::keyClick(List(d), Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(window->GetCurrentIndex(), 2);
    EXPECT_EQ(window->played.back(), 2);
}

// Within one row of the top or bottom edge every move scrolls and carries the selection one row.
TEST_F(PlaylistDialogTest, DraggingIntoTheBandsMovesTheSelectionOneRowPerMove) {
    AddNumbered(30);
    ASSERT_TRUE(window->OpenEntry(0));
    Show([this](QDialog& d, PlaylistDialog& dialog) {
        QListWidget* list = List(d);
        QWidget* viewport = list->viewport();
        int rowHeight = list->visualItemRect(list->item(0)).height();
        QPoint start = list->visualItemRect(list->item(1)).center();
        Select(d, {1});
        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        QMouseEvent move(QEvent::MouseMove, start + QPoint(0, rowHeight + 20), viewport->mapToGlobal(start),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
        ASSERT_EQ(dialog.dragging, 1);
        QPoint bottom(start.x(), viewport->height() - rowHeight / 2);
        for (int i = 0; i < 3; ++i) {
            int scroll = list->verticalScrollBar()->value();
            QMouseEvent m(QEvent::MouseMove, bottom, viewport->mapToGlobal(bottom), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(viewport, &m);
            EXPECT_EQ(list->verticalScrollBar()->value(), scroll + 1);
        }
        EXPECT_EQ(Selected(d), std::vector<int>{4});
        EXPECT_EQ(dialog.dragIndex, 4);
        QPoint top(start.x(), rowHeight / 2);
        QMouseEvent up(QEvent::MouseMove, top, viewport->mapToGlobal(top), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &up);
        EXPECT_EQ(Selected(d), std::vector<int>{3});
        EXPECT_EQ(Titles(), Order({0, 2, 3, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
                                   23, 24, 25, 26, 27, 28, 29}));
        EXPECT_EQ(Rows(d), Titles());
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, top);
        EXPECT_EQ(dialog.dragging, 0);
    });
}

TEST_F(PlaylistDialogTest, MultiSelectModeEndsWithTheDialog) {
    AddNumbered(3);
    Show([](QDialog& d, PlaylistDialog& dialog) {
        QTest::mouseClick(d.findChild<QToolButton*>("32807"), Qt::LeftButton);
        EXPECT_EQ(dialog.controlHeld, 1);
        // Taps add to the selection while the mode is on.
        QListWidget* list = List(d);
        list->clearSelection();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
        EXPECT_EQ(Selected(d), (std::vector<int>{0, 2}));
        dialog.Close();
        EXPECT_EQ(dialog.controlHeld, 0);
    });
}

}  // namespace
}  // namespace vl::test
