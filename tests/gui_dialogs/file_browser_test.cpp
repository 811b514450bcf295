// The file browser, driven through its widgets: the tree, the ticked rows and the switches.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <sys/stat.h>

#include "gui/window_fixture.h"
#include "gui_dialogs/dialog_driver.h"
#include "platform/text.h"
#include "settings/qt/file_browser.h"

namespace vl::test {
namespace {

QTreeWidget* Tree(QDialog& d) { return d.findChild<QTreeWidget*>("FolderTree"); }
QTreeWidget* Files(QDialog& d) { return d.findChild<QTreeWidget*>("FileList"); }
QString CurrentFolder(QDialog& d) { return Tree(d)->currentItem()->data(0, Qt::UserRole).toString(); }
QStringList Rows(QDialog& d) {
    QStringList rows;
    for (int i = 0; i < Files(d)->topLevelItemCount(); ++i) rows << Files(d)->topLevelItem(i)->text(0);
    return rows;
}
void Click(QDialog& d, const char* id) { QTest::mouseClick(d.findChild<QPushButton*>(id), Qt::LeftButton); }
void Tick(QDialog& d, int row) { Files(d)->topLevelItem(row)->setCheckState(0, Qt::Checked); }

class FileBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        root = TempDir();
        mkdir((root + "/music").c_str(), 0755);
        mkdir((root + "/music/live").c_str(), 0755);
        ASSERT_TRUE(WriteFile(root + "/music/one.mp3", std::string(1025, 'x')));
        ASSERT_TRUE(WriteFile(root + "/music/two.OGG", "x"));
        ASSERT_TRUE(WriteFile(root + "/music/notes.txt", "x"));
        ASSERT_TRUE(WriteFile(root + "/music/live/three.mp3", "x"));
        request.extensions = {L"mp3", L"ogg"};
        request.initialFolder = WidePath(root + "/music");
    }

    int Browse(const std::function<void(QDialog&)>& drive) {
        DialogDriver driver(QStringLiteral("164"), drive);
        return BrowseForFiles(request, nullptr);
    }

    std::string root;
    FileBrowserRequest request;
};

// Only ticked rows count: a selected but unticked row gives nothing; ticked ones come in list order.
TEST_F(FileBrowserTest, TickedRowsAreTheResult) {
    struct Row {
        std::vector<int> ticks;
        const char* button;
        int result;
        std::vector<std::string> files;
    };
    for (const Row& row : {Row{{}, "1", 1, {}}, Row{{1, 0}, "1", 1, {"/music/one.mp3", "/music/two.OGG"}},
                           Row{{0}, "2", 2, {}}}) {
        SCOPED_TRACE(row.ticks.size());
        int result = Browse([&row](QDialog& d) {
            EXPECT_EQ(Rows(d), QStringList({"one.mp3", "two.OGG"}));
            EXPECT_EQ(Files(d)->topLevelItem(0)->text(1), "1.0KB");
            Files(d)->setCurrentItem(Files(d)->topLevelItem(0));
            for (int t : row.ticks) Tick(d, t);
            Click(d, row.button);
        });
        EXPECT_EQ(result, row.result);
        std::vector<std::wstring> expected;
        for (const std::string& f : row.files) expected.push_back(WidePath(root + f));
        EXPECT_EQ(request.results, expected);
    }
}

TEST_F(FileBrowserTest, ExpansionStopsAtAVanishedFolderAndTheLastFolderIsKept) {
    request.initialFolder = WidePath(root + "/music/gone/deeper");
    Browse([this](QDialog& d) {
        EXPECT_EQ(CurrentFolder(d), QString::fromStdString(root + "/music"));
        EXPECT_EQ(Tree(d)->topLevelItem(0)->text(0), "My device");
        // Another folder chosen in the tree is the one shown next time.
        QTreeWidgetItem* live = Tree(d)->currentItem()->child(0);
        ASSERT_NE(live, nullptr);
        Tree(d)->setCurrentItem(live);
        EXPECT_EQ(Rows(d), QStringList({"three.mp3"}));
        Click(d, "2");
    });
    request.initialFolder.clear();
    Browse([this](QDialog& d) {
        EXPECT_EQ(CurrentFolder(d), QString::fromStdString(root + "/music/live"));
        Click(d, "2");
    });
}

TEST_F(FileBrowserTest, IncludeSubFoldersListsNestedFilesAndIsReturned) {
    Browse([](QDialog& d) {
        auto* box = d.findChild<QCheckBox*>("1018");
        EXPECT_FALSE(box->isChecked());
        box->setChecked(true);
        EXPECT_EQ(Rows(d), QStringList({"one.mp3", "two.OGG", "three.mp3"}));
        Click(d, "1");
    });
    EXPECT_TRUE(request.includeSubfolders);
    // Given back as the start state, the first listing already holds the nested files.
    Browse([](QDialog& d) {
        EXPECT_TRUE(d.findChild<QCheckBox*>("1018")->isChecked());
        EXPECT_EQ(Rows(d).size(), 3);
        Click(d, "2");
    });
}

TEST_F(FileBrowserTest, SingleSelectionHidesSelectAllYetKeepsEveryTick) {
    request.multiSelect = false;
    Browse([](QDialog& d) {
        EXPECT_TRUE(d.findChild<QPushButton*>("3")->isHidden());
        EXPECT_EQ(Files(d)->selectionMode(), QAbstractItemView::SingleSelection);
        Tick(d, 0);
        Tick(d, 1);
        Click(d, "1");
    });
    EXPECT_EQ(request.results.size(), 2u);
    request.multiSelect = true;
    Browse([](QDialog& d) {
        Click(d, "3");
        Click(d, "1");
    });
    EXPECT_EQ(request.results.size(), 2u);
}

// A collapsed folder forgets its children; expanding it again reads the disk anew.
TEST_F(FileBrowserTest, CollapseForgetsChildren) {
    Browse([this](QDialog& d) {
        QTreeWidgetItem* music = Tree(d)->currentItem();
        ASSERT_EQ(music->childCount(), 1);
        mkdir((root + "/music/studio").c_str(), 0755);
        music->setExpanded(false);
        EXPECT_EQ(music->childCount(), 0);
        music->setExpanded(true);
        EXPECT_EQ(music->childCount(), 2);
        Click(d, "2");
    });
}

}  // namespace
}  // namespace vl::test
