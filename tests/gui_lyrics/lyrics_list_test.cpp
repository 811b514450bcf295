// The playlist list of the lyrics window: rows in step with the playlist, play control of the
// focused row, and dragging.
#include <QListWidget>

#include "lyrics/lyrics_commands.h"
#include "lyrics_fixture.h"
#include "ui/commands.h"

namespace vl::test {
namespace {

class ListTest : public LyricsWindowTest {
protected:
    void ExpectMirrored() { EXPECT_EQ(Titles(), Rows()); }
    void ExpectCurrentSelected() {
        const int current = window->GetCurrentIndex();
        ASSERT_GE(current, 0);
        EXPECT_TRUE(window->listView->item(current)->isSelected()) << "row " << current;
    }
    void Select(int row) {
        window->listView->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
};

TEST_F(ListTest, RowsFollowEveryPlaylistChange) {
    AddTones(4);
    ExpectMirrored();
    ExpectCurrentSelected();
    ASSERT_TRUE(window->InsertEntry(Tone("inserted.wav", 0.2), 1));
    ExpectMirrored();
    EXPECT_EQ(L"inserted", Rows()[1]);
    Select(1);
    Command(IDM_MOVE_SELECTED_DOWN);
    EXPECT_EQ(L"inserted", Rows()[2]);
    EXPECT_EQ(2, window->listView->currentRow()) << "the selection moves with the row";
    EXPECT_TRUE(window->listView->item(2)->isSelected());
    Command(IDM_MOVE_SELECTED_UP);
    Command(IDM_MOVE_SELECTED_UP);
    EXPECT_EQ(L"inserted", Rows()[0]);
    Command(IDM_MOVE_SELECTED_UP);  // row 0: nothing
    EXPECT_EQ(L"inserted", Rows()[0]);
    ExpectMirrored();
    // Deleting the current entry opens the one that moves into its place.
    window->OpenEntry(2);
    const std::wstring next = window->GetEntry(3)->path;
    window->DeleteEntry(2);
    ExpectMirrored();
    ExpectCurrentSelected();
    EXPECT_EQ(2, window->GetCurrentIndex());
    EXPECT_EQ(next, engine->GetPath());
    EXPECT_EQ(kStopped, engine->GetState());
    Command(IDM_SORT_BY_NAME);
    ExpectMirrored();
    EXPECT_EQ(L"inserted", Rows()[0]);
    EXPECT_EQ(next, window->GetEntry(window->GetCurrentIndex())->path) << "the current entry stays current";
    Select(0);
    Command(IDM_DELETE_SELECTED);
    ExpectMirrored();
    Command(IDM_DELETE_ALL);
    EXPECT_EQ(0, window->listView->count());
    EXPECT_EQ(-1, window->GetCurrentIndex());
}

TEST_F(ListTest, PlayPauseActsOnTheFocusedRow) {
    SetAudioBackend("null");
    AddTones(2, 20.0);
    struct Step {
        int focus;
        int command;
        int state;    // afterwards
        int current;  // afterwards
    } steps[] = {
        {1, IDM_PLAY_PAUSE, kPlaying, 1},  // stopped: plays the focused row
        {1, IDM_PLAY_PAUSE, kPaused, 1},   // the current row: pauses
        {1, IDM_PLAY_PAUSE, kPlaying, 1},  // and resumes
        {0, IDM_PLAY_PAUSE, kPlaying, 0},  // another row: plays that one instead of pausing
        {0, IDM_PLAY_STOP, kStopped, 0},   // Play/Stop on the current row stops
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "focus " << s.focus << " command " << s.command);
        Select(s.focus);
        Command(s.command);
        EXPECT_TRUE(PumpUntil([&] { return engine->GetState() == s.state; }));
        EXPECT_EQ(s.current, window->GetCurrentIndex());
    }
    window->listView->clearSelection();
    Command(IDM_PLAY_PAUSE);
    EXPECT_EQ(kStopped, engine->GetState()) << "no selected row: nothing";
}

TEST_F(ListTest, DraggingMovesTheRowByBandsAndByTarget) {
    Command(IDM_SHOW_PLAYLIST);
    AddTones(6);
    const std::vector<std::wstring> start = Titles();
    Select(3);
    window->OnListBeginDrag(3);
    auto moveTo = [&](int listY) {
        const QPoint p = window->listView->viewport()->mapTo(window.get(), QPoint(10, listY));
        window->OnMouseMove(1, p.x(), p.y());
    };
    const int rowHeight = window->listView->visualItemRect(window->listView->item(0)).height();
    moveTo(1);  // the top band: one row up per move
    EXPECT_EQ(start[3], Titles()[2]);
    EXPECT_EQ(2, window->dragIndex);
    moveTo(window->listView->visualItemRect(window->listView->item(4)).center().y());
    EXPECT_EQ(start[3], Titles()[4]);
    EXPECT_EQ(4, window->dragIndex);
    moveTo(window->listView->viewport()->height() - rowHeight / 2);  // the bottom band
    EXPECT_EQ(start[3], Titles()[5]);
    window->OnLButtonUp(0, 0);
    EXPECT_EQ(0, window->dragging);
    ExpectMirrored();
    // An empty list has nothing to drag.
    Command(IDM_DELETE_ALL);
    window->OnListBeginDrag(0);
    moveTo(1);
    moveTo(50);
    window->OnLButtonUp(0, 0);
    EXPECT_EQ(0, window->listView->count());
}

TEST_F(ListTest, AFailedOpenLeavesNoLyricsOfTheSongBefore) {
    AddTones(1);
    ASSERT_TRUE(WriteFile(home + "/t0.lrc", "[00:00.50]Hello\n"));
    window->lyrics.Load(window->GetEntry(0)->path);
    ASSERT_TRUE(window->lyrics.IsLoaded());
    ASSERT_TRUE(WriteFile(home + "/broken.wav", "not audio at all"));
    const std::wstring broken = WidePath(home + "/broken.wav");
    ASSERT_TRUE(window->InsertEntry(broken, 1));
    EXPECT_FALSE(window->OpenEntry(1));
    EXPECT_FALSE(window->lyrics.IsLoaded());
}

}  // namespace
}  // namespace vl::test
